#include "base/TimeText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "base/TextList.h"
#include "base/TextUtil.h"
#include "platform/Clock.h"

namespace qv {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kJapanOffsetSeconds = 9 * 3600;
// Fields beyond this size cannot describe a date of the texts above; clamping them
// keeps the arithmetic far from overflow.
constexpr std::int64_t kFieldLimit = 100000000;

std::int64_t field(std::string_view text) {
    return std::clamp(parseLong(text), -kFieldLimit, kFieldLimit);
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The calendar time of seconds since 1970-01-01 (no zone applied).
std::tm civilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t month = mp + (mp < 10 ? 3 : -9);
    std::tm tm{};
    tm.tm_year = static_cast<int>(yearOfEra + era * 400 + (month <= 2) - 1900);
    tm.tm_mon = static_cast<int>(month - 1);
    tm.tm_mday = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    tm.tm_hour = static_cast<int>(rest / 3600);
    tm.tm_min = static_cast<int>(rest / 60 % 60);
    tm.tm_sec = static_cast<int>(rest % 60);
    return tm;
}

// 1 to 12 for "Jan" to "Dec" in any letter case, else 0.
int monthOfName(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kNames = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    std::string folded = foldCase(name);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (folded == kNames[i]) return static_cast<int>(i) + 1;
    }
    return 0;
}

// The fields of a plain "%Y/%m/%d %H:%M:%S" text, each in its calendar range; false
// for anything else.
bool plainDateFields(std::string_view text, std::tm& out) {
    if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return false;
    }
    auto number = [&](std::size_t at, std::size_t length, int& value) {
        value = 0;
        for (std::size_t i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    int year, month, day, hour, minute, second;
    if (!number(0, 4, year) || !number(5, 2, month) || !number(8, 2, day) || !number(11, 2, hour) ||
        !number(14, 2, minute) || !number(17, 2, second)) {
        return false;
    }
    if (year < 1900 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 ||
        second > 59) {
        return false;
    }
    // The last day of the month: the day before the first of the next one.
    std::int64_t nextMonth =
        month == 12 ? daysFromCivil(year + 1, 1, 1) : daysFromCivil(year, month + 1, 1);
    if (day > nextMonth - daysFromCivil(year, month, 1)) return false;
    out = std::tm{};
    out.tm_year = year - 1900;
    out.tm_mon = month - 1;
    out.tm_mday = day;
    out.tm_hour = hour;
    out.tm_min = minute;
    out.tm_sec = second;
    return true;
}

// Seconds since 1970 of a calendar time read as UTC.
std::int64_t civilSeconds(const std::tm& tm) {
    return daysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) * kSecondsPerDay +
           tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

bool beginsWithYear(std::string_view text) {
    std::int64_t year = parseLong(text.substr(0, 4));
    return year >= 1900 && year <= 9999;
}

// Writes `value` as `width` digits at `out`.
char* putDigits(char* out, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
    return out + width;
}

bool inDigitRange(int value, int limit) {
    return value >= 0 && value < limit;
}

}  // namespace

std::string timeText(const std::tm& time) {
    const int year = time.tm_year + 1900, month = time.tm_mon + 1;
    // Written by hand: lists of thousands of files ask for two texts a file.
    if (inDigitRange(year, 10000) && inDigitRange(month, 100) && inDigitRange(time.tm_mday, 100) &&
        inDigitRange(time.tm_hour, 100) && inDigitRange(time.tm_min, 100) &&
        inDigitRange(time.tm_sec, 100)) {
        std::string text(19, '\0');
        char* out = putDigits(text.data(), year, 4);
        *out++ = '/';
        out = putDigits(out, month, 2);
        *out++ = '/';
        out = putDigits(out, time.tm_mday, 2);
        *out++ = ' ';
        out = putDigits(out, time.tm_hour, 2);
        *out++ = ':';
        out = putDigits(out, time.tm_min, 2);
        *out++ = ':';
        putDigits(out, time.tm_sec, 2);
        return text;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d", time.tm_year + 1900,
                  time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
    return buffer;
}

std::string compactTimeText(const std::tm& time) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d", time.tm_year + 1900,
                  time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
    return buffer;
}

std::string timeText(Clock& clock) {
    return timeText(clock.localTime());
}

std::string compactTimeText(Clock& clock) {
    return compactTimeText(clock.localTime());
}

std::string timeTextFromFileTime(FileTime time) {
    std::time_t seconds = static_cast<std::time_t>(unixSecondsOf(time));
    std::tm local{};
    if (!localTimeOf(seconds, local)) return timeText(civilFromSeconds(seconds));
    return timeText(local);
}

FileTime fileTimeFromDateText(std::string_view text) {
    std::string fromHttp;
    if (!beginsWithYear(text)) text = fromHttp = timeTextFromHttpDate(text);
    TextList parts(text, "/; ;\t;:");
    std::tm local{};
    local.tm_year = static_cast<int>(field(parts[0]) - 1900);
    local.tm_mon = static_cast<int>(field(parts[1]) - 1);
    local.tm_mday = static_cast<int>(field(parts[2]));
    local.tm_hour = static_cast<int>(field(parts[3]));
    local.tm_min = static_cast<int>(field(parts[4]));
    local.tm_sec = static_cast<int>(field(parts[5]));
    local.tm_isdst = -1;
    // mktime sets the weekday only on success (-1 is also a valid time).
    local.tm_wday = -1;
    std::time_t seconds = std::mktime(&local);
    if (local.tm_wday < 0) return 0;
    return fileTimeFromUnix(seconds);
}

namespace {

// The offset of the local hour that begins at `hourStart` (seconds of the calendar
// read as UTC), or none when the zone changes its offset within an hour of it: then
// a time of that hour may not exist or exist twice, and mktime must decide.
std::optional<std::int64_t> steadyOffsetOfHour(std::int64_t hourStart) {
    std::tm local = civilFromSeconds(hourStart);
    local.tm_isdst = -1;
    local.tm_wday = -1;
    std::time_t utc = std::mktime(&local);
    if (local.tm_wday < 0) return std::nullopt;
    std::optional<long> offset = utcOffsetAt(utc);
    for (std::time_t at : {utc - 3600, utc + 7199}) {
        if (!offset || utcOffsetAt(at) != offset) return std::nullopt;
    }
    return hourStart - utc;
}

}  // namespace

FileTime DateTextReader::read(std::string_view text) {
    std::tm wanted{};
    if (!plainDateFields(text, wanted)) return fileTimeFromDateText(text);
    const std::int64_t seconds = civilSeconds(wanted);
    const std::int64_t hourStart = seconds - wanted.tm_min * 60 - wanted.tm_sec;
    auto found = offsetOfHour_.find(hourStart);
    if (found == offsetOfHour_.end()) {
        if (offsetOfHour_.size() > 4096) offsetOfHour_.clear();
        found = offsetOfHour_.emplace(hourStart, steadyOffsetOfHour(hourStart)).first;
    }
    if (!found->second) return fileTimeFromDateText(text);
    return fileTimeFromUnix(seconds - *found->second);
}

std::string timeTextFromHttpDate(std::string_view text) {
    TextList parts(text, "\t;:;-; ");
    // "Sun, 06 Nov 1994 ..." starts with a weekday name; "06 Nov 1994 ..." does not.
    const int first = parseLong(parts[0]) > 0 ? 0 : 1;
    std::int64_t day = field(parts[first]);
    std::int64_t month = monthOfName(parts[first + 1]);
    std::int64_t year = field(parts[first + 2]);
    if (year < 1970 || year > 2036) year = 2000;
    if (month < 1 || month > 12) month = 1;
    if (day < 1 || day > 31) day = 1;
    std::int64_t seconds = daysFromCivil(year, month, day) * kSecondsPerDay +
                           field(parts[first + 3]) * 3600 + field(parts[first + 4]) * 60 +
                           field(parts[first + 5]);
    if (parts[first + 6] == "GMT") seconds += kJapanOffsetSeconds;
    std::tm tm = civilFromSeconds(seconds);
    return timeText(tm);
}

}  // namespace qv

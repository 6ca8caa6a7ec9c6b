#include "base/TimeText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/Clock.h"

namespace qv {
namespace {

#ifdef _WIN32
// An empty value removes the variable.
void setZoneVariable(const char* zone) {
    _putenv_s("TZ", zone ? zone : "");
}
#else
void setZoneVariable(const char* zone) {
    zone ? setenv("TZ", zone, 1) : unsetenv("TZ");
}
#endif

// Sets the machine's zone for one test and restores it afterwards.
class ZoneGuard {
  public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old, hadZone_ = true;
        setZoneVariable(zone);
        tzset();
    }
    ~ZoneGuard() {
        setZoneVariable(hadZone_ ? saved_.c_str() : nullptr);
        tzset();
    }

  private:
    std::string saved_;
    bool hadZone_ = false;
};

// 2001-09-09 01:46:40 UTC.
constexpr std::time_t kBillion = 1000000000;

TEST(TimeText, TextsOfTheClock) {
    ZoneGuard zone("JST-9");
    FakeClock clock(kBillion);
    EXPECT_EQ(timeText(clock), "2001/09/09 10:46:40");
    EXPECT_EQ(compactTimeText(clock), "20010909104640");
    EXPECT_EQ(timeTextFromFileTime(fileTimeFromUnix(kBillion)), "2001/09/09 10:46:40");
    // Short years are padded; fields beyond their digits are written whole.
    std::tm early{};
    early.tm_year = 5 - 1900;
    early.tm_mday = 1;
    EXPECT_EQ(timeText(early), "0005/01/01 00:00:00");
    std::tm late = early;
    late.tm_year = 12345 - 1900;
    late.tm_sec = -1;
    EXPECT_EQ(timeText(late), "12345/01/01 00:00:-1");
}

TEST(TimeText, DateTextToFileTimeUsesLocalTime) {
    {
        ZoneGuard zone("UTC0");
        EXPECT_EQ(fileTimeFromDateText("2001/09/09 01:46:40"), fileTimeFromUnix(kBillion));
    }
    ZoneGuard zone("JST-9");
    FileTime time = fileTimeFromDateText("2001/09/09 10:46:40");
    EXPECT_EQ(time, fileTimeFromUnix(kBillion));
    EXPECT_EQ(timeTextFromFileTime(time), "2001/09/09 10:46:40");
    // Out-of-range fields carry over.
    EXPECT_EQ(fileTimeFromDateText("2001/09/08 34:46:40"), time);
}

TEST(TimeText, DateTextFallsBackToHttpDates) {
    ZoneGuard zone("JST-9");
    // GMT plus the fixed 9 hours, read as Japan's local time: the same instant.
    EXPECT_EQ(fileTimeFromDateText("Sun, 09 Sep 2001 01:46:40 GMT"), fileTimeFromUnix(kBillion));
    EXPECT_EQ(fileTimeFromDateText("1899/01/01 00:00:00"),
              fileTimeFromDateText("2000/01/01 00:00:00"));
}

TEST(TimeText, HttpDates) {
    EXPECT_EQ(timeTextFromHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), "1994/11/06 17:49:37");
    EXPECT_EQ(timeTextFromHttpDate("06 nov 1994 08:49:37 GMT"), "1994/11/06 17:49:37");
    EXPECT_EQ(timeTextFromHttpDate("Sunday, 06-Nov-94 08:49:37 GMT"), "2000/11/06 17:49:37");
    EXPECT_EQ(timeTextFromHttpDate("Sun, 06 Nov 1994 08:49:37 PST"), "1994/11/06 08:49:37");
    // The 9 hours roll over into the next day, month and year.
    EXPECT_EQ(timeTextFromHttpDate("Mon, 31 Dec 2035 20:00:00 GMT"), "2036/01/01 05:00:00");
    EXPECT_EQ(timeTextFromHttpDate("Thu, 28 Feb 2036 23:00:00 GMT"), "2036/02/29 08:00:00");
    // Unknown month and day out of range become 1.
    EXPECT_EQ(timeTextFromHttpDate("Sun, 45 Foo 1994 08:49:37"), "1994/01/01 08:49:37");
    EXPECT_EQ(timeTextFromHttpDate(""), "2000/01/01 00:00:00");
    // Absurd fields give some date, never an overflow.
    EXPECT_GE(timeTextFromHttpDate("x, 1 Jan 2000 99999999999999:0:0").size(), 19u);
}

// The reader of many texts gives what the single reading gives, also around the
// changes of a zone with summer time, where a local time is missing or there twice.
TEST(TimeText, DateTextReaderAgreesWithTheSingleReading) {
    ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    DateTextReader reader;
    const char* texts[] = {
        "2021/03/28 01:59:59", "2021/03/28 02:30:00",          "2021/03/28 03:00:00",
        "2021/10/31 01:59:59", "2021/10/31 02:30:00",          "2021/10/31 03:00:00",
        "2021/07/01 12:34:56", "2021/07/01 12:00:01",          "2020/02/29 23:59:59",
        "2021/02/29 10:00:00", "2021/07/01 24:00:00",          "1969/12/31 23:59:59",
        "2021/7/1 12:34:56",   "Thu, 01 Jul 2021 12:34:56 GMT"};
    for (int round = 0; round < 2; ++round) {
        for (const char* text : texts)
            EXPECT_EQ(reader.read(text), fileTimeFromDateText(text)) << text;
    }
}

}  // namespace
}  // namespace qv

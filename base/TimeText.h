// Time texts of logs, file names, settings and the wire, and their conversion to file
// times.
//
//   timeText         "%04d/%02d/%02d %02d:%02d:%02d"  (logs, history, WAN_LASTDATE,
//                                                       file dates; 19 characters)
//   compactTimeText  "%04d%02d%02d%02d%02d%02d"        (stamps and seeds)
//
// Local time is the machine's zone (TZ). HTTP dates are moved by a fixed +9 hours
// when they are in GMT, as the program has always shown them in Japan's time.
//
// Pure functions over their arguments (the Clock variants read the given clock);
// callable from any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/FileTime.h"

namespace qv {

class Clock;

std::string timeText(const std::tm& time);
std::string compactTimeText(const std::tm& time);

// The texts of the clock's current local time.
std::string timeText(Clock& clock);
std::string compactTimeText(Clock& clock);

// A file time (UTC) as the local-time text "%Y/%m/%d %H:%M:%S".
std::string timeTextFromFileTime(FileTime time);

// A date text to a UTC file time. The text is split at "/", " ", tab and ":" into
// year, month, day, hour, minute and second of a local time (missing or non-numeric
// fields read as 0; out-of-range fields carry over as in mktime). When its first
// four characters are not a year from 1900 to 9999 it is read as an HTTP date first.
// A text that gives no representable time yields 0.
FileTime fileTimeFromDateText(std::string_view text);

// fileTimeFromDateText for many texts in a row (the records of one Pack): the local
// zone's offset is looked up once per hour of the calendar, not once per text (mktime
// consults the zone's file every time). A text that is not a plain, in-range
// "%Y/%m/%d %H:%M:%S", or whose local time does not exist or is ambiguous around a
// change of the zone's offset, goes through fileTimeFromDateText. The results are
// fileTimeFromDateText's. One object per thread; the zone must not change meanwhile.
class DateTextReader {
  public:
    FileTime read(std::string_view text);

  private:
    // Local minus UTC seconds of each hour read, none for an hour near a change.
    std::unordered_map<std::int64_t, std::optional<std::int64_t>> offsetOfHour_;
};

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT") as "%Y/%m/%d %H:%M:%S", moved
// forward by 9 hours when the zone is "GMT". A year outside 1970-2036 becomes 2000, a
// month name that is not "Jan".."Dec" (any letter case) becomes 1, a day outside 1-31
// becomes 1; hours, minutes and seconds out of their range carry over.
std::string timeTextFromHttpDate(std::string_view text);

}  // namespace qv

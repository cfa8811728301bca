// Calendar date and time in local time, and the fixed text forms the program writes.
#pragma once

#include <string>

namespace kelvantori {

struct LocalDateTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const LocalDateTime&) const = default;
};

// "yyyy/mm/dd hh:mm:ss": the transfer log.
std::string FormatLogTime(const LocalDateTime& t);
// "YYYY-MM-DD HH:NN:SS": the file list stores, the detail line and the file information.
std::string FormatListTime(const LocalDateTime& t);
// "YY-MM-DD HH:NN": list lines (characters 3..16 of the list form).
std::string FormatShortTime(const LocalDateTime& t);

// True when the six fields name a real calendar moment (31 February is not one) in the years
// 1..9999.
bool IsValidDateTime(const LocalDateTime& t);

// Gregorian leap years: every fourth year, but not the full centuries except every fourth one.
bool IsLeapYear(int year);
// 28..31, or 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

}  // namespace kelvantori

// The fixed date and time texts of the log, the file list and the file information.
#include "core/DateTime.h"

#include <cstdio>

namespace kelvantori {

namespace {

// Years are written with at least four digits; a year beyond 9999 keeps all its digits.
std::string Text(const char* buffer, int length) {
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string FormatLogTime(const LocalDateTime& t) {
    char b[96];
    return Text(b, std::snprintf(b, sizeof b, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month,
                                 t.day, t.hour, t.minute, t.second));
}

std::string FormatListTime(const LocalDateTime& t) {
    char b[96];
    return Text(b, std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month,
                                 t.day, t.hour, t.minute, t.second));
}

std::string FormatShortTime(const LocalDateTime& t) {
    // The two last digits of the year, as characters 3..4 of the four-digit form.
    const int year = t.year < 0 ? -t.year : t.year;
    char b[96];
    return Text(b, std::snprintf(b, sizeof b, "%02d-%02d-%02d %02d:%02d", year % 100, t.month,
                                 t.day, t.hour, t.minute));
}

bool IsValidDateTime(const LocalDateTime& t) {
    if (t.year < 1 || t.year > 9999)
        return false;
    if (t.month < 1 || t.month > 12)
        return false;
    if (t.day < 1 || t.day > DaysInMonth(t.year, t.month))
        return false;
    if (t.hour < 0 || t.hour > 23)
        return false;
    if (t.minute < 0 || t.minute > 59)
        return false;
    return t.second >= 0 && t.second <= 59;
}

}  // namespace kelvantori

// File time stamps <-> local calendar time through the C library's time zone rules (TZ).
#include <ctime>

#include "platform/LocalTime.h"

namespace kelvantori {

namespace {

LocalDateTime FromTm(const std::tm& tm) {
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

}  // namespace

std::optional<LocalDateTime> ToLocalTime(std::int64_t secondsSinceEpoch) {
    const auto t = static_cast<std::time_t>(secondsSinceEpoch);
    if (static_cast<std::int64_t>(t) != secondsSinceEpoch)
        return std::nullopt;
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return std::nullopt;
    return FromTm(tm);
}

std::optional<std::int64_t> FromLocalTime(const LocalDateTime& t) {
    // mktime would quietly carry 31 February into March; fields out of their ranges are refused
    // here, and a day past the month's end is caught below by comparing what mktime made of it.
    if (!InRange(t.year, 1, 9999) || !InRange(t.month, 1, 12) || !InRange(t.day, 1, 31) ||
        !InRange(t.hour, 0, 23) || !InRange(t.minute, 0, 59) || !InRange(t.second, 0, 59)) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;  // let the zone rules decide whether summer time applies
    // -1 is also a real moment (one second before 1970 UTC), so failure is told by tm_wday,
    // which mktime sets only when it succeeds.
    tm.tm_wday = -1;
    const std::time_t result = std::mktime(&tm);
    if (tm.tm_wday < 0)
        return std::nullopt;
    // A day past the end of its month, or a clock time skipped when summer time begins, comes
    // back normalised to another time: such fields name no real local moment.
    if (FromTm(tm) != t)
        return std::nullopt;
    return static_cast<std::int64_t>(result);
}

LocalDateTime LocalNow() {
    const auto now = ToLocalTime(static_cast<std::int64_t>(std::time(nullptr)));
    return now.value_or(LocalDateTime{});
}

}  // namespace kelvantori

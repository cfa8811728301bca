// Conversions between file time stamps (seconds since 1970 UTC) and local calendar time.
#pragma once

#include <cstdint>
#include <optional>

#include "core/DateTime.h"

namespace kelvantori {

std::optional<LocalDateTime> ToLocalTime(std::int64_t secondsSinceEpoch);
// nullopt when the fields do not name a real local moment.
std::optional<std::int64_t> FromLocalTime(const LocalDateTime& t);
LocalDateTime LocalNow();

}  // namespace kelvantori

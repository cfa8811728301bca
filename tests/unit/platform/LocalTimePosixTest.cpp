// Local time conversions under fixed time zones (TZ set for the test and restored).
#include <gtest/gtest.h>

#include <ctime>

#include "platform/LocalTime.h"
#include "support/ScopedEnv.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;

// Central European rules written out, so the test needs no zone database: summer time from
// the last Sunday of March 02:00 to the last Sunday of October 03:00.
constexpr const char* kEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST(LocalTime, BothWaysAndFieldsThatNameNoMoment) {
    const struct {
        const char* zone;
        LocalDateTime local;
        std::optional<std::int64_t> seconds;
    } cases[] = {
        {"JST-9", {1970, 1, 1, 9, 0, 0}, 0},
        {"UTC0", {1969, 12, 31, 23, 59, 59}, -1},  // before 1970 is no error
        {"JST-9", {2005, 2, 28, 12, 34, 56}, 1109561696},
        {kEurope, {2005, 7, 1, 14, 0, 0}, 1120219200},
        {kEurope, {2021, 3, 28, 3, 30, 0}, 1616895000},
        {"UTC0", {2100, 1, 1, 0, 0, 0}, 4102444800},
        {kEurope, {2021, 3, 28, 2, 30, 0}, std::nullopt},  // skipped when summer time begins
        {"JST-9", {2005, 2, 29, 0, 0, 0}, std::nullopt},
        {"JST-9", {2005, 13, 1, 0, 0, 0}, std::nullopt},
        {"JST-9", {2005, 1, 1, 24, 0, 0}, std::nullopt},
        {"JST-9", {2005, 1, 1, 0, 0, -1}, std::nullopt}};
    for (const auto& c : cases) {
        const ScopedEnv tz("TZ", c.zone);
        const auto seconds = FromLocalTime(c.local);
        EXPECT_EQ(seconds, c.seconds) << c.zone << " " << c.local.year << "-" << c.local.month;
        if (c.seconds) {
            EXPECT_EQ(ToLocalTime(*c.seconds), c.local) << *c.seconds;
        }
    }
}

TEST(LocalTime, RoundTripsEveryHourOfAYearAndTheRepeatedHour) {
    const ScopedEnv tz("TZ", kEurope);
    for (std::int64_t s = 1609459200; s < 1640995200; s += 3600 + 17) {
        const auto local = ToLocalTime(s);
        ASSERT_TRUE(local);
        const auto back = FromLocalTime(*local);
        ASSERT_TRUE(back) << s;
        // In the repeated hour either of the two moments is a right answer.
        EXPECT_TRUE(*back == s || *back == s - 3600 || *back == s + 3600) << s;
        EXPECT_EQ(ToLocalTime(*back), local);
    }
}

TEST(LocalTime, NowIsTheCurrentMoment) {
    const ScopedEnv tz("TZ", "JST-9");
    const auto before = static_cast<std::int64_t>(std::time(nullptr));
    const auto now = FromLocalTime(LocalNow());
    ASSERT_TRUE(now);
    EXPECT_GE(*now, before);
    EXPECT_LE(*now, static_cast<std::int64_t>(std::time(nullptr)));
}

}  // namespace
}  // namespace kelvantori

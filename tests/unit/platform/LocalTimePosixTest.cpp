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
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

struct ToLocalRow {
    const char* name;
    const char* zone;
    std::int64_t seconds;
    LocalDateTime local;
};

class ToLocalTimeRows : public ::testing::TestWithParam<ToLocalRow> {};

TEST_P(ToLocalTimeRows, GivesTheLocalCalendarTime) {
    const ScopedEnv tz("TZ", GetParam().zone);
    EXPECT_EQ(ToLocalTime(GetParam().seconds), GetParam().local);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToLocalTimeRows,
    ::testing::Values(
        ToLocalRow{"EpochInJapan", "JST-9", 0, {1970, 1, 1, 9, 0, 0}},
        ToLocalRow{"EpochInUtc", "UTC0", 0, {1970, 1, 1, 0, 0, 0}},
        ToLocalRow{"BeforeEpochInUtc", "UTC0", -1, {1969, 12, 31, 23, 59, 59}},
        ToLocalRow{"LeapDay2004", "JST-9", 1078052400, {2004, 2, 29, 20, 0, 0}},
        ToLocalRow{"WinterInEurope", kCentralEurope, 1104580800, {2005, 1, 1, 13, 0, 0}},
        ToLocalRow{"SummerInEurope", kCentralEurope, 1120219200, {2005, 7, 1, 14, 0, 0}},
        ToLocalRow{"Past2038", "UTC0", 4102444800, {2100, 1, 1, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FromLocalRow {
    const char* name;
    const char* zone;
    LocalDateTime local;
    std::optional<std::int64_t> seconds;
};

class FromLocalTimeRows : public ::testing::TestWithParam<FromLocalRow> {};

TEST_P(FromLocalTimeRows, GivesTheMomentOrRefusesFieldsThatNameNone) {
    const ScopedEnv tz("TZ", GetParam().zone);
    EXPECT_EQ(FromLocalTime(GetParam().local), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FromLocalTimeRows,
    ::testing::Values(
        FromLocalRow{"EpochInJapan", "JST-9", {1970, 1, 1, 9, 0, 0}, 0},
        FromLocalRow{"OneSecondBeforeEpochIsNotAnError", "JST-9", {1970, 1, 1, 8, 59, 59}, -1},
        FromLocalRow{"OrdinaryDay", "JST-9", {2005, 2, 28, 12, 34, 56}, 1109561696},
        FromLocalRow{"LeapDay", "JST-9", {2004, 2, 29, 0, 0, 0}, 1077980400},
        FromLocalRow{"February31", "JST-9", {2005, 2, 31, 0, 0, 0}, std::nullopt},
        FromLocalRow{"February29InCommonYear", "JST-9", {2005, 2, 29, 0, 0, 0}, std::nullopt},
        FromLocalRow{"April31", "JST-9", {2005, 4, 31, 0, 0, 0}, std::nullopt},
        FromLocalRow{"Month13", "JST-9", {2005, 13, 1, 0, 0, 0}, std::nullopt},
        FromLocalRow{"Month0", "JST-9", {2005, 0, 1, 0, 0, 0}, std::nullopt},
        FromLocalRow{"Day0", "JST-9", {2005, 1, 0, 0, 0, 0}, std::nullopt},
        FromLocalRow{"Hour24", "JST-9", {2005, 1, 1, 24, 0, 0}, std::nullopt},
        FromLocalRow{"Minute60", "JST-9", {2005, 1, 1, 0, 60, 0}, std::nullopt},
        FromLocalRow{"Second60", "JST-9", {2005, 1, 1, 0, 0, 60}, std::nullopt},
        FromLocalRow{"NegativeSecond", "JST-9", {2005, 1, 1, 0, 0, -1}, std::nullopt},
        FromLocalRow{"SummerTimeApplied", kCentralEurope, {2005, 7, 1, 14, 0, 0}, 1120219200},
        FromLocalRow{"SkippedHourWhenSummerTimeBegins",
                     kCentralEurope,
                     {2021, 3, 28, 2, 30, 0},
                     std::nullopt},
        FromLocalRow{"HourAfterTheGap", kCentralEurope, {2021, 3, 28, 3, 30, 0}, 1616895000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FromLocalTime, RepeatedHourWhenSummerTimeEndsNamesOneOfItsMoments) {
    const ScopedEnv tz("TZ", kCentralEurope);
    // 02:30 on 31 October 2021 happens twice: 00:30 UTC (summer) and 01:30 UTC (winter).
    const auto seconds = FromLocalTime({2021, 10, 31, 2, 30, 0});
    ASSERT_TRUE(seconds);
    EXPECT_TRUE(*seconds == 1635640200 || *seconds == 1635643800) << *seconds;
    EXPECT_EQ(ToLocalTime(*seconds), (LocalDateTime{2021, 10, 31, 2, 30, 0}));
}

TEST(FromLocalTime, RoundTripsEveryHourOfAYear) {
    const ScopedEnv tz("TZ", kCentralEurope);
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

TEST(LocalNow, IsTheCurrentMomentInLocalTime) {
    const ScopedEnv tz("TZ", "JST-9");
    const auto before = static_cast<std::int64_t>(std::time(nullptr));
    const auto now = FromLocalTime(LocalNow());
    const auto after = static_cast<std::int64_t>(std::time(nullptr));
    ASSERT_TRUE(now);
    EXPECT_GE(*now, before);
    EXPECT_LE(*now, after);
}

}  // namespace
}  // namespace kelvantori

#include "comm/RemainingTime.h"

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

using std::chrono::seconds;

struct CountCase {
    std::int64_t bytes;
    const char* text;
};

class FormatByteCountTest : public testing::TestWithParam<CountCase> {};

TEST_P(FormatByteCountTest, GroupsThousandsWithCommas) {
    EXPECT_EQ(FormatByteCount(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Counts, FormatByteCountTest,
                         testing::Values(CountCase{0, "0"}, CountCase{7, "7"},
                                         CountCase{999, "999"}, CountCase{1000, "1,000"},
                                         CountCase{100000, "100,000"},
                                         CountCase{1234567, "1,234,567"},
                                         CountCase{12345678901LL, "12,345,678,901"},
                                         CountCase{-1234, "-1,234"}));

struct TextCase {
    const char* name;
    std::int64_t bytes;
    std::int64_t seconds;
    const char* text;
};

class RemainingTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(RemainingTextTest, ShowsBytesAndTheTimeInItsForm) {
    EXPECT_EQ(RemainingText(GetParam().bytes, GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RemainingTextTest,
    testing::Values(TextCase{"NoEstimateYet", 5000, 0, "残り 5,000ﾊﾞｲﾄ(約 0秒)"},
                    TextCase{"Seconds", 12, 59, "残り 12ﾊﾞｲﾄ(約 59秒)"},
                    TextCase{"MinuteExactly", 100, 60, "残り 100ﾊﾞｲﾄ(約 1分00秒)"},
                    TextCase{"MinutesAndSeconds", 100000, 229, "残り 100,000ﾊﾞｲﾄ(約 3分49秒)"},
                    TextCase{"LastMinuteForm", 1, 3599, "残り 1ﾊﾞｲﾄ(約 59分59秒)"},
                    TextCase{"HourExactly", 1, 3600, "残り 1ﾊﾞｲﾄ(約 1時00分)"},
                    TextCase{"HoursAndMinutes", 2000000, 3 * 3600 + 5 * 60 + 59,
                             "残り 2,000,000ﾊﾞｲﾄ(約 3時05分)"},
                    TextCase{"ManyHours", 9, 123 * 3600, "残り 9ﾊﾞｲﾄ(約 123時00分)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RemainingTimeTest, BytesAloneAtTheStartAndTheEnd) {
    EXPECT_EQ(RemainingBytesText(4360), "残り 4,360ﾊﾞｲﾄ");
    EXPECT_EQ(RemainingBytesText(0), "残り 0ﾊﾞｲﾄ");
}

TEST(RemainingTimeTest, FortyEightHundredBaudExampleGives229Seconds) {
    // 4800 bit/s, 11 bits a character: about 4360 bytes in 10 s, 100000 bytes left.
    RemainingTime estimate;
    estimate.Reset(104360);
    estimate.SentBytes = 4360;
    estimate.Tick();
    EXPECT_EQ(estimate.RemainSeconds, 229);
    EXPECT_EQ(estimate.LastSentBytes, 4360);
    EXPECT_EQ(estimate.Text(), "残り 100,001ﾊﾞｲﾄ(約 3分49秒)");
}

struct TickCase {
    const char* name;
    std::int64_t last;
    std::int64_t sent;
    std::int64_t remainAfter;  // RemainSeconds after the tick, from 77 before it
    std::int64_t lastAfter;
};

class RemainingTickTest : public testing::TestWithParam<TickCase> {};

TEST_P(RemainingTickTest, UpdatesOnlyOnRealProgress) {
    RemainingTime estimate;
    estimate.Reset(10000);
    estimate.RemainSeconds = 77;
    estimate.LastSentBytes = GetParam().last;
    estimate.SentBytes = GetParam().sent;
    estimate.Tick();
    EXPECT_EQ(estimate.RemainSeconds, GetParam().remainAfter);
    EXPECT_EQ(estimate.LastSentBytes, GetParam().lastAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, RemainingTickTest,
    testing::Values(TickCase{"NoProgress", 500, 500, 77, 500},
                    TickCase{"TenBytesIsTooLittle", 500, 510, 77, 500},
                    TickCase{"ElevenBytesCount", 500, 511, (10000 - 511) / 1, 511},
                    TickCase{"NegativeProgressLeavesIt", 900, 100, 77, 900},
                    TickCase{"IntegerRate", 0, 1999, (10000 - 1999) / 199, 1999}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RemainingTimeTest, TicksEveryTenSecondsOnlyWhileRunning) {
    RemainingTime estimate;
    estimate.Reset(100000);
    estimate.TickIfDue(seconds(100));  // not started: nothing
    EXPECT_EQ(estimate.RemainSeconds, 0);

    estimate.Start(seconds(100));
    estimate.SentBytes = 5000;
    estimate.TickIfDue(seconds(109));
    EXPECT_EQ(estimate.RemainSeconds, 0);
    estimate.TickIfDue(seconds(110));
    EXPECT_EQ(estimate.RemainSeconds, (100000 - 5000) / 500);

    estimate.SentBytes = 6000;
    estimate.TickIfDue(seconds(119));
    EXPECT_EQ(estimate.LastSentBytes, 5000);
    estimate.TickIfDue(seconds(120));
    EXPECT_EQ(estimate.LastSentBytes, 6000);
    EXPECT_EQ(estimate.RemainSeconds, (100000 - 6000) / 100);

    estimate.Stop();
    estimate.SentBytes = 9000;
    estimate.TickIfDue(seconds(200));
    EXPECT_EQ(estimate.LastSentBytes, 6000);
}

}  // namespace
}  // namespace kelvantori

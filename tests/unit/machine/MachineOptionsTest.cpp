#include "machine/MachineOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvantori::machine {
namespace {

using namespace std::chrono_literals;

MachineOptions Parse(const std::vector<std::string>& args) {
    const OptionsResult result = ParseMachineOptions(args);
    EXPECT_TRUE(result.options.has_value()) << result.error;
    return result.options.value_or(MachineOptions{});
}

TEST(MachineOptionsTest, ReadsEveryValueOption) {
    const MachineOptions o = Parse({"--code",
                                    "eia",
                                    "--start=percent",
                                    "--start-repeat",
                                    "250",
                                    "--buffer",
                                    "128",
                                    "--high",
                                    "100",
                                    "--low",
                                    "20",
                                    "--drain",
                                    "45.5",
                                    "--dc3",
                                    "13",
                                    "--baud",
                                    "4800",
                                    "--format",
                                    "7E2",
                                    "--store",
                                    "/tmp/in",
                                    "--raw",
                                    "/tmp/raw",
                                    "--punch",
                                    "/tmp/p.NC",
                                    "--leader",
                                    "50",
                                    "--leader-char",
                                    "del",
                                    "--cps",
                                    "100",
                                    "--delay",
                                    "0",
                                    "--link",
                                    "/tmp/ttyNC",
                                    "--summary",
                                    "/tmp/s.txt",
                                    "--exit-after-idle",
                                    "2000",
                                    "--no-percent",
                                    "--dc4",
                                    "--punch-after-dc1",
                                    "--once",
                                    "--verbose"});
    EXPECT_EQ(o.config.code, MachineCode::Eia);
    EXPECT_EQ(o.config.start, StartSignal::Percent);
    EXPECT_EQ(o.config.startRepeat, 250ms);
    EXPECT_EQ(o.config.flow.capacity, 128u);
    EXPECT_EQ(o.config.flow.high, 100u);
    EXPECT_EQ(o.config.flow.low, 20u);
    EXPECT_DOUBLE_EQ(o.config.flow.drainCps, 45.5);
    EXPECT_EQ(o.config.dc3Byte, 0x13);
    EXPECT_EQ(o.baud, 4800);
    EXPECT_NEAR(o.config.lineCps, 436.36, 0.01);
    EXPECT_EQ(o.storeDir, "/tmp/in");
    EXPECT_EQ(o.rawFile, "/tmp/raw");
    EXPECT_EQ(o.punchFile, "/tmp/p.NC");
    EXPECT_EQ(o.config.punch.leader.count, 50u);
    EXPECT_EQ(o.config.punch.leader.kind, LeaderKind::Delete);
    EXPECT_DOUBLE_EQ(o.config.punchCps, 100.0);
    EXPECT_EQ(o.config.punchDelay, 0ms);
    EXPECT_EQ(o.linkPath, "/tmp/ttyNC");
    EXPECT_EQ(o.summaryFile, "/tmp/s.txt");
    EXPECT_EQ(o.config.exitAfterIdle, 2000ms);
    EXPECT_FALSE(o.config.punch.percentFraming);
    EXPECT_TRUE(o.config.punch.dc4);
    EXPECT_EQ(o.config.punchTrigger, PunchTrigger::Dc1);
    EXPECT_TRUE(o.config.once);
    EXPECT_TRUE(o.verbose);
}

TEST(MachineOptionsTest, MarksFollowTheBufferSizeUnlessGiven) {
    const MachineOptions sized = Parse({"--buffer", "100"});
    EXPECT_EQ(sized.config.flow.high, 88u);
    EXPECT_EQ(sized.config.flow.low, 25u);
    const MachineOptions highOnly = Parse({"--buffer", "100", "--high", "50"});
    EXPECT_EQ(highOnly.config.flow.high, 50u);
    EXPECT_EQ(highOnly.config.flow.low, 25u);
    // No buffer: no marks to check.
    EXPECT_EQ(Parse({"--buffer", "0"}).config.flow.capacity, 0u);
}

TEST(MachineOptionsTest, PunchRateFollowsTheLineUnlessGiven) {
    const MachineOptions paced = Parse({"--baud", "19200", "--format", "8N1"});
    EXPECT_DOUBLE_EQ(paced.config.lineCps, 1920.0);
    EXPECT_DOUBLE_EQ(paced.config.punchCps, 1920.0);
    const MachineOptions fast = Parse({"--baud", "19200", "--cps", "0"});
    EXPECT_DOUBLE_EQ(fast.config.lineCps, 1920.0);
    EXPECT_DOUBLE_EQ(fast.config.punchCps, 0.0);
}

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

class MachineOptionsErrorTest : public testing::TestWithParam<BadCase> {};

TEST_P(MachineOptionsErrorTest, RefusesWithAMessage) {
    const OptionsResult result = ParseMachineOptions(GetParam().args);
    EXPECT_FALSE(result.options.has_value());
    EXPECT_EQ(result.error, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, MachineOptionsErrorTest,
    testing::Values(
        BadCase{"UnknownOption", {"--parity", "odd"}, "不明なオプションです: --parity"},
        BadCase{"PositionalArgument", {"O1234.NC"}, "不明なオプションです: O1234.NC"},
        BadCase{"MissingValue", {"--store"}, "値がありません: --store"},
        BadCase{"UnknownCode", {"--code", "ascii"}, "値が正しくありません: --code ascii"},
        BadCase{"NegativeBuffer", {"--buffer", "-1"}, "値が正しくありません: --buffer -1"},
        BadCase{"NumberWithText", {"--baud", "4800bps"}, "値が正しくありません: --baud 4800bps"},
        BadCase{"BadFormat", {"--format", "8N3"}, "値が正しくありません: --format 8N3"},
        BadCase{"BadDc3", {"--dc3", "11"}, "値が正しくありません: --dc3 11"},
        BadCase{"BadStart", {"--start=xon"}, "値が正しくありません: --start xon"},
        BadCase{"FlagWithValue", {"--once=yes"}, "値を取らないオプションです: --once"},
        BadCase{"LowNotBelowHigh",
                {"--buffer", "64", "--high", "32", "--low", "32"},
                "--low < --high <= --buffer になるように指定してください"},
        BadCase{"HighAboveBuffer",
                {"--buffer", "64", "--high", "65"},
                "--low < --high <= --buffer になるように指定してください"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvantori::machine

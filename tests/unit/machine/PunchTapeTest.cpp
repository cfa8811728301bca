#include "machine/PunchTape.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvantori::machine {
namespace {

using namespace std::chrono_literals;

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values)
        s += static_cast<char>(v);
    return s;
}

PunchSettings Settings(MachineCode code, Leader leader = {}, bool percent = true,
                       bool dc4 = false) {
    return PunchSettings{code, leader, percent, dc4};
}

struct PunchCase {
    const char* name;
    std::vector<std::string> lines;
    PunchSettings settings;
    std::string expected;
    std::size_t dropped;
};

class BuildPunchTapeTest : public testing::TestWithParam<PunchCase> {};

TEST_P(BuildPunchTapeTest, PunchesTheGoldenBytes) {
    const PunchTape tape = BuildPunchTape(ProgramText{GetParam().lines}, GetParam().settings);
    EXPECT_EQ(tape.bytes, GetParam().expected);
    EXPECT_EQ(tape.dropped, GetParam().dropped);
}

// The bytes below are worked out by hand from the code tables: ISO sets bit 7 where the seven
// bits hold an odd number of ones ("O" 0x4F -> 0xCF, "1" 0x31 -> 0xB1, "%" 0x25 -> 0xA5).
INSTANTIATE_TEST_SUITE_P(
    Tapes, BuildPunchTapeTest,
    testing::Values(PunchCase{"IsoWithNulLeaderAndDc4",
                              {"O1", "M30"},
                              Settings(MachineCode::Iso, Leader{3, LeaderKind::Nul, 0}, true, true),
                              Bytes({0x00, 0x00, 0x00, 0xA5, 0x0A, 0xCF, 0xB1, 0x0A, 0x4D, 0x33,
                                     0x30, 0x0A, 0xA5, 0x0A, 0x14}),
                              0},
                    PunchCase{
                        "EiaWithDeleteLeaderAndDc4",
                        {"O1", "M30"},
                        Settings(MachineCode::Eia, Leader{2, LeaderKind::Delete, 0}, true, true),
                        Bytes({0x7F, 0x7F, 0x0B, 0x80, 0x46, 0x01, 0x80, 0x54, 0x13, 0x20, 0x80,
                               0x0B, 0x80, 0x14}),
                        0},
                    PunchCase{"SevenBitUnchanged",
                              {"O1", "G01 X-1.5"},
                              Settings(MachineCode::SevenBit),
                              "%\nO1\nG01 X-1.5\n%\n",
                              0},
                    PunchCase{"IsoSpaceLeader",
                              {"O2"},
                              Settings(MachineCode::Iso, Leader{2, LeaderKind::Space, 0}, false),
                              Bytes({0xA0, 0xA0, 0xCF, 0xB2, 0x0A}),
                              0},
                    PunchCase{"EiaSpaceLeader",
                              {"O2"},
                              Settings(MachineCode::Eia, Leader{2, LeaderKind::Space, 0}, false),
                              Bytes({0x10, 0x10, 0x46, 0x02, 0x80}),
                              0},
                    PunchCase{"LeaderByteGoesAsItIs",
                              {"O2"},
                              Settings(MachineCode::Eia, Leader{1, LeaderKind::Byte, 0xAA}, false),
                              Bytes({0xAA, 0x46, 0x02, 0x80}),
                              0},
                    PunchCase{"FilesOwnPercentLinesGiveWay",
                              {"%", "O1", "M30", "%", ""},
                              Settings(MachineCode::SevenBit),
                              "%\nO1\nM30\n%\n",
                              0},
                    PunchCase{"NoFramingNoPercent",
                              {"%", "O1", "%"},
                              Settings(MachineCode::SevenBit, {}, false),
                              "O1\n",
                              0},
                    PunchCase{"EiaDropsCharactersWithoutForm",
                              {"O1*;a"},
                              Settings(MachineCode::Eia, {}, false),
                              Bytes({0x46, 0x01, 0x80}),
                              3},
                    PunchCase{"EightBitBytesAreNotPunched",
                              {"O3(\x83\xA0)"},
                              Settings(MachineCode::Iso, {}, false),
                              Bytes({0xCF, 0x33, 0x28, 0xA9, 0x0A}),
                              2},
                    PunchCase{"AutoPunchesIso",
                              {"O2"},
                              Settings(MachineCode::Auto, {}, false),
                              Bytes({0xCF, 0xB2, 0x0A}),
                              0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseLeaderCharTest, ReadsTheOptionTexts) {
    EXPECT_EQ(ParseLeaderChar("nul")->kind, LeaderKind::Nul);
    EXPECT_EQ(ParseLeaderChar("space")->kind, LeaderKind::Space);
    EXPECT_EQ(ParseLeaderChar("del")->kind, LeaderKind::Delete);
    const auto byte = ParseLeaderChar("0x7f");
    ASSERT_TRUE(byte.has_value());
    EXPECT_EQ(byte->kind, LeaderKind::Byte);
    EXPECT_EQ(byte->byte, 0x7F);
    EXPECT_EQ(ParseLeaderChar("0xG0"), std::nullopt);
    EXPECT_EQ(ParseLeaderChar("0x100"), std::nullopt);
    EXPECT_EQ(ParseLeaderChar("blank"), std::nullopt);
}

TEST(PunchFeederTest, ReleasesOneByteEveryCharacterTime) {
    PunchFeeder feeder("ABCDEFGHIJ", 10.0);  // one byte per 100 ms
    EXPECT_EQ(feeder.Due(0ms), "");          // not started
    feeder.Start(1s);
    EXPECT_EQ(feeder.Due(1s), "A");
    EXPECT_EQ(feeder.Due(1099ms), "A");
    EXPECT_EQ(feeder.Due(1100ms), "AB");
    feeder.Written(2);
    EXPECT_EQ(feeder.Due(1100ms), "");
    EXPECT_EQ(feeder.NextDue(1100ms), 1200ms);
    EXPECT_EQ(feeder.Due(1350ms), "CD");
    feeder.Written(1);
    EXPECT_EQ(feeder.WrittenCount(), 3u);
}

TEST(PunchFeederTest, Dc3HoldsAndTheHeldTimeIsNotMadeUp) {
    PunchFeeder feeder("ABCDEFGHIJ", 10.0);
    feeder.Start(0ms);
    feeder.Written(feeder.Due(250ms).size());  // A, B, C
    feeder.Hold();
    EXPECT_EQ(feeder.Due(5s), "");
    EXPECT_EQ(feeder.NextDue(5s), std::nullopt);
    feeder.Resume(5s);
    // One byte at once, then one per 100 ms again: no burst for the five seconds held.
    EXPECT_EQ(feeder.Due(5s), "D");
    EXPECT_EQ(feeder.Due(5150ms), "DE");
}

TEST(PunchFeederTest, WithoutRateEverythingIsDueAtOnce) {
    PunchFeeder feeder("%\nO1\n%\n", 0);
    feeder.Start(0ms);
    EXPECT_EQ(feeder.Due(0ms), "%\nO1\n%\n");
    feeder.Written(3);
    EXPECT_EQ(feeder.Due(0ms), "1\n%\n");
    feeder.Written(100);
    EXPECT_TRUE(feeder.Done());
    EXPECT_EQ(feeder.Due(1s), "");
}

}  // namespace
}  // namespace kelvantori::machine

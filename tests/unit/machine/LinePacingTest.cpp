#include "machine/LinePacing.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvantori::machine {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

struct RateCase {
    const char* name;
    int baud;
    const char* format;
    double cps;
};

class CharactersPerSecondTest : public testing::TestWithParam<RateCase> {};

TEST_P(CharactersPerSecondTest, DividesBaudByTheBitsOfOneCharacter) {
    const auto format = ParseLineFormat(GetParam().format);
    ASSERT_TRUE(format.has_value());
    EXPECT_NEAR(CharactersPerSecond(GetParam().baud, *format), GetParam().cps, 0.005);
}

INSTANTIATE_TEST_SUITE_P(Lines, CharactersPerSecondTest,
                         testing::Values(RateCase{"Baud19200EightNoneOne", 19200, "8N1", 1920.0},
                                         RateCase{"Baud4800SevenEvenTwo", 4800, "7E2", 436.36},
                                         RateCase{"Baud4800EightNoneTwo", 4800, "8,N,2", 436.36},
                                         RateCase{"Baud9600SevenOddOne", 9600, "7O1", 960.0},
                                         RateCase{"Baud2400EightEvenOne", 2400, "8E1", 218.18},
                                         RateCase{"Baud1200SevenNoneOneAndHalf", 1200, "7N1.5",
                                                  126.32},
                                         RateCase{"NoBaudNoRate", 0, "8N1", 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FormatCase {
    const char* name;
    const char* text;
    std::optional<LineFormat> expected;
};

class ParseLineFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(ParseLineFormatTest, ReadsDataBitsParityAndStopBits) {
    EXPECT_EQ(ParseLineFormat(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseLineFormatTest,
    testing::Values(FormatCase{"Compact", "8N1", LineFormat{8, FormatParity::None, 2}},
                    FormatCase{"EvenTwoStop", "7E2", LineFormat{7, FormatParity::Even, 4}},
                    FormatCase{"OddOneAndHalf", "7O1.5", LineFormat{7, FormatParity::Odd, 3}},
                    FormatCase{"WithCommas", "8,N,2", LineFormat{8, FormatParity::None, 4}},
                    FormatCase{"LowerCaseParity", "7e1", LineFormat{7, FormatParity::Even, 2}},
                    FormatCase{"NineDataBits", "9N1", std::nullopt},
                    FormatCase{"UnknownParity", "8M1", std::nullopt},
                    FormatCase{"ThreeStopBits", "8N3", std::nullopt},
                    FormatCase{"Empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinePacerTest, CharactersArriveOneCharacterTimeApart) {
    LinePacer pacer(1000.0);  // 1 ms per character
    const nanoseconds t0 = 5s;
    ASSERT_EQ(pacer.Allowance(t0), 1u);  // an idle line delivers the first character when seen
    EXPECT_EQ(pacer.Took(1, 1, t0), std::vector<nanoseconds>{t0});
    EXPECT_EQ(pacer.Allowance(t0 + 500us), 0u);
    EXPECT_EQ(pacer.NextArrival(t0 + 500us), t0 + 1ms);
    EXPECT_EQ(pacer.Allowance(t0 + 3200us), 3u);
    EXPECT_EQ(pacer.Took(3, 3, t0 + 3200us),
              (std::vector<nanoseconds>{t0 + 1ms, t0 + 2ms, t0 + 3ms}));
    EXPECT_EQ(pacer.Allowance(t0 + 3200us), 0u);
}

TEST(LinePacerTest, ALineThatRanDryBanksNoTime) {
    LinePacer pacer(1000.0);
    pacer.Took(1, 1, 0ms);
    // Two characters waited, three were allowed: the line is idle after them.
    EXPECT_EQ(pacer.Took(2, 3, 3ms), (std::vector<nanoseconds>{1ms, 2ms}));
    // A second later only one character has arrived, not a thousand.
    EXPECT_EQ(pacer.Allowance(1003ms), 1u);
    EXPECT_EQ(pacer.Took(1, 1, 1003ms), std::vector<nanoseconds>{1003ms});
    EXPECT_EQ(pacer.Allowance(1003ms), 0u);
}

TEST(LinePacerTest, AContinuousStreamIsTakenAtTheLineRate) {
    LinePacer pacer(1920.0);
    std::size_t taken = 0;
    for (nanoseconds t = 0ms; t <= 1s; t += 1ms) {
        const std::size_t n = pacer.Allowance(t);
        pacer.Took(n, n, t);  // the kernel always has more than the line allows
        taken += n;
    }
    EXPECT_GE(taken, 1920u);
    EXPECT_LE(taken, 1921u);
}

TEST(LinePacerTest, UnpacedTakesEverythingAtOnce) {
    LinePacer pacer(0);
    EXPECT_FALSE(pacer.Paced());
    EXPECT_EQ(pacer.Allowance(1s), SIZE_MAX);
    EXPECT_EQ(pacer.NextArrival(1s), std::nullopt);
    EXPECT_EQ(pacer.Took(3, 4096, 2s), (std::vector<nanoseconds>{2s, 2s, 2s}));
}

}  // namespace
}  // namespace kelvantori::machine

#include "core/ProgramText.h"

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

struct SplitCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

class SplitProgramLinesTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitProgramLinesTest, SplitsAtEveryLineEndForm) {
    EXPECT_EQ(SplitProgramLines(GetParam().bytes).lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, SplitProgramLinesTest,
    testing::Values(SplitCase{"Empty", "", {}},
                    SplitCase{"CrLf", "%\r\nO1\r\nM30\r\n", {"%", "O1", "M30"}},
                    SplitCase{"LfOnly", "%\nO1\nM30\n", {"%", "O1", "M30"}},
                    SplitCase{"CrOnly", "%\rO1\r", {"%", "O1"}},
                    SplitCase{"NoFinalLineEnd", "O1\r\nM30", {"O1", "M30"}},
                    SplitCase{"BlankLineKept", "A\r\n\r\nB\r\n", {"A", "", "B"}},
                    SplitCase{"TrailingBlankLine", "A\r\n\r\n", {"A", ""}},
                    SplitCase{"LfCrIsTwoEnds", "A\n\rB", {"A", "", "B"}},
                    SplitCase{
                        "BytesKept", std::string("\x93X\0Y\r\n", 6), {std::string("\x93X\0Y", 4)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinProgramLinesTest, WritesCrLfAfterEveryLine) {
    EXPECT_EQ(JoinProgramLines(ProgramText{{"%", "O1", ""}}), "%\r\nO1\r\n\r\n");
    EXPECT_EQ(JoinProgramLines(ProgramText{}), "");
}

TEST(JoinProgramLinesTest, RoundTripsCrLfFiles) {
    const std::string file = "%\r\nO0001(PART)\r\nG01 X10.\r\n\r\nM30\r\n%\r\n";
    EXPECT_EQ(JoinProgramLines(SplitProgramLines(file)), file);
}

}  // namespace
}  // namespace kelvantori

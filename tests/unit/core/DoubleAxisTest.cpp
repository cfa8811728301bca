#include "core/DoubleAxis.h"

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace kelvantori {
namespace {

struct GoldenCase {
    const char* name;
    char axis;
};
void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

class DoubleGoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(DoubleGoldenTest, ConvertsByteExact) {
    const auto& c = GetParam();
    const std::string input = test::ReadFixture(std::string("double/") + c.name + ".input");
    const std::string expected = test::ReadFixture(std::string("double/") + c.name + ".expected");

    MemoryByteReader bytes(input);
    StreamLineSource lines(bytes, 16);
    StringByteSink sink;
    CrLfWriter out(sink, 8);
    const DoubleResult result = DoubleAxisValues(lines, c.axis, out);
    EXPECT_EQ(result.status, DoubleStatus::Done);
    EXPECT_EQ(sink.Bytes(), expected);

    // The file view converted line by line in place gives the same text.
    ProgramText view = SplitProgramLines(input);
    for (auto& line : view.lines)
        ASSERT_TRUE(DoubleAxisLine(line, c.axis));
    EXPECT_EQ(JoinProgramLines(view), expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DoubleGoldenTest,
                         testing::Values(GoldenCase{"examples_x", 'X'}, GoldenCase{"axis_y", 'Y'},
                                         GoldenCase{"exact_decimals", 'X'},
                                         GoldenCase{"spaces", 'X'}, GoldenCase{"lf_only_z", 'Z'},
                                         GoldenCase{"shift_jis_comment", 'X'},
                                         GoldenCase{"arc_centre_i", 'I'}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ValueCase {
    const char* name;
    const char* text;
    const char* doubled;  // nullptr: does not read as a number
};
void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.name;
}

class DoubleDecimalTextTest : public testing::TestWithParam<ValueCase> {};

TEST_P(DoubleDecimalTextTest, DoublesExactlyWithTheWrittenDecimals) {
    const auto& c = GetParam();
    const auto doubled = DoubleDecimalText(c.text);
    if (c.doubled == nullptr) {
        EXPECT_FALSE(doubled.has_value()) << *doubled;
    } else {
        ASSERT_TRUE(doubled.has_value());
        EXPECT_EQ(*doubled, c.doubled);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, DoubleDecimalTextTest,
    testing::Values(
        ValueCase{"Integer", "100", "200"}, ValueCase{"IntegerCarry", "999", "1998"},
        ValueCase{"LeadingZerosDropped", "0010", "20"},
        ValueCase{"EndsInPointGetsOneDecimal", "10.", "20.0"},
        ValueCase{"NoDigitBeforePoint", ".5", "1.0"}, ValueCase{"OneDecimal", "10.5", "21.0"},
        ValueCase{"TwoDecimals", "-1.25", "-2.50"}, ValueCase{"ThreeDecimals", "0.125", "0.250"},
        ValueCase{"FourDecimals", "1.0005", "2.0010"},
        ValueCase{"FiveDecimals", "123456789.12345", "246913578.24690"},
        ValueCase{"TenthIsExact", "0.1", "0.2"},
        ValueCase{"SevenDecimalsKept", "1.2345678", "2.4691356"},
        ValueCase{"CarryIntoWholePart", "0.5", "1.0"},
        ValueCase{"CarryThroughPoint", "9.99999", "19.99998"},
        ValueCase{"NegativeNoWholeDigit", "-.25", "-0.50"},
        ValueCase{"NegativeZeroIsZero", "-0.0", "0.0"}, ValueCase{"Zero", "0", "0"},
        ValueCase{"SurroundingSpacesIgnored", "  7 ", "14"},
        ValueCase{"BeyondDoublePrecision", "12345678901234567890.123", "24691357802469135780.246"},
        ValueCase{"TwoPoints", "1.2.3", nullptr}, ValueCase{"MinusThenSpace", "- 5", nullptr},
        ValueCase{"PointAlone", ".", nullptr}, ValueCase{"MinusPoint", "-.", nullptr},
        ValueCase{"MinusAfterDigits", "5-", nullptr}, ValueCase{"TwoMinus", "--5", nullptr},
        ValueCase{"SpaceInside", "1 2", nullptr}, ValueCase{"Empty", "", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

struct LineCase {
    const char* name;
    std::string line;
    char axis;
    AxisLineStatus status;
    std::string converted;  // the line afterwards
};
void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class DoubleAxisLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(DoubleAxisLineTest, ChangesOnlyTheFirstAxisWord) {
    const auto& c = GetParam();
    std::string line = c.line;
    AxisLineStatus status{};
    EXPECT_EQ(DoubleAxisLine(line, c.axis, &status), c.status != AxisLineStatus::NotANumber);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(line, c.converted);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DoubleAxisLineTest,
    testing::Values(
        LineCase{"AxisX", "G01 X10.5 Y3.", 'X', AxisLineStatus::Doubled, "G01 X21.0 Y3."},
        LineCase{"AxisY", "G01 X10.5 Y3.", 'Y', AxisLineStatus::Doubled, "G01 X10.5 Y6.0"},
        LineCase{"SecondWordOfAxisUntouched", "X1 X2", 'X', AxisLineStatus::Doubled, "X2 X2"},
        LineCase{"FirstLetterWithoutValueStops", "(MAX) X10.", 'X', AxisLineStatus::Unchanged,
                 "(MAX) X10."},
        LineCase{"LowerCaseNotConverted", "x10.", 'X', AxisLineStatus::Unchanged, "x10."},
        LineCase{"NoAxis", "G90 G54", 'X', AxisLineStatus::Unchanged, "G90 G54"},
        LineCase{"MinusAlone", "X-", 'X', AxisLineStatus::Unchanged, "X-"},
        LineCase{"SpacesAlone", "(X AXIS)", 'X', AxisLineStatus::Unchanged, "(X AXIS)"},
        LineCase{"TrailingSpacesKept", "X10  Y5", 'X', AxisLineStatus::Doubled, "X20  Y5"},
        LineCase{"ValueAtLineEnd", "G00 X-1.25", 'X', AxisLineStatus::Doubled, "G00 X-2.50"},
        LineCase{"TwoPointsStop", "X1.2.3", 'X', AxisLineStatus::NotANumber, "X1.2.3"},
        LineCase{"MinusSpaceStops", "X- 5", 'X', AxisLineStatus::NotANumber, "X- 5"},
        LineCase{"PointAloneStops", "X.", 'X', AxisLineStatus::NotANumber, "X."},
        LineCase{"SecondByteOfKanaIsNoLetter", "(\x83X10) X1", 'X', AxisLineStatus::Doubled,
                 "(\x83X10) X2"},
        LineCase{"LeadByteAtLineEnd", "X1\x83", 'X', AxisLineStatus::Doubled, "X2\x83"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DoubleAxisValuesTest, StopsAtAValueThatIsNoNumberAndNamesTheLine) {
    const ProgramText text{{"G01 X1.", "G01 X2.", "G01 X1.2.3 Y0", "G01 X4."}};
    ProgramTextSource lines(text);
    StringByteSink sink;
    CrLfWriter out(sink, 1);
    const DoubleResult result = DoubleAxisValues(lines, 'X', out);
    EXPECT_EQ(result.status, DoubleStatus::NotANumber);
    EXPECT_EQ(result.errorLine, 3u);
    EXPECT_EQ(result.errorValue, "1.2.3");
    EXPECT_EQ(result.changedLines, 2u);
    EXPECT_EQ(sink.Bytes(), "G01 X2.0\r\nG01 X4.0\r\n");

    const ToolReport report = DoubleReport(result, 'X', "A_2.NC");
    EXPECT_EQ(report.title, "中止");
    EXPECT_EQ(report.text,
              "3行目のXの値「1.2.3」は数値として読み取れません。\n変換を中止しました。A_2.NC "
              "は保存していません。");
}

TEST(DoubleAxisValuesTest, DoneMessageNamesAxisAndOutput) {
    EXPECT_EQ(DoubleDoneMessage('X', "A_2.NC"),
              "X軸を２倍に変換しました。\n変換ファイル名は A_2.NCです。");
    const ToolReport report = DoubleReport(DoubleResult{}, 'Z', "B_2.NC");
    EXPECT_EQ(report, (ToolReport{ReportIcon::Information, "完了",
                                  "Z軸を２倍に変換しました。\n変換ファイル名は B_2.NCです。"}));
}

TEST(DoubleAxisTest, AcceptsTheAxisLettersInEitherCase) {
    for (const char c : std::string_view("XYZIJKUVW")) {
        EXPECT_EQ(AxisOfLetter(c), c);
        EXPECT_EQ(AxisOfLetter(static_cast<char>(c - 'A' + 'a')), c);
    }
    for (const char c : std::string_view("AaBCDEFGHLMNOPQRST0-. ")) {
        EXPECT_FALSE(AxisOfLetter(c).has_value()) << c;
    }
}

TEST(DoubleAxisTest, TargetNameIsBaseNameTwoAndMaskExtension) {
    EXPECT_EQ(DoubleTargetName("A.TXT", "*.NC"), "A_2.NC");
    EXPECT_EQ(DoubleTargetName("A.NC", "*.NC"), "A_2.NC");
    EXPECT_EQ(DoubleTargetName("O1234", "*.NC"), "O1234_2.NC");
    EXPECT_EQ(DoubleTargetName("A.B.NC", "*.nc"), "A.B_2.nc");
}

}  // namespace
}  // namespace kelvantori

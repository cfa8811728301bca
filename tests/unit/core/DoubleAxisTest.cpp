// Doubling the values of one axis: golden files for the converted bytes, the exact decimal
// arithmetic, the one word of a line that changes, and the messages.
#include "core/DoubleAxis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "support/TempFolder.h"

namespace kelvantori {
namespace {

TEST(DoubleAxis, FixturesConvertByteExact) {
    const std::map<std::string, char> axes = {
        {"axis_y", 'Y'}, {"lf_only_z", 'Z'}, {"arc_centre_i", 'I'}};  // the others: X
    int cases = 0;
    for (const auto& e : std::filesystem::directory_iterator(KELVANTORI_FIXTURES_DIR "/double")) {
        if (e.path().extension() != ".input")
            continue;
        ++cases;
        const std::string name = e.path().stem().string();
        const char axis = axes.count(name) ? axes.at(name) : 'X';
        const std::string input = test::ReadFixture("double/" + name + ".input");
        const std::string expected = test::ReadFixture("double/" + name + ".expected");
        MemoryByteReader bytes(input);
        StreamLineSource lines(bytes, 16);
        StringByteSink sink;
        CrLfWriter out(sink, 8);
        EXPECT_EQ(DoubleAxisValues(lines, axis, out).status, DoubleStatus::Done) << name;
        EXPECT_EQ(sink.Bytes(), expected) << name;
        // The file view converted line by line in place gives the same text.
        ProgramText view = SplitProgramLines(input);
        for (auto& line : view.lines)
            DoubleAxisLine(line, axis);
        EXPECT_EQ(JoinProgramLines(view), expected) << name;
    }
    EXPECT_EQ(cases, 7);
}

TEST(DoubleAxis, DecimalTextDoublesExactlyWithTheWrittenDecimals) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"100", "200"},
        {"999", "1998"},
        {"0010", "20"},
        {"10.", "20.0"},
        {".5", "1.0"},
        {"-1.25", "-2.50"},
        {"1.0005", "2.0010"},
        {"0.1", "0.2"},
        {"1.2345678", "2.4691356"},
        {"9.99999", "19.99998"},
        {"-.25", "-0.50"},
        {"-0.0", "0.0"},
        {"0", "0"},
        {"  7 ", "14"},
        {"12345678901234567890.123", "24691357802469135780.246"},
        // nothing: the text does not read as a number
        {"1.2.3", ""},
        {"- 5", ""},
        {".", ""},
        {"-.", ""},
        {"5-", ""},
        {"--5", ""},
        {"1 2", ""},
        {"", ""}};
    for (const auto& [text, doubled] : rows)
        EXPECT_EQ(DoubleDecimalText(text).value_or(""), doubled) << text;
}

TEST(DoubleAxis, LineChangesOnlyTheFirstAxisWord) {
    using S = AxisLineStatus;
    const std::vector<std::tuple<std::string, char, S, std::string>> rows = {
        {"G01 X10.5 Y3.", 'Y', S::Doubled, "G01 X10.5 Y6.0"},
        {"X1 X2", 'X', S::Doubled, "X2 X2"},
        {"(MAX) X10.", 'X', S::Unchanged, "(MAX) X10."},  // the first X has no value
        {"x10.", 'X', S::Unchanged, "x10."},
        {"X-", 'X', S::Unchanged, "X-"},
        {"(X AXIS)", 'X', S::Unchanged, "(X AXIS)"},
        {"X10  Y5", 'X', S::Doubled, "X20  Y5"},
        {"G00 X-1.25", 'X', S::Doubled, "G00 X-2.50"},
        {"X1.2.3", 'X', S::NotANumber, "X1.2.3"},
        {"X- 5", 'X', S::NotANumber, "X- 5"},
        {"(\x83X10) X1", 'X', S::Doubled, "(\x83X10) X2"},  // the X is the kana's second byte
        {"X1\x83", 'X', S::Doubled, "X2\x83"}};
    for (const auto& [before, axis, status, after] : rows) {
        std::string line = before;
        S got{};
        EXPECT_EQ(DoubleAxisLine(line, axis, &got), status != S::NotANumber) << before;
        EXPECT_EQ(got, status) << before;
        EXPECT_EQ(line, after);
    }
}

TEST(DoubleAxis, StopsAtAValueThatIsNoNumberAndNamesTheLine) {
    const ProgramText text{{"G01 X1.", "G01 X2.", "G01 X1.2.3 Y0", "G01 X4."}};
    ProgramTextSource lines(text);
    StringByteSink sink;
    CrLfWriter out(sink, 1);
    const DoubleResult result = DoubleAxisValues(lines, 'X', out);
    EXPECT_EQ(result.status, DoubleStatus::NotANumber);
    EXPECT_EQ(sink.Bytes(), "G01 X2.0\r\nG01 X4.0\r\n");
    const ToolReport report = DoubleReport(result, 'X', "A_2.NC");
    EXPECT_EQ(report.title + report.text,
              "中止3行目のXの値「1.2.3」は数値として読み取れません。\n変換を中止しました。A_2.NC "
              "は保存していません。");
    EXPECT_EQ(DoubleReport(DoubleResult{}, 'Z', "B_2.NC"),
              (ToolReport{ReportIcon::Information, "完了",
                          "Z軸を２倍に変換しました。\n変換ファイル名は B_2.NCです。"}));
}

TEST(DoubleAxis, AxisLetterAndTargetName) {
    std::string axes;
    for (const char c : std::string_view("XyZiJkUvWAaBCDGLMNOPRST0-. "))
        axes += AxisOfLetter(c).value_or('_');
    EXPECT_EQ(axes, "XYZIJKUVW__________________");
    EXPECT_EQ(DoubleTargetName("A.TXT", "*.NC") + " " + DoubleTargetName("O1234", "*.NC") + " " +
                  DoubleTargetName("A.B.NC", "*.nc"),
              "A_2.NC O1234_2.NC A.B_2.nc");
}

}  // namespace
}  // namespace kelvantori

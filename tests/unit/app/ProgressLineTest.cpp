// The progress line: display widths of the program's texts, and how the line fits a terminal.
#include "app/cli/ProgressLine.h"

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

struct WidthCase {
    const char* name;
    const char* text;
    std::size_t width;
};

class DisplayWidthTest : public ::testing::TestWithParam<WidthCase> {};

TEST_P(DisplayWidthTest, CountsTerminalColumns) {
    EXPECT_EQ(DisplayWidth(GetParam().text), GetParam().width);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DisplayWidthTest,
    ::testing::Values(WidthCase{"Ascii", "O1234.NC", 8},
                      WidthCase{"KanjiAndKanaAreTwoEach", "送信完了しました。", 18},
                      WidthCase{"FullWidthBracketsAreTwo", "＜＜ 送信中 ＞＞", 16},
                      WidthCase{"HalfWidthKatakanaIsOne", "ﾊﾞｲﾄ", 4},
                      WidthCase{"IdeographicSpaceIsTwo", "送信　　完了", 12},
                      WidthCase{"ControlCharactersTakeNone", "\r\x1b", 0},
                      WidthCase{"BrokenUtf8CountsPerByte", "\xE3\x81", 2}),
    [](const auto& info) { return info.param.name; });

TEST(FitToWidthTest, NeverCutsInsideAWideCharacter) {
    // Five columns end in the middle of the third kanji: it goes whole.
    EXPECT_EQ(FitToWidth("送信完了", 5), "送信");
    EXPECT_EQ(FitToWidth("送信完了", 6), "送信完");
    EXPECT_EQ(FitToWidth("AB", 10), "AB");
}

ProgressView SendView(std::int64_t position, std::int64_t maximum) {
    ProgressView view;
    view.name = "送信名 O1234.NC";
    view.state = "＜＜ 送信中 ＞＞";
    view.remaining = "残り 1,235ﾊﾞｲﾄ(約 3分49秒)";
    view.position = position;
    view.maximum = maximum;
    return view;
}

TEST(ProgressLineTest, WithoutLimitHoldsEveryPartAndAFullBar) {
    EXPECT_EQ(FormatProgressLine(SendView(500, 2000), 0),
              "送信名 O1234.NC  ＜＜ 送信中 ＞＞  残り 1,235ﾊﾞｲﾄ(約 3分49秒)  "
              "[#####---------------] 25%");
}

TEST(ProgressLineTest, BarShrinksThenGoesThenTheTextIsCut) {
    const ProgressView view = SendView(1000, 2000);
    const std::string text = "送信名 O1234.NC  ＜＜ 送信中 ＞＞  残り 1,235ﾊﾞｲﾄ(約 3分49秒)";
    ASSERT_EQ(DisplayWidth(text), 61u);
    struct Row {
        std::size_t columns;
        std::string expected;
    };
    const Row rows[] = {
        {200, text + "  [##########----------] 50%"},
        // 61 + "  [" + 10 + "]" + " 50%" = 79 columns, one less than the terminal.
        {80, text + "  [#####-----] 50%"},
        {78, text + "  [####----] 50%"},
        // No room for the narrowest bar: the share alone.
        {77, text + "  50%"},
        {50, FitToWidth(text, 49)},
    };
    for (const Row& row : rows) {
        const std::string line = FormatProgressLine(view, row.columns);
        EXPECT_EQ(line, row.expected) << row.columns << " columns";
        EXPECT_LT(DisplayWidth(line), row.columns) << "a full line would wrap";
    }
}

TEST(ProgressLineTest, BarStaysInsideItsFrameBeyondTheEnds) {
    EXPECT_NE(FormatProgressLine(SendView(3000, 2000), 0).find("[####################] 100%"),
              std::string::npos);
    EXPECT_NE(FormatProgressLine(SendView(-5, 2000), 0).find("[--------------------] 0%"),
              std::string::npos);
}

TEST(ProgressLineTest, ReceiveShowsLinesInsteadOfABar) {
    ProgressView view;
    view.direction = TransferDirection::Receive;
    view.name = "受信名 自動保存";
    view.state = "＜＜ 受信中 ＞＞";
    view.position = 300;
    view.maximum = 1000;
    view.linesReceived = 1300;
    EXPECT_EQ(FormatProgressLine(view, 0), "受信名 自動保存  ＜＜ 受信中 ＞＞  1,300行");
    view.linesReceived = 0;
    EXPECT_EQ(FormatProgressLine(view, 0), "受信名 自動保存  ＜＜ 受信中 ＞＞");
}

}  // namespace
}  // namespace kelvantori

// The line setting text as the port opening reads it, the offered settings, character times.
#include "core/LineSetting.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace kelvantori {
namespace {

struct ParseRow {
    const char* name;
    const char* text;
    LineSettingError error;
    LineSetting setting;  // checked only when error is None
};
void PrintTo(const ParseRow& row, std::ostream* os) {
    *os << row.name;
}

constexpr auto kOk = LineSettingError::None;

class ParseLineSettingTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseLineSettingTest, Reads) {
    const auto& row = GetParam();
    const auto result = ParseLineSetting(row.text);
    EXPECT_EQ(result.error, row.error) << row.text;
    if (row.error == kOk) {
        EXPECT_EQ(result.setting.speed, row.setting.speed) << row.text;
        EXPECT_EQ(result.setting.dataBits, row.setting.dataBits) << row.text;
        EXPECT_EQ(result.setting.parity, row.setting.parity) << row.text;
        EXPECT_EQ(result.setting.stopBits, row.setting.stopBits) << row.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseLineSettingTest,
    ::testing::Values(
        ParseRow{"Default", "4800,8,N,2", kOk, {4800, 8, Parity::None, StopBits::Two}},
        ParseRow{
            "EightBitsIgnoreEvenLetter", "4800,8,E,2", kOk, {4800, 8, Parity::None, StopBits::Two}},
        ParseRow{"EightBitsIgnoreOddLetter",
                 "14400,8,O,1",
                 kOk,
                 {14400, 8, Parity::None, StopBits::One}},
        ParseRow{"SevenEven", "4800,7,E,2", kOk, {4800, 7, Parity::Even, StopBits::Two}},
        ParseRow{"SevenOdd", "19200,7,O,1", kOk, {19200, 7, Parity::Odd, StopBits::One}},
        ParseRow{"SevenNone", "1200,7,N,1", kOk, {1200, 7, Parity::None, StopBits::One}},
        ParseRow{"StopThreeIsOneAndAHalf",
                 "9600,7,E,3",
                 kOk,
                 {9600, 7, Parity::Even, StopBits::OnePointFive}},
        ParseRow{"StopZeroIsOneAndAHalf",
                 "9600,8,N,0",
                 kOk,
                 {9600, 8, Parity::None, StopBits::OnePointFive}},
        ParseRow{
            "OtherDigitIsTheByteSize", "2400,6,E,1", kOk, {2400, 6, Parity::Even, StopBits::One}},
        // "N" anywhere is the letter chosen, and the stop bits are read two after it.
        ParseRow{
            "NoneWinsOverAnEarlierE", "4800,7,E,N,1", kOk, {4800, 7, Parity::None, StopBits::One}},
        ParseRow{"NothingAfterTheChosenLetter", "4800,7,E,N", LineSettingError::Malformed, {}},
        ParseRow{"BlankBeforeSpeedTolerated",
                 " 4800,8,N,1",
                 kOk,
                 {4800, 8, Parity::None, StopBits::One}},
        ParseRow{"SpeedNotOffered", "38400,8,N,2", LineSettingError::BadSpeed, {}},
        ParseRow{"SpeedZero", "0,8,N,2", LineSettingError::BadSpeed, {}},
        ParseRow{"BadSpeedBeforeBadDataBits", "38400,x,N,2", LineSettingError::BadSpeed, {}},
        ParseRow{"SpeedNotANumber", "abc,8,N,2", LineSettingError::Malformed, {}},
        ParseRow{"SpeedBeyond32Bits", "4294972096,8,N,2", LineSettingError::Malformed, {}},
        ParseRow{"NoComma", "4800", LineSettingError::Malformed, {}},
        ParseRow{"EmptyText", "", LineSettingError::Malformed, {}},
        ParseRow{"NothingAfterComma", "4800,", LineSettingError::Malformed, {}},
        ParseRow{"DataBitsNotADigit", "4800,x,N,2", LineSettingError::Malformed, {}},
        ParseRow{"StopBitsNotANumber", "4800,8,N,x", LineSettingError::Malformed, {}},
        ParseRow{"StopBitsMissing", "4800,8,N", LineSettingError::Malformed, {}},
        ParseRow{"TrailingBlankAfterStopBits", "4800,8,N,2 ", LineSettingError::Malformed, {}},
        // Without any parity letter the stop bits are read from the second character on.
        ParseRow{"NoParityLetter", "4800,8", LineSettingError::Malformed, {}},
        ParseRow{"LowerCaseLetterIsNoLetter", "4800,8,n,2", LineSettingError::Malformed, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OfferedLineSettings, FortyEightInPanelOrder) {
    const auto& offered = OfferedLineSettings();
    ASSERT_EQ(offered.size(), 48U);
    EXPECT_EQ(offered[0], "1200,8,N,1");
    EXPECT_EQ(offered[1], "1200,8,N,2");
    EXPECT_EQ(offered[7], "1200,7,O,2");
    EXPECT_EQ(offered[8], "2400,8,N,1");
    EXPECT_EQ(offered[33], "14400,8,N,2");
    EXPECT_EQ(offered[47], "19200,7,O,2");
}

TEST(OfferedLineSettings, EveryOfferedTextParsesToWhatItSays) {
    const int speeds[] = {1200, 2400, 4800, 9600, 14400, 19200};
    const LineSetting forms[] = {
        {0, 8, Parity::None, StopBits::One}, {0, 8, Parity::None, StopBits::Two},
        {0, 7, Parity::None, StopBits::One}, {0, 7, Parity::None, StopBits::Two},
        {0, 7, Parity::Even, StopBits::One}, {0, 7, Parity::Even, StopBits::Two},
        {0, 7, Parity::Odd, StopBits::One},  {0, 7, Parity::Odd, StopBits::Two},
    };
    const auto& offered = OfferedLineSettings();
    ASSERT_EQ(offered.size(), 48U);
    for (std::size_t i = 0; i < offered.size(); ++i) {
        const auto result = ParseLineSetting(offered[i]);
        ASSERT_EQ(result.error, LineSettingError::None) << offered[i];
        LineSetting expected = forms[i % 8];
        expected.speed = speeds[i / 8];
        EXPECT_EQ(result.setting, expected) << offered[i];
    }
}

TEST(DataBitDigit, CharacterAfterTheFirstComma) {
    EXPECT_EQ(DataBitDigit("4800,8,N,2"), '8');
    EXPECT_EQ(DataBitDigit("4800,7,E,2"), '7');
    EXPECT_EQ(DataBitDigit(",x"), 'x');
    EXPECT_EQ(DataBitDigit("4800"), 0);
    EXPECT_EQ(DataBitDigit("4800,"), 0);
    EXPECT_EQ(DataBitDigit(""), 0);
}

struct TimeRow {
    const char* name;
    LineSetting setting;
    long long nanoseconds;
};
void PrintTo(const TimeRow& row, std::ostream* os) {
    *os << row.name;
}

class CharacterTimeTest : public ::testing::TestWithParam<TimeRow> {};

TEST_P(CharacterTimeTest, Duration) {
    EXPECT_EQ(CharacterTime(GetParam().setting).count(), GetParam().nanoseconds);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CharacterTimeTest,
    ::testing::Values(
        // 1 start + 8 data + 2 stop = 11 bits.
        TimeRow{"EightNoneTwo4800", {4800, 8, Parity::None, StopBits::Two}, 2'291'666},
        TimeRow{"EightNoneOne19200", {19200, 8, Parity::None, StopBits::One}, 520'833},
        // 1 + 7 + parity + 1 = 10 bits.
        TimeRow{"SevenEvenOne9600", {9600, 7, Parity::Even, StopBits::One}, 1'041'666},
        // 1 + 7 + 1 + 1.5 = 10.5 bits.
        TimeRow{
            "SevenOddOneAndAHalf1200", {1200, 7, Parity::Odd, StopBits::OnePointFive}, 8'750'000},
        TimeRow{"SevenNoneTwo14400", {14400, 7, Parity::None, StopBits::Two}, 694'444},
        TimeRow{"NoSpeedNoTime", {0, 8, Parity::None, StopBits::Two}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvantori

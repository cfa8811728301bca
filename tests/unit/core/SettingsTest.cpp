// The settings record on disk: defaults, the kinds of the keys, the written layout, and that an
// installation's files keep everything that is not ours.
#include "core/Settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ReadFixture;

SettingsFiles MainOnly(std::string mainIni) {
    return SettingsFiles{std::move(mainIni), {}};
}

// With no files every key reads its default, and the save writes every key of both tables; the
// golden files were written from the key table.
TEST(Settings, NoFilesGiveDefaultsAndTheSaveWritesEveryKey) {
    const auto loaded = LoadSettings(SettingsFiles{});
    EXPECT_EQ(loaded, Settings{});
    const auto files = SaveSettings(loaded, SettingsFiles{});
    ASSERT_TRUE(files.mainIni && files.outAppIni);
    EXPECT_EQ(*files.mainIni, ReadFixture("settings/fresh-main.expected"));
    EXPECT_EQ(*files.outAppIni, ReadFixture("settings/fresh-outapp.expected"));
}

TEST(Settings, FreshFilesLoadAsTheDefaults) {
    const SettingsFiles files{ReadFixture("settings/fresh-main.expected"),
                              ReadFixture("settings/fresh-outapp.expected")};
    EXPECT_EQ(LoadSettings(files), Settings{});
}

TEST(Settings, ShopFilesKeepEverythingThatIsNotOurs) {
    const SettingsFiles old{ReadFixture("settings/shop-main.input"),
                            ReadFixture("settings/shop-outapp.input")};
    const auto saved = SaveSettings(LoadSettings(old), old);
    // Only InvTime=abc (read as 0) and WinVer=5 (read as true) are rewritten, and the missing
    // keys are added at the end of their sections.
    EXPECT_EQ(saved.mainIni, ReadFixture("settings/shop-main.expected"));
    EXPECT_EQ(saved.outAppIni, ReadFixture("settings/shop-outapp.expected"));
    // A second round changes nothing more.
    EXPECT_EQ(SaveSettings(LoadSettings(saved), saved).mainIni, saved.mainIni);
    EXPECT_EQ(SaveSettings(LoadSettings(saved), saved).outAppIni, saved.outAppIni);
}

TEST(Settings, ShopFilesLoadTheirValuesAsUtf8) {
    const auto s = LoadSettings(SettingsFiles{ReadFixture("settings/shop-main.input"),
                                              ReadFixture("settings/shop-outapp.input")});
    EXPECT_EQ(s.Left, 120);
    EXPECT_EQ(s.Top, 80);
    EXPECT_EQ(s.Port, "COM3");  // not the Port of the foreign [Printer] section
    EXPECT_EQ(s.Speed, "9600,7,E,2");
    EXPECT_EQ(s.DirPath, "D:\\ＮＣデータ\\表");
    EXPECT_EQ(s.Mask, "*.TAP");
    EXPECT_EQ(s.SendMsg1, "（メモ）");
    EXPECT_EQ(s.Code, "N");  // missing: its default
    EXPECT_EQ(s.InvTime, 0);
    EXPECT_EQ(s.ListColumn, 9);  // not validated on load
    EXPECT_EQ(s.StartChar_Type, 3);
    EXPECT_EQ(s.R_Code, 1);
    EXPECT_TRUE(s.WinVer);
    EXPECT_EQ(s.ModemePort1, "COM4");
    EXPECT_EQ(s.EditApp, "C:\\Program Files\\秀丸\\Hidemaru.exe");
    EXPECT_EQ(s.OutApps[0].OutApp, "C:\\Tools\\view.exe");
    EXPECT_EQ(s.OutApps[0].OutApp_F, "N");
    EXPECT_EQ(s.OutApps[0].OutApp_N, "ビューア");
    EXPECT_EQ(s.OutApps[1].OutApp_F, "Y");
    EXPECT_EQ(s.OutApps[25].OutApp_F, "N");
}

struct IntegerCase {
    const char* name;
    const char* stored;  // nullptr: the key is missing
    int loaded;
};

// Row names keep the test list readable.
void PrintTo(const IntegerCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingsInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(SettingsInteger, ReadsDecimalOrTheDefault) {
    const auto& c = GetParam();
    std::string file = "[Options]\r\n";
    if (c.stored)
        file += std::string("ListColumn=") + c.stored + "\r\n";
    EXPECT_EQ(LoadSettings(MainOnly(file)).ListColumn, c.loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsInteger,
    ::testing::Values(IntegerCase{"Plain", "9", 9}, IntegerCase{"Zero", "0", 0},
                      IntegerCase{"Negative", "-5", -5}, IntegerCase{"PlusSign", "+3", 3},
                      IntegerCase{"BlanksAround", "  7 ", 7}, IntegerCase{"Missing", nullptr, 2},
                      IntegerCase{"Empty", "", 2}, IntegerCase{"Letters", "abc", 2},
                      IntegerCase{"TrailingLetters", "12abc", 2},
                      IntegerCase{"InnerBlank", "1 2", 2}, IntegerCase{"Decimal", "2.5", 2},
                      IntegerCase{"Hexadecimal", "0x10", 2}, IntegerCase{"TwoSigns", "+-1", 2},
                      IntegerCase{"SignOnly", "-", 2}, IntegerCase{"TooLarge", "99999999999", 2},
                      IntegerCase{"FullWidthDigit", "\x82\x52", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, InvTimeAbcLoadsAsZero) {
    const auto s = LoadSettings(MainOnly("[Options]\r\nInvTime=abc\r\n"));
    EXPECT_EQ(s.InvTime, 0);
}

TEST(Settings, IntegersAreWrittenInDecimal) {
    Settings s;
    s.InvTime = -250;
    s.ListColumn = 9;
    s.Send_Before = 2;
    const auto saved = SaveSettings(s, MainOnly("[Options]\r\nInvTime=abc\r\n"));
    const auto reread = LoadSettings(saved);
    EXPECT_EQ(reread.InvTime, -250);
    EXPECT_EQ(reread.ListColumn, 9);
    EXPECT_NE(saved.mainIni->find("[Options]\r\nInvTime=-250\r\n"), std::string::npos);
}

struct WinVerCase {
    const char* name;
    const char* stored;
    bool loaded;
    const char* written;
};

void PrintTo(const WinVerCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingsWinVer : public ::testing::TestWithParam<WinVerCase> {};

TEST_P(SettingsWinVer, SurvivesARoundTrip) {
    const auto& c = GetParam();
    const auto old = MainOnly(std::string("[Options]\r\nWinVer=") + c.stored + "\r\n");
    const auto loaded = LoadSettings(old);
    EXPECT_EQ(loaded.WinVer, c.loaded);
    const auto saved = SaveSettings(loaded, old);
    const std::string& text = *saved.mainIni;
    EXPECT_NE(text.find(std::string("\nWinVer=") + c.written + "\r\n"), std::string::npos);
    EXPECT_EQ(text.find("WinVer="), text.rfind("WinVer="));  // one line only
    EXPECT_EQ(LoadSettings(saved).WinVer, c.loaded);
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsWinVer,
                         ::testing::Values(WinVerCase{"One", "1", true, "1"},
                                           WinVerCase{"Zero", "0", false, "0"},
                                           WinVerCase{"HandEditedFive", "5", true, "1"},
                                           WinVerCase{"Negative", "-1", true, "1"},
                                           WinVerCase{"NotAnInteger", "yes", false, "0"},
                                           WinVerCase{"Empty", "", false, "0"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, EveryMissingOutAppFlagReadsN) {
    std::string file = "[Application]\r\n";
    for (char x = 'A'; x <= 'Z'; ++x) {
        file += std::string("OutApp") + x + "=app" + x + ".exe\r\n";
        file += std::string("OutApp") + x + "_N=Name" + x + "\r\n";
    }
    const auto s = LoadSettings(SettingsFiles{{}, file});
    for (int i = 0; i < 26; ++i) {
        const char x = static_cast<char>('A' + i);
        EXPECT_EQ(s.OutApps[i].OutApp, std::string("app") + x + ".exe");
        EXPECT_EQ(s.OutApps[i].OutApp_F, "N") << x;
        EXPECT_EQ(s.OutApps[i].OutApp_N, std::string("Name") + x);
    }
}

TEST(Settings, OutAppKeysLandInTheirOwnLetter) {
    Settings s;
    s.EditApp = "C:\\秀丸\\Hidemaru.exe";
    s.OutApps[2] = OutAppEntry{"calc.exe", "Y", "電卓"};
    s.OutApps[25].OutApp_N = "最後";
    const auto saved = SaveSettings(s, SettingsFiles{});
    const auto reread = LoadSettings(saved);
    EXPECT_EQ(reread, s);
    EXPECT_NE(
        saved.outAppIni->find("OutAppC=calc.exe\r\nOutAppC_F=Y\r\nOutAppC_N=\x93\x64\x91\xEC\r\n"),
        std::string::npos);
}

TEST(Settings, ChangedTextIsWrittenAsCp932) {
    Settings s;
    s.DirPath = "D:\\工具\\ﾌｧｲﾙ";
    s.SendMsg1 = "①～";
    const auto saved = SaveSettings(s, SettingsFiles{});
    EXPECT_NE(saved.mainIni->find("DirPath=D:\\\x8D\x48\x8B\xEF\\\xCC\xA7\xB2\xD9\r\n"),
              std::string::npos);
    EXPECT_NE(saved.mainIni->find("SendMsg1=\x87\x40\x81\x60\r\n"), std::string::npos);
    EXPECT_EQ(LoadSettings(saved).DirPath, s.DirPath);
}

TEST(Settings, UnchangedTextKeepsItsStoredBytes) {
    // 0xED 0x40 is the NEC code of 纊, which would be written back as its IBM code 0xFA 0x5C,
    // and 0x80 is not CP932 at all; neither may change when the user changed nothing.
    const std::string file = "[Setting]\r\nDirPath=D:\\\xED\x40\\\x80X\r\nMask = *.NC \r\n";
    const auto old = MainOnly(file);
    const auto saved = SaveSettings(LoadSettings(old), old);
    EXPECT_EQ(saved.mainIni->substr(0, file.size()), file);
}

TEST(Settings, TextChangedInMemoryReplacesTheStoredBytes) {
    const auto old = MainOnly("[Setting]\r\nDirPath=D:\\\xED\x40\r\n");
    auto s = LoadSettings(old);
    s.DirPath = "D:\\OUT";
    const auto saved = SaveSettings(s, old);
    EXPECT_EQ(saved.mainIni->substr(0, 30), "[Setting]\r\nDirPath=D:\\OUT\r\nPor");
}

TEST(Settings, SaveWritesTheWindowPositionFromTheRecord) {
    Settings s;
    s.Left = -8;  // a window on a second screen to the left
    s.Top = 300;
    const auto saved = SaveSettings(s, SettingsFiles{});
    EXPECT_EQ(saved.mainIni->substr(0, 30), "[Main]\r\nTop=300\r\nLeft=-8\r\n[Set");
    const auto reread = LoadSettings(saved);
    EXPECT_EQ(reread.Left, -8);
    EXPECT_EQ(reread.Top, 300);
}

TEST(Settings, LineBreakInAFieldDoesNotReachAnotherKey) {
    Settings s;
    s.Mask = "*.NC\r\nDirPath=Z:";
    const auto reread = LoadSettings(SaveSettings(s, SettingsFiles{}));
    EXPECT_EQ(reread.DirPath, "C:");
}

}  // namespace
}  // namespace kelvantori

// The settings record and the files it lives in: defaults, the written layout, foreign content
// that must survive, and the history lists of the dialogs.
#include "core/Settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/HistoryList.h"
#include "core/IniDocument.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ReadFixture;
using Lines = std::vector<std::string>;

SettingsFiles MainOnly(const std::string& mainIni) {
    return SettingsFiles{mainIni, {}};
}

std::string Swap(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

// The golden files were written from the key table.
TEST(Settings, NoFilesGiveDefaultsAndTheSaveWritesEveryKey) {
    EXPECT_EQ(LoadSettings(SettingsFiles{}), Settings{});
    const auto files = SaveSettings(Settings{}, SettingsFiles{});
    EXPECT_EQ(files.mainIni, ReadFixture("settings/fresh-main.expected"));
    EXPECT_EQ(files.outAppIni, ReadFixture("settings/fresh-outapp.expected"));
    EXPECT_EQ(LoadSettings(files), Settings{});
}

TEST(Settings, ShopFilesKeepEverythingThatIsNotOurs) {
    const SettingsFiles old{ReadFixture("settings/shop-main.input"),
                            ReadFixture("settings/shop-outapp.input")};
    const auto s = LoadSettings(old);
    EXPECT_EQ(s.Port, "COM3");  // not the Port of the foreign [Printer] section
    EXPECT_EQ(s.DirPath, "D:\\ＮＣデータ\\表");
    EXPECT_EQ(s.SendMsg1, "（メモ）");
    EXPECT_EQ(s.InvTime, 0);  // stored as "abc"
    EXPECT_TRUE(s.WinVer);    // stored as "5"
    EXPECT_EQ(s.EditApp, "C:\\Program Files\\秀丸\\Hidemaru.exe");
    EXPECT_EQ(s.OutApps[0], (OutAppEntry{"C:\\Tools\\view.exe", "N", "ビューア"}));
    // Only InvTime and WinVer are rewritten; missing keys go to the end of their sections.
    const auto saved = SaveSettings(s, old);
    EXPECT_EQ(saved.mainIni, ReadFixture("settings/shop-main.expected"));
    EXPECT_EQ(saved.outAppIni, ReadFixture("settings/shop-outapp.expected"));
    const auto again = SaveSettings(LoadSettings(saved), saved);
    EXPECT_EQ(again.mainIni, saved.mainIni);
    EXPECT_EQ(again.outAppIni, saved.outAppIni);
}

// The last row is a full-width digit.
TEST(Settings, IntegersReadDecimalOrTheDefault) {
    const std::vector<std::pair<const char*, int>> rows = {
        {"9", 9},   {"-5", -5},   {"+3", 3},          {"  7 ", 7},    {"", 2},
        {"abc", 2}, {"12abc", 2}, {"1 2", 2},         {"2.5", 2},     {"0x10", 2},
        {"+-1", 2}, {"-", 2},     {"99999999999", 2}, {"\x82\x52", 2}};
    for (const auto& [stored, loaded] : rows) {
        const auto s = LoadSettings(MainOnly(std::string("[Options]\r\nListColumn=") + stored));
        EXPECT_EQ(s.ListColumn, loaded) << stored;
    }
    EXPECT_EQ(LoadSettings(MainOnly("[Options]\r\nInvTime=abc\r\n")).InvTime, 0);
}

TEST(Settings, WinVerSurvivesARoundTrip) {
    const std::vector<std::tuple<const char*, bool, const char*>> rows = {
        {"1", true, "1"},  {"0", false, "0"},   {"5", true, "1"},
        {"-1", true, "1"}, {"yes", false, "0"}, {"", false, "0"}};
    for (const auto& [stored, loaded, written] : rows) {
        const auto old = MainOnly(std::string("[Options]\r\nWinVer=") + stored + "\r\n");
        const auto s = LoadSettings(old);
        EXPECT_EQ(s.WinVer, loaded) << stored;
        const std::string text = *SaveSettings(s, old).mainIni;
        EXPECT_EQ(text.substr(0, 20), std::string("[Options]\r\nWinVer=") + written + "\r")
            << stored;
        EXPECT_EQ(text.find("WinVer="), text.rfind("WinVer=")) << stored;
    }
}

TEST(Settings, ChangedTextIsWrittenAsCp932IntoItsOwnKey) {
    Settings s;
    s.Left = -8;  // a window on a second screen to the left
    s.Top = 300;
    s.DirPath = "D:\\工具\\ﾌｧｲﾙ";
    s.SendMsg1 = "①～";
    s.OutApps[2] = OutAppEntry{"calc.exe", "Y", "電卓"};
    const auto saved = SaveSettings(s, SettingsFiles{});
    EXPECT_EQ(LoadSettings(saved), s);
    const std::string& main = *saved.mainIni;
    EXPECT_EQ(main.substr(0, 30), "[Main]\r\nTop=300\r\nLeft=-8\r\n[Set");
    EXPECT_NE(main.find("DirPath=D:\\\x8D\x48\x8B\xEF\\\xCC\xA7\xB2\xD9\r\n"), std::string::npos);
    EXPECT_NE(main.find("SendMsg1=\x87\x40\x81\x60\r\n"), std::string::npos);
    EXPECT_NE(
        saved.outAppIni->find("OutAppC=calc.exe\r\nOutAppC_F=Y\r\nOutAppC_N=\x93\x64\x91\xEC\r\n"),
        std::string::npos);
}

TEST(Settings, UnchangedTextKeepsItsStoredBytes) {
    // 0xED 0x40 is the NEC code of 纊, which would be written back as its IBM code 0xFA 0x5C,
    // and 0x80 is not CP932 at all; neither may change when the user changed nothing.
    const std::string file = "[Setting]\r\nDirPath=D:\\\xED\x40\\\x80X\r\nMask = *.NC \r\n";
    const auto kept = SaveSettings(LoadSettings(MainOnly(file)), MainOnly(file));
    EXPECT_EQ(kept.mainIni->substr(0, file.size()), file);
    auto s = LoadSettings(MainOnly(file));
    s.DirPath = "D:\\OUT";
    EXPECT_EQ(SaveSettings(s, MainOnly(file)).mainIni->substr(0, 27),
              "[Setting]\r\nDirPath=D:\\OUT\r\n");
}

// A settings file as an installation leaves it: foreign sections, comments, blank lines and a
// Japanese (CP932) value.
const std::string kShopFile =
    "; Kelvantori settings\r\n[Main]\r\nLeft=120\r\nTop = 80 \r\n\r\n[Vendor]\r\nPort=COM9\r\n"
    "Note=\x8D\x48\x8B\xEF=\x95\x5C\r\n\r\n[Setting]\r\nport=COM2\r\n;Speed=1200,7,E,1\r\n"
    "# DirPath=Z:\r\nDirPath=D:\\NC DATA\r\nSpeed=9600,7,E,2\r\n";

// A key before any section is not read, a section name may have blanks, the first of two equal
// keys wins, and the last line may end in LF or nothing.
const std::string kEdges =
    "Left=1\r\n[ Main ]\r\nLeft=7\r\nLeft=2\r\n[S]\r\n# A=Z:\r\nE=\r\nDC3(0X93)=N\nT=6";

TEST(IniDocument, GetFindsTheTrimmedValueOfItsSectionOnly) {
    const std::vector<std::tuple<std::string, const char*, const char*, std::optional<std::string>>>
        rows = {// clang-format off
            {kShopFile, "Main", "Top", "80"},          {kShopFile, "SETTING", "PORT", "COM2"},
            {kShopFile, "Main", "Port", std::nullopt}, {kShopFile, "Setting", "DirPath", "D:\\NC DATA"},
            {kShopFile, "Setting", ";Speed", std::nullopt},
            {kShopFile, "Vendor", "Note", "\x8D\x48\x8B\xEF=\x95\x5C"},
            {kShopFile, "Options", "op1", std::nullopt}, {kEdges, "Main", "Left", "7"},
            {kEdges, "S", "# A", std::nullopt},        {kEdges, "S", "E", ""},
            {kEdges, "S", "DC3(0X93)", "N"},           {kEdges, "S", "T", "6"}};
    // clang-format on
    for (const auto& [doc, section, key, value] : rows)
        EXPECT_EQ(IniDocument::Parse(doc).Get(section, key), value) << doc << section << key;
    EXPECT_EQ(IniDocument::Parse(kShopFile).Keys("setting"), (Lines{"port", "DirPath", "Speed"}));
}

TEST(IniDocument, SetChangesOnlyItsOwnLine) {
    const std::vector<std::tuple<std::string, const char*, const char*, const char*, std::string>>
        rows = {
            // clang-format off
            {kShopFile, "Setting", "Speed", "4800,8,N,2", Swap(kShopFile, "=9600,7,E,2", "=4800,8,N,2")},
            {kShopFile, "Setting", "Port", "COM3", Swap(kShopFile, "port=COM2", "port=COM3")},
            {kShopFile, "Main", "Mask", "*.NC", Swap(kShopFile, "80 \r\n", "80 \r\nMask=*.NC\r\n")},
            {kShopFile, "Options", "op1", "N", kShopFile + "[Options]\r\nop1=N\r\n"},
            {"[Main]\nLeft=5\n", "Main", "Top", "9", "[Main]\nLeft=5\nTop=9\n"},
            {"[Main]\r\nLeft=5", "Main", "Top", "9", "[Main]\r\nLeft=5\r\nTop=9\r\n"},
            {"[Main]\nLeft=5", "Setting", "Port", "COM1", "[Main]\nLeft=5\n[Setting]\nPort=COM1\n"},
            {"[Main]\r\nLeft=5", "Main", "Left", "6", "[Main]\r\nLeft=6"},
            {"", "Main", "Top", "10", "[Main]\r\nTop=10\r\n"},
            {"[S]\r\n;Port=COM5\r\n", "S", "Port", "COM1", "[S]\r\n;Port=COM5\r\nPort=COM1\r\n"},
            {"[S]\r\nSendMsg1=%\r\n", "S", "SendMsg1", "", "[S]\r\nSendMsg1=\r\n"}};
    // clang-format on
    for (const auto& [before, section, key, value, after] : rows) {
        auto doc = IniDocument::Parse(before);
        doc.Set(section, key, value);
        EXPECT_EQ(doc.Serialize(), after) << before << section << key;
    }
}

TEST(IniDocument, ParseAndSerializeGiveBackTheBytes) {
    for (const std::string& d : {kShopFile, std::string("[Main]\nLeft=1\r\nTop=2\n\n\n"),
                                 std::string("no section at all\r\nx=y"),
                                 std::string("[Bin]\r\nv=\x80\xFF\x00\x01\r\n", 15)})
        EXPECT_EQ(IniDocument::Parse(d).Serialize(), d);
}

TEST(IniDocument, LineBreakInAValueCannotAddAKey) {
    auto doc = IniDocument::Parse("[Setting]\r\nMask=*.NC\r\n");
    doc.Set("Setting", "Mask", "*.NC\r\nDirPath=Z:\\\n");
    EXPECT_EQ(doc.Serialize(), "[Setting]\r\nMask=*.NCDirPath=Z:\\\r\n");
}

Lines Numbered(int from, int to, Lines front = {}) {
    for (int i = from; i <= to; ++i)
        front.push_back("F" + std::to_string(i));
    return front;
}

TEST(HistoryList, MostRecentFirstWithoutDuplicatesUpToTwenty) {
    const std::vector<std::tuple<const char*, Lines, const char*, Lines>> rows = {
        {"into an empty list", {}, "C:\\NC", {"C:\\NC"}},
        {"new entry", {"D:\\A", "D:\\B"}, "C:\\NC", {"C:\\NC", "D:\\A", "D:\\B"}},
        {"same entry twice", {"C:\\NC"}, "C:\\NC", {"C:\\NC"}},
        {"listed entry moves",
         {"D:\\A", "C:\\NC", "D:\\B"},
         "C:\\NC",
         {"C:\\NC", "D:\\A", "D:\\B"}},
        {"only the first later duplicate goes", {"O1", "X", "O1"}, "O1", {"O1", "X", "O1"}},
        {"case-sensitive", {"c:\\nc"}, "C:\\NC", {"C:\\NC", "c:\\nc"}},
        {"exact about blanks", {"O1 "}, "O1", {"O1", "O1 "}},
        {"twenty-first falls off", Numbered(1, 20), "NEW", Numbered(1, 19, {"NEW"})},
        {"listed in a full list", Numbered(1, 20), "F20", Numbered(1, 19, {"F20"})},
        {"long list is cut", Numbered(1, 25), "F3", Numbered(4, 20, {"F3", "F1", "F2"})}};
    for (auto [behaviour, entries, entry, after] : rows) {
        AddToHistory(entries, entry);
        EXPECT_EQ(entries, after) << behaviour;
    }
}

TEST(HistoryList, FileHoldsCp932Lines) {
    std::string many;  // more than twenty lines are all read
    for (const auto& e : Numbered(1, 21))
        many += e + "\n";
    const std::vector<std::pair<std::string, Lines>> rows = {
        {"C:\\NC\r\nD:\\OUT\r\n", {"C:\\NC", "D:\\OUT"}},
        {"C:\\NC\nD:\\OUT", {"C:\\NC", "D:\\OUT"}},
        {"\r\nC:\\NC\r\n\r\n   \r\n D:\\NC DATA \r\n\r\n", {"C:\\NC", " D:\\NC DATA "}},
        {"D:\\\x8D\x48\x8B\xEF\\\x95\x5C\r\n\xCC\xA7\xB2\xD9\r\n", {"D:\\工具\\表", "ﾌｧｲﾙ"}},
        {"", {}},
        {many, Numbered(1, 21)}};
    for (const auto& [bytes, entries] : rows)
        EXPECT_EQ(ParseHistoryList(bytes), entries) << bytes;
    EXPECT_EQ(SerializeHistoryList(
                  {"D:\\工具\\表", "C:\\€", "D:\\¥NC", "", "  ", "X\r\nY", "E:\\〜", "O1*"}),
              "D:\\\x8D\x48\x8B\xEF\\\x95\x5C\r\nO1*\r\n");
}

}  // namespace
}  // namespace kelvantori

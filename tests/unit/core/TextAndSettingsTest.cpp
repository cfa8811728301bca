// Text on the PC side: the CP932 codec, drive path texts, name patterns and the order of the
// file list, date and time texts, and the settings and history files with everything in them
// that is not ours.
#include "core/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/DateTime.h"
#include "core/DrivePath.h"
#include "core/HistoryList.h"
#include "core/IniDocument.h"
#include "core/NamePattern.h"
#include "core/TextCodec.h"
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

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Backslash and tilde stay themselves; the trail byte 0x5C of 表 and ソ is no separator.
TEST(TextCodec, ShopCharactersRoundTripByteExact) {
    const Pairs rows = {// UTF-8, CP932
                        // clang-format off
        {"O1234 G90 X-1.5;", "O1234 G90 X-1.5;"}, {"ﾌｧｲﾙ", "\xCC\xA7\xB2\xD9"},
        {"０１９", "\x82\x4F\x82\x50\x82\x58"},     {"種類 :　", "\x8E\xED\x97\xDE :\x81\x40"},
        {"─", "\x84\x9F"},                         {"～－①髙", "\x81\x60\x81\x7C\x87\x40\xFB\xFC"},
        {"C:\\NC\\O1.NC~", "C:\\NC\\O1.NC~"},     {"表\\ソ", "\x95\x5C\\\x83\x5C"},
        {std::string("A\0\r\n\x7F", 5), std::string("A\0\r\n\x7F", 5)}};
    // clang-format on
    for (const auto& [utf8, cp932] : rows) {
        EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
        EXPECT_EQ(Utf8ToCp932(utf8), cp932) << utf8;
        EXPECT_TRUE(IsCp932Representable(utf8)) << utf8;
    }
}

// The NEC and the IBM code of 纊 read the same.
TEST(TextCodec, EachUndecodableByteBecomesOneReplacementCharacter) {
    const Pairs rows = {
        // CP932, UTF-8
        // clang-format off
        {"A\x80\xA0Z", "A\uFFFD\uFFFDZ"}, {"\xFD\xFE\xFFO1", "\uFFFD\uFFFD\uFFFDO1"},
        {"\x85\x40X", "\uFFFD@X"},        {"\x81 Z", "\uFFFD Z"},
        {"\x81\xFFZ", "\uFFFD\uFFFDZ"},   {"\x80\x95\x5C", "\uFFFD表"},
        {"AB\x81", "AB\uFFFD"},           {"\xED\x40\xFA\x5C", "纊纊"}};
    // clang-format on
    for (const auto& [cp932, utf8] : rows)
        EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << testing::PrintToString(cp932);
    // Longer than one pass of the converter, with a stray byte now and then.
    std::string cp932, expected;
    for (int i = 0; i < 3000; ++i) {
        cp932 += "N" + std::to_string(i) + " (\x8D\x48\x8B\xEF)\r\n" + (i % 97 ? "" : "\xFF");
        expected += "N" + std::to_string(i) + " (工具)\r\n" + (i % 97 ? "" : "\uFFFD");
    }
    EXPECT_EQ(Cp932ToUtf8(cp932), expected);
}

// Not "\" for ¥ nor "~" for ‾: a folder name must not gain a separator. The wave dash has no code
// of its own: its nearest reads back as ～.
TEST(TextCodec, WhatCp932CannotHoldIsAQuestionMark) {
    const Pairs rows = {// UTF-8, CP932
                        // clang-format off
        {"A€B", "A?B"},           {"O1\xF0\x9F\x98\x80.NC", "O1?.NC"}, {"D:\\¥DATA", "D:\\?DATA"},
        {"‾", "?"},               {"A\xF3\xA0\x80\x81" "B", "A?B"},    {"A\x80" "B", "A?B"},
        {"AB\xE3\x81", "AB??"},   {"A\xC0\xAF", "A??"},                {"\xED\xA0\x80", "???"},
        {"〜", "\x81\x60"}};
    // clang-format on
    for (const auto& [utf8, cp932] : rows) {
        EXPECT_EQ(Utf8ToCp932(utf8), cp932) << testing::PrintToString(utf8);
        EXPECT_FALSE(IsCp932Representable(utf8)) << testing::PrintToString(utf8);
    }
}

TEST(DrivePath, FolderNameExtensionAndJoin) {
    const Pairs split = {// path, "folder|name|base|extension"
                         // clang-format off
        {"C:\\NC\\A.NC", "C:\\NC|A.NC|C:\\NC\\A|.NC"},         {"C:\\A.NC", "C:|A.NC|C:\\A|.NC"},
        {"D:\\NC DATA\\O1.TAP", "D:\\NC DATA|O1.TAP|D:\\NC DATA\\O1|.TAP"},
        {"C:A.B.nc", "C:|A.B.nc|C:A.B|.nc"},  {"A.", "|A.|A|."},  {"D:", "D:||D:|"},
        {"C:\\NC\\", "C:\\NC||C:\\NC\\|"},    {"C:\\N.C\\A", "C:\\N.C|A|C:\\N.C\\A|"},
        {"C:\\表\\ソ.NC", "C:\\表|ソ.NC|C:\\表\\ソ|.NC"}};
    // clang-format on
    for (const auto& [path, parts] : split) {
        EXPECT_EQ(DriveFolderOf(path) + "|" + DriveFileNameOf(path) + "|" + FileBaseNameOf(path) +
                      "|" + FileExtensionOf(path),
                  parts);
    }
    EXPECT_EQ(JoinDrivePath("C:", "A.NC") + " " + JoinDrivePath("C:\\", "A.NC") + " " +
                  JoinDrivePath("C:\\NC\\", "A.NC") + " " + JoinDrivePath("D:\\NC DATA", "\\O1") +
                  " " + JoinDrivePath("", "A.NC"),
              "C:\\A.NC C:\\A.NC C:\\NC\\A.NC D:\\NC DATA\\O1 A.NC");
    EXPECT_EQ(std::string({DriveLetterOf("c:\\nc"), DriveLetterOf("Z:"), DriveLetterOf("D"),
                           DriveLetterOf("\\\\server\\share"), DriveLetterOf("1:\\")}),
              std::string("CZ\0\0\0", 5));
    EXPECT_EQ(AsciiUpper("com2 s=ａ.nc 表") + AsciiLower(" Ａ.NC ﾌｧｲﾙ"),
              "COM2 S=ａ.NC 表 Ａ.nc ﾌｧｲﾙ");
}

// "?" takes one whole kana; a lone dot at the end takes only names without a dot.
TEST(NamePattern, WildcardsIgnoreCase) {
    const std::vector<std::tuple<const char*, const char*, bool>> rows = {
        // clang-format off
        {"O12*.NC", "O12.NC", true},   {"O12*.NC", "o1234.nc", true}, {"O12*.NC", "A012.NC", false},
        {"O12*.NC", "O123.NCX", false}, {"O1**.NC", "O10.NC", true},   {"O?.NC", "O5.NC", true},
        {"O?.NC", "O.NC", false},      {"?.NC", "ア.NC", true},       {"*AB*AC", "XABABAC", true},
        {"*AB*AC", "XABABAD", false},  {"*.*", "README", true},       {"O12*.*", "O12", true},
        {"*.NC", "README", false},     {"O*.", "O100", true},         {"O*.", "O100.NC", false},
        {"", "A", false},              {"データ*.NC", "データ1.NC", true}};
    // clang-format on
    for (const auto& [pattern, name, matches] : rows)
        EXPECT_EQ(MatchesNamePattern(pattern, name), matches) << pattern << " " << name;
}

TEST(NamePattern, FileListOrderIsLetterFirstThenCase) {
    std::vector<std::string> names = {"b.nc",  "B.NC", "A.NC",  "a.nc",  "O10.NC", "O1.NC", "O2.NC",
                                      "_X.NC", "1.NC", "ab.nc", "AB.NC", "Ab.nc",  "A",     "aB"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareFileNames(a, b) < 0;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"1.NC", "_X.NC", "A", "a.nc", "A.NC", "aB", "ab.nc",
                                               "Ab.nc", "AB.NC", "b.nc", "B.NC", "O1.NC", "O10.NC",
                                               "O2.NC"}));
}

TEST(DateTime, TextsAndTheCalendar) {
    for (const auto& t :
         {LocalDateTime{2005, 2, 3, 4, 5, 6}, LocalDateTime{987, 12, 31, 23, 59, 59}})
        EXPECT_EQ(FormatLogTime(t) + " " + FormatListTime(t) + " " + FormatShortTime(t),
                  t.year == 2005 ? "2005/02/03 04:05:06 2005-02-03 04:05:06 05-02-03 04:05"
                                 : "0987/12/31 23:59:59 0987-12-31 23:59:59 87-12-31 23:59");
    const std::vector<std::pair<LocalDateTime, bool>> rows = {
        // clang-format off
        {{2004, 2, 29, 0, 0, 0}, true},  {{2005, 2, 29, 0, 0, 0}, false}, {{1900, 2, 29, 0, 0, 0}, false},
        {{2000, 2, 29, 0, 0, 0}, true},  {{2005, 4, 31, 0, 0, 0}, false}, {{2005, 12, 31, 23, 59, 59}, true},
        {{2005, 0, 1, 0, 0, 0}, false},  {{2005, 13, 1, 0, 0, 0}, false}, {{2005, 1, 0, 0, 0, 0}, false},
        {{2005, 1, 1, 24, 0, 0}, false}, {{2005, 1, 1, 0, 60, 0}, false}, {{2005, 1, 1, 0, 0, 60}, false},
        {{2005, 1, 1, 0, 0, -1}, false}, {{0, 1, 1, 0, 0, 0}, false}};
    // clang-format on
    for (const auto& [t, valid] : rows)
        EXPECT_EQ(IsValidDateTime(t), valid) << FormatLogTime(t);
}

}  // namespace
}  // namespace kelvantori

// Text on the PC side: the CP932 codec, drive paths, name patterns and the file list order, and
// the settings and history files with everything in them that is not ours.
#include "core/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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
using Pairs = std::vector<std::pair<std::string, std::string>>;

// Backslash and tilde stay themselves; the trail byte 0x5C of 表 and ソ is no separator. What
// CP932 cannot hold is a "?": not "\\" for ¥ nor "~" for ‾, so that a folder name gains no
// separator. The wave dash has no code of its own: its nearest reads back as ～.
TEST(TextCodec, Utf8ToCp932AndBack) {
    // clang-format off
    // UTF-8, CP932: lossless
    const Pairs rows = {
        {"O1234 G90 X-1.5;", "O1234 G90 X-1.5;"}, {"ﾌｧｲﾙ", "\xCC\xA7\xB2\xD9"},
        {"０１９", "\x82\x4F\x82\x50\x82\x58"},     {"種類 :　", "\x8E\xED\x97\xDE :\x81\x40"},
        {"─", "\x84\x9F"},                         {"～－①髙", "\x81\x60\x81\x7C\x87\x40\xFB\xFC"},
        {"C:\\NC\\O1.NC~", "C:\\NC\\O1.NC~"},     {"表\\ソ", "\x95\x5C\\\x83\x5C"},
        {std::string("A\0\r\n\x7F", 5), std::string("A\0\r\n\x7F", 5)}};
    // UTF-8, CP932: with a loss
    const Pairs lossy = {
        {"A€B", "A?B"},           {"O1\xF0\x9F\x98\x80.NC", "O1?.NC"}, {"D:\\¥DATA", "D:\\?DATA"},
        {"‾", "?"},               {"A\xF3\xA0\x80\x81" "B", "A?B"},    {"A\x80" "B", "A?B"},
        {"AB\xE3\x81", "AB??"},   {"A\xC0\xAF", "A??"},                {"\xED\xA0\x80", "???"},
        {"〜", "\x81\x60"}};
    // clang-format on
    for (const auto& [utf8, cp932] : rows) {
        EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
        EXPECT_EQ(Utf8ToCp932(utf8), cp932) << utf8;
        EXPECT_TRUE(IsCp932Representable(utf8)) << utf8;
    }
    for (const auto& [utf8, cp932] : lossy) {
        EXPECT_EQ(Utf8ToCp932(utf8), cp932) << testing::PrintToString(utf8);
        EXPECT_FALSE(IsCp932Representable(utf8)) << testing::PrintToString(utf8);
    }
}

// The NEC and the IBM code of 纊 read the same.
TEST(TextCodec, EachUndecodableByteBecomesOneReplacementCharacter) {
    // clang-format off
    // CP932, UTF-8
    const Pairs rows = {
        {"A\x80\xA0Z", "A\uFFFD\uFFFDZ"}, {"\xFD\xFE\xFFO1", "\uFFFD\uFFFD\uFFFDO1"},
        {"\x85\x40X", "\uFFFD@X"},        {"\x81 Z", "\uFFFD Z"},
        {"\x81\xFFZ", "\uFFFD\uFFFDZ"},   {"\x80\x95\x5C", "\uFFFD表"},
        {"AB\x81", "AB\uFFFD"},           {"\xED\x40\xFA\x5C", "纊纊"}};
    // clang-format on
    for (const auto& [cp932, utf8] : rows)
        EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << testing::PrintToString(cp932);
    // Longer than one pass of the converter, with a stray byte in every line.
    std::string cp932, expected;
    for (int i = 0; i < 3000; ++i)
        cp932 += "N1 (\x8D\x48\x8B\xEF)\xFF\r\n", expected += "N1 (工具)\uFFFD\r\n";
    EXPECT_EQ(Cp932ToUtf8(cp932), expected);
}

TEST(DrivePath, FolderNameExtensionJoinAndDriveLetter) {
    // clang-format off
    // path, "folder|name|base|extension"
    const Pairs split = {
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
    EXPECT_EQ(JoinDrivePath("C:\\NC\\", "\\A.NC") + " " + JoinDrivePath("", "A.NC"),
              "C:\\NC\\A.NC A.NC");
    EXPECT_EQ(std::string({DriveLetterOf("c:\\nc"), DriveLetterOf("Z:"), DriveLetterOf("D"),
                           DriveLetterOf("\\\\server\\share"), DriveLetterOf("1:\\")}),
              std::string("CZ\0\0\0", 5));
    EXPECT_EQ(AsciiUpper("com2 s=ａ.nc 表") + AsciiLower(" Ａ.NC ﾌｧｲﾙ"),
              "COM2 S=ａ.NC 表 Ａ.nc ﾌｧｲﾙ");
}

// "?" takes one whole kana; a lone dot at the end takes only names without a dot.
TEST(NamePattern, WildcardsIgnoreCaseAndTheListOrderIsLetterFirstThenCase) {
    const std::vector<std::tuple<const char*, const char*, bool>> rows = {
        // clang-format off
        {"O12*.NC", "O12.NC", true},   {"O12*.NC", "o1234.nc", true}, {"O12*.NC", "A012.NC", false},
        {"O12*.NC", "O123.NCX", false}, {"O?.NC", "O.NC", false},     {"?.NC", "ア.NC", true},
        {"*AB*AC", "XABABAC", true},   {"*AB*AC", "XABABAD", false},  {"*.*", "README", true},
        {"O12*.*", "O12", true},       {"O*.", "O100", true},         {"O*.", "O100.NC", false},
        {"", "A", false},              {"データ*.NC", "データ1.NC", true}};
    // clang-format on
    for (const auto& [pattern, name, matches] : rows)
        EXPECT_EQ(MatchesNamePattern(pattern, name), matches) << pattern << " " << name;
    const Lines sorted = {"1.NC",  "_X.NC", "A",    "a.nc", "A.NC",  "aB",     "ab.nc",
                          "Ab.nc", "AB.NC", "b.nc", "B.NC", "O1.NC", "O10.NC", "O2.NC"};
    Lines names(sorted.rbegin(), sorted.rend());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareFileNames(a, b) < 0;
    });
    EXPECT_EQ(names, sorted);
}

SettingsFiles MainOnly(const std::string& mainIni) {
    return SettingsFiles{mainIni, {}};
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
    EXPECT_EQ(s.DirPath + s.SendMsg1, "D:\\ＮＣデータ\\表（メモ）");
    EXPECT_EQ(s.InvTime, 0);  // stored as "abc"
    EXPECT_TRUE(s.WinVer);    // stored as "5"
    EXPECT_EQ(s.EditApp, "C:\\Program Files\\秀丸\\Hidemaru.exe");
    EXPECT_EQ(s.OutApps[0], (OutAppEntry{"C:\\Tools\\view.exe", "N", "ビューア"}));
    // Only InvTime and WinVer are rewritten; missing keys go to the end of their sections.
    const auto saved = SaveSettings(s, old);
    EXPECT_EQ(saved.mainIni, ReadFixture("settings/shop-main.expected"));
    EXPECT_EQ(saved.outAppIni, ReadFixture("settings/shop-outapp.expected"));
    const auto again = SaveSettings(LoadSettings(saved), saved);
    EXPECT_EQ(std::pair(again.mainIni, again.outAppIni), std::pair(saved.mainIni, saved.outAppIni));
}

// Integers are decimal within int, else the default (the last row is a full-width digit);
// WinVer is true for any integer but 0 and is written back as 1 or 0.
TEST(Settings, IntegersWinVerAndTextAreReadAndWrittenByTheirKind) {
    const std::vector<std::pair<const char*, int>> rows = {
        // clang-format off
        {"9", 9}, {"-5", -5}, {"+3", 3}, {"  7 ", 7}, {"", 2}, {"abc", 2}, {"12abc", 2}, {"1 2", 2},
        {"2.5", 2}, {"0x10", 2}, {"+-1", 2}, {"-", 2}, {"99999999999", 2}, {"\x82\x52", 2}};
    // clang-format on
    for (const auto& [stored, loaded] : rows) {
        const auto s = LoadSettings(MainOnly(std::string("[Options]\r\nListColumn=") + stored));
        EXPECT_EQ(s.ListColumn, loaded) << stored;
    }
    EXPECT_EQ(LoadSettings(MainOnly("[Options]\r\nInvTime=abc\r\n")).InvTime, 0);
    for (const auto& [stored, written] :
         Pairs{{"1", "1"}, {"0", "0"}, {"5", "1"}, {"-1", "1"}, {"yes", "0"}, {"", "0"}}) {
        const auto old = MainOnly("[Options]\r\nWinVer=" + stored + "\r\n");
        const std::string text = *SaveSettings(LoadSettings(old), old).mainIni;
        EXPECT_EQ(text.substr(0, 20), "[Options]\r\nWinVer=" + written + "\r") << stored;
        EXPECT_EQ(text.find("WinVer="), text.rfind("WinVer=")) << stored;
        EXPECT_EQ(LoadSettings(MainOnly(text)).WinVer, written == "1") << stored;
    }
    Settings s;
    s.Left = -8;  // a window on a second screen to the left
    s.DirPath = "D:\\工具\\ﾌｧｲﾙ";
    s.OutApps[2] = OutAppEntry{"calc.exe", "Y", "電卓"};
    const auto saved = SaveSettings(s, SettingsFiles{});
    EXPECT_EQ(LoadSettings(saved), s);
    EXPECT_EQ(saved.mainIni->substr(0, 27), "[Main]\r\nTop=10\r\nLeft=-8\r\n[S");
    EXPECT_NE(saved.mainIni->find("DirPath=D:\\\x8D\x48\x8B\xEF\\\xCC\xA7\xB2\xD9\r\n"),
              std::string::npos);
    EXPECT_NE(saved.outAppIni->find("OutAppC=calc.exe\r\nOutAppC_F=Y\r\nOutAppC_N=\x93\x64\x91"),
              std::string::npos);
    // 0xED 0x40 is the NEC code of 纊, which would be written back as its IBM code 0xFA 0x5C,
    // and 0x80 is not CP932 at all; neither may change when the user changed nothing.
    const std::string file = "[Setting]\r\nDirPath=D:\\\xED\x40\\\x80X\r\nMask = *.NC \r\n";
    auto loaded = LoadSettings(MainOnly(file));
    EXPECT_EQ(SaveSettings(loaded, MainOnly(file)).mainIni->substr(0, file.size()), file);
    loaded.DirPath = "D:\\OUT";
    EXPECT_EQ(SaveSettings(loaded, MainOnly(file)).mainIni->substr(0, 27),
              "[Setting]\r\nDirPath=D:\\OUT\r\n");
}

// The settings golden files hold foreign sections, comments, blank lines, CP932 values and a
// last line without line end. Here: names in any case, a "#" comment, "=" in a value, an empty
// value, a key before any section, a section name with blanks, the first of two equal keys, LF.
TEST(IniDocument, GetSetAndSerialize) {
    const std::string doc = "L=1\r\n[ Main ]\r\nL=7\r\nL=2\r\n# A=1\nA=x=y\nE=\n";
    const std::vector<std::tuple<const char*, const char*, std::optional<std::string>>> gets = {
        {"MAIN", "l", "7"}, {"Main", "# A", std::nullopt}, {"Main", "A", "x=y"}, {"Main", "E", ""}};
    for (const auto& [section, key, value] : gets)
        EXPECT_EQ(IniDocument::Parse(doc).Get(section, key), value) << section << key;
    EXPECT_EQ(IniDocument::Parse(doc).Keys("main"), (Lines{"L", "L", "A", "E"}));
    const std::vector<std::tuple<std::string, const char*, const char*, const char*, std::string>>
        sets = {
            // clang-format off
            {"[Main]\nLeft=5\n", "Main", "Top", "9", "[Main]\nLeft=5\nTop=9\n"},
            {"[Main]\r\nLeft=5", "Main", "Top", "9", "[Main]\r\nLeft=5\r\nTop=9\r\n"},
            {"[Main]\nLeft=5", "Setting", "Port", "COM1", "[Main]\nLeft=5\n[Setting]\nPort=COM1\n"},
            {"[Main]\r\nLeft=5", "Main", "Left", "6", "[Main]\r\nLeft=6"},
            {"", "Main", "Top", "10", "[Main]\r\nTop=10\r\n"},
            {"[S]\r\n;Port=COM5\r\n", "S", "Port", "", "[S]\r\n;Port=COM5\r\nPort=\r\n"},
            {"[S]\r\nMask=*.NC\r\n", "S", "Mask", "*.NC\r\nK=Z:\n", "[S]\r\nMask=*.NCK=Z:\r\n"}};
    // clang-format on
    for (const auto& [before, section, key, value, after] : sets) {
        auto ini = IniDocument::Parse(before);
        ini.Set(section, key, value);
        EXPECT_EQ(ini.Serialize(), after) << before << section << key;
    }
    for (const std::string& d : {doc, std::string("[Main]\nLeft=1\r\nTop=2\n\n\n"),
                                 std::string("no section at all\r\nx=y"),
                                 std::string("[Bin]\r\nv=\x80\xFF\x00\x01\r\n", 15)})
        EXPECT_EQ(IniDocument::Parse(d).Serialize(), d);
}

Lines Numbered(int from, int to, Lines front = {}) {
    for (int i = from; i <= to; ++i)
        front.push_back("F" + std::to_string(i));
    return front;
}

TEST(HistoryList, MostRecentFirstUpToTwentyInCp932Lines) {
    const std::vector<std::tuple<const char*, Lines, const char*, Lines>> rows = {
        // clang-format off
        {"into an empty list", {}, "C:\\NC", {"C:\\NC"}}, {"twice", {"C:\\NC"},
        "C:\\NC", {"C:\\NC"}},
        {"new entry", {"D:\\A", "D:\\B"}, "C:\\NC", {"C:\\NC", "D:\\A", "D:\\B"}},
        {"listed entry moves", {"D:\\A", "C:\\NC", "D:\\B"},
        "C:\\NC", {"C:\\NC", "D:\\A", "D:\\B"}},
        {"only the first later duplicate goes", {"O1", "X", "O1"}, "O1", {"O1", "X", "O1"}},
        {"case-sensitive", {"c:\\nc"}, "C:\\NC", {"C:\\NC", "c:\\nc"}}, {"blanks", {"O1 "},
        "O1", {"O1", "O1 "}},
        {"twenty-first falls off", Numbered(1, 20), "NEW", Numbered(1, 19, {"NEW"})},
        {"listed in a full list", Numbered(1, 20), "F20", Numbered(1, 19, {"F20"})},
        {"long list is cut", Numbered(1, 25), "F3", Numbered(4, 20, {"F3", "F1", "F2"})}};
    // clang-format on
    for (auto [behaviour, entries, entry, after] : rows) {
        AddToHistory(entries, entry);
        EXPECT_EQ(entries, after) << behaviour;
    }
    // Blank lines are dropped, blanks inside an entry kept, and more than twenty lines all read. An
    // entry that CP932 cannot hold exactly, or that holds a line break, is not written.
    std::string many;
    for (const auto& e : Numbered(1, 21))
        many += e + "\n";
    const std::vector<std::pair<std::string, Lines>> files = {
        // clang-format off
        {"C:\\NC\r\n\r\n   \r\n D:\\NC DATA \r\n", {"C:\\NC", " D:\\NC DATA "}}, {"", {}},
        {"D:\\\x8D\x48\x8B\xEF\\\x95\x5C\n\xCC\xA7\xB2\xD9", {"D:\\工具\\表", "ﾌｧｲﾙ"}},
        {many, Numbered(1, 21)}};
    // clang-format on
    for (const auto& [bytes, entries] : files)
        EXPECT_EQ(ParseHistoryList(bytes), entries) << bytes;
    EXPECT_EQ(SerializeHistoryList(
                  {"D:\\工具\\表", "C:\\€", "D:\\¥NC", "", "  ", "X\r\nY", "E:\\〜", "O1*"}),
              "D:\\\x8D\x48\x8B\xEF\\\x95\x5C\r\nO1*\r\n");
}

}  // namespace
}  // namespace kelvantori

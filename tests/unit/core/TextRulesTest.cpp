// Text rules shared by the whole program: the CP932 codec, drive path texts, name patterns and
// the order of the file list, and the date and time texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/DateTime.h"
#include "core/DrivePath.h"
#include "core/NamePattern.h"
#include "core/TextCodec.h"

namespace kelvantori {
namespace {

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

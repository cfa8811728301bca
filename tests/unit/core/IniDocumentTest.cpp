// The INI store: what a read finds, and that a write changes only the line it owns.
#include "core/IniDocument.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kelvantori {
namespace {

// A settings file as an installation leaves it: foreign sections, comments, blank lines and a
// Japanese (CP932) value.
const std::string kShopFile =
    "; Kelvantori settings\r\n"
    "[Main]\r\n"
    "Left=120\r\n"
    "Top = 80 \r\n"
    "\r\n"
    "[Vendor]\r\n"
    "Port=COM9\r\n"
    "Note=\x8D\x48\x8B\xEF=\x95\x5C\r\n"  // 工具=表
    "\r\n"
    "[Setting]\r\n"
    "port=COM2\r\n"
    ";Speed=1200,7,E,1\r\n"
    "# DirPath=Z:\r\n"
    "DirPath=D:\\NC DATA\r\n"
    "Speed=9600,7,E,2\r\n";

struct GetCase {
    const char* name;
    std::string document;
    const char* section;
    const char* key;
    std::optional<std::string> value;
};

// Row names keep the test list readable.
void PrintTo(const GetCase& c, std::ostream* os) {
    *os << c.name;
}

class IniDocumentGet : public ::testing::TestWithParam<GetCase> {};

TEST_P(IniDocumentGet, FindsTheValue) {
    const auto& c = GetParam();
    EXPECT_EQ(IniDocument::Parse(c.document).Get(c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, IniDocumentGet,
    ::testing::Values(
        GetCase{"CrLfFile", kShopFile, "Main", "Left", "120"},
        GetCase{"BlanksAroundKeyAndValueAreTrimmed", kShopFile, "Main", "Top", "80"},
        GetCase{"KeyInAnyCase", kShopFile, "Setting", "PORT", "COM2"},
        GetCase{"SectionInAnyCase", kShopFile, "SETTING", "Speed", "9600,7,E,2"},
        GetCase{"ForeignSectionIsNotOurs", kShopFile, "Main", "Port", std::nullopt},
        GetCase{"SemicolonCommentIsNoKey", "[S]\r\n;Speed=1\r\n", "S", "Speed", std::nullopt},
        GetCase{"HashCommentIsNoKey", "[S]\r\n# DirPath=Z:\r\n", "S", "# DirPath", std::nullopt},
        GetCase{"CommentBeforeTheKey", kShopFile, "Setting", "DirPath", "D:\\NC DATA"},
        GetCase{"ValueWithEqualsSigns", kShopFile, "Vendor", "Note", "\x8D\x48\x8B\xEF=\x95\x5C"},
        GetCase{"LfFile", "[Main]\nLeft=5\nTop=6\n", "Main", "Top", "6"},
        GetCase{"LastLineWithoutLineEnd", "[Main]\r\nLeft=5\r\nTop=6", "Main", "Top", "6"},
        GetCase{"EmptyValueIsPresent", "[Setting]\r\nSendMsg1=\r\n", "Setting", "SendMsg1", ""},
        GetCase{"MissingKey", kShopFile, "Setting", "Mask", std::nullopt},
        GetCase{"MissingSection", kShopFile, "Options", "op1", std::nullopt},
        GetCase{"KeyBeforeAnySectionIsNotRead", "Left=1\r\n[Main]\r\n", "Main", "Left",
                std::nullopt},
        GetCase{"SectionNameWithBlanks", "[ Main ]\r\nLeft=7\r\n", "Main", "Left", "7"},
        GetCase{"FirstOfTwoEqualKeysWins", "[Main]\r\nLeft=1\r\nLeft=2\r\n", "Main", "Left", "1"},
        GetCase{"KeyWithSlashAndParentheses", "[Setting]\r\nO/:-Change=Y\r\nDC3(0X93)=N\r\n",
                "Setting", "DC3(0X93)", "N"},
        GetCase{"EmptyDocument", "", "Main", "Left", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct SetCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

void PrintTo(const SetCase& c, std::ostream* os) {
    *os << c.name;
}

class IniDocumentSet : public ::testing::TestWithParam<SetCase> {};

TEST_P(IniDocumentSet, ChangesOnlyItsOwnLine) {
    const auto& c = GetParam();
    auto doc = IniDocument::Parse(c.before);
    doc.Set(c.section, c.key, c.value);
    EXPECT_EQ(doc.Serialize(), c.after);
    EXPECT_EQ(IniDocument::Parse(doc.Serialize()).Get(c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, IniDocumentSet,
    ::testing::Values(
        SetCase{"ReplaceKeepsEveryOtherByte", kShopFile, "Setting", "Speed", "4800,8,N,2",
                "; Kelvantori settings\r\n[Main]\r\nLeft=120\r\nTop = 80 \r\n\r\n[Vendor]\r\n"
                "Port=COM9\r\nNote=\x8D\x48\x8B\xEF=\x95\x5C\r\n\r\n[Setting]\r\nport=COM2\r\n"
                ";Speed=1200,7,E,1\r\n# DirPath=Z:\r\nDirPath=D:\\NC DATA\r\n"
                "Speed=4800,8,N,2\r\n"},
        SetCase{"ReplaceKeepsTheKeysSpelling", kShopFile, "Setting", "Port", "COM3",
                "; Kelvantori settings\r\n[Main]\r\nLeft=120\r\nTop = 80 \r\n\r\n[Vendor]\r\n"
                "Port=COM9\r\nNote=\x8D\x48\x8B\xEF=\x95\x5C\r\n\r\n[Setting]\r\nport=COM3\r\n"
                ";Speed=1200,7,E,1\r\n# DirPath=Z:\r\nDirPath=D:\\NC DATA\r\n"
                "Speed=9600,7,E,2\r\n"},
        SetCase{"NewKeyGoesAfterTheSectionsLastLineNotAfterItsBlankLine", kShopFile, "Main", "Mask",
                "*.NC",
                "; Kelvantori settings\r\n[Main]\r\nLeft=120\r\nTop = 80 \r\nMask=*.NC\r\n\r\n"
                "[Vendor]\r\nPort=COM9\r\nNote=\x8D\x48\x8B\xEF=\x95\x5C\r\n\r\n[Setting]\r\n"
                "port=COM2\r\n;Speed=1200,7,E,1\r\n# DirPath=Z:\r\nDirPath=D:\\NC DATA\r\n"
                "Speed=9600,7,E,2\r\n"},
        SetCase{"NewSectionAtTheEnd", kShopFile, "Options", "op1", "N",
                kShopFile + "[Options]\r\nop1=N\r\n"},
        SetCase{"LfFileKeepsLfForNewLines", "[Main]\nLeft=5\n", "Main", "Top", "9",
                "[Main]\nLeft=5\nTop=9\n"},
        SetCase{"LastLineWithoutLineEndGetsOneBeforeTheNewKey", "[Main]\r\nLeft=5", "Main", "Top",
                "9", "[Main]\r\nLeft=5\r\nTop=9\r\n"},
        SetCase{"LastLineWithoutLineEndGetsOneBeforeTheNewSection", "[Main]\nLeft=5", "Setting",
                "Port", "COM1", "[Main]\nLeft=5\n[Setting]\nPort=COM1\n"},
        SetCase{"ReplaceOnTheLastLineKeepsItWithoutLineEnd", "[Main]\r\nLeft=5", "Main", "Left",
                "6", "[Main]\r\nLeft=6"},
        SetCase{"EmptyDocumentUsesCrLf", "", "Main", "Top", "10", "[Main]\r\nTop=10\r\n"},
        SetCase{"KeyInAnyCaseIsReplacedNotAdded", "[MAIN]\r\nLEFT=1\r\n", "Main", "Left", "2",
                "[MAIN]\r\nLEFT=2\r\n"},
        SetCase{"CommentedKeyIsLeftAlone", "[Setting]\r\n;Port=COM5\r\n", "Setting", "Port", "COM1",
                "[Setting]\r\n;Port=COM5\r\nPort=COM1\r\n"},
        SetCase{"ValueWithEqualsSign", "[Application]\r\nOutAppA=x\r\n", "Application", "OutAppA",
                "tool.exe /a=1", "[Application]\r\nOutAppA=tool.exe /a=1\r\n"},
        SetCase{"EmptyValue", "[Setting]\r\nSendMsg1=%\r\n", "Setting", "SendMsg1", "",
                "[Setting]\r\nSendMsg1=\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniDocument, ParseAndSerializeGiveBackTheBytes) {
    const std::vector<std::string> documents = {
        kShopFile,
        "[Main]\nLeft=1\r\nTop=2\n\n\n",  // mixed line ends
        "no section at all\r\nx=y",
        std::string("[Bin]\r\nv=\x80\xFF\x00\x01\r\n", 15),
        "\r\n\r\n",
    };
    for (const auto& d : documents) {
        EXPECT_EQ(IniDocument::Parse(d).Serialize(), d);
    }
}

TEST(IniDocument, LineBreakInAValueCannotAddAKey) {
    auto doc = IniDocument::Parse("[Setting]\r\nMask=*.NC\r\n");
    doc.Set("Setting", "Mask", "*.NC\r\nDirPath=Z:\\\n");
    EXPECT_EQ(doc.Serialize(), "[Setting]\r\nMask=*.NCDirPath=Z:\\\r\n");
    EXPECT_EQ(doc.Get("Setting", "DirPath"), std::nullopt);
}

TEST(IniDocument, KeysListsTheSectionInFileOrder) {
    const auto doc = IniDocument::Parse(kShopFile);
    EXPECT_EQ(doc.Keys("setting"), (std::vector<std::string>{"port", "DirPath", "Speed"}));
    EXPECT_EQ(doc.Keys("Main"), (std::vector<std::string>{"Left", "Top"}));
    EXPECT_TRUE(doc.Keys("Options").empty());
}

TEST(IniDocument, ManyWritesIntoAFreshDocumentKeepTheirOrder) {
    IniDocument doc;
    doc.Set("Main", "Top", "10");
    doc.Set("Main", "Left", "10");
    doc.Set("Setting", "Port", "COM1");
    doc.Set("Options", "op1", "N");
    doc.Set("Setting", "DC3(0X93)", "Y");
    EXPECT_EQ(doc.Serialize(),
              "[Main]\r\nTop=10\r\nLeft=10\r\n[Setting]\r\nPort=COM1\r\nDC3(0X93)=Y\r\n"
              "[Options]\r\nop1=N\r\n");
}

}  // namespace
}  // namespace kelvantori

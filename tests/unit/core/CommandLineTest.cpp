// The command line: how arguments become items, and what each item does to the settings and the
// run, against a fake world that records every question, error and copy.
#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kelvantori {

// Failure output names the fields rather than dumping bytes.
void PrintTo(const CommandLineState& s, std::ostream* os) {
    *os << "{CommandLineMode=" << s.CommandLineMode << " AutoSendPending=" << s.AutoSendPending
        << " AutoReceivePending=" << s.AutoReceivePending
        << " CloseAfterTransfer=" << s.CloseAfterTransfer << " SendPath=" << s.SendPath
        << " ReceivePath=" << s.ReceivePath << "}";
}

namespace {

using Args = std::vector<std::string>;
using Copy = std::pair<std::string, std::string>;

// Existing files by drive path; everything else answers as a folder, as a missing path does.
struct FakeWorld {
    std::set<std::string> files;
    bool answer = true;
    std::vector<std::string> questions;
    std::vector<std::string> errors;
    std::vector<Copy> copies;

    CommandLineEnvironment Environment() {
        CommandLineEnvironment env;
        env.IsDirectoryPath = [this](const std::string& p) { return files.count(p) == 0; };
        env.FileExists = [this](const std::string& p) { return files.count(p) != 0; };
        env.AskYesNo = [this](const std::string& text) {
            questions.push_back(text);
            return answer;
        };
        env.ShowError = [this](const std::string& text) { errors.push_back(text); };
        env.ImportFile = [this](const std::string& from, const std::string& to) {
            copies.emplace_back(from, to);
            return true;
        };
        return env;
    }
};

// What a run is expected to leave behind.
struct Outcome {
    Settings settings;
    CommandLineState state;
    std::vector<std::string> questions;
    std::vector<std::string> errors;
    std::vector<Copy> copies;
};

struct ItemCase {
    const char* name;
    Args args;
    std::set<std::string> files;         // existing files
    std::function<void(Outcome&)> what;  // the changes against the untouched run
    const char* dirPath = "C:\\NC";      // data folder before the run
    bool answer = true;                  // the answer to a question
};

// Row names keep the test list readable.
void PrintTo(const ItemCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandLineItems : public ::testing::TestWithParam<ItemCase> {};

TEST_P(CommandLineItems, ChangeExactlyWhatTheyOrder) {
    const auto& c = GetParam();
    FakeWorld world;
    world.files = c.files;
    world.answer = c.answer;
    Settings settings;
    settings.DirPath = c.dirPath;
    CommandLineState state;

    Outcome expected{settings, state, {}, {}, {}};
    expected.state.CommandLineMode = "Y";
    c.what(expected);

    ProcessCommandLine(c.args, settings, state, world.Environment());
    EXPECT_EQ(settings, expected.settings);
    EXPECT_EQ(settings.DirPath, expected.settings.DirPath);
    EXPECT_EQ(settings.Mask, expected.settings.Mask);
    EXPECT_EQ(settings.Port, expected.settings.Port);
    EXPECT_EQ(settings.Speed, expected.settings.Speed);
    EXPECT_EQ(state, expected.state);
    EXPECT_EQ(world.questions, expected.questions);
    EXPECT_EQ(world.errors, expected.errors);
    EXPECT_EQ(world.copies, expected.copies);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineItems,
    ::testing::Values(
        // 1. folder
        ItemCase{"FolderWithBarAndTrailingBackslash",
                 {"D:\\NC|DATA\\"},
                 {},
                 [](Outcome& o) { o.settings.DirPath = "D:\\NC DATA"; }},
        ItemCase{"FolderThatDoesNotExistYet",
                 {"E:\\NEW\\JOB"},
                 {},
                 [](Outcome& o) { o.settings.DirPath = "E:\\NEW\\JOB"; }},
        ItemCase{"DriveRootLosesItsBackslash",
                 {"D:\\"},
                 {},
                 [](Outcome& o) { o.settings.DirPath = "D:"; }},
        ItemCase{"StraySlashInAFolder",
                 {"D:\\NC/"},
                 {},
                 [](Outcome& o) { o.settings.DirPath = "D:\\NC"; }},
        ItemCase{"EveryBarBecomesABlank",
                 {"D:\\A|B|C"},
                 {},
                 [](Outcome& o) { o.settings.DirPath = "D:\\A B C"; }},
        // 2. send
        ItemCase{"SendNameInTheDataFolder",
                 {"S=O1234.NC"},
                 {"C:\\NC\\O1234.NC"},
                 [](Outcome& o) {
                     o.state.SendPath = "C:\\NC\\O1234.NC";
                     o.state.AutoSendPending = "Y";
                 }},
        ItemCase{"SendFullPathSetsFolderAndMask",
                 {"S=C:\\NC\\A.NC"},
                 {"C:\\NC\\A.NC"},
                 [](Outcome& o) {
                     o.settings.DirPath = "C:\\NC";
                     o.settings.Mask = "*.NC";
                     o.state.SendPath = "C:\\NC\\A.NC";
                     o.state.AutoSendPending = "Y";
                 },
                 "D:\\OLD"},
        ItemCase{"SendFromADriveRoot",
                 {"S=D:\\O9.TAP"},
                 {"D:\\O9.TAP"},
                 [](Outcome& o) {
                     o.settings.DirPath = "D:";
                     o.settings.Mask = "*.TAP";
                     o.state.SendPath = "D:\\O9.TAP";
                     o.state.AutoSendPending = "Y";
                 }},
        ItemCase{"SendNameInADriveRootDataFolder",
                 {"S=A.NC"},
                 {"C:\\A.NC"},
                 [](Outcome& o) {
                     o.settings.DirPath = "C:";
                     o.state.SendPath = "C:\\A.NC";
                     o.state.AutoSendPending = "Y";
                 },
                 "C:\\"},
        ItemCase{"SendKeyInLowerCase",
                 {"s=o1.tap"},
                 {"C:\\NC\\o1.tap"},
                 [](Outcome& o) {
                     o.settings.Mask = "*.tap";
                     o.state.SendPath = "C:\\NC\\o1.tap";
                     o.state.AutoSendPending = "Y";
                 }},
        ItemCase{"SendSlashIsRemovedFromThePath",
                 {"S=A.NC/"},
                 {"C:\\NC\\A.NC"},
                 [](Outcome& o) {
                     o.state.SendPath = "C:\\NC\\A.NC";
                     o.state.AutoSendPending = "Y";
                 }},
        ItemCase{"SendMissingFileShowsTheMessage",
                 {"S=NONE.NC"},
                 {},
                 [](Outcome& o) {
                     o.state.SendPath = "C:\\NC\\NONE.NC";
                     o.errors = {"送信データ\nC:\\NC\\NONE.NCが見つかりません。"};
                 }},
        ItemCase{"SendMissingFileWithEndLeavesNothingPending",
                 {"S=NONE.NC", "END"},
                 {},
                 [](Outcome& o) {
                     o.state.SendPath = "C:\\NC\\NONE.NC";
                     o.state.CloseAfterTransfer = true;
                     o.errors = {"送信データ\nC:\\NC\\NONE.NCが見つかりません。"};
                 }},
        ItemCase{"SendFolderPathIsNotAFileToSend",
                 {"S=C:\\NC\\SUB"},
                 {},
                 [](Outcome& o) {
                     o.settings.Mask = "*";
                     o.state.SendPath = "C:\\NC\\SUB";
                     o.errors = {"送信データ\nC:\\NC\\SUBが見つかりません。"};
                 }},
        // 3. receive
        ItemCase{"ReceiveIntoANewFile",
                 {"R=X.NC"},
                 {},
                 [](Outcome& o) {
                     o.state.ReceivePath = "C:\\NC\\X.NC";
                     o.state.AutoReceivePending = "Y";
                 }},
        ItemCase{"ReceiveOverAnExistingFileYes",
                 {"R=X.NC"},
                 {"C:\\NC\\X.NC"},
                 [](Outcome& o) {
                     o.state.ReceivePath = "C:\\NC\\X.NC";
                     o.state.AutoReceivePending = "Y";
                     o.questions = {"すでにC:\\NC\\X.NCが有ります。\n上書きしますか？"};
                 }},
        ItemCase{"ReceiveOverAnExistingFileNoLeavesNothingPending",
                 {"R=X.NC"},
                 {"C:\\NC\\X.NC"},
                 [](Outcome& o) {
                     o.state.ReceivePath = "C:\\NC\\X.NC";
                     o.questions = {"すでにC:\\NC\\X.NCが有ります。\n上書きしますか？"};
                 },
                 "C:\\NC",
                 false},
        ItemCase{"ReceiveFullPathSetsFolderAndMask",
                 {"r=D:\\IN\\O7.TAP"},
                 {},
                 [](Outcome& o) {
                     o.settings.DirPath = "D:\\IN";
                     o.settings.Mask = "*.TAP";
                     o.state.ReceivePath = "D:\\IN\\O7.TAP";
                     o.state.AutoReceivePending = "Y";
                 }},
        // 4. port
        ItemCase{"PortTwoDigits", {"COM12"}, {}, [](Outcome& o) { o.settings.Port = "COM12"; }},
        ItemCase{"PortInLowerCaseIsStoredUpper",
                 {"com12"},
                 {},
                 [](Outcome& o) { o.settings.Port = "COM12"; }},
        ItemCase{"PortOfSixCharactersIsNoPort", {"COM123"}, {}, [](Outcome&) {}},
        ItemCase{"PortWithSlashAfterAnotherItem",
                 {"END", "/COM3"},
                 {},
                 [](Outcome& o) {
                     o.settings.Port = "COM3";
                     o.state.CloseAfterTransfer = true;
                 }},
        // 5. mask
        ItemCase{"MaskIsUpperCased", {"*.tap"}, {}, [](Outcome& o) { o.settings.Mask = "*.TAP"; }},
        ItemCase{"DotWithoutStarIsNoMask", {"A.NC"}, {}, [](Outcome&) {}},
        // 6. line setting
        ItemCase{"LineSettingIsUpperCased",
                 {"9600,7,e,2"},
                 {},
                 [](Outcome& o) { o.settings.Speed = "9600,7,E,2"; }},
        // 7. import
        ItemCase{"FileIsImportedIntoTheDataFolder",
                 {"E:\\IN\\O5.TAP"},
                 {"E:\\IN\\O5.TAP"},
                 [](Outcome& o) {
                     o.settings.Mask = "*.TAP";
                     o.copies = {{"E:\\IN\\O5.TAP", "C:\\NC\\O5.TAP"}};
                 }},
        ItemCase{"ImportIntoADriveRootDataFolder",
                 {"E:\\IN\\O5.NC"},
                 {"E:\\IN\\O5.NC"},
                 [](Outcome& o) {
                     o.copies = {{"E:\\IN\\O5.NC", "C:\\O5.NC"}};
                 },
                 "C:"},
        ItemCase{"FileAlreadyInTheDataFolderIsNotCopiedOntoItself",
                 {"c:\\NC\\A.TAP"},
                 {"c:\\NC\\A.TAP"},
                 [](Outcome& o) { o.settings.Mask = "*.TAP"; }},
        // 8. end
        ItemCase{
            "EndInAnyCase", {"end"}, {}, [](Outcome& o) { o.state.CloseAfterTransfer = true; }},
        ItemCase{"EndWithSlash",
                 {"S=A.NC", "/END"},
                 {"C:\\NC\\A.NC"},
                 [](Outcome& o) {
                     o.state.SendPath = "C:\\NC\\A.NC";
                     o.state.AutoSendPending = "Y";
                     o.state.CloseAfterTransfer = true;
                 }},
        ItemCase{"LongerWordWithEndIsIgnored", {"APPEND"}, {}, [](Outcome&) {}},
        // 9. anything else
        ItemCase{"UnknownWordIsIgnored", {"HELLO"}, {}, [](Outcome&) {}},
        ItemCase{"EmptyItemIsIgnored", {""}, {}, [](Outcome&) {}},
        // The order of the cases.
        ItemCase{"FolderComesBeforeLineSetting",
                 {"D:\\A,B"},
                 {},
                 [](Outcome& o) { o.settings.DirPath = "D:\\A,B"; }},
        ItemCase{"LineSettingComesBeforeImport",
                 {"E:\\IN\\a,b.nc"},
                 {"E:\\IN\\a,b.nc"},
                 [](Outcome& o) { o.settings.Speed = "E:\\IN\\A,B.NC"; }},
        ItemCase{"SendComesBeforeFolder",
                 {"S=D:\\JOB\\A.NC"},
                 {},
                 [](Outcome& o) {
                     o.settings.DirPath = "D:\\JOB";
                     o.state.SendPath = "D:\\JOB\\A.NC";
                     o.errors = {"送信データ\nD:\\JOB\\A.NCが見つかりません。"};
                 }},
        ItemCase{
            "PortComesBeforeMask", {"COM*."}, {}, [](Outcome& o) { o.settings.Port = "COM*."; }},
        ItemCase{"FolderItemThenNameIsTakenInTheNewFolder",
                 {"D:\\JOB", "S=A.NC"},
                 {"D:\\JOB\\A.NC"},
                 [](Outcome& o) {
                     o.settings.DirPath = "D:\\JOB";
                     o.state.SendPath = "D:\\JOB\\A.NC";
                     o.state.AutoSendPending = "Y";
                 }},
        ItemCase{"NameThenFolderItemLeavesTheNameInTheOldFolder",
                 {"S=A.NC", "D:\\JOB"},
                 {"C:\\NC\\A.NC"},
                 [](Outcome& o) {
                     o.settings.DirPath = "D:\\JOB";
                     o.state.SendPath = "C:\\NC\\A.NC";
                     o.state.AutoSendPending = "Y";
                 }},
        // Whole command lines.
        ItemCase{"SendExampleWithPortLineAndEnd",
                 {"S=O1234.NC", "COM2", "9600,7,E,2", "END"},
                 {"C:\\NC\\O1234.NC"},
                 [](Outcome& o) {
                     o.settings.Port = "COM2";
                     o.settings.Speed = "9600,7,E,2";
                     o.state.SendPath = "C:\\NC\\O1234.NC";
                     o.state.AutoSendPending = "Y";
                     o.state.CloseAfterTransfer = true;
                 }},
        ItemCase{"SlashFormIsJoinedAndSplit",
                 {"/S=A.NC", "/COM3"},
                 {"C:\\NC\\A.NC"},
                 [](Outcome& o) {
                     o.settings.Port = "COM3";
                     o.state.SendPath = "C:\\NC\\A.NC";
                     o.state.AutoSendPending = "Y";
                 }},
        ItemCase{"SlashFormWithFolderAndEnd",
                 {"/D:\\NC|DATA\\", "/R=O1.NC", "/END"},
                 {},
                 [](Outcome& o) {
                     o.settings.DirPath = "D:\\NC DATA";
                     o.state.ReceivePath = "D:\\NC DATA\\O1.NC";
                     o.state.AutoReceivePending = "Y";
                     o.state.CloseAfterTransfer = true;
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, NoArgumentsMeanNoCommandLineMode) {
    Settings settings;
    CommandLineState state;
    state.CommandLineMode = state.AutoSendPending = state.AutoReceivePending = "Y";
    FakeWorld world;
    ProcessCommandLine({}, settings, state, world.Environment());
    EXPECT_EQ(state.CommandLineMode, "N");
    EXPECT_EQ(state.AutoSendPending, "N");
    EXPECT_EQ(state.AutoReceivePending, "N");
    EXPECT_EQ(settings, Settings{});
}

TEST(CommandLine, AnyArgumentMeansCommandLineModeEvenWhenIgnored) {
    Settings settings;
    CommandLineState state;
    FakeWorld world;
    ProcessCommandLine({"HELLO"}, settings, state, world.Environment());
    EXPECT_EQ(state.CommandLineMode, "Y");
}

TEST(CommandLine, EmptyEnvironmentDoesNotCrash) {
    Settings settings;
    CommandLineState state;
    ProcessCommandLine({"S=A.NC", "R=B.NC", "E:\\X\\Y.NC", "D:\\JOB"}, settings, state, {});
    EXPECT_EQ(state.AutoSendPending, "N");
    EXPECT_EQ(state.AutoReceivePending, "Y");
    EXPECT_EQ(settings.DirPath, "D:\\JOB");  // the empty IsDirectoryPath answers true
}

TEST(CommandLine, KanjiCountTwoInItemLengths) {
    // "COMあ" is five characters in the program's code page (the kanji takes two), "COMあい"
    // seven; byte lengths of UTF-8 would give six and nine.
    Settings settings;
    CommandLineState state;
    ProcessArgument("COMあ", settings, state, {});
    EXPECT_EQ(settings.Port, "COMあ");
    ProcessArgument("COM1い", settings, state, {});
    EXPECT_EQ(settings.Port, "COMあ");
}

struct SplitCase {
    const char* name;
    Args args;
    Args items;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandLineSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineSplit, GivesTheItems) {
    EXPECT_EQ(SplitCommandLine(GetParam().args), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineSplit,
    ::testing::Values(
        SplitCase{"ThreeSlashItems", {"/S=A.NC", "/COM2", "/END"}, {"S=A.NC", "COM2", "END"}},
        SplitCase{"TwoSlashItems", {"/S=A.NC", "/COM3"}, {"S=A.NC", "COM3"}},
        SplitCase{"SlashItemsInOneArgument", {"/S=A.NC /COM2"}, {"S=A.NC", "COM2"}},
        SplitCase{"BlanksAroundItemsAreTrimmed", {"/  S=A.NC ", "/ COM2\t"}, {"S=A.NC", "COM2"}},
        SplitCase{"ArgumentWithoutSlashJoinsThePreviousItem", {"/S=A.NC", "COM2"}, {"S=A.NC COM2"}},
        SplitCase{"FolderWithBar", {"/D:\\NC|DATA\\"}, {"D:\\NC|DATA\\"}},
        SplitCase{"DoubleSlashGivesAnEmptyItem", {"/A//B"}, {"A", "", "B"}},
        SplitCase{"FirstArgumentWithoutSlashLeavesAllUnchanged",
                  {"S=A.NC", " /COM2 ", "9600,7,E,2"},
                  {"S=A.NC", " /COM2 ", "9600,7,E,2"}},
        SplitCase{"NoArguments", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, MessagesAreTheProgramsTexts) {
    EXPECT_EQ(SendFileMissingMessage("C:\\NC\\A.NC"), "送信データ\nC:\\NC\\A.NCが見つかりません。");
    EXPECT_EQ(OverwriteQuestion("C:\\NC\\A.NC"),
              "すでにC:\\NC\\A.NCが有ります。\n上書きしますか？");
}

}  // namespace
}  // namespace kelvantori

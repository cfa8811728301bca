// The command line: how arguments become items, and what each item does to the settings and the
// run, against a fake world that records every question, error and copy.
#include "core/CommandLine.h"

#include <gtest/gtest.h>

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

// What a run leaves behind; a setting left empty here is expected unchanged.
struct Expect {
    std::string DirPath{};
    std::string Mask{};
    std::string Port{};
    std::string Speed{};
    std::string SendPath{};
    std::string ReceivePath{};
    std::string AutoSendPending = "N";
    std::string AutoReceivePending = "N";
    bool CloseAfterTransfer = false;
    std::vector<std::string> questions{};
    std::vector<std::string> errors{};
    std::vector<Copy> copies{};
};

struct ItemCase {
    const char* name{};
    Args args{};
    std::set<std::string> files{};  // existing files
    Expect expect{};
    const char* dirPath = "C:\\NC";  // data folder before the run
    bool answer = true;              // the answer to a question
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

    Settings expectedSettings = settings;
    const auto& e = c.expect;
    for (auto [field, value] : {std::pair{&Settings::DirPath, &e.DirPath},
                                {&Settings::Mask, &e.Mask},
                                {&Settings::Port, &e.Port},
                                {&Settings::Speed, &e.Speed}}) {
        if (!value->empty())
            expectedSettings.*field = *value;
    }
    const CommandLineState expectedState{
        "Y",        e.AutoSendPending, e.AutoReceivePending, e.CloseAfterTransfer,
        e.SendPath, e.ReceivePath};

    ProcessCommandLine(c.args, settings, state, world.Environment());
    EXPECT_EQ(settings.DirPath + "|" + settings.Mask + "|" + settings.Port + "|" + settings.Speed,
              expectedSettings.DirPath + "|" + expectedSettings.Mask + "|" + expectedSettings.Port +
                  "|" + expectedSettings.Speed);
    EXPECT_EQ(settings, expectedSettings);  // nothing else changed
    EXPECT_EQ(state, expectedState);
    EXPECT_EQ(world.questions, e.questions);
    EXPECT_EQ(world.errors, e.errors);
    EXPECT_EQ(world.copies, e.copies);
}

const std::string kMissingNone = "送信データ\nC:\\NC\\NONE.NCが見つかりません。";
const std::string kOverwriteX = "すでにC:\\NC\\X.NCが有ります。\n上書きしますか？";

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineItems,
    ::testing::Values(
        // 1. folder
        ItemCase{
            "FolderWithBarAndTrailingBackslash", {"D:\\NC|DATA\\"}, {}, {.DirPath = "D:\\NC DATA"}},
        ItemCase{"FolderThatDoesNotExistYet", {"E:\\NEW\\JOB"}, {}, {.DirPath = "E:\\NEW\\JOB"}},
        ItemCase{"DriveRootLosesItsBackslash", {"D:\\"}, {}, {.DirPath = "D:"}},
        ItemCase{"StraySlashInAFolder", {"D:\\NC/"}, {}, {.DirPath = "D:\\NC"}},
        ItemCase{"EveryBarBecomesABlank", {"D:\\A|B|C"}, {}, {.DirPath = "D:\\A B C"}},
        // 2. send
        ItemCase{"SendNameInTheDataFolder",
                 {"S=O1234.NC"},
                 {"C:\\NC\\O1234.NC"},
                 {.SendPath = "C:\\NC\\O1234.NC", .AutoSendPending = "Y"}},
        ItemCase{"SendFullPathSetsFolderAndMask",
                 {"S=C:\\NC\\A.NC"},
                 {"C:\\NC\\A.NC"},
                 {.DirPath = "C:\\NC",
                  .Mask = "*.NC",
                  .SendPath = "C:\\NC\\A.NC",
                  .AutoSendPending = "Y"},
                 "D:\\OLD"},
        ItemCase{
            "SendFromADriveRoot",
            {"S=D:\\O9.TAP"},
            {"D:\\O9.TAP"},
            {.DirPath = "D:", .Mask = "*.TAP", .SendPath = "D:\\O9.TAP", .AutoSendPending = "Y"}},
        ItemCase{"SendNameInADriveRootDataFolder",
                 {"S=A.NC"},
                 {"C:\\A.NC"},
                 {.DirPath = "C:", .SendPath = "C:\\A.NC", .AutoSendPending = "Y"},
                 "C:\\"},
        ItemCase{"SendKeyInLowerCase",
                 {"s=o1.tap"},
                 {"C:\\NC\\o1.tap"},
                 {.Mask = "*.tap", .SendPath = "C:\\NC\\o1.tap", .AutoSendPending = "Y"}},
        ItemCase{"SendSlashIsRemovedFromThePath",
                 {"S=A.NC/"},
                 {"C:\\NC\\A.NC"},
                 {.SendPath = "C:\\NC\\A.NC", .AutoSendPending = "Y"}},
        ItemCase{"SendMissingFileShowsTheMessage",
                 {"S=NONE.NC"},
                 {},
                 {.SendPath = "C:\\NC\\NONE.NC", .errors = {kMissingNone}}},
        ItemCase{
            "SendMissingFileWithEndLeavesNothingPending",
            {"S=NONE.NC", "END"},
            {},
            {.SendPath = "C:\\NC\\NONE.NC", .CloseAfterTransfer = true, .errors = {kMissingNone}}},
        ItemCase{"SendFolderPathIsNotAFileToSend",
                 {"S=C:\\NC\\SUB"},
                 {},
                 {.Mask = "*",
                  .SendPath = "C:\\NC\\SUB",
                  .errors = {"送信データ\nC:\\NC\\SUBが見つかりません。"}}},
        // 3. receive
        ItemCase{"ReceiveIntoANewFile",
                 {"R=X.NC"},
                 {},
                 {.ReceivePath = "C:\\NC\\X.NC", .AutoReceivePending = "Y"}},
        ItemCase{
            "ReceiveOverAnExistingFileYes",
            {"R=X.NC"},
            {"C:\\NC\\X.NC"},
            {.ReceivePath = "C:\\NC\\X.NC", .AutoReceivePending = "Y", .questions = {kOverwriteX}}},
        ItemCase{"ReceiveOverAnExistingFileNoLeavesNothingPending",
                 {"R=X.NC"},
                 {"C:\\NC\\X.NC"},
                 {.ReceivePath = "C:\\NC\\X.NC", .questions = {kOverwriteX}},
                 "C:\\NC",
                 false},
        ItemCase{"ReceiveFullPathSetsFolderAndMask",
                 {"r=D:\\IN\\O7.TAP"},
                 {},
                 {.DirPath = "D:\\IN",
                  .Mask = "*.TAP",
                  .ReceivePath = "D:\\IN\\O7.TAP",
                  .AutoReceivePending = "Y"}},
        // 4. port
        ItemCase{"PortTwoDigits", {"COM12"}, {}, {.Port = "COM12"}},
        ItemCase{"PortInLowerCaseIsStoredUpper", {"com12"}, {}, {.Port = "COM12"}},
        ItemCase{"PortOfSixCharactersIsNoPort", {"COM123"}, {}, {}},
        ItemCase{"PortWithSlashAfterAnotherItem",
                 {"END", "/COM3"},
                 {},
                 {.Port = "COM3", .CloseAfterTransfer = true}},
        // 5. mask
        ItemCase{"MaskIsUpperCased", {"*.tap"}, {}, {.Mask = "*.TAP"}},
        ItemCase{"DotWithoutStarIsNoMask", {"A.NC"}, {}, {}},
        // 6. line setting
        ItemCase{"LineSettingIsUpperCased", {"9600,7,e,2"}, {}, {.Speed = "9600,7,E,2"}},
        // 7. import
        ItemCase{"FileIsImportedIntoTheDataFolder",
                 {"E:\\IN\\O5.TAP"},
                 {"E:\\IN\\O5.TAP"},
                 {.Mask = "*.TAP", .copies = {{"E:\\IN\\O5.TAP", "C:\\NC\\O5.TAP"}}}},
        ItemCase{"ImportIntoADriveRootDataFolder",
                 {"E:\\IN\\O5.NC"},
                 {"E:\\IN\\O5.NC"},
                 {.copies = {{"E:\\IN\\O5.NC", "C:\\O5.NC"}}},
                 "C:"},
        ItemCase{"FileAlreadyInTheDataFolderIsNotCopiedOntoItself",
                 {"c:\\NC\\A.TAP"},
                 {"c:\\NC\\A.TAP"},
                 {.Mask = "*.TAP"}},
        // 8. end
        ItemCase{"EndInAnyCase", {"end"}, {}, {.CloseAfterTransfer = true}},
        ItemCase{"EndWithSlash",
                 {"S=A.NC", "/END"},
                 {"C:\\NC\\A.NC"},
                 {.SendPath = "C:\\NC\\A.NC", .AutoSendPending = "Y", .CloseAfterTransfer = true}},
        ItemCase{"LongerWordWithEndIsIgnored", {"APPEND"}, {}, {}},
        // 9. anything else
        ItemCase{"UnknownWordIsIgnored", {"HELLO"}, {}, {}},
        ItemCase{"EmptyItemIsIgnored", {""}, {}, {}},
        // The order of the cases.
        ItemCase{"FolderComesBeforeLineSetting", {"D:\\A,B"}, {}, {.DirPath = "D:\\A,B"}},
        ItemCase{"LineSettingComesBeforeImport",
                 {"E:\\IN\\a,b.nc"},
                 {"E:\\IN\\a,b.nc"},
                 {.Speed = "E:\\IN\\A,B.NC"}},
        ItemCase{"SendComesBeforeFolder",
                 {"S=D:\\JOB\\A.NC"},
                 {},
                 {.DirPath = "D:\\JOB",
                  .SendPath = "D:\\JOB\\A.NC",
                  .errors = {"送信データ\nD:\\JOB\\A.NCが見つかりません。"}}},
        ItemCase{"PortComesBeforeMask", {"COM*."}, {}, {.Port = "COM*."}},
        ItemCase{"FolderItemThenNameIsTakenInTheNewFolder",
                 {"D:\\JOB", "S=A.NC"},
                 {"D:\\JOB\\A.NC"},
                 {.DirPath = "D:\\JOB", .SendPath = "D:\\JOB\\A.NC", .AutoSendPending = "Y"}},
        ItemCase{"NameThenFolderItemLeavesTheNameInTheOldFolder",
                 {"S=A.NC", "D:\\JOB"},
                 {"C:\\NC\\A.NC"},
                 {.DirPath = "D:\\JOB", .SendPath = "C:\\NC\\A.NC", .AutoSendPending = "Y"}},
        // Whole command lines.
        ItemCase{"SendExampleWithPortLineAndEnd",
                 {"S=O1234.NC", "COM2", "9600,7,E,2", "END"},
                 {"C:\\NC\\O1234.NC"},
                 {.Port = "COM2",
                  .Speed = "9600,7,E,2",
                  .SendPath = "C:\\NC\\O1234.NC",
                  .AutoSendPending = "Y",
                  .CloseAfterTransfer = true}},
        ItemCase{"SlashFormIsJoinedAndSplit",
                 {"/S=A.NC", "/COM3"},
                 {"C:\\NC\\A.NC"},
                 {.Port = "COM3", .SendPath = "C:\\NC\\A.NC", .AutoSendPending = "Y"}},
        ItemCase{"SlashFormWithFolderAndEnd",
                 {"/D:\\NC|DATA\\", "/R=O1.NC", "/END"},
                 {},
                 {.DirPath = "D:\\NC DATA",
                  .ReceivePath = "D:\\NC DATA\\O1.NC",
                  .AutoReceivePending = "Y",
                  .CloseAfterTransfer = true}}),
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

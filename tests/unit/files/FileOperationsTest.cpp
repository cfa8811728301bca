// Copy and move of sets, delete into the trash, on real temporary folders mapped as C: and D:.
#include "files/FileOperations.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "support/FaultyFileSystem.h"
#include "support/MappedDrives.h"

namespace kelvantori::test {
namespace {

namespace fs = std::filesystem;
using Op = FaultyFileSystem::Op;

void SetTime(const std::string& hostPath, std::int64_t seconds) {
    const timespec times[2] = {{static_cast<time_t>(seconds), 0},
                               {static_cast<time_t>(seconds), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, hostPath.c_str(), times, 0), 0) << hostPath;
}

// Answers from scripts, and a record of everything the operation showed.
class ScriptedCopyHost : public CopyMoveHost {
  public:
    std::deque<OverwriteAnswer> overwriteAnswers;
    std::deque<FailureAnswer> failureAnswers;
    int stopAtItem = -1;  // Progress answers false before this item

    std::vector<OverwriteQuestion> questions;
    std::vector<ItemFailure> failures;
    std::vector<FileProgress> progress;
    struct Message {
        std::string title;
        std::string text;
        bool warning = false;
    };
    std::vector<Message> messages;

    OverwriteAnswer AskOverwrite(const OverwriteQuestion& question) override {
        questions.push_back(question);
        if (overwriteAnswers.empty())
            return OverwriteAnswer::Cancel;
        const auto answer = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        return answer;
    }
    FailureAnswer ReportFailure(const ItemFailure& failure) override {
        failures.push_back(failure);
        if (failureAnswers.empty())
            return FailureAnswer::Cancel;
        const auto answer = failureAnswers.front();
        failureAnswers.pop_front();
        return answer;
    }
    bool Progress(const FileProgress& p) override {
        progress.push_back(p);
        return p.item != stopAtItem;
    }
    void ShowMessage(std::string_view title, std::string_view text, bool warning) override {
        messages.push_back({std::string(title), std::string(text), warning});
    }
};

class CopyMoveTest : public ::testing::Test {
  protected:
    CopyMoveTest() : zone_("TZ", "UTC") {}

    const TempFolder& C() const { return drives_.C(); }
    const TempFolder& D() const { return drives_.D(); }
    FileSystem& Files() { return drives_.Files(); }

    CopyMoveResult Run(const std::vector<std::string>& names, std::string_view target,
                       CopyMoveKind kind) {
        return ShellCopyOrMove(Files(), SourcesIn("C:\\NC", names), target, kind, host_);
    }

    ScopedEnv zone_;
    MappedDrives drives_;
    ScriptedCopyHost host_;
};

TEST_F(CopyMoveTest, CopiesASetOfFilesAndAWholeFolderAndSaysSo) {
    C().Write("NC/O1.NC", "%\r\nO0001\r\n%\r\n");
    C().Write("NC/O2.NC", std::string(3000, 'x'));
    C().Write("NC/SUB/O3.NC", "12345");
    C().Write("NC/SUB/DEEP/O4.NC", "678");
    fs::create_directories(D().File("OUT"));

    const auto result = Run({"O1.NC", "O2.NC", "SUB"}, "D:\\OUT", CopyMoveKind::Copy);

    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.done, 3);
    EXPECT_EQ(result.refresh, ListRefresh::None);
    EXPECT_EQ(D().Read("OUT/O1.NC"), "%\r\nO0001\r\n%\r\n");
    EXPECT_EQ(D().Read("OUT/O2.NC"), std::string(3000, 'x'));
    EXPECT_EQ(D().Read("OUT/SUB/O3.NC"), "12345");
    EXPECT_EQ(D().Read("OUT/SUB/DEEP/O4.NC"), "678");
    EXPECT_TRUE(C().Exists("NC/O1.NC"));
    EXPECT_TRUE(C().Exists("NC/SUB/DEEP/O4.NC"));
    EXPECT_TRUE(host_.questions.empty());

    // Item i of n before each item, with the bytes of the whole set (the folder's contents
    // counted), and a last call when all is done.
    ASSERT_EQ(host_.progress.size(), 4u);
    const std::uint64_t total = 13 + 3000 + 5 + 3;
    EXPECT_EQ(host_.progress[0].item, 0);
    EXPECT_EQ(host_.progress[0].count, 3);
    EXPECT_EQ(host_.progress[0].name, "C:\\NC\\O1.NC");
    EXPECT_EQ(host_.progress[0].bytesDone, 0u);
    EXPECT_EQ(host_.progress[2].bytesDone, 13u + 3000u);
    EXPECT_EQ(host_.progress[2].name, "C:\\NC\\SUB");
    EXPECT_EQ(host_.progress[3].item, 3);
    EXPECT_EQ(host_.progress[3].bytesDone, total);
    for (const auto& p : host_.progress)
        EXPECT_EQ(p.bytesTotal, total);

    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].title, "完了");
    EXPECT_EQ(host_.messages[0].text, "ファイルをコピーしました。");
    EXPECT_FALSE(host_.messages[0].warning);
}

// Three sources whose targets all exist; the answers decide which are replaced.
struct OverwriteRow {
    const char* name;
    std::vector<OverwriteAnswer> answers;
    std::size_t questions;
    const char* replaced;  // per source: 'n' new content, 'o' old content
    int done;
    int skipped;
    bool completed;
};

class OverwriteAnswers : public CopyMoveTest, public ::testing::WithParamInterface<OverwriteRow> {};

TEST_P(OverwriteAnswers, DecideWhichTargetsAreReplaced) {
    const auto& row = GetParam();
    for (const char* name : {"A.NC", "B.NC", "C.NC"}) {
        C().Write(std::string("NC/") + name, std::string("new ") + name);
        D().Write(std::string("OUT/") + name, std::string("old ") + name);
    }
    host_.overwriteAnswers.assign(row.answers.begin(), row.answers.end());

    const auto result = Run({"A.NC", "B.NC", "C.NC"}, "D:\\OUT", CopyMoveKind::Copy);

    EXPECT_EQ(host_.questions.size(), row.questions);
    const char* names[] = {"A.NC", "B.NC", "C.NC"};
    for (int i = 0; i < 3; ++i) {
        const std::string expected =
            (row.replaced[i] == 'n' ? "new " : "old ") + std::string(names[i]);
        EXPECT_EQ(D().Read(std::string("OUT/") + names[i]), expected) << names[i];
    }
    EXPECT_EQ(result.done, row.done);
    EXPECT_EQ(result.skipped, row.skipped);
    EXPECT_EQ(result.completed, row.completed);
    // A stop shows nothing; a completed copy says so, skipped files or not.
    EXPECT_EQ(host_.messages.size(), row.completed ? 1u : 0u);
}

using A = OverwriteAnswer;
INSTANTIATE_TEST_SUITE_P(
    CopyMove, OverwriteAnswers,
    ::testing::Values(OverwriteRow{"YesNoYes", {A::Yes, A::No, A::Yes}, 3, "non", 2, 1, true},
                      OverwriteRow{"YesToAllAsksOnce", {A::YesToAll}, 1, "nnn", 3, 0, true},
                      OverwriteRow{"NoToAllAsksOnce", {A::NoToAll}, 1, "ooo", 0, 3, true},
                      OverwriteRow{"NoThenYesToAll", {A::No, A::YesToAll}, 2, "onn", 2, 1, true},
                      OverwriteRow{
                          "CancelStopsBeforeTheItem", {A::Yes, A::Cancel}, 2, "noo", 1, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CopyMoveTest, TheOverwriteQuestionNamesBothFilesWithSizeAndTime) {
    SetTime(C().Write("NC/A.NC", std::string(12345, 'x')), 1717243200);  // 2024-06-01 12:00 UTC
    SetTime(D().Write("OUT/A.NC", "123"), 1704067200);                   // 2024-01-01 00:00:00 UTC
    host_.overwriteAnswers = {A::No};

    Run({"A.NC"}, "D:\\OUT", CopyMoveKind::Copy);

    ASSERT_EQ(host_.questions.size(), 1u);
    const auto& q = host_.questions[0];
    EXPECT_EQ(q.source, "C:\\NC\\A.NC");
    EXPECT_EQ(q.target, "D:\\OUT\\A.NC");
    EXPECT_FALSE(q.folder);
    EXPECT_EQ(q.text,
              "すでにD:\\OUT\\A.NCが有ります。\n"
              "現在のファイル : 3ﾊﾞｲﾄ  2024-01-01 00:00:00\n"
              "新しいファイル : 12,345ﾊﾞｲﾄ  2024-06-01 12:00:00\n"
              "上書きしますか？");
    EXPECT_EQ(D().Read("OUT/A.NC"), "123");
}

TEST_F(CopyMoveTest, AFolderOntoAFolderOfTheSameNameIsMergedAfterOneQuestion) {
    C().Write("NC/SUB/X.NC", "new X");
    C().Write("NC/SUB/Z.NC", "Z");
    D().Write("OUT/SUB/X.NC", "old X");
    D().Write("OUT/SUB/Y.NC", "Y");
    host_.overwriteAnswers = {A::Yes};

    const auto result = Run({"SUB"}, "D:\\OUT", CopyMoveKind::Copy);

    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_TRUE(host_.questions[0].folder);
    EXPECT_EQ(host_.questions[0].text,
              "すでにD:\\OUT\\SUBのフォルダーが有ります。\n同じ名前のファイルは置き換えられます。\n"
              "フォルダーをまとめますか？");
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(D().Read("OUT/SUB/X.NC"), "new X");
    EXPECT_EQ(D().Read("OUT/SUB/Y.NC"), "Y");
    EXPECT_EQ(D().Read("OUT/SUB/Z.NC"), "Z");
}

TEST_F(CopyMoveTest, MoveWithinTheSameDriveAndAcrossDrivesAsksForARefreshKeepingTheSelection) {
    C().Write("NC/A.NC", "A");
    C().Write("NC/SUB/B.NC", "B");
    C().Write("NC/C.NC", "C");

    fs::create_directories(C().File("DONE"));

    const auto moved = Run({"A.NC", "SUB"}, "C:\\DONE", CopyMoveKind::Move);
    EXPECT_TRUE(moved.completed);
    EXPECT_EQ(moved.refresh, ListRefresh::KeepSelection);
    EXPECT_EQ(C().Read("DONE/A.NC"), "A");
    EXPECT_EQ(C().Read("DONE/SUB/B.NC"), "B");
    EXPECT_FALSE(C().Exists("NC/A.NC"));
    EXPECT_FALSE(C().Exists("NC/SUB"));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text, "ファイルを移動しました。");
    EXPECT_EQ(host_.messages[0].title, "完了");

    fs::create_directories(D().File("OUT"));
    const auto acrossDrives = Run({"C.NC"}, "D:\\OUT", CopyMoveKind::Move);
    EXPECT_TRUE(acrossDrives.completed);
    EXPECT_EQ(D().Read("OUT/C.NC"), "C");
    EXPECT_FALSE(C().Exists("NC/C.NC"));
}

TEST_F(CopyMoveTest, AFolderMovedOntoAFilledFolderIsMergedAndTheOriginalGoesToTheTrash) {
    C().Write("NC/SUB/X.NC", "new X");
    C().Write("NC/SUB/Z.NC", "Z");
    D().Write("OUT/SUB/X.NC", "old X");
    D().Write("OUT/SUB/Y.NC", "Y");
    host_.overwriteAnswers = {A::Yes};

    const auto result = Run({"SUB"}, "D:\\OUT", CopyMoveKind::Move);

    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(D().Read("OUT/SUB/X.NC"), "new X");
    EXPECT_EQ(D().Read("OUT/SUB/Y.NC"), "Y");
    EXPECT_EQ(D().Read("OUT/SUB/Z.NC"), "Z");
    EXPECT_FALSE(C().Exists("NC/SUB"));
    // Nothing is deleted outright: the merged original is recoverable.
    EXPECT_TRUE(fs::exists(drives_.Trash("files/SUB/X.NC")));
}

TEST_F(CopyMoveTest, ProgressCancelStopsBeforeTheNextItemAndShowsNothing) {
    C().Write("NC/A.NC", "A");
    C().Write("NC/B.NC", "B");
    C().Write("NC/C.NC", "C");
    fs::create_directories(D().File("OUT"));
    host_.stopAtItem = 1;

    const auto result = Run({"A.NC", "B.NC", "C.NC"}, "D:\\OUT", CopyMoveKind::Move);

    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.done, 1);
    EXPECT_TRUE(D().Exists("OUT/A.NC"));
    EXPECT_FALSE(D().Exists("OUT/B.NC"));
    EXPECT_TRUE(C().Exists("NC/B.NC"));
    EXPECT_TRUE(host_.messages.empty());
    // One file did leave the listed folder.
    EXPECT_EQ(result.refresh, ListRefresh::KeepSelection);
}

TEST_F(CopyMoveTest, AFailedItemIsReportedAndRetriedSkippedOrStoppedAt) {
    for (const char* name : {"A.NC", "B.NC"})
        C().Write(std::string("NC/") + name, name);
    fs::create_directories(D().File("OUT"));
    FaultyFileSystem faulty(Files());

    // Retry: the second attempt works.
    faulty.Fail(Op::Copy, "C:\\NC\\A.NC", FsError::AccessDenied);
    host_.failureAnswers = {FailureAnswer::Retry};
    auto result = ShellCopyOrMove(faulty, SourcesIn("C:\\NC", {"A.NC", "B.NC"}), "D:\\OUT",
                                  CopyMoveKind::Copy, host_);
    ASSERT_EQ(host_.failures.size(), 1u);
    EXPECT_EQ(host_.failures[0].error, FsError::AccessDenied);
    EXPECT_EQ(host_.failures[0].text,
              "C:\\NC\\A.NC\nをコピー出来ませんでした。\nアクセスが拒否されました。");
    EXPECT_EQ(faulty.Calls(Op::Copy, "C:\\NC\\A.NC"), 2);
    EXPECT_EQ(result.done, 2);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(host_.messages.back().text, "ファイルをコピーしました。");

    // Skip: the rest goes on, and the end does not claim that everything was copied.
    fs::remove_all(D().File("OUT"));
    fs::create_directories(D().File("OUT"));
    host_ = ScriptedCopyHost();
    faulty.Fail(Op::Copy, "C:\\NC\\A.NC", FsError::NoSpace);
    host_.failureAnswers = {FailureAnswer::Skip};
    result = ShellCopyOrMove(faulty, SourcesIn("C:\\NC", {"A.NC", "B.NC"}), "D:\\OUT",
                             CopyMoveKind::Copy, host_);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(result.failed, 1);
    EXPECT_FALSE(D().Exists("OUT/A.NC"));
    EXPECT_TRUE(D().Exists("OUT/B.NC"));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].title, "確認");
    EXPECT_EQ(host_.messages[0].text, "1 個の項目をコピー出来ませんでした。");
    EXPECT_TRUE(host_.messages[0].warning);

    // Cancel: nothing after the failed item, no message.
    fs::remove_all(D().File("OUT"));
    fs::create_directories(D().File("OUT"));
    host_ = ScriptedCopyHost();
    faulty.Fail(Op::Move, "C:\\NC\\A.NC", FsError::AccessDenied);
    host_.failureAnswers = {FailureAnswer::Cancel};
    result = ShellCopyOrMove(faulty, SourcesIn("C:\\NC", {"A.NC", "B.NC"}), "D:\\OUT",
                             CopyMoveKind::Move, host_);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.failed, 1);
    EXPECT_TRUE(C().Exists("NC/A.NC"));
    EXPECT_TRUE(C().Exists("NC/B.NC"));
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(result.refresh, ListRefresh::None);
}

TEST_F(CopyMoveTest, ImpossibleTargetsAreReportedWithoutAQuestion) {
    C().Write("NC/SUB/A.NC", "A");
    C().Write("NC/B.NC", "B");
    fs::create_directories(D().File("OUT/B.NC"));  // a folder where the file would go
    host_.failureAnswers = {FailureAnswer::Skip, FailureAnswer::Skip, FailureAnswer::Skip};

    // A folder dropped onto its own line would go into itself.
    Run({"SUB"}, "C:\\NC\\SUB", CopyMoveKind::Move);
    Run({"B.NC"}, "D:\\OUT", CopyMoveKind::Copy);
    Run({"GONE.NC"}, "D:\\OUT", CopyMoveKind::Copy);
    // Into its own folder, the drive letter in the other case: a copy onto itself.
    host_.failureAnswers.push_back(FailureAnswer::Skip);
    Run({"B.NC"}, "c:\\NC\\", CopyMoveKind::Copy);

    EXPECT_TRUE(host_.questions.empty());
    ASSERT_EQ(host_.failures.size(), 4u);
    EXPECT_EQ(host_.failures[3].text,
              "C:\\NC\\B.NC\nをコピー出来ませんでした。\nコピー元とコピー先が同じです。");
    EXPECT_EQ(host_.failures[0].text,
              "C:\\NC\\SUB\nを移動出来ませんでした。\n"
              "フォルダーをそのフォルダー自身の中へ入れることは出来ません。");
    EXPECT_EQ(host_.failures[1].error, FsError::IsADirectory);
    EXPECT_EQ(host_.failures[2].error, FsError::NotFound);
    EXPECT_EQ(C().Read("NC/SUB/A.NC"), "A");
    EXPECT_EQ(C().Read("NC/B.NC"), "B");
}

// --- Delete -----------------------------------------------------------------------------------

class ScriptedDeleteHost : public DeleteHost {
  public:
    bool answer = true;
    std::vector<std::string> confirmations;
    std::vector<ItemFailure> failures;
    bool Confirm(std::string_view text) override {
        confirmations.emplace_back(text);
        return answer;
    }
    void ReportFailure(const ItemFailure& failure) override { failures.push_back(failure); }
    bool Progress(const FileProgress&) override { return true; }
};

class DeleteTest : public ::testing::Test {
  protected:
    MappedDrives drives_;
    ScriptedDeleteHost host_;
};

TEST_F(DeleteTest, ThreeMarkedFilesAskOnceAndGoToTheTrashWithTheirRecords) {
    for (const char* name : {"A.NC", "B.NC", "C.NC"})
        drives_.C().Write(std::string("NC/") + name, name);
    drives_.C().Write("NC/KEEP.NC", "keep");

    const auto result =
        DeleteToTrash(drives_.Files(), SourcesIn("C:\\NC", {"A.NC", "B.NC", "C.NC"}), host_);

    ASSERT_EQ(host_.confirmations.size(), 1u);
    EXPECT_EQ(host_.confirmations[0], "3 個の項目をごみ箱に移動しますか？");
    EXPECT_TRUE(result.confirmed);
    EXPECT_EQ(result.done, 3);
    EXPECT_EQ(result.refresh, ListRefresh::Full);
    for (const char* name : {"A.NC", "B.NC", "C.NC"}) {
        EXPECT_FALSE(drives_.C().Exists(std::string("NC/") + name));
        EXPECT_TRUE(fs::exists(drives_.Trash(std::string("files/") + name))) << name;
        const auto info = drives_.Trash(std::string("info/") + name + ".trashinfo");
        ASSERT_TRUE(fs::exists(info)) << name;
        std::ifstream in(info);
        std::string first;
        std::string path;
        std::getline(in, first);
        std::getline(in, path);
        EXPECT_EQ(first, "[Trash Info]");
        EXPECT_EQ(path, "Path=" + drives_.C().File(std::string("NC/") + name));
    }
    EXPECT_TRUE(drives_.C().Exists("NC/KEEP.NC"));
}

TEST_F(DeleteTest, NoLeavesEverythingAndTheQuestionNamesASingleItem) {
    drives_.C().Write("NC/O1234.NC", "x");
    drives_.C().Write("NC/SUB/A.NC", "x");
    host_.answer = false;

    const auto file = DeleteToTrash(drives_.Files(), {"C:\\NC\\O1234.NC"}, host_);
    const auto folder = DeleteToTrash(drives_.Files(), {"C:\\NC\\SUB"}, host_);

    EXPECT_EQ(host_.confirmations,
              (std::vector<std::string>{"「O1234.NC」をごみ箱に移動しますか？",
                                        "フォルダー「SUB」とその中身をごみ箱に移動しますか？"}));
    EXPECT_FALSE(file.confirmed);
    EXPECT_EQ(file.refresh, ListRefresh::None);
    EXPECT_FALSE(folder.confirmed);
    EXPECT_TRUE(drives_.C().Exists("NC/O1234.NC"));
    EXPECT_TRUE(drives_.C().Exists("NC/SUB/A.NC"));
    EXPECT_FALSE(fs::exists(drives_.Trash("files")));
}

TEST_F(DeleteTest, EachFailureIsReportedAndTheOthersStillGo) {
    for (const char* name : {"A.NC", "B.NC", "C.NC"})
        drives_.C().Write(std::string("NC/") + name, name);
    FaultyFileSystem faulty(drives_.Files());
    faulty.Fail(Op::Trash, "C:\\NC\\B.NC", FsError::AccessDenied);

    const auto result =
        DeleteToTrash(faulty, SourcesIn("C:\\NC", {"A.NC", "B.NC", "C.NC", "GONE.NC"}), host_);

    EXPECT_EQ(result.done, 2);
    EXPECT_EQ(result.failed, 2);
    ASSERT_EQ(host_.failures.size(), 2u);
    EXPECT_EQ(host_.failures[0].source, "C:\\NC\\B.NC");
    EXPECT_EQ(host_.failures[0].text,
              "C:\\NC\\B.NC\nをごみ箱に移動出来ませんでした。\nアクセスが拒否されました。");
    EXPECT_EQ(host_.failures[1].error, FsError::NotFound);
    EXPECT_TRUE(drives_.C().Exists("NC/B.NC"));
    EXPECT_FALSE(drives_.C().Exists("NC/A.NC"));
    EXPECT_FALSE(drives_.C().Exists("NC/C.NC"));
}

// --- Rename -----------------------------------------------------------------------------------

struct RuleRow {
    const char* name;
    RenameRule rule;
    const char* before;
    const char* after;
};

class RenameRules : public ::testing::TestWithParam<RuleRow> {};

TEST_P(RenameRules, ChangeSingleByteLatinLettersOnly) {
    EXPECT_EQ(ApplyRenameRule(GetParam().rule, GetParam().before), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Rename, RenameRules,
    ::testing::Values(RuleRow{"CapitaliseAbc", RenameRule::Capitalise, "abc.NC", "Abc.nc"},
                      RuleRow{"UpperAbc", RenameRule::Upper, "abc.NC", "ABC.NC"},
                      RuleRow{"LowerAbc", RenameRule::Lower, "abc.NC", "abc.nc"},
                      RuleRow{"KeepAbc", RenameRule::Keep, "abc.NC", "abc.NC"},
                      RuleRow{"OneByOneGivesTheOldName", RenameRule::OneByOne, "abc.NC", "abc.NC"},
                      RuleRow{"CapitaliseKeepsLeadingKatakana", RenameRule::Capitalise, "ｱｲｳabc.nc",
                              "ｱｲｳabc.nc"},
                      RuleRow{"UpperKeepsKatakana", RenameRule::Upper, "ｱｲｳabc.nc", "ｱｲｳABC.NC"},
                      RuleRow{"LowerKeepsKanji", RenameRule::Lower, "加工ABC.NC", "加工abc.nc"},
                      RuleRow{"UpperKeepsAccentedLetters", RenameRule::Upper, "é1a", "é1A"},
                      RuleRow{"CapitaliseDigitFirst", RenameRule::Capitalise, "1AB.NC", "1ab.nc"},
                      RuleRow{"CapitaliseEmpty", RenameRule::Capitalise, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct NameRow {
    const char* name;
    bool valid;
};

class EntryNames : public ::testing::TestWithParam<NameRow> {};

TEST_P(EntryNames, NeverPointOutsideTheirFolder) {
    EXPECT_EQ(IsValidEntryName(GetParam().name), GetParam().valid) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Rename, EntryNames,
                         ::testing::Values(NameRow{"O1234.NC", true}, NameRow{"ｱｲｳ 加工.nc", true},
                                           NameRow{".hidden", true}, NameRow{"", false},
                                           NameRow{".", false}, NameRow{"..", false},
                                           NameRow{"..\\O1.NC", false}, NameRow{"A/B", false},
                                           NameRow{"C:O1.NC", false}, NameRow{"A*.NC", false},
                                           NameRow{"A?.NC", false}, NameRow{"A\"B", false},
                                           NameRow{"A<B", false}, NameRow{"A|B", false},
                                           NameRow{"A\tB", false}));

class ScriptedRenameHost : public RenameHost {
  public:
    std::deque<std::optional<std::string>> names;
    std::vector<int> selected;
    std::vector<std::string> asked;
    std::vector<std::pair<int, std::string>> renamed;
    std::vector<ItemFailure> failures;
    int pauses = 0;

    void SelectLine(int line) override { selected.push_back(line); }
    std::optional<std::string> AskNewName(const std::string& oldName) override {
        asked.push_back(oldName);
        auto answer = names.empty() ? std::nullopt : names.front();
        if (!names.empty())
            names.pop_front();
        return answer;
    }
    void LineRenamed(int line, const std::string& newName) override {
        renamed.emplace_back(line, newName);
    }
    void ReportFailure(const ItemFailure& failure) override { failures.push_back(failure); }
    void Pause(std::chrono::milliseconds duration) override {
        EXPECT_EQ(duration, std::chrono::milliseconds(100));
        ++pauses;
    }
};

class RenameTest : public ::testing::Test {
  protected:
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(drives_.C().File("NC")))
            names.insert(entry.path().filename().string());
        return names;
    }

    MappedDrives drives_;
    ScriptedRenameHost host_;
};

TEST_F(RenameTest, CapitaliseRenamesTheMarkedFilesInMarkOrderAndUpdatesTheirLines) {
    drives_.C().Write("NC/abc.NC", "1");
    drives_.C().Write("NC/o1234.nc", "2");
    drives_.C().Write("NC/other.NC", "3");

    const auto result = RenameAll(drives_.Files(), "C:\\NC", {{5, "o1234.nc"}, {3, "abc.NC"}},
                                  RenameRule::Capitalise, host_);

    EXPECT_EQ(result.renamed, 2);
    EXPECT_EQ(Names(), (std::set<std::string>{"Abc.nc", "O1234.nc", "other.NC"}));
    EXPECT_EQ(drives_.C().Read("NC/Abc.nc"), "1");
    EXPECT_EQ(host_.selected, (std::vector<int>{5, 3}));
    EXPECT_EQ(host_.renamed,
              (std::vector<std::pair<int, std::string>>{{5, "O1234.nc"}, {3, "Abc.nc"}}));
    EXPECT_EQ(host_.pauses, 2);
}

TEST_F(RenameTest, RuleOneLeavesEveryMarkedFileAsItIs) {
    drives_.C().Write("NC/abc.NC", "1");
    drives_.C().Write("NC/def.nc", "2");

    const auto result = RenameAll(drives_.Files(), "C:\\NC", {{0, "abc.NC"}, {1, "def.nc"}},
                                  RenameRule::Keep, host_);

    EXPECT_EQ(result.renamed, 0);
    EXPECT_EQ(result.unchanged, 2);
    EXPECT_EQ(Names(), (std::set<std::string>{"abc.NC", "def.nc"}));
    EXPECT_TRUE(host_.renamed.empty());
    EXPECT_TRUE(host_.selected.empty());
}

TEST_F(RenameTest, OneByOneAsksForEachFileAndSkipsACancelledOne) {
    drives_.C().Write("NC/A.NC", "1");
    drives_.C().Write("NC/B.NC", "2");
    drives_.C().Write("NC/C.NC", "3");
    host_.names = {std::string("X.NC"), std::nullopt, std::string("..\\UP.NC")};

    const auto result =
        RenameAll(drives_.Files(), "C:\\NC", {{1, "A.NC"}, {2, "B.NC"}, {3, "C.NC"}},
                  RenameRule::OneByOne, host_);

    EXPECT_EQ(host_.asked, (std::vector<std::string>{"A.NC", "B.NC", "C.NC"}));
    EXPECT_EQ(result.renamed, 1);
    EXPECT_EQ(result.unchanged, 1);
    EXPECT_EQ(result.failed, 1);
    // A name with a "\" would have moved the file into the parent folder.
    EXPECT_EQ(Names(), (std::set<std::string>{"X.NC", "B.NC", "C.NC"}));
    EXPECT_FALSE(drives_.C().Exists("UP.NC"));
    ASSERT_EQ(host_.failures.size(), 1u);
    EXPECT_EQ(host_.failures[0].error, FsError::InvalidName);
    EXPECT_EQ(host_.failures[0].text,
              "C.NC\nの名前を変更出来ませんでした。\nファイル名が正しくありません。");
}

TEST_F(RenameTest, ANameThatIsTakenIsReportedAndNoFileIsReplaced) {
    drives_.C().Write("NC/a.nc", "small a");
    drives_.C().Write("NC/A.NC", "big A");

    const auto result =
        RenameAll(drives_.Files(), "C:\\NC", {{0, "a.nc"}}, RenameRule::Upper, host_);

    EXPECT_EQ(result.failed, 1);
    ASSERT_EQ(host_.failures.size(), 1u);
    EXPECT_EQ(host_.failures[0].error, FsError::Exists);
    EXPECT_EQ(drives_.C().Read("NC/a.nc"), "small a");
    EXPECT_EQ(drives_.C().Read("NC/A.NC"), "big A");
    EXPECT_TRUE(host_.renamed.empty());
}

TEST_F(RenameTest, RenameEntryRenamesFilesAndFoldersAndRefusesBadNames) {
    drives_.C().Write("NC/abc.NC", "1");
    drives_.C().Write("NC/SUB/X.NC", "2");
    EXPECT_EQ(RenameEntry(drives_.Files(), "C:\\NC", "abc.NC", "abc.NC"), FsError::None);
    EXPECT_EQ(RenameEntry(drives_.Files(), "C:\\NC", "abc.NC", "SUB\\abc.NC"),
              FsError::InvalidName);
    EXPECT_EQ(RenameEntry(drives_.Files(), "C:\\NC", "abc.NC", ""), FsError::InvalidName);
    EXPECT_EQ(RenameEntry(drives_.Files(), "C:\\NC", "abc.NC", "SUB"), FsError::Exists);
    EXPECT_EQ(Names(), (std::set<std::string>{"abc.NC", "SUB"}));
    EXPECT_EQ(RenameEntry(drives_.Files(), "C:\\NC", "abc.NC", "Abc.nc"), FsError::None);
    EXPECT_EQ(RenameEntry(drives_.Files(), "C:\\NC", "SUB", "PROGS"), FsError::None);
    EXPECT_EQ(Names(), (std::set<std::string>{"Abc.nc", "PROGS"}));
    EXPECT_EQ(drives_.C().Read("NC/PROGS/X.NC"), "2");
}

// --- Copy to a new name, folder creation, import -------------------------------------------

struct CopyNameRow {
    const char* name;
    const char* typed;
    const char* mask;
    const char* allFiles;
    const char* target;
};

class CopyNameTargets : public ::testing::TestWithParam<CopyNameRow> {};

TEST_P(CopyNameTargets, AppendTheMaskExtensionUnlessAllFilesAreListed) {
    const auto& row = GetParam();
    EXPECT_EQ(CopyNameTarget("D:\\NC", row.typed, row.mask, row.allFiles), row.target);
}

INSTANTIATE_TEST_SUITE_P(
    CopyName, CopyNameTargets,
    ::testing::Values(
        CopyNameRow{"MaskExtension", "O5678", "*.NC", "N", "D:\\NC\\O5678.NC"},
        CopyNameRow{"MaskKeepsItsCase", "O5678", "*.nc", "N", "D:\\NC\\O5678.nc"},
        CopyNameRow{"AllFilesTakesTheName", "O5678.TXT", "*.NC", "Y", "D:\\NC\\O5678.TXT"},
        CopyNameRow{"AllFilesWithoutExtension", "O5678", "*.NC", "Y", "D:\\NC\\O5678"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CopyNameTargetsAtTheRoot, JoinWithOneSeparator) {
    EXPECT_EQ(CopyNameTarget("C:", "O1", "*.NC", "N"), "C:\\O1.NC");
}

TEST_F(RenameTest, CopyToANewNameReplacesWithoutAQuestionButNeverCopiesOntoItself) {
    drives_.C().Write("NC/O1.NC", "program one");
    drives_.C().Write("NC/O2.NC", "old two");

    const auto copied = CopyToNewName(drives_.Files(), "C:\\NC", "O1.NC", "O2", "*.NC", "N");
    EXPECT_EQ(copied.error, FsError::None);
    EXPECT_EQ(copied.target, "C:\\NC\\O2.NC");
    EXPECT_EQ(copied.message, "ファイルコピー完了");
    EXPECT_EQ(drives_.C().Read("NC/O2.NC"), "program one");

    const auto itself = CopyToNewName(drives_.Files(), "C:\\NC", "O1.NC", "O1", "*.NC", "N");
    EXPECT_NE(itself.error, FsError::None);
    EXPECT_EQ(itself.message, "コピー元とコピー先が同じです。");
    EXPECT_EQ(drives_.C().Read("NC/O1.NC"), "program one");

    fs::create_directories(drives_.C().File("NC/O3.NC"));
    const auto ontoFolder = CopyToNewName(drives_.Files(), "C:\\NC", "O1.NC", "O3", "*.NC", "N");
    EXPECT_EQ(ontoFolder.error, FsError::IsADirectory);
    EXPECT_EQ(ontoFolder.message, "コピー出来ませんでした。ファイルではなくフォルダーです。");
}

TEST_F(RenameTest, CreateFolderPathMakesEveryMissingFolderOnTheWay) {
    FsError error = FsError::Other;
    EXPECT_TRUE(CreateFolderPath(drives_.Files(), "C:\\A\\B\\C", &error));
    EXPECT_EQ(error, FsError::None);
    EXPECT_TRUE(fs::is_directory(drives_.C().File("A/B/C")));

    // Existing parts are left alone; a trailing "\" is dropped.
    drives_.C().Write("A/B/keep.NC", "k");
    EXPECT_TRUE(CreateFolderPath(drives_.Files(), "c:\\A\\B\\D\\", &error));
    EXPECT_TRUE(fs::is_directory(drives_.C().File("A/B/D")));
    EXPECT_EQ(drives_.C().Read("A/B/keep.NC"), "k");
}

TEST_F(RenameTest, CreateFolderPathOfADriveCreatesNothing) {
    FaultyFileSystem faulty(drives_.Files());
    EXPECT_FALSE(CreateFolderPath(faulty, "C:"));
    EXPECT_FALSE(CreateFolderPath(faulty, "C:\\"));
    EXPECT_FALSE(CreateFolderPath(faulty, ""));
    EXPECT_EQ(faulty.Calls(Op::CreateDirectory, "C:"), 0);
    EXPECT_TRUE(CreateFolderPath(faulty, "C:\\X"));
    EXPECT_EQ(faulty.Calls(Op::CreateDirectory, "C:"), 0);  // the root exists
    EXPECT_EQ(faulty.Calls(Op::CreateDirectory, "C:\\X"), 1);
}

TEST_F(RenameTest, CreateFolderPathAnswersTrueButTellsTheFirstFailure) {
    FaultyFileSystem faulty(drives_.Files());
    faulty.Fail(Op::CreateDirectory, "C:\\A", FsError::AccessDenied);
    FsError error = FsError::None;
    EXPECT_TRUE(CreateFolderPath(faulty, "C:\\A\\B", &error));
    EXPECT_EQ(error, FsError::AccessDenied);
    EXPECT_FALSE(fs::exists(drives_.C().File("A")));
}

TEST_F(RenameTest, ImportReplacesAFileOfThatNameAndLeavesAFileAlreadyThere) {
    drives_.D().Write("IN/O9.NC", "from the stick");
    drives_.C().Write("NC/O9.NC", "old");
    drives_.C().Write("NC/O8.NC", "eight");

    EXPECT_EQ(ImportFile(drives_.Files(), "D:\\IN\\O9.NC", "C:\\NC"), FsError::None);
    EXPECT_EQ(drives_.C().Read("NC/O9.NC"), "from the stick");
    EXPECT_EQ(ImportFile(drives_.Files(), "c:\\NC\\O8.NC", "C:\\NC"), FsError::None);
    EXPECT_EQ(drives_.C().Read("NC/O8.NC"), "eight");

    const auto dropped = ImportDroppedFiles(drives_.Files(), {"D:\\IN\\O9.NC"}, "C:\\NC");
    EXPECT_TRUE(dropped.failures.empty());
    EXPECT_EQ(dropped.message, "ファイルコピー完了");

    const auto failed =
        ImportDroppedFiles(drives_.Files(), {"D:\\IN\\GONE.NC", "D:\\IN\\O9.NC"}, "C:\\NC");
    ASSERT_EQ(failed.failures.size(), 1u);
    EXPECT_EQ(failed.failures[0].error, FsError::NotFound);
    EXPECT_EQ(failed.message, "1 個のファイルをコピー出来ませんでした。");
}

// --- The copy/move dialog's target -----------------------------------------------------------

class ScriptedTargetHost : public TargetCheckHost {
  public:
    bool create = true;
    std::vector<std::string> questions;
    std::vector<std::string> refusals;
    bool AskCreateFolder(std::string_view text) override {
        questions.emplace_back(text);
        return create;
    }
    void ShowRefusal(std::string_view text) override { refusals.emplace_back(text); }
};

struct TargetRow {
    const char* name;
    const char* combo;
    bool createAnswer;
    bool accepted;
    const char* target;  // when accepted
    const char* comboAfter;
    int questions;
    const char* refusal;  // "" for none
};

class CopyTargets : public ::testing::TestWithParam<TargetRow> {
  protected:
    MappedDrives drives_;
};

TEST_P(CopyTargets, AreCheckedBeforeAnythingIsCopied) {
    const auto& row = GetParam();
    fs::create_directories(drives_.C().File("NC"));
    fs::create_directories(drives_.D().File("OUT"));
    ScriptedTargetHost host;
    host.create = row.createAnswer;

    const auto check = CheckCopyTarget(drives_.Files(), row.combo, "C:\\NC", host);

    EXPECT_EQ(check.accepted, row.accepted);
    if (row.accepted) {
        EXPECT_EQ(check.target, row.target);
        // An accepted folder exists on disk (a created one included), except a bare drive.
        if (check.target.size() > 2) {
            EXPECT_TRUE(drives_.Files().IsDirectory(check.target)) << check.target;
        }
    }
    EXPECT_EQ(check.comboText, row.comboAfter);
    EXPECT_EQ(static_cast<int>(host.questions.size()), row.questions);
    if (row.questions > 0) {
        EXPECT_EQ(host.questions[0], "ディレクトリが見つかりません。ディレクトリを作成しますか？");
    }
    if (std::string_view(row.refusal).empty()) {
        EXPECT_TRUE(host.refusals.empty());
    } else {
        ASSERT_EQ(host.refusals.size(), 1u);
        EXPECT_EQ(host.refusals[0], row.refusal);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CopyMoveDialog, CopyTargets,
    ::testing::Values(
        TargetRow{"ExistingFolder", "D:\\OUT", true, true, "D:\\OUT", "D:\\OUT", 0, ""},
        TargetRow{"TrailingSeparatorDropped", "D:\\OUT\\", true, true, "D:\\OUT", "D:\\OUT\\", 0,
                  ""},
        TargetRow{"SameFolderInOtherCaseRefused", "c:\\nc", true, false, "", "c:\\nc", 0,
                  "C:\\NCのﾌｫﾙﾀﾞｰにはｺﾋﾟｰは出来ません。"},
        TargetRow{"SameFolderWithSeparatorRefused", "C:\\NC\\", true, false, "", "C:\\NC\\", 0,
                  "C:\\NCのﾌｫﾙﾀﾞｰにはｺﾋﾟｰは出来ません。"},
        TargetRow{"TwoCharactersUnchecked", "Q:", true, true, "Q:", "Q:", 0, ""},
        TargetRow{"DriveWithSeparatorUnchecked", "D:\\", true, true, "D:", "D:\\", 0, ""},
        TargetRow{"MissingFolderCreated", "D:\\NEW\\SUB", true, true, "D:\\NEW\\SUB",
                  "D:\\NEW\\SUB", 1, ""},
        TargetRow{"MissingFolderNoFallsBackToTheCurrentFolder", "D:\\NEW", false, false, "",
                  "C:\\NC", 1, "C:\\NCのﾌｫﾙﾀﾞｰにはｺﾋﾟｰは出来ません。"},
        TargetRow{"FolderThatCannotBeCreated", "Q:\\NC", true, false, "", "Q:\\NC", 1,
                  "Q:\\NC\nのディレクトリを作成出来ませんでした。\n"
                  "ドライブが割り当てられていません。"},
        TargetRow{"EmptyRefusedSilently", "", true, false, "", "", 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Drag and drop ----------------------------------------------------------------------------

struct DragRow {
    const char* name;
    const char* dirPath;
    bool fromParentLine;
    LineKind over;
    const char* folder;
    bool accepted;
    const char* target;
    const char* label;
};

class DragTargets : public ::testing::TestWithParam<DragRow> {};

TEST_P(DragTargets, FollowTheLineUnderTheMouse) {
    const auto& row = GetParam();
    const auto drop = DragTargetOver(row.dirPath, row.fromParentLine, row.over, row.folder);
    EXPECT_EQ(drop.accepted, row.accepted);
    EXPECT_EQ(drop.target, row.target);
    EXPECT_EQ(drop.label, row.label);
}

INSTANTIATE_TEST_SUITE_P(
    DragAndDrop, DragTargets,
    ::testing::Values(
        DragRow{"ParentLineIsTheParentFolder", "C:\\NC\\SUB", false, LineKind::ParentFolder, "",
                true, "C:\\NC", " ﾄﾞﾗｯｸﾞ先のﾃﾞｨﾚｸﾄﾘ C:\\NC"},
        DragRow{"ParentOfAFirstLevelFolderIsTheDrive", "C:\\NC", false, LineKind::ParentFolder, "",
                true, "C:", " ﾄﾞﾗｯｸﾞ先のﾃﾞｨﾚｸﾄﾘ C:"},
        DragRow{"FolderLine", "C:\\NC", false, LineKind::Folder, "DONE", true, "C:\\NC\\DONE",
                " ﾄﾞﾗｯｸﾞ先のﾃﾞｨﾚｸﾄﾘ C:\\NC\\DONE"},
        DragRow{"FolderLineAtTheRoot", "C:", false, LineKind::Folder, "NC", true, "C:\\NC",
                " ﾄﾞﾗｯｸﾞ先のﾃﾞｨﾚｸﾄﾘ C:\\NC"},
        DragRow{"FileLineRefused", "C:\\NC", false, LineKind::File, "", false, "", ""},
        DragRow{"EmptySpaceRefused", "C:\\NC", false, LineKind::None, "", false, "", ""},
        DragRow{"DragFromTheParentLineRefused", "C:\\NC", true, LineKind::Folder, "DONE", false, "",
                ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvantori::test

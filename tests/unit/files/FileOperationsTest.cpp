// Copy and move of sets, delete into the trash, on real temporary folders mapped as C: and D:.
#include "files/FileOperations.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <fstream>

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
    SetTime(C().Write("NC/A.NC", "12345"), 1717243200);  // 2024-06-01 12:00:00 UTC
    SetTime(D().Write("OUT/A.NC", "123"), 1704067200);   // 2024-01-01 00:00:00 UTC
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
              "新しいファイル : 5ﾊﾞｲﾄ  2024-06-01 12:00:00\n"
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

    EXPECT_TRUE(host_.questions.empty());
    ASSERT_EQ(host_.failures.size(), 3u);
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

}  // namespace
}  // namespace kelvantori::test

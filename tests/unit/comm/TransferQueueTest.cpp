// The multi-transfer queue without its panel: how a row's name finds its file, and the run of the
// rows with their pauses and results.
#include "comm/TransferQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MemoryFileSystem.h"

namespace kelvantori {
namespace {

using test::MemoryFileSystem;
using Lines = std::vector<std::string>;

Settings DataFolder(const char* allFiles) {
    Settings settings;
    settings.DirPath = "D:\\NC";
    settings.Mask = "*.NC";
    settings.AllFiles = allFiles;
    return settings;
}

TEST(TransferQueueTest, NamesFindTheirFilesInTheDataFolder) {
    MemoryFileSystem files;
    files.AddFolder("D:\\NC");
    files.AddFile("D:\\NC\\O1000.NC", "O1000\r\n");
    files.AddFile("D:\\NC\\O2000", "O2000\r\n");
    files.AddFolder("D:\\NC\\O3000.NC");
    const struct {
        const char* name;
        const char* allFiles;
        std::string typed;
        std::string path;
        bool exists;
    } rows[] = {
        {"ExtensionFromTheMask", "N", "O1000", "D:\\NC\\O1000.NC", true},
        {"ExtensionAlreadyThere", "N", "O1000.NC", "D:\\NC\\O1000.NC", true},
        // The extension is recognised in any case; the host's names keep theirs.
        {"ExtensionInAnyCaseNotAddedAgain", "N", "o1000.nc", "D:\\NC\\o1000.nc", false},
        {"AllFilesTakesTheNameAsItIs", "Y", "O2000", "D:\\NC\\O2000", true},
        {"AllFilesAddsNothing", "Y", "O1000", "D:\\NC\\O1000", false},
        {"MissingFile", "N", "O9999", "D:\\NC\\O9999.NC", false},
        {"AFolderIsNoFile", "N", "O3000", "D:\\NC\\O3000.NC", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QueueFile file = ResolveQueueName(files, DataFolder(row.allFiles), row.typed);
        EXPECT_EQ(file.path, row.path);
        EXPECT_EQ(file.exists, row.exists);
    }
    EXPECT_EQ(QueueReceiveTarget(DataFolder("N"), "O1000").path, "D:\\NC\\O1000.NC");
    EXPECT_EQ(QueueReceiveTarget(DataFolder("Y"), "O1000").path, "D:\\NC\\O1000");
    EXPECT_EQ(QueueForbiddenMessage(DataFolder("N")),
              "この文字はファイル名に使えません。\n/:,;*?<>|.");
    EXPECT_EQ(QueueForbiddenMessage(DataFolder("Y")),
              "この文字はファイル名に使えません。\n/:,;*?<>|");
    EXPECT_EQ(QueueMissingNameMessage("O5"), "データ名 O5は有りません。\nもう一度入力してください");
    EXPECT_EQ(QueueProgressText(10), "No10  処理中です。");
}

// Records the run as lines; transfers of names in `failing` do not complete.
class RecordingSteps : public QueueSteps {
  public:
    Lines log;
    std::vector<std::string> failing;
    int abandonAfterRow = 0;

    void Processing(int row) override {
        log.push_back("row " + std::to_string(row));
        current_ = row;
    }
    void Wait(std::chrono::milliseconds d) override {
        log.push_back("wait " + std::to_string(d.count()));
    }
    bool Send(const QueueFile& file) override {
        log.push_back("send " + file.path);
        return Completes(file.name);
    }
    bool Receive(const QueueFile& target) override {
        log.push_back("receive " + target.path);
        return Completes(target.name);
    }
    void Result(int row, bool completed) override {
        log.push_back("result " + std::to_string(row) + (completed ? " 完了" : " 未完了"));
    }
    void ShowingResults() override { log.push_back(std::string(kQueueShowingText)); }
    bool Abandoned() override { return abandonAfterRow > 0 && current_ >= abandonAfterRow; }

  private:
    bool Completes(const std::string& name) const {
        return std::find(failing.begin(), failing.end(), name) == failing.end();
    }
    int current_ = 0;
};

QueueRows Rows(std::vector<QueueRow> given) {
    QueueRows rows;
    for (std::size_t i = 0; i < given.size(); ++i)
        rows[i] = given[i];
    return rows;
}

TEST(TransferQueueTest, RowsRunInOrderWithTheirPausesAndResults) {
    MemoryFileSystem files;
    files.AddFolder("D:\\NC");
    files.AddFile("D:\\NC\\A.NC", "A\r\n");
    files.AddFile("D:\\NC\\C.NC", "C\r\n");
    RecordingSteps steps;
    steps.failing = {"B.NC"};
    RunQueue(Rows({{RowMode::Send, "A.NC"},
                   {RowMode::Send, "GONE.NC"},
                   {RowMode::Receive, "B"},
                   {RowMode::Cancel, "C.NC"},
                   {RowMode::Receive, ""},
                   {RowMode::Send, "C"}}),
             DataFolder("N"), files, steps);
    EXPECT_EQ(steps.log,
              (Lines{"row 1", "send D:\\NC\\A.NC", "wait 5000", "result 1 完了",
                     // A missing file is skipped without its pause.
                     "row 2", "wait 1000", "result 2 未完了", "row 3", "wait 1000",
                     "receive D:\\NC\\B.NC", "wait 5000", "result 3 未完了",
                     // A cancelled row shows no result, whatever its name.
                     "row 4", "wait 1000",
                     // A receive without a name does nothing.
                     "row 5", "wait 1000", "result 5 未完了",
                     // Found with the mask's extension: that file is sent.
                     "row 6", "wait 1000", "send D:\\NC\\C.NC", "wait 5000", "result 6 完了",
                     "row 7", "wait 1000", "row 8", "wait 1000", "row 9", "wait 1000", "row 10",
                     "wait 1000", "１０秒間表示します。", "wait 10000"}));
}

TEST(TransferQueueTest, AnAbandonedQueueRunsNoFurtherRow) {
    MemoryFileSystem files;
    files.AddFolder("D:\\NC");
    files.AddFile("D:\\NC\\A.NC", "A\r\n");
    RecordingSteps steps;
    steps.abandonAfterRow = 2;
    RunQueue(Rows({{RowMode::Send, "A.NC"}, {RowMode::Send, "A.NC"}, {RowMode::Send, "A.NC"}}),
             DataFolder("N"), files, steps);
    EXPECT_EQ(steps.log, (Lines{"row 1", "send D:\\NC\\A.NC", "wait 5000", "result 1 完了", "row 2",
                                "wait 1000", "result 2 未完了"}));
}

}  // namespace
}  // namespace kelvantori

// The multi-transfer queue without its panel: ten rows, each a send, a receive or nothing, with
// the data name of the row; how a name stands for a file of the data folder; the characters a
// name cannot hold; and the run of the rows one after another with the pauses between them.
#pragma once

#include <array>
#include <chrono>
#include <string>
#include <string_view>

#include "core/Settings.h"
#include "platform/FileSystem.h"

namespace kelvantori {

inline constexpr int kQueueRows = 10;

// `RowMode`: 1 send, 2 receive, 3 cancel (the row is skipped).
enum class RowMode { Send = 1, Receive = 2, Cancel = 3 };

struct QueueRow {
    RowMode mode = RowMode::Cancel;
    std::string DataName;
    bool operator==(const QueueRow&) const = default;
};

using QueueRows = std::array<QueueRow, kQueueRows>;

// A row's name in the data folder (`DataExists`): DirPath + "\" + name when every file is listed
// or the name already holds the mask's extension (".NC" of "*.NC", any case), else with that
// extension appended; and whether that file exists.
struct QueueFile {
    std::string path;  // drive path
    std::string name;  // the file name the path ends in
    bool exists = false;
};
QueueFile ResolveQueueName(FileSystem& files, const Settings& settings, std::string_view name);

// The target of a receive row: DirPath + "\" + name, the mask's extension appended unless every
// file is listed.
QueueFile QueueReceiveTarget(const Settings& settings, std::string_view name);

// The characters a name box refuses ("/:,;*?<>|", and "." while only the mask's files are
// listed, since the extension then comes from the mask) and the message that says so.
std::string_view QueueForbiddenCharacters(const Settings& settings);
std::string QueueForbiddenMessage(const Settings& settings);
// "データ名 " + name + "は有りません。\nもう一度入力してください"
std::string QueueMissingNameMessage(std::string_view name);
// `Label35` while row k (1-based) runs: "No3  処理中です。"
std::string QueueProgressText(int row);
inline constexpr std::string_view kQueueShowingText = "１０秒間表示します。";
inline constexpr std::string_view kQueueFinishedText = "マルチ送受信終了";
inline constexpr std::string_view kQueueAbortedText = "マルチ送受信中止";
inline constexpr std::string_view kQueueTooManyText = "マルチ送信は最大10ﾌｧｲﾙです。";

// What the run asks of the window.
class QueueSteps {
  public:
    virtual ~QueueSteps() = default;
    // Row k (1-based) begins.
    virtual void Processing(int row) = 0;
    // The fixed pauses: 1 s before every row but the first, 5 s after each transfer, 10 s at the
    // end while the results show.
    virtual void Wait(std::chrono::milliseconds duration) = 0;
    // One transfer to its end; true when it completed.
    virtual bool Send(const QueueFile& file) = 0;
    virtual bool Receive(const QueueFile& target) = 0;
    // The result beside row k: "完了" or "未完了".
    virtual void Result(int row, bool completed) = 0;
    // The results are shown for a while before the panel closes.
    virtual void ShowingResults() = 0;
    // True when the rest of the queue is not to run (the window is being closed).
    virtual bool Abandoned() { return false; }
};

// Runs the rows in order. A send row whose file does not exist is skipped; a row with a mode but
// no name does nothing; both show "未完了", as a stopped or failed transfer does. Cancelled rows
// show no result. A send row whose name was found with the mask's extension sends that file.
void RunQueue(const QueueRows& rows, const Settings& settings, FileSystem& files,
              QueueSteps& steps);

}  // namespace kelvantori

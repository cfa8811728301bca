// The transfer log: one line per completed or stopped transfer, in the program folder.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/DateTime.h"
#include "platform/FileSystem.h"

namespace kelvantori {

enum class TransferKind { Send, Receive };
// Rescued: the data of a receive was kept in a file of its own; the line after the receive's
// own "中止" line names that file ("受信　　退避　...").
enum class TransferState { Completed, Stopped, Rescued };

// "送信　　完了　2026/12/08 10:15:00　C:\NC\O1234.NC" (no line end).
std::string TransferLogLine(TransferKind kind, TransferState state, const LocalDateTime& when,
                            std::string_view path);

// The three heading lines a new log begins with, each ending in a line feed.
std::string TransferLogHeading();

class TransferLog {
  public:
    virtual ~TransferLog() = default;
    // Appends one entry made by TransferLogLine.
    virtual void Write(TransferKind kind, TransferState state, std::string_view path) = 0;
};

// The log file (the executable's base name + ".log"), CP932 on disk, CR LF line ends. A log that
// does not exist yet is created with its heading first.
class FileTransferLog : public TransferLog {
  public:
    FileTransferLog(FileSystem& files, std::string drivePath, std::function<LocalDateTime()> now);
    void Write(TransferKind kind, TransferState state, std::string_view path) override;
    // Creates the log with its heading when it does not exist yet (the log view shows it so).
    FsError EnsureExists();
    // The last failure to write, FsError::None when the last write worked.
    FsError LastError() const { return lastError_; }

  private:
    FileSystem& files_;
    std::string path_;
    std::function<LocalDateTime()> now_;
    FsError lastError_ = FsError::None;
};

}  // namespace kelvantori

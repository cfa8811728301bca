// The transfer log lines and the log file.
#include "comm/TransferLog.h"

#include "core/TextCodec.h"

namespace kelvantori {

namespace {

// Line ends on disk: the log is read with the tools of the shop's Windows PCs too.
std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

}  // namespace

std::string TransferLogLine(TransferKind kind, TransferState state, const LocalDateTime& when,
                            std::string_view path) {
    std::string line = kind == TransferKind::Send ? "送信" : "受信";
    line += "　　";
    switch (state) {
        case TransferState::Completed:
            line += "完了";
            break;
        case TransferState::Stopped:
            line += "中止";
            break;
        case TransferState::Rescued:
            line += "退避";
            break;
    }
    line += "　";
    line += FormatLogTime(when);
    line += "　";
    line += path;
    return line;
}

std::string TransferLogHeading() {
    std::string heading = "<<<<<　　　通信ログ　　　>>>>>\n";
    heading += "送受信　状態　日時　　　　　　　　　送受信ファイル名\n";
    for (int i = 0; i < 37; ++i)
        heading += "─";
    heading += "\n";
    return heading;
}

FileTransferLog::FileTransferLog(FileSystem& files, std::string drivePath,
                                 std::function<LocalDateTime()> now)
    : files_(files), path_(std::move(drivePath)), now_(std::move(now)) {}

void FileTransferLog::Write(TransferKind kind, TransferState state, std::string_view path) {
    std::string text;
    if (!files_.Exists(path_))
        text = TransferLogHeading();
    text += TransferLogLine(kind, state, now_(), path);
    text += "\n";
    // A log that cannot be written must not stop a transfer; the caller may look at LastError.
    lastError_ = files_.Append(path_, Utf8ToCp932(WithCrLf(text)));
}

FsError FileTransferLog::EnsureExists() {
    if (files_.Exists(path_))
        return FsError::None;
    return files_.Append(path_, Utf8ToCp932(WithCrLf(TransferLogHeading())));
}

}  // namespace kelvantori

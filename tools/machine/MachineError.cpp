// Failure texts of kelvantori-machine.
#include "machine/MachineError.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace kelvantori::machine {

namespace {

const char* ErrorText(MachineError error) {
    switch (error) {
        case MachineError::None:
            return "";
        case MachineError::PtyUnavailable:
            return "疑似端末を開けません";
        case MachineError::LinkNotMade:
            return "デバイスへのリンクを作れません";
        case MachineError::FolderNotMade:
            return "保存フォルダを作れません";
        case MachineError::FileNotRead:
            return "ファイルを読めません";
        case MachineError::FileNotWritten:
            return "ファイルを書けません";
    }
    return "";
}

}  // namespace

MachineFailure FailureFromErrno(MachineError error, std::string path) {
    return MachineFailure{error, std::move(path), errno};
}

std::string DescribeFailure(const MachineFailure& failure) {
    std::string text = ErrorText(failure.error);
    if (!failure.path.empty())
        text += ": " + failure.path;
    if (failure.osError != 0)
        text += std::string(" (") + std::strerror(failure.osError) + ")";
    return text;
}

}  // namespace kelvantori::machine

// The failures of kelvantori-machine, translated from the operating system's errors in one place.
#pragma once

#include <string>

namespace kelvantori::machine {

enum class MachineError {
    None,
    PtyUnavailable,  // no pseudo-terminal could be opened and unlocked
    LinkNotMade,     // the --link path holds something that is not a link, or cannot be written
    FolderNotMade,   // the --store folder does not exist and cannot be created
    FileNotRead,     // the --punch file cannot be read
    FileNotWritten,  // a stored program, the --raw file or the summary file cannot be written
};

struct MachineFailure {
    MachineError error = MachineError::None;
    std::string path;
    int osError = 0;  // errno of the call that failed, 0 when none applies

    explicit operator bool() const { return error != MachineError::None; }
};

MachineFailure FailureFromErrno(MachineError error, std::string path);

// The program's text for a failure, then the path and the system's reason.
std::string DescribeFailure(const MachineFailure& failure);

}  // namespace kelvantori::machine

// Starting other programs: the editor, the external applications and the desktop's application
// for a file. A program and its arguments go to the system as they are, without a shell (so no
// character of a file name is ever taken for a command), and the program is not waited for. A
// program that cannot be started says why, in the user's words.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

struct LaunchResult {
    bool started = false;
    std::string reason;  // why nothing was started; empty after a start
};

struct FoundProgram {
    std::string path;         // host path
    bool executable = false;  // the host would run it as a program (else it is a document)
};

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;

    // The file a program name stands for: an absolute host path as it is, a bare name (without
    // "/") in the folders of PATH, where only executable files count. nullopt when there is no
    // such regular file (a relative path with "/" is never looked for).
    virtual std::optional<FoundProgram> FindProgram(std::string_view program) = 0;

    // Starts the program (a host path) with the arguments; the program sees its own path as its
    // first argument. It runs in a session of its own, with no standard input and with nothing
    // of ours open but standard output and error, and it is not waited for.
    virtual LaunchResult Start(const std::string& program,
                               const std::vector<std::string>& arguments) = 0;
};

// The launcher of this operating system.
std::unique_ptr<ProcessLauncher> CreateSystemProcessLauncher();

}  // namespace kelvantori

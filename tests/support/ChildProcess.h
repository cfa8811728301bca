// Runs one of our executables for an end-to-end test: its environment with some variables
// changed, standard input from given bytes, standard output and error kept in files; a signal
// can be sent to it while it runs. It is killed if the test ends first.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelvantori::test {

class ChildProcess {
  public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    // exe is a name in build/bin ("kelvantori-cli").
    ChildProcess(const std::string& exe, const std::vector<std::string>& args,
                 const Environment& environment, const std::string& input = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    void Signal(int signal);
    // The exit status (128 + the signal number for a signal death) once it has exited within
    // the timeout; nullopt otherwise.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    std::string Output() const;
    std::string ErrorOutput() const;

  private:
    pid_t pid_ = -1;
    std::string inPath_;
    std::string outPath_;
    std::string errPath_;
    std::optional<int> status_;
};

struct ChildResult {
    std::optional<int> status;
    std::string out;
    std::string err;
};
// Runs to the end (at most the timeout).
ChildResult RunChild(const std::string& exe, const std::vector<std::string>& args,
                     const ChildProcess::Environment& environment, const std::string& input = {},
                     std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace kelvantori::test

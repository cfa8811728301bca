// The processes and lines of the end-to-end tests. ChildProcess runs one of our executables:
// its environment with some variables changed, standard input from given bytes, standard output
// and error kept in files; a signal can be sent to it while it runs. It is killed if the test
// ends first.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/TempFolder.h"

namespace kelvantori::test {

class ChildProcess {
  public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    // exe is a name in build/bin ("kelvantori-cli"), or a path of a program of the system.
    ChildProcess(const std::string& exe, const std::vector<std::string>& args,
                 const Environment& environment, const std::string& input = {});
    ~ChildProcess();  // not copyable: it owns its folder

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    void Signal(int signal);
    // The exit status (128 + the signal number for a signal death) once it has exited within
    // the timeout; nullopt otherwise.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    std::string Output() const { return files_.Read("out"); }
    std::string ErrorOutput() const { return files_.Read("err"); }

  private:
    pid_t pid_ = -1;
    TempFolder files_;  // in, out, err
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

// kelvantori-machine run by a test: Started() once it has printed the path of its device.
class MachineProcess : public ChildProcess {
  public:
    explicit MachineProcess(const std::vector<std::string>& options,
                            std::chrono::milliseconds timeout = std::chrono::seconds(5));

    bool Started() const { return !devicePath_.empty(); }
    const std::string& DevicePath() const { return devicePath_; }

  private:
    std::string devicePath_;
};

// Opens the device the way a PC's port does: read and write, raw, non-blocking; -1 on failure.
int OpenRawDevice(const std::string& path);
// Reads until `count` bytes arrived or the timeout passed.
std::string ReadFromDevice(int fd, std::size_t count, std::chrono::milliseconds timeout);

// A pseudo-terminal pair for tests: the slave is the "serial port" under test, the master is
// the machine's end of the line.
class PseudoTerminal {
  public:
    PseudoTerminal();  // throws std::runtime_error when no pseudo-terminal can be made
    ~PseudoTerminal() { CloseMaster(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

    // Writes every byte to the master (the port under test reads them).
    void Send(std::string_view bytes);
    // Bytes that reach the master within the time, stopping early once `count` have come.
    std::string Receive(std::size_t count, std::chrono::milliseconds within) {
        return ReadFromDevice(master_, count, within);
    }
    // The slave's termios, read through the master (termios ioctls on the master act on the slave).
    termios SlaveTermios() const;
    void CloseMaster();

  private:
    int master_ = -1;
    std::string slavePath_;
};

}  // namespace kelvantori::test

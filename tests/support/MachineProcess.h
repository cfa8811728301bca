// Runs kelvantori-machine for a test: starts it with options, reads the device path it prints,
// waits for it to exit, and stops it if the test ends first.
#pragma once

#include <sys/types.h>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kelvantori::test {

class MachineProcess {
  public:
    // Starts build/bin/kelvantori-machine with the options; Started() tells whether the device
    // path line arrived within the timeout.
    explicit MachineProcess(const std::vector<std::string>& options,
                            std::chrono::milliseconds timeout = std::chrono::seconds(5));
    ~MachineProcess();
    MachineProcess(const MachineProcess&) = delete;
    MachineProcess& operator=(const MachineProcess&) = delete;

    bool Started() const { return !devicePath_.empty(); }
    const std::string& DevicePath() const { return devicePath_; }

    // Sends a signal (SIGTERM, SIGINT).
    void Signal(int signal);
    // The exit status once the process has exited within the timeout; nullopt otherwise (it is
    // then killed by the destructor).
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // What the process wrote on stderr (read after it has exited).
    std::string ErrorOutput() const;

  private:
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string stderrPath_;
    std::string devicePath_;
    std::optional<int> status_;
};

// Opens the device the way a PC's port does: read and write, raw, non-blocking; -1 on failure.
int OpenRawDevice(const std::string& path);
// Reads until `count` bytes arrived or the timeout passed.
std::string ReadFromDevice(int fd, std::size_t count, std::chrono::milliseconds timeout);

}  // namespace kelvantori::test

// kelvantori-machine run by a test: Started() once it has printed the path of its device.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace kelvantori::test {

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

}  // namespace kelvantori::test

// The machine's end of the line: the master side of a pseudo-terminal (POSIX). The PC opens the
// slave device as its serial port.
//
// The machine holds no slave descriptor of its own: the master then reports a hang-up while no
// one has the slave open, which tells when the PC opens and closes the port. Data written while
// the slave is closed stays queued for the next opener (who usually empties it on open).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "machine/MachineError.h"

namespace kelvantori::machine {

class PtyLine {
  public:
    static std::unique_ptr<PtyLine> Open(MachineFailure& failure);
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    const std::string& DevicePath() const { return devicePath_; }
    int Fd() const { return master_; }

    // True while the PC side has the device open.
    bool PeerOpen() const;
    // Up to max bytes: the count, 0 when nothing waits or the PC side has closed.
    std::size_t Read(char* buffer, std::size_t max);
    // What the line takes now, without waiting; 0 when it is full.
    std::size_t Write(std::string_view bytes);
    // Bytes written that the PC side has not read yet; nullopt when that cannot be seen (the
    // device is locked against a second open).
    std::optional<std::size_t> UnreadByPeer() const;

  private:
    PtyLine(int master, std::string devicePath)
        : master_(master), devicePath_(std::move(devicePath)) {}

    int master_;
    std::string devicePath_;
};

// Makes `link` a symbolic link to `target`, replacing an older link; anything else at `link`
// is left alone and reported.
MachineFailure MakeDeviceLink(const std::string& link, const std::string& target);
// Removes `link` if it still points to `target`.
void RemoveDeviceLink(const std::string& link, const std::string& target);

}  // namespace kelvantori::machine

// The files of kelvantori-machine: programs stored by number, the raw record of the line, the
// punch file and the summary. Files are written beside their target and renamed over it, so a
// stored program is never left half-written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "machine/MachineError.h"
#include "machine/VirtualMachine.h"

namespace kelvantori::machine {

MachineFailure WriteFileSafely(const std::string& path, std::string_view bytes);
std::optional<std::string> ReadWholeFile(const std::string& path, MachineFailure& failure);
// Creates the folder and its parents when missing.
MachineFailure MakeFolder(const std::string& path);

// Stores a program as FOLDER/NAME.NC: its lines with CR LF.
class FolderProgramStore : public ProgramSink {
  public:
    explicit FolderProgramStore(std::string folder) : folder_(std::move(folder)) {}
    bool Store(const ReceivedProgram& program) override;
    // The last failure, for the message on stderr.
    const MachineFailure& LastFailure() const { return lastFailure_; }

  private:
    std::string folder_;
    MachineFailure lastFailure_;
};

// Every byte taken from the line, as it came, appended as it arrives.
class RawRecorder {
  public:
    RawRecorder() = default;
    ~RawRecorder();
    RawRecorder(const RawRecorder&) = delete;
    RawRecorder& operator=(const RawRecorder&) = delete;

    MachineFailure Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    MachineFailure Append(std::string_view bytes);

  private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace kelvantori::machine

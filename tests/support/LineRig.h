// One integration case on a real line: a temporary folder that is drive D: (the data) and holds
// the log, kelvantori-machine on a pseudo-terminal as COM1, the system serial port (recorded
// with times) and file system, the line test host, and what the machine recorded (raw bytes,
// summary).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "comm/ReceiveEngine.h"
#include "comm/SendEngine.h"
#include "comm/TransferLog.h"
#include "core/Settings.h"
#include "platform/FileSystem.h"
#include "platform/HostConfig.h"
#include "platform/SerialPort.h"
#include "support/LineTestHost.h"
#include "support/MachineProcess.h"
#include "support/RecordingSerialPort.h"
#include "support/TempFolder.h"

namespace kelvantori::test {

class LineRig {
  public:
    LineRig();
    ~LineRig();

    // Starts the machine with the options; the rig adds --raw and --summary. False when it did
    // not start.
    bool StartMachine(std::vector<std::string> options);

    // A send of one file of the data folder (written there first) with the rig's settings.
    TransferResult Send(std::string_view name, std::string_view bytes, SendOptions options = {});
    TransferResult Send(SendJob& job, SendOptions options = {});
    TransferResult Receive(const ReceiveJob& job);

    // Lets the machine end: a reading one once it has taken every byte written, a punching one
    // when it has punched (--once). Then its record can be read.
    void FinishMachine();
    // Stops it at once (a punch the PC broke off would wait for the PC's return).
    void StopMachine();
    std::string Raw() const;
    std::map<std::string, std::string> Summary() const;
    std::string MachineErrors() const { return machineErrors_; }
    // What the engine wrote and read, with the times.
    const RecordingSerialPort& Line() const { return *line_; }

    std::string Log() const;  // the log as UTF-8
    std::string DataFile(std::string_view name) const {
        return folder.Read("data/" + std::string(name));
    }

    TempFolder folder;
    Settings settings;
    LineTestHost host;
    std::vector<std::string> saved;  // drive paths of the last receive
    std::unique_ptr<FileSystem> files;

  private:
    HostConfig config_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<RecordingSerialPort> line_;
    std::unique_ptr<FileTransferLog> log_;
    std::unique_ptr<MachineProcess> machine_;
    std::string machineErrors_;
    bool punching_ = false;
};

}  // namespace kelvantori::test

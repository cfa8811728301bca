// One integration case on a real line: a temporary folder that is drive D: (the data) and holds
// the log, kelvantori-machine on a pseudo-terminal as COM1 (directly, or behind ser2net as a
// network port), the system serial port (recorded with times) and file system, the line test
// host, and what the machine recorded (raw bytes, summary).
#pragma once

#include <signal.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "comm/ReceiveEngine.h"
#include "comm/SendEngine.h"
#include "comm/TransferHost.h"
#include "comm/TransferLog.h"
#include "core/Settings.h"
#include "core/TextCodec.h"
#include "platform/FileSystem.h"
#include "platform/HostConfig.h"
#include "platform/SerialPort.h"
#include "support/ForwardingSerialPort.h"
#include "support/MachineProcess.h"
#include "support/RecordingHost.h"
#include "support/Ser2net.h"
#include "support/TempFolder.h"

namespace kelvantori::test {

// The host of a real line: its clock is real monotonic time plus the fixed waits it skipped, so
// a send still paces itself by the line while the 4 s drain, the 3 s save wait, InvTime and the
// program-end pauses cost nothing. Its deadline is in real time.
class LineTestHost : public HostScript {
  public:
    explicit LineTestHost(std::chrono::milliseconds deadline = std::chrono::seconds(20))
        : deadline_(std::chrono::steady_clock::now() + deadline) {}

    std::vector<std::string> results;
    std::vector<std::string> receivedLines;                    // every line shown, across clears
    std::vector<std::pair<std::string, std::string>> rescued;  // name, bytes

    std::chrono::nanoseconds Now() override {
        return std::chrono::steady_clock::now().time_since_epoch() + skipped_;
    }
    void Wait(std::chrono::milliseconds duration) override { skipped_ += duration; }
    bool PastDeadline() override { return std::chrono::steady_clock::now() > deadline_; }
    void SetResult(const std::string& text, ResultColour) override { results.push_back(text); }
    void ShowReceivedLine(const std::string& bytes) override { receivedLines.push_back(bytes); }
    std::string RescueReceivedData(const std::string& name, const std::string& bytes) override {
        rescued.emplace_back(name, bytes);
        return {};
    }

  private:
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::nanoseconds skipped_{0};
};

// A serial port that passes everything to another and records, with the steady clock's time,
// every byte written and read: for checks of a send's timing (a DC3 obeyed at once, no burst
// after a pause).
class RecordingSerialPort : public ForwardingSerialPort {
  public:
    struct Event {
        std::chrono::steady_clock::time_point time;
        std::uint8_t byte = 0;
    };

    explicit RecordingSerialPort(SerialPort& port) : ForwardingSerialPort(port) {}

    const std::vector<Event>& Writes() const { return writes_; }
    const std::vector<Event>& Reads() const { return reads_; }

    ReadResult Read(std::chrono::microseconds timeout) override {
        const ReadResult r = ForwardingSerialPort::Read(timeout);
        if (r.status == ReadStatus::Byte)
            reads_.push_back(Event{std::chrono::steady_clock::now(), r.byte});
        return r;
    }
    WriteStatus Write(std::uint8_t byte) override {
        const WriteStatus s = ForwardingSerialPort::Write(byte);
        if (s == WriteStatus::Written)
            writes_.push_back(Event{std::chrono::steady_clock::now(), byte});
        return s;
    }

  private:
    std::vector<Event> writes_;
    std::vector<Event> reads_;
};

class LineRig {
  public:
    LineRig();

    // Starts the machine with the options; the rig adds --raw and --summary. False when it did
    // not start.
    bool StartMachine(std::vector<std::string> options);
    // The same with ser2net in front of the machine: COM1 is then the network port of ser2net.
    // False when either did not start.
    bool StartMachineBehindSer2net(Ser2netProcess::Mode mode, std::vector<std::string> options);
    // COM1 mapped to any [Ports] value (a network port without a machine).
    void UsePort(const std::string& value);
    Ser2netProcess& Server() { return *server_; }

    // A send of one file of the data folder (written there first) with the rig's settings.
    TransferResult Send(std::string_view name, std::string_view bytes, SendOptions options = {});
    TransferResult Send(SendJob& job, SendOptions options = {}) {
        return SendEngine(*line_, host, *log_, options).SendFile(settings, job);
    }
    TransferResult Receive(const ReceiveJob& job) {
        ReceiveEngine engine(*line_, host, *log_, *files);
        const TransferResult result = engine.ReceiveFile(settings, job);
        saved = engine.SavedFiles();
        return result;
    }

    // Lets the machine end: a reading one once it has taken every byte written, a punching one
    // when it has punched (--once). Then its record can be read.
    void FinishMachine();
    // Stops it at once (a punch the PC broke off would wait for the PC's return).
    void StopMachine() {
        if (machine_)
            machine_->Signal(SIGTERM);
        FinishMachine();
    }
    std::string Raw() const { return folder.Read("raw.bin"); }
    std::map<std::string, std::string> Summary() const;
    std::string MachineErrors() const { return machineErrors_; }
    // What the engine wrote and read, with the times.
    const RecordingSerialPort& Line() const { return *line_; }

    std::string Log() const { return Cp932ToUtf8(folder.Read("data/kelvantori.log")); }
    std::string DataFile(std::string_view name) const {
        return folder.Read("data/" + std::string(name));
    }

    TempFolder folder;
    Settings settings;
    LineTestHost host;
    NetworkTimeouts timeouts;        // of network ports opened through UsePort or ser2net
    std::vector<std::string> saved;  // drive paths of the last receive
    std::unique_ptr<FileSystem> files;

  private:
    HostConfig config_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<RecordingSerialPort> line_;
    std::unique_ptr<FileTransferLog> log_;
    std::unique_ptr<MachineProcess> machine_;
    std::unique_ptr<Ser2netProcess> server_;
    std::string machineErrors_;
    bool punching_ = false;
};

}  // namespace kelvantori::test

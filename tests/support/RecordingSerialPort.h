// A serial port that passes everything to another and records, with the steady clock's time,
// every byte written and every byte read: what a send did on the line and when, for checks of
// its timing (a DC3 obeyed at once, no burst after a pause).
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/SerialPort.h"

namespace kelvantori::test {

class RecordingSerialPort : public SerialPort {
  public:
    struct Event {
        std::chrono::steady_clock::time_point time;
        std::uint8_t byte = 0;
    };

    explicit RecordingSerialPort(SerialPort& port) : port_(port) {}

    const std::vector<Event>& Writes() const { return writes_; }
    const std::vector<Event>& Reads() const { return reads_; }

    PortError Open(const PortConfig& config) override { return port_.Open(config); }
    void Close() override { port_.Close(); }
    bool IsOpen() const override { return port_.IsOpen(); }
    bool CanOpen(const std::string& portName) override { return port_.CanOpen(portName); }
    ReadResult Read(std::chrono::microseconds timeout) override {
        const ReadResult r = port_.Read(timeout);
        if (r.status == ReadStatus::Byte)
            reads_.push_back(Event{std::chrono::steady_clock::now(), r.byte});
        return r;
    }
    WriteStatus Write(std::uint8_t byte) override {
        const WriteStatus s = port_.Write(byte);
        if (s == WriteStatus::Written)
            writes_.push_back(Event{std::chrono::steady_clock::now(), byte});
        return s;
    }
    bool WaitWritable(std::chrono::microseconds timeout) override {
        return port_.WaitWritable(timeout);
    }
    int OutputQueueLength() override { return port_.OutputQueueLength(); }
    std::optional<ModemStatus> GetModemStatus() override { return port_.GetModemStatus(); }
    std::string LastSystemError() const override { return port_.LastSystemError(); }

  private:
    SerialPort& port_;
    std::vector<Event> writes_;
    std::vector<Event> reads_;
};

}  // namespace kelvantori::test

// A serial port that passes every call to another port the test keeps: a port the code under
// test may own and destroy while the port behind it outlives it. Ports that watch or record the
// traffic derive from it and override only what they look at.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/SerialPort.h"

namespace kelvantori::test {

class ForwardingSerialPort : public SerialPort {
  public:
    explicit ForwardingSerialPort(SerialPort& target) : target_(target) {}

    PortError Open(const PortConfig& config) override { return target_.Open(config); }
    void Close() override { target_.Close(); }
    bool IsOpen() const override { return target_.IsOpen(); }
    bool CanOpen(const std::string& portName) override { return target_.CanOpen(portName); }
    ReadResult Read(std::chrono::microseconds timeout) override { return target_.Read(timeout); }
    WriteStatus Write(std::uint8_t byte) override { return target_.Write(byte); }
    bool WaitWritable(std::chrono::microseconds timeout) override {
        return target_.WaitWritable(timeout);
    }
    int OutputQueueLength() override { return target_.OutputQueueLength(); }
    std::optional<ModemStatus> GetModemStatus() override { return target_.GetModemStatus(); }
    std::string LastSystemError() const override { return target_.LastSystemError(); }
    std::string OpenNotice() const override { return target_.OpenNotice(); }
    OpenFailure LastOpenFailure() const override { return target_.LastOpenFailure(); }

  private:
    SerialPort& target_;
};

}  // namespace kelvantori::test

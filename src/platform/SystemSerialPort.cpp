// The port the programs open: what COMn stands for in Host.ini decides, at every opening, which
// implementation carries it (a device, raw TCP, RFC 2217).
#include <utility>

#include "platform/HostConfig.h"
#include "platform/NetworkPort.h"
#include "platform/SerialPort.h"

namespace kelvantori {

namespace {

class SystemSerialPort final : public SerialPort {
  public:
    SystemSerialPort(HostConfig hosts, NetworkTimeouts timeouts)
        : hosts_(std::move(hosts)), timeouts_(timeouts) {}

    PortError Open(const PortConfig& config) override {
        Close();
        current_ = Make(hosts_.AddressOf(config.portName));
        return current_->Open(config);
    }
    void Close() override {
        if (current_)
            current_->Close();
    }
    bool IsOpen() const override { return current_ && current_->IsOpen(); }
    bool CanOpen(const std::string& portName) override {
        // Asked between transfers: the port of the last transfer is not disturbed.
        probe_ = Make(hosts_.AddressOf(portName));
        const bool can = probe_->CanOpen(portName);
        probeError_ = probe_->LastSystemError();
        probeFailure_ = probe_->LastOpenFailure();
        probe_.reset();
        lastWasProbe_ = true;
        return can;
    }
    ReadResult Read(std::chrono::microseconds timeout) override {
        return current_ ? current_->Read(timeout) : ReadResult{ReadStatus::Failed, 0};
    }
    WriteStatus Write(std::uint8_t byte) override {
        return current_ ? current_->Write(byte) : WriteStatus::Failed;
    }
    bool WaitWritable(std::chrono::microseconds timeout) override {
        return current_ && current_->WaitWritable(timeout);
    }
    int OutputQueueLength() override { return current_ ? current_->OutputQueueLength() : -1; }
    std::optional<ModemStatus> GetModemStatus() override {
        return current_ ? current_->GetModemStatus() : std::nullopt;
    }
    std::string LastSystemError() const override {
        if (lastWasProbe_)
            return probeError_;
        return current_ ? current_->LastSystemError() : std::string();
    }
    std::string OpenNotice() const override { return current_ ? current_->OpenNotice() : ""; }
    OpenFailure LastOpenFailure() const override {
        if (lastWasProbe_)
            return probeFailure_;
        return current_ ? current_->LastOpenFailure() : OpenFailure::Other;
    }

  private:
    std::unique_ptr<SerialPort> Make(const PortAddress& address) {
        lastWasProbe_ = false;
        switch (address.kind) {
            case PortKind::RawTcp:
                return CreateRawTcpPort(address, timeouts_);
            case PortKind::Rfc2217:
            case PortKind::Malformed:
                // A malformed address fails its opening with the reason.
                return CreateRfc2217Port(address, timeouts_);
            case PortKind::Device:
                break;
        }
        return CreateDeviceSerialPort(hosts_);
    }

    HostConfig hosts_;
    NetworkTimeouts timeouts_;
    std::unique_ptr<SerialPort> current_;
    std::unique_ptr<SerialPort> probe_;
    std::string probeError_;
    OpenFailure probeFailure_ = OpenFailure::None;
    bool lastWasProbe_ = false;
};

}  // namespace

std::unique_ptr<SerialPort> CreateSystemSerialPort(const HostConfig& config,
                                                   const NetworkTimeouts& timeouts) {
    return std::make_unique<SystemSerialPort>(config, timeouts);
}

SerialPortFactory SystemSerialPortFactory() {
    return [](const HostConfig& config) { return CreateSystemSerialPort(config); };
}

}  // namespace kelvantori

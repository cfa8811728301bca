// A serial port behind a device server that speaks raw TCP: every byte on the connection is a
// byte of the line, both ways. The server's own line setting, flow control and modem lines stay
// as they are set in the server: none of the open steps can reach it, so the port says so once
// per opening and reports the modem lines as on, like a device that has none.
#include "platform/NetworkPort.h"

namespace kelvantori {

namespace {

class RawTcpPort final : public NetworkPort {
  public:
    using NetworkPort::NetworkPort;

    std::string OpenNotice() const override {
        return OpenedName() + " (" + Address().text +
               ") は raw TCP のポートです。通信設定、流れ制御、DTR/RTS は装置サーバに送られず、"
               "モデム信号も読めません。装置サーバの通信設定を確かめてください。";
    }

  protected:
    PortError Negotiate(const PortConfig&) override { return PortError::None; }
    void Decode(const std::uint8_t* bytes, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i)
            LineByte(bytes[i]);
    }
    void Encode(std::uint8_t byte, std::string& wire) override {
        wire.push_back(static_cast<char>(byte));
    }
};

}  // namespace

std::unique_ptr<SerialPort> CreateRawTcpPort(const PortAddress& address,
                                             const NetworkTimeouts& timeouts) {
    return std::make_unique<RawTcpPort>(address, timeouts);
}

}  // namespace kelvantori

// Serial ports on the network: what the raw TCP and the RFC 2217 port share. The connection is
// made when the port is opened and closed with it, so the device server sees the port opened and
// closed as a program on its own host would. Reads and writes keep the contract of a device
// port: one byte with a time-out, a write that never blocks. A written byte goes out at once
// while the line keeps up with the writes (a paced send); written faster than the line can
// carry, bytes are gathered into larger segments, sent at the next read of the port (a send
// reads the line at least every ten bytes) and at the latest at its close. The protocols say what a
// line byte is on the wire (RawTcpPort.cpp, Rfc2217Port.cpp).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/PortAddress.h"
#include "platform/SerialPort.h"
#include "platform/TcpConnection.h"

namespace kelvantori {

class NetworkPort : public SerialPort {
  public:
    NetworkPort(PortAddress address, NetworkTimeouts timeouts);
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    // Connects, runs the protocol's open steps, and empties the buffers. The port's name is
    // only used in messages: the address was chosen when the port was made.
    PortError Open(const PortConfig& config) final;
    // Waits (a second at most) until what was written will have left the server's line: a
    // server may discard what it still holds when the connection closes, such as the DC4 of a
    // stopped send.
    void Close() final;
    bool IsOpen() const final { return connection_.IsOpen(); }
    // True when the address is well formed and its host name resolves. No connection is made:
    // it would hold the device server's port, and some servers then refuse the next one.
    bool CanOpen(const std::string& portName) final;
    ReadResult Read(std::chrono::microseconds timeout) final;
    WriteStatus Write(std::uint8_t byte) final;
    bool WaitWritable(std::chrono::microseconds timeout) final;
    // The device server's queue cannot be seen from here; the send paces itself by the line.
    int OutputQueueLength() final { return -1; }
    std::optional<ModemStatus> GetModemStatus() final;
    std::string LastSystemError() const final { return lastError_; }

  protected:
    // The protocol's open steps once the connection stands. PortError::None when the line is
    // ready; otherwise the reason is recorded with Refuse().
    virtual PortError Negotiate(const PortConfig& config) = 0;
    // Bytes from the wire: the line bytes go to the input (LineByte), the rest is the protocol's.
    virtual void Decode(const std::uint8_t* bytes, std::size_t count) = 0;
    // The wire form of one line byte, appended to wire.
    virtual void Encode(std::uint8_t byte, std::string& wire) = 0;
    // Forgets what the protocol learnt on the last connection.
    virtual void ResetProtocol() {}

    const PortAddress& Address() const { return address_; }
    const NetworkTimeouts& Timeouts() const { return timeouts_; }
    // The name the port was last opened under ("COM5").
    const std::string& OpenedName() const { return openedName_; }

    // --- for the protocols ------------------------------------------------------------------
    void LineByte(std::uint8_t byte);
    // Bytes of the protocol itself (answers, requests), sent after what is already queued.
    void SendWire(std::string_view bytes);
    // Receives and decodes until `until` holds or the deadline has passed. False when the
    // connection is gone.
    template <typename Until>
    bool PumpUntil(std::chrono::steady_clock::time_point deadline, Until until);
    PortError Refuse(PortError error, std::string reason);
    // Why the connection is gone, with what the server said before it closed.
    std::string ClosedReason() const;

    ModemStatus modem_{};
    bool outputSuspended_ = false;

  private:
    // Moves queued wire bytes to the socket. False when the connection is gone.
    bool Flush();
    // The line is far behind what was written: output waits to go out in larger segments.
    bool Gathering() const;
    // Takes what has arrived; waits up to timeout when nothing has. False when the connection
    // is gone.
    bool Pull(std::chrono::microseconds timeout);
    void Lose(const std::string& reason);
    // What the server said before it closed (a refusal such as "Port already in use").
    std::string LastWords() const;

    PortAddress address_;
    NetworkTimeouts timeouts_;
    std::string openedName_;
    TcpConnection connection_;
    std::string input_;  // line bytes not read yet, from inputAt_
    std::size_t inputAt_ = 0;
    std::string output_;       // wire bytes not passed to the socket yet
    bool socketFull_ = false;  // the socket took none of them at the last try
    // When the server's line will have sent what was written, by the line setting's character
    // time: a close waits for it, as the close of a serial device waits for its output.
    std::chrono::nanoseconds characterTime_{0};
    std::chrono::steady_clock::time_point lineFreeAt_{};
    bool lost_ = false;
    std::string lastError_;
};

template <typename Until>
bool NetworkPort::PumpUntil(std::chrono::steady_clock::time_point deadline, Until until) {
    for (;;) {
        if (until())
            return true;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return !lost_;
        if (!Pull(std::chrono::ceil<std::chrono::microseconds>(left)))
            return false;
    }
}

std::unique_ptr<SerialPort> CreateRawTcpPort(const PortAddress& address,
                                             const NetworkTimeouts& timeouts);
std::unique_ptr<SerialPort> CreateRfc2217Port(const PortAddress& address,
                                              const NetworkTimeouts& timeouts);

}  // namespace kelvantori

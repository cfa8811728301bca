// A TCP connection to a serial device server, as the network ports drive it: a connect with a
// time-out, sends that never block, receives of what has arrived, and a wait with a time-out.
// The one place where socket errors become the system's words (posix/TcpConnectionPosix.cpp).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kelvantori {

class TcpConnection {
  public:
    enum class Status {
        Done,        // count bytes moved
        WouldBlock,  // nothing has arrived / the socket takes nothing now
        Closed,      // the other end closed the connection
        Failed,      // reset, timed out, unreachable: the connection is gone
    };
    struct Result {
        Status status = Status::WouldBlock;
        std::size_t count = 0;
    };
    struct Ready {
        bool readable = false;  // data, or the end of the connection, can be read
        bool writable = false;
        bool failed = false;
    };

    TcpConnection() = default;
    ~TcpConnection() { Close(); }
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Resolves host and connects within timeout, trying each address of the name in turn.
    // The connection sends every write at once (no Nagle) and notices within seconds a peer
    // that has gone without closing (keepalive, a limit on unacknowledged data). False with
    // LastError() set. endpoint names the peer in messages ("10.0.0.21:4001").
    bool Connect(const std::string& host, int port, const std::string& endpoint,
                 std::chrono::milliseconds timeout);
    bool IsOpen() const { return socket_ >= 0; }

    Result Receive(std::uint8_t* buffer, std::size_t size);
    Result Send(const std::uint8_t* bytes, std::size_t size);
    // Waits up to timeout until the socket can be read or (when asked) written.
    Ready Wait(bool forWriting, std::chrono::microseconds timeout);

    // Reads and drops what is still unread before closing, so that the peer sees an orderly
    // close and not a reset, which could make it drop what it has not yet passed to the line.
    void Close();

    // The system's words for the last failure: "connect 10.0.0.21:4001: Connection refused".
    const std::string& LastError() const { return lastError_; }

  private:
    void Record(const char* operation, int err);
    // What a receive or send that failed with the system error err comes to; nothing when it was
    // interrupted and is to be tried again.
    std::optional<Result> Failure(const char* operation, int err);

    // A descriptor on POSIX; wide enough for a Winsock SOCKET.
    std::intptr_t socket_ = -1;
    std::string endpoint_;
    std::string lastError_;
};

// True when host resolves to an address (no connection is made); the resolver's words in
// *reason otherwise.
bool ResolvesToAddress(const std::string& host, int port, std::string* reason);

}  // namespace kelvantori

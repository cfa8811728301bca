// TCP connections to device servers on Linux: non-blocking sockets, poll for every wait.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/TcpConnection.h"

namespace kelvantori {

namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// A device server that has gone without closing (switched off, cable pulled) is noticed after
// kKeepIdle + kKeepCount * kKeepInterval of silence, or kUnacknowledgedLimit after bytes sent to
// it stayed unacknowledged. A machine that holds the line with DC3 keeps the connection alive:
// the server answers the probes.
constexpr int kKeepIdleSeconds = 5;
constexpr int kKeepIntervalSeconds = 2;
constexpr int kKeepCount = 3;
constexpr unsigned kUnacknowledgedLimitMs = 15000;

int Fd(std::intptr_t socket) {
    return static_cast<int>(socket);
}

// What a failed socket call means. Every errno the connection sees is sorted here.
enum class SocketFailure {
    Interrupted,  // EINTR: try again
    WouldBlock,   // EAGAIN, EINPROGRESS: not now
    Gone,         // anything else: the connection is reset, timed out or unreachable
};

SocketFailure Classify(int err) {
    if (err == EINTR)
        return SocketFailure::Interrupted;
    if (err == EAGAIN || err == EWOULDBLOCK || err == EINPROGRESS)
        return SocketFailure::WouldBlock;
    return SocketFailure::Gone;
}

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first != nullptr)
            freeaddrinfo(first);
    }
};

// getaddrinfo's answer: 0, or its error with the words in *reason.
int Resolve(const std::string& host, int port, AddressList& list, std::string* reason) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list.first);
    if (rc != 0 && reason != nullptr) {
        const char* words = rc == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(rc);
        *reason = "resolve " + host + ": " + words;
    }
    return rc;
}

void SetOption(int fd, int level, int name, int value) {
    // A refused option costs only the early notice of a vanished peer; the connection works.
    setsockopt(fd, level, name, &value, sizeof value);
}

std::string SecondsText(milliseconds d) {
    const long long ms = d.count();
    if (ms % 1000 == 0)
        return std::to_string(ms / 1000) + " s";
    return std::to_string(ms) + " ms";
}

}  // namespace

void TcpConnection::Record(const char* operation, int err) {
    lastError_ = std::string(operation) + " " + endpoint_ + ": " + std::strerror(err);
}

bool TcpConnection::Connect(const std::string& host, int port, const std::string& endpoint,
                            milliseconds timeout) {
    Close();
    endpoint_ = endpoint;
    AddressList list;
    if (Resolve(host, port, list, &lastError_) != 0)
        return false;

    const auto deadline = SteadyClock::now() + timeout;
    lastError_ = "connect " + endpoint_ + ": no address";
    for (const addrinfo* a = list.first; a != nullptr; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            Record("socket", errno);
            continue;
        }
        int err = 0;
        bool outOfTime = false;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0)
            err = errno;
        while (err == EINPROGRESS || err == EINTR) {
            const auto left = std::chrono::ceil<milliseconds>(deadline - SteadyClock::now());
            if (left.count() <= 0) {
                outOfTime = true;
                break;
            }
            pollfd p{fd, POLLOUT, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
            if (ready < 0) {
                err = errno == EINTR ? EINPROGRESS : errno;
                continue;
            }
            if (ready == 0)
                continue;
            socklen_t length = sizeof err;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &length) != 0)
                err = errno;
        }
        if (err == 0) {
            SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
            SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
            SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds);
            SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds);
            SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
            SetOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, static_cast<int>(kUnacknowledgedLimitMs));
            socket_ = fd;
            lastError_.clear();
            return true;
        }
        ::close(fd);
        if (outOfTime) {
            lastError_ = "connect " + endpoint_ + ": no answer within " + SecondsText(timeout);
            return false;
        }
        Record("connect", err);
    }
    return false;
}

std::optional<TcpConnection::Result> TcpConnection::Failure(const char* operation, int err) {
    switch (Classify(err)) {
        case SocketFailure::Interrupted:
            return std::nullopt;
        case SocketFailure::WouldBlock:
            return Result{Status::WouldBlock, 0};
        case SocketFailure::Gone:
            break;
    }
    Record(operation, err);
    return Result{Status::Failed, 0};
}

TcpConnection::Result TcpConnection::Receive(std::uint8_t* buffer, std::size_t size) {
    if (socket_ < 0)
        return {Status::Failed, 0};
    for (;;) {
        const ssize_t n = ::recv(Fd(socket_), buffer, size, MSG_DONTWAIT);
        if (n > 0)
            return {Status::Done, static_cast<std::size_t>(n)};
        if (n == 0) {
            lastError_ = endpoint_ + ": the device server closed the connection";
            return {Status::Closed, 0};
        }
        if (const auto failed = Failure("recv", errno))
            return *failed;
    }
}

TcpConnection::Result TcpConnection::Send(const std::uint8_t* bytes, std::size_t size) {
    if (socket_ < 0)
        return {Status::Failed, 0};
    for (;;) {
        // MSG_NOSIGNAL: a connection the peer has closed is an error here, not a SIGPIPE.
        const ssize_t n = ::send(Fd(socket_), bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0)
            return {n == 0 ? Status::WouldBlock : Status::Done, static_cast<std::size_t>(n)};
        if (const auto failed = Failure("send", errno))
            return *failed;
    }
}

TcpConnection::Ready TcpConnection::Wait(bool forWriting, std::chrono::microseconds timeout) {
    Ready ready;
    if (socket_ < 0) {
        ready.failed = true;
        return ready;
    }
    const auto deadline = SteadyClock::now() + timeout;
    for (;;) {
        const auto left = std::max(
            std::chrono::nanoseconds{0},
            std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - SteadyClock::now()));
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
        ts.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
        pollfd p{Fd(socket_), static_cast<short>(POLLIN | (forWriting ? POLLOUT : 0)), 0};
        const int n = ::ppoll(&p, 1, &ts, nullptr);
        if (n < 0) {
            const int err = errno;
            if (Classify(err) == SocketFailure::Interrupted)
                continue;
            Record("poll", err);
            ready.failed = true;
            return ready;
        }
        // A reset or a closed connection polls readable too: the receive tells which.
        ready.readable = (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
        ready.writable = (p.revents & POLLOUT) != 0;
        return ready;
    }
}

void TcpConnection::Close() {
    if (socket_ < 0)
        return;
    // What has arrived, not what a server sending without pause would go on sending.
    std::uint8_t sink[4096];
    for (int i = 0; i < 64 && ::recv(Fd(socket_), sink, sizeof sink, MSG_DONTWAIT) > 0; ++i) {
    }
    ::close(Fd(socket_));
    socket_ = -1;
}

bool ResolvesToAddress(const std::string& host, int port, std::string* reason) {
    AddressList list;
    return Resolve(host, port, list, reason) == 0 && list.first != nullptr;
}

}  // namespace kelvantori

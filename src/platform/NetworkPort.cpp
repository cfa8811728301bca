// The connection, the buffers and the one-byte reads and writes of the network ports.
#include "platform/NetworkPort.h"

#include <algorithm>
#include <utility>

namespace kelvantori {

namespace {

using std::chrono::microseconds;
using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kReceiveChunk = 4096;
constexpr std::size_t kLastWordsLength = 80;
// Output is gathered into larger segments while the line is this many characters behind what
// was written (an unpaced send): the server could not pass the bytes on any sooner, and one
// segment per byte would make it, not the line, the bottleneck. A paced send stays within two
// characters, so each of its bytes goes out at once.
constexpr int kGatherAhead = 10;
constexpr std::size_t kGatherLimit = 1024;
// Beyond the line time of what was written: the way through the network and the server.
constexpr std::chrono::milliseconds kCloseMargin{100};
constexpr std::chrono::milliseconds kCloseLimit{1000};

}  // namespace

NetworkPort::NetworkPort(PortAddress address, NetworkTimeouts timeouts)
    : address_(std::move(address)), timeouts_(timeouts) {}

NetworkPort::~NetworkPort() = default;

PortError NetworkPort::Refuse(PortError error, std::string reason) {
    lastError_ = std::move(reason);
    return error;
}

std::string NetworkPort::ClosedReason() const {
    return lastError_ + LastWords();
}

std::string NetworkPort::LastWords() const {
    std::string words;
    for (std::size_t i = inputAt_; i < input_.size() && words.size() < kLastWordsLength; ++i) {
        const char c = input_[i];
        if (c >= 0x20 && c < 0x7F)
            words.push_back(c);
        else if (!words.empty() && words.back() != ' ')
            words.push_back(' ');
    }
    while (!words.empty() && words.back() == ' ')
        words.pop_back();
    return words.empty() ? std::string() : " (\"" + words + "\")";
}

PortError NetworkPort::Open(const PortConfig& config) {
    Close();
    openedName_ = config.portName;
    characterTime_ = CharacterTime(config.line);
    lineFreeAt_ = SteadyClock::time_point{};
    lost_ = false;
    outputSuspended_ = false;
    modem_ = ModemStatus{};
    input_.clear();
    inputAt_ = 0;
    output_.clear();
    socketFull_ = false;
    ResetProtocol();
    if (!address_.IsNetwork()) {
        return Refuse(PortError::OpenFailed,
                      "\"" + address_.text +
                          "\" is no network port address (tcp://HOST:PORT, rfc2217://HOST:PORT)");
    }
    if (!connection_.Connect(address_.host, address_.port, address_.Endpoint(), timeouts_.connect))
        return Refuse(PortError::OpenFailed, connection_.LastError());

    const PortError negotiated = Negotiate(config);
    if (negotiated != PortError::None)
        return negotiated;

    // The purge: what arrives while the line settles answers nothing we have sent (a start
    // signal given as the connection came up is repeated by the machine). A server that turns
    // the connection away has closed it by now.
    PumpUntil(SteadyClock::now() + timeouts_.settle, [] { return false; });
    if (lost_)
        return Refuse(PortError::OpenFailed, ClosedReason());
    input_.clear();
    inputAt_ = 0;
    return PortError::None;
}

void NetworkPort::Close() {
    if (connection_.IsOpen() && !lost_ && Flush()) {
        const auto now = SteadyClock::now();
        if (lineFreeAt_ + kCloseMargin > now) {
            const auto drained = std::min(lineFreeAt_ + kCloseMargin, now + kCloseLimit);
            PumpUntil(drained, [] { return false; });
        }
    }
    connection_.Close();
    output_.clear();
}

bool NetworkPort::CanOpen(const std::string& portName) {
    (void)portName;
    if (!address_.IsNetwork()) {
        lastError_ = "\"" + address_.text + "\" is no network port address";
        return false;
    }
    return ResolvesToAddress(address_.host, address_.port, &lastError_);
}

void NetworkPort::LineByte(std::uint8_t byte) {
    // NUL bytes are line noise or tape leader, as on a device port: never delivered.
    if (byte != 0)
        input_.push_back(static_cast<char>(byte));
}

void NetworkPort::SendWire(std::string_view bytes) {
    output_.append(bytes);
    Flush();
}

void NetworkPort::Lose(const std::string& reason) {
    lost_ = true;
    lastError_ = reason;
    output_.clear();
}

bool NetworkPort::Gathering() const {
    return lineFreeAt_ - SteadyClock::now() >
           std::chrono::duration_cast<SteadyClock::duration>(characterTime_ * kGatherAhead);
}

bool NetworkPort::Flush() {
    socketFull_ = false;
    while (!output_.empty() && !lost_) {
        const auto r =
            connection_.Send(reinterpret_cast<const std::uint8_t*>(output_.data()), output_.size());
        if (r.status == TcpConnection::Status::Done) {
            output_.erase(0, r.count);
        } else if (r.status == TcpConnection::Status::WouldBlock) {
            socketFull_ = true;
            return true;
        } else {
            Lose(connection_.LastError());
        }
    }
    return !lost_;
}

bool NetworkPort::Pull(microseconds timeout) {
    if (lost_ || !Flush())
        return false;
    for (int round = 0; round < 2; ++round) {
        bool arrived = false;
        for (;;) {
            std::uint8_t chunk[kReceiveChunk];
            const auto r = connection_.Receive(chunk, sizeof chunk);
            if (r.status == TcpConnection::Status::WouldBlock)
                break;
            if (r.status != TcpConnection::Status::Done) {
                Lose(connection_.LastError());
                return false;
            }
            Decode(chunk, r.count);
            arrived = true;
            if (r.count < sizeof chunk)
                break;
        }
        if (lost_ || !Flush())
            return false;
        if (arrived || round == 1 || timeout.count() <= 0)
            return true;
        const TcpConnection::Ready ready = connection_.Wait(!output_.empty(), timeout);
        if (ready.failed) {
            Lose(connection_.LastError());
            return false;
        }
        if (!ready.readable)
            return Flush();
    }
    return true;
}

ReadResult NetworkPort::Read(microseconds timeout) {
    if (!connection_.IsOpen())
        return {ReadStatus::Failed, 0};
    const auto deadline = SteadyClock::now() + timeout;
    for (;;) {
        if (inputAt_ < input_.size()) {
            const auto byte = static_cast<std::uint8_t>(input_[inputAt_++]);
            if (inputAt_ == input_.size()) {
                input_.clear();
                inputAt_ = 0;
            }
            return {ReadStatus::Byte, byte};
        }
        if (lost_)
            return {ReadStatus::Lost, 0};
        const auto left = std::max(SteadyClock::duration::zero(), deadline - SteadyClock::now());
        // Even a zero time-out takes what has already arrived.
        if (!Pull(std::chrono::ceil<microseconds>(left)))
            continue;
        if (inputAt_ >= input_.size() && SteadyClock::now() >= deadline)
            return {ReadStatus::TimedOut, 0};
    }
}

WriteStatus NetworkPort::Write(std::uint8_t byte) {
    if (!connection_.IsOpen() || lost_)
        return WriteStatus::Failed;
    // A socket that took nothing the last time is asked again first.
    if (socketFull_ && !Flush())
        return WriteStatus::Failed;
    if (socketFull_ || outputSuspended_)
        return WriteStatus::Full;
    Encode(byte, output_);
    lineFreeAt_ = std::max(lineFreeAt_, SteadyClock::now()) +
                  std::chrono::duration_cast<SteadyClock::duration>(characterTime_);
    if ((output_.size() >= kGatherLimit || !Gathering()) && !Flush())
        return WriteStatus::Failed;
    return WriteStatus::Written;
}

bool NetworkPort::WaitWritable(microseconds timeout) {
    const auto deadline = SteadyClock::now() + timeout;
    for (;;) {
        if (!connection_.IsOpen() || lost_ || !Flush())
            return false;
        if (!socketFull_ && !outputSuspended_)
            return true;
        const auto left = deadline - SteadyClock::now();
        if (left <= SteadyClock::duration::zero())
            return false;
        if (!Pull(std::chrono::ceil<microseconds>(left)))
            return false;
    }
}

std::optional<ModemStatus> NetworkPort::GetModemStatus() {
    if (!connection_.IsOpen() || lost_)
        return std::nullopt;
    return modem_;
}

}  // namespace kelvantori

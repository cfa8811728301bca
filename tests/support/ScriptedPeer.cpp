// The scripted device server of the network ports' tests (POSIX sockets).
#include "support/ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace kelvantori::test {

namespace {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kComPortOption = 44;

// The client commands a server confirms by answering with the command + 100 and the value.
bool IsConfirmed(std::uint8_t command) {
    return command >= 1 && command <= 5;
}

}  // namespace

ScriptedPeer::ScriptedPeer(Role role) : role_(role) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe(wake_) != 0)
        throw std::runtime_error("the scripted peer cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    stop_ = true;
    const char c = 0;
    (void)!::write(wake_[1], &c, 1);
    thread_.join();
    if (client_ >= 0)
        ::close(client_);
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void ScriptedPeer::SendLocked(const std::string& bytes) {
    std::size_t sent = 0;
    while (client_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(client_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

void ScriptedPeer::Send(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    SendLocked(bytes);
}

void ScriptedPeer::CloseClient() {
    std::lock_guard lock(mutex_);
    if (client_ >= 0)
        ::shutdown(client_, SHUT_RDWR);
}

std::string ScriptedPeer::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::string ScriptedPeer::Data() const {
    std::lock_guard lock(mutex_);
    return data_;
}

bool ScriptedPeer::WaitFor(const std::function<bool(const std::string&)>& holds,
                           std::chrono::milliseconds timeout) const {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!holds(Received())) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void ScriptedPeer::Answer(std::uint8_t b) {
    if (role_ == Role::Silent) {
        data_.push_back(static_cast<char>(b));
        return;
    }
    switch (state_) {
        case State::Data:
            if (b == kIac)
                state_ = State::Command;
            else
                data_.push_back(static_cast<char>(b));
            return;
        case State::Command:
            if (b == kIac) {
                data_.push_back(static_cast<char>(kIac));
                state_ = State::Data;
            } else if (b >= kWill && b <= kDont) {
                verb_ = b;
                state_ = State::Option;
            } else if (b == kSb) {
                sub_.clear();
                state_ = State::Sub;
            } else {
                state_ = State::Data;
            }
            return;
        case State::Option:
            if (verb_ == kWill && b == kComPortOption) {
                const std::uint8_t answer = refuseComPort_ ? kDont : kDo;
                SendLocked({static_cast<char>(kIac), static_cast<char>(answer),
                            static_cast<char>(kComPortOption)});
            }
            state_ = State::Data;
            return;
        case State::Sub:
            if (b == kIac)
                state_ = State::SubCommand;
            else
                sub_.push_back(static_cast<char>(b));
            return;
        case State::SubCommand:
            if (b == kIac) {
                sub_.push_back(static_cast<char>(kIac));
                state_ = State::Sub;
                return;
            }
            state_ = State::Data;
            if (b != kSe || sub_.size() < 3 || static_cast<std::uint8_t>(sub_[0]) != kComPortOption)
                return;
            if (const auto command = static_cast<std::uint8_t>(sub_[1]); IsConfirmed(command)) {
                std::string value = sub_.substr(2);
                if (const auto it = controlAnswers_.find(static_cast<std::uint8_t>(value[0]));
                    command == 5 && it != controlAnswers_.end())
                    value = std::string(1, static_cast<char>(it->second));
                if (command == 1 && answerSpeed_) {
                    const std::uint32_t s = *answerSpeed_;
                    value = {static_cast<char>(s >> 24), static_cast<char>(s >> 16),
                             static_cast<char>(s >> 8), static_cast<char>(s)};
                }
                std::string answer{static_cast<char>(kIac), static_cast<char>(kSb),
                                   static_cast<char>(kComPortOption),
                                   static_cast<char>(command + 100)};
                for (const char c : value) {
                    answer.push_back(c);
                    if (static_cast<std::uint8_t>(c) == kIac)
                        answer.push_back(c);
                }
                answer += {static_cast<char>(kIac), static_cast<char>(kSe)};
                SendLocked(answer);
            }
            return;
    }
}

void ScriptedPeer::Run() {
    while (!stop_) {
        int client = -1;
        {
            std::lock_guard lock(mutex_);
            client = client_;
        }
        pollfd p[2] = {{wake_[0], POLLIN, 0}, {client >= 0 ? client : listener_, POLLIN, 0}};
        if (::poll(p, 2, 100) <= 0 || (p[0].revents & POLLIN) != 0)
            continue;
        std::lock_guard lock(mutex_);
        if (client_ < 0) {
            client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client_ < 0)
                continue;
            ++accepted_;
            state_ = State::Data;
            SendLocked(greeting_);
            if (closeAfterGreeting_) {
                ::close(client_);
                client_ = -1;
            }
            continue;
        }
        char chunk[4096];
        const ssize_t n = ::recv(client_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            ::close(client_);
            client_ = -1;
            continue;
        }
        received_.append(chunk, static_cast<std::size_t>(n));
        for (ssize_t i = 0; i < n; ++i)
            Answer(static_cast<std::uint8_t>(chunk[i]));
    }
}

}  // namespace kelvantori::test

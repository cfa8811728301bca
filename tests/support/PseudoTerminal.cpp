// Pseudo-terminal pairs through posix_openpt.
#include "support/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kelvantori::test {

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        const std::string reason = std::strerror(errno);
        if (master_ >= 0)
            ::close(master_);
        throw std::runtime_error("no pseudo-terminal: " + reason);
    }
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0) {
        ::close(master_);
        throw std::runtime_error("ptsname failed");
    }
    slavePath_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    CloseMaster();
}

void PseudoTerminal::CloseMaster() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PseudoTerminal::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(std::string("master write: ") + std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string PseudoTerminal::Receive(std::size_t count, std::chrono::milliseconds within) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + within;
    std::string got;
    while (got.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{master_, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

termios PseudoTerminal::SlaveTermios() const {
    termios t{};
    if (tcgetattr(master_, &t) != 0)
        throw std::runtime_error("tcgetattr on the master failed");
    return t;
}

}  // namespace kelvantori::test

#include "support/PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "support/MachineProcess.h"

namespace kelvantori::test {

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        const std::string reason = std::strerror(errno);
        CloseMaster();
        throw std::runtime_error("no pseudo-terminal: " + reason);
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
        if (n < 0 && errno != EINTR)
            throw std::runtime_error(std::string("master write: ") + std::strerror(errno));
        bytes.remove_prefix(n < 0 ? 0 : static_cast<std::size_t>(n));
    }
}

std::string PseudoTerminal::Receive(std::size_t count, std::chrono::milliseconds within) {
    return ReadFromDevice(master_, count, within);
}

termios PseudoTerminal::SlaveTermios() const {
    termios t{};
    if (tcgetattr(master_, &t) != 0)
        throw std::runtime_error("tcgetattr on the master failed");
    return t;
}

}  // namespace kelvantori::test

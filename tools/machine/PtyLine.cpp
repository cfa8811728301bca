// The pseudo-terminal line (POSIX).
#include "machine/PtyLine.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace kelvantori::machine {

std::unique_ptr<PtyLine> PtyLine::Open(MachineFailure& failure) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        failure = FailureFromErrno(MachineError::PtyUnavailable, {});
        return nullptr;
    }
    char name[PATH_MAX] = {};
    if (::fcntl(master, F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK) != 0 ||
        ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        failure = FailureFromErrno(MachineError::PtyUnavailable, {});
        ::close(master);
        return nullptr;
    }
    // termios calls on the master act on the slave: raw, 8 bits, no echo, no canonical lines,
    // and nothing that strips bit 7 (ISTRIP would turn 0x93 into 0x13) or eats DC1/DC3.
    termios t{};
    if (::tcgetattr(master, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_iflag &= ~static_cast<tcflag_t>(ISTRIP | IXON | IXOFF | IXANY | INPCK);
        t.c_cflag |= CS8 | CREAD | CLOCAL;
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        ::tcsetattr(master, TCSANOW, &t);
    }
    // Until the slave has been opened once, the master shows no hang-up, and the PC's first open
    // could not be told from the time before it. Opening and closing it here starts in the
    // hung-up state.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0)
        ::close(slave);
    return std::unique_ptr<PtyLine>(new PtyLine(master, name));
}

PtyLine::~PtyLine() {
    ::close(master_);
}

bool PtyLine::PeerOpen() const {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return true;
    return (p.revents & POLLHUP) == 0;
}

std::size_t PtyLine::Read(char* buffer, std::size_t max) {
    for (;;) {
        const ssize_t n = ::read(master_, buffer, max);
        if (n > 0)
            return static_cast<std::size_t>(n);
        // EIO: the PC side has closed; EAGAIN: nothing waits.
        if (n < 0 && errno == EINTR)
            continue;
        return 0;
    }
}

std::size_t PtyLine::Write(std::string_view bytes) {
    if (bytes.empty())
        return 0;
    for (;;) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EINTR)
            continue;
        return 0;
    }
}

std::optional<std::size_t> PtyLine::UnreadByPeer() const {
    const int slave = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return std::nullopt;
    int waiting = 0;
    const int rc = ::ioctl(slave, FIONREAD, &waiting);
    ::close(slave);
    if (rc != 0 || waiting < 0)
        return std::nullopt;
    return static_cast<std::size_t>(waiting);
}

MachineFailure MakeDeviceLink(const std::string& link, const std::string& target) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return MachineFailure{MachineError::LinkNotMade, link, EEXIST};
        if (::unlink(link.c_str()) != 0)
            return FailureFromErrno(MachineError::LinkNotMade, link);
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        return FailureFromErrno(MachineError::LinkNotMade, link);
    }
    return {};
}

void RemoveDeviceLink(const std::string& link, const std::string& target) {
    std::vector<char> buffer(PATH_MAX + 1, '\0');
    const ssize_t n = ::readlink(link.c_str(), buffer.data(), PATH_MAX);
    if (n < 0)
        return;
    if (std::string(buffer.data(), static_cast<std::size_t>(n)) == target)
        ::unlink(link.c_str());
}

}  // namespace kelvantori::machine

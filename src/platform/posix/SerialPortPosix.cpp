// The serial port on Linux: termios for the line, ioctl for the modem lines and the queues,
// ppoll for read time-outs. Pseudo-terminals are accepted as ports so that the same settings work
// against the virtual machine of the tests and the demo.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "platform/HostConfig.h"
#include "platform/SerialPort.h"
#include "platform/posix/LinuxCustomSpeed.h"

namespace kelvantori {

namespace {

using std::chrono::microseconds;
using std::chrono::nanoseconds;
using SteadyClock = std::chrono::steady_clock;

// Unix98 pseudo-terminal slaves (/dev/pts/N) have these major device numbers.
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

// A custom speed is taken when the driver lands within this of it (UART divisors round).
constexpr double kCustomSpeedTolerance = 0.02;

// What a failed system call means for the caller. Every errno the port sees is sorted here.
enum class SystemFailure {
    Interrupted,   // EINTR: try again
    WouldBlock,    // EAGAIN: nothing to read now, or the output queue is full
    NoModemLines,  // ENOTTY/EINVAL on a modem-line ioctl: the device has none to report
    Broken,        // anything else: the device is gone or refuses
};

SystemFailure Classify(int err) {
    if (err == EINTR)
        return SystemFailure::Interrupted;
    if (err == EAGAIN || err == EWOULDBLOCK)
        return SystemFailure::WouldBlock;
    if (err == ENOTTY || err == EINVAL)
        return SystemFailure::NoModemLines;
    return SystemFailure::Broken;
}

// Why an open() or the lock of a device failed, in the words the user can act on.
OpenFailure OpenFailureOf(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
        // A serial driver whose port has no hardware behind it refuses the open this way.
        case EIO:
            return OpenFailure::NoDevice;
        case EACCES:
        case EPERM:
        case EROFS:
            return OpenFailure::NoPermission;
        // EBUSY: the first open's exclusive mode (TIOCEXCL) refuses everyone but root before
        // the lock is tried; EWOULDBLOCK: the lock of another holder.
        case EBUSY:
        case EWOULDBLOCK:
            return OpenFailure::InUse;
        case EISDIR:
        case ENOTTY:
        case ELOOP:
            return OpenFailure::NotASerialPort;
        default:
            return OpenFailure::Other;
    }
}

std::string SystemText(int err) {
    return std::strerror(err);
}

bool IsPseudoTerminalSlave(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned m = major(st.st_rdev);
    return m >= kPtySlaveMajorFirst && m <= kPtySlaveMajorLast;
}

// The termios constant of a speed, or B0 for a speed that needs termios2.
speed_t StandardSpeed(int speed) {
    switch (speed) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        default:
            return B0;
    }
}

bool IsCustomSpeed(int speed) {
    return speed == 14400;
}

tcflag_t DataBitsFlag(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return 0;
    }
}

timespec ToTimespec(nanoseconds d) {
    if (d.count() < 0)
        d = nanoseconds{0};
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(d.count() / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(d.count() % 1'000'000'000);
    return ts;
}

// The flags whose read-back value must equal what was asked for.
constexpr tcflag_t kCheckedCflag = CSIZE | PARENB | PARODD | CSTOPB | CLOCAL | CREAD | CRTSCTS;
constexpr tcflag_t kPtyIgnoredCflag = CSIZE | PARENB | PARODD;
constexpr tcflag_t kCheckedIflag =
    IXON | IXOFF | IXANY | ISTRIP | INPCK | IGNPAR | PARMRK | ICRNL | INLCR | IGNCR;
constexpr tcflag_t kCheckedLflag = ICANON | ECHO | ISIG | IEXTEN;

class PosixSerialPort final : public SerialPort {
  public:
    explicit PosixSerialPort(HostConfig hosts) : hosts_(std::move(hosts)) {}
    ~PosixSerialPort() override { Close(); }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    PortError Open(const PortConfig& config) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    bool CanOpen(const std::string& portName) override;
    ReadResult Read(microseconds timeout) override;
    WriteStatus Write(std::uint8_t byte) override;
    bool WaitWritable(microseconds timeout) override;
    int OutputQueueLength() override;
    std::optional<ModemStatus> GetModemStatus() override;
    std::string LastSystemError() const override { return lastError_; }
    OpenFailure LastOpenFailure() const override { return openFailure_; }

  private:
    // Opens and locks the device; -1 (with the reason recorded) when it is missing, not a
    // terminal, or held by someone else.
    int OpenExclusive(const std::string& device);
    // Records why the device did not open.
    int RefuseOpen(std::string_view operation, int err);
    PortError Configure(const PortConfig& config);
    PortError Fail(PortError error, std::string_view operation, int err);
    // A failure the driver did not report as an error: it answered, but not what was asked.
    PortError Refused(PortError error, std::string_view what);
    void Record(std::string_view operation, int err);

    HostConfig hosts_;
    int fd_ = -1;
    std::string device_;
    bool pseudoTerminal_ = false;
    // Learnt from the first ENOTTY, so that the per-byte status reads cost no system call.
    bool modemLinesMissing_ = false;
    std::string lastError_;
    OpenFailure openFailure_ = OpenFailure::None;
};

void PosixSerialPort::Record(std::string_view operation, int err) {
    lastError_ = std::string(operation) + " " + device_ + ": " + SystemText(err);
}

PortError PosixSerialPort::Fail(PortError error, std::string_view operation, int err) {
    Record(operation, err);
    return error;
}

PortError PosixSerialPort::Refused(PortError error, std::string_view what) {
    lastError_ = device_ + ": " + std::string(what);
    return error;
}

int PosixSerialPort::RefuseOpen(std::string_view operation, int err) {
    Record(operation, err);
    openFailure_ = OpenFailureOf(err);
    return -1;
}

int PosixSerialPort::OpenExclusive(const std::string& device) {
    device_ = device;
    openFailure_ = OpenFailure::None;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return RefuseOpen("open", errno);
    if (!isatty(fd)) {
        ::close(fd);
        return RefuseOpen("open", ENOTTY);
    }
    // TIOCEXCL does not stop root from opening the device a second time; the lock does, for
    // every program that takes it (a second Kelvantori, lockdev users).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return RefuseOpen("lock", err);
    }
    return fd;
}

PortError PosixSerialPort::Open(const PortConfig& config) {
    Close();
    const std::string device = hosts_.DeviceOf(config.portName);
    if (device.empty()) {
        device_.clear();
        lastError_ = "\"" + config.portName + "\" names no serial port";
        openFailure_ = OpenFailure::UnknownPort;
        return PortError::OpenFailed;
    }
    const int fd = OpenExclusive(device);
    if (fd < 0)
        return PortError::OpenFailed;
    if (ioctl(fd, TIOCEXCL) != 0) {
        const int err = errno;
        ::close(fd);
        RefuseOpen("TIOCEXCL", err);
        return PortError::OpenFailed;
    }
    fd_ = fd;
    pseudoTerminal_ = IsPseudoTerminalSlave(fd_);
    // A pseudo-terminal has no modem lines; they read as on.
    modemLinesMissing_ = pseudoTerminal_;
    return Configure(config);
}

PortError PosixSerialPort::Configure(const PortConfig& config) {
    termios want{};
    if (tcgetattr(fd_, &want) != 0)
        return Fail(PortError::SetupFailed, "tcgetattr", errno);

    const tcflag_t sizeFlag = DataBitsFlag(config.line.dataBits);
    const speed_t speed = StandardSpeed(config.line.speed);
    const bool custom = IsCustomSpeed(config.line.speed);
    if (sizeFlag == 0)
        return Refused(PortError::SetupFailed, "no such number of data bits");
    if (speed == B0 && !custom)
        return Refused(PortError::SetupFailed, "no such speed");

    cfmakeraw(&want);
    // Received parity is never checked, and ISTRIP would turn the DC3 0x93 into 0x13. The
    // driver never obeys XON/XOFF on output: a send reads the machine's DC1/DC3 itself, and in
    // a receive IXON would swallow received 0x11/0x13 bytes, among them the EIA digit 3.
    want.c_iflag &= ~(ISTRIP | INPCK | IGNPAR | PARMRK | IXON | IXANY | IXOFF);
    if (config.driverFlowIn)
        want.c_iflag |= IXOFF;
    want.c_cc[VSTART] = config.xonChar;
    want.c_cc[VSTOP] = config.xoffChar;

    // CLOCAL: the carrier is the machine's start signal, not a reason to hang up the line.
    want.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
    want.c_cflag |= CLOCAL | CREAD | sizeFlag;
    if (config.line.parity != Parity::None)
        want.c_cflag |= PARENB;
    if (config.line.parity == Parity::Odd)
        want.c_cflag |= PARODD;
    // POSIX has no 1.5 stop bits. Two is the safer neighbour: a receiver that expects 1.5 stop
    // bits reads two without a framing error, while one would be too short for it.
    if (config.line.stopBits != StopBits::One)
        want.c_cflag |= CSTOPB;
    if (!custom) {
        // The input speed follows the output speed.
        want.c_cflag &= ~CIBAUD;
        cfsetospeed(&want, speed);
        cfsetispeed(&want, speed);
    }

    // The read time-outs are ppoll's business: a read returns at once with what is there.
    want.c_cc[VMIN] = 0;
    want.c_cc[VTIME] = 0;

    if (tcsetattr(fd_, TCSANOW, &want) != 0) {
        const int err = errno;
        if (!pseudoTerminal_ || err != EINVAL)
            return Fail(PortError::SetupFailed, "tcsetattr", err);
        // A pseudo-terminal keeps 8 data bits and no parity and refuses a change of only those.
        termios plain = want;
        plain.c_cflag = (plain.c_cflag & ~(CSIZE | PARENB | PARODD)) | CS8;
        if (tcsetattr(fd_, TCSANOW, &plain) != 0) {
            return Fail(PortError::SetupFailed, "tcsetattr", errno);
        }
    }
    // A pseudo-terminal has no line speed at all, so a refused custom speed does not matter there.
    if (custom && !posix::SetCustomSpeed(fd_, config.line.speed) && !pseudoTerminal_) {
        return Fail(PortError::SetupFailed, "TCSETS2", errno);
    }

    // tcsetattr succeeds when any part of the request took; only the read-back tells.
    termios got{};
    if (tcgetattr(fd_, &got) != 0)
        return Fail(PortError::SetupFailed, "tcgetattr", errno);
    const tcflag_t cflagMask = pseudoTerminal_ ? kCheckedCflag & ~kPtyIgnoredCflag : kCheckedCflag;
    const bool lineTook = (got.c_cflag & cflagMask) == (want.c_cflag & cflagMask) &&
                          (got.c_iflag & kCheckedIflag) == (want.c_iflag & kCheckedIflag) &&
                          (got.c_lflag & kCheckedLflag) == (want.c_lflag & kCheckedLflag) &&
                          (got.c_oflag & OPOST) == 0 && got.c_cc[VSTART] == want.c_cc[VSTART] &&
                          got.c_cc[VSTOP] == want.c_cc[VSTOP];
    if (!lineTook)
        return Refused(PortError::SetupFailed, "the driver did not take the line settings");
    if (!pseudoTerminal_) {
        if (custom) {
            const int actual = posix::ReadCustomSpeed(fd_);
            const double off = std::abs(actual - config.line.speed) / double(config.line.speed);
            if (actual <= 0 || off > kCustomSpeedTolerance) {
                return Refused(PortError::SetupFailed, "the driver did not take the speed");
            }
        } else if (cfgetospeed(&got) != speed) {
            return Refused(PortError::SetupFailed, "the driver did not take the speed");
        }
    }
    if (got.c_cc[VMIN] != 0 || got.c_cc[VTIME] != 0) {
        return Refused(PortError::TimeoutsFailed, "the driver did not take VMIN/VTIME");
    }

    // DTR and RTS are raised by the driver when the device opens; these keep them on for
    // equipment that needs them (an automatic line switcher).
    int lines = 0;
    if (config.dtrOn)
        lines |= TIOCM_DTR;
    if (config.rtsOn)
        lines |= TIOCM_RTS;
    if (lines != 0 && !modemLinesMissing_ && ioctl(fd_, TIOCMBIS, &lines) != 0) {
        const int err = errno;
        if (Classify(err) != SystemFailure::NoModemLines) {
            return Fail(PortError::SetupFailed, "TIOCMBIS", err);
        }
        modemLinesMissing_ = true;
    }

    // The driver's queues cannot be sized from user space; the tty layer's own (4 KiB on
    // Linux) hold what a transfer ever keeps queued.
    if (tcflush(fd_, TCIOFLUSH) != 0)
        return Fail(PortError::PurgeFailed, "tcflush", errno);
    return PortError::None;
}

void PosixSerialPort::Close() {
    if (fd_ < 0)
        return;
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // releases the lock as well
    fd_ = -1;
    pseudoTerminal_ = false;
    modemLinesMissing_ = false;
}

bool PosixSerialPort::CanOpen(const std::string& portName) {
    const std::string device = hosts_.DeviceOf(portName);
    if (device.empty()) {
        lastError_ = "\"" + portName + "\" names no serial port";
        openFailure_ = OpenFailure::UnknownPort;
        return false;
    }
    const std::string keepDevice = device_;
    const int fd = OpenExclusive(device);
    device_ = keepDevice;
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

ReadResult PosixSerialPort::Read(microseconds timeout) {
    if (fd_ < 0)
        return {ReadStatus::Failed, 0};
    const auto deadline = SteadyClock::now() + timeout;
    bool hungUp = false;
    for (;;) {
        std::uint8_t byte = 0;
        // With VMIN=0/VTIME=0 an empty line reads as 0 bytes (or EAGAIN); ppoll does the waiting.
        const ssize_t n = ::read(fd_, &byte, 1);
        if (n == 1) {
            // NUL bytes are line noise or tape leader; never delivered.
            if (byte != 0)
                return {ReadStatus::Byte, byte};
            continue;
        }
        if (n < 0) {
            const int err = errno;
            const auto failure = Classify(err);
            if (failure == SystemFailure::Interrupted)
                continue;
            if (failure != SystemFailure::WouldBlock) {
                Record("read", err);
                return {ReadStatus::Failed, 0};
            }
        }
        if (hungUp) {
            // poll reported a hang-up and there is nothing left to read: the other side is gone.
            Record("read", EIO);
            return {ReadStatus::Failed, 0};
        }
        const auto left = deadline - SteadyClock::now();
        if (left <= nanoseconds{0})
            return {ReadStatus::TimedOut, 0};
        pollfd p{fd_, POLLIN, 0};
        const timespec ts = ToTimespec(std::chrono::duration_cast<nanoseconds>(left));
        const int ready = ppoll(&p, 1, &ts, nullptr);
        if (ready < 0) {
            const int err = errno;
            if (Classify(err) == SystemFailure::Interrupted)
                continue;
            Record("ppoll", err);
            return {ReadStatus::Failed, 0};
        }
        if (ready == 0)
            return {ReadStatus::TimedOut, 0};
        if ((p.revents & POLLNVAL) != 0) {
            Record("ppoll", EBADF);
            return {ReadStatus::Failed, 0};
        }
        // A hung-up line polls readable and then reads 0 bytes for ever.
        hungUp = (p.revents & (POLLHUP | POLLERR)) != 0;
    }
}

WriteStatus PosixSerialPort::Write(std::uint8_t byte) {
    if (fd_ < 0)
        return WriteStatus::Failed;
    for (;;) {
        const ssize_t n = ::write(fd_, &byte, 1);
        if (n == 1)
            return WriteStatus::Written;
        if (n == 0)
            return WriteStatus::Full;
        const int err = errno;
        const auto failure = Classify(err);
        if (failure == SystemFailure::Interrupted)
            continue;
        if (failure == SystemFailure::WouldBlock)
            return WriteStatus::Full;
        Record("write", err);
        return WriteStatus::Failed;
    }
}

bool PosixSerialPort::WaitWritable(microseconds timeout) {
    if (fd_ < 0)
        return false;
    const auto deadline = SteadyClock::now() + timeout;
    for (;;) {
        pollfd p{fd_, POLLOUT, 0};
        const auto left = std::max(
            nanoseconds{0}, std::chrono::duration_cast<nanoseconds>(deadline - SteadyClock::now()));
        const timespec ts = ToTimespec(left);
        const int ready = ppoll(&p, 1, &ts, nullptr);
        if (ready < 0) {
            const int err = errno;
            if (Classify(err) == SystemFailure::Interrupted)
                continue;
            Record("ppoll", err);
            return false;
        }
        return ready > 0 && (p.revents & POLLOUT) != 0;
    }
}

int PosixSerialPort::OutputQueueLength() {
    // A pseudo-terminal always says 0, which would claim an empty queue that is not known.
    if (fd_ < 0 || pseudoTerminal_)
        return -1;
    int queued = 0;
    if (ioctl(fd_, TIOCOUTQ, &queued) != 0)
        return -1;
    return queued;
}

std::optional<ModemStatus> PosixSerialPort::GetModemStatus() {
    if (fd_ < 0)
        return std::nullopt;
    if (modemLinesMissing_)
        return ModemStatus{};
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0) {
        const int err = errno;
        if (Classify(err) == SystemFailure::NoModemLines) {
            modemLinesMissing_ = true;
            return ModemStatus{};
        }
        Record("TIOCMGET", err);
        return std::nullopt;
    }
    ModemStatus status;
    status.cts = (lines & TIOCM_CTS) != 0;
    status.dsr = (lines & TIOCM_DSR) != 0;
    status.carrier = (lines & TIOCM_CAR) != 0;
    return status;
}

}  // namespace

std::unique_ptr<SerialPort> CreateDeviceSerialPort(const HostConfig& config) {
    return std::make_unique<PosixSerialPort>(config);
}

}  // namespace kelvantori

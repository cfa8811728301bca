// Processes and pseudo-terminals of the end-to-end tests (POSIX).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "support/ChildProcess.h"

extern char** environ;

namespace kelvantori::test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& exe, const std::vector<std::string>& args,
                           const Environment& environment, const std::string& input) {
    const std::string path =
        exe.find('/') == std::string::npos ? std::string(KELVANTORI_BIN_DIR) + "/" + exe : exe;
    std::vector<std::string> argStrings{path};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e)
        envStrings.emplace_back(*e);
    for (const auto& [key, value] : environment) {
        std::erase_if(envStrings, [&](const std::string& e) { return e.starts_with(key + "="); });
        envStrings.push_back(key + "=" + value);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string in = files_.Write("in", input), out = files_.File("out"),
                      err = files_.File("err");
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT,
                                     0600);
    // The child must get the signals the tests send with their default action, whatever the
    // test runner set (a run under nohup ignores SIGHUP).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        sigaddset(&defaults, signalNumber);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (::posix_spawn(&pid_, path.c_str(), &actions, &attributes, Pointers(argStrings).data(),
                      Pointers(envStrings).data()) != 0)
        pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0 && !status_)
        ::kill(pid_, signal);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto until = Clock::now() + timeout;
    while (!status_ && pid_ > 0) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_)
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        else if (r < 0 || Clock::now() >= until)
            break;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
}

ChildResult RunChild(const std::string& exe, const std::vector<std::string>& args,
                     const ChildProcess::Environment& environment, const std::string& input,
                     std::chrono::milliseconds timeout) {
    ChildProcess child(exe, args, environment, input);
    const auto status = child.WaitForExit(timeout);
    return {status, child.Output(), child.ErrorOutput()};
}

MachineProcess::MachineProcess(const std::vector<std::string>& options,
                               std::chrono::milliseconds timeout)
    : ChildProcess("kelvantori-machine", options, {}) {
    const auto until = Clock::now() + timeout;
    while (ChildProcess::Started() && Clock::now() < until) {
        const bool exited = WaitForExit(std::chrono::milliseconds(5)).has_value();
        const std::string out = Output();
        if (out.find('\n') != std::string::npos) {
            devicePath_ = out.substr(0, out.find('\n'));
            return;
        }
        if (exited)
            return;
    }
}

int OpenRawDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    if (fd >= 0 && ::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

std::string ReadFromDevice(int fd, std::size_t count, std::chrono::milliseconds timeout) {
    std::string bytes;
    const auto until = Clock::now() + timeout;
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n < 0 && errno == EAGAIN)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

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

termios PseudoTerminal::SlaveTermios() const {
    termios t{};
    if (tcgetattr(master_, &t) != 0)
        throw std::runtime_error("tcgetattr on the master failed");
    return t;
}

}  // namespace kelvantori::test

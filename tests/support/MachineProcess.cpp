// Starting and stopping kelvantori-machine from a test (POSIX).
#include "support/MachineProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kelvantori::test {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

MachineProcess::MachineProcess(const std::vector<std::string>& options,
                               std::chrono::milliseconds timeout) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return;
    std::string errTemplate = "/tmp/kelvantori-machine-stderr-XXXXXX";
    const int errFd = ::mkstemp(errTemplate.data());
    if (errFd < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    stderrPath_ = errTemplate;

    const std::string exe = std::string(KELVANTORI_BIN_DIR) + "/kelvantori-machine";
    std::vector<std::string> args{exe};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    const int rc = ::posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(errFd);
    if (rc != 0) {
        pid_ = -1;
        ::close(out[0]);
        return;
    }
    stdoutFd_ = out[0];

    const auto until = Clock::now() + timeout;
    std::string line;
    while (line.find('\n') == std::string::npos) {
        pollfd p{stdoutFd_, POLLIN, 0};
        if (::poll(&p, 1, RemainingMs(until)) <= 0)
            return;
        char buffer[256];
        const ssize_t n = ::read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0)
            return;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    devicePath_ = line.substr(0, line.find('\n'));
}

MachineProcess::~MachineProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (stdoutFd_ >= 0)
        ::close(stdoutFd_);
    if (!stderrPath_.empty())
        ::unlink(stderrPath_.c_str());
}

void MachineProcess::Signal(int signal) {
    if (pid_ > 0 && !status_)
        ::kill(pid_, signal);
}

std::optional<int> MachineProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (status_ || pid_ <= 0)
        return status_;
    const auto until = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        if (r < 0 || Clock::now() >= until)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string MachineProcess::ErrorOutput() const {
    std::ifstream in(stderrPath_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int OpenRawDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

std::string ReadFromDevice(int fd, std::size_t count, std::chrono::milliseconds timeout) {
    std::string bytes;
    const auto until = Clock::now() + timeout;
    while (bytes.size() < count) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, RemainingMs(until)) <= 0)
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

}  // namespace kelvantori::test

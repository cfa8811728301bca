// Starting our executables from a test (POSIX).
#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kelvantori::test {

namespace {

std::string TempFile(const std::string& bytes) {
    std::string path = "/tmp/kelvantori-child-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0)
        return {};
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

ChildProcess::ChildProcess(const std::string& exe, const std::vector<std::string>& args,
                           const Environment& environment, const std::string& input) {
    inPath_ = TempFile(input);
    outPath_ = TempFile("");
    errPath_ = TempFile("");
    if (inPath_.empty() || outPath_.empty() || errPath_.empty())
        return;

    const std::string path = std::string(KELVANTORI_BIN_DIR) + "/" + exe;
    std::vector<std::string> argStrings{path};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& [key, value] : environment)
            replaced = replaced || key == name;
        if (!replaced)
            envStrings.push_back(entry);
    }
    for (const auto& [key, value] : environment)
        envStrings.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (auto& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inPath_.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(), O_WRONLY, 0);
    // The child must get SIGINT with its default action, whatever the test runner set.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (::posix_spawn(&pid_, path.c_str(), &actions, &attributes, argv.data(), envp.data()) != 0)
        pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    for (const auto& path : {inPath_, outPath_, errPath_}) {
        if (!path.empty())
            ::unlink(path.c_str());
    }
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0 && !status_)
        ::kill(pid_, signal);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (status_ || pid_ <= 0)
        return status_;
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            if (WIFSIGNALED(status))
                signal_ = WTERMSIG(status);
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        if (r < 0 || std::chrono::steady_clock::now() >= until)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string ChildProcess::Output() const {
    return ReadFile(outPath_);
}

std::string ChildProcess::ErrorOutput() const {
    return ReadFile(errPath_);
}

ChildResult RunChild(const std::string& exe, const std::vector<std::string>& args,
                     const ChildProcess::Environment& environment, const std::string& input,
                     std::chrono::milliseconds timeout) {
    ChildProcess child(exe, args, environment, input);
    ChildResult result;
    result.status = child.WaitForExit(timeout);
    result.out = child.Output();
    result.err = child.ErrorOutput();
    return result;
}

}  // namespace kelvantori::test

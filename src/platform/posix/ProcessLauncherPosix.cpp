// Starting programs on POSIX: posix_spawn, no shell, a session of its own, reaped by a thread
// that waits for it so that it never lingers as a zombie while the program runs on.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "platform/ProcessLauncher.h"

extern char** environ;

namespace kelvantori {

namespace {

// Where PATH is not set, the folders a login shell would search.
constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsExecutable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

constexpr std::string_view kInterpreterMissingReason =
    "プログラムは有りますが、その実行に要るインタプリタ（スクリプトなら1行目の #! "
    "が指すもの）が見つかりません。";

// The one translation of the errors of a start into the user's words.
std::string StartFailureReason(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return "プログラムが見つかりません。";
        case EACCES:
        case EPERM:
            return "プログラムを実行する権限がありません。";
        case ENOEXEC:
            return "実行できる形式のファイルではありません。";
        case E2BIG:
            return "引数が長すぎます。";
        case EAGAIN:
        case ENOMEM:
        case EMFILE:
        case ENFILE:
            return "プログラムを起動するための資源が足りません。";
        case ETXTBSY:
            return "プログラムのファイルが書き込み中です。";
        default:
            return std::string("プログラムを起動出来ませんでした。(") + std::strerror(error) + ")";
    }
}

// Frees the attributes of a spawn however the start ends.
struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

class PosixProcessLauncher : public ProcessLauncher {
  public:
    std::optional<FoundProgram> FindProgram(std::string_view program) override {
        if (program.empty())
            return std::nullopt;
        const std::string name(program);
        if (name.front() == '/') {
            if (!IsRegularFile(name))
                return std::nullopt;
            return FoundProgram{name, IsExecutable(name)};
        }
        if (name.find('/') != std::string::npos)
            return std::nullopt;
        const char* path = std::getenv("PATH");
        const std::string folders = path != nullptr && *path != '\0' ? path : kDefaultPath;
        std::size_t start = 0;
        while (start <= folders.size()) {
            std::size_t end = folders.find(':', start);
            if (end == std::string::npos)
                end = folders.size();
            const std::string folder = folders.substr(start, end - start);
            // An empty entry would mean the working folder, which a window program does not
            // choose: such entries are skipped, as are relative ones.
            if (!folder.empty() && folder.front() == '/') {
                const std::string candidate = folder + "/" + name;
                if (IsRegularFile(candidate) && IsExecutable(candidate))
                    return FoundProgram{candidate, true};
            }
            start = end + 1;
        }
        return std::nullopt;
    }

    LaunchResult Start(const std::string& program,
                       const std::vector<std::string>& arguments) override {
        std::vector<char*> argv;
        argv.reserve(arguments.size() + 2);
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);

        SpawnSetup setup;
        // No standard input of ours (a program must not read the terminal the window was
        // started from), and no other descriptor: a serial port or a lock held open by the
        // child would keep the next transfer from opening the port.
        posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);
        // A session of its own, so that a Ctrl-C or a hang-up of our terminal does not end it,
        // and the signal dispositions a program expects, whatever ours are.
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM})
            sigaddset(&defaults, signal);
        sigset_t noMask;
        sigemptyset(&noMask);
        posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
        posix_spawnattr_setsigmask(&setup.attributes, &noMask);
        posix_spawnattr_setflags(
            &setup.attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

        pid_t pid = 0;
        const int error = posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes,
                                      argv.data(), environ);
        // The program is there, yet the start finds nothing: what it needs to run is missing,
        // which for a script is the interpreter of its first line.
        if (error == ENOENT && IsRegularFile(program))
            return {false, std::string(kInterpreterMissingReason)};
        if (error != 0)
            return {false, StartFailureReason(error)};
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
        return {true, {}};
    }
};

}  // namespace

std::unique_ptr<ProcessLauncher> CreateSystemProcessLauncher() {
    return std::make_unique<PosixProcessLauncher>();
}

}  // namespace kelvantori

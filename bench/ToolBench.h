// What the NC tool benchmarks share: a scratch folder, a child command timed as a whole with its
// peak memory (getrusage of the child), medians, and where kelvantori-cli is.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "BenchFigures.h"

extern char** environ;

namespace kelvantori::bench {

namespace fs = std::filesystem;

struct ChildRun {
    double seconds = 0;
    long maxRssKb = 0;  // the child's peak resident memory
    int status = -1;    // exit status, -1 when it did not exit normally
};

// The child's own figures. A child made by fork or posix_spawn starts with the parent's resident
// pages, and the peak that getrusage reports would count them; so the benchmark starts itself
// afresh in measure mode (small), and that process starts the command and reports on it.
inline int MeasureMode(int argc, char** argv) {
    // argv: self --measure RESULT STDIN STDOUT COMMAND...
    if (argc < 6)
        return 2;
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(argv[3], O_RDONLY);
        const int out = open(argv[4], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0)
            _exit(127);
        execv(argv[5], argv + 5);
        _exit(127);
    }
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    FILE* result = std::fopen(argv[2], "w");
    if (result == nullptr)
        return 1;
    std::fprintf(result, "%.6f %ld %d\n", seconds, usage.ru_maxrss,
                 WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::fclose(result);
    return 0;
}

// Call first in main(): runs the measure mode when the benchmark was started in it.
inline void HandleMeasureMode(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--measure")
        std::exit(MeasureMode(argc, argv));
}

inline std::string SelfPath() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

// Runs argv (stdin and stdout from/to the given files; /dev/null when empty), timed from its
// start to its exit, after the disk has been flushed so that no run pays for an earlier one.
inline ChildRun RunChild(const std::vector<std::string>& argv, const std::string& stdinPath = "",
                         const std::string& stdoutPath = "") {
    ::sync();
    const std::string resultPath =
        (fs::temp_directory_path() / ("kelvantori-bench-result-" + std::to_string(getpid())))
            .string();
    std::vector<std::string> full{SelfPath(), "--measure", resultPath,
                                  stdinPath.empty() ? "/dev/null" : stdinPath,
                                  stdoutPath.empty() ? "/dev/null" : stdoutPath};
    full.insert(full.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (const auto& a : full)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ChildRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return run;
    int status = 0;
    waitpid(pid, &status, 0);
    FILE* result = std::fopen(resultPath.c_str(), "r");
    if (result == nullptr)
        return run;
    if (std::fscanf(result, "%lf %ld %d", &run.seconds, &run.maxRssKb, &run.status) != 3)
        run.status = -1;
    std::fclose(result);
    std::remove(resultPath.c_str());
    return run;
}

// One side of a side-by-side measurement: a time per round and the largest peak memory.
struct Side {
    std::vector<double> times;
    long maxRssKb = 0;

    void Add(const ChildRun& run) {
        times.push_back(run.seconds);
        maxRssKb = std::max(maxRssKb, run.maxRssKb);
    }
    double Median() const { return bench::Median(times); }
};

// Runs both commands once per round, after prepare(). Which goes first alternates, so that
// neither always meets the other's write-back.
inline void AlternateRounds(int rounds, const std::function<void()>& prepare,
                            const std::function<ChildRun()>& runOurs,
                            const std::function<ChildRun()>& runTheirs, Side& ours, Side& theirs) {
    for (int round = 0; round < rounds; ++round) {
        prepare();
        if (round % 2 == 0) {
            ours.Add(runOurs());
            theirs.Add(runTheirs());
        } else {
            theirs.Add(runTheirs());
            ours.Add(runOurs());
        }
    }
}

// A scratch folder under the system's temporary folder, removed at the end. The program folder
// and HOME point into it, so no benchmark touches the user's settings.
class Scratch {
  public:
    Scratch() {
        std::string templ = (fs::temp_directory_path() / "kelvantori-bench-XXXXXX").string();
        if (mkdtemp(templ.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path_ = templ;
        fs::create_directories(path_ + "/home");
        setenv("KELVANTORI_HOME", (path_ + "/home").c_str(), 1);
        setenv("HOME", (path_ + "/home").c_str(), 1);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// kelvantori-cli beside the benchmark (both are built into build/bin), or $KELVANTORI_CLI.
inline std::string CliPath(const char* argv0) {
    if (const char* cli = std::getenv("KELVANTORI_CLI"))
        return cli;
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = fs::absolute(argv0);
    return (self.parent_path() / "kelvantori-cli").string();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Empties a folder (outside the timed part), keeping the folder itself.
inline void EmptyFolder(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        fs::remove_all(entry.path(), ec);
}

inline std::size_t CountFiles(const std::string& folder) {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        ++n;
    return n;
}

// An NC program of about `bytes` bytes: a start line, moves with X/Y/Z words, M30.
inline void AppendProgram(std::string& out, int number, std::size_t bytes) {
    const std::size_t start = out.size();
    char line[96];
    std::snprintf(line, sizeof line, "O%05d(PART %d)\r\n", number, number);
    out += line;
    int n = 1;
    while (out.size() - start + 40 < bytes) {
        std::snprintf(line, sizeof line, "N%d G01 X%d.%03d Y-%d.%02d Z-1.5 F800\r\n", n * 10,
                      (n * 37) % 1000, (n * 7) % 1000, (n * 13) % 500, n % 100);
        out += line;
        ++n;
    }
    out += "M30\r\n";
}

// Writes a file in pieces, so that the benchmark itself stays small: a child started with
// posix_spawn shares the parent's memory until it execs, and its peak resident size would
// count the parent's.
class PieceWriter {
  public:
    explicit PieceWriter(const std::string& path)
        : out_(path, std::ios::binary | std::ios::trunc) {}
    ~PieceWriter() { Flush(); }
    std::string& Buffer() { return buffer_; }
    void MaybeFlush() {
        if (buffer_.size() >= (std::size_t{1} << 20))
            Flush();
    }
    void Flush() {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        written_ += buffer_.size();
        buffer_.clear();
    }
    std::size_t Written() const { return written_ + buffer_.size(); }

  private:
    std::ofstream out_;
    std::string buffer_;
    std::size_t written_ = 0;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether two folders hold the same names with the same bytes, one file at a time.
inline bool SameFiles(const std::string& a, const std::string& b) {
    if (CountFiles(a) != CountFiles(b))
        return false;
    for (const auto& entry : fs::directory_iterator(a)) {
        const std::string name = entry.path().filename().string();
        if (ReadFile(entry.path().string()) != ReadFile(b + "/" + name))
            return false;
    }
    return true;
}

}  // namespace kelvantori::bench

// What the transfer benchmarks share: a bare host that costs nothing, a log that writes nothing,
// a port that counts the bytes written after the machine's DC3, pseudo-terminals with a reader
// that drains them, child processes (kelvantori-machine), the programs sent with their line
// setting, and the figures of the paced sends to the machine.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "comm/ReceiveEngine.h"
#include "comm/SendEngine.h"
#include "comm/TransferHost.h"
#include "comm/TransferLog.h"
#include "core/ProgramText.h"
#include "platform/ProgramFolder.h"
#include "platform/SerialPort.h"

extern char** environ;

namespace kelvantori::bench {

using namespace std::chrono_literals;
using BenchClock = std::chrono::steady_clock;

inline double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The host of a benchmark: real time, the fixed waits skipped (they are not the engine's work),
// everything answered Yes, a stop after a time limit.
class BenchHost : public TransferHost {
  public:
    std::chrono::nanoseconds Now() override { return BenchClock::now().time_since_epoch(); }
    void Wait(std::chrono::milliseconds) override {}
    void ProcessEvents() override {}
    bool CancelRequested() override {
        return stopAt != BenchClock::time_point{} && BenchClock::now() >= stopAt;
    }
    bool AskYesNo(const std::string&) override { return true; }
    void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    std::optional<std::string> AskSelectNumber() override { return std::nullopt; }
    void SetStatus(StatusPanel panel, const std::string& text) override {
        if (panel == StatusPanel::State && text == "受信データ保存中です。")
            dataEnded = BenchClock::now();
    }
    void SetRemaining(const std::string&) override {}
    void SetProgress(std::int64_t, std::int64_t) override {}
    void SetResult(const std::string&, ResultColour) override {}
    void SetLamps(const ModemStatus&) override {}
    void ShowReceivedLine(const std::string&) override {
        if (firstLine == BenchClock::time_point{})
            firstLine = BenchClock::now();
    }
    void TransferEnded(bool, std::chrono::milliseconds) override {}
    std::string RescueReceivedData(const std::string& name, const std::string&) override {
        std::fprintf(stderr, "rescued %s\n", name.c_str());
        return {};
    }

    BenchClock::time_point stopAt{};
    BenchClock::time_point firstLine{};
    BenchClock::time_point dataEnded{};
};

class NoLog : public TransferLog {
  public:
    void Write(TransferKind, TransferState, std::string_view) override {}
};

// Counts, from the engine's side, the bytes written between reading a DC3 and reading the DC1.
class WatchingPort : public SerialPort {
  public:
    explicit WatchingPort(SerialPort& port) : port_(port) {}
    int worstAfterDc3 = 0;

    PortError Open(const PortConfig& config) override { return port_.Open(config); }
    void Close() override { port_.Close(); }
    bool IsOpen() const override { return port_.IsOpen(); }
    bool CanOpen(const std::string& name) override { return port_.CanOpen(name); }
    ReadResult Read(std::chrono::microseconds timeout) override {
        const ReadResult r = port_.Read(timeout);
        if (r.status == ReadStatus::Byte) {
            if (r.byte == 0x93 || r.byte == 0x13) {
                held_ = true;
                afterDc3_ = 0;
            } else if (r.byte == 0x11) {
                held_ = false;
            }
        }
        return r;
    }
    WriteStatus Write(std::uint8_t byte) override {
        const WriteStatus s = port_.Write(byte);
        if (s == WriteStatus::Written && held_)
            worstAfterDc3 = std::max(worstAfterDc3, ++afterDc3_);
        return s;
    }
    bool WaitWritable(std::chrono::microseconds t) override { return port_.WaitWritable(t); }
    int OutputQueueLength() override { return port_.OutputQueueLength(); }
    std::optional<ModemStatus> GetModemStatus() override { return port_.GetModemStatus(); }
    std::string LastSystemError() const override { return port_.LastSystemError(); }
    std::string OpenNotice() const override { return port_.OpenNotice(); }
    OpenFailure LastOpenFailure() const override { return port_.LastOpenFailure(); }

  private:
    SerialPort& port_;
    bool held_ = false;
    int afterDc3_ = 0;
};

inline LoadedProgram Program(int lines) {
    LoadedProgram program;
    program.text.lines.push_back("O0001");
    for (int i = 1; i <= lines; ++i)
        program.text.lines.push_back("N" + std::to_string(i) + " G01 X12.345 Y-67.890 F1200");
    for (const auto& line : program.text.lines)
        program.size += line.size() + 2;
    return program;
}

inline std::size_t LineBytes(const LoadedProgram& program) {
    // Each line and its line feed, the start line feed, the end line feed and "%".
    std::size_t bytes = 3;
    for (const auto& line : program.text.lines)
        bytes += line.size() + 1;
    return bytes;
}

// About 1 MB of lines in the form a receive keeps as they are: the tape the machine punches and
// the file a receive saves from it.
struct ReceiveTape {
    std::string tape;
    std::string expected;
};

inline ReceiveTape MegabyteTape() {
    ReceiveTape t{"O0001\r\n", "O0001\r\n"};
    for (int i = 1; t.expected.size() < 1'000'000; ++i) {
        const std::string line = "N" + std::to_string(i) + " G01 X" + std::to_string(i % 1000) +
                                 ".5 Y-" + std::to_string(i % 777) + ".25 F1200";
        t.tape += line + "\r\n";
        t.expected += line + "\r\n";
    }
    t.expected += "%\r\n";
    return t;
}

// The receive of a whole tape into D:\RECEIVED.NC.
inline ReceiveJob ReceivedFileJob() {
    ReceiveJob job;
    job.TransferPath = "D:\\RECEIVED.NC";
    job.TransferName = "RECEIVED.NC";
    return job;
}

// The bytes of a file.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// How many bytes of got agree with expected from the start.
inline std::size_t AgreeingBytes(const std::string& got, const std::string& expected) {
    std::size_t same = 0;
    while (same < got.size() && same < expected.size() && got[same] == expected[same])
        ++same;
    return same;
}

// The line of every send benchmark, 19200 baud 8N1; with signal the send starts on the
// machine's DC1.
inline Settings SendSettings(bool signal) {
    Settings settings;
    settings.Signal = signal ? "Y" : "N";
    settings.Speed = "19200,8,N,1";
    return settings;
}

// The program sent as C:BENCH.NC.
inline SendJob BenchJob(const LoadedProgram& program) {
    SendJob job;
    job.DirPath = "C:";
    job.TransferName = "BENCH.NC";
    job.program = program;
    return job;
}

struct Pty {
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        grantpt(master);
        unlockpt(master);
        slave = ptsname(master);
    }
    ~Pty() { close(master); }
    int master = -1;
    std::string slave;
};

// Reads the master side as fast as it can until `expected` bytes came or the writer is done;
// `last` is when the last bytes were read.
class Drain {
  public:
    Drain(int fd, std::size_t expected)
        : thread_([this, fd, expected] {
              std::vector<char> buffer(65536);
              while (got < expected && !stop) {
                  pollfd p{fd, POLLIN, 0};
                  if (::poll(&p, 1, 20) <= 0)
                      continue;
                  const ssize_t n = ::read(fd, buffer.data(), buffer.size());
                  if (n > 0) {
                      got += static_cast<std::size_t>(n);
                      last = BenchClock::now();
                  } else if (n < 0 && errno == EIO) {
                      std::this_thread::sleep_for(1ms);  // the slave is not open yet
                  }
              }
          }) {}
    ~Drain() {
        stop = true;
        thread_.join();
    }
    std::atomic<std::size_t> got{0};
    std::atomic<BenchClock::time_point> last{};
    std::atomic<bool> stop{false};

  private:
    std::thread thread_;
};

struct TempDir {
    TempDir() {
        std::string templ = "/tmp/kelvantori-bench-XXXXXX";
        path = mkdtemp(templ.data()) ? templ : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty())
            std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

// Starts args[0] with args, its stdout into stdoutFd (or /dev/null when it is negative) and its
// stderr into /dev/null; -1 when it did not start.
inline pid_t Spawn(std::vector<std::string> args, int stdoutFd) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// SIGTERM, and waits until it has gone.
inline void Terminate(pid_t& pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

// kelvantori-machine as a child process.
class Machine {
  public:
    explicit Machine(std::vector<std::string> options) {
        summary_ = folder_.path + "/summary.txt";
        std::vector<std::string> args{ExecutableFolder() + "/kelvantori-machine"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {"--summary", summary_});
        // Close-on-exec: the machine keeps only its stdout, the pipe's writing end.
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        pid_ = Spawn(args, out[1]);
        close(out[1]);
        std::string line;
        char c = 0;
        while (pid_ > 0 && read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        device = line;
    }
    ~Machine() { Stop(); }
    // Ends it (after the time it needs to read what is still queued) and reads its summary.
    // The "key=value" lines the machine wrote on exit.
    std::map<std::string, std::string> ReadSummary() {
        std::ifstream in(summary_);
        for (std::string line; std::getline(in, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos)
                summary[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return summary;
    }
    std::map<std::string, std::string> Stop(std::chrono::milliseconds settle = 0ms) {
        if (pid_ <= 0)
            return summary;
        std::this_thread::sleep_for(settle);
        Terminate(pid_);
        return ReadSummary();
    }
    // Waits for it to exit by itself (--once), at most the timeout, then stops it.
    std::map<std::string, std::string> WaitAndStop(std::chrono::seconds timeout) {
        const auto until = BenchClock::now() + timeout;
        while (pid_ > 0 && BenchClock::now() < until) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return ReadSummary();
            }
            std::this_thread::sleep_for(5ms);
        }
        return Stop();
    }
    std::string Folder() const { return folder_.path; }

    std::string device;
    std::map<std::string, std::string> summary;

  private:
    TempDir folder_;
    std::string summary_;
    pid_t pid_ = -1;
};

inline double Number(const std::map<std::string, std::string>& m, const std::string& key) {
    const auto it = m.find(key);
    return it == m.end() ? -1 : std::atof(it->second.c_str());
}

// kelvantori-machine reading ISO tape at 19200 baud 8N1 into a buffer of 256: one that empties
// it faster than the line, or (filling) one that drains 1000 characters/s and sends DC3 at 200
// characters and DC1 at 50.
inline std::vector<std::string> ReadingMachine(bool filling) {
    std::vector<std::string> options{"--code", "iso", "--baud", "19200", "--format", "8N1"};
    if (filling)
        options.insert(options.end(),
                       {"--buffer", "256", "--high", "200", "--low", "50", "--drain", "1000"});
    else
        options.insert(options.end(), {"--buffer", "256", "--drain", "0"});
    return options;
}

// kelvantori-machine punching the tape at tapePath once, as fast as the line takes it.
inline std::vector<std::string> PunchingMachine(const std::string& tapePath) {
    return {"--code", "iso", "--punch", tapePath, "--delay", "300", "--once"};
}

// What a paced send to the machine left: the machine's summary and the most bytes the engine
// wrote after it had read a DC3.
struct PacedRun {
    std::map<std::string, std::string> summary;
    int engineAfterDc3 = 0;
};

// The overrun figures of paced sends to a filling machine, gathered run by run.
struct Overruns {
    void Add(const PacedRun& run) {
        const int overrun = static_cast<int>(Number(run.summary, "overrun_max"));
        counted.insert(std::upper_bound(counted.begin(), counted.end(), overrun), overrun);
        worstEngine = std::max(worstEngine, run.engineAfterDc3);
        pauses += static_cast<int>(Number(run.summary, "dc3_sent"));
        lost += Number(run.summary, "lost");
    }
    // The characters the machine counted after its DC3: the median and the worst run.
    int Median() const { return counted.empty() ? -1 : counted[counted.size() / 2]; }
    int Worst() const { return counted.empty() ? -1 : counted.back(); }

    std::vector<int> counted;  // one a run, in ascending order
    int worstEngine = 0;
    int pauses = 0;
    double lost = 0;
};

}  // namespace kelvantori::bench

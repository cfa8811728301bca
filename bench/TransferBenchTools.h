// What the transfer benchmarks share: a bare host that costs nothing, a port that counts the
// bytes written after the machine's DC3, pseudo-terminals with a reader that drains them,
// kelvantori-machine as a child process, and the programs sent.
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

inline double Seconds(BenchClock::duration d) {
    return std::chrono::duration<double>(d).count();
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

  private:
    SerialPort& port_;
    bool held_ = false;
    int afterDc3_ = 0;
};

inline LoadedProgram Program(int lines) {
    LoadedProgram program;
    program.text.lines.push_back("O0001");
    for (int i = 1; i <= lines; ++i) {
        program.text.lines.push_back("N" + std::to_string(i) + " G01 X12.345 Y-67.890 F1200");
    }
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

// Reads the master side as fast as it can until `expected` bytes came or the writer is done.
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

// kelvantori-machine as a child process.
class Machine {
  public:
    explicit Machine(std::vector<std::string> options) {
        summary_ = folder_.path + "/summary.txt";
        options.insert(options.end(), {"--summary", summary_});
        const std::string exe = ExecutableFolder() + "/kelvantori-machine";
        std::vector<std::string> args{exe};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
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
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
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

}  // namespace kelvantori::bench

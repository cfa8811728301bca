// Network port benchmarks: the same sends over a local pseudo-terminal and through ser2net on
// 127.0.0.1 (raw TCP and RFC 2217), measured side by side in one run and printed as ratios:
//   (a) the send engine unpaced, to a reader that drains the line as fast as it can: bytes/s
//       from the start of the send to the last byte read, three rounds in turn, medians;
//   (b) sends paced at 19200 baud 8N1 to kelvantori-machine reading at that rate: the line
//       utilisation with a machine that empties its buffer faster than the line, and the overrun
//       (characters that reach the machine after its DC3) with one whose buffer fills.
// Needs ser2net (Debian: apt-get install ser2net). Run: build/bin/NetworkPortBench
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
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

#include "comm/SendEngine.h"
#include "comm/TransferLog.h"
#include "core/ProgramText.h"
#include "platform/HostConfig.h"
#include "platform/ProgramFolder.h"
#include "platform/SerialPort.h"

extern char** environ;

namespace {

using namespace kelvantori;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Real time, the fixed waits skipped (they are not the engine's work), everything answered Yes.
class BenchHost : public TransferHost {
  public:
    std::chrono::nanoseconds Now() override { return Clock::now().time_since_epoch(); }
    void Wait(std::chrono::milliseconds) override {}
    void ProcessEvents() override {}
    bool CancelRequested() override { return false; }
    bool AskYesNo(const std::string&) override { return true; }
    void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    std::optional<std::string> AskSelectNumber() override { return std::nullopt; }
    void SetStatus(StatusPanel, const std::string&) override {}
    void SetRemaining(const std::string&) override {}
    void SetProgress(std::int64_t, std::int64_t) override {}
    void SetResult(const std::string&, ResultColour) override {}
    void SetLamps(const ModemStatus&) override {}
    void TransferEnded(bool, std::chrono::milliseconds) override {}
    std::string RescueReceivedData(const std::string&, const std::string&) override { return {}; }
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

  private:
    SerialPort& port_;
    bool held_ = false;
    int afterDc3_ = 0;
};

LoadedProgram Program(int lines) {
    LoadedProgram program;
    program.text.lines.push_back("O0001");
    for (int i = 1; i <= lines; ++i)
        program.text.lines.push_back("N" + std::to_string(i) + " G01 X12.345 Y-67.890 F1200");
    for (const auto& line : program.text.lines)
        program.size += line.size() + 2;
    return program;
}

std::size_t LineBytes(const LoadedProgram& program) {
    // Each line and its line feed, the start line feed, the end line feed and "%".
    std::size_t bytes = 3;
    for (const auto& line : program.text.lines)
        bytes += line.size() + 1;
    return bytes;
}

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

pid_t Spawn(std::vector<std::string> args, int stdoutFd) {
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

void Terminate(pid_t& pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

std::string Ser2netExecutable() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/sbin/ser2net"}) {
        if (access(path, X_OK) == 0)
            return path;
    }
    return {};
}

bool Listening(int port) {
    std::ifstream table("/proc/net/tcp");
    char local[64];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    for (std::string line; std::getline(table, line);) {
        if (line.find(local) != std::string::npos && line.find(" 0A ") != std::string::npos)
            return true;
    }
    return false;
}

// ser2net in front of a device, configured as docs/network-ports.md recommends.
class Ser2net {
  public:
    Ser2net(const std::string& device, bool rfc2217) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        close(fd);
        const int port = ntohs(address.sin_port);
        const std::string where = "127.0.0.1," + std::to_string(port);
        std::ofstream(folder_.path + "/ser2net.yaml")
            << "%YAML 1.1\n---\nconnection: &bench\n  accepter: "
            << (rfc2217 ? "telnet(rfc2217),tcp(nodelay)," : "tcp(nodelay),") << where
            << "\n  connector: serialdev," << device
            << ",19200n81,local\n  options:\n    chardelay: false\n";
        pid_ = Spawn({Ser2netExecutable(), "-n", "-d", "-u", "-c", folder_.path + "/ser2net.yaml"},
                     -1);
        const auto until = Clock::now() + 5s;
        while (pid_ > 0 && !Listening(port) && Clock::now() < until)
            std::this_thread::sleep_for(5ms);
        if (Listening(port))
            address_ =
                (rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") + std::to_string(port);
    }
    ~Ser2net() { Terminate(pid_); }
    const std::string& Address() const { return address_; }

  private:
    TempDir folder_;
    pid_t pid_ = -1;
    std::string address_;
};

// kelvantori-machine as a child process, with its summary read when it is stopped.
class Machine {
  public:
    explicit Machine(std::vector<std::string> options) {
        summary_ = folder_.path + "/summary.txt";
        std::vector<std::string> args{ExecutableFolder() + "/kelvantori-machine"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {"--summary", summary_});
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = Spawn(args, out[1]);
        close(out[1]);
        char c = 0;
        while (pid_ > 0 && read(out[0], &c, 1) == 1 && c != '\n')
            device.push_back(c);
        close(out[0]);
    }
    ~Machine() { Terminate(pid_); }
    std::map<std::string, std::string> Stop(std::chrono::milliseconds settle) {
        std::this_thread::sleep_for(settle);
        Terminate(pid_);
        std::map<std::string, std::string> summary;
        std::ifstream in(summary_);
        for (std::string line; std::getline(in, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos)
                summary[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return summary;
    }

    std::string device;

  private:
    TempDir folder_;
    std::string summary_;
    pid_t pid_ = -1;
};

double Number(const std::map<std::string, std::string>& m, const std::string& key) {
    const auto it = m.find(key);
    return it == m.end() ? -1 : std::atof(it->second.c_str());
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

enum class Way { Pty, Raw, Rfc2217 };
const char* WayName(Way way) {
    switch (way) {
        case Way::Pty:
            return "pseudo-terminal";
        case Way::Raw:
            return "ser2net raw TCP";
        case Way::Rfc2217:
            return "ser2net RFC 2217";
    }
    return "";
}

// The [Ports] value that reaches device the given way; "" when ser2net did not start.
std::string PortValue(Way way, const std::string& device, std::unique_ptr<Ser2net>& server) {
    if (way == Way::Pty)
        return device;
    server = std::make_unique<Ser2net>(device, way == Way::Rfc2217);
    return server->Address();
}

// One unpaced send of the program to a reader that drains the pseudo-terminal's master:
// bytes/s from the start of the send to the last byte read.
double UnpacedRate(Way way, const LoadedProgram& program) {
    const std::size_t expected = LineBytes(program);
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    grantpt(master);
    unlockpt(master);
    std::unique_ptr<Ser2net> server;
    HostConfig config;
    config.ports[1] = PortValue(way, ptsname(master), server);
    if (config.ports[1].empty()) {
        close(master);
        return 0;
    }
    std::atomic<std::size_t> got{0};
    std::atomic<bool> stop{false};
    Clock::time_point last{};
    std::thread drain([&] {
        std::vector<char> buffer(65536);
        while (got < expected && !stop) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = read(master, buffer.data(), buffer.size());
            if (n > 0) {
                got += static_cast<std::size_t>(n);
                last = Clock::now();
            } else {
                std::this_thread::sleep_for(1ms);  // the slave is not open yet
            }
        }
    });
    auto port = CreateSystemSerialPort(config);
    BenchHost host;
    NoLog log;
    Settings settings;
    settings.Signal = "N";
    settings.Speed = "19200,8,N,1";
    SendJob job;
    job.DirPath = "C:";
    job.TransferName = "BENCH.NC";
    job.program = program;
    const auto t0 = Clock::now();
    SendEngine(*port, host, log, SendOptions{false, 2}).SendFile(settings, job);
    while (got < expected && Seconds(Clock::now() - t0) < 60)
        std::this_thread::sleep_for(1ms);
    stop = true;
    drain.join();
    close(master);
    if (got != expected) {
        std::printf("    (%s: the reader got %zu of %zu bytes)\n", WayName(way), got.load(),
                    expected);
        return 0;
    }
    return static_cast<double>(expected) / Seconds(last - t0);
}

void BenchUnpaced() {
    const LoadedProgram program = Program(40000);
    std::map<Way, std::vector<double>> rates;
    for (int round = 0; round < 3; ++round) {
        for (const Way way : {Way::Pty, Way::Raw, Way::Rfc2217})
            rates[way].push_back(UnpacedRate(way, program));
    }
    const double pty = Median(rates[Way::Pty]);
    std::printf("(a) unpaced send of %zu bytes, median of 3 rounds taken in turn\n",
                LineBytes(program));
    for (const Way way : {Way::Pty, Way::Raw, Way::Rfc2217}) {
        const double rate = Median(rates[way]);
        std::printf("    %-17s %9.0f bytes/s", WayName(way), rate);
        if (way != Way::Pty)
            std::printf("   / pseudo-terminal: %.2f (target >= 0.80)", pty > 0 ? rate / pty : 0);
        std::printf("\n");
    }
}

struct PacedRun {
    std::map<std::string, std::string> summary;
    int engineAfterDc3 = 0;
};

PacedRun PacedSend(Way way, std::vector<std::string> machineOptions, int lines) {
    // Through a pseudo-terminal the send starts on the machine's DC1, so that the machine has
    // seen the port open before the first character (see docs/machine.md); ser2net opens the
    // device when the connection comes, long before the first character.
    const bool signal = way == Way::Pty;
    if (signal)
        machineOptions.insert(machineOptions.end(), {"--start", "dc1", "--start-repeat", "100"});
    Machine machine(machineOptions);
    std::unique_ptr<Ser2net> server;
    HostConfig config;
    config.ports[1] = PortValue(way, machine.device, server);
    auto system = CreateSystemSerialPort(config);
    WatchingPort port(*system);
    BenchHost host;
    NoLog log;
    Settings settings;
    settings.Signal = signal ? "Y" : "N";
    settings.Speed = "19200,8,N,1";
    SendJob job;
    job.DirPath = "C:";
    job.TransferName = "BENCH.NC";
    job.program = Program(lines);
    SendEngine(port, host, log).SendFile(settings, job);
    PacedRun run;
    run.summary = machine.Stop(300ms);
    run.engineAfterDc3 = port.worstAfterDc3;
    return run;
}

void BenchPaced() {
    const std::vector<std::string> line{"--code", "iso", "--baud", "19200", "--format", "8N1"};
    std::vector<std::string> fast = line;
    fast.insert(fast.end(), {"--buffer", "256", "--drain", "0"});
    std::vector<std::string> filling = line;
    filling.insert(filling.end(),
                   {"--buffer", "256", "--high", "200", "--low", "50", "--drain", "1000"});
    std::printf("(b) paced send at 19200 baud 8N1 (1920 characters/s) to kelvantori-machine\n");
    for (const Way way : {Way::Pty, Way::Raw, Way::Rfc2217}) {
        const PacedRun busy = PacedSend(way, fast, 300);
        std::vector<int> overruns;
        int worstEngine = 0;
        int pauses = 0;
        double lost = 0;
        for (int i = 0; i < 5; ++i) {
            const PacedRun run = PacedSend(way, filling, 100);
            overruns.push_back(static_cast<int>(Number(run.summary, "overrun_max")));
            worstEngine = std::max(worstEngine, run.engineAfterDc3);
            pauses += static_cast<int>(Number(run.summary, "dc3_sent"));
            lost += Number(run.summary, "lost");
        }
        std::sort(overruns.begin(), overruns.end());
        const double utilisation = Number(busy.summary, "utilisation");
        std::printf(
            "    %-17s utilisation %5.1f %% (target >= 95 %%: ratio %.3f); after DC3, 5 sends, "
            "%d pauses: median %d, worst %d characters (target <= 10: worst/10 = %.1f), "
            "engine worst %d, lost %.0f\n",
            WayName(way), 100 * utilisation, utilisation / 0.95, pauses,
            overruns[overruns.size() / 2], overruns.back(), overruns.back() / 10.0, worstEngine,
            lost);
    }
}

}  // namespace

int main() {
    signal(SIGPIPE, SIG_IGN);
    if (Ser2netExecutable().empty()) {
        std::fprintf(stderr, "ser2net is not installed (Debian: apt-get install ser2net)\n");
        return 1;
    }
    BenchUnpaced();
    BenchPaced();
    return 0;
}

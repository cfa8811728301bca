// Network port benchmarks: the same sends over a local pseudo-terminal and through ser2net on
// 127.0.0.1 (raw TCP and RFC 2217), measured side by side in one run and printed as ratios:
//   (a) the send engine unpaced, to a reader that drains the line as fast as it can: bytes/s
//       from the start of the send to the last byte read, three rounds in turn, medians;
//   (b) sends paced at 19200 baud 8N1 to kelvantori-machine reading at that rate: the line
//       utilisation with a machine that empties its buffer faster than the line, and the overrun
//       (characters that reach the machine after its DC3) with one whose buffer fills.
// Needs ser2net (Debian: apt-get install ser2net). Run: build/bin/NetworkPortBench
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TransferBenchTools.h"
#include "comm/SendEngine.h"
#include "platform/HostConfig.h"

namespace {

using namespace kelvantori;
using namespace kelvantori::bench;

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
        const auto until = BenchClock::now() + 5s;
        while (pid_ > 0 && !Listening(port) && BenchClock::now() < until)
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
    Pty pty;
    std::unique_ptr<Ser2net> server;
    HostConfig config;
    config.ports[1] = PortValue(way, pty.slave, server);
    if (config.ports[1].empty())
        return 0;
    Drain drain(pty.master, expected);
    auto port = CreateSystemSerialPort(config);
    BenchHost host;
    NoLog log;
    const Settings settings = SendSettings(false);
    SendJob job = BenchJob(program);
    const auto t0 = BenchClock::now();
    SendEngine(*port, host, log, SendOptions{false, 2}).SendFile(settings, job);
    while (drain.got < expected && Seconds(BenchClock::now() - t0) < 60)
        std::this_thread::sleep_for(1ms);
    if (drain.got != expected) {
        std::printf("    (%s: the reader got %zu of %zu bytes)\n", WayName(way), drain.got.load(),
                    expected);
        return 0;
    }
    return static_cast<double>(expected) / Seconds(drain.last.load() - t0);
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

PacedRun PacedSend(Way way, bool filling, int lines) {
    std::vector<std::string> machineOptions = ReadingMachine(filling);
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
    const Settings settings = SendSettings(signal);
    SendJob job = BenchJob(Program(lines));
    SendEngine(port, host, log).SendFile(settings, job);
    PacedRun run;
    run.summary = machine.Stop(300ms);
    run.engineAfterDc3 = port.worstAfterDc3;
    return run;
}

void BenchPaced() {
    std::printf("(b) paced send at 19200 baud 8N1 (1920 characters/s) to kelvantori-machine\n");
    for (const Way way : {Way::Pty, Way::Raw, Way::Rfc2217}) {
        const PacedRun busy = PacedSend(way, false, 300);
        Overruns overruns;
        for (int i = 0; i < 5; ++i)
            overruns.Add(PacedSend(way, true, 100));
        const double utilisation = Number(busy.summary, "utilisation");
        std::printf(
            "    %-17s utilisation %5.1f %% (target >= 95 %%: ratio %.3f); after DC3, 5 sends, "
            "%d pauses: median %d, worst %d characters (target <= 10: worst/10 = %.1f), "
            "engine worst %d, lost %.0f\n",
            WayName(way), 100 * utilisation, utilisation / 0.95, overruns.pauses, overruns.Median(),
            overruns.Worst(), overruns.Worst() / 10.0, overruns.worstEngine, overruns.lost);
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

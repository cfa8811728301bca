// Transfer benchmarks, printed as ratios to their targets and to a plain loop measured in the same
// run:
//   (a) the send engine unpaced over a pseudo-terminal whose reader drains at full speed: bytes/s
//       and CPU time per byte, beside a plain one-byte-per-write() loop over the same kind of pty;
//   (b) sends paced at 19200 baud 8N1 to kelvantori-machine reading at that rate: line
//       utilisation with a machine that empties its buffer faster than the line, and the overrun
//       (characters after the machine's DC3) with one whose buffer fills;
//   (c) a receive of 1 MB punched by the machine as fast as the pty takes it: bytes lost and the
//       rate;
//   (d) CPU used while a send and a receive wait for the start.
// Run: build/bin/TransferBench (it finds kelvantori-machine beside itself).
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "TransferBenchTools.h"
#include "comm/ReceiveEngine.h"
#include "comm/SendEngine.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"
#include "platform/HostConfig.h"

namespace {

using namespace kelvantori;
using namespace kelvantori::bench;
using Clock = BenchClock;

void BenchUnpacedSend() {
    const LoadedProgram program = Program(40000);
    const std::size_t lineBytes = LineBytes(program);

    // The engine, unpaced.
    double engineRate = 0;
    double engineCpuPerByte = 0;
    {
        Pty pty;
        HostConfig config;
        config.ports[1] = pty.slave;
        auto port = CreateSystemSerialPort(config);
        Drain drain(pty.master, lineBytes);
        BenchHost host;
        NoLog log;
        const Settings settings = SendSettings(false);
        SendEngine engine(*port, host, log, SendOptions{false, 2});
        SendJob job = BenchJob(program);
        const double cpu0 = ThreadCpuSeconds();
        const auto t0 = Clock::now();
        engine.SendFile(settings, job);
        const double wall = Seconds(Clock::now() - t0);
        const double cpu = ThreadCpuSeconds() - cpu0;
        engineRate = static_cast<double>(lineBytes) / wall;
        engineCpuPerByte = cpu / static_cast<double>(lineBytes);
        while (drain.got < lineBytes && Seconds(Clock::now() - t0) < 30)
            std::this_thread::sleep_for(1ms);
        if (drain.got != lineBytes)
            std::printf("  (the reader got %zu of %zu bytes)\n", drain.got.load(), lineBytes);
    }

    // A plain loop: one write() per byte on the same kind of line.
    double plainRate = 0;
    double plainCpuPerByte = 0;
    {
        Pty pty;
        const int fd = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        Drain drain(pty.master, lineBytes);
        const double cpu0 = ThreadCpuSeconds();
        const auto t0 = Clock::now();
        for (std::size_t i = 0; i < lineBytes; ++i) {
            const char c = static_cast<char>('0' + i % 10);
            while (::write(fd, &c, 1) != 1) {
            }
        }
        const double wall = Seconds(Clock::now() - t0);
        const double cpu = ThreadCpuSeconds() - cpu0;
        plainRate = static_cast<double>(lineBytes) / wall;
        plainCpuPerByte = cpu / static_cast<double>(lineBytes);
        ::close(fd);
    }

    std::printf("(a) unpaced send over a pseudo-terminal, %zu bytes\n", lineBytes);
    std::printf("    engine: %.0f bytes/s, %.2f us CPU per byte\n", engineRate,
                engineCpuPerByte * 1e6);
    std::printf("    plain write() loop: %.0f bytes/s, %.2f us CPU per byte\n", plainRate,
                plainCpuPerByte * 1e6);
    std::printf("    engine / 100 KB/s target: %.2f\n", engineRate / 100000.0);
    std::printf("    engine / plain loop: rate %.2f, CPU per byte %.2f\n", engineRate / plainRate,
                engineCpuPerByte / plainCpuPerByte);
}

PacedRun PacedSend(const std::vector<std::string>& machineOptions, int lines, bool signal) {
    Machine machine(machineOptions);
    HostConfig config;
    config.ports[1] = machine.device;
    auto system = CreateSystemSerialPort(config);
    WatchingPort port(*system);
    BenchHost host;
    NoLog log;
    const Settings settings = SendSettings(signal);
    SendEngine engine(port, host, log);
    SendJob job = BenchJob(Program(lines));
    engine.SendFile(settings, job);
    PacedRun run;
    run.summary = machine.Stop(300ms);
    run.engineAfterDc3 = port.worstAfterDc3;
    return run;
}

void BenchPacedSend() {
    PacedRun busy = PacedSend(ReadingMachine(false), 300, false);
    std::printf("(b) paced send at 19200 baud 8N1 (1920 characters/s) to kelvantori-machine\n");
    std::printf(
        "    line utilisation, machine faster than the line: %.1f %% (target >= 95 %%):"
        " ratio %.3f; %s characters in %s s\n",
        100 * Number(busy.summary, "utilisation"), Number(busy.summary, "utilisation") / 0.95,
        busy.summary["received"].c_str(), busy.summary["elapsed"].c_str());

    std::vector<std::string> filling = ReadingMachine(true);
    // The machine asks for the tape with DC1 once it has seen the PC open the line; started at
    // once instead, the PC's first characters wait in the kernel until the machine notices the
    // open, and its line model counts them as an overrun of its first DC3.
    filling.insert(filling.end(), {"--start", "dc1", "--start-repeat", "100"});
    Overruns overruns;
    for (int i = 0; i < 5; ++i)
        overruns.Add(PacedSend(filling, 100, true));
    std::printf(
        "    overrun, buffer 256/high 200/low 50, drain 1000 characters/s, 5 sends, %d"
        " DC3 pauses:\n",
        overruns.pauses);
    std::printf(
        "      counted by the machine: median %d, worst %d (target <= 10): worst/10 = "
        "%.1f; lost %.0f\n",
        overruns.Median(), overruns.Worst(), overruns.Worst() / 10.0, overruns.lost);
    std::printf("      written by the engine after it had read the DC3: worst %d\n",
                overruns.worstEngine);
}

void BenchReceive() {
    const auto [tape, expected] = MegabyteTape();
    const TempDir temp;
    const std::string& folder = temp.path;
    const std::string tapePath = folder + "/tape.nc";
    std::ofstream(tapePath, std::ios::binary) << tape;

    Machine machine(PunchingMachine(tapePath));
    HostConfig config;
    config.ports[1] = machine.device;
    config.drives['D'] = folder;
    auto port = CreateSystemSerialPort(config);
    auto files = CreateSystemFileSystem(DriveMap::Build(config, folder, {}));
    BenchHost host;
    host.stopAt = Clock::now() + 60s;
    NoLog log;
    Settings settings;
    settings.DirPath = "D:";
    ReceiveEngine engine(*port, host, log, *files);
    const ReceiveJob job = ReceivedFileJob();
    const double cpu0 = ThreadCpuSeconds();
    const TransferResult result = engine.ReceiveFile(settings, job);
    const double cpu = ThreadCpuSeconds() - cpu0;
    const auto summary = machine.WaitAndStop(15s);
    const std::string got = ReadBytes(folder + "/RECEIVED.NC");
    const std::size_t same = AgreeingBytes(got, expected);
    const double seconds = Seconds(host.dataEnded - host.firstLine);
    const double punched = Number(summary, "punched");
    std::printf("(c) receive of %zu bytes punched by kelvantori-machine at full speed\n",
                tape.size());
    std::printf("    %s; saved file %s the tape (%zu of %zu bytes agree); %.0f bytes on the line\n",
                result == TransferResult::Completed ? "completed" : "STOPPED",
                got == expected ? "equals" : "DIFFERS FROM", same, expected.size(), punched);
    std::printf(
        "    bytes lost: %zu; rate %.0f bytes/s on the line (%.1f x a 19200 baud line), "
        "%.2f us CPU per byte\n",
        expected.size() - same, punched / seconds, punched / seconds / 1920.0, cpu / punched * 1e6);
}

void BenchWaiting() {
    constexpr auto kWait = 3s;
    std::printf("(d) CPU while waiting %lld s for the start signal (target < 2 %% of a core)\n",
                static_cast<long long>(kWait.count()));
    {
        Machine machine({"--code", "iso", "--start", "none"});
        HostConfig config;
        config.ports[1] = machine.device;
        auto port = CreateSystemSerialPort(config);
        BenchHost host;
        NoLog log;
        const Settings settings = SendSettings(true);
        SendEngine engine(*port, host, log);
        SendJob job = BenchJob(Program(10));
        host.stopAt = Clock::now() + kWait;
        const double cpu0 = ThreadCpuSeconds();
        const auto t0 = Clock::now();
        engine.SendFile(settings, job);
        const double share = (ThreadCpuSeconds() - cpu0) / Seconds(Clock::now() - t0);
        std::printf("    send: %.2f %% of a core: ratio to 2 %% = %.2f\n", share * 100,
                    share / 0.02);
    }
    {
        Machine machine({"--code", "iso", "--start", "none"});
        HostConfig config;
        config.ports[1] = machine.device;
        auto port = CreateSystemSerialPort(config);
        auto files = CreateSystemFileSystem(DriveMap::Build(config, machine.Folder(), {}));
        BenchHost host;
        NoLog log;
        Settings settings;
        settings.DirPath = "C:";
        ReceiveEngine engine(*port, host, log, *files);
        ReceiveJob job;
        job.mode = ReceiveMode::PerProgram;
        host.stopAt = Clock::now() + kWait;
        const double cpu0 = ThreadCpuSeconds();
        const auto t0 = Clock::now();
        engine.ReceiveFile(settings, job);
        const double share = (ThreadCpuSeconds() - cpu0) / Seconds(Clock::now() - t0);
        std::printf("    receive: %.2f %% of a core: ratio to 2 %% = %.2f\n", share * 100,
                    share / 0.02);
    }
}

}  // namespace

int main() {
    signal(SIGPIPE, SIG_IGN);
    BenchUnpacedSend();
    BenchPacedSend();
    BenchReceive();
    BenchWaiting();
    return 0;
}

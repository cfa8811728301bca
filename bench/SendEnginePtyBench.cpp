// The send engine over a pseudo-terminal: unpaced throughput (the engine's own per-byte cost)
// and, paced at 19200 baud, how busy the line's character time keeps the line. A reader thread
// drains the master side as a machine would.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "TransferBenchTools.h"
#include "comm/SendEngine.h"
#include "core/LineSetting.h"
#include "platform/HostConfig.h"

namespace {

using namespace kelvantori;
using namespace kelvantori::bench;
using Clock = BenchClock;

struct Run {
    double seconds = 0;
    std::size_t bytes = 0;
};

Run SendOnce(const std::string& speed, bool paced, int lines) {
    Pty pty;
    const int master = pty.master;
    HostConfig config;
    config.ports[1] = pty.slave;

    std::atomic<bool> done{false};
    std::atomic<std::size_t> received{0};
    Clock::time_point first{};
    Clock::time_point last{};
    std::thread reader([&] {
        char buffer[4096];
        for (;;) {
            pollfd p{master, POLLIN, 0};
            const bool ready = ::poll(&p, 1, 50) > 0;
            const ssize_t n = ready ? ::read(master, buffer, sizeof buffer) : 0;
            if (n > 0) {
                if (received == 0)
                    first = Clock::now();
                received += static_cast<std::size_t>(n);
                last = Clock::now();
            } else if (done) {
                return;
            } else if (ready) {
                // The slave side is closed between two sends (EIO): nothing to read yet.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
    });

    Settings settings;
    settings.Speed = speed;
    settings.Signal = "N";
    LoadedProgram program;
    for (int i = 0; i < lines; ++i) {
        program.text.lines.push_back("N" + std::to_string(i) + " G01 X12.345 Y-67.890 F1200");
    }
    program.size = 0;
    for (const auto& line : program.text.lines)
        program.size += line.size() + 2;

    auto port = CreateSystemSerialPort(config);
    BenchHost host;
    NoLog log;
    SendEngine engine(*port, host, log, SendOptions{paced, 2});
    SendJob job = BenchJob(program);
    engine.SendFile(settings, job);
    done = true;
    reader.join();
    // From the first byte to the last: the line's time, without the port's opening.
    return Run{std::chrono::duration<double>(last - first).count(), received.load()};
}

}  // namespace

int main() {
    const Run unpaced = SendOnce("19200,8,N,1", false, 20000);
    std::printf("unpaced over a pty: %zu bytes in %.3f s = %.0f KB/s (needed: 100 KB/s)\n",
                unpaced.bytes, unpaced.seconds, unpaced.bytes / unpaced.seconds / 1000.0);

    const Run paced = SendOnce("19200,8,N,1", true, 150);
    const double t =
        std::chrono::duration<double>(CharacterTime(ParseLineSetting("19200,8,N,1").setting))
            .count();
    std::printf("paced at 19200 baud: %zu bytes in %.3f s, line busy %.1f %% (needed: 95 %%)\n",
                paced.bytes, paced.seconds, 100.0 * (paced.bytes - 1) * t / paced.seconds);
    return 0;
}

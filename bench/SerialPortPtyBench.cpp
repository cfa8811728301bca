// How fast the send engine's per-byte calls (modem status, output queue, one write) run over a
// pseudo-terminal, beside the rate a send needs to keep the virtual machine's tests quick and
// beside the fastest real line.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/CommPort.h"
#include "platform/HostConfig.h"
#include "platform/SerialPort.h"

using namespace kelvantori;

int main() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    HostConfig hosts;
    hosts.ports[1] = ptsname(master);
    auto port = CreateSystemSerialPort(hosts);
    Settings settings;
    settings.Port = "COM1";
    if (const auto opened = OpenCommPort(*port, settings, TransferMode::Send); !opened.ok) {
        std::fprintf(stderr, "%s %s\n", opened.message.c_str(), opened.systemReason.c_str());
        return 1;
    }

    constexpr std::size_t kBytes = 1'000'000;
    std::thread machine([master] {
        char buffer[65536];
        std::size_t got = 0;
        while (got < kBytes) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0)
                break;
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
    });

    const auto start = std::chrono::steady_clock::now();
    std::size_t sent = 0;
    while (sent < kBytes) {
        port->GetModemStatus();
        port->OutputQueueLength();
        const auto status = port->Write(static_cast<std::uint8_t>('0' + sent % 10));
        if (status == WriteStatus::Written) {
            ++sent;
        } else if (status == WriteStatus::Full) {
            port->WaitWritable(std::chrono::milliseconds(100));
        } else {
            std::fprintf(stderr, "write failed: %s\n", port->LastSystemError().c_str());
            break;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    machine.join();
    port->Close();
    close(master);

    const double rate = static_cast<double>(sent) / seconds;
    std::printf("pty send loop: %.0f bytes/s\n", rate);
    std::printf("  / 100 KB/s wanted for the virtual machine: %.2f\n", rate / 100'000.0);
    std::printf("  / 19200 baud 8N1 line (1920 bytes/s):      %.1f\n", rate / 1920.0);
    return 0;
}

// kelvantori-machine: a virtual NC controller on a pseudo-terminal. Parses the options, opens the
// line and runs the machine until it is told to stop.
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/ProgramText.h"
#include "machine/MachineFiles.h"
#include "machine/MachineOptions.h"
#include "machine/PtyLine.h"
#include "machine/VirtualMachine.h"

namespace {

using namespace kelvantori;
using namespace kelvantori::machine;
using namespace std::chrono_literals;
using std::chrono::nanoseconds;

volatile std::sig_atomic_t gStopRequested = 0;

void OnStopSignal(int) {
    gStopRequested = 1;
}

// A hung-up master reports POLLHUP at once, so while the PC has the device closed the loop
// looks for its return at this interval instead of waiting on the descriptor. It is short:
// a PC that writes as soon as it opens has its first characters counted from the moment they
// are seen, and at 19200 baud 20 ms would already be 38 characters the machine took in late
// (and answered with a late DC3).
constexpr nanoseconds kHangupInterval = 2ms;
constexpr nanoseconds kLongestWait = 250ms;
// After the last punched byte the PC is given this long to read what is still queued; closing
// the master earlier would throw it away.
constexpr nanoseconds kPunchDrainLimit = 10s;

void Fail(const std::string& text) {
    std::cerr << "kelvantori-machine: " << text << "\n";
}

// Stores into the folder and says so on stderr when a program cannot be kept.
class ReportingStore : public ProgramSink {
  public:
    explicit ReportingStore(std::string folder) : store_(std::move(folder)) {}
    bool Store(const ReceivedProgram& program) override {
        if (store_.Store(program))
            return true;
        Fail(DescribeFailure(store_.LastFailure()));
        return false;
    }

  private:
    FolderProgramStore store_;
};

// Waits for a stop signal at most `duration`; true when one came.
bool WaitForSignal(nanoseconds duration, const sigset_t& waitMask, pollfd* fd) {
    if (gStopRequested)
        return true;
    const auto d = std::max(duration, nanoseconds(0));
    const timespec ts{static_cast<time_t>(d.count() / 1'000'000'000),
                      static_cast<long>(d.count() % 1'000'000'000)};
    ::ppoll(fd, fd ? 1 : 0, &ts, &waitMask);
    return gStopRequested != 0;
}

void WaitForPunchRead(PtyLine& line, Clock& clock, const sigset_t& waitMask) {
    const nanoseconds until = clock.Now() + kPunchDrainLimit;
    int emptyChecks = 0;
    while (clock.Now() < until && line.PeerOpen()) {
        // A device locked against a second open hides its queue; then the PC's close (after
        // it has read the end of the tape) is the sign.
        if (const auto unread = line.UnreadByPeer()) {
            // Bytes can still be on their way into the reader's queue: two empty looks in a row.
            emptyChecks = *unread == 0 ? emptyChecks + 1 : 0;
            if (emptyChecks >= 2)
                break;
        }
        if (WaitForSignal(50ms, waitMask, nullptr))
            break;
    }
}

int Run(const MachineOptions& o) {
    sigset_t stopSet;
    sigset_t waitMask;
    sigemptyset(&stopSet);
    sigaddset(&stopSet, SIGINT);
    sigaddset(&stopSet, SIGTERM);
    // The stop signals are let through only while the loop waits, so none falls between a check
    // and the wait.
    sigprocmask(SIG_BLOCK, &stopSet, &waitMask);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Whoever reads the device path may close stdout afterwards.
    std::signal(SIGPIPE, SIG_IGN);

    std::optional<ProgramText> punch;
    if (!o.punchFile.empty()) {
        MachineFailure failure;
        const auto bytes = ReadWholeFile(o.punchFile, failure);
        if (!bytes) {
            Fail(DescribeFailure(failure));
            return 1;
        }
        punch = SplitProgramLines(*bytes);
    }
    std::unique_ptr<ReportingStore> store;
    if (!o.storeDir.empty()) {
        if (const auto failure = MakeFolder(o.storeDir)) {
            Fail(DescribeFailure(failure));
            return 1;
        }
        store = std::make_unique<ReportingStore>(o.storeDir);
    }
    RawRecorder raw;
    if (!o.rawFile.empty()) {
        if (const auto failure = raw.Open(o.rawFile)) {
            Fail(DescribeFailure(failure));
            return 1;
        }
    }
    MachineFailure openFailure;
    const std::unique_ptr<PtyLine> line = PtyLine::Open(openFailure);
    if (!line) {
        Fail(DescribeFailure(openFailure));
        return 1;
    }
    // The link comes first: whoever has read the path line may use the link at once.
    if (!o.linkPath.empty()) {
        if (const auto failure = MakeDeviceLink(o.linkPath, line->DevicePath())) {
            Fail(DescribeFailure(failure));
            return 1;
        }
    }
    std::cout << line->DevicePath() << std::endl;

    SteadyClock clock;
    VirtualMachine::EventLog log;
    if (o.verbose)
        log = [](const std::string& text) { std::cerr << "kelvantori-machine: " << text << "\n"; };
    VirtualMachine vm(o.config, clock, store.get(), punch ? &*punch : nullptr, log);

    std::vector<char> buffer(4096);
    bool peerOpen = false;
    bool rawFailed = false;
    while (!gStopRequested) {
        const bool open = line->PeerOpen();
        if (open != peerOpen) {
            peerOpen = open;
            if (open) {
                vm.OnLineOpened();
            } else {
                vm.OnLineClosed();
            }
        }
        vm.Poll();

        bool outputBlocked = false;
        const std::string_view out = vm.PendingOutput();
        if (!out.empty()) {
            const std::size_t written = line->Write(out);
            vm.OnWritten(written);
            outputBlocked = written < out.size();
        }

        const std::size_t allowance = vm.ReadAllowance();
        bool moreWaiting = false;
        if (allowance > 0) {
            const std::size_t ask = std::min(allowance, buffer.size());
            const std::size_t got = line->Read(buffer.data(), ask);
            if (got > 0) {
                const std::string_view bytes(buffer.data(), got);
                if (const auto failure = raw.Append(bytes); failure && !rawFailed) {
                    Fail(DescribeFailure(failure));
                    rawFailed = true;
                }
                vm.OnReceived(bytes, ask);
                moreWaiting = got == ask;
            }
        }
        if (vm.ShouldExit())
            break;

        const nanoseconds now = clock.Now();
        std::optional<nanoseconds> deadline = vm.NextDeadline();
        if (vm.ReadAllowance() == 0) {
            const auto next = vm.NextReadTime();
            if (next && (!deadline || *next < *deadline))
                deadline = next;
        }
        nanoseconds wait = deadline ? *deadline - now : kLongestWait;
        wait = std::clamp(wait, nanoseconds(0), kLongestWait);
        // More may wait in the kernel: look again at once, but through the wait, which is
        // where a stop signal gets in.
        if (moreWaiting)
            wait = nanoseconds(0);
        if (!peerOpen) {
            WaitForSignal(std::min(wait, kHangupInterval), waitMask, nullptr);
            continue;
        }
        pollfd p{line->Fd(), 0, 0};
        if (vm.ReadAllowance() > 0)
            p.events |= POLLIN;
        if (outputBlocked)
            p.events |= POLLOUT;
        WaitForSignal(wait, waitMask, &p);
    }

    if (!gStopRequested && vm.PunchDone())
        WaitForPunchRead(*line, clock, waitMask);
    vm.Finish();
    const std::string summary = FormatSummary(vm.Summary());
    std::cerr << summary;
    int status = 0;
    if (!o.summaryFile.empty()) {
        if (const auto failure = WriteFileSafely(o.summaryFile, summary)) {
            Fail(DescribeFailure(failure));
            status = 1;
        }
    }
    if (!o.linkPath.empty())
        RemoveDeviceLink(o.linkPath, line->DevicePath());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const OptionsResult parsed = ParseMachineOptions(args);
    if (!parsed.options) {
        Fail(parsed.error);
        std::cerr << "kelvantori-machine --help で使い方を表示します。\n";
        return 2;
    }
    if (parsed.options->help) {
        std::cout << MachineUsage();
        return 0;
    }
    return Run(*parsed.options);
}

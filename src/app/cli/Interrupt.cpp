// The signal handlers of kelvantori-cli.
#include "app/cli/Interrupt.h"

#include <unistd.h>

namespace kelvantori {

namespace {

InterruptState gInterrupts;

void OnSignal(int signalNumber) {
    const bool recorded =
        signalNumber == SIGINT ? gInterrupts.Press() : gInterrupts.Terminate(signalNumber);
    if (recorded)
        return;
    // Only async-signal-safe calls from here: the progress line is ended, and the signal is
    // delivered again with its default action, so the caller sees the program end by it.
    const char lineEnd = '\n';
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, &lineEnd, 1);
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

}  // namespace

InterruptState& ProcessInterrupts() {
    return gInterrupts;
}

ScopedInterruptHandler::ScopedInterruptHandler() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        const int signalNumber = kSignals[i];
        if (::sigaction(signalNumber, nullptr, &previous_[i]) != 0)
            continue;
        struct sigaction action {};
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a wait for input returns at once and the reader looks at the press.
        action.sa_flags = 0;
        if (signalNumber == SIGPIPE) {
            // A reader of stderr or stdout that went away must not end the program before it
            // has saved what it received; the write fails instead.
            action.sa_handler = SIG_IGN;
        } else if (previous_[i].sa_handler == SIG_IGN) {
            continue;  // started with it ignored (nohup): it stays so
        } else {
            action.sa_handler = OnSignal;
        }
        installed_[i] = ::sigaction(signalNumber, &action, nullptr) == 0;
    }
}

ScopedInterruptHandler::~ScopedInterruptHandler() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        if (installed_[i])
            ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
}

}  // namespace kelvantori

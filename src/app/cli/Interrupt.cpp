// The SIGINT handler of kelvantori-cli.
#include "app/cli/Interrupt.h"

#include <unistd.h>

namespace kelvantori {

namespace {

InterruptState gInterrupts;

void OnInterrupt(int signalNumber) {
    if (gInterrupts.Press())
        return;
    // Only async-signal-safe calls from here: the progress line is ended, and the signal is
    // delivered again with its default action, so the caller sees the program end by Ctrl-C.
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
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait for input returns at once and the reader looks at the press.
    action.sa_flags = 0;
    installed_ = ::sigaction(SIGINT, &action, &previous_) == 0;
}

ScopedInterruptHandler::~ScopedInterruptHandler() {
    if (installed_)
        ::sigaction(SIGINT, &previous_, nullptr);
}

}  // namespace kelvantori

// The self-pipe of the termination signals.
#include "ui/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <iterator>

namespace kelvantori {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGQUIT};
int gPipe[2] = {-1, -1};
struct sigaction gPrevious[std::size(kSignals)];

void OnSignal(int signalNumber) {
    // Only async-signal-safe calls here: the number goes through the pipe.
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &number, 1);
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Read(); });
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        if (::sigaction(kSignals[i], nullptr, &gPrevious[i]) != 0 ||
            gPrevious[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        action.sa_handler = OnSignal;
        installed_[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        if (installed_[i])
            ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    }
    delete notifier_;
    for (int& fd : gPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TerminationSignals::Read() {
    unsigned char number = 0;
    while (::read(gPipe[0], &number, 1) == 1) {
        if (onSignal_)
            onSignal_(number);
    }
}

}  // namespace kelvantori

// Ctrl-C and the termination signals in kelvantori-cli: the F3/Esc of a transfer. A press while a
// transfer runs is left for the engine, which consumes it and takes its stop path; a press while
// nothing runs stops the next transfer as soon as it starts, and a second one then ends the
// program. SIGTERM, SIGHUP and SIGQUIT stop a transfer the same way (a send sends DC4, received
// data is kept, the log says "中止"), and then the program ends instead of going on.
#pragma once

#include <signal.h>

#include <atomic>
#include <iterator>

namespace kelvantori {

class InterruptState {
  public:
    // What the signal handler does for one press of Ctrl-C. False when the press is to end the
    // program (a second one while nothing runs); it is then not recorded.
    bool Press() {
        if (!running_.load() && pending_.load())
            return false;
        pending_.store(true);
        return true;
    }

    // What the signal handler does for a termination signal: a press that also ends the program
    // once the transfer has wound up. False when the program is to end at once: a second
    // termination while nothing runs.
    bool Terminate(int signalNumber) {
        if (!running_.load() && terminatedBy_.load() != 0)
            return false;
        terminatedBy_.store(signalNumber);
        pending_.store(true);
        return true;
    }

    // True once per press. Cheap when nothing was pressed: it is asked for every byte.
    bool Consume() {
        if (!pending_.load(std::memory_order_relaxed))
            return false;
        return pending_.exchange(false);
    }
    bool Pending() const { return pending_.load(std::memory_order_relaxed); }

    // The termination signal received, 0 when none: nothing more is to be started.
    int TerminatedBy() const { return terminatedBy_.load(); }

    // Forgets what an earlier run in this process left recorded.
    void Reset() {
        pending_.store(false);
        terminatedBy_.store(0);
    }

    // A transfer engine runs (it looks for presses within milliseconds).
    void SetRunning(bool running) { running_.store(running); }

  private:
    static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs it");
    static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs it");
    std::atomic<bool> pending_{false};
    std::atomic<bool> running_{false};
    std::atomic<int> terminatedBy_{0};
};

// The state the signal handlers of this process record into.
InterruptState& ProcessInterrupts();

// Installs the handlers of SIGINT, SIGTERM, SIGHUP and SIGQUIT for its lifetime (a signal the
// program was started with ignored, as by nohup, stays ignored), ignores SIGPIPE meanwhile, and
// restores what was there before.
class ScopedInterruptHandler {
  public:
    ScopedInterruptHandler();
    ~ScopedInterruptHandler();
    ScopedInterruptHandler(const ScopedInterruptHandler&) = delete;
    ScopedInterruptHandler& operator=(const ScopedInterruptHandler&) = delete;

  private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};
    struct sigaction previous_[std::size(kSignals)]{};
    bool installed_[std::size(kSignals)] = {};
};

}  // namespace kelvantori

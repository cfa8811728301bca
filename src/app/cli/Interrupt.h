// Ctrl-C in kelvantori-cli: the F3/Esc of a transfer. A press while a transfer runs is left for
// the engine, which consumes it and takes its stop path; a press while nothing runs stops the
// next transfer as soon as it starts, and a second one then ends the program.
#pragma once

#include <signal.h>

#include <atomic>

namespace kelvantori {

class InterruptState {
  public:
    // What the signal handler does for one press. False when the press is to end the program
    // (a second one while nothing runs); it is then not recorded.
    bool Press() {
        if (!running_.load() && pending_.load())
            return false;
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

    // A transfer engine runs (it looks for presses within milliseconds).
    void SetRunning(bool running) { running_.store(running); }

  private:
    static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs it");
    std::atomic<bool> pending_{false};
    std::atomic<bool> running_{false};
};

// The state the SIGINT handler of this process records into.
InterruptState& ProcessInterrupts();

// Installs the SIGINT handler for its lifetime and restores the previous one afterwards.
class ScopedInterruptHandler {
  public:
    ScopedInterruptHandler();
    ~ScopedInterruptHandler();
    ScopedInterruptHandler(const ScopedInterruptHandler&) = delete;
    ScopedInterruptHandler& operator=(const ScopedInterruptHandler&) = delete;

  private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

}  // namespace kelvantori

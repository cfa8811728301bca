// Time as the engines see it: a monotonic clock that can also wait. The programs use SteadyClock;
// tests use ManualClock, whose waits advance it at once, so no test sleeps.
#pragma once

#include <chrono>
#include <thread>

namespace kelvantori {

class Clock {
  public:
    virtual ~Clock() = default;
    // Monotonic time since an arbitrary origin.
    virtual std::chrono::nanoseconds Now() = 0;
    virtual void SleepFor(std::chrono::nanoseconds duration) = 0;
};

// The real clock: steady time and real sleeps.
class SteadyClock final : public Clock {
  public:
    std::chrono::nanoseconds Now() override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
    void SleepFor(std::chrono::nanoseconds duration) override {
        if (duration.count() > 0)
            std::this_thread::sleep_for(duration);
    }
};

class ManualClock : public Clock {
  public:
    std::chrono::nanoseconds Now() override { return now_; }
    void SleepFor(std::chrono::nanoseconds duration) override { Advance(duration); }
    void Advance(std::chrono::nanoseconds duration) {
        if (duration.count() > 0)
            now_ += duration;
    }

  private:
    std::chrono::nanoseconds now_{0};
};

}  // namespace kelvantori

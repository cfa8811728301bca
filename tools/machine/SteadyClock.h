// The real clock of kelvantori-machine: steady time and real sleeps.
#pragma once

#include <chrono>
#include <thread>

#include "core/Clock.h"

namespace kelvantori::machine {

class SteadyClock : public Clock {
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

}  // namespace kelvantori::machine

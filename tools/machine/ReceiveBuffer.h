// The controller's receive buffer and its DC3/DC1 flow control. Characters fill the buffer as
// they arrive; the controller takes them out at its own rate. At the high-water mark it sends DC3
// and counts every character that still arrives (the PC needs time to notice DC3; that is the
// overrun); at the low-water mark it sends DC1. A character that arrives with the buffer full is
// lost, as on a real controller.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

namespace kelvantori::machine {

struct FlowSettings {
    std::size_t capacity = 256;  // 0: no buffer, no flow control
    std::size_t high = 224;      // DC3 when the buffer holds this many characters
    std::size_t low = 64;        // DC1 when it has drained down to this many
    double drainCps = 0;         // characters the controller takes per second; 0 = at once
};

enum class FlowSignal { None, SendDc3, SendDc1 };

struct FlowCounters {
    std::size_t dc3Sent = 0;
    std::size_t dc1Sent = 0;
    std::size_t overrunMax = 0;    // the most characters that arrived after one DC3
    std::size_t overrunTotal = 0;  // over all DC3 episodes
    std::size_t lost = 0;          // arrived with the buffer full
};

class ReceiveBuffer {
  public:
    explicit ReceiveBuffer(const FlowSettings& settings) : settings_(settings) {}

    // The controller drains the buffer up to time t; DC1 when the low-water mark is reached.
    FlowSignal DrainUntil(std::chrono::nanoseconds t);

    struct Arrival {
        bool kept = true;  // false: the buffer was full and the character is lost
        FlowSignal signal = FlowSignal::None;
    };
    // A character arrives at t. `occupies` is false for blank tape, which the reader skips
    // without storing. Call DrainUntil(t) first.
    Arrival Arrive(std::chrono::nanoseconds t, bool occupies = true);

    // When draining will reach the low-water mark while DC3 is in force; nullopt otherwise.
    std::optional<std::chrono::nanoseconds> NextDc1Time() const;

    std::size_t Fill() const { return fill_; }
    bool Stopped() const { return stopped_; }
    const FlowCounters& Counters() const { return counters_; }

  private:
    FlowSettings settings_;
    std::size_t fill_ = 0;
    double credit_ = 0;  // characters drained but not yet taken out (fraction of one)
    std::chrono::nanoseconds lastDrain_{0};
    bool stopped_ = false;
    std::size_t episodeOverrun_ = 0;
    FlowCounters counters_;
};

}  // namespace kelvantori::machine

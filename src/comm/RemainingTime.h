// The remaining-time estimate of a send: the byte counters the engine keeps while it sends, a
// tick every 10 seconds that turns the progress of the last 10 seconds into a rate, and the
// texts of `Label17`.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace kelvantori {

// "###,###,##0": decimal digits grouped by commas ("1,234,567"; "-12" for negatives).
std::string FormatByteCount(std::int64_t bytes);

// "残り 1,234ﾊﾞｲﾄ": the remaining bytes alone (before a send starts, and after it ended).
std::string RemainingBytesText(std::int64_t bytes);

// "残り 1,234ﾊﾞｲﾄ(約 3分49秒)": the display while lines go out. The time takes the form
// "1時05分" from an hour on, "3分49秒" from a minute on, else "49秒".
std::string RemainingText(std::int64_t bytes, std::int64_t seconds);

// The counters are atomic so that a display thread may read them while the engine sends; the
// engine itself ticks the estimate from its own loops, so no thread is needed for it.
class RemainingTime {
  public:
    static constexpr std::chrono::seconds kTickInterval{10};

    std::atomic<std::int64_t> TotalBytes{0};
    std::atomic<std::int64_t> SentBytes{0};
    std::atomic<std::int64_t> LastSentBytes{0};
    std::atomic<std::int64_t> RemainSeconds{0};

    // A new file: its size, nothing sent, no estimate yet.
    void Reset(std::int64_t totalBytes);

    // One estimate over the last tick interval, in integer arithmetic: rate = progress / 10,
    // RemainSeconds = (TotalBytes - SentBytes) / rate. A tick with 10 bytes or fewer of progress
    // (the machine holds XOFF) or with negative progress leaves the estimate as it was, and then
    // LastSentBytes stays too, so the next tick measures from the same point.
    void Tick();

    // The tick schedule: Start() arms a tick every kTickInterval from now, TickIfDue() runs the
    // ticks that are due (cheap when none is), Stop() disarms it.
    void Start(std::chrono::nanoseconds now);
    void Stop() { running_ = false; }
    bool Running() const { return running_; }
    void TickIfDue(std::chrono::nanoseconds now) {
        if (running_ && now >= nextTick_)
            RunDueTicks(now);
    }

    // The display after a line: TotalBytes - SentBytes + 1 bytes and RemainSeconds.
    std::string Text() const;

  private:
    void RunDueTicks(std::chrono::nanoseconds now);

    bool running_ = false;
    std::chrono::nanoseconds nextTick_{0};
};

}  // namespace kelvantori

// The remaining-time estimate and its display texts.
#include "comm/RemainingTime.h"

#include <cstdio>

namespace kelvantori {

namespace {

constexpr const char* kBytesUnit = "ﾊﾞｲﾄ";

std::string TwoDigits(std::int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%02lld", static_cast<long long>(value));
    return text;
}

}  // namespace

std::string FormatByteCount(std::int64_t bytes) {
    const bool negative = bytes < 0;
    // Built from the unsigned magnitude so that the smallest 64-bit value formats too.
    std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(bytes) + 1 : static_cast<std::uint64_t>(bytes);
    std::string digits = std::to_string(magnitude);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    if (negative)
        out.push_back('-');
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string RemainingBytesText(std::int64_t bytes) {
    return "残り " + FormatByteCount(bytes) + kBytesUnit;
}

std::string RemainingText(std::int64_t bytes, std::int64_t seconds) {
    std::string time;
    if (seconds >= 3600) {
        time = std::to_string(seconds / 3600) + "時" + TwoDigits((seconds % 3600) / 60) + "分";
    } else if (seconds >= 60) {
        time = std::to_string(seconds / 60) + "分" + TwoDigits(seconds % 60) + "秒";
    } else {
        time = std::to_string(seconds) + "秒";
    }
    return RemainingBytesText(bytes) + "(約 " + time + ")";
}

void RemainingTime::Reset(std::int64_t totalBytes) {
    TotalBytes = totalBytes;
    SentBytes = 0;
    LastSentBytes = 0;
    RemainSeconds = 0;
}

void RemainingTime::Tick() {
    const std::int64_t sent = SentBytes.load();
    const std::int64_t progress = sent - LastSentBytes.load();
    if (progress <= 10)
        return;
    const std::int64_t rate = progress / 10;
    RemainSeconds = (TotalBytes.load() - sent) / rate;
    LastSentBytes = sent;
}

void RemainingTime::Start(std::chrono::nanoseconds now) {
    running_ = true;
    nextTick_ = now + kTickInterval;
}

void RemainingTime::RunDueTicks(std::chrono::nanoseconds now) {
    // The rate assumes exactly one interval per tick. The engine's loops come here at least every
    // few milliseconds (the longest fixed wait inside a send is the 1 s leader pause), so a tick
    // is never late by more than that. Should several be due at once, the later ones find no
    // new progress and leave the estimate alone.
    while (now >= nextTick_) {
        Tick();
        nextTick_ += kTickInterval;
    }
}

std::string RemainingTime::Text() const {
    return RemainingText(TotalBytes.load() - SentBytes.load() + 1, RemainSeconds.load());
}

}  // namespace kelvantori

// The receive buffer model: fill, drain and the flow-control decisions.
#include "machine/ReceiveBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kelvantori::machine {

namespace {

// Keeps a drain that is due "now" by the clock from falling one character short through
// floating-point rounding.
constexpr double kCreditSlack = 1e-9;

double Seconds(std::chrono::nanoseconds d) {
    return static_cast<double>(d.count()) * 1e-9;
}

}  // namespace

FlowSignal ReceiveBuffer::DrainUntil(std::chrono::nanoseconds t) {
    if (settings_.capacity == 0)
        return FlowSignal::None;
    if (settings_.drainCps <= 0) {
        fill_ = 0;
    } else if (t > lastDrain_) {
        if (fill_ == 0) {
            // An empty buffer banks nothing: the controller waits for the next character.
            credit_ = 0;
        } else {
            credit_ += Seconds(t - lastDrain_) * settings_.drainCps;
            const auto drained = static_cast<std::size_t>(std::floor(credit_ + kCreditSlack));
            if (drained >= fill_) {
                fill_ = 0;
                credit_ = 0;
            } else {
                fill_ -= drained;
                credit_ = std::max(0.0, credit_ - static_cast<double>(drained));
            }
        }
        lastDrain_ = t;
    }
    if (stopped_ && fill_ <= settings_.low) {
        stopped_ = false;
        ++counters_.dc1Sent;
        return FlowSignal::SendDc1;
    }
    return FlowSignal::None;
}

ReceiveBuffer::Arrival ReceiveBuffer::Arrive(std::chrono::nanoseconds t, bool occupies) {
    Arrival arrival;
    if (settings_.capacity == 0)
        return arrival;
    if (t > lastDrain_ && fill_ == 0)
        lastDrain_ = t;
    if (stopped_) {
        ++episodeOverrun_;
        ++counters_.overrunTotal;
        counters_.overrunMax = std::max(counters_.overrunMax, episodeOverrun_);
    }
    // With an instant drain the character is taken out as soon as it is in.
    if (!occupies || settings_.drainCps <= 0)
        return arrival;
    if (fill_ >= settings_.capacity) {
        ++counters_.lost;
        arrival.kept = false;
        return arrival;
    }
    ++fill_;
    if (!stopped_ && fill_ >= settings_.high) {
        stopped_ = true;
        episodeOverrun_ = 0;
        ++counters_.dc3Sent;
        arrival.signal = FlowSignal::SendDc3;
    }
    return arrival;
}

std::optional<std::chrono::nanoseconds> ReceiveBuffer::NextDc1Time() const {
    if (!stopped_ || settings_.capacity == 0 || settings_.drainCps <= 0)
        return std::nullopt;
    if (fill_ <= settings_.low)
        return lastDrain_;
    const double needed = static_cast<double>(fill_ - settings_.low) - credit_;
    const double ns = std::ceil(std::max(0.0, needed) / settings_.drainCps * 1e9);
    return lastDrain_ + std::chrono::nanoseconds(static_cast<std::int64_t>(ns));
}

}  // namespace kelvantori::machine

// Line rate arithmetic and the read pacer.
#include "machine/LinePacing.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace kelvantori::machine {

std::optional<LineFormat> ParseLineFormat(std::string_view text) {
    std::string t;
    for (const char c : text) {
        if (c != ',')
            t += c;
    }
    if (t.size() < 3)
        return std::nullopt;
    LineFormat format;
    if (t[0] < '5' || t[0] > '8')
        return std::nullopt;
    format.dataBits = t[0] - '0';
    switch (t[1]) {
        case 'N':
        case 'n':
            format.parity = FormatParity::None;
            break;
        case 'E':
        case 'e':
            format.parity = FormatParity::Even;
            break;
        case 'O':
        case 'o':
            format.parity = FormatParity::Odd;
            break;
        default:
            return std::nullopt;
    }
    const std::string_view stop = std::string_view(t).substr(2);
    if (stop == "1") {
        format.stopHalfBits = 2;
    } else if (stop == "1.5") {
        format.stopHalfBits = 3;
    } else if (stop == "2") {
        format.stopHalfBits = 4;
    } else {
        return std::nullopt;
    }
    return format;
}

double CharactersPerSecond(int baud, const LineFormat& format) {
    if (baud <= 0)
        return 0;
    const double bits = 1.0 + format.dataBits + (format.parity == FormatParity::None ? 0 : 1) +
                        format.stopHalfBits / 2.0;
    return baud / bits;
}

LinePacer::LinePacer(double cps) : cps_(cps > 0 ? cps : 0) {
    if (cps_ > 0) {
        characterTime_ =
            std::chrono::nanoseconds(static_cast<std::int64_t>(std::llround(1e9 / cps_)));
    }
}

std::size_t LinePacer::Allowance(std::chrono::nanoseconds now) const {
    if (!Paced())
        return SIZE_MAX;
    if (idle_)
        return 1;
    if (now <= lastArrival_)
        return 0;
    return static_cast<std::size_t>((now - lastArrival_) / characterTime_);
}

std::optional<std::chrono::nanoseconds> LinePacer::NextArrival(std::chrono::nanoseconds now) const {
    if (!Paced())
        return std::nullopt;
    if (idle_)
        return now;
    const auto next = lastArrival_ + characterTime_;
    return next > now ? next : now;
}

std::vector<std::chrono::nanoseconds> LinePacer::Took(std::size_t taken, std::size_t asked,
                                                      std::chrono::nanoseconds now) {
    std::vector<std::chrono::nanoseconds> arrivals;
    arrivals.reserve(taken);
    if (!Paced()) {
        arrivals.assign(taken, now);
        return arrivals;
    }
    for (std::size_t i = 0; i < taken; ++i) {
        if (idle_) {
            lastArrival_ = now;
            idle_ = false;
        } else {
            lastArrival_ += characterTime_;
        }
        arrivals.push_back(lastArrival_);
    }
    if (taken < asked)
        idle_ = true;
    return arrivals;
}

}  // namespace kelvantori::machine

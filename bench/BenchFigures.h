// The figures every benchmark prints: seconds of the steady clock and medians of rounds.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace kelvantori::bench {

inline double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The middle round (the upper one of an even count); 0 when there was none.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace kelvantori::bench

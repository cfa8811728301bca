// The character rate of a serial line and a pacer that lets the machine take characters from a
// pseudo-terminal no faster than that line would deliver them. A pseudo-terminal moves data at
// memory speed; pacing the reads makes it behave like a 4800 or 19200 baud line, with the
// characters the line has not delivered yet waiting in the kernel's buffer.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace kelvantori::machine {

enum class FormatParity { None, Even, Odd };

struct LineFormat {
    int dataBits = 8;
    FormatParity parity = FormatParity::None;
    int stopHalfBits = 2;  // stop bits in halves: 2 = one, 3 = one and a half, 4 = two
    bool operator==(const LineFormat&) const = default;
};

// "8N1", "7E2", "7O1.5", also with commas as in "8,N,2". Data bits 5..8, parity N/E/O, stop bits
// 1, 1.5 or 2.
std::optional<LineFormat> ParseLineFormat(std::string_view text);

// baud / (start bit + data bits + parity bit + stop bits).
double CharactersPerSecond(int baud, const LineFormat& format);

// Hands out arrival times for characters on a line of a given rate. While data keeps coming the
// characters arrive one character time apart; a line that ran dry (the kernel had fewer characters
// than the machine asked for) banks no time, so the next character arrives when it is seen.
class LinePacer {
  public:
    // cps 0: no pacing, every waiting character is taken at once.
    explicit LinePacer(double cps);

    bool Paced() const { return cps_ > 0; }
    double Cps() const { return cps_; }
    std::chrono::nanoseconds CharacterTime() const { return characterTime_; }

    // How many characters the line has delivered by now; SIZE_MAX without pacing.
    std::size_t Allowance(std::chrono::nanoseconds now) const;
    // When the next character will have arrived (now or later); nullopt without pacing.
    std::optional<std::chrono::nanoseconds> NextArrival(std::chrono::nanoseconds now) const;
    // The machine took `taken` characters at now, having asked for `asked`; returns their arrival
    // times. Fewer than asked means the line ran dry after them.
    std::vector<std::chrono::nanoseconds> Took(std::size_t taken, std::size_t asked,
                                               std::chrono::nanoseconds now);

  private:
    double cps_;
    std::chrono::nanoseconds characterTime_{0};
    std::chrono::nanoseconds lastArrival_{0};
    bool idle_ = true;
};

}  // namespace kelvantori::machine

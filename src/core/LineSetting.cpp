// The line setting text ("4800,8,N,2") read the way the port opening reads it, the settings the
// panel offers, and the time one character takes on the line.
#include "core/LineSetting.h"

#include <array>
#include <optional>

namespace kelvantori {

namespace {

constexpr std::array<int, 6> kSpeeds = {1200, 2400, 4800, 9600, 14400, 19200};

// A 32-bit decimal integer with optional leading blanks and sign, and nothing after it. Old
// settings files were written by hand, so a stray blank before a number is tolerated; anything
// else in a field, or a number beyond 32 bits, makes the whole text unreadable.
std::optional<long long> ReadInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2'147'483'648LL)
            return std::nullopt;
    }
    if (!negative && value > 2'147'483'647LL)
        return std::nullopt;
    return negative ? -value : value;
}

// 1-based position of the first occurrence of letter, 0 when it does not occur.
std::size_t PositionOf(std::string_view text, char letter) {
    const auto at = text.find(letter);
    return at == std::string_view::npos ? 0 : at + 1;
}

}  // namespace

LineSettingResult ParseLineSetting(std::string_view text) {
    LineSettingResult result;
    const auto malformed = [&result] {
        result.error = LineSettingError::Malformed;
        return result;
    };

    const auto comma = text.find(',');
    if (comma == std::string_view::npos)
        return malformed();
    const auto speed = ReadInteger(text.substr(0, comma));
    if (!speed)
        return malformed();
    bool known = false;
    for (const int s : kSpeeds)
        known = known || s == *speed;
    if (!known) {
        result.error = LineSettingError::BadSpeed;
        return result;
    }
    result.setting.speed = static_cast<int>(*speed);

    if (comma + 1 >= text.size())
        return malformed();
    const char digit = text[comma + 1];
    if (digit < '0' || digit > '9')
        return malformed();

    // Positions are 1-based; 0 means the letter was not found, and the stop bits are then read
    // from the second character on, which never reads as a number in a well-formed text.
    std::size_t letterAt = 0;
    if (digit == '8') {
        result.setting.dataBits = 8;
        result.setting.parity = Parity::None;
        letterAt = PositionOf(text, 'N');
        if (letterAt == 0)
            letterAt = PositionOf(text, 'E');
        if (letterAt == 0)
            letterAt = PositionOf(text, 'O');
    } else {
        result.setting.dataBits = digit - '0';
        if (const auto n = PositionOf(text, 'N'); n != 0) {
            result.setting.parity = Parity::None;
            letterAt = n;
        } else if (const auto e = PositionOf(text, 'E'); e != 0) {
            result.setting.parity = Parity::Even;
            letterAt = e;
        } else {
            result.setting.parity = Parity::Odd;
            letterAt = PositionOf(text, 'O');
        }
    }

    // 1-based position letterAt + 2 is 0-based index letterAt + 1.
    const std::size_t stopFrom = letterAt + 1;
    const auto stop =
        ReadInteger(stopFrom < text.size() ? text.substr(stopFrom) : std::string_view{});
    if (!stop)
        return malformed();
    result.setting.stopBits = *stop == 1   ? StopBits::One
                              : *stop == 2 ? StopBits::Two
                                           : StopBits::OnePointFive;
    return result;
}

char DataBitDigit(std::string_view text) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos || comma + 1 >= text.size())
        return 0;
    return text[comma + 1];
}

const std::vector<std::string>& OfferedLineSettings() {
    static const std::vector<std::string> offered = [] {
        static constexpr std::array<const char*, 8> kForms = {"8,N,1", "8,N,2", "7,N,1", "7,N,2",
                                                              "7,E,1", "7,E,2", "7,O,1", "7,O,2"};
        std::vector<std::string> texts;
        texts.reserve(kSpeeds.size() * kForms.size());
        for (const int speed : kSpeeds) {
            for (const char* form : kForms)
                texts.push_back(std::to_string(speed) + "," + form);
        }
        return texts;
    }();
    return offered;
}

std::chrono::nanoseconds CharacterTime(const LineSetting& setting) {
    if (setting.speed <= 0)
        return std::chrono::nanoseconds{0};
    // Counted in half bits so that 1.5 stop bits stay exact.
    const long long stopHalves = setting.stopBits == StopBits::One            ? 2
                                 : setting.stopBits == StopBits::OnePointFive ? 3
                                                                              : 4;
    const long long parityBits = setting.parity == Parity::None ? 0 : 1;
    const long long halfBits = 2 * (1 + setting.dataBits + parityBits) + stopHalves;
    return std::chrono::nanoseconds{halfBits * 1'000'000'000LL / (2LL * setting.speed)};
}

}  // namespace kelvantori

// Tape code conversion one character at a time: ISO parity, the EIA RS-244 table, the receive
// decoding with its DC1/DC3 handshake, and the framing sequences of a send.
#include "core/TapeCode.h"

#include <array>
#include <bit>
#include <utility>

namespace kelvantori {

namespace {

// The EIA RS-244 assignment. Every byte has an odd number of one bits (track 5 is the parity
// track), which is what lets a receive tell EIA from ISO by the first byte.
constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 47> kEiaTable = {{
    {'0', 0x20}, {'1', 0x01}, {'2', 0x02}, {'3', 0x13},  {'4', 0x04}, {'5', 0x15}, {'6', 0x16},
    {'7', 0x07}, {'8', 0x08}, {'9', 0x19}, {'A', 0x61},  {'B', 0x62}, {'C', 0x73}, {'D', 0x64},
    {'E', 0x75}, {'F', 0x76}, {'G', 0x67}, {'H', 0x68},  {'I', 0x79}, {'J', 0x51}, {'K', 0x52},
    {'L', 0x43}, {'M', 0x54}, {'N', 0x45}, {'O', 0x46},  {'P', 0x57}, {'Q', 0x58}, {'R', 0x49},
    {'S', 0x32}, {'T', 0x23}, {'U', 0x34}, {'V', 0x25},  {'W', 0x26}, {'X', 0x37}, {'Y', 0x38},
    {'Z', 0x29}, {'%', 0x0B}, {'(', 0x1A}, {')', 0x4A},  {'+', 0x70}, {'-', 0x40}, {'/', 0x31},
    {'.', 0x6B}, {'&', 0x0E}, {',', 0x3B}, {'\n', 0x80}, {' ', 0x10},
}};

struct EiaMaps {
    std::array<std::int16_t, 256> encode{};  // character -> byte, -1 for none
    std::array<std::uint8_t, 256> decode{};  // byte -> character, 0 for none
};

constexpr EiaMaps BuildEiaMaps() {
    EiaMaps maps;
    for (auto& e : maps.encode)
        e = -1;
    for (const auto& [character, byte] : kEiaTable) {
        maps.encode[character] = byte;
        maps.decode[byte] = character;
    }
    // ":" stands for "O" as a program number on the PC side; EIA has no colon.
    maps.encode[':'] = 0x46;
    // The handshake codes go out as themselves so that the end DC4 reaches an EIA machine.
    for (std::uint8_t c = kDC1; c <= kDC4; ++c)
        maps.encode[c] = c;
    return maps;
}

constexpr EiaMaps kEia = BuildEiaMaps();

bool OddOnes(std::uint8_t b) {
    return (std::popcount(b) & 1) != 0;
}

}  // namespace

std::uint8_t IsoWithParity(std::uint8_t c) {
    if (c >= 0x80)
        return c;
    return OddOnes(c) ? static_cast<std::uint8_t>(c | 0x80) : c;
}

std::optional<std::uint8_t> EiaEncode(std::uint8_t c) {
    const auto b = kEia.encode[c];
    if (b < 0)
        return std::nullopt;
    return static_cast<std::uint8_t>(b);
}

std::uint8_t EiaDecode(std::uint8_t b) {
    return kEia.decode[b];
}

std::optional<std::uint8_t> ConvertForSend(std::uint8_t c, const SendCode& code) {
    if (code.spaceCut && c == ' ')
        return std::nullopt;
    // On a 7-bit line the port itself makes the parity bit; the automatic-switching digits
    // must reach the switch exactly as typed.
    if (code.sevenBit || code.raw)
        return c;
    if (!code.eia)
        return IsoWithParity(c);
    return EiaEncode(c);
}

std::uint8_t DecodeLineByte(std::uint8_t byte, CodeState& state, bool& XonState) {
    if (byte == kDC1) {
        XonState = true;
        return kDC1;
    }
    // 0x13 is the EIA digit 3, so while EIA bytes are decoded only the DC3 with its parity bit
    // pauses. With both flags set (a 7-bit line) the byte cannot be EIA: the port strips the
    // parity bit, so 0x13 is the only form in which the machine's DC3 can arrive there.
    const bool eiaDecoding = state.EiaMode && !state.IsoMode;
    if (byte == kDC3 && !eiaDecoding) {
        XonState = false;
        return kDC3;
    }
    if (byte == kDC3WithParity) {
        XonState = false;
        return kDC3;
    }
    if (byte == 0x00 || byte == kDC2 || byte == kDC4)
        return byte;

    if (!state.IsoMode && !state.EiaMode) {
        const bool eia = OddOnes(byte);
        state.EiaMode = eia;
        state.IsoMode = !eia;
    }
    if (state.IsoMode && !state.EiaMode)
        return static_cast<std::uint8_t>(byte & 0x7F);
    if (state.EiaMode && !state.IsoMode)
        return EiaDecode(byte);
    return byte;
}

std::string StartSequence(std::string_view StartChar, int StartChar_Type) {
    if (StartChar != "Y")
        return "\n";
    switch (StartChar_Type) {
        case 1:
            return "%\n";
        case 2:
            return "%%\n";
        case 3:
            return "% *\n";
        case 4:
            return "%";
        case 5:
            return "%%";
        default:
            // 0, and any number the settings panel never offers: the program starts unframed.
            return "";
    }
}

std::string EndSequence(std::string_view EndChar, int EndChar_Type) {
    if (EndChar != "Y")
        return std::string(1, static_cast<char>(kDC4));
    switch (EndChar_Type) {
        case 1:
            return "\n%";
        case 2:
            return "\n%%";
        case 3:
            return "\n%\n";
        case 4:
            return "\n%%\n";
        default:
            return "";
    }
}

}  // namespace kelvantori

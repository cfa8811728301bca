// The controller's code tables and parity checks.
#include "machine/MachineCode.h"

#include <array>
#include <bit>
#include <utility>

namespace kelvantori::machine {

namespace {

constexpr std::uint8_t kNul = 0x00;
constexpr std::uint8_t kDel = 0x7F;
constexpr std::uint8_t kEiaEndOfBlock = 0x80;

// RS-244: every code has an odd number of holes; track 8 (bit 7) is used by end of block only.
constexpr std::array<std::pair<char, std::uint8_t>, 47> kEiaTable{{
    {'0', 0x20}, {'1', 0x01},
    {'2', 0x02}, {'3', 0x13},
    {'4', 0x04}, {'5', 0x15},
    {'6', 0x16}, {'7', 0x07},
    {'8', 0x08}, {'9', 0x19},
    {'A', 0x61}, {'B', 0x62},
    {'C', 0x73}, {'D', 0x64},
    {'E', 0x75}, {'F', 0x76},
    {'G', 0x67}, {'H', 0x68},
    {'I', 0x79}, {'J', 0x51},
    {'K', 0x52}, {'L', 0x43},
    {'M', 0x54}, {'N', 0x45},
    {'O', 0x46}, {'P', 0x57},
    {'Q', 0x58}, {'R', 0x49},
    {'S', 0x32}, {'T', 0x23},
    {'U', 0x34}, {'V', 0x25},
    {'W', 0x26}, {'X', 0x37},
    {'Y', 0x38}, {'Z', 0x29},
    {'%', 0x0B}, {'(', 0x1A},
    {')', 0x4A}, {'+', 0x70},
    {'-', 0x40}, {'/', 0x31},
    {'.', 0x6B}, {'&', 0x0E},
    {',', 0x3B}, {'\n', kEiaEndOfBlock},
    {' ', 0x10},
}};

constexpr std::array<char, 256> BuildEiaDecodeTable() {
    std::array<char, 256> table{};
    for (const auto& [c, b] : kEiaTable)
        table[b] = c;
    return table;
}
constexpr std::array<char, 256> kEiaDecode = BuildEiaDecodeTable();

constexpr std::array<std::uint8_t, 256> BuildEiaEncodeTable() {
    std::array<std::uint8_t, 256> table{};
    for (const auto& [c, b] : kEiaTable)
        table[static_cast<unsigned char>(c)] = b;
    // A program number written ":1234" punches with the EIA "O".
    table[':'] = 0x46;
    return table;
}
constexpr std::array<std::uint8_t, 256> kEiaEncode = BuildEiaEncodeTable();

bool IsTextCharacter(std::uint8_t c) {
    return c == '\n' || c == '\r' || c == '\t' || (c >= 0x20 && c < 0x7F);
}

// A 7-bit character as the ISO and 7-bit readers classify it.
DecodedByte ClassifySevenBit(std::uint8_t c, bool parityError) {
    DecodedByte d;
    d.parityError = parityError;
    switch (c) {
        case kNul:
        case kDel:
            d.kind = ByteKind::Feed;
            return d;
        case 0x11:
            d.kind = ByteKind::Dc1;
            return d;
        case 0x12:
            d.kind = ByteKind::Dc2;
            return d;
        case 0x13:
            d.kind = ByteKind::Dc3;
            return d;
        case 0x14:
            d.kind = ByteKind::Dc4;
            return d;
        default:
            break;
    }
    if (IsTextCharacter(c)) {
        d.kind = ByteKind::Character;
        d.character = static_cast<char>(c);
    } else {
        d.kind = ByteKind::Undefined;
    }
    return d;
}

// The control bytes the PC puts on the line whatever the code: DC1, DC2 and DC4 as themselves,
// DC3 as 0x93. In EIA 0x13 is the digit 3, so only these four are recognised before the code is
// known.
std::optional<ByteKind> FixedControl(std::uint8_t byte) {
    switch (byte) {
        case 0x11:
            return ByteKind::Dc1;
        case 0x12:
            return ByteKind::Dc2;
        case 0x14:
            return ByteKind::Dc4;
        case 0x93:
            return ByteKind::Dc3;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<MachineCode> ParseMachineCode(std::string_view text) {
    if (text == "iso")
        return MachineCode::Iso;
    if (text == "eia")
        return MachineCode::Eia;
    if (text == "7bit")
        return MachineCode::SevenBit;
    if (text == "auto")
        return MachineCode::Auto;
    return std::nullopt;
}

std::string_view MachineCodeName(MachineCode code) {
    switch (code) {
        case MachineCode::Iso:
            return "iso";
        case MachineCode::Eia:
            return "eia";
        case MachineCode::SevenBit:
            return "7bit";
        case MachineCode::Auto:
            return "auto";
    }
    return "auto";
}

bool HasEvenParity(std::uint8_t byte) {
    return std::popcount(byte) % 2 == 0;
}

DecodedByte DecodeIso(std::uint8_t byte) {
    // A NUL is blank tape, not a character, so it has no parity to check.
    if (byte == kNul)
        return DecodedByte{ByteKind::Feed, 0, false};
    return ClassifySevenBit(byte & 0x7F, !HasEvenParity(byte));
}

DecodedByte DecodeEia(std::uint8_t byte) {
    if (byte == kNul || byte == kDel)
        return DecodedByte{ByteKind::Feed, 0, false};
    if (const auto control = FixedControl(byte))
        return DecodedByte{*control, 0, false};
    if (HasEvenParity(byte))
        return DecodedByte{ByteKind::BadParity, 0, true};
    const char c = kEiaDecode[byte];
    if (c == 0)
        return DecodedByte{ByteKind::Undefined, 0, false};
    return DecodedByte{ByteKind::Character, c, false};
}

DecodedByte DecodeSevenBit(std::uint8_t byte) {
    // A 7-data-bit line delivers seven bits; whatever sits in bit 7 never reached the reader.
    return ClassifySevenBit(byte & 0x7F, false);
}

std::optional<std::uint8_t> EncodeCharacter(char c, MachineCode code) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80)
        return std::nullopt;
    switch (code) {
        case MachineCode::Eia: {
            if (u >= 0x11 && u <= 0x14)
                return u;
            const std::uint8_t b = kEiaEncode[u];
            if (b == 0)
                return std::nullopt;
            return b;
        }
        case MachineCode::SevenBit:
            return u;
        case MachineCode::Iso:
        case MachineCode::Auto:
            break;
    }
    return HasEvenParity(u) ? u : static_cast<std::uint8_t>(u | 0x80);
}

std::uint8_t DeleteByte(MachineCode code) {
    return code == MachineCode::Iso || code == MachineCode::Auto ? 0xFF : kDel;
}

DecodedByte CodeReader::Decode(std::uint8_t byte) {
    if (current_ == MachineCode::Auto) {
        if (byte == kNul || byte == kDel || byte == 0xFF)
            return DecodedByte{ByteKind::Feed, 0, false};
        if (const auto control = FixedControl(byte))
            return DecodedByte{*control, 0, false};
        current_ = HasEvenParity(byte) ? MachineCode::Iso : MachineCode::Eia;
    }
    switch (current_) {
        case MachineCode::Iso:
            return DecodeIso(byte);
        case MachineCode::Eia:
            return DecodeEia(byte);
        case MachineCode::SevenBit:
            return DecodeSevenBit(byte);
        case MachineCode::Auto:
            break;
    }
    return DecodeIso(byte);
}

}  // namespace kelvantori::machine

// The machine's side of the tape: how each line byte reads in ISO, EIA and 7-bit, and what a
// punch puts on the line.
#include "machine/MachineCode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/TapeCode.h"
#include "machine/PunchTape.h"

namespace kelvantori::machine {
namespace {

using namespace std::string_literals;

DecodedByte Char(char c, bool parityError = false) {
    return DecodedByte{ByteKind::Character, c, parityError};
}
DecodedByte Kind(ByteKind kind, bool parityError = false) {
    return DecodedByte{kind, 0, parityError};
}

TEST(MachineCodeTest, DecodesEachByteInTheConfiguredCode) {
    using enum MachineCode;
    using enum ByteKind;
    // ISO: even parity over eight bits; a character with the wrong parity is still read. EIA: odd
    // parity; 0x13 is the digit 3, end of block and end of record read as LF and %. 7-bit: no
    // parity to check, bit 7 never arrives.
    const struct {
        MachineCode code;
        std::uint8_t byte;
        DecodedByte expected;
    } rows[] = {
        // clang-format off
        {Iso, 0xA5, Char('%')}, {Iso, 0x25, Char('%', true)}, {Iso, 0xC7, Char('G', true)},
        {Iso, 0x93, Kind(Dc3)}, {Iso, 0x13, Kind(Dc3, true)}, {Iso, 0x11, Kind(Dc1)},
        {Iso, 0x12, Kind(Dc2)}, {Iso, 0x14, Kind(Dc4)},       {Iso, 0x00, Kind(Feed)},
        {Iso, 0xFF, Kind(Feed)}, {Iso, 0x03, Kind(Undefined)},
        {Eia, 0x13, Char('3')}, {Eia, 0x80, Char('\n')},      {Eia, 0x0B, Char('%')},
        {Eia, 0x93, Kind(Dc3)}, {Eia, 0x11, Kind(Dc1)},       {Eia, 0x14, Kind(Dc4)},
        {Eia, 0x21, Kind(BadParity, true)}, {Eia, 0xA5, Kind(BadParity, true)},
        {Eia, 0x3E, Kind(Undefined)}, {Eia, 0x00, Kind(Feed)}, {Eia, 0x7F, Kind(Feed)},
        {SevenBit, 0x25, Char('%')}, {SevenBit, 0xC7, Char('G')}, {SevenBit, 0x13, Kind(Dc3)},
        {SevenBit, 0x93, Kind(Dc3)}, {SevenBit, 'g', Char('g')},
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CodeReader(row.code).Decode(row.byte), row.expected)
            << MachineCodeName(row.code) << " byte " << int{row.byte};
    }
}

// The machine keeps its own tables so that a slip in either side's table shows up here instead
// of cancelling out over the line.
TEST(MachineCodeTest, AgreesWithThePcSideOnEveryCharacter) {
    for (int c = 0; c < 0x80; ++c) {
        SCOPED_TRACE(c);
        const auto u = static_cast<std::uint8_t>(c);
        EXPECT_EQ(EncodeCharacter(static_cast<char>(c), MachineCode::Iso), IsoWithParity(u));
        EXPECT_EQ(EncodeCharacter(static_cast<char>(c), MachineCode::Eia), EiaEncode(u));
    }
    for (int b = 0; b < 0x100; ++b) {
        SCOPED_TRACE(b);
        const DecodedByte d = DecodeEia(static_cast<std::uint8_t>(b));
        const std::uint8_t pc = EiaDecode(static_cast<std::uint8_t>(b));
        if (pc >= 0x20 || pc == '\n') {
            EXPECT_EQ(d, Char(static_cast<char>(pc)));
        } else {
            EXPECT_NE(d.kind, ByteKind::Character) << "the PC side has no character for it";
        }
    }
}

// The bytes below are worked out by hand from the code tables: ISO sets bit 7 where the seven
// bits hold an odd number of ones ("O" 0x4F -> 0xCF, "1" 0x31 -> 0xB1, "%" 0x25 -> 0xA5).
TEST(PunchTapeTest, PunchesLeaderFramingCodeAndDc4) {
    using enum MachineCode;
    using enum LeaderKind;
    const struct {
        const char* text;
        PunchSettings settings;
        std::string expected;
        std::size_t dropped = 0;
    } rows[] = {
        // clang-format off
        {"O1\nM30", {Iso, {3, Nul}, true, true}, "\0\0\0\xA5\n\xCF\xB1\nM30\n\xA5\n\x14"s},
        {"O1\nM30", {Eia, {2, Delete}, true, true},
         "\x7F\x7F\v\x80\x46\x01\x80T\x13 \x80\v\x80\x14"},
        {"O2", {Iso, {2, Space}, false}, "\xA0\xA0\xCF\xB2\n"},
        {"O2", {Eia, {2, Space}, false}, "\x10\x10\x46\x02\x80"},
        {"O2", {Eia, {1, Byte, 0xAA}, false}, "\xAA\x46\x02\x80"},
        {"O2", {Auto, {}, false}, "\xCF\xB2\n"},
        // The file's own "%" lines and its empty last lines give way to the punch's framing.
        {"%\nO1\n%\n\n", {SevenBit, {}, true}, "%\nO1\n%\n"},
        {"%\nO1\n%", {SevenBit, {}, false}, "O1\n"},
        {"O1*;a", {Eia, {}, false}, "\x46\x01\x80", 3},
        {"O3(\x83\xA0)", {Iso, {}, false}, "\xCF\x33\x28\xA9\n", 2},
        // clang-format on
    };
    for (const auto& row : rows) {
        const PunchTape tape = BuildPunchTape(SplitProgramLines(row.text), row.settings);
        EXPECT_EQ(tape.bytes, row.expected) << row.text;
        EXPECT_EQ(tape.dropped, row.dropped) << row.text;
    }
}

}  // namespace
}  // namespace kelvantori::machine

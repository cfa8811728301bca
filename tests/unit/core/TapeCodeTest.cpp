// Byte-exact tape code and the line setting text: what goes on the line for each character, what
// a received byte means, and how the port reads "4800,8,N,2".
#include "core/TapeCode.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/LineSetting.h"

namespace kelvantori {
namespace {

// Written out from the RS-244 assignment, independently of the table in the code.
const std::string kEiaCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ%()+-/.&,\n ";
const std::string kEiaBytes =
    "\x20\x01\x02\x13\x04\x15\x16\x07\x08\x19"              // 0-9
    "\x61\x62\x73\x64\x75\x76\x67\x68\x79\x51\x52\x43\x54"  // A-M
    "\x45\x46\x57\x58\x49\x32\x23\x34\x25\x26\x37\x38\x29"  // N-Z
    "\x0B\x1A\x4A\x70\x40\x31\x6B\x0E\x3B\x80\x10";         // %()+-/.&, LF space

TEST(TapeCode, IsoEvenParityAndTheEiaTableInBothDirections) {
    for (unsigned c = 0; c < 256; ++c) {
        const unsigned out = IsoWithParity(static_cast<std::uint8_t>(c));
        const bool odd = std::popcount(c) % 2 != 0;
        EXPECT_EQ(out, c < 0x80 && odd ? c | 0x80 : c) << "character " << c;
    }
    // ":" goes out as "O"; the DC codes have line forms of their own; nothing else has one.
    ASSERT_EQ(kEiaCharacters.size(), kEiaBytes.size());
    const std::string encodable = kEiaCharacters + ":\x11\x12\x13\x14";
    for (unsigned c = 0; c < 256; ++c) {
        const auto b = static_cast<std::uint8_t>(c);
        const auto at = kEiaCharacters.find(static_cast<char>(c));
        const auto atByte = kEiaBytes.find(static_cast<char>(c));
        if (at != std::string::npos)
            EXPECT_EQ(EiaEncode(b), static_cast<std::uint8_t>(kEiaBytes[at])) << "character " << c;
        else
            EXPECT_EQ(EiaEncode(b).has_value(),
                      encodable.find(static_cast<char>(c)) != std::string::npos)
                << c;
        EXPECT_EQ(EiaDecode(b), atByte == std::string::npos ? 0 : kEiaCharacters[atByte])
            << "byte " << c;
    }
    EXPECT_EQ(std::vector({EiaEncode(':'), EiaEncode(kDC1), EiaEncode(kDC4)}),
              std::vector<std::optional<std::uint8_t>>({0x46, kDC1, kDC4}));
}

TEST(TapeCode, ConvertForSend) {
    constexpr SendCode kIso{}, kEia{.eia = true}, kIsoCut{.spaceCut = true}, kRawIso{.raw = true};
    constexpr SendCode kEiaCut{.spaceCut = true, .eia = true}, kRawEia{.eia = true, .raw = true};
    constexpr SendCode kSevenCut{.spaceCut = true, .sevenBit = true};
    constexpr std::optional<std::uint8_t> no;
    const std::vector<std::tuple<char, SendCode, std::optional<std::uint8_t>>> rows = {
        // clang-format off
        {'%', kIso, 0xA5},    {'a', kIso, 0xE1},    {' ', kIsoCut, no},     {'X', kIsoCut, 0xD8},
        {':', kEia, 0x46},    {' ', kEia, 0x10},    {'\r', kEia, no},       {'g', kEia, no},
        {' ', kEiaCut, no},   {' ', kSevenCut, no}, {'1', kRawIso, 0x31},   {'1', kRawEia, 0x31},
        {'-', kRawEia, 0x2D}};
    // clang-format on
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [c, code, line] = rows[i];
        EXPECT_EQ(ConvertForSend(static_cast<std::uint8_t>(c), code), line) << "row " << i;
    }
    // On a 7-bit line the port adds the parity: every character goes out unchanged.
    for (const bool eia : {false, true}) {
        for (unsigned c = 0; c < 128; ++c) {
            EXPECT_EQ(ConvertForSend(static_cast<std::uint8_t>(c), {.sevenBit = true, .eia = eia}),
                      c)
                << "character " << c << (eia ? " EIA" : " ISO");
        }
    }
}

// a: not yet detected, i: ISO, e: EIA, b: both (a 7-bit line).
CodeState Mode(char m) {
    return CodeState{.IsoMode = m == 'i' || m == 'b', .EiaMode = m == 'e' || m == 'b'};
}
char ModeOf(CodeState s) {
    return s.IsoMode ? (s.EiaMode ? 'b' : 'i') : (s.EiaMode ? 'e' : 'a');
}

TEST(TapeCode, DecodeLineByteDetectsTheCodeAndFollowsDc1Dc3) {
    // name, mode before, XON before, byte, character, mode after, XON after
    using Row = std::tuple<const char*, char, bool, std::uint8_t, std::uint8_t, char, bool>;
    const std::vector<Row> rows = {
        {"odd first byte selects EIA", 'a', true, 0x0B, '%', 'e', true},
        {"even first byte selects ISO", 'a', true, 0xA5, '%', 'i', true},
        {"DC1 sets XON", 'e', false, 0x11, 0x11, 'e', true},
        {"DC1 does not decide the code", 'a', false, 0x11, 0x11, 'a', true},
        {"EIA 0x13 is the digit 3", 'e', true, 0x13, '3', 'e', true},
        {"EIA 0x93 pauses", 'e', true, 0x93, 0x13, 'e', false},
        {"ISO 0x93 pauses", 'i', true, 0x93, 0x13, 'i', false},
        {"ISO 0x13 pauses", 'i', true, 0x13, 0x13, 'i', false},
        {"0x13 pauses before detection", 'a', true, 0x13, 0x13, 'a', false},
        {"0x13 pauses on a 7-bit line", 'b', true, 0x13, 0x13, 'b', false},
        {"ISO clears the parity bit", 'i', true, 0xB1, '1', 'i', true},
        {"EIA byte outside the table", 'e', true, 0x03, 0, 'e', true},
        {"7-bit line passes bytes unchanged", 'b', true, 0xC7, 0xC7, 'b', true},
        {"a chosen mode stays", 'i', true, 0x0B, 0x0B, 'i', true}};
    for (const auto& [name, before, xonBefore, byte, character, after, xonAfter] : rows) {
        CodeState state = Mode(before);
        bool xon = xonBefore;
        EXPECT_EQ(DecodeLineByte(byte, state, xon), character) << name;
        EXPECT_EQ(std::pair(ModeOf(state), xon), std::pair(after, xonAfter)) << name;
    }
}

TEST(TapeCode, StartAndEndSequences) {
    std::string starts, ends;
    for (int type = 0; type <= 6; ++type) {
        starts += StartSequence("Y", type) + "|";
        ends += EndSequence("Y", type) + "|";
    }
    EXPECT_EQ(starts, "|%\n|%%\n|% *\n|%|%%||");
    EXPECT_EQ(ends, "|\n%|\n%%|\n%\n|\n%%\n|||");
    // Switched off (anything but "Y"): a bare line feed in front and DC4 at the end.
    EXPECT_EQ(StartSequence("N", 1) + StartSequence("N", 4) + StartSequence("y", 1), "\n\n\n");
    EXPECT_EQ(EndSequence("N", 1) + EndSequence("N", 0), "\x14\x14");
}

// 8 data bits never carry parity. "N" anywhere is the letter chosen, and the stop bits are read
// two characters after it; without any letter they start at the second character.
TEST(LineSetting, ReadsTheTextAsThePortOpeningDoes) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        // clang-format off
        {"4800,8,N,2", "4800 8N 2"},   {"4800,8,E,2", "4800 8N 2"},   {"14400,8,O,1", "14400 8N 1"},
        {"4800,7,E,2", "4800 7E 2"},   {"19200,7,O,1", "19200 7O 1"}, {"1200,7,N,1", "1200 7N 1"},
        {"9600,7,E,3", "9600 7E 1.5"}, {"9600,8,N,0", "9600 8N 1.5"}, {"2400,6,E,1", "2400 6E 1"},
        {"4800,7,E,N,1", "4800 7N 1"}, {"4800,7,E,N", "malformed"},   {" 4800,8,N,1", "4800 8N 1"},
        {"38400,8,N,2", "bad speed"},  {"0,8,N,2", "bad speed"},      {"38400,x,N,2", "bad speed"},
        {"abc,8,N,2", "malformed"},    {"4294972096,8,N,2", "malformed"},  {"4800", "malformed"},
        {"", "malformed"},             {"4800,", "malformed"},        {"4800,x,N,2", "malformed"},
        {"4800,8,N,x", "malformed"},   {"4800,8,N", "malformed"},     {"4800,8,N,2 ", "malformed"},
        {"4800,8", "malformed"},       {"4800,8,n,2", "malformed"}};
    // clang-format on
    for (const auto& [text, expected] : rows) {
        const auto r = ParseLineSetting(text);
        const auto& s = r.setting;
        const char* stopBits[] = {"1", "1.5", "2"};  // One, OnePointFive, Two
        const std::string read =
            r.error == LineSettingError::None
                ? std::to_string(s.speed) + " " + std::to_string(s.dataBits) +
                      "NEO"[static_cast<int>(s.parity)] + " " +
                      stopBits[static_cast<int>(s.stopBits)]
                : (r.error == LineSettingError::BadSpeed ? "bad speed" : "malformed");
        EXPECT_EQ(read, expected) << text;
    }
    EXPECT_EQ(std::string({DataBitDigit("4800,7,E,2"), DataBitDigit(",x"), DataBitDigit("4800,")}),
              std::string("7x\0", 3));
}

TEST(LineSetting, FortyEightOfferedTextsAndTheCharacterTime) {
    std::vector<std::string> expected;
    for (const char* speed : {"1200", "2400", "4800", "9600", "14400", "19200"}) {
        for (const char* form :
             {"8,N,1", "8,N,2", "7,N,1", "7,N,2", "7,E,1", "7,E,2", "7,O,1", "7,O,2"})
            expected.push_back(std::string(speed) + "," + form);
    }
    EXPECT_EQ(OfferedLineSettings(), expected);
    // 1 start + 8 data + 2 stop = 11 bits; 1 + 7 + parity + 1.5 = 10.5.
    EXPECT_EQ(CharacterTime({4800, 8, Parity::None, StopBits::Two}).count(), 2'291'666);
    EXPECT_EQ(CharacterTime({1200, 7, Parity::Odd, StopBits::OnePointFive}).count(), 8'750'000);
}

}  // namespace
}  // namespace kelvantori

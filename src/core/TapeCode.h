// Tape code on the serial line: ISO (7-bit ASCII with even parity in bit 7) and EIA RS-244, the
// control codes DC1..DC4, and the start and end sequences that frame a program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvantori {

inline constexpr std::uint8_t kDC1 = 0x11;
inline constexpr std::uint8_t kDC2 = 0x12;
inline constexpr std::uint8_t kDC3 = 0x13;
inline constexpr std::uint8_t kDC3WithParity = 0x93;
inline constexpr std::uint8_t kDC4 = 0x14;
inline constexpr char kLineFeed = '\n';

// How the characters of a send go out.
struct SendCode {
    bool spaceCut = false;  // Send_SP_Cut "Y": spaces are not sent
    bool sevenBit =
        false;         // data-bit digit not '8': every character unchanged (the port adds parity)
    bool eia = false;  // Code "Y"
    bool raw = false;  // RawSend: the automatic-switching digits go out unchanged
};

// Even parity over eight bits: bit 7 set when the low seven bits hold an odd number of ones.
// Bytes 0x80 and above pass unchanged.
std::uint8_t IsoWithParity(std::uint8_t c);

// The EIA byte of a PC-side character: the RS-244 table, ":" as 0x46 (the EIA "O"), DC1..DC4 as
// themselves. nullopt for every character that has no EIA form (lower case, CR, tab, "*", ";" ...).
std::optional<std::uint8_t> EiaEncode(std::uint8_t c);

// The PC-side character of an EIA byte, or 0 when the byte is not in the table.
std::uint8_t EiaDecode(std::uint8_t b);

// The send conversion of one character: the byte that goes on the line, or nullopt when nothing
// is sent (a cut space, a character without EIA form).
std::optional<std::uint8_t> ConvertForSend(std::uint8_t c, const SendCode& code);

// Receive-side code state. Both flags set: bytes pass unchanged (7-bit lines, R_Code 3).
// Neither set: the next byte decides by its parity (odd: EIA, even: ISO).
struct CodeState {
    bool IsoMode = false;
    bool EiaMode = false;
};

// One step of reading the line: the decoded character of a received byte, or 0 for none.
// DC1 sets XonState; DC3 (0x93 always, 0x13 only outside EIA, where 0x13 is the digit 3) clears
// it and yields 0x13; NUL, DC2 and DC4 are returned as they are.
std::uint8_t DecodeLineByte(std::uint8_t byte, CodeState& state, bool& XonState);

// PC-side characters of the start sequence (after the leader) and of the end sequence.
// They go through ConvertForSend like every other character.
std::string StartSequence(std::string_view StartChar, int StartChar_Type);
std::string EndSequence(std::string_view EndChar, int EndChar_Type);

}  // namespace kelvantori

// The tape code as the controller sees it: ISO (even parity over eight bits), EIA RS-244 (odd
// parity on track 5, end of block on track 8) and plain 7-bit characters, which is all a
// pseudo-terminal can carry when the PC side runs a 7-data-bit line (no parity bit exists there).
// The controller checks the parity of every character it reads; it keeps its own code table, so a
// fault in the PC's table shows up as a difference instead of cancelling out.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvantori::machine {

enum class MachineCode { Iso, Eia, SevenBit, Auto };

// "iso", "eia", "7bit", "auto" (the option texts), or nullopt.
std::optional<MachineCode> ParseMachineCode(std::string_view text);
std::string_view MachineCodeName(MachineCode code);

enum class ByteKind {
    Character,  // a character of the program text
    Dc1,
    Dc2,
    Dc3,
    Dc4,
    Feed,       // blank tape (NUL) or delete (every hole punched): the reader skips it
    BadParity,  // an EIA byte with even parity: no character can be read from it
    Undefined,  // right parity, but no character of the code
};

struct DecodedByte {
    ByteKind kind = ByteKind::Undefined;
    char character = 0;  // for ByteKind::Character
    bool parityError =
        false;  // counted by the reader; an ISO character is still taken by its 7 bits
    bool operator==(const DecodedByte&) const = default;
};

bool HasEvenParity(std::uint8_t byte);

DecodedByte DecodeIso(std::uint8_t byte);
DecodedByte DecodeEia(std::uint8_t byte);
DecodedByte DecodeSevenBit(std::uint8_t byte);

// The line byte of a text character in a code, or nullopt when the code has no form for it.
// Auto punches ISO. In EIA, DC1..DC4 go out as their own bytes (they have no EIA form).
std::optional<std::uint8_t> EncodeCharacter(char c, MachineCode code);

// The "delete" character (every hole of the code punched), used as tape leader.
std::uint8_t DeleteByte(MachineCode code);

// Decodes bytes in the configured code; with Auto the first byte that is not a control or feed
// byte decides by its parity (odd: EIA, even: ISO), and the decision holds until Reset().
class CodeReader {
  public:
    explicit CodeReader(MachineCode configured) : configured_(configured), current_(configured) {}

    DecodedByte Decode(std::uint8_t byte);
    // The code in use: Auto while an automatic reader has not decided yet.
    MachineCode Current() const { return current_; }
    // The next tape decides afresh (automatic detection only).
    void Reset() { current_ = configured_; }

  private:
    MachineCode configured_;
    MachineCode current_;
};

}  // namespace kelvantori::machine

// The line setting text of `Speed` ("4800,8,N,2"): speed, data bits, parity letter, stop bits.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

enum class Parity { None, Even, Odd };
enum class StopBits { One, OnePointFive, Two };

struct LineSetting {
    int speed = 4800;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::Two;
    bool operator==(const LineSetting&) const = default;
};

enum class LineSettingError {
    None,
    BadSpeed,  // a number, but not one of the six speeds: "通信設定（速度）を確認してください!!"
    Malformed,  // a field that does not read as a number: the port opening fails with
                // "通信エラー!!"
};

struct LineSettingResult {
    LineSettingError error = LineSettingError::None;
    LineSetting setting;
};

// Parses the text the way the port opening reads it:
// - speed: the integer before the first comma; only 1200, 2400, 4800, 9600, 14400, 19200;
// - data bits: the one character after the first comma. 8 means 8 bits and no parity whatever
//   letter follows; the parity letter's position is then that of the first "N", else "E", else "O".
//   Otherwise the digit is the byte size and the parity is None if "N" occurs anywhere, else Even
//   if "E" occurs, else Odd; the letter's position is that of the letter chosen;
// - stop bits: the text from two characters after the parity letter to the end: 1, 2, or any
//   other number for 1.5.
LineSettingResult ParseLineSetting(std::string_view text);

// The data-bit digit of the text (the character after its first comma), or 0 when there is none.
// The send conversion passes characters unchanged unless this is '8'.
char DataBitDigit(std::string_view text);

// The 48 texts offered by the settings panel: every speed ascending, each with the eight forms
// "8,N,1", "8,N,2", "7,N,1", "7,N,2", "7,E,1", "7,E,2", "7,O,1", "7,O,2".
const std::vector<std::string>& OfferedLineSettings();

// Time of one character on the line: start bit + data bits + parity bit + stop bits.
std::chrono::nanoseconds CharacterTime(const LineSetting& setting);

}  // namespace kelvantori

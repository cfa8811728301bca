// Doubling the value of one axis word (X, Y, Z, I, J, K, U, V, W) in every line of an NC program.
// Values are doubled exactly in decimal, keeping their number of decimals, so no digit of a
// coordinate is ever rounded.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/LineStream.h"
#include "core/ToolReport.h"

namespace kelvantori {

// Letters the axis field accepts; the axis is the letter in upper case.
inline constexpr std::string_view kAxisLetters = "XxYyZzIiJjKkUuVvWw";
// Characters that make up a value after the axis letter.
inline constexpr std::string_view kAxisValueCharacters = "0123456789.- ";
inline constexpr std::string_view kAxisRefusedMessage = "この文字は変更できません。\n";

// The axis for a typed letter ('x' -> 'X'), or nullopt when the letter is not accepted.
std::optional<char> AxisOfLetter(char typed);

// The output file's name: the file's name without its extension, "_2" and the extension of the
// mask: "A.TXT" under "*.NC" -> "A_2.NC".
std::string DoubleTargetName(std::string_view fileName, std::string_view mask);

// The value text doubled, with the decimals it was written with ("-1.25" -> "-2.50", "10." ->
// "20.0", ".5" -> "1.0", "0010" -> "20"); spaces around it are ignored. nullopt when the text
// does not read as a decimal number ("1.2.3", "- 5", ".").
std::optional<std::string> DoubleDecimalText(std::string_view valueText);

enum class AxisLineStatus {
    Unchanged,   // no axis letter, or no value after it
    Doubled,     // value holds the doubled value for [begin, end)
    NotANumber,  // the value text [begin, end) does not read as a number
};

struct AxisLineResult {
    AxisLineStatus status = AxisLineStatus::Unchanged;
    std::size_t begin = 0;  // the value text in the line
    std::size_t end = 0;    // without its trailing spaces, which stay in the line
    std::string value;      // the doubled value
};

// Looks at the first axis letter of the line (upper case only; a byte that is the second half
// of a Shift-JIS character is not a letter) and the value written after it.
AxisLineResult DoubleAxisInLine(std::string_view line, char axis);

// Converts one line in place (the file view); false when its value does not read as a number,
// which leaves the line as it was.
bool DoubleAxisLine(std::string& line, char axis, AxisLineStatus* status = nullptr);

enum class DoubleStatus { Done, NotANumber, ReadFailed, WriteFailed };

struct DoubleResult {
    DoubleStatus status = DoubleStatus::Done;
    std::size_t lineCount = 0;     // lines read
    std::size_t changedLines = 0;  // lines whose value was doubled
    std::size_t errorLine = 0;     // with NotANumber, from 1
    std::string errorValue;        // the value text that did not read
};

// Converts every line of the source into out (each line with CR LF) and flushes it. The caller
// saves the output only when the result is Done.
DoubleResult DoubleAxisValues(LineSource& lines, char axis, CrLfWriter& out);

// Axis + "軸を２倍に変換しました。\n変換ファイル名は " + name + "です。"
std::string DoubleDoneMessage(char axis, std::string_view outputName);

// What the user is told. failureDetail says why reading or writing failed.
ToolReport DoubleReport(const DoubleResult& result, char axis, std::string_view outputName,
                        std::string_view failureDetail = {});

}  // namespace kelvantori

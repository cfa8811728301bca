// Axis value doubling: finding the word, exact decimal arithmetic, the formats by decimals.
#include "core/DoubleAxis.h"

#include <algorithm>
#include <cstring>

#include "core/DrivePath.h"
#include "core/ToolFileNames.h"

namespace kelvantori {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsShiftJisLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsShiftJisTrail(unsigned char b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

bool IsValueCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ' ';
}

// The first occurrence of letter as a character of its own. The letters are also valid second
// bytes of Shift-JIS characters (0x58 "X" in ス), which must not count: a comment in Japanese
// would otherwise have a value changed inside it and the real axis word left as it was.
std::size_t FindAxisLetter(std::string_view line, char letter) {
    std::size_t from = 0;
    while (from < line.size()) {
        const void* hit = std::memchr(line.data() + from, letter, line.size() - from);
        if (hit == nullptr)
            return kNone;
        const auto pos = static_cast<std::size_t>(static_cast<const char*>(hit) - line.data());
        // from is always the start of a character; walk the characters up to pos.
        std::size_t i = from;
        bool second = false;
        while (i < pos) {
            const auto b = static_cast<unsigned char>(line[i]);
            if (IsShiftJisLead(b) && i + 1 < line.size() &&
                IsShiftJisTrail(static_cast<unsigned char>(line[i + 1]))) {
                if (i + 1 == pos) {
                    second = true;
                    break;
                }
                i += 2;
            } else {
                ++i;
            }
        }
        if (!second)
            return pos;
        from = pos + 1;
    }
    return kNone;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<char> AxisOfLetter(char typed) {
    if (typed == '\0' || kAxisLetters.find(typed) == std::string_view::npos)
        return std::nullopt;
    return AsciiUpper(std::string_view(&typed, 1))[0];
}

std::string DoubleTargetName(std::string_view fileName, std::string_view mask) {
    return FileBaseNameOf(fileName) + "_2" + MaskExtension(mask);
}

std::optional<std::string> DoubleDecimalText(std::string_view valueText) {
    std::string_view text = TrimSpaces(valueText);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);

    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == kNone ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    for (const std::string_view part : {whole, fraction}) {
        for (const char c : part) {
            if (c < '0' || c > '9')
                return std::nullopt;
        }
    }

    // A value written with a point keeps its decimals; one ending in the point gets one.
    const std::size_t decimals = point == kNone ? 0 : std::max<std::size_t>(fraction.size(), 1);
    std::string digits;
    digits.reserve(whole.size() + decimals + 1);
    digits.append(whole);
    digits.append(fraction);
    digits.append(decimals - fraction.size(), '0');

    // Twice the digit string, from the right; one more digit may come out in front.
    int carry = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
        const int d = (digits[i] - '0') * 2 + carry;
        digits[i] = static_cast<char>('0' + d % 10);
        carry = d / 10;
    }
    if (carry != 0)
        digits.insert(digits.begin(), '1');

    const std::size_t wholeDigits = digits.size() - decimals;
    std::size_t first = 0;
    while (first + 1 < wholeDigits && digits[first] == '0')
        ++first;

    std::string out;
    out.reserve(digits.size() + 3);
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    if (negative && !zero)
        out.push_back('-');
    if (wholeDigits == 0) {
        out.push_back('0');
    } else {
        out.append(digits, first, wholeDigits - first);
    }
    if (decimals > 0) {
        out.push_back('.');
        out.append(digits, wholeDigits, decimals);
    }
    return out;
}

AxisLineResult DoubleAxisInLine(std::string_view line, char axis) {
    AxisLineResult result;
    const std::size_t letter = FindAxisLetter(line, axis);
    if (letter == kNone)
        return result;
    std::size_t end = letter + 1;
    while (end < line.size() && IsValueCharacter(line[end]))
        ++end;
    std::size_t valueEnd = end;
    while (valueEnd > letter + 1 && line[valueEnd - 1] == ' ')
        --valueEnd;
    result.begin = letter + 1;
    result.end = valueEnd;

    const std::string_view text = line.substr(result.begin, result.end - result.begin);
    // Nothing but spaces, or a lone minus, after the letter: the letter carries no value here
    // (a comment such as "(X AXIS)"), and the line is left alone.
    const std::string_view trimmed = TrimSpaces(text);
    if (trimmed.empty() || trimmed == "-")
        return result;

    auto doubled = DoubleDecimalText(text);
    if (!doubled) {
        result.status = AxisLineStatus::NotANumber;
        return result;
    }
    result.status = AxisLineStatus::Doubled;
    result.value = std::move(*doubled);
    return result;
}

bool DoubleAxisLine(std::string& line, char axis, AxisLineStatus* status) {
    const AxisLineResult result = DoubleAxisInLine(line, axis);
    if (status != nullptr)
        *status = result.status;
    if (result.status == AxisLineStatus::NotANumber)
        return false;
    if (result.status == AxisLineStatus::Doubled) {
        line.replace(result.begin, result.end - result.begin, result.value);
    }
    return true;
}

DoubleResult DoubleAxisValues(LineSource& lines, char axis, CrLfWriter& out) {
    DoubleResult result;
    std::string_view line;
    while (lines.Next(line)) {
        ++result.lineCount;
        const AxisLineResult word = DoubleAxisInLine(line, axis);
        bool written = true;
        switch (word.status) {
            case AxisLineStatus::Unchanged:
                written = out.Line(line);
                break;
            case AxisLineStatus::Doubled:
                ++result.changedLines;
                written = out.Line(line.substr(0, word.begin), word.value, line.substr(word.end));
                break;
            case AxisLineStatus::NotANumber:
                result.status = DoubleStatus::NotANumber;
                result.errorLine = result.lineCount;
                result.errorValue = std::string(line.substr(word.begin, word.end - word.begin));
                return result;
        }
        if (!written) {
            result.status = DoubleStatus::WriteFailed;
            return result;
        }
    }
    if (lines.Failed()) {
        result.status = DoubleStatus::ReadFailed;
    } else if (!out.Flush()) {
        result.status = DoubleStatus::WriteFailed;
    }
    return result;
}

std::string DoubleDoneMessage(char axis, std::string_view outputName) {
    return std::string(1, axis) + "軸を２倍に変換しました。\n" + "変換ファイル名は " +
           std::string(outputName) + "です。";
}

ToolReport DoubleReport(const DoubleResult& result, char axis, std::string_view outputName,
                        std::string_view failureDetail) {
    const std::string detail = failureDetail.empty() ? "" : std::string(failureDetail) + "\n";
    const std::string name(outputName);
    switch (result.status) {
        case DoubleStatus::Done:
            return DoneReport(DoubleDoneMessage(axis, outputName));
        case DoubleStatus::NotANumber:
            return StopReport(std::to_string(result.errorLine) + "行目の" + std::string(1, axis) +
                              "の値「" + result.errorValue + "」は数値として読み取れません。\n" +
                              "変換を中止しました。" + name + " は保存していません。");
        case DoubleStatus::ReadFailed:
            return StopReport("ファイルを最後まで読み込めませんでした。\n" + detail +
                              "変換を中止しました。" + name + " は保存していません。");
        case DoubleStatus::WriteFailed:
            return StopReport(name + " を書き込めませんでした。\n" + detail +
                              "変換を中止しました。");
    }
    return {};
}

}  // namespace kelvantori

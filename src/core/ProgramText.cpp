// Splitting NC program bytes into lines and joining them back.
#include "core/ProgramText.h"

namespace kelvantori {

ProgramText SplitProgramLines(std::string_view bytes) {
    ProgramText text;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        text.lines.emplace_back(bytes.substr(start, i - start));
        i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < bytes.size())
        text.lines.emplace_back(bytes.substr(start));
    return text;
}

std::string JoinProgramLines(const ProgramText& text) {
    std::size_t size = 0;
    for (const auto& line : text.lines)
        size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& line : text.lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace kelvantori

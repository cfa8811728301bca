// Splitting NC program bytes into lines and joining them back.
#include "core/ProgramText.h"

#include <algorithm>
#include <cstring>

namespace kelvantori {

ProgramLines::ProgramLines(std::initializer_list<std::string_view> lines) {
    for (const auto line : lines)
        push_back(line);
}

ProgramLines::ProgramLines(const std::vector<std::string>& lines) {
    for (const auto& line : lines)
        push_back(line);
}

void ProgramLines::pop_back() {
    ends_.pop_back();
    bytes_.resize(ends_.empty() ? 0 : ends_.back());
}

void ProgramLines::clear() {
    bytes_.clear();
    ends_.clear();
}

void ProgramLines::reserve(std::size_t lines, std::size_t bytes) {
    ends_.reserve(lines);
    bytes_.reserve(bytes);
}

bool operator==(const ProgramLines& lines, const std::vector<std::string>& other) {
    if (lines.size() != other.size())
        return false;
    for (std::size_t i = 0; i < other.size(); ++i) {
        if (lines[i] != other[i])
            return false;
    }
    return true;
}

ProgramLines ProgramLines::FromBytes(std::string&& bytes) {
    ProgramLines lines;
    lines.bytes_ = std::move(bytes);
    std::string& data = lines.bytes_;
    const std::size_t size = data.size();
    char* const base = data.data();
    // The line ends are dropped by moving each line down over them; the write position never
    // passes the read position, so the bytes are split where they lie.
    std::size_t read = 0;
    std::size_t write = 0;
    // The next CR and LF at or after read, each searched again only once passed, so a text with
    // one kind of line end is not scanned to its end for the other at every line.
    std::size_t nextCr = 0;
    std::size_t nextLf = 0;
    bool crKnown = false;
    bool lfKnown = false;
    const auto find = [&](char c, std::size_t& next, bool& known) {
        if (!known || next < read) {
            const void* found = std::memchr(base + read, c, size - read);
            next = found ? static_cast<std::size_t>(static_cast<const char*>(found) - base) : size;
            known = true;
        }
        return next;
    };
    while (read < size) {
        const std::size_t end = std::min(find('\r', nextCr, crKnown), find('\n', nextLf, lfKnown));
        const std::size_t length = end - read;
        if (write != read && length > 0)
            std::memmove(base + write, base + read, length);
        write += length;
        lines.ends_.push_back(write);
        if (end == size)
            break;
        read = end + ((data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ? 2 : 1);
    }
    data.resize(write);
    return lines;
}

ProgramText SplitProgramLines(std::string_view bytes) {
    return SplitProgramLinesInPlace(std::string(bytes));
}

ProgramText SplitProgramLinesInPlace(std::string&& bytes) {
    return ProgramText{ProgramLines::FromBytes(std::move(bytes))};
}

std::string JoinProgramLines(const ProgramText& text) {
    std::string out;
    out.reserve(text.lines.ByteCount() + 2 * text.lines.size());
    for (const auto line : text.lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace kelvantori

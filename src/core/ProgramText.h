// An NC program as the program holds it in memory: its byte lines without line ends. Files are
// bytes; they are split into lines on load and written back with CR LF after every line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

struct ProgramText {
    std::vector<std::string> lines;  // bytes, no CR or LF
    bool operator==(const ProgramText&) const = default;
};

// A program file as loaded for the view, a send or a tool.
struct LoadedProgram {
    ProgramText text;
    std::uint64_t size = 0;  // bytes of the file (0 when it could not be read)
    bool readable = true;    // false when the file could not be opened
};

// Lines end at CR LF, at a lone LF and at a lone CR. A line end at the very end of the data does
// not start another (empty) line; "A\r\n\r\n" is the two lines "A" and "".
ProgramText SplitProgramLines(std::string_view bytes);

// Every line followed by CR LF.
std::string JoinProgramLines(const ProgramText& text);

}  // namespace kelvantori

// Program splitting of the characters read.
#include "machine/ProgramReader.h"

#include <utility>

namespace kelvantori::machine {

namespace {

constexpr std::size_t kMaxNumberDigits = 8;

bool IsProgramStart(std::string_view line) {
    return !line.empty() && (line[0] == 'O' || line[0] == ':');
}

}  // namespace

std::string ProgramName(std::string_view startLine) {
    std::string digits;
    for (std::size_t i = 1; i < startLine.size() && digits.size() < kMaxNumberDigits; ++i) {
        const char c = startLine[i];
        if (c < '0' || c > '9')
            break;
        digits += c;
    }
    if (digits.empty())
        return "UNNUMBERED";
    return "O" + digits;
}

ReaderEvent ProgramReader::OnCharacter(char c) {
    if (c == '\r')
        return ReaderEvent::None;
    if (c == '\n') {
        if (skipToLineEnd_) {
            skipToLineEnd_ = false;
            line_.clear();
            return ReaderEvent::None;
        }
        return FinishLine();
    }
    if (skipToLineEnd_)
        return ReaderEvent::None;
    if (c == '%') {
        // Text before the "%" on the same line ("M30%") is still part of the program.
        ReaderEvent event = line_.empty() ? ReaderEvent::None : FinishLine();
        skipToLineEnd_ = true;
        if (open_) {
            CloseProgram(true);
            event = ReaderEvent::TapeEnded;
        }
        return event;
    }
    line_ += c;
    return ReaderEvent::None;
}

ReaderEvent ProgramReader::OnEndOfData() {
    if (!skipToLineEnd_ && !line_.empty())
        FinishLine();
    line_.clear();
    skipToLineEnd_ = false;
    if (open_)
        CloseProgram(true);
    return ReaderEvent::TapeEnded;
}

void ProgramReader::Finish() {
    if (!skipToLineEnd_ && !line_.empty())
        FinishLine();
    line_.clear();
    skipToLineEnd_ = false;
    if (open_)
        CloseProgram(false);
}

bool ProgramReader::InProgram() const {
    return open_ || (!skipToLineEnd_ && IsProgramStart(line_));
}

std::vector<ReceivedProgram> ProgramReader::TakePrograms() {
    return std::exchange(closed_, {});
}

ReaderEvent ProgramReader::FinishLine() {
    std::string line = std::exchange(line_, {});
    if (IsProgramStart(line)) {
        const bool closedOne = open_;
        if (open_)
            CloseProgram(true);
        open_ = true;
        current_ = ReceivedProgram{ProgramName(line), ProgramText{{std::move(line)}}, true};
        return closedOne ? ReaderEvent::ProgramEnded : ReaderEvent::None;
    }
    // Lines outside a program (the tape-start line, a title) are not kept.
    if (open_)
        current_.text.lines.push_back(std::move(line));
    return ReaderEvent::None;
}

void ProgramReader::CloseProgram(bool complete) {
    // The line feed that ends the last block and the one that precedes the closing "%" leave
    // empty lines behind; they are no part of the program.
    auto& lines = current_.text.lines;
    while (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    current_.complete = complete;
    closed_.push_back(std::move(current_));
    current_ = {};
    open_ = false;
}

}  // namespace kelvantori::machine

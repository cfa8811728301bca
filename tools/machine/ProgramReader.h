// Splits the characters a controller reads into programs. A program begins at a line whose first
// character is "O" or ":" and ends at the next such line, at a "%" (the end of the tape) or at DC4
// from the PC. Lines before the first program start (the tape-start "%" line, a leader, a title)
// belong to no program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProgramText.h"

namespace kelvantori::machine {

struct ReceivedProgram {
    std::string name;      // "O" and the program number: "O1234" for O1234 and for :1234
    ProgramText text;      // the lines as read, from the program start line on
    bool complete = true;  // false when the machine stopped before the program's end arrived
    bool operator==(const ReceivedProgram&) const = default;
};

// The file name of a program start line: "O" and the digits after its first character (at most
// eight). A start line without a number gives "UNNUMBERED".
std::string ProgramName(std::string_view startLine);

enum class ReaderEvent {
    None,
    ProgramEnded,  // a program was closed by the next program start line
    TapeEnded,     // "%" after a program, or DC4: the data has ended
};

class ProgramReader {
  public:
    ReaderEvent OnCharacter(char c);
    // DC4 from the PC: the data ends here, with or without a last line feed.
    ReaderEvent OnEndOfData();
    // The machine stops: an open program is closed as incomplete.
    void Finish();

    // Programs closed since the last call, in order.
    std::vector<ReceivedProgram> TakePrograms();
    bool ProgramOpen() const { return open_; }
    // Inside a program, or in a line that begins one.
    bool InProgram() const;

  private:
    ReaderEvent FinishLine();
    void CloseProgram(bool complete);

    std::string line_;
    bool skipToLineEnd_ = false;  // the rest of a "%" line ("% *", "%%") is framing
    bool open_ = false;
    ReceivedProgram current_;
    std::vector<ReceivedProgram> closed_;
};

}  // namespace kelvantori::machine

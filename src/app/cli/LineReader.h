// Answers typed on standard input: one line per question. The reader of the real standard input
// waits in short slices so that Ctrl-C ends a question at once (it answers No).
#pragma once

#include <iosfwd>
#include <string>

#include "app/cli/Interrupt.h"

namespace kelvantori {

enum class ReadOutcome { Line, EndOfInput, Interrupted };

class LineReader {
  public:
    virtual ~LineReader() = default;
    // One line without its line end (a CR before the LF goes too).
    virtual ReadOutcome ReadLine(std::string& line) = 0;
};

// A stream: the answers of a test, or a file.
class StreamLineReader : public LineReader {
  public:
    explicit StreamLineReader(std::istream& in) : in_(in) {}
    ReadOutcome ReadLine(std::string& line) override;

  private:
    std::istream& in_;
};

// A file descriptor (standard input), read byte by byte so that nothing beyond the answer is
// taken from it. A press recorded in `interrupts` ends the wait (and is left recorded).
class DescriptorLineReader : public LineReader {
  public:
    DescriptorLineReader(int fd, InterruptState& interrupts) : fd_(fd), interrupts_(interrupts) {}
    ReadOutcome ReadLine(std::string& line) override;

  private:
    int fd_;
    InterruptState& interrupts_;
};

}  // namespace kelvantori

// The streams a command of kelvantori-cli talks through (the real ones, or strings in tests).
#pragma once

#include <iosfwd>

namespace kelvantori {

struct CliIo {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;  // progress is redrawn in place only on a terminal
    bool outIsTerminal = false;  // paths on stdout are for a script unless it is a terminal
};

// Exit status of kelvantori-cli.
inline constexpr int kExitCompleted = 0;  // every ordered transfer (or the tool) completed
inline constexpr int kExitStopped = 1;  // a transfer stopped or failed; the tool reported an error
inline constexpr int kExitNotStarted = 2;  // nothing could be started: a bad or missing item
// Ended by a termination signal after its transfer was stopped: 128 + the signal's number.
inline constexpr int kExitSignalled = 128;

}  // namespace kelvantori

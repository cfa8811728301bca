// What the controller punches to the PC: an optional leader, "%" and line feed, the program's
// lines each ended by a line feed, "%" and line feed, and optionally DC4; then the feeder that puts
// those bytes on the line at a given rate and stops while the PC holds it with DC3.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/ProgramText.h"
#include "machine/MachineCode.h"

namespace kelvantori::machine {

enum class LeaderKind {
    Nul,     // blank tape
    Space,   // the space character of the code
    Delete,  // every hole punched
    Byte,    // a byte given by number, put on the line as it is
};

struct Leader {
    std::size_t count = 0;
    LeaderKind kind = LeaderKind::Nul;
    std::uint8_t byte = 0;  // for LeaderKind::Byte
};

struct PunchSettings {
    MachineCode code = MachineCode::Iso;
    Leader leader;
    bool percentFraming = true;
    bool dc4 = false;
};

struct PunchTape {
    std::string bytes;
    std::size_t dropped = 0;  // characters of the program that have no form in the code
};

// "nul", "space", "del" or a byte as 0xHH; nullopt otherwise.
std::optional<Leader> ParseLeaderChar(std::string_view text);

// The file's own "%" lines at its start and end are its framing and give way to the punch's, so a
// program saved with "%" lines is not punched with two. Empty lines at the end go as well.
PunchTape BuildPunchTape(const ProgramText& program, const PunchSettings& settings);

// Releases the tape's bytes for writing: all at once with cps 0, else one every 1/cps seconds
// from the start or from the last resume. Time held by DC3 or by a closed line is not made up
// with a burst afterwards.
class PunchFeeder {
  public:
    PunchFeeder(std::string tape, double cps) : tape_(std::move(tape)), cps_(cps > 0 ? cps : 0) {}

    void Start(std::chrono::nanoseconds now);
    bool Started() const { return started_; }
    void Hold();  // DC3 from the PC, or the line closed
    void Resume(std::chrono::nanoseconds now);
    bool Held() const { return held_; }

    // The bytes due by now and not written yet (empty while held or before the start).
    std::string_view Due(std::chrono::nanoseconds now) const;
    void Written(std::size_t n);
    // When the next byte that is not due yet falls due, if the feeder runs and one is left.
    std::optional<std::chrono::nanoseconds> NextDue(std::chrono::nanoseconds now) const;

    bool Done() const { return written_ >= tape_.size(); }
    std::size_t WrittenCount() const { return written_; }

  private:
    std::size_t DueEnd(std::chrono::nanoseconds now) const;

    std::string tape_;
    double cps_;
    bool started_ = false;
    bool held_ = false;
    std::size_t written_ = 0;
    std::size_t writtenAtResume_ = 0;
    std::chrono::nanoseconds resumedAt_{0};
};

}  // namespace kelvantori::machine

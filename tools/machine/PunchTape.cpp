// Building the punched bytes and feeding them to the line.
#include "machine/PunchTape.h"

#include <algorithm>
#include <cmath>

namespace kelvantori::machine {

namespace {

bool IsPercentLine(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line == "%";
}

// Appends the code's byte for c; counts c as dropped when the code has none.
void Punch(PunchTape& tape, char c, MachineCode code) {
    if (const auto b = EncodeCharacter(c, code)) {
        tape.bytes += static_cast<char>(*b);
    } else {
        ++tape.dropped;
    }
}

std::uint8_t LeaderByte(const Leader& leader, MachineCode code) {
    switch (leader.kind) {
        case LeaderKind::Nul:
            return 0x00;
        case LeaderKind::Space:
            return EncodeCharacter(' ', code).value_or(0x20);
        case LeaderKind::Delete:
            return DeleteByte(code);
        case LeaderKind::Byte:
            return leader.byte;
    }
    return 0x00;
}

}  // namespace

std::optional<Leader> ParseLeaderChar(std::string_view text) {
    Leader leader;
    if (text == "nul") {
        leader.kind = LeaderKind::Nul;
    } else if (text == "space") {
        leader.kind = LeaderKind::Space;
    } else if (text == "del") {
        leader.kind = LeaderKind::Delete;
    } else if (text.size() == 4 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        int value = 0;
        for (const char c : text.substr(2)) {
            int digit = 0;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return std::nullopt;
            }
            value = value * 16 + digit;
        }
        leader.kind = LeaderKind::Byte;
        leader.byte = static_cast<std::uint8_t>(value);
    } else {
        return std::nullopt;
    }
    return leader;
}

PunchTape BuildPunchTape(const ProgramText& program, const PunchSettings& settings) {
    const auto& lines = program.lines;
    std::size_t first = 0;
    std::size_t last = lines.size();
    while (first < last && (lines[first].empty() || IsPercentLine(lines[first])))
        ++first;
    while (last > first && (lines[last - 1].empty() || IsPercentLine(lines[last - 1])))
        --last;

    PunchTape tape;
    const MachineCode code = settings.code == MachineCode::Auto ? MachineCode::Iso : settings.code;
    tape.bytes.append(settings.leader.count, static_cast<char>(LeaderByte(settings.leader, code)));
    if (settings.percentFraming) {
        Punch(tape, '%', code);
        Punch(tape, '\n', code);
    }
    for (std::size_t i = first; i < last; ++i) {
        for (const char c : lines[i])
            Punch(tape, c, code);
        Punch(tape, '\n', code);
    }
    if (settings.percentFraming) {
        // The line feed after the closing "%" is what lets a reader that waits for the end of the
        // "%" line finish.
        Punch(tape, '%', code);
        Punch(tape, '\n', code);
    }
    if (settings.dc4)
        Punch(tape, '\x14', code);
    return tape;
}

void PunchFeeder::Start(std::chrono::nanoseconds now) {
    if (started_)
        return;
    started_ = true;
    resumedAt_ = now;
    writtenAtResume_ = written_;
}

void PunchFeeder::Hold() {
    held_ = true;
}

void PunchFeeder::Resume(std::chrono::nanoseconds now) {
    if (!held_)
        return;
    held_ = false;
    resumedAt_ = now;
    writtenAtResume_ = written_;
}

std::size_t PunchFeeder::DueEnd(std::chrono::nanoseconds now) const {
    if (!started_ || held_)
        return written_;
    if (cps_ <= 0)
        return tape_.size();
    if (now < resumedAt_)
        return written_;
    // The first byte after a start or resume is due at once, the next one character time later.
    const double elapsed = static_cast<double>((now - resumedAt_).count()) * 1e-9;
    const auto due =
        writtenAtResume_ + 1 + static_cast<std::size_t>(std::floor(elapsed * cps_ + 1e-9));
    return std::min(due, tape_.size());
}

std::string_view PunchFeeder::Due(std::chrono::nanoseconds now) const {
    const std::size_t end = DueEnd(now);
    if (end <= written_)
        return {};
    return std::string_view(tape_).substr(written_, end - written_);
}

void PunchFeeder::Written(std::size_t n) {
    written_ = std::min(tape_.size(), written_ + n);
}

std::optional<std::chrono::nanoseconds> PunchFeeder::NextDue(std::chrono::nanoseconds now) const {
    if (!started_ || held_ || Done() || cps_ <= 0)
        return std::nullopt;
    const std::size_t end = DueEnd(now);
    if (end >= tape_.size())
        return std::nullopt;
    const std::size_t k = end - writtenAtResume_;  // byte number k after the resume is not due yet
    const double at = std::ceil(static_cast<double>(k) / cps_ * 1e9);
    return resumedAt_ + std::chrono::nanoseconds(static_cast<long long>(at));
}

}  // namespace kelvantori::machine

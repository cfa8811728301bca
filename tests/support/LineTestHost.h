// A TransferHost for the engines over a real line (a pseudo-terminal to kelvantori-machine): its
// clock is real monotonic time plus the fixed waits it skipped, so a send still paces itself by
// the line while the 4 s drain, the 3 s save wait, InvTime and the program-end pauses cost nothing.
// It records what the engine shows and asks, answers from a script and presses F3/Esc when a
// condition holds; after a real-time deadline it presses F3/Esc so that a fault fails a test
// instead of hanging it.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "comm/TransferHost.h"

namespace kelvantori::test {

class LineTestHost : public TransferHost {
  public:
    explicit LineTestHost(std::chrono::milliseconds deadline = std::chrono::seconds(20));

    // --- the script -------------------------------------------------------------------------
    void AnswerYesNo(bool answer) { answers_.push_back(answer); }  // Yes once used up
    void CancelWhen(std::function<bool()> condition) { cancelWhen_ = std::move(condition); }
    bool TimedOut() const { return timedOut_; }

    // --- the record -------------------------------------------------------------------------
    std::vector<std::string> states;  // panel 3, in order
    std::vector<std::string> results;
    std::vector<std::string> questions;
    std::vector<std::string> errors;
    std::vector<std::chrono::milliseconds> waits;
    std::vector<std::string> receivedLines;  // every line shown, across clears
    std::vector<std::string> rescued;        // names
    int cancelPresses = 0;

    // --- TransferHost -----------------------------------------------------------------------
    std::chrono::nanoseconds Now() override;
    void Wait(std::chrono::milliseconds duration) override;
    void ProcessEvents() override {}
    bool CancelRequested() override;
    bool AskYesNo(const std::string& text) override;
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> AskSelectNumber() override { return std::nullopt; }
    void SetStatus(StatusPanel panel, const std::string& text) override;
    void SetRemaining(const std::string&) override {}
    void SetProgress(std::int64_t, std::int64_t) override {}
    void SetResult(const std::string& text, ResultColour) override { results.push_back(text); }
    void SetLamps(const ModemStatus&) override {}
    void ShowReceivedLine(const std::string& bytes) override { receivedLines.push_back(bytes); }
    void TransferEnded(bool, std::chrono::milliseconds) override {}
    void RescueReceivedData(const std::string& name, const std::string&) override {
        rescued.push_back(name);
    }

  private:
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::nanoseconds skipped_{0};
    std::deque<bool> answers_;
    std::function<bool()> cancelWhen_;
    bool timedOut_ = false;
};

}  // namespace kelvantori::test

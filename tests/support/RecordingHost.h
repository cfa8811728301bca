// A TransferHost for the engines' tests: it runs on the ManualClock the FakeSerialPort uses,
// so every wait advances that clock instead of sleeping, records everything the engine shows
// or asks, answers questions from a script and presses F3/Esc when a scripted condition holds.
// RecordingLog is the matching TransferLog.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "comm/TransferHost.h"
#include "comm/TransferLog.h"
#include "core/Clock.h"

namespace kelvantori::test {

class RecordingHost : public TransferHost {
  public:
    struct Ended {
        bool completed = false;
        std::chrono::milliseconds restoreAfter{0};
    };
    struct Rescue {
        std::string name;
        std::string bytes;
    };
    struct Result {
        std::string text;
        ResultColour colour = ResultColour::Lime;
    };

    explicit RecordingHost(ManualClock& clock) : clock_(clock) {}

    // --- the script -------------------------------------------------------------------------
    // Answers of AskYesNo in order; Yes once they are used up.
    void AnswerYesNo(bool answer) { yesNoAnswers_.push_back(answer); }
    // Answers of AskSelectNumber in order (nullopt: cancelled); cancelled once used up.
    void AnswerSelectNumber(std::optional<std::string> answer) {
        selectAnswers_.push_back(std::move(answer));
    }
    // F3/Esc is pressed the first time CancelRequested() is asked while the condition holds.
    void CancelWhen(std::function<bool()> condition) { cancelWhen_ = std::move(condition); }
    void CancelAt(std::chrono::nanoseconds time);
    // A transfer that runs past two hours on the clock is stopped by a press, so a fault
    // makes a test fail instead of hanging it; TimedOut() tells it happened.
    bool TimedOut() const { return timedOut_; }

    // --- the record -------------------------------------------------------------------------
    std::vector<std::string> remaining;
    std::vector<Result> results;
    std::vector<std::string> questions;
    std::vector<std::string> errors;
    std::vector<ModemStatus> lamps;
    std::vector<Ended> ended;
    std::vector<Rescue> rescued;
    std::vector<std::string> programsShown;
    std::vector<std::size_t> sendLines;
    std::vector<std::string> programStarts;
    std::vector<bool> closeRequests;  // CloseAfterTransfer(powerOff)
    int cancelPresses = 0;
    int receivedClears = 0;
    // The most lines the text area held at once.
    std::size_t mostLinesShown = 0;

    const std::string& LastStatus(StatusPanel panel) const;
    std::vector<std::string>& Statuses(StatusPanel panel) {
        return statuses_[static_cast<int>(panel)];
    }

    // --- TransferHost -----------------------------------------------------------------------
    std::chrono::nanoseconds Now() override { return clock_.Now(); }
    void Wait(std::chrono::milliseconds duration) override { clock_.Advance(duration); }
    void ProcessEvents() override {}
    bool CancelRequested() override;
    bool AskYesNo(const std::string& text) override;
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> AskSelectNumber() override;
    void SetStatus(StatusPanel panel, const std::string& text) override {
        Statuses(panel).push_back(text);
    }
    void SetRemaining(const std::string& text) override { remaining.push_back(text); }
    void SetProgress(std::int64_t, std::int64_t) override {}
    void SetResult(const std::string& text, ResultColour colour) override {
        results.push_back(Result{text, colour});
    }
    void SetLamps(const ModemStatus& status) override { lamps.push_back(status); }
    void ShowProgram(const std::string& name) override { programsShown.push_back(name); }
    void ShowSendLine(std::size_t index) override { sendLines.push_back(index); }
    void ShowReceivedLine(const std::string&) override {
        mostLinesShown = std::max(mostLinesShown, ++linesShown_);
    }
    void ClearReceived() override {
        ++receivedClears;
        linesShown_ = 0;
    }
    void ProgramStartFound(const std::string& line) override { programStarts.push_back(line); }
    void TransferEnded(bool completed, std::chrono::milliseconds restoreAfter) override {
        ended.push_back(Ended{completed, restoreAfter});
    }
    void CloseAfterTransfer(bool powerOff) override { closeRequests.push_back(powerOff); }
    void RescueReceivedData(const std::string& suggestedName, const std::string& bytes) override {
        rescued.push_back(Rescue{suggestedName, bytes});
    }

  private:
    ManualClock& clock_;
    std::vector<std::string> statuses_[4];  // by StatusPanel value
    std::deque<bool> yesNoAnswers_;
    std::deque<std::optional<std::string>> selectAnswers_;
    std::function<bool()> cancelWhen_;
    bool timedOut_ = false;
    std::size_t linesShown_ = 0;
};

class RecordingLog : public TransferLog {
  public:
    struct Entry {
        TransferKind kind = TransferKind::Send;
        TransferState state = TransferState::Completed;
        std::string path;
        bool operator==(const Entry&) const = default;
    };
    void Write(TransferKind kind, TransferState state, std::string_view path) override {
        entries.push_back(Entry{kind, state, std::string(path)});
    }
    std::vector<Entry> entries;
};

}  // namespace kelvantori::test

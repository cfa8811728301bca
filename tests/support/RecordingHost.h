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
#include <ostream>
#include <string>
#include <vector>

#include "comm/TransferHost.h"
#include "comm/TransferLog.h"
#include "core/Clock.h"

namespace kelvantori::test {

// What both test hosts share: Yes/No answers in order (Yes once they are used up), one F3/Esc
// press the first time CancelRequested() is asked while a condition holds, and one once the
// host's deadline has passed, so a fault makes a test fail instead of hanging it. What the
// engine shows and no test reads goes nowhere.
class HostScript : public TransferHost {
  public:
    void AnswerYesNo(bool answer) { answers_.push_back(answer); }
    void CancelWhen(std::function<bool()> condition) { cancelWhen_ = std::move(condition); }
    bool TimedOut() const { return timedOut_; }

    std::vector<std::string> questions;
    std::vector<std::string> errors;
    std::vector<std::string> notices;
    int cancelPresses = 0;

    void ProcessEvents() override {}
    bool CancelRequested() override {
        if (!timedOut_ && PastDeadline())
            timedOut_ = true;
        else if (cancelWhen_ && cancelWhen_())
            cancelWhen_ = nullptr;
        else
            return false;
        ++cancelPresses;
        return true;
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return Next(answers_, true);
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    void ShowNotice(const std::string& text) override { notices.push_back(text); }
    std::optional<std::string> AskSelectNumber() override { return std::nullopt; }
    void SetStatus(StatusPanel, const std::string&) override {}
    void SetRemaining(const std::string&) override {}
    void SetProgress(std::int64_t, std::int64_t) override {}
    void SetLamps(const ModemStatus&) override {}
    void TransferEnded(bool, std::chrono::milliseconds) override {}
    std::string RescueReceivedData(const std::string&, const std::string&) override { return {}; }

  protected:
    virtual bool PastDeadline() = 0;
    template <typename T>
    static T Next(std::deque<T>& answers, T whenUsedUp) {
        if (answers.empty())
            return whenUsedUp;
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }

  private:
    std::deque<bool> answers_;
    std::function<bool()> cancelWhen_;
    bool timedOut_ = false;
};

class RecordingHost : public HostScript {
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

    // Answers of AskSelectNumber in order (nullopt: cancelled); cancelled once used up.
    void AnswerSelectNumber(std::optional<std::string> answer) {
        selectAnswers_.push_back(std::move(answer));
    }
    void CancelAt(std::chrono::nanoseconds time) {
        CancelWhen([this, time] { return clock_.Now() >= time; });
    }

    std::vector<std::string> remaining;
    std::vector<Result> results;
    std::vector<ModemStatus> lamps;
    std::vector<Ended> ended;
    std::vector<Rescue> rescued;
    std::vector<std::string> programsShown;
    std::vector<std::size_t> programLinesShown;  // the lines of each program shown
    std::vector<std::size_t> sendLines;
    std::vector<std::string> programStarts;
    std::vector<bool> closeRequests;  // CloseAfterTransfer(powerOff)
    int receivedClears = 0;
    std::size_t linesReceived = 0;  // every line shown, across clears
    // The most lines the text area held at once.
    std::size_t mostLinesShown = 0;

    const std::string& LastStatus(StatusPanel panel) const {
        static const std::string kNone;
        const auto& list = statuses_[static_cast<int>(panel)];
        return list.empty() ? kNone : list.back();
    }
    std::vector<std::string>& Statuses(StatusPanel panel) {
        return statuses_[static_cast<int>(panel)];
    }

    std::chrono::nanoseconds Now() override { return clock_.Now(); }
    void Wait(std::chrono::milliseconds duration) override { clock_.Advance(duration); }
    bool PastDeadline() override { return clock_.Now() > std::chrono::hours(2); }
    std::optional<std::string> AskSelectNumber() override {
        return Next(selectAnswers_, std::optional<std::string>());
    }
    void SetStatus(StatusPanel panel, const std::string& text) override {
        Statuses(panel).push_back(text);
    }
    void SetRemaining(const std::string& text) override { remaining.push_back(text); }
    void SetResult(const std::string& text, ResultColour colour) override {
        results.push_back(Result{text, colour});
    }
    void SetLamps(const ModemStatus& status) override { lamps.push_back(status); }
    void ShowProgram(const std::string& name,
                     const std::shared_ptr<const LoadedProgram>& program) override {
        programsShown.push_back(name);
        programLinesShown.push_back(program ? program->text.lines.size() : 0);
    }
    void ShowSendLine(std::size_t index) override { sendLines.push_back(index); }
    void ShowReceivedLine(const std::string&) override {
        ++linesReceived;
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
    // Kept as "C:\KV\RESCUE_<name>", the program folder of the tests.
    std::string RescueReceivedData(const std::string& suggestedName,
                                   const std::string& bytes) override {
        rescued.push_back(Rescue{suggestedName, bytes});
        return "C:\\KV\\RESCUE_" + suggestedName;
    }

  private:
    ManualClock& clock_;
    std::vector<std::string> statuses_[4];  // by StatusPanel value
    std::deque<std::optional<std::string>> selectAnswers_;
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

// "受信 中止 C:\NC\A.NC" in a failed comparison.
inline void PrintTo(const RecordingLog::Entry& e, std::ostream* os) {
    static const char* const kStates[] = {"完了", "中止", "退避"};
    *os << (e.kind == TransferKind::Send ? "送信 " : "受信 ") << kStates[static_cast<int>(e.state)]
        << " " << e.path;
}

}  // namespace kelvantori::test

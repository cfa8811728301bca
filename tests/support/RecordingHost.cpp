// The recording transfer host of the engines' tests.
#include "support/RecordingHost.h"

namespace kelvantori::test {

RecordingHost::RecordingHost(ManualClock& clock) : clock_(clock) {}

void RecordingHost::CancelAt(std::chrono::nanoseconds time) {
    CancelWhen([this, time] { return clock_.Now() >= time; });
}

void RecordingHost::Wait(std::chrono::milliseconds duration) {
    waits.push_back(duration);
    clock_.Advance(duration);
}

bool RecordingHost::CancelRequested() {
    if (!timedOut_ && clock_.Now() > deadline_) {
        timedOut_ = true;
        ++cancelPresses;
        return true;
    }
    if (cancelWhen_ && cancelWhen_()) {
        // One press: the condition is spent.
        cancelWhen_ = nullptr;
        ++cancelPresses;
        return true;
    }
    return false;
}

bool RecordingHost::AskYesNo(const std::string& text) {
    questions.push_back(text);
    if (yesNoAnswers_.empty())
        return true;
    const bool answer = yesNoAnswers_.front();
    yesNoAnswers_.pop_front();
    return answer;
}

std::optional<std::string> RecordingHost::AskSelectNumber() {
    ++selectQuestions;
    if (selectAnswers_.empty())
        return std::nullopt;
    auto answer = selectAnswers_.front();
    selectAnswers_.pop_front();
    return answer;
}

void RecordingHost::SetStatus(StatusPanel panel, const std::string& text) {
    statuses[static_cast<int>(panel)].push_back(text);
}

const std::string& RecordingHost::LastStatus(StatusPanel panel) const {
    static const std::string kNone;
    const auto& list = statuses[static_cast<int>(panel)];
    return list.empty() ? kNone : list.back();
}

}  // namespace kelvantori::test

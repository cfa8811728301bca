// The recording transfer host of the engines' tests.
#include "support/RecordingHost.h"

namespace kelvantori::test {

void RecordingHost::CancelAt(std::chrono::nanoseconds time) {
    CancelWhen([this, time] { return clock_.Now() >= time; });
}

bool RecordingHost::CancelRequested() {
    if (!timedOut_ && clock_.Now() > std::chrono::hours(2)) {
        timedOut_ = true;
        ++cancelPresses;
        return true;
    }
    if (cancelWhen_ && cancelWhen_()) {
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
    if (selectAnswers_.empty())
        return std::nullopt;
    auto answer = selectAnswers_.front();
    selectAnswers_.pop_front();
    return answer;
}

const std::string& RecordingHost::LastStatus(StatusPanel panel) const {
    static const std::string kNone;
    const auto& list = statuses_[static_cast<int>(panel)];
    return list.empty() ? kNone : list.back();
}

}  // namespace kelvantori::test

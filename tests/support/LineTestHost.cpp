// The transfer host of the integration tests.
#include "support/LineTestHost.h"

namespace kelvantori::test {

LineTestHost::LineTestHost(std::chrono::milliseconds deadline)
    : deadline_(std::chrono::steady_clock::now() + deadline) {}

std::chrono::nanoseconds LineTestHost::Now() {
    return std::chrono::steady_clock::now().time_since_epoch() + skipped_;
}

void LineTestHost::Wait(std::chrono::milliseconds duration) {
    waits.push_back(duration);
    skipped_ += duration;
}

bool LineTestHost::CancelRequested() {
    if (!timedOut_ && std::chrono::steady_clock::now() > deadline_) {
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

bool LineTestHost::AskYesNo(const std::string& text) {
    questions.push_back(text);
    if (answers_.empty())
        return true;
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void LineTestHost::SetStatus(StatusPanel panel, const std::string& text) {
    if (panel == StatusPanel::State)
        states.push_back(text);
}

}  // namespace kelvantori::test

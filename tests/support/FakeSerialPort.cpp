#include "support/FakeSerialPort.h"

#include <algorithm>

#include "core/LineSetting.h"

namespace kelvantori::test {

using std::chrono::nanoseconds;

void FakeSerialPort::Schedule(std::optional<nanoseconds> at, std::size_t writes, Event event) {
    const std::uint64_t order = nextOrder_++;
    if (!at && writes > written_.size()) {
        afterWrites_.emplace(writes, std::make_pair(order, event));
        return;
    }
    (event.modem ? modemEvents_ : readEvents_)
        .emplace(std::make_pair(at.value_or(clock_.Now()), order), event);
}

void FakeSerialPort::ApplyDueModem() {
    while (!modemEvents_.empty() && modemEvents_.begin()->first.first <= clock_.Now()) {
        modem_ = modemEvents_.begin()->second.status;
        modemEvents_.erase(modemEvents_.begin());
    }
}

nanoseconds FakeSerialPort::WritableFrom() {
    while (!queue_.empty() && queue_.front() <= clock_.Now())
        queue_.pop_front();
    // Queue entries leave in order; once entry size-capacity has gone, one place is free.
    if (queue_.size() >= kCapacity)
        return std::max(clock_.Now(), queue_[queue_.size() - kCapacity]);
    return clock_.Now();
}

ReadResult FakeSerialPort::Read(std::chrono::microseconds timeout) {
    ++reads_;
    if (!open_)
        return {ReadStatus::Failed, 0};
    if (lost_)
        return {ReadStatus::Lost, 0};
    const nanoseconds deadline = clock_.Now() + std::max(timeout, std::chrono::microseconds{0});
    for (;;) {
        if (readFailuresLeft_ > 0) {
            if (readFailuresLeft_ != kEveryRead)
                --readFailuresLeft_;
            return {ReadStatus::Failed, 0};
        }
        const auto it = readEvents_.begin();
        if (it == readEvents_.end() || it->first.first > deadline) {
            clock_.Advance(deadline - clock_.Now());
            return {ReadStatus::TimedOut, 0};
        }
        const Event e = it->second;
        clock_.Advance(it->first.first - clock_.Now());
        readEvents_.erase(it);
        if (e.lost) {
            lost_ = true;
            systemError_ = e.reason;
            return {ReadStatus::Lost, 0};
        }
        readFailuresLeft_ = e.count;
        // The port discards NUL bytes; the read goes on waiting until its time is up.
        if (e.count == 0 && e.byte != 0)
            return {ReadStatus::Byte, e.byte};
    }
}

WriteStatus FakeSerialPort::Write(std::uint8_t byte) {
    if (!open_ || lost_)
        return WriteStatus::Failed;
    if (failWritesFrom_ && written_.size() >= *failWritesFrom_)
        return WriteStatus::Failed;
    if (WritableFrom() > clock_.Now())
        return WriteStatus::Full;

    const nanoseconds now = clock_.Now();
    written_.push_back({byte, now});
    lineFreeAt_ = std::max(lineFreeAt_, now) + CharacterTime(config_.line);
    queue_.push_back(lineFreeAt_);
    // Released events keep their order of scheduling among those due at this write.
    while (!afterWrites_.empty() && afterWrites_.begin()->first <= written_.size()) {
        const auto [order, e] = afterWrites_.begin()->second;
        afterWrites_.erase(afterWrites_.begin());
        (e.modem ? modemEvents_ : readEvents_).emplace(std::make_pair(now, order), e);
    }
    return WriteStatus::Written;
}

bool FakeSerialPort::WaitWritable(std::chrono::microseconds timeout) {
    if (!open_)
        return false;
    const nanoseconds deadline = clock_.Now() + std::max(timeout, std::chrono::microseconds{0});
    const nanoseconds from = WritableFrom();
    clock_.Advance(std::min(from, deadline) - clock_.Now());
    return from <= deadline;
}

}  // namespace kelvantori::test

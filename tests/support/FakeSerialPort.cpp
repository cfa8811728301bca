// The scripted serial port: a list of timed events played against the shared ManualClock.
#include "support/FakeSerialPort.h"

#include <algorithm>

#include "core/LineSetting.h"

namespace kelvantori::test {

using std::chrono::nanoseconds;

FakeSerialPort::FakeSerialPort(ManualClock& clock) : clock_(clock) {}

void FakeSerialPort::Schedule(Event event) {
    event.order = nextOrder_++;
    if (!event.at && event.afterWrites <= written_.size())
        event.at = clock_.Now();
    if (!event.at) {
        afterWrites_.emplace(event.afterWrites, event);
        return;
    }
    Timeline& timeline = IsReadKind(event.kind) ? readEvents_ : otherEvents_;
    timeline.emplace(std::make_pair(*event.at, event.order), event);
}

void FakeSerialPort::ArriveAt(nanoseconds time, std::string_view bytes) {
    for (const char c : bytes) {
        Event e;
        e.kind = Kind::Byte;
        e.at = time;
        e.byte = static_cast<std::uint8_t>(c);
        Schedule(e);
    }
}

void FakeSerialPort::ArriveAfterWrites(std::size_t writes, std::string_view bytes) {
    for (const char c : bytes) {
        Event e;
        e.kind = Kind::Byte;
        e.afterWrites = writes;
        e.byte = static_cast<std::uint8_t>(c);
        Schedule(e);
    }
}

void FakeSerialPort::ModemAt(nanoseconds time, std::optional<ModemStatus> status) {
    Event e;
    e.kind = Kind::Modem;
    e.at = time;
    e.modem = status;
    Schedule(e);
}

void FakeSerialPort::ModemAfterWrites(std::size_t writes, std::optional<ModemStatus> status) {
    Event e;
    e.kind = Kind::Modem;
    e.afterWrites = writes;
    e.modem = status;
    Schedule(e);
}

void FakeSerialPort::FailReadsAt(nanoseconds time, std::size_t count) {
    if (count == 0)
        return;
    Event e;
    e.kind = Kind::ReadFailure;
    e.at = time;
    e.count = count;
    Schedule(e);
}

void FakeSerialPort::FailReadsAfterWrites(std::size_t writes, std::size_t count) {
    if (count == 0)
        return;
    Event e;
    e.kind = Kind::ReadFailure;
    e.afterWrites = writes;
    e.count = count;
    Schedule(e);
}

void FakeSerialPort::FailWritesFrom(std::size_t writes) {
    failWritesFrom_ = writes;
}

void FakeSerialPort::FullAfterWrites(std::size_t writes, nanoseconds duration) {
    Event e;
    e.kind = Kind::Full;
    e.afterWrites = writes;
    e.length = duration;
    Schedule(e);
}

void FakeSerialPort::SetOpenResult(PortError result, std::string systemError) {
    openResult_ = result;
    systemError_ = std::move(systemError);
}

void FakeSerialPort::SetCanOpen(bool canOpen) {
    canOpen_ = canOpen;
}

void FakeSerialPort::SetCanOpen(const std::string& portName, bool canOpen) {
    canOpenByName_[portName] = canOpen;
}

void FakeSerialPort::SetQueueCapacity(std::size_t capacity) {
    capacity_ = capacity;
}

void FakeSerialPort::SetOutputQueueUnknown(bool unknown) {
    queueUnknown_ = unknown;
}

std::string FakeSerialPort::WrittenBytes() const {
    std::string bytes;
    bytes.reserve(written_.size());
    for (const auto& w : written_)
        bytes.push_back(static_cast<char>(w.byte));
    return bytes;
}

std::size_t FakeSerialPort::PendingBytes() const {
    std::size_t pending = 0;
    for (const auto& [key, e] : readEvents_)
        pending += e.kind == Kind::Byte ? 1 : 0;
    for (const auto& [writes, e] : afterWrites_)
        pending += e.kind == Kind::Byte ? 1 : 0;
    return pending;
}

void FakeSerialPort::ReleaseAfterWrites() {
    // Events keep their order of scheduling among those released by the same write.
    while (!afterWrites_.empty() && afterWrites_.begin()->first <= written_.size()) {
        Event e = afterWrites_.begin()->second;
        afterWrites_.erase(afterWrites_.begin());
        e.at = clock_.Now();
        Timeline& timeline = IsReadKind(e.kind) ? readEvents_ : otherEvents_;
        timeline.emplace(std::make_pair(*e.at, e.order), e);
    }
}

FakeSerialPort::Timeline::iterator FakeSerialPort::NextDue(nanoseconds until, bool reads) {
    Timeline& timeline = reads ? readEvents_ : otherEvents_;
    if (timeline.empty() || timeline.begin()->first.first > until)
        return timeline.end();
    return timeline.begin();
}

void FakeSerialPort::ApplyDueModemAndFull() {
    for (auto it = NextDue(clock_.Now(), false); it != otherEvents_.end();
         it = NextDue(clock_.Now(), false)) {
        const Event& e = it->second;
        if (e.kind == Kind::Modem) {
            modem_ = e.modem;
        } else {
            fullUntil_ = std::max(fullUntil_, *e.at + e.length);
        }
        otherEvents_.erase(it);
    }
}

void FakeSerialPort::DrainQueue() {
    while (!queue_.empty() && queue_.front() <= clock_.Now())
        queue_.pop_front();
}

nanoseconds FakeSerialPort::WritableFrom() {
    ApplyDueModemAndFull();
    DrainQueue();
    nanoseconds from = std::max(clock_.Now(), fullUntil_);
    if (queue_.size() >= capacity_) {
        // Queue entries leave in order; once entry size-capacity has gone, one place is free.
        from =
            capacity_ == 0 ? nanoseconds::max() : std::max(from, queue_[queue_.size() - capacity_]);
    }
    return from;
}

PortError FakeSerialPort::Open(const PortConfig& config) {
    opened_.push_back(config);
    config_ = config;
    open_ = openResult_ != PortError::OpenFailed;
    queue_.clear();
    lineFreeAt_ = clock_.Now();
    return openResult_;
}

void FakeSerialPort::Close() {
    closes_.push_back(clock_.Now());
    open_ = false;
}

bool FakeSerialPort::CanOpen(const std::string& portName) {
    canOpenQueries_.push_back(portName);
    if (const auto it = canOpenByName_.find(portName); it != canOpenByName_.end()) {
        return it->second;
    }
    return canOpen_;
}

ReadResult FakeSerialPort::Read(std::chrono::microseconds timeout) {
    ++reads_;
    if (!open_)
        return {ReadStatus::Failed, 0};
    if (readFailuresLeft_ > 0) {
        if (readFailuresLeft_ != kEveryRead)
            --readFailuresLeft_;
        return {ReadStatus::Failed, 0};
    }
    const nanoseconds deadline = clock_.Now() + std::max(timeout, std::chrono::microseconds{0});
    for (;;) {
        const auto it = NextDue(deadline, true);
        if (it == readEvents_.end()) {
            clock_.Advance(deadline - clock_.Now());
            return {ReadStatus::TimedOut, 0};
        }
        const Event e = it->second;
        readEvents_.erase(it);
        clock_.Advance(*e.at - clock_.Now());
        if (e.kind == Kind::ReadFailure) {
            readFailuresLeft_ = e.count;
            if (readFailuresLeft_ != kEveryRead)
                --readFailuresLeft_;
            return {ReadStatus::Failed, 0};
        }
        const std::uint8_t byte = e.byte;
        // The port discards NUL bytes; the read goes on waiting until its time is up.
        if (byte != 0)
            return {ReadStatus::Byte, byte};
    }
}

WriteStatus FakeSerialPort::Write(std::uint8_t byte) {
    if (!open_)
        return WriteStatus::Failed;
    if (failWritesFrom_ && written_.size() >= *failWritesFrom_)
        return WriteStatus::Failed;
    if (WritableFrom() > clock_.Now())
        return WriteStatus::Full;

    const nanoseconds now = clock_.Now();
    written_.push_back({byte, now});
    lineFreeAt_ = std::max(lineFreeAt_, now) + CharacterTime(config_.line);
    queue_.push_back(lineFreeAt_);
    ReleaseAfterWrites();
    return WriteStatus::Written;
}

bool FakeSerialPort::WaitWritable(std::chrono::microseconds timeout) {
    if (!open_)
        return false;
    const nanoseconds deadline = clock_.Now() + std::max(timeout, std::chrono::microseconds{0});
    const nanoseconds from = WritableFrom();
    if (from <= deadline) {
        clock_.Advance(from - clock_.Now());
        return true;
    }
    clock_.Advance(deadline - clock_.Now());
    return false;
}

int FakeSerialPort::OutputQueueLength() {
    if (!open_ || queueUnknown_)
        return -1;
    DrainQueue();
    return static_cast<int>(queue_.size());
}

std::optional<ModemStatus> FakeSerialPort::GetModemStatus() {
    if (!open_)
        return std::nullopt;
    ApplyDueModemAndFull();
    return modem_;
}

}  // namespace kelvantori::test

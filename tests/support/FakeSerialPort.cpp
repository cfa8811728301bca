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
    events_.push_back(event);
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
    return static_cast<std::size_t>(std::count_if(
        events_.begin(), events_.end(), [](const Event& e) { return e.kind == Kind::Byte; }));
}

void FakeSerialPort::ReleaseAfterWrites() {
    for (auto& e : events_) {
        if (!e.at && e.afterWrites <= written_.size())
            e.at = clock_.Now();
    }
}

const FakeSerialPort::Event* FakeSerialPort::NextDue(nanoseconds until, bool reads) const {
    const Event* next = nullptr;
    for (const auto& e : events_) {
        const bool readKind = e.kind == Kind::Byte || e.kind == Kind::ReadFailure;
        if (readKind != reads || !e.at || *e.at > until)
            continue;
        if (next == nullptr || *e.at < *next->at || (*e.at == *next->at && e.order < next->order)) {
            next = &e;
        }
    }
    return next;
}

void FakeSerialPort::Remove(const Event* event) {
    events_.erase(events_.begin() + (event - events_.data()));
}

void FakeSerialPort::ApplyDueModemAndFull() {
    while (const Event* e = NextDue(clock_.Now(), false)) {
        if (e->kind == Kind::Modem) {
            modem_ = e->modem;
        } else {
            fullUntil_ = std::max(fullUntil_, *e->at + e->length);
        }
        Remove(e);
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
        const Event* e = NextDue(deadline, true);
        if (e == nullptr) {
            clock_.Advance(deadline - clock_.Now());
            return {ReadStatus::TimedOut, 0};
        }
        clock_.Advance(*e->at - clock_.Now());
        if (e->kind == Kind::ReadFailure) {
            readFailuresLeft_ = e->count;
            Remove(e);
            if (readFailuresLeft_ != kEveryRead)
                --readFailuresLeft_;
            return {ReadStatus::Failed, 0};
        }
        const std::uint8_t byte = e->byte;
        Remove(e);
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

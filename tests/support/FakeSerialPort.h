// A scripted serial port for the engines' tests. Time is a ManualClock shared with the test:
// incoming bytes, modem-line changes and failures are due at a clock time or once a number of
// bytes has been written, and a read that waits moves the clock to the next due byte instead of
// sleeping. Every byte written is recorded with the clock time of its write.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Clock.h"
#include "platform/SerialPort.h"

namespace kelvantori::test {

class FakeSerialPort : public SerialPort {
  public:
    struct WrittenByte {
        std::uint8_t byte = 0;
        std::chrono::nanoseconds time{0};
        bool operator==(const WrittenByte&) const = default;
    };

    explicit FakeSerialPort(ManualClock& clock) : clock_(clock) {}

    // --- The script. "Writes" count every byte written over the fake's life, across opens.

    // Bytes that arrive at a clock time, one per Read, in the order given. NUL bytes are
    // discarded by the port like on a real line, so they are never delivered.
    void ArriveAt(std::chrono::nanoseconds time, std::string_view bytes) { Arrive(time, 0, bytes); }
    // Bytes that arrive once `writes` bytes have been written (at the clock time of that write;
    // at once when that many have already gone out). ArriveAfterWrites(30, "\x93"): a DC3 after
    // the 30th byte.
    void ArriveAfterWrites(std::size_t writes, std::string_view bytes) {
        Arrive(std::nullopt, writes, bytes);
    }

    // The modem lines from a clock time, or from the write of the given number of bytes on.
    // std::nullopt: reading the modem status fails from then on.
    void ModemAt(std::chrono::nanoseconds time, std::optional<ModemStatus> status) {
        Schedule(time, 0, Event{.modem = true, .status = status});
    }
    void ModemAfterWrites(std::size_t writes, std::optional<ModemStatus> status) {
        Schedule(std::nullopt, writes, Event{.modem = true, .status = status});
    }

    // From the given moment, the next `count` reads fail (all of them by default). Bytes due
    // before that moment are still delivered first; bytes not yet read wait until reads work.
    void FailReadsAt(std::chrono::nanoseconds time, std::size_t count = kEveryRead) {
        Schedule(time, 0, Event{.count = count});
    }

    // Once `writes` bytes have been written, every further Write fails (nothing more recorded).
    void FailWritesFrom(std::size_t writes) { failWritesFrom_ = writes; }

    // The connection of a network port drops at a clock time, or once `writes` bytes have been
    // written. The port finds out at its next read: bytes due before are still read, then
    // every read says Lost, every write fails, the modem lines cannot be read, and
    // LastSystemError() gives the reason.
    void LoseLineAt(std::chrono::nanoseconds time, std::string reason) {
        Schedule(time, 0, Event{.lost = true, .reason = std::move(reason)});
    }
    void LoseLineAfterWrites(std::size_t writes, std::string reason) {
        Schedule(std::nullopt, writes, Event{.lost = true, .reason = std::move(reason)});
    }

    // What the next Open calls return, the system's words that go with a failure and, for
    // OpenFailed, why the port did not open. Any failure but OpenFailed leaves the port open, as
    // a real device does.
    void SetOpenResult(PortError result, std::string systemError = {},
                       OpenFailure reason = OpenFailure::Other) {
        openResult_ = result;
        systemError_ = std::move(systemError);
        openFailure_ = reason;
    }
    // What OpenNotice() says after an opening (a raw TCP port's words).
    void SetOpenNotice(std::string notice) { notice_ = std::move(notice); }
    // CanOpen answers: a default for every name, and answers for single names.
    void SetCanOpen(bool canOpen) { canOpen_ = canOpen; }
    void SetCanOpen(const std::string& portName, bool canOpen) {
        canOpenByName_[portName] = canOpen;
    }

    // The output queue drains one character time (of the opened line setting) per byte, and
    // Write is Full while it holds kCapacity bytes. Unknown: the port answers -1, like a
    // pseudo-terminal.
    void SetOutputQueueUnknown(bool unknown) { queueUnknown_ = unknown; }

    const std::vector<WrittenByte>& Written() const { return written_; }
    std::string WrittenBytes() const {
        std::string bytes;
        for (const auto& w : written_)
            bytes.push_back(static_cast<char>(w.byte));
        return bytes;
    }
    const std::vector<PortConfig>& Opened() const { return opened_; }
    const std::vector<std::chrono::nanoseconds>& Closes() const { return closes_; }
    const std::vector<std::string>& CanOpenQueries() const { return canOpenQueries_; }
    std::size_t Reads() const { return reads_; }
    // Scheduled bytes not read yet (whether due or not).
    std::size_t PendingBytes() const {
        std::size_t pending = 0;
        for (const auto& [key, e] : readEvents_)
            pending += e.count == 0 && !e.lost;
        for (const auto& [writes, e] : afterWrites_)
            pending += !e.second.modem && e.second.count == 0 && !e.second.lost;
        return pending;
    }

    PortError Open(const PortConfig& config) override {
        opened_.push_back(config);
        config_ = config;
        open_ = openResult_ != PortError::OpenFailed;
        lost_ = false;
        queue_.clear();
        lineFreeAt_ = clock_.Now();
        return openResult_;
    }
    void Close() override {
        closes_.push_back(clock_.Now());
        open_ = false;
    }
    bool IsOpen() const override { return open_; }
    bool CanOpen(const std::string& portName) override {
        canOpenQueries_.push_back(portName);
        const auto it = canOpenByName_.find(portName);
        return it != canOpenByName_.end() ? it->second : canOpen_;
    }
    ReadResult Read(std::chrono::microseconds timeout) override;
    WriteStatus Write(std::uint8_t byte) override;
    bool WaitWritable(std::chrono::microseconds timeout) override;
    int OutputQueueLength() override {
        WritableFrom();  // drains the queue
        return !open_ || queueUnknown_ ? -1 : static_cast<int>(queue_.size());
    }
    std::optional<ModemStatus> GetModemStatus() override {
        ApplyDueModem();
        return open_ && !lost_ ? modem_ : std::nullopt;
    }
    std::string LastSystemError() const override { return systemError_; }
    std::string OpenNotice() const override { return open_ ? notice_ : std::string(); }
    OpenFailure LastOpenFailure() const override { return openFailure_; }

  private:
    static constexpr std::size_t kEveryRead = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t kCapacity = 4096;

    struct Event {
        bool modem = false;  // else a byte, read failures when count > 0, or the line's loss
        std::uint8_t byte = 0;
        std::size_t count = 0;
        std::optional<ModemStatus> status{};
        bool lost = false;
        std::string reason{};
    };
    // Keyed by due time, then by order of scheduling.
    using Timeline = std::map<std::pair<std::chrono::nanoseconds, std::uint64_t>, Event>;

    void Schedule(std::optional<std::chrono::nanoseconds> at, std::size_t writes, Event event);
    void Arrive(std::optional<std::chrono::nanoseconds> at, std::size_t writes,
                std::string_view bytes) {
        for (const char c : bytes)
            Schedule(at, writes, Event{.byte = static_cast<std::uint8_t>(c)});
    }
    void ApplyDueModem();
    // The time from which Write takes bytes again (now when it does already).
    std::chrono::nanoseconds WritableFrom();

    ManualClock& clock_;
    Timeline readEvents_;  // bytes and read failures
    Timeline modemEvents_;
    std::multimap<std::size_t, std::pair<std::uint64_t, Event>> afterWrites_;
    std::uint64_t nextOrder_ = 0;

    PortError openResult_ = PortError::None;
    std::string systemError_;
    std::string notice_;
    OpenFailure openFailure_ = OpenFailure::Other;
    bool canOpen_ = true;
    std::map<std::string, bool> canOpenByName_;

    bool open_ = false;
    PortConfig config_;
    std::optional<ModemStatus> modem_ = ModemStatus{};
    std::size_t readFailuresLeft_ = 0;
    bool lost_ = false;
    std::optional<std::size_t> failWritesFrom_;

    bool queueUnknown_ = false;
    std::deque<std::chrono::nanoseconds> queue_;  // when each queued byte has left the line
    std::chrono::nanoseconds lineFreeAt_{0};

    std::vector<WrittenByte> written_;
    std::vector<PortConfig> opened_;
    std::vector<std::chrono::nanoseconds> closes_;
    std::vector<std::string> canOpenQueries_;
    std::size_t reads_ = 0;
};

}  // namespace kelvantori::test

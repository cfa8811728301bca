// The line as both engines drive it: one byte in through the tape code with the machine's
// DC1/DC3, one character out with the XON check, the output pacing and the modem lines, the
// DSR/CTS lamps, F3/Esc, the port opening with the automatic-switching exchange.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "comm/RemainingTime.h"
#include "comm/SendEngine.h"
#include "comm/TransferHost.h"
#include "core/Settings.h"
#include "core/TapeCode.h"
#include "platform/SerialPort.h"

namespace kelvantori {

// The read time-outs of the wait loops. A send polls at 10 ms (the read time-out of the
// original line set-up); a receive would block up to 1 s per read, which would leave the
// window unresponsive for as long, so it polls in shorter slices with the same result: there
// is no time-out on silence either way.
inline constexpr std::chrono::milliseconds kSendReadSlice{10};
inline constexpr std::chrono::milliseconds kReceiveReadSlice{50};

inline constexpr const char* kSelectNumberError =
    "自動選択番号の入力が間違っています。\n通信を一旦中止します。";
inline constexpr const char* kLineError = "通信エラー!!";

// A line that went away during a transfer (a USB adapter pulled out, the other end of a
// pseudo-terminal closed): "COM1の回線が切れました。!!".
std::string LineLostMessage(const std::string& portName);

class LineIo {
  public:
    LineIo(SerialPort& port, TransferHost& host, const Settings& settings, TransferMode mode,
           const SendOptions& options = {});

    // --- the transfer state the engines share with the line --------------------------------
    CodeState code;
    bool XonState = true;
    bool RawSend = false;
    bool SignalSeen = false;
    bool AbortRequested = false;
    int SentSinceCheck = 0;

    // The send's estimate, ticked from every wait loop of the line (nullptr: none).
    void SetEstimate(RemainingTime* estimate) { estimate_ = estimate; }

    // Opens the port (showing its message on failure) and, with AutoSelect "Y", runs the
    // automatic-switching exchange. False when the transfer cannot start; PortReady() then tells
    // whether the port itself is open and configured (the stop path's DC4 goes out only then).
    bool Open();
    bool PortReady() const { return portReady_; }
    void Close();

    // At most one byte within timeout, decoded; 0 for a time-out, a failed read or a byte
    // without a character. Updates XonState and, while neither code flag is set, the code.
    std::uint8_t ReadLineByte(std::chrono::microseconds timeout);

    // A read failed: the device has gone (end of file, EIO, ENODEV) or the port broke. From then
    // on AbortRequested is set, every wait of the line gives up and nothing more is read; the
    // engines stop and say so with LineLostMessage().
    bool LineLost() const { return lineLost_; }
    // LineLostMessage with the system's reason on the line after it, when the port gave one.
    std::string LineLostText() const;
    const std::string& PortName() const { return settings_.Port; }

    // One character through the send conversion, the XON check, the pacing and the modem
    // lines. False when the transfer is to stop (AbortRequested is then set).
    bool SendChar(std::uint8_t c);

    // The DC4 of a stop: no XON check and no F3/Esc, so a machine that holds XOFF or a key
    // pressed again cannot keep the stop from finishing; the pacing waits are bounded.
    void SendStopChar(std::uint8_t c);

    // Reads the modem lines and shows them on the lamps when they changed. nullopt when reading
    // them failed (the lamps stay).
    std::optional<ModemStatus> PollModem();
    void ShowLamps(const ModemStatus& status);

    // F3/Esc since the last look: sets AbortRequested.
    bool Cancelled();

    // Ticks the estimate when one is due.
    void Service() {
        if (estimate_ != nullptr)
            estimate_->TickIfDue(host_.Now());
    }

  private:
    ReadResult ReadPort(std::chrono::microseconds timeout);
    std::uint8_t Decode(std::uint8_t byte);
    bool SelectChannel();
    // Waits until the next character may be written. False when the transfer is to stop.
    bool WaitForSlot(bool stopping);
    bool XonCheck();
    bool WaitForXon();
    // Writes one line byte, waiting while the driver takes no more. False on a write failure.
    bool WriteByte(std::uint8_t byte, bool stopping);

    SerialPort& port_;
    TransferHost& host_;
    const Settings& settings_;
    TransferMode mode_;
    SendOptions options_;
    bool spaceCut_;
    bool sevenBit_;
    bool eia_;
    bool signal_;
    bool op6_;
    std::chrono::nanoseconds characterTime_{0};
    // When the line will have sent everything written so far, by the character time.
    std::chrono::nanoseconds lineFreeAt_{0};
    bool portReady_ = false;
    bool lineLost_ = false;
    std::string lostReason_;
    bool writeErrorShown_ = false;
    std::optional<ModemStatus> lamps_;
    RemainingTime* estimate_ = nullptr;
};

}  // namespace kelvantori

// The line I/O of the send and receive engines.
#include "comm/LineIo.h"

#include <algorithm>

#include "core/LineSetting.h"
#include "platform/CommPort.h"

namespace kelvantori {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// With no pacing the driver queue may hold this much (the original driver set-up's limit).
constexpr int kUnpacedQueueLimit = 258;
// How long a stop's DC4 may wait for its slot or for the driver before it is given up.
constexpr nanoseconds kStopCharPatience = milliseconds(1000);
constexpr milliseconds kSwitcherPause{3000};

microseconds CeilMicros(nanoseconds d) {
    return d.count() <= 0 ? microseconds(0) : std::chrono::ceil<microseconds>(d);
}

}  // namespace

std::string LineLostMessage(const std::string& portName) {
    return portName + "の回線が切れました。!!";
}

std::string LineIo::LineLostText() const {
    return PortFailureText(LineLostMessage(PortName()), lostReason_);
}

LineIo::LineIo(SerialPort& port, TransferHost& host, const Settings& settings, TransferMode mode,
               const SendOptions& options)
    : port_(port),
      host_(host),
      settings_(settings),
      mode_(mode),
      options_(options),
      spaceCut_(settings.Send_SP_Cut == "Y"),
      sevenBit_(DataBitDigit(settings.Speed) != '8'),
      eia_(settings.Code == "Y"),
      signal_(settings.Signal == "Y"),
      op6_(settings.op6 == "Y") {
    const auto line = ParseLineSetting(settings.Speed);
    if (line.error == LineSettingError::None)
        characterTime_ = CharacterTime(line.setting);
    options_.aheadCharacters = std::max(options_.aheadCharacters, 1);
}

bool LineIo::Open() {
    const CommPortResult result = OpenCommPort(port_, settings_, mode_);
    if (!result.ok) {
        portReady_ = false;
        host_.ShowError(result.UserText());
        return false;
    }
    portReady_ = true;
    lineLost_ = false;
    lostReason_.clear();
    lineFreeAt_ = host_.Now();
    if (!result.notice.empty())
        host_.ShowNotice(result.notice);
    if (result.modem)
        ShowLamps(*result.modem);
    if (settings_.AutoSelect == "Y" && !SelectChannel())
        return false;
    return true;
}

void LineIo::Close() {
    port_.Close();
    portReady_ = false;
}

bool LineIo::SelectChannel() {
    // The switcher takes the channel digits as they are typed: no parity bit, no EIA code.
    RawSend = true;
    const std::optional<std::string> number = host_.AskSelectNumber();
    if (!number || number->empty()) {
        RawSend = false;
        host_.ShowError(kSelectNumberError);
        return false;
    }
    for (const char ch : *number) {
        if (ch == '-') {
            // The previous switcher of a chain needs this long to connect the next one.
            host_.Wait(kSwitcherPause);
            continue;
        }
        if (!SendChar(static_cast<std::uint8_t>(ch))) {
            RawSend = false;
            return false;
        }
    }
    host_.Wait(kSwitcherPause);
    RawSend = false;
    return true;
}

ReadResult LineIo::ReadPort(microseconds timeout) {
    if (lineLost_) {
        // Nothing comes from a line that has gone; a loop that still reads it waits out the
        // time-out instead of spinning.
        if (timeout.count() > 0)
            host_.Wait(std::chrono::ceil<milliseconds>(timeout));
        return {ReadStatus::Failed, 0};
    }
    const ReadResult r = port_.Read(timeout);
    // A device that has gone (a USB adapter pulled out, a pseudo-terminal whose other end
    // closed) fails every read at once and never delivers a byte again; a network port whose
    // connection dropped reports it lost.
    if (r.status == ReadStatus::Failed || r.status == ReadStatus::Lost) {
        lineLost_ = true;
        lostReason_ = port_.LastSystemError();
        AbortRequested = true;
        return {ReadStatus::Failed, 0};
    }
    return r;
}

std::uint8_t LineIo::ReadLineByte(microseconds timeout) {
    const ReadResult r = ReadPort(timeout);
    if (r.status != ReadStatus::Byte)
        return 0;
    return Decode(r.byte);
}

std::uint8_t LineIo::Decode(std::uint8_t byte) {
    // On a 7-bit line both code flags are set and the port strips the parity bit, so the
    // machine's DC3 arrives as 0x13. Only a line that carries EIA code makes 0x13 the digit 3.
    if (byte == kDC3 && code.IsoMode && code.EiaMode) {
        XonState = false;
        return kDC3;
    }
    return DecodeLineByte(byte, code, XonState);
}

bool LineIo::Cancelled() {
    if (!host_.CancelRequested())
        return false;
    AbortRequested = true;
    return true;
}

std::optional<ModemStatus> LineIo::PollModem() {
    const std::optional<ModemStatus> status = port_.GetModemStatus();
    if (status)
        ShowLamps(*status);
    return status;
}

void LineIo::ShowLamps(const ModemStatus& status) {
    // Only changes reach the host, so the lamps cost nothing per byte.
    if (lamps_ && *lamps_ == status)
        return;
    lamps_ = status;
    host_.SetLamps(status);
}

bool LineIo::SendChar(std::uint8_t c) {
    const std::optional<std::uint8_t> byte =
        ConvertForSend(c, SendCode{spaceCut_, sevenBit_, eia_, RawSend});
    if (!byte)
        return true;

    if (mode_ == TransferMode::Send && SentSinceCheck >= 10) {
        if (!XonCheck())
            return false;
        SentSinceCheck = 0;
    } else {
        host_.ProcessEvents();
        if (Cancelled())
            return false;
    }
    if (!WaitForSlot(false))
        return false;

    if (const auto modem = PollModem()) {
        // A lost carrier stops the send after this byte; a lost DSR (op6) before it.
        if (!modem->carrier && signal_ && mode_ == TransferMode::Send)
            AbortRequested = true;
        if (!modem->dsr && op6_) {
            AbortRequested = true;
            return false;
        }
    }
    if (!WriteByte(*byte, false)) {
        AbortRequested = true;
        return false;
    }
    ++SentSinceCheck;
    return !AbortRequested;
}

void LineIo::SendStopChar(std::uint8_t c) {
    const std::optional<std::uint8_t> byte =
        ConvertForSend(c, SendCode{spaceCut_, sevenBit_, eia_, RawSend});
    if (!byte)
        return;
    WaitForSlot(true);
    if (const auto modem = PollModem(); modem && !modem->dsr && op6_)
        return;
    WriteByte(*byte, true);
}

bool LineIo::XonCheck() {
    if (Cancelled())
        return false;
    // While XON holds, only what has already arrived is read: a read that waited here would
    // cost its whole time-out every ten bytes.
    while (XonState) {
        const ReadResult r = ReadPort(microseconds(0));
        if (r.status != ReadStatus::Byte)
            break;
        Decode(r.byte);
    }
    if (lineLost_)
        return false;
    host_.ProcessEvents();
    if (Cancelled())
        return false;
    return WaitForXon();
}

bool LineIo::WaitForXon() {
    // There is no time limit: a DC3 without a DC1 holds the send until F3/Esc.
    while (!XonState) {
        if (Cancelled())
            return false;
        ReadLineByte(kSendReadSlice);
        if (lineLost_)
            return false;
        host_.ProcessEvents();
        if (Cancelled())
            return false;
        if (!SignalSeen) {
            if (const auto modem = PollModem(); modem && modem->carrier) {
                XonState = true;
                SignalSeen = true;
            }
        }
        Service();
    }
    return true;
}

bool LineIo::WaitForSlot(bool stopping) {
    // Paced, the line is never more than aheadCharacters ahead: a byte may go once what is
    // already written will have left the line within (aheadCharacters - 1) character times.
    // A device that reports its queue is held to the same number of bytes; the character time
    // alone covers those that hide it. Waiting is a read of the line with the time left as
    // time-out, so a DC3 is seen the moment it arrives.
    const bool paced = options_.paceToLine && characterTime_.count() > 0;
    const nanoseconds slack = characterTime_ * (options_.aheadCharacters - 1);
    const int queueLimit = paced ? options_.aheadCharacters : kUnpacedQueueLimit;
    const nanoseconds queueWait =
        characterTime_.count() > 0 ? characterTime_ : nanoseconds(milliseconds(1));
    const nanoseconds started = host_.Now();
    // Paced, the line is looked at once before every byte even when no wait is needed.
    bool looked = !paced;
    for (;;) {
        if (!stopping && mode_ == TransferMode::Send && !XonState) {
            if (!WaitForXon())
                return false;
            looked = true;
        }
        const nanoseconds now = host_.Now();
        if (estimate_ != nullptr)
            estimate_->TickIfDue(now);
        nanoseconds wait{0};
        if (paced && lineFreeAt_ - slack > now)
            wait = lineFreeAt_ - slack - now;
        const int queued = port_.OutputQueueLength();
        const bool queueFull = queued >= queueLimit;
        if (queueFull)
            wait = std::max(wait, queueWait);
        if (wait.count() <= 0 && looked)
            return true;
        if (stopping && now - started > kStopCharPatience)
            return true;

        const ReadResult r = ReadPort(CeilMicros(wait));
        looked = true;
        if (r.status == ReadStatus::Byte)
            Decode(r.byte);
        // The write that follows fails on a line that has gone; a stop's DC4 still tries it.
        if (lineLost_)
            return stopping;
        if (queueFull && !stopping) {
            // The queue may stay full for long (a device that obeys CTS): keep the window alive.
            host_.ProcessEvents();
            if (Cancelled())
                return false;
        }
    }
}

bool LineIo::WriteByte(std::uint8_t byte, bool stopping) {
    const nanoseconds started = host_.Now();
    for (;;) {
        const WriteStatus status = port_.Write(byte);
        if (status == WriteStatus::Written) {
            lineFreeAt_ = std::max(lineFreeAt_, host_.Now()) + characterTime_;
            return true;
        }
        if (status == WriteStatus::Failed) {
            // A byte that did not go out would leave a program on the machine with a hole in
            // it; the transfer stops and says why.
            if (!stopping && !writeErrorShown_) {
                writeErrorShown_ = true;
                host_.ShowError(PortFailureText(kLineError, port_.LastSystemError()));
            }
            return false;
        }
        port_.WaitWritable(kSendReadSlice);
        if (stopping) {
            if (host_.Now() - started > kStopCharPatience)
                return false;
            continue;
        }
        host_.ProcessEvents();
        if (Cancelled())
            return false;
    }
}

}  // namespace kelvantori

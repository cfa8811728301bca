// A serial port behind a device server that speaks Telnet with the COM-PORT-OPTION (RFC 2217).
// The open steps go to the server as requests: the line setting (speed, data size, parity, stop
// size, which the server must confirm), no flow control of the server's own on output (the send
// reads the machine's DC1/DC3 itself) and XON/XOFF on input for a receive, DTR and RTS, the
// modem-state notifications (CTS, DSR, carrier) and the purge. On the wire every 0xFF of the line
// is doubled (Telnet's IAC) both ways: a DEL in ISO code is 0xFF.
//
// What the option cannot say: the XON/XOFF characters (the server uses DC1/DC3 = 0x11/0x13, so a
// receive's XOFF goes out as 0x13 even with Dc3As93 "Y") and the sizes of the server's buffers.
#include <array>
#include <cmath>
#include <optional>

#include "platform/NetworkPort.h"

namespace kelvantori {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Telnet (RFC 854, 855).
constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPortOption = 44;

// COM-PORT-OPTION commands of the client; the server answers each with the command + 100.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kSetControl = 5;
constexpr std::uint8_t kNotifyModemState = 7;
constexpr std::uint8_t kFlowControlSuspend = 8;
constexpr std::uint8_t kFlowControlResume = 9;
constexpr std::uint8_t kSetLineStateMask = 10;
constexpr std::uint8_t kSetModemStateMask = 11;
constexpr std::uint8_t kPurgeData = 12;
constexpr std::uint8_t kServerAnswer = 100;

// SET-CONTROL values.
constexpr std::uint8_t kOutboundNone = 1;
constexpr std::uint8_t kOutboundXonXoff = 2;
constexpr std::uint8_t kOutboundHardware = 3;
constexpr std::uint8_t kDtrOn = 8;
constexpr std::uint8_t kRtsOn = 11;
constexpr std::uint8_t kInboundNone = 14;
constexpr std::uint8_t kInboundXonXoff = 15;
constexpr std::uint8_t kInboundHardware = 16;
constexpr std::uint8_t kOutboundDcd = 17;
constexpr std::uint8_t kInboundDtr = 18;
constexpr std::uint8_t kOutboundDsr = 19;

constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kParityOdd = 2;
constexpr std::uint8_t kParityEven = 3;
constexpr std::uint8_t kStopOne = 1;
constexpr std::uint8_t kStopTwo = 2;
constexpr std::uint8_t kStopOneAndHalf = 3;

// NOTIFY-MODEMSTATE bits; the mask asks for every change of CTS, DSR and the carrier.
constexpr std::uint8_t kModemCts = 0x10;
constexpr std::uint8_t kModemDsr = 0x20;
constexpr std::uint8_t kModemCarrier = 0x80;
constexpr std::uint8_t kModemStateMask = 0xBB;
constexpr std::uint8_t kPurgeBoth = 3;

// A server may answer with the speed its divisor makes.
constexpr double kSpeedTolerance = 0.02;
// Longer subnegotiations than any answer of the option are not ours: only their start is kept.
constexpr std::size_t kMaxSubnegotiation = 64;

bool IsOutboundFlow(std::uint8_t v) {
    return v == kOutboundNone || v == kOutboundXonXoff || v == kOutboundHardware ||
           v == kOutboundDcd || v == kOutboundDsr;
}

bool IsInboundFlow(std::uint8_t v) {
    return v == kInboundNone || v == kInboundXonXoff || v == kInboundHardware || v == kInboundDtr;
}

std::string FlowName(std::uint8_t v) {
    switch (v) {
        case kOutboundNone:
        case kInboundNone:
            return "none";
        case kOutboundXonXoff:
        case kInboundXonXoff:
            return "XON/XOFF";
        case kOutboundHardware:
        case kInboundHardware:
            return "RTS/CTS";
        case kOutboundDcd:
            return "DCD";
        case kInboundDtr:
            return "DTR";
        case kOutboundDsr:
            return "DSR";
        default:
            return std::to_string(v);
    }
}

std::string ParityName(int v) {
    switch (v) {
        case kParityNone:
            return "none";
        case kParityOdd:
            return "odd";
        case kParityEven:
            return "even";
        default:
            return std::to_string(v);
    }
}

std::string StopName(int v) {
    switch (v) {
        case kStopOne:
            return "1";
        case kStopTwo:
            return "2";
        case kStopOneAndHalf:
            return "1.5";
        default:
            return std::to_string(v);
    }
}

std::uint8_t ParityValue(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return kParityOdd;
        case Parity::Even:
            return kParityEven;
        case Parity::None:
            break;
    }
    return kParityNone;
}

std::uint8_t StopValue(StopBits stop) {
    switch (stop) {
        case StopBits::Two:
            return kStopTwo;
        case StopBits::OnePointFive:
            return kStopOneAndHalf;
        case StopBits::One:
            break;
    }
    return kStopOne;
}

std::string SecondsText(std::chrono::milliseconds d) {
    if (d.count() % 1000 == 0)
        return std::to_string(d.count() / 1000) + " s";
    return std::to_string(d.count()) + " ms";
}

class Rfc2217Port final : public NetworkPort {
  public:
    using NetworkPort::NetworkPort;

    std::string OpenNotice() const override {
        if (inboundRefused_.empty())
            return {};
        return OpenedName() + " (" + Address().text +
               ") の装置サーバは、受信中に装置へ XON/XOFF を送る設定を受け付けませんでした (" +
               inboundRefused_ + ")。受信データは TCP の流れ制御で止めます。";
    }

  protected:
    PortError Negotiate(const PortConfig& config) override;
    void Decode(const std::uint8_t* bytes, std::size_t count) override;
    void Encode(std::uint8_t byte, std::string& wire) override {
        wire.push_back(static_cast<char>(byte));
        if (byte == kIac)
            wire.push_back(static_cast<char>(kIac));
    }
    void ResetProtocol() override;

  private:
    enum class State { Data, Command, Option, Subnegotiation, SubnegotiationCommand };
    enum class Agreement { Pending, Agreed, Refused };
    struct Answers {
        std::optional<std::uint32_t> speed;
        std::optional<int> dataSize, parity, stopSize, outbound, inbound;
    };

    // What we want of each option: binary both ways (every byte value passes, no NVT rules for
    // CR), no go-aheads, and the COM-PORT-OPTION on our side.
    static bool WantOurs(std::uint8_t option) {
        return option == kBinary || option == kSuppressGoAhead || option == kComPortOption;
    }
    static bool WantTheirs(std::uint8_t option) {
        return option == kBinary || option == kSuppressGoAhead;
    }

    void Negotiation(std::uint8_t verb, std::uint8_t option);
    void Answer(const std::string& sub);
    void Reply(std::uint8_t verb, std::uint8_t option);
    static void Request(std::string& out, std::uint8_t command, std::string_view value);
    PortError CheckAnswers(const PortConfig& config, std::uint8_t inbound);
    // Why the setting was refused: "10.0.0.21:4001: <what>".
    PortError SetupRefused(const std::string& what) {
        return Refuse(PortError::SetupFailed, Address().Endpoint() + ": " + what);
    }

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::string sub_;
    // Telnet option states (RFC 1143 without the queue: we never change our mind).
    std::array<bool, 256> ours_{};
    std::array<bool, 256> theirs_{};
    std::array<bool, 256> oursAsked_{};
    std::array<bool, 256> theirsAsked_{};
    Agreement comPort_ = Agreement::Pending;
    Answers answers_;
    // The input flow control the server kept instead of ours ("none"), or empty.
    std::string inboundRefused_;
};

void Rfc2217Port::ResetProtocol() {
    inboundRefused_.clear();
    state_ = State::Data;
    sub_.clear();
    ours_.fill(false);
    theirs_.fill(false);
    oursAsked_.fill(false);
    theirsAsked_.fill(false);
    comPort_ = Agreement::Pending;
    answers_ = Answers{};
}

void Rfc2217Port::Reply(std::uint8_t verb, std::uint8_t option) {
    const char bytes[] = {static_cast<char>(kIac), static_cast<char>(verb),
                          static_cast<char>(option)};
    SendWire(std::string_view(bytes, sizeof bytes));
}

void Rfc2217Port::Request(std::string& out, std::uint8_t command, std::string_view value) {
    out.push_back(static_cast<char>(kIac));
    out.push_back(static_cast<char>(kSb));
    out.push_back(static_cast<char>(kComPortOption));
    out.push_back(static_cast<char>(command));
    for (const char c : value) {
        out.push_back(c);
        if (static_cast<std::uint8_t>(c) == kIac)
            out.push_back(c);
    }
    out.push_back(static_cast<char>(kIac));
    out.push_back(static_cast<char>(kSe));
}

PortError Rfc2217Port::Negotiate(const PortConfig& config) {
    // Servers speak first (ser2net offers its options at once), and one that turns the client
    // away says why and closes: listening a moment before we speak keeps that close orderly,
    // where bytes of ours it never read would make it a reset that loses its words.
    if (!PumpUntil(SteadyClock::now() + Timeouts().settle, [] { return false; }))
        return Refuse(PortError::OpenFailed, ClosedReason());
    std::string hello;
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead, kComPortOption}) {
        if (ours_[option])
            continue;
        hello += {static_cast<char>(kIac), static_cast<char>(kWill), static_cast<char>(option)};
        oursAsked_[option] = true;
    }
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        if (theirs_[option])
            continue;
        hello += {static_cast<char>(kIac), static_cast<char>(kDo), static_cast<char>(option)};
        theirsAsked_[option] = true;
    }
    SendWire(hello);
    if (!PumpUntil(SteadyClock::now() + Timeouts().answer,
                   [this] { return comPort_ != Agreement::Pending; }))
        return Refuse(PortError::OpenFailed, ClosedReason());
    if (comPort_ == Agreement::Pending) {
        return SetupRefused("no answer to the RFC 2217 negotiation within " +
                            SecondsText(Timeouts().answer) +
                            " (a raw TCP port is mapped as tcp://)");
    }
    if (comPort_ == Agreement::Refused) {
        return SetupRefused(
            "the device server refuses RFC 2217 (COM-PORT-OPTION); a raw TCP port is mapped as "
            "tcp://");
    }

    // Flow control first: a server answers in order, so once the stop size is answered every
    // answer it gives at all has arrived.
    const std::uint8_t inbound = config.driverFlowIn ? kInboundXonXoff : kInboundNone;
    std::string requests;
    Request(requests, kSetControl, std::string(1, static_cast<char>(kOutboundNone)));
    Request(requests, kSetControl, std::string(1, static_cast<char>(inbound)));
    if (config.dtrOn)
        Request(requests, kSetControl, std::string(1, static_cast<char>(kDtrOn)));
    if (config.rtsOn)
        Request(requests, kSetControl, std::string(1, static_cast<char>(kRtsOn)));
    Request(requests, kSetLineStateMask, std::string(1, '\0'));
    Request(requests, kSetModemStateMask, std::string(1, static_cast<char>(kModemStateMask)));
    const auto speed = static_cast<std::uint32_t>(config.line.speed);
    const char speedBytes[] = {static_cast<char>(speed >> 24), static_cast<char>(speed >> 16),
                               static_cast<char>(speed >> 8), static_cast<char>(speed)};
    Request(requests, kSetBaudRate, std::string_view(speedBytes, sizeof speedBytes));
    Request(requests, kSetDataSize, std::string(1, static_cast<char>(config.line.dataBits)));
    Request(requests, kSetParity,
            std::string(1, static_cast<char>(ParityValue(config.line.parity))));
    Request(requests, kSetStopSize,
            std::string(1, static_cast<char>(StopValue(config.line.stopBits))));
    SendWire(requests);
    const auto answered = [this] {
        return answers_.speed && answers_.dataSize && answers_.parity && answers_.stopSize;
    };
    if (!PumpUntil(SteadyClock::now() + Timeouts().answer, answered))
        return Refuse(PortError::OpenFailed, ClosedReason());
    if (!answered()) {
        return SetupRefused("the device server did not confirm the line setting within " +
                            SecondsText(Timeouts().answer));
    }
    if (const PortError error = CheckAnswers(config, inbound); error != PortError::None)
        return error;

    std::string purge;
    Request(purge, kPurgeData, std::string(1, static_cast<char>(kPurgeBoth)));
    SendWire(purge);
    return PortError::None;
}

PortError Rfc2217Port::CheckAnswers(const PortConfig& config, std::uint8_t inbound) {
    const LineSetting& line = config.line;
    const double off = std::abs(static_cast<double>(*answers_.speed) - line.speed) / line.speed;
    if (off > kSpeedTolerance) {
        return SetupRefused("the device server set " + std::to_string(*answers_.speed) +
                            " baud instead of " + std::to_string(line.speed));
    }
    if (*answers_.dataSize != line.dataBits) {
        return SetupRefused("the device server set " + std::to_string(*answers_.dataSize) +
                            " data bits instead of " + std::to_string(line.dataBits));
    }
    const int parity = ParityValue(line.parity);
    if (*answers_.parity != parity) {
        return SetupRefused("the device server set parity " + ParityName(*answers_.parity) +
                            " instead of " + ParityName(parity));
    }
    const int stop = StopValue(line.stopBits);
    if (*answers_.stopSize != stop) {
        return SetupRefused("the device server set " + StopName(*answers_.stopSize) +
                            " stop bits instead of " + StopName(stop));
    }
    // A server that obeyed XON/XOFF on its output would swallow the machine's DC1/DC3 before
    // the send could read them.
    if (answers_.outbound && *answers_.outbound != kOutboundNone) {
        return SetupRefused("the device server keeps its flow control on output (" +
                            FlowName(static_cast<std::uint8_t>(*answers_.outbound)) + ")");
    }
    // Input flow control only guards the server's buffer while we do not read; TCP holds the
    // server back as well. A server that cannot do it alone (ser2net switches XON/XOFF for both
    // directions at once) is used without it, and the user is told.
    inboundRefused_.clear();
    if (answers_.inbound && *answers_.inbound != inbound) {
        inboundRefused_ = FlowName(static_cast<std::uint8_t>(*answers_.inbound));
    }
    return PortError::None;
}

void Rfc2217Port::Decode(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        switch (state_) {
            case State::Data:
                if (b == kIac)
                    state_ = State::Command;
                else
                    LineByte(b);
                break;
            case State::Command:
                if (b == kIac) {
                    LineByte(kIac);
                    state_ = State::Data;
                } else if (b >= kWill && b <= kDont) {
                    verb_ = b;
                    state_ = State::Option;
                } else if (b == kSb) {
                    sub_.clear();
                    state_ = State::Subnegotiation;
                } else {
                    // NOP, go-ahead, data mark and the like carry nothing for the line.
                    state_ = State::Data;
                }
                break;
            case State::Option:
                Negotiation(verb_, b);
                state_ = State::Data;
                break;
            case State::Subnegotiation:
                if (b == kIac)
                    state_ = State::SubnegotiationCommand;
                else if (sub_.size() < kMaxSubnegotiation)
                    sub_.push_back(static_cast<char>(b));
                break;
            case State::SubnegotiationCommand:
                if (b == kIac) {
                    if (sub_.size() < kMaxSubnegotiation)
                        sub_.push_back(static_cast<char>(kIac));
                    state_ = State::Subnegotiation;
                } else {
                    if (b == kSe)
                        Answer(sub_);
                    state_ = State::Data;
                }
                break;
        }
    }
}

void Rfc2217Port::Negotiation(std::uint8_t verb, std::uint8_t option) {
    switch (verb) {
        case kDo:
            if (!WantOurs(option)) {
                Reply(kWont, option);
                break;
            }
            if (!ours_[option] && !oursAsked_[option])
                Reply(kWill, option);
            ours_[option] = true;
            oursAsked_[option] = false;
            if (option == kComPortOption)
                comPort_ = Agreement::Agreed;
            break;
        case kDont:
            if (ours_[option])
                Reply(kWont, option);
            ours_[option] = false;
            oursAsked_[option] = false;
            if (option == kComPortOption)
                comPort_ = Agreement::Refused;
            break;
        case kWill:
            if (!WantTheirs(option)) {
                Reply(kDont, option);
                break;
            }
            if (!theirs_[option] && !theirsAsked_[option])
                Reply(kDo, option);
            theirs_[option] = true;
            theirsAsked_[option] = false;
            break;
        case kWont:
            if (theirs_[option])
                Reply(kDont, option);
            theirs_[option] = false;
            theirsAsked_[option] = false;
            break;
        default:
            break;
    }
}

void Rfc2217Port::Answer(const std::string& sub) {
    if (sub.size() < 2 || static_cast<std::uint8_t>(sub[0]) != kComPortOption)
        return;
    const auto command = static_cast<std::uint8_t>(sub[1]);
    if (command < kServerAnswer)
        return;
    // Every answer but the flow-control suspend and resume carries a value.
    const bool hasValue = sub.size() >= 3;
    const auto value = static_cast<std::uint8_t>(hasValue ? sub[2] : 0);
    switch (command - kServerAnswer) {
        case kSetBaudRate:
            if (sub.size() >= 6) {
                std::uint32_t speed = 0;
                for (std::size_t i = 2; i < 6; ++i)
                    speed = (speed << 8) | static_cast<std::uint8_t>(sub[i]);
                answers_.speed = speed;
            }
            break;
        case kSetDataSize:
            if (hasValue)
                answers_.dataSize = value;
            break;
        case kSetParity:
            if (hasValue)
                answers_.parity = value;
            break;
        case kSetStopSize:
            if (hasValue)
                answers_.stopSize = value;
            break;
        case kSetControl:
            if (hasValue && IsOutboundFlow(value))
                answers_.outbound = value;
            else if (hasValue && IsInboundFlow(value))
                answers_.inbound = value;
            break;
        case kNotifyModemState:
            if (!hasValue)
                break;
            modem_.cts = (value & kModemCts) != 0;
            modem_.dsr = (value & kModemDsr) != 0;
            modem_.carrier = (value & kModemCarrier) != 0;
            break;
        case kFlowControlSuspend:
            outputSuspended_ = true;
            break;
        case kFlowControlResume:
            outputSuspended_ = false;
            break;
        default:
            break;
    }
}

}  // namespace

std::unique_ptr<SerialPort> CreateRfc2217Port(const PortAddress& address,
                                              const NetworkTimeouts& timeouts) {
    return std::make_unique<Rfc2217Port>(address, timeouts);
}

}  // namespace kelvantori

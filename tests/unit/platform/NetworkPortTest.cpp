// The raw TCP and RFC 2217 ports against a scripted device server on 127.0.0.1: the exact bytes
// of the open steps, the line bytes both ways (0xFF doubled only by Telnet), the modem states
// and flow control the server reports, the failures of the opening with the program's message
// and the system's reason, and a connection that drops.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "platform/CommPort.h"
#include "platform/HostConfig.h"
#include "platform/SerialPort.h"
#include "support/EngineRig.h"
#include "support/FreeLocalPort.h"
#include "support/ScriptedPeer.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using test::Hex;
using test::ScriptedPeer;

constexpr NetworkTimeouts kQuick{300ms, 300ms, 50ms};

// COM5 mapped to the address, with short time-outs.
std::unique_ptr<SerialPort> PortFor(const std::string& address) {
    HostConfig config;
    config.ports[5] = address;
    return CreateSystemSerialPort(config, kQuick);
}

Settings SettingsFor(const char* speed) {
    Settings settings;
    settings.Port = "COM5";
    settings.Speed = speed;
    return settings;
}

// Everything the port delivers until it has been quiet for a while.
std::string ReadAll(SerialPort& port) {
    std::string bytes;
    for (ReadResult r = port.Read(200ms); r.status == ReadStatus::Byte; r = port.Read(200ms))
        bytes.push_back(static_cast<char>(r.byte));
    return bytes;
}

// A Telnet COM-PORT-OPTION message: IAC SB 44 command value IAC SE.
std::string Sub(int command, std::string value = {}) {
    return "\xFF\xFA\x2C" + std::string(1, static_cast<char>(command)) + value + "\xFF\xF0";
}

// IAC WILL BINARY, IAC WILL SGA, IAC WILL COM-PORT-OPTION, IAC DO BINARY, IAC DO SGA.
const std::string kHello = "\xFF\xFB\x00\xFF\xFB\x03\xFF\xFB\x2C\xFF\xFD\x00\xFF\xFD\x03"s;

struct OpenStepsCase {
    const char* name;
    const char* speed;
    TransferMode mode;
    bool autoSelect;       // DTR and RTS on
    std::string requests;  // after the hello, before the purge
};

class Rfc2217OpenTest : public testing::TestWithParam<OpenStepsCase> {};

TEST_P(Rfc2217OpenTest, SendsTheLineSettingFlowControlModemLinesAndThePurge) {
    const OpenStepsCase& c = GetParam();
    ScriptedPeer peer(ScriptedPeer::Role::Rfc2217);
    auto port = PortFor(peer.Address("rfc2217"));
    Settings settings = SettingsFor(c.speed);
    settings.AutoSelect = c.autoSelect ? "Y" : "N";
    const CommPortResult opened = OpenCommPort(*port, settings, c.mode);
    ASSERT_TRUE(opened.ok) << opened.message << " " << opened.systemReason;
    const std::string expected = kHello + c.requests + Sub(12, "\x03");
    ASSERT_TRUE(
        peer.WaitFor([&](const std::string& got) { return got.size() >= expected.size(); }));
    EXPECT_EQ(Hex(peer.Received()), Hex(expected));
    // An RFC 2217 port needs no notice: what the settings say reaches the line.
    EXPECT_EQ(opened.notice, "");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Rfc2217OpenTest,
    testing::Values(
        // No flow control of the server's own either way: the send reads DC1/DC3 itself.
        OpenStepsCase{"SendAt19200", "19200,8,N,1", TransferMode::Send, false,
                      Sub(5, "\x01") + Sub(5, "\x0E") + Sub(10, "\x00"s) + Sub(11, "\xBB") +
                          Sub(1, "\x00\x00\x4B\x00"s) + Sub(2, "\x08") + Sub(3, "\x01") +
                          Sub(4, "\x01")},
        // A receive lets the server hold the machine back with XON/XOFF; the switcher needs
        // DTR and RTS.
        OpenStepsCase{"ReceiveWithTheSwitcher", "4800,7,E,2", TransferMode::Receive, true,
                      Sub(5, "\x01") + Sub(5, "\x0F") + Sub(5, "\x08") + Sub(5, "\x0B") +
                          Sub(10, "\x00"s) + Sub(11, "\xBB") + Sub(1, "\x00\x00\x12\xC0"s) +
                          Sub(2, "\x07") + Sub(3, "\x03") + Sub(4, "\x02")},
        // RFC 2217 can say 1.5 stop bits, which a POSIX device cannot.
        OpenStepsCase{"OddParityOneAndAHalfStopBits", "9600,7,O,3", TransferMode::Send, false,
                      Sub(5, "\x01") + Sub(5, "\x0E") + Sub(10, "\x00"s) + Sub(11, "\xBB") +
                          Sub(1, "\x00\x00\x25\x80"s) + Sub(2, "\x07") + Sub(3, "\x02") +
                          Sub(4, "\x03")}),
    [](const auto& info) { return std::string(info.param.name); });

struct WireCase {
    const char* name;
    const char* scheme;
    std::string fromServer;  // wire bytes the server sends
    std::string lineBytes;   // what the port reads of them
    std::string answered;    // what the port answered (after the open), on the wire
};

class LineBytesTest : public testing::TestWithParam<WireCase> {};

TEST_P(LineBytesTest, EveryByteValueCrossesBothWays) {
    const WireCase& c = GetParam();
    const bool telnet = std::string(c.scheme) == "rfc2217";
    ScriptedPeer peer(telnet ? ScriptedPeer::Role::Rfc2217 : ScriptedPeer::Role::Silent);
    auto port = PortFor(peer.Address(c.scheme));
    const CommPortResult opened =
        OpenCommPort(*port, SettingsFor("19200,8,N,1"), TransferMode::Send);
    ASSERT_TRUE(opened.ok) << opened.message << " " << opened.systemReason;
    // The open steps end with the purge.
    ASSERT_TRUE(peer.WaitFor(
        [&](const std::string& got) { return !telnet || got.ends_with(Sub(12, "\x03")); }));
    const std::size_t afterOpen = peer.Received().size();

    // Out: a byte written while the line is idle leaves at once, with no further call, so a
    // paced send is never held back; then all 256 values at once, faster than the line (an
    // ISO DEL is 0xFF): those go out by the port's next read, as a send reads the line at
    // least every ten bytes.
    ASSERT_EQ(port->Write('%'), WriteStatus::Written);
    ASSERT_TRUE(peer.WaitFor([&](const std::string& got) { return got.size() > afterOpen; }));
    std::string all = "%";
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    for (const char b : all.substr(1))
        ASSERT_EQ(port->Write(static_cast<std::uint8_t>(b)), WriteStatus::Written);
    port->Read(std::chrono::microseconds(0));
    const std::size_t wireBytes = all.size() + (telnet ? 1 : 0);
    ASSERT_TRUE(
        peer.WaitFor([&](const std::string& got) { return got.size() >= afterOpen + wireBytes; }));
    EXPECT_EQ(Hex(peer.Data()), Hex(all));

    // In.
    peer.Send(c.fromServer);
    EXPECT_EQ(Hex(ReadAll(*port)), Hex(c.lineBytes));
    EXPECT_EQ(Hex(peer.Received().substr(afterOpen + wireBytes)), Hex(c.answered));
}

INSTANTIATE_TEST_SUITE_P(
    Wire, LineBytesTest,
    testing::Values(
        // NUL bytes are dropped as on a device; everything else is a line byte.
        WireCase{"RawTcp", "tcp",
                 "A\xFF\xFF"
                 "B\x00"
                 "C\xF0"s,
                 "A\xFF\xFF"
                 "BC\xF0"s,
                 ""},
        // Commands in the data are taken out and answered; a doubled 0xFF is one line byte.
        WireCase{"Rfc2217", "rfc2217",
                 "A\xFF\xFF"
                 "B\xFF\xF1"
                 "C\xFF\xFB\x01"
                 "D" +
                     Sub(107, "\xB0") +
                     "E\x00"
                     "F"s,
                 "A\xFF"
                 "BCDEF",
                 "\xFF\xFE\x01"s}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rfc2217PortTest, ModemStatesAndFlowControlOfTheServerReachThePort) {
    ScriptedPeer peer(ScriptedPeer::Role::Rfc2217);
    auto port = PortFor(peer.Address("rfc2217"));
    ASSERT_TRUE(OpenCommPort(*port, SettingsFor("19200,8,N,1"), TransferMode::Send).ok);
    // Until the server tells, the lines read as on, like those of a device that has none.
    EXPECT_EQ(port->GetModemStatus(), std::optional(ModemStatus{true, true, true}));
    const struct {
        const char* name;
        char state;
        ModemStatus status;
    } states[] = {{"AllOff", '\x00', {false, false, false}},
                  {"DsrOnly", '\x22', {false, true, false}},
                  {"CtsAndCarrier", '\x99', {true, false, true}}};
    for (const auto& s : states) {
        peer.Send(Sub(107, std::string(1, s.state)));
        port->Read(50ms);
        EXPECT_EQ(port->GetModemStatus(), std::optional(s.status)) << s.name;
    }
    // FLOWCONTROL-SUSPEND holds our output until FLOWCONTROL-RESUME.
    peer.Send(Sub(108));
    port->Read(50ms);
    EXPECT_EQ(port->Write('G'), WriteStatus::Full);
    EXPECT_FALSE(port->WaitWritable(50ms));
    peer.Send(Sub(109));
    EXPECT_TRUE(port->WaitWritable(1s));
    EXPECT_EQ(port->Write('G'), WriteStatus::Written);
    ASSERT_TRUE(peer.WaitFor([&](const std::string&) { return peer.Data() == "G"; }));
}

struct FailureCase {
    const char* name;
    std::function<std::string(ScriptedPeer&)> address;  // may script the peer
    ScriptedPeer::Role role;
    const char* message;
    const char* reason;  // a part of the system's words
};

class OpenFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(OpenFailureTest, ShowsTheProgramsMessageAndTheReason) {
    const FailureCase& c = GetParam();
    ScriptedPeer peer(c.role);
    auto port = PortFor(c.address(peer));
    const auto started = std::chrono::steady_clock::now();
    const CommPortResult opened =
        OpenCommPort(*port, SettingsFor("19200,8,N,1"), TransferMode::Send);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_FALSE(opened.ok);
    // The program's message first, then why.
    EXPECT_EQ(opened.message.rfind(c.message, 0), 0u) << opened.message;
    EXPECT_NE(opened.systemReason.find(c.reason), std::string::npos) << opened.systemReason;
    EXPECT_NE(opened.UserText().find(c.reason), std::string::npos) << opened.UserText();
    port->Close();
    EXPECT_FALSE(port->IsOpen());
}

const char* const kNoOpen = "COM5のポートが開きません。!!";
const char* const kSetup = "通信速度の設定エラー!!";

INSTANTIATE_TEST_SUITE_P(
    Failures, OpenFailureTest,
    testing::Values(
        FailureCase{"NothingListens",
                    [](ScriptedPeer&) {
                        return "tcp://127.0.0.1:" + std::to_string(test::FreeLocalPort());
                    },
                    ScriptedPeer::Role::Silent, kNoOpen, "Connection refused"},
        FailureCase{
            "NameDoesNotResolve",
            [](ScriptedPeer&) { return std::string("rfc2217://no-such-host.invalid:4001"); },
            ScriptedPeer::Role::Silent, kNoOpen, "resolve no-such-host.invalid: "},
        FailureCase{"MalformedAddress", [](ScriptedPeer&) { return std::string("tcp://box"); },
                    ScriptedPeer::Role::Silent, kNoOpen,
                    "\"tcp://box\" is no network port address"},
        // A raw TCP port, or a server that never answers: the Telnet negotiation times out.
        FailureCase{"ServerNeverAnswers", [](ScriptedPeer& p) { return p.Address("rfc2217"); },
                    ScriptedPeer::Role::Silent, kSetup,
                    "no answer to the RFC 2217 negotiation within 300 ms"},
        FailureCase{"ServerRefusesTheOption",
                    [](ScriptedPeer& p) {
                        p.RefuseComPort();
                        return p.Address("rfc2217");
                    },
                    ScriptedPeer::Role::Rfc2217, kSetup, "refuses RFC 2217"},
        // It would obey the machine's DC3 itself and swallow it before the send could read it.
        FailureCase{"ServerKeepsXonXoffOnItsOutput",
                    [](ScriptedPeer& p) {
                        p.AnswerControl(1, 2);
                        return p.Address("rfc2217");
                    },
                    ScriptedPeer::Role::Rfc2217, kSetup,
                    "the device server keeps its flow control on output (XON/XOFF)"},
        FailureCase{"ServerSetsAnotherSpeed",
                    [](ScriptedPeer& p) {
                        p.AnswerSpeed(9600);
                        return p.Address("rfc2217");
                    },
                    ScriptedPeer::Role::Rfc2217, kSetup, "set 9600 baud instead of 19200"},
        // ser2net turns a second client away this way: the port is in use.
        FailureCase{"RawServerTurnsTheClientAway",
                    [](ScriptedPeer& p) {
                        p.GreetWith("Port already in use\r\n", true);
                        return p.Address("tcp");
                    },
                    ScriptedPeer::Role::Silent, kNoOpen,
                    "closed the connection (\"Port already in use\")"},
        FailureCase{"Rfc2217ServerTurnsTheClientAway",
                    [](ScriptedPeer& p) {
                        p.GreetWith("Port already in use\r\n", true);
                        return p.Address("rfc2217");
                    },
                    ScriptedPeer::Role::Rfc2217, kNoOpen,
                    "closed the connection (\"Port already in use\")"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NetworkPortTest, ConnectGivesUpOnAServerThatTakesNoConnection) {
    // A listener whose queue is full drops further connection requests unanswered.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(fd, 0), 0);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string where = "tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    std::vector<std::unique_ptr<SerialPort>> queued;
    CommPortResult opened;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 4 && (opened.ok || queued.empty()); ++i) {
        queued.push_back(PortFor(where));
        opened = OpenCommPort(*queued.back(), SettingsFor("19200,8,N,1"), TransferMode::Send);
    }
    ::close(fd);
    EXPECT_FALSE(opened.ok);
    EXPECT_EQ(opened.message.rfind(kNoOpen, 0), 0u) << opened.message;
    EXPECT_NE(opened.systemReason.find("no answer within 300 ms"), std::string::npos)
        << opened.systemReason;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
}

class DroppedConnectionTest : public testing::TestWithParam<const char*> {};

TEST_P(DroppedConnectionTest, IsLostAfterWhatArrivedBeforeIt) {
    const bool telnet = std::string(GetParam()) == "rfc2217";
    ScriptedPeer peer(telnet ? ScriptedPeer::Role::Rfc2217 : ScriptedPeer::Role::Silent);
    auto port = PortFor(peer.Address(GetParam()));
    ASSERT_TRUE(OpenCommPort(*port, SettingsFor("19200,8,N,1"), TransferMode::Receive).ok);
    peer.Send("%\n");
    peer.CloseClient();
    std::string got;
    ReadResult r;
    while ((r = port->Read(1s)).status == ReadStatus::Byte)
        got.push_back(static_cast<char>(r.byte));
    EXPECT_EQ(got, "%\n");
    EXPECT_EQ(r.status, ReadStatus::Lost);
    // It stays lost: no read waits, no write goes anywhere, the lines cannot be read.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(port->Read(1s).status, ReadStatus::Lost);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
    EXPECT_EQ(port->Write('x'), WriteStatus::Failed);
    EXPECT_EQ(port->GetModemStatus(), std::nullopt);
    EXPECT_NE(port->LastSystemError().find("the device server closed the connection"),
              std::string::npos)
        << port->LastSystemError();
}

INSTANTIATE_TEST_SUITE_P(Protocols, DroppedConnectionTest, testing::Values("tcp", "rfc2217"));

// A server may discard what it still holds when the connection closes (the DC4 of a stopped
// send): the close waits for the line time of what was written, as a device's close waits for
// its output, but a second at most.
TEST(NetworkPortTest, CloseWaitsUntilTheLineHasSentWhatWasWrittenButNotForEver) {
    const struct {
        const char* name;
        int bytes;  // at 1200 baud 8N1: 8.3 ms each
        std::chrono::milliseconds atLeast, atMost;
    } cases[] = {{"ThirtyBytes", 30, 250ms, 800ms},
                 {"ThreeHundredBytes", 300, 1000ms, 1600ms},
                 {"NothingWritten", 0, 0ms, 100ms}};
    for (const auto& c : cases) {
        ScriptedPeer peer(ScriptedPeer::Role::Silent);
        auto port = PortFor(peer.Address("tcp"));
        ASSERT_TRUE(OpenCommPort(*port, SettingsFor("1200,8,N,1"), TransferMode::Send).ok);
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < c.bytes; ++i)
            ASSERT_EQ(port->Write('x'), WriteStatus::Written);
        port->Close();
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, c.atLeast) << c.name;
        EXPECT_LE(took, c.atMost) << c.name;
        EXPECT_TRUE(peer.WaitFor([&](const std::string& got) {
            return got.size() == static_cast<std::size_t>(c.bytes);
        })) << c.name;
    }
}

TEST(NetworkPortTest, UsableWhenTheNameResolvesWithoutTakingTheServersPort) {
    ScriptedPeer peer(ScriptedPeer::Role::Rfc2217);
    HostConfig config;
    config.ports[5] = peer.Address("rfc2217");
    config.ports[6] = "tcp://no-such-host.invalid:4001";
    config.ports[7] = "rfc2217://box";
    auto port = CreateSystemSerialPort(config, kQuick);
    Settings settings;
    EXPECT_EQ((std::vector{PortUsable(*port, 5, settings), PortUsable(*port, 6, settings),
                           PortUsable(*port, 7, settings)}),
              (std::vector{true, false, false}));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(peer.Accepted(), 0);
}

// ser2net can only switch XON/XOFF for both directions; a receive goes on without it.
TEST(Rfc2217PortTest, AReceiveWithoutTheServersInputXonXoffGoesOnAndSaysSo) {
    ScriptedPeer peer(ScriptedPeer::Role::Rfc2217);
    peer.AnswerControl(15, 14);
    auto port = PortFor(peer.Address("rfc2217"));
    const CommPortResult opened =
        OpenCommPort(*port, SettingsFor("19200,8,N,1"), TransferMode::Receive);
    ASSERT_TRUE(opened.ok) << opened.systemReason;
    EXPECT_EQ(opened.notice, "COM5 (" + peer.Address("rfc2217") +
                                 ") の装置サーバは、受信中に装置へ XON/XOFF を送る設定を受け付けま"
                                 "せんでした (none)。受信データは TCP の流れ制御で止めます。");
}

TEST(NetworkPortTest, RawTcpSaysOnceThatTheLineSettingStaysTheServers) {
    ScriptedPeer peer(ScriptedPeer::Role::Silent);
    auto port = PortFor(peer.Address("tcp"));
    const CommPortResult opened =
        OpenCommPort(*port, SettingsFor("4800,7,E,2"), TransferMode::Send);
    ASSERT_TRUE(opened.ok);
    EXPECT_TRUE(opened.notice.starts_with("COM5 (" + peer.Address("tcp") + ") は raw TCP"))
        << opened.notice;
    // Nothing of the open steps reaches a raw server: the first byte it gets is the line's.
    ASSERT_EQ(port->Write('%'), WriteStatus::Written);
    ASSERT_TRUE(peer.WaitFor([](const std::string& got) { return !got.empty(); }));
    EXPECT_EQ(peer.Received(), "%");
    // The modem lines of a raw port read as on.
    EXPECT_EQ(opened.modem, std::optional(ModemStatus{true, true, true}));
}

}  // namespace
}  // namespace kelvantori

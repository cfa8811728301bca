// The engines and kelvantori-cli through ser2net, the device server of the tests, in front of
// kelvantori-machine: byte-exact sends (ISO with DEL, which is 0xFF on the line, and EIA) and
// receives in raw TCP and RFC 2217 mode, the machine's DC3/DC1, Esc, and the failure paths:
// nothing listening, a server that accepts and never answers, ser2net stopped in the middle of
// a send and of a receive. Tests that need ser2net skip where it is not installed.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "core/TextCodec.h"
#include "support/EngineRig.h"
#include "support/LineRig.h"
#include "support/ScriptedPeer.h"
#include "support/Ser2net.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;
using test::Hex;
using test::LineRig;
using test::ReadFixture;
using test::Ser2netProcess;
using Mode = Ser2netProcess::Mode;

#define SKIP_WITHOUT_SER2NET()                \
    if (Ser2netProcess::Executable().empty()) \
    GTEST_SKIP() << "ser2net is not installed (Debian: apt-get install ser2net)"

const char* ModeName(Mode mode) {
    return mode == Mode::Raw ? "Raw" : "Rfc2217";
}

// --- sends, byte for byte ---------------------------------------------------------------------

struct SendCase {
    const char* name;
    Mode mode;
    const char* fixture;  // integration/<fixture>.input and .expected
    const char* code;     // the machine's --code
    void (*configure)(Settings&);
};

void Iso(Settings&) {}

// As the pseudo-terminal case of the same golden file.
void EiaFramedOneTwo(Settings& s) {
    s.Code = "Y";
    s.StartChar = "Y", s.StartChar_Type = 1, s.EndChar = "Y", s.EndChar_Type = 2;
}

class NetworkSendTest : public testing::TestWithParam<SendCase> {};

TEST_P(NetworkSendTest, MachineReceivesExactlyTheExpectedBytes) {
    SKIP_WITHOUT_SER2NET();
    const SendCase& c = GetParam();
    LineRig rig;
    c.configure(rig.settings);
    ASSERT_TRUE(rig.StartMachineBehindSer2net(c.mode, {"--code", c.code})) << rig.Server().Report();
    const std::string input = ReadFixture(std::string("integration/") + c.fixture + ".input");
    ASSERT_EQ(rig.Send("O42.NC", input), TransferResult::Completed)
        << testing::PrintToString(rig.host.errors);
    rig.FinishMachine();
    EXPECT_EQ(Hex(rig.Raw()),
              Hex(ReadFixture(std::string("integration/") + c.fixture + ".expected")))
        << rig.MachineErrors();
    EXPECT_EQ(rig.Summary()["bad_parity"], "0");
    EXPECT_EQ(rig.host.results, std::vector<std::string>{"送信完了しました。!!"});
    EXPECT_FALSE(rig.host.TimedOut());
    // A raw port says once that the line setting stays the server's; RFC 2217 carries it.
    if (c.mode == Mode::Raw) {
        ASSERT_EQ(rig.host.notices.size(), 1u);
        EXPECT_TRUE(rig.host.notices[0].starts_with("COM1 (tcp://127.0.0.1:"))
            << rig.host.notices[0];
    } else {
        EXPECT_TRUE(rig.host.notices.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ser2net, NetworkSendTest,
    // iso_del holds DEL next to characters whose ISO bytes are Telnet's SB and SE (0xFA, 0xF0):
    // an undoubled 0xFF would start a Telnet command in the server.
    testing::Values(SendCase{"RawIsoWithDel", Mode::Raw, "iso_del", "iso", Iso},
                    SendCase{"Rfc2217IsoWithDel", Mode::Rfc2217, "iso_del", "iso", Iso},
                    SendCase{"RawEia", Mode::Raw, "eia_start1_end2", "eia", EiaFramedOneTwo},
                    SendCase{"Rfc2217Eia", Mode::Rfc2217, "eia_start1_end2", "eia",
                             EiaFramedOneTwo}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the machine's DC3/DC1 and Esc ------------------------------------------------------------

class NetworkFlowTest : public testing::TestWithParam<Mode> {};

TEST_P(NetworkFlowTest, MachineDc3PausesTheSendWithinAFewCharacters) {
    SKIP_WITHOUT_SER2NET();
    LineRig rig;
    // The machine reads at the line's rate and empties its buffer slower, so it fills past its
    // high mark (DC3) and drains to its low mark (DC1) again.
    ASSERT_TRUE(rig.StartMachineBehindSer2net(
        GetParam(), {"--code", "iso", "--baud", "19200", "--format", "8N1", "--buffer", "256",
                     "--high", "128", "--low", "32", "--drain", "600", "--dc3", "93"}))
        << rig.Server().Report();
    const TransferResult result = rig.Send("O8.NC", ReadFixture("integration/flow.input"));
    rig.FinishMachine();
    ASSERT_EQ(result, TransferResult::Completed) << rig.MachineErrors();
    EXPECT_EQ(Hex(rig.Raw()), Hex(ReadFixture("integration/flow.expected")));
    auto summary = rig.Summary();
    EXPECT_GE(std::stoi(summary["dc3_sent"]), 2) << "the buffer never filled: no pause tested";
    EXPECT_EQ(summary["lost"], "0");
    // The server's queue is out of sight; the send paces itself by the line and obeys a DC3
    // before its next byte. (How many characters reach the machine after its DC3 depends on
    // the load of the host as well: bench/NetworkPortBench measures it.)
    const auto& writes = rig.Line().Writes();
    const auto& reads = rig.Line().Reads();
    int pauses = 0;
    for (std::size_t r = 0; r < reads.size(); ++r) {
        if (reads[r].byte != 0x93)
            continue;
        auto resumed = std::chrono::steady_clock::time_point::max();
        for (std::size_t k = r + 1; k < reads.size() && resumed == decltype(resumed)::max(); ++k) {
            if (reads[k].byte == 0x11)
                resumed = reads[k].time;
        }
        const auto during = std::count_if(writes.begin(), writes.end(), [&](const auto& w) {
            return w.time > reads[r].time && w.time < resumed;
        });
        EXPECT_LE(during, 1) << "bytes written while the machine held DC3, pause " << pauses;
        ++pauses;
    }
    EXPECT_GE(pauses, 2);
}

TEST_P(NetworkFlowTest, EscDuringASendStopsItWithDc4) {
    SKIP_WITHOUT_SER2NET();
    LineRig rig;
    ASSERT_TRUE(rig.StartMachineBehindSer2net(
        GetParam(), {"--code", "iso", "--baud", "1200", "--format", "8N1"}))
        << rig.Server().Report();
    rig.host.CancelWhen([&rig] { return rig.Line().Writes().size() >= 20; });
    EXPECT_EQ(rig.Send("O8.NC", ReadFixture("integration/flow.input")), TransferResult::Stopped);
    rig.FinishMachine();
    const std::string raw = rig.Raw();
    const std::string full = ReadFixture("integration/flow.expected");
    ASSERT_GE(raw.size(), 21u);
    EXPECT_LT(raw.size(), full.size());
    EXPECT_EQ(Hex(raw.substr(0, raw.size() - 1)), Hex(full.substr(0, raw.size() - 1)));
    EXPECT_EQ(raw.back(), '\x14');
    EXPECT_NE(rig.Log().find("送信　　中止　"), std::string::npos) << rig.Log();
    EXPECT_TRUE(rig.host.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Ser2net, NetworkFlowTest, testing::Values(Mode::Raw, Mode::Rfc2217),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

// --- receives ---------------------------------------------------------------------------------

struct ReceiveCase {
    const char* name;
    Mode mode;
    const char* code;
    const char* expected;
};

class NetworkReceiveTest : public testing::TestWithParam<ReceiveCase> {};

TEST_P(NetworkReceiveTest, SavesTheTapeAndReadsEveryDelOnce) {
    SKIP_WITHOUT_SER2NET();
    const ReceiveCase& c = GetParam();
    LineRig rig;
    const std::string tape =
        rig.folder.Write("tape.nc", ReadFixture("integration/two_programs.input"));
    // A leader of DEL: 0xFF in ISO, which RFC 2217 doubles on the wire.
    ASSERT_TRUE(
        rig.StartMachineBehindSer2net(c.mode, {"--code", c.code, "--punch", tape, "--delay", "300",
                                               "--once", "--leader", "5", "--leader-char", "del"}))
        << rig.Server().Report();
    const ReceiveJob job{ReceiveMode::Named, "D:\\RECV.NC", "RECV.NC", false};
    ASSERT_EQ(rig.Receive(job), TransferResult::Completed)
        << testing::PrintToString(rig.host.errors);
    rig.FinishMachine();
    EXPECT_EQ(rig.DataFile("RECV.NC"), ReadFixture(std::string("integration/") + c.expected));
    const std::uint8_t del = std::string(c.code) == "iso" ? 0xFF : 0x7F;
    const auto& reads = rig.Line().Reads();
    EXPECT_EQ(
        std::count_if(reads.begin(), reads.end(), [del](const auto& r) { return r.byte == del; }),
        5);
    EXPECT_NE(rig.Log().find("受信　　完了　"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Ser2net, NetworkReceiveTest,
    testing::Values(ReceiveCase{"RawIso", Mode::Raw, "iso", "receive_named.expected"},
                    ReceiveCase{"Rfc2217Iso", Mode::Rfc2217, "iso", "receive_named.expected"},
                    ReceiveCase{"Rfc2217Eia", Mode::Rfc2217, "eia", "receive_eia_auto.expected"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- failures ---------------------------------------------------------------------------------

TEST(NetworkFailureTest, NothingListeningStopsSendAndReceiveWithTheReason) {
    SKIP_WITHOUT_SER2NET();
    LineRig rig;
    ASSERT_TRUE(rig.StartMachineBehindSer2net(Mode::Rfc2217, {"--code", "iso"}))
        << rig.Server().Report();
    rig.Server().Stop();
    EXPECT_EQ(rig.Send("O1.NC", "O1\r\nM30\r\n"), TransferResult::Stopped);
    EXPECT_EQ(rig.Receive(ReceiveJob{ReceiveMode::Named, "D:\\R.NC", "R.NC", false}),
              TransferResult::Stopped);
    ASSERT_EQ(rig.host.errors.size(), 2u);
    for (const std::string& error : rig.host.errors) {
        EXPECT_TRUE(error.starts_with("COM1のポートが開きません。!!\nconnect 127.0.0.1:")) << error;
        EXPECT_TRUE(error.ends_with(": Connection refused")) << error;
    }
    const std::string log = rig.Log();
    EXPECT_NE(log.find("送信　　中止　"), std::string::npos) << log;
    EXPECT_NE(log.find("受信　　中止　"), std::string::npos) << log;
}

TEST(NetworkFailureTest, ServerThatAcceptsAndNeverAnswers) {
    // No ser2net needed: a server that takes the connection and stays silent.
    test::ScriptedPeer peer(test::ScriptedPeer::Role::Silent);
    {
        SCOPED_TRACE("RFC 2217: the opening gives up");
        LineRig rig;
        rig.timeouts.answer = 500ms;
        rig.UsePort(peer.Address("rfc2217"));
        EXPECT_EQ(rig.Send("O1.NC", "O1\r\nM30\r\n"), TransferResult::Stopped);
        EXPECT_EQ(rig.host.errors,
                  std::vector<std::string>{
                      "通信速度の設定エラー!!\n127.0.0.1:" + std::to_string(peer.Port()) +
                      ": no answer to the RFC 2217 negotiation within 500 "
                      "ms (a raw TCP port is mapped as tcp://)"});
        EXPECT_NE(rig.Log().find("送信　　中止　"), std::string::npos);
    }
    {
        SCOPED_TRACE("raw TCP: a quiet machine; Esc ends the wait");
        LineRig rig;
        rig.settings.Signal = "Y";
        rig.UsePort(peer.Address("tcp"));
        const auto started = std::chrono::steady_clock::now();
        rig.host.CancelWhen(
            [started] { return std::chrono::steady_clock::now() - started > 300ms; });
        EXPECT_EQ(rig.Send("O1.NC", "O1\r\nM30\r\n"), TransferResult::Stopped);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
        EXPECT_TRUE(rig.host.errors.empty());
        // The stop's DC4 still reaches the server.
        EXPECT_TRUE(peer.WaitFor([](const std::string& got) { return got.ends_with("\x14"); }));
        EXPECT_NE(rig.Log().find("送信　　中止　"), std::string::npos);
    }
}

class Ser2netStoppedTest : public testing::TestWithParam<Mode> {};

TEST_P(Ser2netStoppedTest, DuringASendTheSendStopsAndSaysWhy) {
    SKIP_WITHOUT_SER2NET();
    LineRig rig;
    ASSERT_TRUE(rig.StartMachineBehindSer2net(
        GetParam(), {"--code", "iso", "--baud", "19200", "--format", "8N1"}))
        << rig.Server().Report();
    std::chrono::steady_clock::time_point stopped{};
    rig.host.CancelWhen([&] {
        if (stopped == std::chrono::steady_clock::time_point{} &&
            rig.Line().Writes().size() >= 200) {
            rig.Server().Stop();
            stopped = std::chrono::steady_clock::now();
        }
        return false;
    });
    EXPECT_EQ(rig.Send("O8.NC", ReadFixture("integration/flow.input")), TransferResult::Stopped);
    ASSERT_NE(stopped, std::chrono::steady_clock::time_point{});
    // Found out at once, not by a time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 2s);
    EXPECT_FALSE(rig.host.TimedOut());
    ASSERT_EQ(rig.host.errors.size(), 1u);
    EXPECT_TRUE(rig.host.errors[0].starts_with("COM1の回線が切れました。!!\n"))
        << rig.host.errors[0];
    EXPECT_NE(rig.host.errors[0].find("127.0.0.1:"), std::string::npos) << rig.host.errors[0];
    EXPECT_EQ(rig.host.results, std::vector<std::string>{"送信中止しました。!!"});
    EXPECT_NE(rig.Log().find("送信　　中止　"), std::string::npos) << rig.Log();
    rig.StopMachine();
}

TEST_P(Ser2netStoppedTest, DuringAReceiveWhatArrivedIsHandedOver) {
    SKIP_WITHOUT_SER2NET();
    LineRig rig;
    rig.folder.Write("data/PART.NC", "OLD\r\n");
    std::string tape = "O0200\r\n";
    for (int n = 1; n <= 200; ++n)
        tape += "N" + std::to_string(n) + " X1.\r\n";
    const std::string path = rig.folder.Write("tape.nc", tape);
    ASSERT_TRUE(rig.StartMachineBehindSer2net(
        GetParam(), {"--code", "iso", "--punch", path, "--delay", "200", "--cps", "500"}))
        << rig.Server().Report();
    bool stopped = false;
    rig.host.CancelWhen([&] {
        if (!stopped && rig.host.receivedLines.size() >= 10) {
            rig.Server().Stop();
            stopped = true;
        }
        return false;
    });
    EXPECT_EQ(rig.Receive(ReceiveJob{ReceiveMode::Named, "D:\\PART.NC", "PART.NC", false}),
              TransferResult::Stopped);
    rig.StopMachine();
    ASSERT_TRUE(stopped);
    EXPECT_FALSE(rig.host.TimedOut());
    ASSERT_EQ(rig.host.errors.size(), 1u);
    EXPECT_TRUE(rig.host.errors[0].starts_with("COM1の回線が切れました。!!\n"))
        << rig.host.errors[0];
    // The program is cut short: the target stays as it was, what arrived is handed over.
    EXPECT_EQ(rig.DataFile("PART.NC"), "OLD\r\n");
    ASSERT_EQ(rig.host.rescued.size(), 1u);
    const auto& [name, bytes] = rig.host.rescued[0];
    EXPECT_EQ(name, "PART.NC");
    // Whole lines of the tape as far as it came, the last one perhaps cut.
    const std::size_t whole = bytes.rfind("\r\n", bytes.size() - 3);
    ASSERT_NE(whole, std::string::npos);
    EXPECT_TRUE(tape.starts_with(bytes.substr(0, whole + 2))) << bytes;
    EXPECT_GE(std::count(bytes.begin(), bytes.end(), '\n'), 10);
    EXPECT_NE(rig.Log().find("受信　　中止　"), std::string::npos) << rig.Log();
}

INSTANTIATE_TEST_SUITE_P(Ser2net, Ser2netStoppedTest, testing::Values(Mode::Raw, Mode::Rfc2217),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

// --- kelvantori-cli with COM5=rfc2217://... ---------------------------------------------------

TEST(NetworkCliTest, SendThroughRfc2217AndTheSetupShowsThePort) {
    SKIP_WITHOUT_SER2NET();
    test::TempFolder home;
    test::MachineProcess machine({"--code", "iso", "--raw", home.File("raw.bin")});
    ASSERT_TRUE(machine.Started());
    Ser2netProcess server(machine.DevicePath(), Mode::Rfc2217);
    ASSERT_TRUE(server.Started()) << server.Report();
    home.Write("Host.ini",
               "[Ports]\nCOM5=" + server.Address() + "\n[Drives]\nD=" + home.File("data") + "\n");
    home.Write("kelvantori.INI", "[Setting]\r\nSignal=N\r\n");
    home.Write("data/O42.NC", ReadFixture("integration/iso_del.input"));
    const test::ChildProcess::Environment env{{"KELVANTORI_HOME", home.Path()}};

    const auto setup = test::RunChild("kelvantori-cli", {"--show-setup"}, env);
    EXPECT_NE(setup.out.find("  COM5 = " + server.Address() + "  (RFC 2217: "), std::string::npos)
        << setup.out;

    const auto sent =
        test::RunChild("kelvantori-cli", {"D:", "S=O42.NC", "COM5", "19200,8,N,1"}, env, "y\n");
    std::this_thread::sleep_for(100ms);
    machine.Signal(SIGTERM);
    machine.WaitForExit(3s);
    ASSERT_EQ(sent.status, std::optional<int>(0)) << sent.err;
    EXPECT_EQ(Hex(home.Read("raw.bin")), Hex(ReadFixture("integration/iso_del.expected")));
    EXPECT_TRUE(sent.err.ends_with("送信完了しました。!!\n")) << sent.err;
    EXPECT_NE(Cp932ToUtf8(home.Read("kelvantori.log")).find("送信　　完了　"), std::string::npos);
}

}  // namespace
}  // namespace kelvantori

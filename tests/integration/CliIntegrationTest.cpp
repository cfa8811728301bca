// kelvantori-cli end to end: the executable with a program folder of its own (KELVANTORI_HOME),
// COM1 mapped to kelvantori-machine in Host.ini, sending and receiving; its exit codes, its output,
// the log, the settings file it must leave alone, and Ctrl-C during a send.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "app/cli/CliIo.h"
#include "core/TextCodec.h"
#include "support/ChildProcess.h"
#include "support/EngineRig.h"
#include "support/MachineProcess.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::Hex;
using test::MachineProcess;
using test::ReadFixture;
using test::TempFolder;

// A program folder whose D: is its data folder, and a machine as COM1.
class CliRig {
  public:
    bool StartMachine(std::vector<std::string> options) {
        options.insert(options.end(),
                       {"--raw", home.File("raw.bin"), "--summary", home.File("summary.txt")});
        machine = std::make_unique<MachineProcess>(options);
        if (!machine->Started())
            return false;
        home.Write("Host.ini", "[Ports]\nCOM1=" + machine->DevicePath() +
                                   "\n[Drives]\nD=" + home.File("data") + "\n");
        home.Write("data/.keep", "");
        return true;
    }
    ChildProcess::Environment Environment() const { return {{"KELVANTORI_HOME", home.Path()}}; }
    std::string Log() const { return Cp932ToUtf8(home.Read("kelvantori.log")); }
    void StopMachine() {
        machine->Signal(SIGTERM);
        machine->WaitForExit(3s);
    }
    // Returns once the file of the program folder exists, or after 20 s.
    void WaitForFile(const std::string& name) const {
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (!home.Exists(name) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
    }

    TempFolder home;
    std::unique_ptr<MachineProcess> machine;
};

// Two programs for a receive that is broken off: the first one short, the second one long enough
// (300 lines, a second at 300 characters/s) to be cut off in the middle.
std::string TwoProgramTape() {
    std::string tape = "O0001\r\nM30\r\nO0002\r\n";
    for (int n = 1; n <= 300; ++n)
        tape += "N" + std::to_string(n) + " X1.\r\n";
    return tape;
}

TEST(CliIntegrationTest, SendAnsweredOnStdinCompletesAndLeavesTheSettingsAlone) {
    CliRig rig;
    ASSERT_TRUE(rig.StartMachine({"--code", "iso"}));
    // The stored settings start a send by the question; the items change port and line for
    // this run only.
    const std::string ini = "[Setting]\r\nPort=COM5\r\nSpeed=4800,7,E,2\r\nSignal=N\r\n";
    rig.home.Write("kelvantori.INI", ini);
    rig.home.Write("data/O1.NC", ReadFixture("integration/iso_startN_end1.input"));

    const auto started = std::chrono::steady_clock::now();
    const auto result = test::RunChild("kelvantori-cli", {"D:", "S=O1.NC", "COM1", "19200,8,N,1"},
                                       rig.Environment(), "y\n");
    const auto took = std::chrono::steady_clock::now() - started;
    rig.StopMachine();

    ASSERT_EQ(result.status, std::optional<int>(kExitCompleted)) << result.err;
    EXPECT_EQ(Hex(rig.home.Read("raw.bin")),
              Hex(ReadFixture("integration/iso_startN_end1.expected")));
    EXPECT_NE(result.err.find("ＮＣ装置側の準備を行ってください。"), std::string::npos)
        << result.err;
    EXPECT_TRUE(result.err.ends_with("送信完了しました。!!\n")) << result.err;
    EXPECT_EQ(result.out, "");
    // The line is given its time to drain before the port closes: the CLI really waits.
    EXPECT_GE(took, 3900ms);
    const std::string log = rig.Log();
    EXPECT_TRUE(log.starts_with("<<<<<　　　通信ログ　　　>>>>>")) << log;
    EXPECT_NE(log.find("送信　　完了　"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("　D:\\O1.NC\r\n")) << log;
    EXPECT_EQ(rig.home.Read("kelvantori.INI"), ini);
}

TEST(CliIntegrationTest, ReceiveProgramsSavesOneFilePerProgramInTheDataFolder) {
    CliRig rig;
    const std::string tape =
        rig.home.Write("tape.nc", ReadFixture("integration/two_programs.input"));
    ASSERT_TRUE(rig.StartMachine({"--code", "eia", "--punch", tape, "--delay", "200", "--once"}));
    const auto result = test::RunChild(
        "kelvantori-cli", {"D:", "COM1", "19200,8,N,1", "--receive-programs"}, rig.Environment());
    rig.StopMachine();
    ASSERT_EQ(result.status, std::optional<int>(kExitCompleted)) << result.err;
    EXPECT_EQ(rig.home.Read("data/O0001_001.NC"),
              ReadFixture("integration/receive_programs_O0001_001.expected"));
    EXPECT_EQ(rig.home.Read("data/O0002_002.NC"),
              ReadFixture("integration/receive_programs_O0002_002.expected"));
    EXPECT_EQ(result.out, rig.home.File("data/O0001_001.NC") + "\n" +
                              rig.home.File("data/O0002_002.NC") + "\n");
    // Besides .keep no other file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.home.File("data")), {}), 3);
}

TEST(CliIntegrationTest, MissingSendFileStartsNothing) {
    CliRig rig;
    ASSERT_TRUE(rig.StartMachine({"--code", "iso"}));
    const auto result =
        test::RunChild("kelvantori-cli", {"S=D:\\NOPE.NC", "COM1"}, rig.Environment(), "", 10s);
    rig.StopMachine();
    EXPECT_EQ(result.status, std::optional<int>(kExitNotStarted));
    EXPECT_NE(result.err.find("送信データ\nD:\\NOPE.NCが見つかりません。"), std::string::npos)
        << result.err;
    EXPECT_EQ(rig.home.Read("raw.bin"), "");
    EXPECT_FALSE(rig.home.Exists("kelvantori.log"));
}

// Ctrl-C stops the send; a termination signal stops it the same way and then ends the program
// with the status of that signal.
TEST(CliIntegrationTest, CtrlCOrATerminationSignalDuringASendStopsItWithDc4) {
    for (const auto& [signalNumber, status] :
         {std::pair{SIGINT, kExitStopped}, {SIGTERM, kExitSignalled + SIGTERM}}) {
        SCOPED_TRACE(signalNumber);
        CliRig rig;
        // The machine signals with DC1 (the stored Signal "Y"); the line is slow, so the send is
        // still running when the signal comes.
        ASSERT_TRUE(rig.StartMachine({"--code", "iso", "--start", "dc1", "--start-repeat", "100"}));
        rig.home.Write("data/O8.NC", ReadFixture("integration/flow.input"));
        ChildProcess cli("kelvantori-cli", {"D:", "S=O8.NC", "COM1", "1200,8,N,1"},
                         rig.Environment());
        ASSERT_TRUE(cli.Started());
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (rig.home.Read("raw.bin").size() < 20 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
        cli.Signal(signalNumber);
        const auto exited = cli.WaitForExit(5s);
        std::this_thread::sleep_for(100ms);
        rig.StopMachine();

        ASSERT_EQ(exited, std::optional<int>(status)) << cli.ErrorOutput();
        const std::string raw = rig.home.Read("raw.bin");
        const std::string full = ReadFixture("integration/flow.expected");
        ASSERT_GE(raw.size(), 21u);
        // What went out is the start of the program, then the DC4 of the stop.
        EXPECT_LT(raw.size(), full.size());
        EXPECT_EQ(Hex(raw.substr(0, raw.size() - 1)), Hex(full.substr(0, raw.size() - 1)));
        EXPECT_EQ(raw.back(), '\x14');
        EXPECT_NE(cli.ErrorOutput().find("送信中止しました。!!"), std::string::npos);
        const std::string log = rig.Log();
        EXPECT_NE(log.find("送信　　中止　"), std::string::npos) << log;
        EXPECT_TRUE(log.ends_with("　D:\\O8.NC\r\n")) << log;
    }
}

// SIGTERM, SIGHUP or SIGQUIT while the second program of a tape arrives: the first program is
// saved, the second one's lines are kept in a rescue file of the program folder, the log says
// "中止" and where the data went, the data folder holds no temporary file, and the program ends
// with the status of the signal.
TEST(CliIntegrationTest, TerminationSignalDuringAReceiveStopsItAndKeepsTheData) {
    const std::string tape = TwoProgramTape();
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signalNumber);
        CliRig rig;
        const std::string tapeFile = rig.home.Write("tape.nc", tape);
        ASSERT_TRUE(rig.StartMachine(
            {"--code", "iso", "--punch", tapeFile, "--delay", "200", "--cps", "300", "--once"}));
        ChildProcess cli("kelvantori-cli", {"D:", "COM1", "19200,8,N,1", "--receive-programs"},
                         rig.Environment());
        ASSERT_TRUE(cli.Started());
        // The first program is saved when the second one's start line has arrived.
        rig.WaitForFile("data/O0001_001.NC");
        ASSERT_TRUE(rig.home.Exists("data/O0001_001.NC")) << cli.ErrorOutput();
        cli.Signal(signalNumber);
        const auto exited = cli.WaitForExit(10s);
        rig.StopMachine();

        ASSERT_EQ(exited, std::optional<int>(kExitSignalled + signalNumber)) << cli.ErrorOutput();
        EXPECT_EQ(rig.home.Read("data/O0001_001.NC"), "O0001\r\nM30\r\n%\r\n");
        std::vector<std::string> data, rescues;
        for (const auto& e : std::filesystem::directory_iterator(rig.home.File("data")))
            data.push_back(e.path().filename().string());
        for (const auto& e : std::filesystem::directory_iterator(rig.home.Path())) {
            if (e.path().filename().string().starts_with("RESCUE_"))
                rescues.push_back(e.path().filename().string());
        }
        std::sort(data.begin(), data.end());
        EXPECT_EQ(data, (std::vector<std::string>{".keep", "O0001_001.NC"}));
        ASSERT_EQ(rescues.size(), 1u) << cli.ErrorOutput();
        EXPECT_TRUE(rescues[0].ends_with("_O0002_002.NC")) << rescues[0];
        const std::string kept = rig.home.Read(rescues[0]);
        // The lines that arrived, the last one perhaps only begun.
        ASSERT_TRUE(kept.starts_with("O0002\r\n") && kept.ends_with("\r\n")) << kept;
        EXPECT_TRUE(tape.substr(tape.find("O0002")).starts_with(kept.substr(0, kept.size() - 2)))
            << kept;
        const std::string err = cli.ErrorOutput();
        EXPECT_NE(err.find("受信データを書き出しました: " + rig.home.File(rescues[0])),
                  std::string::npos)
            << err;
        EXPECT_TRUE(err.ends_with("受信を中止しました。!!\n")) << err;
        const std::string log = rig.Log();
        EXPECT_NE(log.find("受信　　完了　"), std::string::npos) << log;
        EXPECT_NE(log.find("受信　　中止　"), std::string::npos) << log;
        EXPECT_NE(log.find("　D:\\O0002_002.NC\r\n"), std::string::npos) << log;
        EXPECT_NE(log.find("受信　　退避　"), std::string::npos) << log;
        EXPECT_EQ(cli.Output(), rig.home.File("data/O0001_001.NC") + "\n");
    }
}

// The machine goes away in the middle of a tape (its end of the line closes, as when the USB
// adapter is pulled out): the receive stops at once and says which line, what arrived of the
// program is kept in a rescue file, and the program ends with 1.
TEST(CliIntegrationTest, LineThatGoesAwayMidReceiveStopsItAndKeepsTheData) {
    CliRig rig;
    const std::string tapeFile = rig.home.Write("tape.nc", TwoProgramTape());
    ASSERT_TRUE(rig.StartMachine(
        {"--code", "iso", "--punch", tapeFile, "--delay", "200", "--cps", "300", "--once"}));
    ChildProcess cli("kelvantori-cli", {"D:", "COM1", "19200,8,N,1", "--receive-programs"},
                     rig.Environment());
    ASSERT_TRUE(cli.Started());
    rig.WaitForFile("data/O0001_001.NC");
    ASSERT_TRUE(rig.home.Exists("data/O0001_001.NC")) << cli.ErrorOutput();
    rig.machine->Signal(SIGKILL);
    const auto exited = cli.WaitForExit(10s);

    ASSERT_EQ(exited, std::optional<int>(kExitStopped)) << cli.ErrorOutput();
    const std::string err = cli.ErrorOutput();
    EXPECT_NE(err.find("COM1の回線が切れました。!!\n"), std::string::npos) << err;
    EXPECT_NE(err.find("受信データを書き出しました: "), std::string::npos) << err;
    EXPECT_TRUE(err.ends_with("受信を中止しました。!!\n")) << err;
    const std::string log = rig.Log();
    EXPECT_NE(log.find("受信　　中止　"), std::string::npos) << log;
    EXPECT_NE(log.find("受信　　退避　"), std::string::npos) << log;
    EXPECT_EQ(log.find("受信完了"), std::string::npos) << log;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.home.File("data")), {}), 2);
}

// A program number of 300 digits is longer than any file name: the program still lands in a
// file of the data folder, named by the start of the number.
TEST(CliIntegrationTest, ProgramNumberLongerThanAFileNameIsReceivedIntoAFile) {
    const std::string number = "O" + std::string(300, '7');
    CliRig rig;
    const std::string tape = rig.home.Write("tape.nc", number + "\r\nG01 X1.\r\nM30\r\n");
    ASSERT_TRUE(rig.StartMachine({"--code", "iso", "--punch", tape, "--delay", "200", "--once"}));
    const auto result = test::RunChild(
        "kelvantori-cli", {"D:", "COM1", "19200,8,N,1", "--receive-programs"}, rig.Environment());
    rig.StopMachine();
    ASSERT_EQ(result.status, std::optional<int>(kExitCompleted)) << result.err;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(rig.home.File("data")))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);  // .keep and the program
    const std::string& name = names[1];
    EXPECT_TRUE(name.starts_with("O" + std::string(200, '7'))) << name;
    EXPECT_TRUE(name.ends_with("_001.NC")) << name;
    EXPECT_EQ(rig.home.Read("data/" + name), number + "\r\nG01 X1.\r\nM30\r\n%\r\n");
    EXPECT_EQ(result.out, rig.home.File("data/" + name) + "\n");
}

}  // namespace
}  // namespace kelvantori

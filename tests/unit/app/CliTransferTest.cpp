// kelvantori-cli's transfer command without a machine: the split of items and options, the
// items the window would ignore, and every way the command ends before or at the port.
#include "app/cli/CliTransfer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/TextCodec.h"
#include "platform/HostConfig.h"
#include "support/FakeSerialPort.h"
#include "support/ForwardingSerialPort.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

TEST(CliTransferTest, OptionsMayStandAnywhereAndOnlyMistypedItemsAreUnrecognised) {
    const TransferArguments parsed = ParseTransferArguments(
        {"--receive-programs", "S=A.NC", "COM2", "--show-setup", "4800,7,E,2", "--fast", "-h"});
    EXPECT_EQ(parsed.items, (std::vector<std::string>{"S=A.NC", "COM2", "4800,7,E,2"}));
    EXPECT_EQ(std::tuple(parsed.receivePrograms, parsed.showSetup, parsed.help),
              std::tuple(true, true, true));
    EXPECT_EQ(parsed.unknownOptions, std::vector<std::string>{"--fast"});

    CommandLineEnvironment env;
    env.IsDirectoryPath = [](const std::string& path) { return path == "D:\\NC"; };
    // Looking at the items asks and copies nothing.
    env.AskYesNo = [](const std::string&) { return ADD_FAILURE(), true; };
    env.ImportFile = [](const std::string&, const std::string&) { return ADD_FAILURE(), true; };
    const std::vector<std::string> good = {"S=A.NC", "R=B.NC",        "com12", "9600,7,E,2", "*.NC",
                                           "D:\\NC", "D:\\USB\\A.NC", "END",   "end"};
    EXPECT_EQ(UnrecognisedItems(good, Settings{}, env), std::vector<std::string>{});
    EXPECT_EQ(UnrecognisedItems({"FOO", "S-A.NC", "COM123", "ENDED", "O1234.NC"}, Settings{}, env),
              (std::vector<std::string>{"FOO", "S-A.NC", "COM123", "ENDED", "O1234.NC"}));
    // The window's slash form is split first; the empty item of a trailing slash is no error.
    EXPECT_EQ(UnrecognisedItems({"/S=A.NC", "/COM2", "/FOO", "/"}, Settings{}, env),
              std::vector<std::string>{"FOO"});
}

// Every order runs in a program folder with a data drive and COM1 on a device that does not
// exist: a transfer that starts stops at the port.
TEST(CliTransferTest, EachOrderEndsWithItsExitStatusAndSavesNoSettings) {
    // The program's text, why, and which device COM1 is in which Host.ini.
    const std::string noPort =
        "COM1のポートが開きません。!!\nデバイスがありません。USB シリアル変換器が外れていないか、"
        "Host.ini の [Ports] の指定が正しいか確かめてください。\n  COM1 = ";
    const std::string makeFolder = "ディレクトリが見つかりません。ディレクトリを作成しますか？";
    const std::string noReceiveFile = "受信するファイルの名前がありません (空かフォルダーです): ";
    const struct {
        std::vector<std::string> args;  // "@" stands for the program folder
        const char* answers;
        int code;
        std::string message;    // a part of stderr
        std::string log;        // a part of the log; empty: nothing logged
        std::string made = {};  // what the run leaves in the program folder
        std::string ini = {};   // kelvantori.INI, when there is one
    } rows[] = {
        // clang-format off
        {{"S=D:\\O1234.NC", "--help"}, "", kExitCompleted, "", ""},
        {{"S=D:\\O1234.NC", "--fast"}, "", kExitNotStarted, "--fast", ""},
        // The R= of an existing file is not even asked about.
        {{"R=D:\\OLD.NC", "9600-7-E-2"}, "y\n", kExitNotStarted, "不明な項目です: 9600-7-E-2", ""},
        {{"S=D:\\NOPE.NC", "COM1"}, "", kExitNotStarted,
         "送信データ\nD:\\NOPE.NCが見つかりません。", ""},
        {{"R=D:\\OLD.NC"}, "n\n", kExitNotStarted, "すでにD:\\OLD.NCが有ります。", ""},
        // A refused receive keeps the send of the same order from starting as well.
        {{"S=D:\\O1234.NC", "R=D:\\OLD.NC"}, "\n", kExitNotStarted, "上書きしますか？", ""},
        {{"COM2", "4800,7,E,2", "END"}, "", kExitNotStarted, "転送の指示がありません", ""},
        {{}, "", kExitNotStarted, "転送の指示がありません", ""},
        {{"S=D:\\O1234.NC", "COM1", "19200,8,N,1"}, "", kExitStopped, noPort, "送信　　中止　"},
        {{"S=@data/O1234.NC", "COM1"}, "", kExitStopped, "送信中止しました。!!",
         "　D:\\O1234.NC\r\n"},
        {{"--receive-programs", "D:\\NEW\\SUB", "COM1"}, "y\n", kExitStopped, makeFolder,
         "受信　　中止　", "data/NEW/SUB"},
        {{"D:\\NC", "D:\\usb\\P1.NC", "--receive-programs"}, "", kExitStopped, noPort,
         "受信　　中止　", "data/NC/P1.NC"},
        // An R= item without a file name (or naming a folder) would receive into a folder.
        {{"R=", "COM1"}, "", kExitNotStarted, noReceiveFile + "R=\n", ""},
        {{"D:\\NC", "R=D:\\NC\\"}, "", kExitNotStarted, noReceiveFile + "R=D:\\NC\\\n", ""},
        {{"R=D:\\NC"}, "", kExitNotStarted, noReceiveFile + "R=D:\\NC\n", ""},
        // Control characters of names and settings are shown, never sent to the terminal.
        {{"S=D:\\\x1b[31mX.NC"}, "", kExitNotStarted,
         "送信データ\nD:\\^[[31mX.NCが見つかりません。\n", ""},
        {{"--\x1b[2J"}, "", kExitNotStarted, "不明なオプションです: --^[[2J\n", ""},
        {{"S=D:\\O1234.NC"}, "", kExitStopped,
         "送信 D:\\O1234.NC → CO^@M1 4800,8,N,2\nCO^@M1のポートが開きません。!!\n", "送信　　中止　",
         {}, std::string("[Setting]\r\nPort=CO\0M1\r\n", 23)},
        // clang-format on
    };
    for (const auto& row : rows) {
        test::TempFolder folder;
        test::ScopedEnv home{"KELVANTORI_HOME", folder.Path()};
        folder.Write("Host.ini", "[Ports]\nCOM1=" + folder.File("no-such-device") +
                                     "\n[Drives]\nD=" + folder.File("data") + "\n");
        folder.Write("data/O1234.NC", "O1234\r\nM30\r\n");
        folder.Write("data/OLD.NC", "OLD\r\n");
        folder.Write("data/usb/P1.NC", "P1\r\n");
        folder.Write("data/NC/O1.NC", "O1\r\n");
        if (!row.ini.empty())
            folder.Write("kelvantori.INI", row.ini);
        std::vector<std::string> args = row.args;
        for (std::string& arg : args) {
            if (const auto at = arg.find('@'); at != std::string::npos)
                arg.replace(at, 1, folder.Path() + "/");
        }
        std::istringstream in(row.answers);
        std::ostringstream out;
        std::ostringstream err;
        CliIo io{in, out, err, false};
        SteadyClock clock;
        EXPECT_EQ(RunTransferCommand(args, io, SystemSerialPortFactory(), clock), row.code)
            << row.message;
        EXPECT_NE(err.str().find(row.message), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find_first_of(std::string("\x1b\0", 2)), std::string::npos)
            << err.str();
        EXPECT_EQ(out.str(), row.code == kExitCompleted ? TransferUsage() : "") << row.message;
        EXPECT_EQ(folder.Exists("kelvantori.log"), !row.log.empty()) << row.message;
        const std::string log = row.log.empty() ? "" : Cp932ToUtf8(folder.Read("kelvantori.log"));
        EXPECT_NE(log.find(row.log), std::string::npos) << log;
        // The items order this run only; OLD.NC is as it was.
        EXPECT_EQ(folder.Read("kelvantori.INI"), row.ini) << row.message;
        EXPECT_EQ(folder.Read("data/OLD.NC"), "OLD\r\n") << row.message;
        EXPECT_TRUE(row.made.empty() || folder.Exists(row.made)) << row.made;
    }
}

// The whole command on the scripted port and the manual clock: the machine's answers arrive on
// the clock, and the fixed waits of a transfer (4 s after a send, 3 s before a receive is
// saved) pass on it without a real wait.
TEST(CliTransferTest, RunsTheOrderOnThePortAndTheClockItIsGiven) {
    using std::chrono::seconds;
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string machine;  // what the machine sends, from the start
        std::string out;      // "@" stands for the program folder
        std::string log;      // the log's last line up to its time
        std::string message;  // a part of stderr
    } rows[] = {
        {"ASendStartsOnTheMachinesDc1",
         {"S=D:\\O1234.NC", "COM1"},
         "\x11",
         "",
         "送信　　完了　",
         "送信完了しました。"},
        {"AReceivePrintsTheFilesItSaved",
         {"--receive-programs", "COM1"},
         "%\nO7\nM30\n%\n",
         "@data/O7_001.NC\n",
         "受信　　完了　",
         "受信完了しました。"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder folder;
        test::ScopedEnv home{"KELVANTORI_HOME", folder.Path()};
        folder.Write("Host.ini", "[Drives]\nD=" + folder.File("data") + "\n");
        folder.Write("kelvantori.INI", "[Setting]\nDirPath=D:\nR_Code=1\n");
        folder.Write("data/O1234.NC", "O1234\r\nM30\r\n");
        ManualClock clock;
        test::FakeSerialPort port(clock);
        port.ArriveAt(seconds(1), row.machine);
        std::vector<std::string> portsMade;
        const SerialPortFactory makePort = [&](const HostConfig& config) {
            portsMade.push_back(config.DeviceOf("COM1"));
            return std::make_unique<test::ForwardingSerialPort>(port);
        };
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        CliIo io{in, out, err, false};
        EXPECT_EQ(RunTransferCommand(row.args, io, makePort, clock), kExitCompleted) << err.str();
        std::string expectedOut = row.out;
        if (const auto at = expectedOut.find('@'); at != std::string::npos)
            expectedOut.replace(at, 1, folder.Path() + "/");
        EXPECT_EQ(out.str(), expectedOut);
        EXPECT_NE(err.str().find(row.message), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find_first_of(std::string("\x1b\0", 2)), std::string::npos)
            << err.str();
        const std::string log = Cp932ToUtf8(folder.Read("kelvantori.log"));
        EXPECT_NE(log.find(row.log), std::string::npos) << log;
        EXPECT_EQ(portsMade, std::vector<std::string>{"/dev/ttyS0"});
        EXPECT_EQ(port.Opened().size(), 1u);
        EXPECT_GE(clock.Now(), seconds(4)) << "the waits went by on the given clock";
    }
}

TEST(CliTransferTest, AbsoluteHostPathsOfTransferFilesBecomeDrivePaths) {
    HostConfig config;
    config.drives['D'] = "/srv/nc";
    const DriveMap drives = DriveMap::Build(config, "/home/ann", {});
    EXPECT_EQ(WithDrivePaths({"S=/srv/nc/O1.NC", "r=/home/ann/x/R.NC", "COM1", "S=O2.NC"}, drives),
              (std::vector<std::string>{"S=D:\\O1.NC", "r=C:\\x\\R.NC", "COM1", "S=O2.NC"}));
    // The slash form is the window's own: nothing in it is a host path.
    EXPECT_EQ(WithDrivePaths({"/S=A.NC", "/COM2"}, drives),
              (std::vector<std::string>{"/S=A.NC", "/COM2"}));
}

}  // namespace
}  // namespace kelvantori

// The terminal host: what a send shows on stderr in a file and on a terminal, the progress line
// fitted to the terminal, messages, questions answered from standard input, Ctrl-C, and the rescue
// of received data that could not be saved.
#include "app/cli/TerminalHost.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "comm/SendEngine.h"
#include "core/ToolFileNames.h"
#include "support/EngineRig.h"
#include "support/FakeSerialPort.h"
#include "support/MemoryFileSystem.h"
#include "support/RecordingHost.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;

struct Rig {
    explicit Rig(bool terminal, std::string answers = {}) : in(std::move(answers)) {
        io.errIsTerminal = terminal;
        host.SetColumns([] { return std::size_t{200}; });
    }
    // Sends O1.NC at 19200 baud 8N1, waiting for the machine's signal or not.
    TransferResult Send(const std::string& bytes, const char* signal = "N") {
        Settings settings;
        settings.Signal = signal;
        settings.Speed = "19200,8,N,1";
        SendJob job;
        job.DirPath = "C:\\NC";
        job.TransferName = "O1.NC";
        job.program = test::ProgramOf(bytes);
        SendEngine engine(port, host, log);
        host.BeginTransfer(TransferDirection::Send);
        const TransferResult result = engine.SendFile(settings, job);
        host.FinishTransfer();
        return result;
    }

    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    CliIo io{in, out, err};
    StreamLineReader reader{in};
    InterruptState interrupts;
    ManualClock clock;
    test::FakeSerialPort port{clock};
    test::RecordingLog log;
    TerminalHost host{io, reader, interrupts, clock, {}};
};

const std::string kConfirm =
    "ＮＣ装置側の準備を行ってください。\n準備が出来ましたら「はい(Y)」を\n"
    "押すと送信が開始します。\nはい(y) / いいえ(n): ";

TEST(TerminalHostTest, FileGetsTheQuestionOneLinePerStateAndTheResult) {
    Rig yes(false, "y\n");
    ASSERT_EQ(yes.Send("O1\r\nG01 X10.\r\nM30\r\n"), TransferResult::Completed);
    // Nothing is redrawn in a file: no carriage return, no escape sequence. The state that ends
    // the send is said once, by the result line.
    EXPECT_EQ(yes.err.str(), kConfirm +
                                 "送信名 O1.NC  ＜＜ 送信中 ＞＞  残り 19ﾊﾞｲﾄ\n"
                                 "送信完了しました。!!\n");
    // ISO with even parity: O, 1, the space, X and % carry the parity bit.
    EXPECT_EQ(yes.port.WrittenBytes(),
              "\n\xCF\xB1\nG0\xB1\xA0\xD8\xB1"
              "0.\nM30\n\n\xA5");
    Rig no(false, "n\n");
    ASSERT_EQ(no.Send("O1\r\n"), TransferResult::Stopped);
    EXPECT_EQ(no.port.WrittenBytes(), "\x14");
    EXPECT_EQ(no.err.str(), kConfirm + "送信中止しました。!!\n");
}

// A transfer that stops says so once, in the result line, in a file and on a terminal.
TEST(TerminalHostTest, AStopIsSaidOnceByTheResultLine) {
    for (const bool terminal : {false, true}) {
        Rig rig(terminal);
        rig.port.SetOpenResult(PortError::OpenFailed);
        ASSERT_EQ(rig.Send("O1\r\n"), TransferResult::Stopped);
        const std::string err = rig.err.str();
        EXPECT_EQ(err.find("送信中止しました。"), err.find("送信中止しました。!!")) << err;
        // On a terminal the (empty) progress line comes back after the message and goes.
        EXPECT_EQ(err, terminal ? "COM1のポートが開きません。!!\n\r\x1b[K\r\x1b[K"
                                  "\x1b[31m送信中止しました。!!\x1b[0m\n"
                                : "COM1のポートが開きません。!!\n送信中止しました。!!\n");
    }
}

TEST(TerminalHostTest, TerminalRedrawsInPlaceAtMostTenTimesASecondAndAroundMessages) {
    Rig rig(true);
    rig.host.SetErrorHint("COM1のポートが開きません", "  COM1 = /dev/ttyS0");
    rig.host.BeginTransfer(TransferDirection::Send);
    rig.host.SetStatus(StatusPanel::Name, "送信名 O1.NC");
    rig.host.SetStatus(StatusPanel::State, "＜＜ 送信中 ＞＞");
    rig.host.ProcessEvents();  // a new state is drawn as soon as the engine goes on
    const std::string first = rig.err.str();
    // Fifty lines within 50 ms: the line is not drawn again.
    for (int i = 1; i <= 50; ++i, rig.clock.Advance(1ms))
        rig.host.SetProgress(i, 100);
    EXPECT_EQ(rig.err.str(), first);
    rig.clock.Advance(60ms);
    rig.host.SetProgress(51, 100);
    // A change held back by the interval shows once the engine comes by again later.
    rig.host.SetProgress(60, 100);
    rig.clock.Advance(150ms);
    for (int i = 0; i < 64; ++i)
        rig.host.ProcessEvents();
    // A message takes the line off and puts it back, with its hint.
    rig.host.ShowError("通信エラー!!");
    rig.host.ShowError("COM1のポートが開きません。!!");
    // The result ends the line (it stays on screen) and comes in its colour.
    rig.host.SetResult("送信完了しました。!!", ResultColour::Lime);
    const std::string line = "\r\x1b[K送信名 O1.NC  ＜＜ 送信中 ＞＞  ";
    EXPECT_EQ(rig.err.str().substr(first.size()),
              line + "[##########----------]  51%" + line + "[############--------]  60%" +
                  "\r\x1b[K通信エラー!!\n" + line + "[############--------]  60%" +
                  "\r\x1b[KCOM1のポートが開きません。!!\n  COM1 = /dev/ttyS0\n" + line +
                  "[############--------]  60%" + line +
                  "[############--------]  60%\n\x1b[32m送信完了しました。!!\x1b[0m\n");
}

TEST(TerminalHostTest, OnlyYOrYesIsYes) {
    for (const auto& [input, yes] : {std::pair{"y\n", true},
                                     {"yes\n", true},
                                     {"  YES \r\n", true},
                                     {"Y", true},
                                     {"n\n", false},
                                     {"\n", false},
                                     {"ok\n", false},
                                     {"yess\n", false},
                                     {"", false}}) {
        Rig rig(false, input);
        EXPECT_EQ(rig.host.AskYesNo("上書きしますか？"), yes) << input;
        // At the end of input the answer's line is ended for it.
        EXPECT_EQ(rig.err.str(),
                  "上書きしますか？\nはい(y) / いいえ(n): " + std::string(*input ? "" : "\n"))
            << input;
    }
}

TEST(TerminalHostTest, CtrlCAnswersNoOrStopsTheSendWaitingForTheSignal) {
    Rig rig(false);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    DescriptorLineReader stdinReader(fds[0], rig.interrupts);
    TerminalHost host(rig.io, stdinReader, rig.interrupts, rig.clock, {});
    rig.interrupts.Press();
    EXPECT_FALSE(host.AskYesNo("上書きしますか？"));
    // The press answered the question; it must not stop the transfer that follows as well.
    EXPECT_FALSE(rig.interrupts.Pending());
    ::close(fds[0]);
    ::close(fds[1]);

    // The machine never signals; the press comes while the engine waits for it.
    rig.port.ArriveAt(2s, "");
    rig.interrupts.SetRunning(true);
    rig.interrupts.Press();
    EXPECT_EQ(rig.Send("O1\r\n", "Y"), TransferResult::Stopped);
    EXPECT_EQ(rig.port.WrittenBytes(), "\x14");
    const test::RecordingLog::Entry stopped{TransferKind::Send, TransferState::Stopped,
                                            "C:\\NC\\O1.NC"};
    EXPECT_EQ(rig.log.entries, std::vector{stopped});
    EXPECT_FALSE(rig.interrupts.Pending());
}

// Received data that could not be saved goes to the first rescue folder that takes it, never over
// an earlier rescue; with no folder left it is printed, so it is never lost.
TEST(TerminalHostTest, RescueWritesANewFileInTheFirstFolderThatTakesItElsePrintsTheData) {
    std::istringstream in;
    std::ostringstream out, err;
    CliIo io{in, out, err};
    StreamLineReader reader{in};
    InterruptState interrupts;
    ManualClock clock;
    test::MemoryFileSystem files;
    files.AddFolder("C:\\TMP");  // C:\HOME does not exist
    TerminalHost::Places places{
        &files, {"C:\\HOME", "C:\\TMP"}, [] { return LocalDateTime{2026, 12, 8, 10, 15, 0}; }};
    TerminalHost host{io, reader, interrupts, clock, places};
    // The drive path written is the answer, for the log.
    EXPECT_EQ(host.RescueReceivedData("O1.NC", "O1\r\nG01\r\n"),
              "C:\\TMP\\RESCUE_20261208-101500_O1.NC");
    EXPECT_EQ(host.RescueReceivedData("O1.NC", "O1\r\nG02\r\n"),
              "C:\\TMP\\RESCUE_20261208-101500_2_O1.NC");
    EXPECT_EQ(files.File("C:\\TMP\\RESCUE_20261208-101500_O1.NC"), "O1\r\nG01\r\n");
    EXPECT_EQ(files.File("C:\\TMP\\RESCUE_20261208-101500_2_O1.NC"), "O1\r\nG02\r\n");
    EXPECT_EQ(host.RescueFiles().size(), 2u);
    EXPECT_EQ(err.str(),
              "受信データを書き出しました: C:\\TMP\\RESCUE_20261208-101500_O1.NC\n"
              "受信データを書き出しました: C:\\TMP\\RESCUE_20261208-101500_2_O1.NC\n");
    // A name no file system takes is shortened: the data still lands in a file.
    const std::string longName = "O" + std::string(300, '9') + "_001.NC";
    const std::string path = host.RescueReceivedData(longName, "O9\r\n");
    EXPECT_TRUE(path.starts_with("C:\\TMP\\RESCUE_20261208-101500_O999")) << path;
    EXPECT_TRUE(path.ends_with(".NC")) << path;
    EXPECT_LE(path.size() - std::string("C:\\TMP\\").size(), kMaxFileNameBytes);
    EXPECT_EQ(files.File(path), "O9\r\n");

    std::ostringstream err2;
    CliIo io2{in, out, err2};
    TerminalHost nowhere{io2, reader, interrupts, clock, {}};
    EXPECT_EQ(nowhere.RescueReceivedData("O1.NC", "O1\r\nG03\r\n"), "");
    EXPECT_TRUE(nowhere.RescueFiles().empty());
    EXPECT_NE(err2.str().find("O1\r\nG03\r\n"), std::string::npos) << err2.str();
}

TEST(ProgressLineTest, BarShrinksThenGoesThenTheLineIsCutNeverInsideAWideCharacter) {
    const std::string head = "送信名 O1234.NC  ＜＜ 送信中 ＞＞";
    const std::string remaining = "  残り 1,235ﾊﾞｲﾄ(約 3分49秒)";
    const struct {
        std::int64_t position;
        std::size_t columns;  // 0: no limit
        std::string expected;
    } rows[] = {
        // clang-format off
        {500, 0, head + "  [#####---------------]  25%" + remaining},
        {3000, 0, head + "  [####################] 100%" + remaining},
        {-5, 0, head + "  [--------------------]   0%" + remaining},
        {1000, 85, head + "  [#####-----]  50%" + remaining},
        {1000, 83, head + "  [####----]  50%" + remaining},
        {1000, 82, head + "   50%" + remaining},
        {1000, 50, head + "   50%  残り 1,2"},
        {1000, 6, "送信"},
        // clang-format on
    };
    for (const auto& row : rows) {
        const ProgressView view{TransferDirection::Send,      "送信名 O1234.NC", "＜＜ 送信中 ＞＞",
                                "残り 1,235ﾊﾞｲﾄ(約 3分49秒)", row.position,      2000};
        EXPECT_EQ(FormatProgressLine(view, row.columns), row.expected) << row.columns;
    }
    EXPECT_EQ(DisplayWidth("ﾊﾞｲﾄ　\r\x1b\xE3\x81"), 8u)
        << "half-width kana one, ideographic space two, controls none, broken UTF-8 one a byte";
    const ProgressView receive{
        TransferDirection::Receive, "受信名 自動保存", "＜＜ 受信中 ＞＞", "", 0, 0, 1300};
    EXPECT_EQ(FormatProgressLine(receive, 0), "受信名 自動保存  ＜＜ 受信中 ＞＞  1,300行");
}

}  // namespace
}  // namespace kelvantori

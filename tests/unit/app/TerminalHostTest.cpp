// The terminal host: what a send shows on stderr in a file and on a terminal, the progress line
// fitted to the terminal, messages, questions answered from standard input, Ctrl-C, and the
// rescue of received data.
#include "app/cli/TerminalHost.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "comm/SendEngine.h"
#include "support/EngineRig.h"
#include "support/FakeSerialPort.h"
#include "support/MemoryFileSystem.h"
#include "support/RecordingHost.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;

struct Rig {
    explicit Rig(bool terminal, std::string answers = {}) : in(std::move(answers)) {
        TerminalHost::Places places{
            &files, {"C:\\HOME", "C:\\TMP"}, [] { return LocalDateTime{2026, 12, 8, 10, 15, 0}; }};
        host = std::make_unique<TerminalHost>(io, reader, interrupts, clock, places);
        host->SetColumns([] { return std::size_t{200}; });
        io.errIsTerminal = terminal;
    }
    // Sends O1.NC with the signal setting given, at 19200 baud 8N1.
    TransferResult Send(const std::string& bytes, const char* signal = "N") {
        Settings settings;
        settings.Signal = signal;
        settings.Speed = "19200,8,N,1";
        SendJob job;
        job.DirPath = "C:\\NC";
        job.TransferName = "O1.NC";
        job.program = test::ProgramOf(bytes);
        SendEngine engine(port, *host, log);
        host->BeginTransfer(TransferDirection::Send);
        const TransferResult result = engine.SendFile(settings, job);
        host->FinishTransfer();
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
    test::MemoryFileSystem files;
    std::unique_ptr<TerminalHost> host;
};

constexpr const char* kConfirm =
    "ＮＣ装置側の準備を行ってください。\n準備が出来ましたら「はい(Y)"
    "」を\n押すと送信が開始します。\n"
    "はい(y) / いいえ(n): ";

TEST(TerminalHostTest, FileGetsTheQuestionOneLinePerStateAndTheResult) {
    Rig yes(false, "y\n");
    ASSERT_EQ(yes.Send("O1\r\nG01 X10.\r\nM30\r\n"), TransferResult::Completed);
    // Nothing is redrawn in a file: no carriage return, no escape sequence.
    EXPECT_EQ(yes.err.str(), std::string(kConfirm) +
                                 "送信名 O1.NC  ＜＜ 送信中 ＞＞  残り 19ﾊﾞｲﾄ\n"
                                 "送信名 O1.NC  送信完了しました。  "
                                 "[####################] 100%  残り 0ﾊﾞｲﾄ\n"
                                 "送信完了しました。!!\n");
    // ISO with even parity: O, 1, the space, X and % carry the parity bit.
    EXPECT_EQ(test::Hex(yes.port.WrittenBytes()), test::Hex("\n\xCF\xB1\nG0\xB1\xA0\xD8\xB1"
                                                            "0.\nM30\n\n\xA5"));

    Rig no(false, "n\n");
    ASSERT_EQ(no.Send("O1\r\n"), TransferResult::Stopped);
    EXPECT_EQ(no.port.WrittenBytes(), "\x14");
    EXPECT_EQ(no.err.str(),
              std::string(kConfirm) +
                  "送信名 O1.NC  送信中止しました。  残り 4ﾊﾞｲﾄ\n送信中止しました。!!\n");
}

TEST(TerminalHostTest, TerminalRedrawsInPlaceAtMostTenTimesASecond) {
    Rig rig(true);
    TerminalHost& host = *rig.host;
    host.BeginTransfer(TransferDirection::Send);
    host.SetStatus(StatusPanel::Name, "送信名 O1.NC");
    host.SetStatus(StatusPanel::State, "＜＜ 送信中 ＞＞");
    const std::string first = rig.err.str();
    // Fifty lines within 50 ms: the line is not drawn again.
    for (int i = 1; i <= 50; ++i) {
        rig.clock.Advance(1ms);
        host.SetProgress(i, 100);
    }
    EXPECT_EQ(rig.err.str(), first);
    rig.clock.Advance(60ms);
    host.SetProgress(51, 100);
    EXPECT_EQ(rig.err.str().substr(first.size()),
              "\r\x1b[K送信名 O1.NC  ＜＜ 送信中 ＞＞  [##########----------]  51%");
    // A change held back by the interval shows once the engine comes by again later.
    host.SetProgress(60, 100);
    rig.clock.Advance(150ms);
    for (int i = 0; i < 64; ++i)
        host.ProcessEvents();
    EXPECT_TRUE(rig.err.str().ends_with("[############--------]  60%")) << rig.err.str();
    // The result ends the line (it stays on screen) and comes in its colour.
    host.SetResult("送信完了しました。!!", ResultColour::Lime);
    EXPECT_TRUE(rig.err.str().ends_with("60%\n\x1b[32m送信完了しました。!!\x1b[0m\n"));
    // What the engine does after it draws nothing.
    const std::string ended = rig.err.str();
    host.SetProgress(0, 100);
    host.SetStatus(StatusPanel::Name, "");
    host.TransferEnded(true, 3000ms);
    host.FinishTransfer();
    EXPECT_EQ(rig.err.str(), ended);
}

TEST(TerminalHostTest, MessageTakesTheLineOffAndPutsItBackWithItsHint) {
    Rig rig(true);
    rig.host->SetErrorHint("COM1のポートが開きません", "  COM1 = /dev/ttyS0");
    rig.host->BeginTransfer(TransferDirection::Send);
    rig.host->SetStatus(StatusPanel::State, "送信待機中(信号待ち)");
    const std::size_t before = rig.err.str().size();
    rig.host->ShowError("通信エラー!!");
    rig.host->ShowError("COM1のポートが開きません。!!");
    EXPECT_EQ(rig.err.str().substr(before),
              "\r\x1b[K通信エラー!!\n\r\x1b[K送信待機中(信号待ち)"
              "\r\x1b[KCOM1のポートが開きません。!!\n  COM1 = /dev/ttyS0\n\r\x1b[K"
              "送信待機中(信号待ち)");
}

TEST(TerminalHostTest, OnlyYOrYesIsYes) {
    const struct {
        const char* input;
        bool yes;
    } rows[] = {{"y\n", true}, {"yes\n", true}, {"  YES \r\n", true}, {"Y", true}, {"n\n", false},
                {"\n", false}, {"ok\n", false}, {"yess\n", false},    {"", false}};
    for (const auto& row : rows) {
        Rig rig(false, row.input);
        EXPECT_EQ(rig.host->AskYesNo("上書きしますか？"), row.yes) << row.input;
        EXPECT_EQ(rig.err.str(),
                  "上書きしますか？\nはい(y) / いいえ(n): " + std::string(row.input[0] ? "" : "\n"))
            << row.input;
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

TEST(TerminalHostTest, RescueGoesToTheFirstFolderThatTakesItUnderANewNameOrToTheScreen) {
    Rig rig(false);
    rig.host->RescueReceivedData("O1.NC", "O1\r\nG01\r\n");
    EXPECT_NE(rig.err.str().find("O1\r\nG01\r\n"), std::string::npos) << "nowhere to write";
    // C:\HOME does not exist: the second folder takes the data.
    rig.files.AddFolder("C:\\TMP");
    rig.host->RescueReceivedData("O1.NC", "O1\r\nG01\r\n");
    rig.host->RescueReceivedData("O1.NC", "O1\r\nG02\r\n");
    EXPECT_EQ(rig.files.File("C:\\TMP\\RESCUE_20261208-101500_O1.NC"), "O1\r\nG01\r\n");
    EXPECT_EQ(rig.files.File("C:\\TMP\\RESCUE_20261208-101500_2_O1.NC"), "O1\r\nG02\r\n");
    EXPECT_NE(rig.err.str().find("C:\\TMP\\RESCUE_20261208-101500_O1.NC"), std::string::npos);
}

ProgressView SendView(std::int64_t position) {
    ProgressView view;
    view.name = "送信名 O1234.NC";
    view.state = "＜＜ 送信中 ＞＞";
    view.remaining = "残り 1,235ﾊﾞｲﾄ(約 3分49秒)";
    view.position = position;
    view.maximum = 2000;
    return view;
}

// The head "送信名 O1234.NC  ＜＜ 送信中 ＞＞" takes 33 columns, the remaining text 27.
TEST(ProgressLineTest, BarShrinksThenGoesThenTheLineIsCutNeverInsideAWideCharacter) {
    const std::string head = "送信名 O1234.NC  ＜＜ 送信中 ＞＞";
    const std::string remaining = "  残り 1,235ﾊﾞｲﾄ(約 3分49秒)";
    const struct {
        std::int64_t position;
        std::size_t columns;  // 0: no limit
        std::string expected;
    } rows[] = {
        {500, 0, head + "  [#####---------------]  25%" + remaining},
        {3000, 0, head + "  [####################] 100%" + remaining},
        {-5, 0, head + "  [--------------------]   0%" + remaining},
        {1000, 85, head + "  [#####-----]  50%" + remaining},
        {1000, 83, head + "  [####----]  50%" + remaining},
        {1000, 82, head + "   50%" + remaining},
        {1000, 50, head + "   50%  残り 1,2"},
        {1000, 6, "送信"},  // never cut inside a wide character
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatProgressLine(SendView(row.position), row.columns), row.expected)
            << row.columns << " columns";
    }
    EXPECT_EQ(DisplayWidth("ﾊﾞｲﾄ　\r\x1b\xE3\x81"), 8u) << "half-width kana 1, ideographic 2, "
                                                           "controls 0, broken UTF-8 per byte";

    ProgressView receive;
    receive.direction = TransferDirection::Receive;
    receive.name = "受信名 自動保存";
    receive.state = "＜＜ 受信中 ＞＞";
    receive.linesReceived = 1300;
    EXPECT_EQ(FormatProgressLine(receive, 0), "受信名 自動保存  ＜＜ 受信中 ＞＞  1,300行");
}

}  // namespace
}  // namespace kelvantori

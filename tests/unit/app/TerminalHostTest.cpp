// The terminal host: what a send shows on stderr in a file and on a terminal, questions answered
// from standard input, Ctrl-C, the waits, and the rescue of received data.
#include "app/cli/TerminalHost.h"

#include <gtest/gtest.h>

#include <sstream>

#include "comm/SendEngine.h"
#include "support/EngineRig.h"
#include "support/FakeSerialPort.h"
#include "support/MemoryFileSystem.h"
#include "support/RecordingHost.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;
using test::FakeSerialPort;
using test::MemoryFileSystem;
using test::RecordingLog;

constexpr const char* kConfirm =
    "ＮＣ装置側の準備を行ってください。\n準備が出来ましたら「はい(Y)」を\n押すと送信が開始します。";

class ScriptedReader : public LineReader {
  public:
    explicit ScriptedReader(std::vector<ReadOutcome> outcomes) : outcomes_(std::move(outcomes)) {}
    ReadOutcome ReadLine(std::string& line) override {
        line = "y";
        if (next_ >= outcomes_.size())
            return ReadOutcome::EndOfInput;
        return outcomes_[next_++];
    }

  private:
    std::vector<ReadOutcome> outcomes_;
    std::size_t next_ = 0;
};

struct Rig {
    explicit Rig(bool terminal, std::string answers = {}) : in(std::move(answers)) {
        io = std::make_unique<CliIo>(CliIo{in, out, err, terminal});
        reader = std::make_unique<StreamLineReader>(in);
        Make(*reader);
    }
    void Make(LineReader& lineReader) {
        TerminalHost::Places places;
        places.files = &files;
        places.rescueFolders = {"C:\\HOME", "C:\\TMP"};
        places.now = [] { return LocalDateTime{2026, 12, 8, 10, 15, 0}; };
        host = std::make_unique<TerminalHost>(*io, lineReader, interrupts, clock, places);
        host->SetColumns([] { return std::size_t{200}; });
    }
    TransferResult Send(const std::string& bytes, Settings settings = {}) {
        settings.Signal = "N";
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
    std::unique_ptr<CliIo> io;
    std::unique_ptr<StreamLineReader> reader;
    InterruptState interrupts;
    ManualClock clock;
    FakeSerialPort port{clock};
    RecordingLog log;
    MemoryFileSystem files;
    std::unique_ptr<TerminalHost> host;
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(TerminalHostTest, FileGetsTheQuestionOneLinePerStateAndTheResult) {
    Rig rig(false, "y\n");
    ASSERT_EQ(rig.Send("O1\r\nG01 X10.\r\nM30\r\n"), TransferResult::Completed);
    // Nothing is redrawn in a file: no carriage return, no escape sequence.
    EXPECT_EQ(rig.err.str(), std::string(kConfirm) +
                                 "\n"
                                 "はい(y) / いいえ(n): "
                                 "送信名 O1.NC  ＜＜ 送信中 ＞＞  残り 19ﾊﾞｲﾄ\n"
                                 "送信名 O1.NC  送信完了しました。  残り 0ﾊﾞｲﾄ  "
                                 "[####################] 100%\n"
                                 "送信完了しました。!!\n");
    // ISO with even parity: O, 1, the space, X and % carry the parity bit.
    EXPECT_EQ(test::Hex(rig.port.WrittenBytes()), test::Hex("\n\xCF\xB1\nG0\xB1\xA0\xD8\xB1"
                                                            "0.\nM30\n\n\xA5"));
}

TEST(TerminalHostTest, NoToTheQuestionStopsWithTheStopTexts) {
    Rig rig(false, "n\n");
    ASSERT_EQ(rig.Send("O1\r\n"), TransferResult::Stopped);
    EXPECT_EQ(rig.port.WrittenBytes(), "\x14");
    const std::string err = rig.err.str();
    EXPECT_NE(err.find("送信名 O1.NC  送信中止しました。"), std::string::npos) << err;
    EXPECT_TRUE(err.ends_with("送信中止しました。!!\n")) << err;
}

TEST(TerminalHostTest, TerminalRedrawsInPlaceAtMostTenTimesASecond) {
    Rig rig(true);
    TerminalHost& host = *rig.host;
    host.BeginTransfer(TransferDirection::Send);
    host.SetStatus(StatusPanel::Name, "送信名 O1.NC");
    host.SetStatus(StatusPanel::State, "＜＜ 送信中 ＞＞");
    const std::size_t first = Count(rig.err.str(), "\r\x1b[K");
    // Fifty lines within 50 ms: the line is not drawn again.
    for (int i = 1; i <= 50; ++i) {
        rig.clock.Advance(1ms);
        host.SetProgress(i, 100);
    }
    EXPECT_EQ(Count(rig.err.str(), "\r\x1b[K"), first);
    rig.clock.Advance(60ms);
    host.SetProgress(51, 100);
    EXPECT_EQ(Count(rig.err.str(), "\r\x1b[K"), first + 1);
    EXPECT_TRUE(
        rig.err.str().ends_with("\r\x1b[K送信名 O1.NC  ＜＜ 送信中 ＞＞  "
                                "[##########----------] 51%"))
        << rig.err.str();

    // A change held back by the interval shows once the engine comes by again later.
    host.SetProgress(60, 100);
    rig.clock.Advance(150ms);
    for (int i = 0; i < 64; ++i)
        host.ProcessEvents();
    EXPECT_TRUE(rig.err.str().ends_with("[############--------] 60%")) << rig.err.str();

    // The result ends the line (it stays on screen) and comes in its colour.
    host.SetResult("送信完了しました。!!", ResultColour::Lime);
    EXPECT_TRUE(rig.err.str().ends_with("60%\n\x1b[32m送信完了しました。!!\x1b[0m\n"))
        << rig.err.str();
    // What the engine does after it draws nothing.
    const std::string ended = rig.err.str();
    host.SetProgress(0, 100);
    host.SetStatus(StatusPanel::Name, "");
    host.TransferEnded(true, 3000ms);
    host.FinishTransfer();
    EXPECT_EQ(rig.err.str(), ended);
}

TEST(TerminalHostTest, ErrorTakesTheLineOffAndPutsItBack) {
    Rig rig(true);
    TerminalHost& host = *rig.host;
    host.SetErrorHint("COM1のポートが開きません", "  COM1 = /dev/ttyS0");
    host.BeginTransfer(TransferDirection::Send);
    host.SetStatus(StatusPanel::State, "送信待機中(信号待ち)");
    const std::size_t before = rig.err.str().size();
    host.ShowError("通信エラー!!");
    EXPECT_EQ(rig.err.str().substr(before), "\r\x1b[K通信エラー!!\n\r\x1b[K送信待機中(信号待ち)");
    const std::size_t middle = rig.err.str().size();
    host.ShowError("COM1のポートが開きません。!!");
    EXPECT_EQ(rig.err.str().substr(middle),
              "\r\x1b[KCOM1のポートが開きません。!!\n  COM1 = /dev/ttyS0\n\r\x1b[K"
              "送信待機中(信号待ち)");
}

struct AnswerCase {
    const char* name;
    const char* input;
    bool yes;
};

class AnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerTest, OnlyYOrYesIsYes) {
    Rig rig(false, GetParam().input);
    EXPECT_EQ(rig.host->AskYesNo("上書きしますか？"), GetParam().yes);
    EXPECT_TRUE(rig.err.str().starts_with("上書きしますか？\nはい(y) / いいえ(n): "));
}

INSTANTIATE_TEST_SUITE_P(Answers, AnswerTest,
                         ::testing::Values(AnswerCase{"LowerY", "y\n", true},
                                           AnswerCase{"Yes", "yes\n", true},
                                           AnswerCase{"UpperWithBlanks", "  YES \r\n", true},
                                           AnswerCase{"LastLineWithoutLineEnd", "Y", true},
                                           AnswerCase{"No", "n\n", false},
                                           AnswerCase{"EmptyLine", "\n", false},
                                           AnswerCase{"OtherWord", "ok\n", false},
                                           AnswerCase{"YesWithMore", "yess\n", false},
                                           AnswerCase{"EndOfInput", "", false}),
                         [](const auto& info) { return info.param.name; });

TEST(TerminalHostTest, CtrlCAnswersNoAndIsSpentOnTheQuestion) {
    Rig rig(false);
    ScriptedReader reader({ReadOutcome::Interrupted});
    rig.Make(reader);
    rig.interrupts.Press();
    EXPECT_FALSE(rig.host->AskYesNo("上書きしますか？"));
    // The press answered the question; it must not stop the transfer that follows as well.
    EXPECT_FALSE(rig.interrupts.Pending());
}

TEST(TerminalHostTest, CtrlCStopsASendWaitingForTheSignalAndSendsDc4) {
    Rig rig(false);
    Settings settings;
    settings.Signal = "Y";
    settings.Speed = "19200,8,N,1";
    SendJob job;
    job.DirPath = "C:\\NC";
    job.TransferName = "O1.NC";
    job.program = test::ProgramOf("O1\r\n");
    rig.interrupts.SetRunning(true);
    // The machine never signals; the press comes while the engine waits for it.
    rig.port.ArriveAt(2s, "");
    SendEngine engine(rig.port, *rig.host, rig.log);
    rig.host->BeginTransfer(TransferDirection::Send);
    rig.interrupts.Press();
    EXPECT_EQ(engine.SendFile(settings, job), TransferResult::Stopped);
    rig.host->FinishTransfer();
    EXPECT_EQ(rig.port.WrittenBytes(), "\x14");
    ASSERT_EQ(rig.log.entries.size(), 1u);
    EXPECT_EQ(rig.log.entries[0].state, TransferState::Stopped);
    EXPECT_FALSE(rig.interrupts.Pending());
}

TEST(InterruptStateTest, SecondPressWhileNothingRunsEndsTheProgram) {
    InterruptState state;
    EXPECT_TRUE(state.Press());
    EXPECT_FALSE(state.Press()) << "a second press with the first not taken ends the program";
    EXPECT_TRUE(state.Consume());
    EXPECT_FALSE(state.Consume()) << "one press stops once";
    state.SetRunning(true);
    EXPECT_TRUE(state.Press());
    EXPECT_TRUE(state.Press()) << "while a transfer runs every press is the engine's";
    state.SetRunning(false);
    EXPECT_TRUE(state.Consume());
    EXPECT_TRUE(state.Press());
}

TEST(TerminalHostTest, WaitSleepsItsTimeUnlessCtrlCComes) {
    Rig rig(false);
    const auto start = rig.clock.Now();
    rig.host->Wait(4000ms);
    EXPECT_EQ(rig.clock.Now() - start, 4000ms);

    rig.interrupts.Press();
    const auto second = rig.clock.Now();
    rig.host->Wait(4000ms);
    EXPECT_EQ(rig.clock.Now(), second);
    // The wait leaves the press to the engine.
    EXPECT_TRUE(rig.host->CancelRequested());
    EXPECT_FALSE(rig.host->CancelRequested());
}

TEST(TerminalHostTest, SelectNumberTakesOnlyTheDialogsCharacters) {
    Rig rig(false, "7\n1234\n\n2-5\n");
    EXPECT_EQ(rig.host->AskSelectNumber(), std::optional<std::string>("2-5"));
    EXPECT_EQ(Count(rig.err.str(), "この文字は変更できません。\n"), 3u);

    Rig ended(false, "A\n");
    EXPECT_EQ(ended.host->AskSelectNumber(), std::nullopt);
}

TEST(TerminalHostTest, RescueGoesToTheFirstFolderThatTakesItUnderANewName) {
    Rig rig(false);
    // C:\HOME does not exist: the second folder takes the data.
    rig.files.AddFolder("C:\\TMP");
    rig.host->RescueReceivedData("O1.NC", "O1\r\nG01\r\n");
    rig.host->RescueReceivedData("O1.NC", "O1\r\nG02\r\n");
    EXPECT_EQ(rig.files.File("C:\\TMP\\RESCUE_20261208-101500_O1.NC"),
              std::optional<std::string>("O1\r\nG01\r\n"));
    EXPECT_EQ(rig.files.File("C:\\TMP\\RESCUE_20261208-101500_2_O1.NC"),
              std::optional<std::string>("O1\r\nG02\r\n"));
    ASSERT_EQ(rig.host->RescueFiles().size(), 2u);
    EXPECT_NE(rig.err.str().find("C:\\TMP\\RESCUE_20261208-101500_O1.NC"), std::string::npos);
}

TEST(TerminalHostTest, RescueWithNowhereToWriteShowsTheData) {
    Rig rig(false);
    rig.host->RescueReceivedData("O1.NC", "O1\r\nG01\r\n");
    EXPECT_TRUE(rig.host->RescueFiles().empty());
    EXPECT_NE(rig.err.str().find("O1\r\nG01\r\n"), std::string::npos) << rig.err.str();
}

}  // namespace
}  // namespace kelvantori

#include "comm/SendEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/LineSetting.h"
#include "support/EngineRig.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using std::chrono::seconds;
using test::EngineRig;
using test::Hex;
using test::ProgramOf;
using test::RecordingLog;

const std::string kConfirm =
    "ＮＣ装置側の準備を行ってください。\n準備が出来ましたら「はい(Y)」を\n押すと送信が開始します。";

RecordingLog::Entry SendLog(TransferState state, std::string path) {
    return RecordingLog::Entry{TransferKind::Send, state, std::move(path)};
}

// --- golden files: the exact bytes on the line ----------------------------------------------

struct GoldenCase {
    const char* name;
    std::function<void(Settings&)> configure;
};

void Iso(Settings& s) {
    s.Speed = "4800,8,N,2";
    s.Code = "N";
}
void Eia(Settings& s) {
    s.Speed = "4800,8,N,2";
    s.Code = "Y";
}
void Framing(Settings& s, const char* start, int startType, const char* end, int endType) {
    s.StartChar = start;
    s.StartChar_Type = startType;
    s.EndChar = end;
    s.EndChar_Type = endType;
}
// Seven data bits: every character goes out as it is, so the files read as text.
void Text(Settings& s) {
    s.Speed = "4800,7,E,2";
    Framing(s, "N", 0, "Y", 1);
}

class SendGoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(SendGoldenTest, LineBytesMatchTheGoldenFile) {
    EngineRig rig;
    GetParam().configure(rig.settings);
    const std::string name = GetParam().name;
    const auto input = test::ReadFixture("send/" + name + ".input");
    const auto expected = test::ReadFixture("send/" + name + ".expected");

    EXPECT_EQ(rig.Send(ProgramOf(input)), TransferResult::Completed);
    EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex(expected));
    EXPECT_FALSE(rig.host.TimedOut());
}

INSTANTIATE_TEST_SUITE_P(
    Send, SendGoldenTest,
    testing::Values(
        GoldenCase{"iso_start1_end1", [](Settings& s) { Iso(s), Framing(s, "Y", 1, "Y", 1); }},
        GoldenCase{"iso_start2_end2", [](Settings& s) { Iso(s), Framing(s, "Y", 2, "Y", 2); }},
        GoldenCase{"iso_start3_end3", [](Settings& s) { Iso(s), Framing(s, "Y", 3, "Y", 3); }},
        GoldenCase{"iso_start4_end4", [](Settings& s) { Iso(s), Framing(s, "Y", 4, "Y", 4); }},
        GoldenCase{"iso_start5_end0", [](Settings& s) { Iso(s), Framing(s, "Y", 5, "Y", 0); }},
        GoldenCase{"iso_start0_no_end", [](Settings& s) { Iso(s), Framing(s, "Y", 0, "N", 1); }},
        GoldenCase{"iso_no_start_end1", [](Settings& s) { Iso(s), Framing(s, "N", 3, "Y", 1); }},
        GoldenCase{"eia_start1_end1", [](Settings& s) { Eia(s), Framing(s, "Y", 1, "Y", 1); }},
        GoldenCase{"eia_start2_end2", [](Settings& s) { Eia(s), Framing(s, "Y", 2, "Y", 2); }},
        GoldenCase{"eia_start3_end3", [](Settings& s) { Eia(s), Framing(s, "Y", 3, "Y", 3); }},
        GoldenCase{"eia_start4_end4", [](Settings& s) { Eia(s), Framing(s, "Y", 4, "Y", 4); }},
        GoldenCase{"eia_start5_no_end", [](Settings& s) { Eia(s), Framing(s, "Y", 5, "N", 2); }},
        GoldenCase{"eia_no_start_end0", [](Settings& s) { Eia(s), Framing(s, "N", 1, "Y", 9); }},
        GoldenCase{"eia_untranslatable", [](Settings& s) { Eia(s), Framing(s, "Y", 1, "Y", 1); }},
        GoldenCase{"comments_msg_n", [](Settings& s) { Text(s), s.MSG_OP = "N"; }},
        GoldenCase{"comments_msg_y", [](Settings& s) { Text(s), s.MSG_OP = "Y"; }},
        GoldenCase{"sendmsg1", [](Settings& s) { Text(s), s.SendMsg1 = "ABC"; }},
        GoldenCase{"tabs", [](Settings& s) { Text(s); }},
        GoldenCase{"send_sp_cut",
                   [](Settings& s) { Text(s), s.Send_SP_Cut = "Y", s.Send_Before = 1; }},
        GoldenCase{"leader", [](Settings& s) { Text(s), s.Send_Before = 1; }},
        GoldenCase{"lf_only", [](Settings& s) { Text(s); }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- lines, byte counts and files -----------------------------------------------------------

TEST(SendEngineTest, SendsEveryLineOnceWhenTheTextIsShorterThanTheFile) {
    // The loader read a file with a NUL line by line: fewer bytes than the file's size.
    EngineRig rig;
    Text(rig.settings);
    LoadedProgram program = ProgramOf("O1\r\nM30\r\n");
    program.size = 5000;
    EXPECT_EQ(rig.Send(program), TransferResult::Completed);
    EXPECT_EQ(rig.port.WrittenBytes(), "\nO1\nM30\n\n%");
    EXPECT_EQ(rig.host.sendLines, (std::vector<std::size_t>{0, 1}));
}

TEST(SendEngineTest, ShowsRemainingBytesAfterEachLineAndZeroAtTheEnd) {
    EngineRig rig;
    Text(rig.settings);
    // 14 bytes: "O1" + CR LF counts 4, "G01 X1." + CR LF counts 9, then 1 is left over.
    LoadedProgram program = ProgramOf("O1\r\nG01 X1.\r\n");
    program.size = 14;
    rig.Send(program);
    EXPECT_EQ(rig.host.remaining, (std::vector<std::string>{"残り 14ﾊﾞｲﾄ", "残り 11ﾊﾞｲﾄ(約 0秒)",
                                                            "残り 2ﾊﾞｲﾄ(約 0秒)", "残り 0ﾊﾞｲﾄ"}));
}

TEST(SendEngineTest, PausesFiveMillisecondsAfterProgramEnds) {
    EngineRig rig;
    Text(rig.settings);
    rig.Send(ProgramOf("M02\r\nG01\r\nM99\r\nM30\r\nM2\r\nM3\r\n"));
    EXPECT_EQ(std::count(rig.host.waits.begin(), rig.host.waits.end(), milliseconds(5)), 4);
}

TEST(SendEngineTest, WaitsInvTimeAfterEveryCharacter) {
    EngineRig rig;
    Text(rig.settings);
    rig.settings.InvTime = 7;
    rig.Send(ProgramOf("G1;X\r\nM3\r\n"));
    // G, 1, M, 3: the ";" ended its line; line feeds and framing are not characters of a line.
    EXPECT_EQ(std::count(rig.host.waits.begin(), rig.host.waits.end(), milliseconds(7)), 4);
}

TEST(SendEngineTest, LeaderTwoPausesASecondBeforeTheStartSequence) {
    EngineRig rig;
    Text(rig.settings);
    rig.settings.Send_Before = 2;
    rig.Send(ProgramOf("M3\r\n"));
    EXPECT_EQ(rig.port.WrittenBytes(), "\nM3\n\n%");
    ASSERT_FALSE(rig.host.waits.empty());
    EXPECT_EQ(rig.host.waits.front(), milliseconds(1000));
    EXPECT_GE(rig.port.Written().front().time, milliseconds(1000));
}

TEST(SendEngineTest, SendsEveryMarkedFileWholeWithItsOwnCounters) {
    EngineRig rig;
    Text(rig.settings);
    SendJob job;
    job.DirPath = "C:\\NC";
    job.TransferName = "O1.NC";
    job.program = ProgramOf("O1\r\nG01 X100. Y100.\r\nG01 X200. Y200.\r\nM30\r\n");
    // The second file is smaller than what the first has sent; the third cannot be read.
    job.nextFiles = {"O2.NC", "BAD.NC", "O3.NC"};
    std::vector<std::string> loaded;
    job.loadFile = [&](const std::string& name) {
        loaded.push_back(name);
        if (name == "O2.NC")
            return ProgramOf("O2\r\nM30\r\n");
        if (name == "O3.NC")
            return ProgramOf("O3\r\n");
        LoadedProgram none;
        none.readable = false;
        return none;
    };

    EXPECT_EQ(rig.Send(job), TransferResult::Completed);
    EXPECT_EQ(rig.port.WrittenBytes(),
              "\nO1\nG01 X100. Y100.\nG01 X200. Y200.\nM30\nO2\nM30\nO3\n\n%");
    EXPECT_EQ(loaded, (std::vector<std::string>{"O2.NC", "BAD.NC", "O3.NC"}));
    EXPECT_EQ(rig.host.programsShown, (std::vector<std::string>{"O2.NC", "O3.NC"}));
    EXPECT_EQ(rig.log.entries, (std::vector<RecordingLog::Entry>{
                                   SendLog(TransferState::Completed, "C:\\NC\\O1.NC"),
                                   SendLog(TransferState::Completed, "C:\\NC\\O2.NC"),
                                   SendLog(TransferState::Stopped, "C:\\NC\\BAD.NC"),
                                   SendLog(TransferState::Completed, "C:\\NC\\O3.NC")}));
    // The second file's display starts from its own size.
    const auto second =
        std::find(rig.host.remaining.begin(), rig.host.remaining.end(), "残り 9ﾊﾞｲﾄ");
    ASSERT_NE(second, rig.host.remaining.end());
    EXPECT_EQ(*(second + 1), "残り 6ﾊﾞｲﾄ(約 0秒)");
}

// --- start, completion and stop ---------------------------------------------------------------

TEST(SendEngineTest, CompletionLogsWaitsForTheLineAndRestoresAfterThreeSeconds) {
    EngineRig rig;
    Text(rig.settings);
    rig.settings.Power_Off = "Y";
    SendJob job;
    job.DirPath = "C:\\NC";
    job.TransferName = "O1.NC";
    job.program = ProgramOf("M30\r\n");
    job.CloseAfterTransfer = true;

    EXPECT_EQ(rig.Send(job), TransferResult::Completed);
    EXPECT_EQ(rig.host.questions, std::vector<std::string>{kConfirm});
    EXPECT_EQ(rig.log.entries,
              std::vector<RecordingLog::Entry>{SendLog(TransferState::Completed, "C:\\NC\\O1.NC")});
    ASSERT_FALSE(rig.host.waits.empty());
    EXPECT_EQ(rig.host.waits.back(), milliseconds(4000));
    ASSERT_EQ(rig.port.Closes().size(), 1u);
    EXPECT_GE(rig.port.Closes()[0] - rig.port.Written().back().time, milliseconds(4000));
    EXPECT_EQ(rig.host.LastStatus(StatusPanel::State), "送信完了しました。");
    EXPECT_EQ(rig.host.LastStatus(StatusPanel::Name), "");
    ASSERT_FALSE(rig.host.results.empty());
    EXPECT_EQ(rig.host.results.back().text, "送信完了しました。!!");
    EXPECT_EQ(rig.host.results.back().colour, ResultColour::Lime);
    ASSERT_EQ(rig.host.ended.size(), 1u);
    EXPECT_TRUE(rig.host.ended[0].completed);
    EXPECT_EQ(rig.host.ended[0].restoreAfter, milliseconds(3000));
    EXPECT_EQ(rig.host.closeRequests, std::vector<bool>{true});
}

struct StopCase {
    const char* name;
    std::function<void(EngineRig&)> script;
    std::string written;  // every byte on the line
    std::vector<std::string> errors;
};

class SendStopTest : public testing::TestWithParam<StopCase> {};

TEST_P(SendStopTest, StopsWithDc4TheLogAndTheStopTexts) {
    EngineRig rig;
    Text(rig.settings);
    GetParam().script(rig);
    EXPECT_EQ(rig.Send(ProgramOf("O1\r\nG01 X10. Y20.\r\nG01 X30. Y40.\r\nM30\r\n")),
              TransferResult::Stopped);
    EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex(GetParam().written));
    EXPECT_EQ(rig.host.errors, GetParam().errors);
    EXPECT_EQ(rig.log.entries,
              std::vector<RecordingLog::Entry>{SendLog(TransferState::Stopped, "C:\\NC\\O1.NC")});
    EXPECT_EQ(rig.host.LastStatus(StatusPanel::State), "送信中止しました。");
    ASSERT_FALSE(rig.host.results.empty());
    EXPECT_EQ(rig.host.results.back().text, "送信中止しました。!!");
    EXPECT_EQ(rig.host.results.back().colour, ResultColour::Red);
    ASSERT_EQ(rig.host.ended.size(), 1u);
    EXPECT_FALSE(rig.host.ended[0].completed);
    EXPECT_EQ(rig.host.ended[0].restoreAfter, milliseconds(1000));
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_TRUE(rig.host.closeRequests.empty());
    EXPECT_FALSE(rig.host.TimedOut());
}

INSTANTIATE_TEST_SUITE_P(
    Stops, SendStopTest,
    testing::Values(StopCase{"ConfirmationAnsweredNo",
                             [](EngineRig& rig) { rig.host.AnswerYesNo(false); },
                             "\x14",
                             {}},
                    StopCase{"EscAfterTwelveBytes",
                             [](EngineRig& rig) {
                                 rig.host.CancelWhen(
                                     [&rig] { return rig.port.Written().size() >= 12; });
                             },
                             "\nO1\nG01 X10.\x14",
                             {}},
                    StopCase{"OpenFails",
                             [](EngineRig& rig) { rig.port.SetOpenResult(PortError::OpenFailed); },
                             "",
                             {"COM1のポートが開きません。!!"}},
                    StopCase{"DsrLostWithOp6",
                             [](EngineRig& rig) {
                                 rig.settings.op6 = "Y";
                                 rig.port.ModemAfterWrites(5, ModemStatus{true, false, true});
                             },
                             "\nO1\nG",
                             {}},
                    StopCase{"CarrierLostWhileSignalY",
                             [](EngineRig& rig) {
                                 rig.settings.Signal = "Y";
                                 rig.port.ArriveAt(milliseconds(20), "\x11");
                                 rig.port.ModemAfterWrites(5, ModemStatus{true, true, false});
                             },
                             // The byte after the loss still goes out, then the DC4 of the stop.
                             "\nO1\nG0\x14",
                             {}},
                    StopCase{"WriteFails",
                             [](EngineRig& rig) { rig.port.FailWritesFrom(8); },
                             "\nO1\nG01 ",
                             {"通信エラー!!"}},
                    StopCase{"Op2StopOnDc4WhileWaiting",
                             [](EngineRig& rig) {
                                 rig.settings.Signal = "Y";
                                 rig.settings.op2 = "Y";
                                 rig.port.ArriveAt(seconds(3), "\x14");
                             },
                             "\x14",
                             {}},
                    StopCase{"EscWhileWaitingForTheSignal",
                             [](EngineRig& rig) {
                                 rig.settings.Signal = "Y";
                                 rig.host.CancelAt(seconds(30));
                             },
                             "\x14",
                             {}},
                    StopCase{"SwitcherNumberCancelled",
                             [](EngineRig& rig) {
                                 rig.settings.AutoSelect = "Y";
                                 rig.host.AnswerSelectNumber(std::nullopt);
                             },
                             "\x14",
                             {"自動選択番号の入力が間違っています。\n通信を一旦中止します。"}},
                    StopCase{"SwitcherNumberEmpty",
                             [](EngineRig& rig) {
                                 rig.settings.AutoSelect = "Y";
                                 rig.host.AnswerSelectNumber("");
                             },
                             "\x14",
                             {"自動選択番号の入力が間違っています。\n通信を一旦中止します。"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SendEngineTest, EmptyProgramIsNotSent) {
    EngineRig rig;
    Text(rig.settings);
    EXPECT_EQ(rig.Send(ProgramOf("")), TransferResult::Stopped);
    EXPECT_EQ(rig.port.WrittenBytes(), "\x14");
    EXPECT_TRUE(rig.host.questions.empty());
}

TEST(SendEngineTest, SignalStartsOnDc1OrPercentAfterWaiting) {
    for (const char* signal : {"\x11", "\xA5"}) {
        EngineRig rig;
        Iso(rig.settings);
        rig.settings.Signal = "Y";
        rig.port.ArriveAt(seconds(12), signal);
        EXPECT_EQ(rig.Send(ProgramOf("M30\r\n")), TransferResult::Completed);
        ASSERT_FALSE(rig.port.Written().empty());
        EXPECT_GE(rig.port.Written().front().time, seconds(12));
        EXPECT_TRUE(rig.host.questions.empty());
        EXPECT_EQ(rig.host.Statuses(StatusPanel::State).front(), "送信待機中(信号待ち)");
        EXPECT_EQ(rig.host.Statuses(StatusPanel::State)[1], "＜＜ 送信中 ＞＞");
        // Blocking reads while waiting: one per 10 ms at most, never a spin.
        EXPECT_LE(rig.port.Reads(), 12 * 100 + 50u) << "signal " << Hex(signal);
    }
}

TEST(SendEngineTest, SwitcherDigitsGoOutRawWithTheirPauses) {
    EngineRig rig;
    Iso(rig.settings);
    Framing(rig.settings, "N", 0, "N", 0);
    rig.settings.AutoSelect = "Y";
    rig.host.AnswerSelectNumber("2-5");
    EXPECT_EQ(rig.Send(ProgramOf("M3\r\n")), TransferResult::Completed);
    // "2" and "5" without the parity bit ISO would give them (0xB2, 0xB5); then the program.
    EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex("\x32\x35\x0A\x4D\x33\x0A\x14"));
    const auto& w = rig.port.Written();
    EXPECT_GE(w[1].time - w[0].time, milliseconds(3000));
    EXPECT_GE(w[2].time - w[1].time, milliseconds(3000));
    EXPECT_TRUE(rig.port.Opened().at(0).dtrOn);
    EXPECT_TRUE(rig.port.Opened().at(0).rtsOn);
}

TEST(SendEngineTest, SwitcherNumberOfDashesOnlyWaitsTwiceAndSendsNothing) {
    EngineRig rig;
    Text(rig.settings);
    rig.settings.AutoSelect = "Y";
    rig.host.AnswerSelectNumber("-");
    EXPECT_EQ(rig.Send(ProgramOf("M3\r\n")), TransferResult::Completed);
    EXPECT_EQ(rig.port.WrittenBytes(), "\nM3\n\n%");
    EXPECT_GE(rig.port.Written().front().time, milliseconds(6000));
}

// --- the machine's DC1/DC3 and the pacing -----------------------------------------------------

struct XoffCase {
    const char* name;
    bool paced;
    std::string speed;
    std::string code;
    std::string dc3;
    bool pauses;
};

class SendXoffTest : public testing::TestWithParam<XoffCase> {};

TEST_P(SendXoffTest, Dc3AfterThirtyBytesPausesUntilDc1) {
    const XoffCase& c = GetParam();
    const std::string program =
        "O1234\r\nG01 X10. Y20. Z30.\r\nG01 X40. Y50. Z60.\r\nG01 X70. Y80. Z90.\r\nM30\r\n";
    // The same send without any DC3, for the bytes that must go out in the end.
    EngineRig plain;
    plain.settings.Speed = c.speed;
    plain.settings.Code = c.code;
    plain.Send(ProgramOf(program), SendOptions{c.paced, 2});

    EngineRig rig;
    rig.settings.Speed = c.speed;
    rig.settings.Code = c.code;
    rig.port.ArriveAfterWrites(30, c.dc3);
    const nanoseconds resume = seconds(5);
    rig.port.ArriveAt(resume, "\x11");
    EXPECT_EQ(rig.Send(ProgramOf(program), SendOptions{c.paced, 2}), TransferResult::Completed);
    EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex(plain.port.WrittenBytes()));

    const auto& w = rig.port.Written();
    ASSERT_GT(w.size(), 40u);
    const auto beforeResume =
        std::count_if(w.begin(), w.end(), [&](const auto& b) { return b.time < resume; });
    if (c.pauses) {
        // Never more than 10 bytes after the DC3; paced, not one (it is seen while waiting for
        // the next character's slot).
        EXPECT_LE(beforeResume, 40);
        if (c.paced) {
            EXPECT_EQ(beforeResume, 30);
        }
        EXPECT_GT(w.size(), static_cast<std::size_t>(beforeResume));
    } else {
        EXPECT_LT(w.back().time, resume);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Handshake, SendXoffTest,
    testing::Values(XoffCase{"IsoPaced", true, "4800,8,N,2", "N", "\x93", true},
                    XoffCase{"IsoUnpaced", false, "4800,8,N,2", "N", "\x93", true},
                    XoffCase{"Iso0x13Paced", true, "4800,8,N,2", "N", "\x13", true},
                    XoffCase{"SevenBitUnpaced", false, "4800,7,E,2", "N", "\x13", true},
                    XoffCase{"EiaDc3WithParity", true, "4800,8,N,2", "Y", "\x93", true},
                    // 0x13 is the EIA digit 3: it must not pause an EIA send.
                    XoffCase{"EiaDigitThree", true, "4800,8,N,2", "Y", "\x13", false}),
    [](const auto& info) { return std::string(info.param.name); });

std::string LongProgram(int lines, bool programEnd = true) {
    std::string program = "O1000\r\n";
    for (int i = 0; i < lines; ++i)
        program += "G01 X" + std::to_string(i) + ". Y-25.4 F800\r\n";
    return programEnd ? program + "M30\r\n" : program;
}

struct PacingCase {
    const char* name;
    const char* speed;
    bool queueUnknown;
    int ahead;
};

class SendPacingTest : public testing::TestWithParam<PacingCase> {};

TEST_P(SendPacingTest, WritesStayWithinTheAheadCharactersAndKeepTheLineBusy) {
    const PacingCase& c = GetParam();
    EngineRig rig;
    rig.settings.Speed = c.speed;
    rig.port.SetOutputQueueUnknown(c.queueUnknown);
    EXPECT_EQ(rig.Send(ProgramOf(LongProgram(300)), SendOptions{true, c.ahead}),
              TransferResult::Completed);

    const nanoseconds t = CharacterTime(ParseLineSetting(c.speed).setting);
    const auto& w = rig.port.Written();
    ASSERT_GT(w.size(), 5000u);
    // The line's own model: each byte leaves one character time after the later of its write
    // and the previous byte's leaving.
    nanoseconds lineFree{0};
    for (std::size_t i = 0; i < w.size(); ++i) {
        lineFree = std::max(lineFree, w[i].time) + t;
        ASSERT_LE(lineFree - w[i].time, t * c.ahead) << "byte " << i;
    }
    // Busy: from the first byte to the last the line idles less than 5 %.
    const double busy = static_cast<double>((t * w.size()).count()) /
                        static_cast<double>((lineFree - w.front().time).count());
    EXPECT_GE(busy, 0.95);
}

INSTANTIATE_TEST_SUITE_P(Pacing, SendPacingTest,
                         testing::Values(PacingCase{"Baud19200QueueHidden", "19200,8,N,1", true, 2},
                                         PacingCase{"Baud19200QueueShown", "19200,8,N,1", false, 2},
                                         PacingCase{"Baud4800SevenBit", "4800,7,E,2", true, 2},
                                         PacingCase{"Baud1200OneAhead", "1200,8,N,2", true, 1},
                                         PacingCase{"Baud9600FourAhead", "9600,8,N,1", false, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SendEngineTest, UnpacedSendNeverWaitsWhileXonHolds) {
    EngineRig rig;
    rig.port.SetOutputQueueUnknown(true);
    // A pseudo-terminal's buffer that takes the whole program.
    rig.port.SetQueueCapacity(1 << 20);
    // No M30: its 5 ms pause would be the one wait of the send.
    EXPECT_EQ(rig.Send(ProgramOf(LongProgram(200, false)), SendOptions{false, 2}),
              TransferResult::Completed);
    const auto& w = rig.port.Written();
    ASSERT_GT(w.size(), 3000u);
    // Nothing on the way from the first byte to the last may have waited on the clock.
    EXPECT_EQ(w.back().time, w.front().time);
}

TEST(SendEngineTest, UnpacedSendWaitsOnThePortWhenTheDriverIsFull) {
    EngineRig rig;
    rig.port.SetOutputQueueUnknown(true);
    rig.port.FullAfterWrites(100, milliseconds(300));
    EXPECT_EQ(rig.Send(ProgramOf(LongProgram(20)), SendOptions{false, 2}),
              TransferResult::Completed);
    const auto& w = rig.port.Written();
    ASSERT_GT(w.size(), 200u);
    EXPECT_EQ(w[99].time, w[0].time);
    EXPECT_GE(w[100].time - w[99].time, milliseconds(300));
    // Waiting means WaitWritable: no read or write was spent in a spin meanwhile.
    EXPECT_LT(rig.host.processEventsCalls, w.size() + 300);
}

TEST(SendEngineTest, UnpacedSendKeepsAtMost258BytesInAQueueTheDeviceReports) {
    EngineRig rig;
    rig.settings.Speed = "4800,8,N,2";
    EXPECT_EQ(rig.Send(ProgramOf(LongProgram(100)), SendOptions{false, 2}),
              TransferResult::Completed);
    const nanoseconds t = CharacterTime(ParseLineSetting("4800,8,N,2").setting);
    const auto& w = rig.port.Written();
    ASSERT_GT(w.size(), 1000u);
    nanoseconds lineFree{0};
    nanoseconds most{0};
    for (const auto& b : w) {
        lineFree = std::max(lineFree, b.time) + t;
        most = std::max(most, lineFree - b.time);
    }
    EXPECT_LE(most, t * 258);
    EXPECT_GE(most, t * 200);  // unpaced, the queue is used
}

// --- remaining time while a send runs ---------------------------------------------------------

// The seconds of "(約 2分20秒)", "(約 40秒)" or "(約 1時05分)".
int EstimateSeconds(const std::string& text) {
    const std::string open = "(約 ";
    std::string rest = text.substr(text.find(open) + open.size());
    auto take = [&rest](const std::string& unit) {
        const auto at = rest.find(unit);
        if (at == std::string::npos)
            return 0;
        const int value = std::stoi(rest.substr(0, at));
        rest = rest.substr(at + unit.size());
        return value;
    };
    const int hours = take("時");
    const int minutes = take("分");
    return hours * 3600 + minutes * 60 + take("秒");
}

TEST(SendEngineTest, EstimateAfterTheFirstTickMatchesTheLine) {
    EngineRig rig;
    rig.settings.Speed = "4800,8,N,2";
    EXPECT_EQ(rig.Send(ProgramOf(LongProgram(3000))), TransferResult::Completed);
    const auto& w = rig.port.Written();
    const double total = static_cast<double>((w.back().time - w.front().time).count()) / 1e9;
    ASSERT_GT(total, 100.0);

    // Until the first tick, 10 s into the lines, the display shows 0 seconds.
    const auto first = std::find_if(
        rig.host.remaining.begin(), rig.host.remaining.end(), [](const std::string& s) {
            return s.find("(約 ") != std::string::npos && s.find("(約 0秒)") == std::string::npos;
        });
    ASSERT_NE(first, rig.host.remaining.end());
    EXPECT_NEAR(EstimateSeconds(*first), total - 10.0, 5.0) << *first << " of " << total << " s";
    EXPECT_EQ(rig.host.remaining.back(), "残り 0ﾊﾞｲﾄ");
}

}  // namespace
}  // namespace kelvantori

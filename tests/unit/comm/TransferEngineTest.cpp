// The send and receive engines over a scripted port and a manual clock: the bytes on the line,
// the files saved, and what the user sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "comm/ReceiveEngine.h"
#include "comm/SendEngine.h"
#include "core/LineSetting.h"
#include "core/ToolFileNames.h"
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

RecordingLog::Entry SendLog(TransferState state, std::string path) {
    return RecordingLog::Entry{TransferKind::Send, state, std::move(path)};
}

// What the user sees at the end: the state panel, the result and its colour, the restore.
std::string Outcome(EngineRig& rig) {
    if (rig.host.results.empty() || rig.host.ended.size() != 1)
        return "no single end";
    const auto& [text, colour] = rig.host.results.back();
    const auto& [completed, restore] = rig.host.ended[0];
    return rig.host.LastStatus(StatusPanel::State) + " | " + text +
           (colour == ResultColour::Lime ? " lime | " : " red | ") +
           (completed ? "completed " : "stopped ") + std::to_string(restore.count()) + "ms";
}

const auto Framing = [](Settings& s, const char* start, int startType, const char* end,
                        int endType) {
    s.StartChar = start, s.StartChar_Type = startType, s.EndChar = end, s.EndChar_Type = endType;
};
const auto Iso = [](Settings& s) { s.Speed = "4800,8,N,2", s.Code = "N"; };
const auto Eia = [](Settings& s) { s.Speed = "4800,8,N,2", s.Code = "Y"; };
// Seven data bits: every character goes out as it is, so the files read as text.
const auto Text = [](Settings& s) { s.Speed = "4800,7,E,2", Framing(s, "N", 0, "Y", 1); };

// --- golden files: the exact bytes on the line ----------------------------------------------

struct GoldenCase {
    const char* name;  // send/<name>.input and .expected
    std::function<void(Settings&)> configure;
};

class SendGoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(SendGoldenTest, LineBytesMatchTheGoldenFile) {
    EngineRig rig;
    GetParam().configure(rig.settings);
    const std::string name = GetParam().name;
    EXPECT_EQ(rig.Send(ProgramOf(test::ReadFixture("send/" + name + ".input"))),
              TransferResult::Completed);
    EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex(test::ReadFixture("send/" + name + ".expected")));
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
        // 35 characters: each occurrence becomes 29 spaces.
        GoldenCase{
            "sendmsg1_long",
            [](Settings& s) { Text(s), s.SendMsg1 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXY"; }},
        // Found in the file's CP932 bytes; a kanji counts two.
        GoldenCase{"sendmsg1_kanji", [](Settings& s) { Text(s), s.SendMsg1 = "加工"; }},
        GoldenCase{"tabs", [](Settings& s) { Text(s); }},
        GoldenCase{"send_sp_cut",
                   [](Settings& s) { Text(s), s.Send_SP_Cut = "Y", s.Send_Before = 1; }},
        GoldenCase{"leader", [](Settings& s) { Text(s), s.Send_Before = 1; }},
        GoldenCase{"lf_only", [](Settings& s) { Text(s); }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- lines, counters and files ----------------------------------------------------------------

TEST(SendEngineTest, TextShorterThanTheFileSendsEveryLineOnceAndCountsDownToZero) {
    // The loader read a file with a NUL line by line: 13 bytes of text from a 14-byte file.
    EngineRig rig;
    Text(rig.settings);
    LoadedProgram program = ProgramOf("O1\r\nG01 X1.\r\n");
    program.size = 14;
    EXPECT_EQ(rig.Send(program), TransferResult::Completed);
    EXPECT_EQ(rig.port.WrittenBytes(), "\nO1\nG01 X1.\n\n%");
    EXPECT_EQ(rig.host.sendLines, (std::vector<std::size_t>{0, 1}));
    // A line counts with its CR LF; one byte is left over for the end.
    EXPECT_EQ(rig.host.remaining, (std::vector<std::string>{"残り 14ﾊﾞｲﾄ", "残り 11ﾊﾞｲﾄ(約 0秒)",
                                                            "残り 2ﾊﾞｲﾄ(約 0秒)", "残り 0ﾊﾞｲﾄ"}));
}

TEST(SendEngineTest, MarkedFilesFollowWholeThenTheSendCompletes) {
    EngineRig rig;
    Text(rig.settings);
    rig.settings.Power_Off = "Y";
    // The second file is smaller than what the first has sent; the third cannot be read.
    SendJob job{"C:\\NC",
                "O1.NC",
                ProgramOf("O1\r\nG01 X100. Y100.\r\nG01 X200. Y200.\r\nM30\r\n"),
                {"O2.NC", "BAD.NC", "O3.NC"},
                [](const std::string& name) {
                    LoadedProgram none;
                    none.readable = false;
                    return name == "O2.NC" ? ProgramOf("O2\r\nM30\r\n")
                                           : (name == "O3.NC" ? ProgramOf("O3\r\n") : none);
                },
                true};
    EXPECT_EQ(rig.Send(job), TransferResult::Completed);
    // One start, one end: the files follow each other on the line.
    EXPECT_EQ(rig.port.WrittenBytes(),
              "\nO1\nG01 X100. Y100.\nG01 X200. Y200.\nM30\nO2\nM30\nO3\n\n%");
    EXPECT_EQ(rig.host.programsShown, (std::vector<std::string>{"O2.NC", "O3.NC"}));
    // The host is handed the lines it shows, so the view needs no second load.
    EXPECT_EQ(rig.host.programLinesShown, (std::vector<std::size_t>{2, 1}));
    EXPECT_EQ(rig.log.entries, (std::vector<RecordingLog::Entry>{
                                   SendLog(TransferState::Completed, "C:\\NC\\O1.NC"),
                                   SendLog(TransferState::Completed, "C:\\NC\\O2.NC"),
                                   SendLog(TransferState::Stopped, "C:\\NC\\BAD.NC"),
                                   SendLog(TransferState::Completed, "C:\\NC\\O3.NC")}));
    // The second file's display starts from its own size.
    const auto second = std::ranges::find(rig.host.remaining, "残り 9ﾊﾞｲﾄ");
    ASSERT_NE(second, rig.host.remaining.end());
    EXPECT_EQ(*(second + 1), "残り 6ﾊﾞｲﾄ(約 0秒)");
    EXPECT_EQ(rig.host.questions.size(), 1u);  // one question before the start, none per file
    EXPECT_EQ(Outcome(rig), "送信完了しました。 | 送信完了しました。!! lime | completed 3000ms");
    EXPECT_EQ(rig.host.LastStatus(StatusPanel::Name), "");
    EXPECT_EQ(rig.host.closeRequests, std::vector<bool>{true});
}

struct StopCase {
    const char* name;
    std::function<void(EngineRig&)> script;
    std::string written;  // every byte on the line
    std::string error = "";
};
const std::string kBadSwitcher = "自動選択番号の入力が間違っています。\n通信を一旦中止します。";

class SendStopTest : public testing::TestWithParam<StopCase> {};

TEST_P(SendStopTest, StopsWithDc4TheLogAndTheStopTexts) {
    EngineRig rig;
    Text(rig.settings);
    GetParam().script(rig);
    EXPECT_EQ(rig.Send(ProgramOf("O1\r\nG01 X10. Y20.\r\nG01 X30. Y40.\r\nM30\r\n")),
              TransferResult::Stopped);
    EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex(GetParam().written));
    EXPECT_EQ(rig.host.errors, GetParam().error.empty() ? std::vector<std::string>{}
                                                        : std::vector{GetParam().error});
    EXPECT_EQ(rig.log.entries,
              std::vector<RecordingLog::Entry>{SendLog(TransferState::Stopped, "C:\\NC\\O1.NC")});
    EXPECT_EQ(Outcome(rig), "送信中止しました。 | 送信中止しました。!! red | stopped 1000ms");
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_TRUE(rig.host.closeRequests.empty());
    EXPECT_FALSE(rig.host.TimedOut());
}

void SwitcherAnswer(EngineRig& rig, std::optional<std::string> answer) {
    rig.settings.AutoSelect = "Y";
    rig.host.AnswerSelectNumber(std::move(answer));
}

INSTANTIATE_TEST_SUITE_P(
    Stops, SendStopTest,
    testing::Values(
        StopCase{"ConfirmationAnsweredNo", [](EngineRig& r) { r.host.AnswerYesNo(false); }, "\x14"},
        StopCase{
            "EscAfterTwelveBytes",
            [](EngineRig& r) { r.host.CancelWhen([&r] { return r.port.Written().size() >= 12; }); },
            "\nO1\nG01 X10.\x14"},
        StopCase{"OpenFails", [](EngineRig& r) { r.port.SetOpenResult(PortError::OpenFailed); }, "",
                 "COM1のポートが開きません。!!"},
        StopCase{
            "DsrLostWithOp6",
            [](EngineRig& r) {
                r.settings.op6 = "Y", r.port.ModemAfterWrites(5, ModemStatus{true, false, true});
            },
            "\nO1\nG"},
        // The byte after the loss still goes out, then the DC4 of the stop.
        StopCase{"CarrierLostWhileSignalY",
                 [](EngineRig& r) {
                     r.settings.Signal = "Y", r.port.ArriveAt(milliseconds(20), "\x11");
                     r.port.ModemAfterWrites(5, ModemStatus{true, true, false});
                 },
                 "\nO1\nG0\x14"},
        StopCase{"WriteFails", [](EngineRig& r) { r.port.FailWritesFrom(8); }, "\nO1\nG01 ",
                 "通信エラー!!"},
        // A line that has gone gets no DC4.
        StopCase{"LineGoneWhileSending", [](EngineRig& r) { r.port.FailReadsAt(milliseconds(10)); },
                 "\nO1\nG0", "COM1の回線が切れました。!!"},
        StopCase{"LineGoneWhileHeldByDc3",
                 [](EngineRig& r) {
                     r.port.ArriveAfterWrites(3, "\x13");
                     r.port.FailReadsAt(seconds(30));
                 },
                 "\nO1", "COM1の回線が切れました。!!"},
        StopCase{"LineGoneWhileWaitingForTheSignal",
                 [](EngineRig& r) {
                     r.settings.Signal = "Y";
                     r.port.FailReadsAt(seconds(30));
                 },
                 "", "COM1の回線が切れました。!!"},
        StopCase{"Op2StopOnDc4WhileWaiting",
                 [](EngineRig& r) {
                     r.settings.Signal = "Y", r.settings.op2 = "Y";
                     r.port.ArriveAt(seconds(3), "\x14");
                 },
                 "\x14"},
        StopCase{"SwitcherNumberCancelled", [](EngineRig& r) { SwitcherAnswer(r, std::nullopt); },
                 "\x14", kBadSwitcher},
        // A network port whose connection drops: the send stops at once and says why with the
        // system's reason; the DC4 cannot go out any more.
        StopCase{"LineLostAfterTwelveBytes",
                 [](EngineRig& r) { r.port.LoseLineAfterWrites(12, "recv box:4001: reset"); },
                 "\nO1\nG01 X10.", "COM1の回線が切れました。!!\nrecv box:4001: reset"},
        StopCase{"LineLostWhileWaitingForTheSignal",
                 [](EngineRig& r) {
                     r.settings.Signal = "Y";
                     r.port.LoseLineAt(seconds(2), "box:4001: closed");
                 },
                 "", "COM1の回線が切れました。!!\nbox:4001: closed"}),
    [](const auto& info) { return std::string(info.param.name); });

// A raw TCP port cannot carry the line setting: the user hears it once per opening, and the
// transfer goes on.
TEST(SendEngineTest, ThePortsNoticeIsShownOnceAndTheSendGoesOn) {
    EngineRig rig;
    rig.port.SetOpenNotice("COM1 (tcp://box:4001) は raw TCP のポートです。");
    EXPECT_EQ(rig.Send(ProgramOf("O1\r\nM30\r\n")), TransferResult::Completed);
    EXPECT_EQ(rig.host.notices,
              std::vector<std::string>{"COM1 (tcp://box:4001) は raw TCP のポートです。"});
    EXPECT_TRUE(rig.host.errors.empty());
}

// DC1 starts it as well: the command-line test sends to a machine that gives DC1.
TEST(SendEngineTest, SignalStartsOnPercentWithoutAQuestion) {
    EngineRig rig;
    Iso(rig.settings);
    rig.settings.Signal = "Y";
    rig.port.ArriveAt(seconds(12), "\xA5");
    EXPECT_EQ(rig.Send(ProgramOf("M30\r\n")), TransferResult::Completed);
    ASSERT_FALSE(rig.port.Written().empty());
    EXPECT_GE(rig.port.Written().front().time, seconds(12));
    EXPECT_TRUE(rig.host.questions.empty());
    const auto& states = rig.host.Statuses(StatusPanel::State);
    EXPECT_EQ(std::vector<std::string>(states.begin(), states.begin() + 2),
              (std::vector<std::string>{"送信待機中(信号待ち)", "＜＜ 送信中 ＞＞"}));
    EXPECT_LE(rig.port.Reads(), 12 * 100 + 50u);  // blocking reads while waiting, never a spin
}

TEST(SendEngineTest, SwitcherDigitsGoOutRawWithTheirPauses) {
    EngineRig rig;
    Iso(rig.settings);
    Framing(rig.settings, "N", 0, "N", 0);
    SwitcherAnswer(rig, "2-5");
    EXPECT_EQ(rig.Send(ProgramOf("M3\r\n")), TransferResult::Completed);
    // "2" and "5" without the parity bit ISO would give them (0xB2, 0xB5); then the program.
    EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex("\x32\x35\x0A\x4D\x33\x0A\x14"));
    const auto& w = rig.port.Written();
    EXPECT_GE(w[1].time - w[0].time, milliseconds(3000));
    EXPECT_GE(w[2].time - w[1].time, milliseconds(3000));
    EXPECT_TRUE(rig.port.Opened().at(0).dtrOn && rig.port.Opened().at(0).rtsOn);
}

// --- the machine's DC1/DC3 and the pacing -----------------------------------------------------

struct XoffCase {
    const char* name;
    std::string speed;
    std::string code;
    std::string dc3;
    bool pauses;
};

class SendXoffTest : public testing::TestWithParam<XoffCase> {};

TEST_P(SendXoffTest, Dc3AfterThirtyBytesPausesUntilDc1) {
    const XoffCase& c = GetParam();
    const auto send = [&c](EngineRig& rig) {
        rig.settings.Speed = c.speed, rig.settings.Code = c.code;
        return rig.Send(
            ProgramOf("O1234\r\nG01 X10. Y20. Z30.\r\nG01 X40. Y50. Z60.\r\n"
                      "G01 X70. Y80. Z90.\r\nM30\r\n"));
    };
    // The same send without any DC3, for the bytes that must go out in the end.
    EngineRig plain;
    send(plain);
    EngineRig rig;
    rig.port.ArriveAfterWrites(30, c.dc3);
    rig.port.ArriveAt(seconds(5), "\x11");
    EXPECT_EQ(send(rig), TransferResult::Completed);
    EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex(plain.port.WrittenBytes()));
    const auto& w = rig.port.Written();
    ASSERT_GT(w.size(), 40u);
    // Not one byte after the DC3: it is seen while waiting for the next character's slot.
    EXPECT_EQ(std::ranges::count_if(w, [](const auto& b) { return b.time < seconds(5); }),
              c.pauses ? 30 : static_cast<long>(w.size()));

    // Without a DC3 the writes stay at most two characters ahead of the line and keep it busy.
    // The line's own model: each byte leaves one character time after the later of its write
    // and the previous byte's leaving.
    const nanoseconds t = CharacterTime(ParseLineSetting(c.speed).setting);
    const auto& p = plain.port.Written();
    nanoseconds lineFree{0};
    nanoseconds most{0};
    for (const auto& b : p) {
        lineFree = std::max(lineFree, b.time) + t;
        most = std::max(most, lineFree - b.time);
    }
    EXPECT_LE(most, t * 2);
    EXPECT_GE(static_cast<double>((t * p.size()).count()) / (lineFree - p.front().time).count(),
              0.95);
}

INSTANTIATE_TEST_SUITE_P(
    Handshake, SendXoffTest,
    testing::Values(XoffCase{"Iso", "4800,8,N,2", "N", "\x93", true},
                    XoffCase{"Iso0x13", "4800,8,N,2", "N", "\x13", true},
                    XoffCase{"SevenBit", "4800,7,E,2", "N", "\x13", true},
                    XoffCase{"EiaDc3WithParity", "4800,8,N,2", "Y", "\x93", true},
                    // 0x13 is the EIA digit 3: it must not pause an EIA send.
                    XoffCase{"EiaDigitThree", "4800,8,N,2", "Y", "\x13", false}),
    [](const auto& info) { return std::string(info.param.name); });

// === receive ===================================================================================

const char* const kTarget = "C:\\NC\\RECV.NC";

ReceiveJob Named(bool closeAfter = false) {
    return ReceiveJob{ReceiveMode::Named, kTarget, "RECV.NC", closeAfter};
}
ReceiveJob PerProgram() {
    return ReceiveJob{ReceiveMode::PerProgram, "", "", false};
}
RecordingLog::Entry Logged(TransferState state, std::string path) {
    return RecordingLog::Entry{TransferKind::Receive, state, std::move(path)};
}

// An ISO receive whose data arrives 100 ms after the port opened.
struct Rig : test::EngineRig {
    explicit Rig(std::string_view data = {}) {
        settings.R_Code = 1;
        if (!data.empty())
            port.ArriveAt(milliseconds(100), data);
    }
    std::string File(const std::string& path) { return files.File(path).value_or("<none>"); }
};

// A receive says nothing on the line but the switcher's number: the machine punches when its
// operator starts it (or, with op5, is stopped with DC4 only when the PC stops).
TEST(ReceiveEngineTest, WritesNothingButTheSwitchersNumber) {
    const struct {
        const char* name;
        std::function<void(Rig&)> configure;
        std::string written;
    } rows[] = {
        {"Iso", [](Rig&) {}, ""},
        {"SevenBitLine", [](Rig& r) { r.settings.Speed = "4800,7,E,2"; }, ""},
        {"EiaSettings", [](Rig& r) { r.settings.Code = "Y", r.settings.R_Code = 2; }, ""},
        {"AfterTheSwitcher", [](Rig& r) { SwitcherAnswer(r, "2"); }, "2"},
        {"PortThatDoesNotOpen", [](Rig& r) { r.port.SetOpenResult(PortError::OpenFailed); }, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig("%\nO1\nM30\n%");
        row.configure(rig);
        rig.Receive(Named());
        EXPECT_EQ(Hex(rig.port.WrittenBytes()), Hex(row.written));
    }
}

// --- lines: what a received line becomes in the file ----------------------------------------

struct LineCase {
    const char* name;
    std::string data;  // bytes from the machine
    std::string file;  // the saved file
    std::function<void(Rig&)> configure = nullptr;
};

class ReceiveLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(ReceiveLineTest, SavesTheNormalisedLines) {
    Rig rig(GetParam().data);
    if (GetParam().configure)
        GetParam().configure(rig);
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_EQ(rig.File(kTarget), GetParam().file);
    EXPECT_FALSE(rig.host.TimedOut());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReceiveLineTest,
    testing::Values(
        LineCase{"ReceivedSpacesReplacedByOne", "%\nG01   X10.  Y-5.\n%", "G01 X10. Y-5.\r\n%\r\n"},
        LineCase{"CommentKeepsItsSpaces", "%\nG00(TOOL  CHANGE)X1.\n%",
                 "G00(TOOL  CHANGE) X1.\r\n%\r\n"},
        // A word letter after a value character starts a new word, "#" too.
        LineCase{"MacroExpression", "%\n#100=[#1+2.5]*3\n%", "#100=[ #1+2.5]*3\r\n%\r\n"},
        LineCase{"UnacceptedCharactersDropped", "%\nG01\tX1.\x12Y2.\x7F\n%",
                 "G01 X1. Y2.\r\n%\r\n"},
        LineCase{"SpaceCutRemovesSpaces", "%\nG01 X10. Y20.\n%", "G01X10.Y20.\r\n%\r\n",
                 [](Rig& r) { r.settings.Read_SP_Cut = "Y"; }},
        LineCase{"SpaceCutKeepsCommentSpaces", "%\n(A B) X1\n%", "(A B)X1\r\n%\r\n",
                 [](Rig& r) { r.settings.Read_SP_Cut = "Y"; }},
        LineCase{"PercentWithTextOnTheFirstLine", "%O12\nM30\n%", "O12\r\nM30\r\n%\r\n"},
        LineCase{"TapeStartLineOfStartType3", "% *\nO1\n%", "O1\r\n%\r\n"},
        LineCase{"ClosingPercentAfterAWord", "%\nO1\nM30%", "O1\r\nM30 \r\n%\r\n"},
        LineCase{"ColonBecomesO", "%\n:200\nM99\n%", "O200\r\nM99\r\n%\r\n"},
        LineCase{"LStaysL", "%\nL5\nM99\n%", "L5\r\nM99\r\n%\r\n",
                 [](Rig& r) { r.settings.OColonChange = "Y"; }},
        LineCase{"DroppedMarkLines", "%\nO&FW01\nO1\n:&FW\nX&HE:1\nM30\n%", "O1\r\nM30\r\n%\r\n"},
        LineCase{"Dc4EndsTheData", "%\nO1\nM30\x14", "O1\r\nM30\r\n%\r\n"},
        // Without an opening "%" the first "%" after program lines closes the data.
        LineCase{"StartOnLineFeed", "\nO7\nM30\n%", "O7\r\nM30\r\n%\r\n"},
        LineCase{"StartOnProgramLetter", "\x11O9\nM30\n%", "O9\r\nM30\r\n%\r\n"},
        // An even byte first (ISO "0", not a start), then EIA: "%", LF, "O1", LF, "G01X1.", LF,
        // "M30" (0x13 is the EIA digit 3), LF, "%".
        LineCase{"EiaDetectedAfreshBeforeTheStart",
                 "\x30\x0B\x80\x46\x01\x80\x67\x20\x01\x37\x01\x6B\x80\x54\x13\x20\x80\x0B",
                 "O1\r\nG01 X1.\r\nM30\r\n%\r\n", [](Rig& r) { r.settings.R_Code = 0; }},
        LineCase{
            "DsrLossWithOp6SavesTheLineBegun", "%\nO1\nM30", "O1\r\nM30\r\n%\r\n",
            [](Rig& r) {
                r.settings.op6 = "Y", r.port.ModemAt(seconds(2), ModemStatus{true, false, true});
            }},
        // A "%" while the carrier is off is not a start; the data after the carrier comes is.
        LineCase{"SignalWaitsForTheCarrier", "%\nX9\n", "O1\r\nM30\r\n%\r\n",
                 [](Rig& r) {
                     r.settings.Signal = "Y";
                     r.port.ModemAt(milliseconds(0), ModemStatus{true, true, false});
                     r.port.ModemAt(seconds(2), ModemStatus{true, true, true});
                     r.port.ArriveAt(seconds(3), "%\nO1\nM30\n%");
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- programs, files and names ----------------------------------------------------------------

TEST(ReceiveEngineTest, OneFilePerProgramNumberedWithAddNo) {
    Rig rig("%\nO0001(FIRST)\nG00X1.\nM30\nO0002\nG01Y2.\nM30\n%\n");
    rig.settings.StartChar = "Y";
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    EXPECT_EQ(rig.File("C:\\NC\\O0001_001.NC"), "%\r\nO0001(FIRST)\r\nG00 X1.\r\nM30\r\n%\r\n");
    EXPECT_EQ(rig.File("C:\\NC\\O0002_002.NC"), "%\r\nO0002\r\nG01 Y2.\r\nM30\r\n%\r\n");
    EXPECT_EQ(rig.saved,
              (std::vector<std::string>{"C:\\NC\\O0001_001.NC", "C:\\NC\\O0002_002.NC"}));
    EXPECT_EQ(rig.log.entries, (std::vector<RecordingLog::Entry>{
                                   Logged(TransferState::Completed, "C:\\NC\\O0001_001.NC"),
                                   Logged(TransferState::Completed, "C:\\NC\\O0002_002.NC")}));
    EXPECT_EQ(rig.host.programStarts, (std::vector<std::string>{"O0001(FIRST)", "O0002"}));
    EXPECT_EQ(rig.host.Statuses(StatusPanel::Name).front(), "受信名 自動保存");
    // The trailing line feed after the closing "%" was never read.
    EXPECT_EQ(rig.port.PendingBytes(), 1u);
}

TEST(ReceiveEngineTest, PerProgramNamesWithoutNumberColonAndMask) {
    Rig rig("%\n(HEAD)\nO100 (A)\nM99\n:200\nM99\n%");
    rig.settings.Add_No = "N", rig.settings.OColonChange = "Y";
    rig.settings.Mask = "*.TXT", rig.settings.EndChar = "N";
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    // The lines before the first program open its file; ":" names the file with "O".
    EXPECT_EQ(rig.File("C:\\NC\\O100.TXT"), "(HEAD)\r\n:100(A)\r\nM99\r\n");
    EXPECT_EQ(rig.File("C:\\NC\\O200.TXT"), ":200\r\nM99\r\n");
}

// "%", "O<number>", the lines "X<n>" and "%": the data and the file it becomes.
std::pair<std::string, std::string> LongTape(int lines) {
    std::pair<std::string, std::string> tape{"%\nO5000\n", "O5000\r\n"};
    for (int i = 1; i <= lines; ++i) {
        tape.first += "X" + std::to_string(i) + "\n";
        tape.second += "X" + std::to_string(i) + "\r\n";
    }
    return {tape.first + "%", tape.second + "%\r\n"};
}

TEST(ReceiveEngineTest, ProgramOfMoreThanThousandLinesIsSavedWhole) {
    const auto [data, file] = LongTape(2100);
    Rig rig(data);
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    EXPECT_TRUE(rig.File("C:\\NC\\O5000_001.NC") == file);
    // The text area was flushed every 1000 lines.
    EXPECT_LE(rig.host.mostLinesShown, 1000u);
    EXPECT_GE(rig.host.receivedClears, 3);
    EXPECT_EQ(rig.files.OpenOutputs(), 0);
}

// --- the end of a receive --------------------------------------------------------------------

TEST(ReceiveEngineTest, EndsAtTheClosingPercentWithoutAnotherByte) {
    Rig rig("%\nO1\nM30\n%");
    EXPECT_EQ(rig.Receive(Named(true)), TransferResult::Completed);
    EXPECT_FALSE(rig.host.TimedOut());
    // Saved and closed after the 3 s save wait, not after waiting for more data.
    EXPECT_EQ(rig.port.Closes(), std::vector<nanoseconds>{milliseconds(100) + milliseconds(3000)});
    EXPECT_EQ(rig.host.Statuses(StatusPanel::State),
              (std::vector<std::string>{"受信待機中(信号待ち)", "＜＜ 受信中 ＞＞",
                                        "受信データ保存中です。", "受信完了しました。"}));
    EXPECT_EQ(Outcome(rig), "受信完了しました。 | 受信完了しました。!! lime | completed 3000ms");
    EXPECT_EQ(rig.host.Statuses(StatusPanel::Name).front(), "受信名 RECV.NC");
    EXPECT_EQ(rig.host.closeRequests, std::vector<bool>{false});
}

TEST(ReceiveEngineTest, PortThatDoesNotOpenLeavesTheTargetAsItWasAndNothingElse) {
    Rig rig("%\nO1\nG01X1.\n");
    rig.files.AddFile(kTarget, "OLD\r\n");
    rig.port.SetOpenResult(PortError::OpenFailed);
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Stopped);
    EXPECT_EQ(rig.File(kTarget), "OLD\r\n");
    EXPECT_EQ(rig.files.OpenOutputs(), 0);
    EXPECT_EQ(rig.log.entries, std::vector{Logged(TransferState::Stopped, kTarget)});
    EXPECT_EQ(rig.host.errors, std::vector<std::string>{"COM1のポートが開きません。!!"});
    EXPECT_EQ(Outcome(rig), "受信を中止しました。 | 受信を中止しました。!! red | stopped 1000ms");
    EXPECT_TRUE(rig.host.rescued.empty());
    EXPECT_FALSE(rig.port.IsOpen());
}

// Esc without op5 saves nothing under the target's name (it stays as it was), but nothing
// received is lost either: what arrived, the line begun included, is handed over as a rescue
// and the log names where it went. A stop before anything arrived leaves nothing.
struct ReceiveStopCase {
    const char* name;
    int lines;  // "N<i> X<i>." lines after "O1" before the press; 0: no data at all
};

class ReceiveStopTest : public testing::TestWithParam<ReceiveStopCase> {};

TEST_P(ReceiveStopTest, EscWithoutOp5KeepsWhatArrivedAsARescue) {
    const ReceiveStopCase& c = GetParam();
    Rig rig;
    rig.files.AddFile(kTarget, "OLD\r\n");
    std::string received;
    if (c.lines > 0) {
        // More lines than arrive before the press.
        std::string data = "%\nO1\n";
        received = "O1\r\n";
        for (int i = 1; i <= c.lines + 10; ++i) {
            const std::string n = std::to_string(i);
            data += "N" + n + "X" + n + ".\n";
            if (i <= c.lines)
                received += "N" + n + " X" + n + ".\r\n";
        }
        rig.port.ArriveAt(milliseconds(100), data);
    }
    // The press comes right after the last of the lines ("O1" and c.lines more).
    const auto shown = static_cast<std::size_t>(c.lines) + 1;
    rig.host.CancelWhen([&] {
        return c.lines == 0 ? rig.clock.Now() > seconds(5) : rig.host.linesReceived >= shown;
    });
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Stopped);
    EXPECT_EQ(rig.File(kTarget), "OLD\r\n");
    EXPECT_EQ(rig.files.OpenOutputs(), 0);
    EXPECT_TRUE(rig.host.errors.empty());
    EXPECT_EQ(Outcome(rig), "受信を中止しました。 | 受信を中止しました。!! red | stopped 1000ms");
    if (c.lines == 0) {
        EXPECT_TRUE(rig.host.rescued.empty());
        EXPECT_EQ(rig.log.entries, std::vector{Logged(TransferState::Stopped, kTarget)});
        return;
    }
    ASSERT_EQ(rig.host.rescued.size(), 1u);
    EXPECT_EQ(rig.host.rescued[0].name, "RECV.NC");
    EXPECT_TRUE(rig.host.rescued[0].bytes == received) << rig.host.rescued[0].bytes.size();
    EXPECT_EQ(rig.log.entries,
              (std::vector{Logged(TransferState::Stopped, kTarget),
                           Logged(TransferState::Rescued, "C:\\KV\\RESCUE_RECV.NC")}));
}

INSTANTIATE_TEST_SUITE_P(Stops, ReceiveStopTest,
                         testing::Values(ReceiveStopCase{"After100Lines", 100},
                                         // Part of the data is in the unfinished file already.
                                         ReceiveStopCase{"AfterAFlushOf1000Lines", 1200},
                                         ReceiveStopCase{"WhileWaitingForTheStart", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiveEngineTest, EscWithoutOp5KeepsTheProgramsAlreadyComplete) {
    Rig rig("%\nO1\nM30\nO2\nG01X1.\n");
    rig.host.CancelAt(seconds(5));
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Stopped);
    EXPECT_EQ(rig.File("C:\\NC\\O1_001.NC"), "O1\r\nM30\r\n%\r\n");
    EXPECT_FALSE(rig.files.File("C:\\NC\\O2_002.NC"));
    ASSERT_EQ(rig.host.rescued.size(), 1u);
    EXPECT_EQ(rig.host.rescued[0].name, "O2_002.NC");
    EXPECT_EQ(rig.host.rescued[0].bytes, "O2\r\nG01 X1.\r\n");
    EXPECT_EQ(rig.log.entries, (std::vector<RecordingLog::Entry>{
                                   Logged(TransferState::Completed, "C:\\NC\\O1_001.NC"),
                                   Logged(TransferState::Stopped, "C:\\NC\\O2_002.NC"),
                                   Logged(TransferState::Rescued, "C:\\KV\\RESCUE_O2_002.NC")}));
}

TEST(ReceiveEngineTest, WaitingReadsDoNotSpin) {
    Rig waiting;
    waiting.port.ArriveAt(seconds(60), "%\nO1\n%");
    EXPECT_EQ(waiting.Receive(Named()), TransferResult::Completed);
    EXPECT_LE(waiting.port.Reads(), 60u * 20u + 20u);  // every read of the minute waited
}

// A line that goes away (the read fails: end of file, EIO, ENODEV) ends the receive at once and
// says so; what arrived goes to the target with op5 "Y", else to a rescue. Either way the tape
// was cut off: the receive is a stop, never a completion.
struct LostCase {
    const char* name;
    ReceiveJob job;
    std::string data;  // before the line goes away at 5 s
    const char* op5;
    std::map<std::string, std::string> files;  // what the folder holds afterwards
    std::vector<test::RecordingHost::Rescue> rescued;
    std::vector<RecordingLog::Entry> log;
};

class ReceiveLineLostTest : public testing::TestWithParam<LostCase> {};

TEST_P(ReceiveLineLostTest, StopsAtOnceSaysWhyAndKeepsWhatArrived) {
    const LostCase& c = GetParam();
    Rig rig(c.data);
    rig.settings.op5 = c.op5;
    rig.files.AddFile(kTarget, "OLD\r\n");
    rig.port.FailReadsAt(seconds(5));
    EXPECT_EQ(rig.Receive(c.job), TransferResult::Stopped);
    EXPECT_FALSE(rig.host.TimedOut());
    EXPECT_EQ(rig.host.errors, std::vector<std::string>{"COM1の回線が切れました。!!"});
    EXPECT_EQ(Outcome(rig), "受信を中止しました。 | 受信を中止しました。!! red | stopped 1000ms");
    // At once: the port is closed at the first failing read, not after waiting for more.
    EXPECT_EQ(rig.port.Closes(), std::vector<nanoseconds>{seconds(5)});
    for (const auto& [path, bytes] : c.files)
        EXPECT_EQ(rig.File(path), bytes) << path;
    ASSERT_EQ(rig.host.rescued.size(), c.rescued.size());
    for (std::size_t i = 0; i < c.rescued.size(); ++i) {
        EXPECT_EQ(rig.host.rescued[i].name, c.rescued[i].name);
        EXPECT_EQ(rig.host.rescued[i].bytes, c.rescued[i].bytes);
    }
    EXPECT_EQ(rig.log.entries, c.log);
    EXPECT_EQ(rig.files.OpenOutputs(), 0);
    EXPECT_TRUE(rig.host.closeRequests.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lost, ReceiveLineLostTest,
    testing::Values(LostCase{"Op5NKeepsARescue",
                             Named(true),
                             "%\nO1\nG01X1.\nG01X2",
                             "N",
                             {{kTarget, "OLD\r\n"}},
                             {{"RECV.NC", "O1\r\nG01 X1.\r\nG01 X2\r\n"}},
                             {Logged(TransferState::Stopped, kTarget),
                              Logged(TransferState::Rescued, "C:\\KV\\RESCUE_RECV.NC")}},
                    // Saved without the closing "%": the file shows that the tape was cut off.
                    LostCase{"Op5YSavesTheTargetAsAStop",
                             Named(true),
                             "%\nO1\nG01X1.\nG01X2",
                             "Y",
                             {{kTarget, "O1\r\nG01 X1.\r\nG01 X2\r\n"}},
                             {},
                             {Logged(TransferState::Stopped, kTarget)}},
                    LostCase{"ProgramsCompleteBeforeStaySaved",
                             PerProgram(),
                             "%\nO1\nM30\nO2\nG01X1.\n",
                             "N",
                             {{"C:\\NC\\O1_001.NC", "O1\r\nM30\r\n%\r\n"},
                              {"C:\\NC\\O2_002.NC", "<none>"}},
                             {{"O2_002.NC", "O2\r\nG01 X1.\r\n"}},
                             {Logged(TransferState::Completed, "C:\\NC\\O1_001.NC"),
                              Logged(TransferState::Stopped, "C:\\NC\\O2_002.NC"),
                              Logged(TransferState::Rescued, "C:\\KV\\RESCUE_O2_002.NC")}},
                    LostCase{"WhileWaitingForTheStartLeavesNothing",
                             Named(),
                             "",
                             "Y",
                             {{kTarget, "OLD\r\n"}},
                             {},
                             {Logged(TransferState::Stopped, kTarget)}}),
    [](const auto& info) { return std::string(info.param.name); });

// A network port whose connection drops mid-receive is a line that went away like a device's,
// with the system's reason after the message.
TEST(ReceiveEngineTest, DroppedConnectionIsALostLineWithItsReason) {
    Rig rig("%\nO1\nG01X1.\n");
    rig.port.LoseLineAt(seconds(2), "box:4001: the device server closed the connection");
    EXPECT_EQ(rig.Receive(Named(true)), TransferResult::Stopped);
    EXPECT_EQ(rig.host.errors,
              std::vector<std::string>{
                  "COM1の回線が切れました。!!\nbox:4001: the device server closed the connection"});
    ASSERT_EQ(rig.host.rescued.size(), 1u);
    EXPECT_EQ(rig.host.rescued[0].bytes, "O1\r\nG01 X1.\r\n");
    EXPECT_EQ(rig.port.Closes(), std::vector<nanoseconds>{seconds(2)});
}

// A program number longer than a file name can be still lands in a file of the data folder:
// its start stays readable, the count and extension stay, and two long numbers that begin alike
// get two files.
TEST(ReceiveEngineTest, ProgramNumberTooLongForAFileNameIsShortenedUniquely) {
    const std::string digits(250, '7');
    const std::string first = "O" + digits + std::string(50, '1');
    const std::string second = "O" + digits + std::string(50, '2');
    Rig rig("%\n" + first + "\nM30\n" + second + "\nM30\n%");
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    ASSERT_EQ(rig.saved.size(), 2u);
    EXPECT_NE(rig.saved[0], rig.saved[1]);
    const std::string suffixes[] = {"_001.NC", "_002.NC"};
    const std::string programs[] = {first, second};
    for (int i = 0; i < 2; ++i) {
        const std::string name = rig.saved[i].substr(std::string("C:\\NC\\").size());
        EXPECT_LE(name.size(), kMaxFileNameBytes) << name;
        EXPECT_TRUE(name.starts_with("O" + std::string(200, '7'))) << name;
        EXPECT_TRUE(name.ends_with(suffixes[i])) << name;
        EXPECT_EQ(rig.File(rig.saved[i]), programs[i] + "\r\nM30\r\n%\r\n");
    }
    EXPECT_TRUE(rig.host.rescued.empty());
}

// --- data that cannot be saved where it belongs ---------------------------------------------

struct RescueCase {
    const char* name;
    ReceiveJob job;
    std::string data;
    std::string error;
    std::string rescueName;
    std::string rescued;
    std::optional<std::size_t> writesFailAfter = std::nullopt;  // then the disk is full
    bool commitFails = false;                                   // the rename over the target
    std::vector<RecordingLog::Entry> log = {Logged(TransferState::Stopped, kTarget)};
};

class ReceiveRescueTest : public testing::TestWithParam<RescueCase> {};

TEST_P(ReceiveRescueTest, TellsTheUserLogsTheStopAndHandsTheDataOver) {
    const RescueCase& c = GetParam();
    Rig rig(c.data);
    if (c.writesFailAfter)
        rig.files.FailWritesAfter(*c.writesFailAfter, FsError::NoSpace);
    if (c.commitFails)
        rig.files.FailCommit(kTarget, FsError::AccessDenied);
    ReceiveJob job = c.job;
    job.CloseAfterTransfer = true;
    EXPECT_EQ(rig.Receive(job), TransferResult::Stopped);
    EXPECT_EQ(rig.host.errors, std::vector<std::string>{c.error});
    ASSERT_EQ(rig.host.rescued.size(), 1u);
    EXPECT_EQ(rig.host.rescued[0].name, c.rescueName);
    EXPECT_TRUE(rig.host.rescued[0].bytes == c.rescued);
    // The log names the target that was not saved, and then where its data went.
    auto log = c.log;
    log.push_back(Logged(TransferState::Rescued, "C:\\KV\\RESCUE_" + c.rescueName));
    EXPECT_EQ(rig.log.entries, log);
    EXPECT_EQ(Outcome(rig), "受信を中止しました。 | 受信を中止しました。!! red | stopped 1000ms");
    // The program stays open so that the rescued data can be saved; the port was closed
    // before the user was told.
    EXPECT_TRUE(rig.host.closeRequests.empty());
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_EQ(rig.files.OpenOutputs(), 0);
}

const std::string kAtTarget = "\nC:\\NC\\RECV.NC";

INSTANTIATE_TEST_SUITE_P(
    Rescue, ReceiveRescueTest,
    testing::Values(
        RescueCase{"ProgramNameWithSlash",
                   PerProgram(),
                   "%\nO12/3\nM30\nO4\nM30\n%",
                   FsErrorMessage(FsError::InvalidName) + "\nC:\\NC\\O12/3_001.NC",
                   "O12_3_001.NC",
                   "O12/3\r\nM30\r\n%\r\n",
                   std::nullopt,
                   false,
                   {Logged(TransferState::Stopped, "C:\\NC\\O12/3_001.NC"),
                    Logged(TransferState::Completed, "C:\\NC\\O4_002.NC")}},
        RescueCase{"DiskFull", Named(), "%\nO1\nG01X1.\nM30\n%",
                   FsErrorMessage(FsError::NoSpace) + kAtTarget, "RECV.NC",
                   "O1\r\nG01 X1.\r\nM30\r\n%\r\n", 0},
        // The first 1000 lines reach the disk, the rest do not fit: all of it is handed over.
        RescueCase{"DiskFullAfterAFlush", Named(), LongTape(1500).first,
                   FsErrorMessage(FsError::NoSpace) + kAtTarget, "RECV.NC", LongTape(1500).second,
                   7000},
        RescueCase{"RenameOverTargetFails", Named(), "%\nO1\nM30\n%",
                   FsErrorMessage(FsError::AccessDenied) + kAtTarget, "RECV.NC",
                   "O1\r\nM30\r\n%\r\n", std::nullopt, true},
        RescueCase{"NoProgramNumber",
                   PerProgram(),
                   "%\nG01X1.\nM30\n%",
                   "プログラム番号が無いため、受信データを保存できません。\nC:\\NC",
                   "RECEIVE.NC",
                   "G01 X1.\r\nM30\r\n%\r\n",
                   std::nullopt,
                   false,
                   {Logged(TransferState::Stopped, "C:\\NC")}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvantori

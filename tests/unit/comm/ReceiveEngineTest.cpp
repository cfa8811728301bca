#include "comm/ReceiveEngine.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/DriveMap.h"
#include "platform/HostConfig.h"
#include "support/EngineRig.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using test::EngineRig;
using test::Hex;
using test::RecordingLog;

const char* const kTarget = "C:\\NC\\RECV.NC";

ReceiveJob Named(const char* path = kTarget, const char* name = "RECV.NC") {
    ReceiveJob job;
    job.mode = ReceiveMode::Named;
    job.TransferPath = path;
    job.TransferName = name;
    return job;
}

ReceiveJob PerProgram() {
    ReceiveJob job;
    job.mode = ReceiveMode::PerProgram;
    return job;
}

RecordingLog::Entry ReceiveLog(TransferState state, std::string path) {
    return RecordingLog::Entry{TransferKind::Receive, state, std::move(path)};
}

// ISO on the line: bit 7 makes the parity of every byte even.
std::string WithParity(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        out.push_back(static_cast<char>(__builtin_popcount(c) % 2 ? c | 0x80 : c));
    }
    return out;
}

// --- lines: what a received line becomes in the file ----------------------------------------

struct LineCase {
    const char* name;
    std::string data;  // bytes from the machine, plain ASCII (ISO without parity bits)
    std::string file;  // the saved file
    std::function<void(Settings&)> configure = nullptr;
};

class ReceiveLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(ReceiveLineTest, SavesTheNormalisedLines) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    if (GetParam().configure)
        GetParam().configure(rig.settings);
    rig.port.ArriveAt(milliseconds(100), GetParam().data);
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), GetParam().file);
    EXPECT_FALSE(rig.host.TimedOut());
}

void SpaceCut(Settings& s) {
    s.Read_SP_Cut = "Y";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReceiveLineTest,
    testing::Values(
        LineCase{"ProgramLineAndSpacedWords", "%\nO1234 (PART)\nG01X10.\n%",
                 "O1234(PART)\r\nG01 X10.\r\n%\r\n"},
        LineCase{"ReceivedSpacesReplacedByOne", "%\nG01   X10.  Y-5.\n%", "G01 X10. Y-5.\r\n%\r\n"},
        LineCase{"CommentKeepsItsSpaces", "%\nG00(TOOL  CHANGE)X1.\n%",
                 "G00(TOOL  CHANGE) X1.\r\n%\r\n"},
        // A word letter after a value character starts a new word, "#" too.
        LineCase{"MacroExpression", "%\n#100=[#1+2.5]*3\n%", "#100=[ #1+2.5]*3\r\n%\r\n"},
        LineCase{"UnacceptedCharactersDropped", "%\nG01\tX1.\x12Y2.\x7F\n%",
                 "G01 X1. Y2.\r\n%\r\n"},
        LineCase{"CarriageReturnsIgnored", "%\r\nO1\r\nM30\r\n%", "O1\r\nM30\r\n%\r\n"},
        LineCase{"SpaceCutRemovesSpaces", "%\nG01 X10. Y20.\n%", "G01X10.Y20.\r\n%\r\n", SpaceCut},
        LineCase{"SpaceCutKeepsCommentSpaces", "%\n(A B) X1\n%", "(A B)X1\r\n%\r\n", SpaceCut},
        LineCase{"PercentWithTextOnTheFirstLine", "%O12\nM30\n%", "O12\r\nM30\r\n%\r\n"},
        LineCase{"TapeStartLineOfStartType3", "% *\nO1\n%", "O1\r\n%\r\n"},
        LineCase{"ClosingPercentAfterAWord", "%\nO1\nM30%", "O1\r\nM30 \r\n%\r\n"},
        LineCase{"ColonBecomesO", "%\n:200\nM99\n%", "O200\r\nM99\r\n%\r\n"},
        LineCase{"OBecomesColon", "%\nO100\nM99\n%", ":100\r\nM99\r\n%\r\n",
                 [](Settings& s) { s.OColonChange = "Y"; }},
        LineCase{"LStaysL", "%\nL5\nM99\n%", "L5\r\nM99\r\n%\r\n",
                 [](Settings& s) { s.OColonChange = "Y"; }},
        LineCase{"DroppedMarkLines", "%\nO&FW01\nO1\n:&FW\nX&HE:1\nM30\n%", "O1\r\nM30\r\n%\r\n"},
        LineCase{"StartAndEndPercentLines", "%\nO1\nM30\n%", "%\r\nO1\r\nM30\r\n%\r\n",
                 [](Settings& s) { s.StartChar = "Y"; }},
        LineCase{"NoEndPercentLine", "%\nO1\nM30\n%", "O1\r\nM30\r\n",
                 [](Settings& s) { s.EndChar = "N"; }},
        LineCase{"Dc4EndsTheData", "%\nO1\nM30\x14", "O1\r\nM30\r\n%\r\n"},
        LineCase{"Dc4KeepsTheLineBegun", "%\nO1\nM30\x14", "O1\r\nM30\r\n",
                 [](Settings& s) { s.EndChar = "N"; }},
        // Without an opening "%" the first "%" after program lines closes the data.
        LineCase{"StartOnLineFeed", "\nO7\nM30\n%", "O7\r\nM30\r\n%\r\n"},
        LineCase{"StartOnProgramLetter", "\x11O9\nM30\n%", "O9\r\nM30\r\n%\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the code ---------------------------------------------------------------------------------

TEST(ReceiveEngineTest, DetectsEiaAfreshOnEveryByteBeforeTheStart) {
    EngineRig rig;
    rig.settings.R_Code = 0;
    // An even byte first (ISO "0", not a start), then the tape in EIA: "%", LF, "O1", LF,
    // "G01X1.", LF, "M30" (0x13 is the EIA digit 3), LF, "%".
    rig.port.ArriveAt(milliseconds(100),
                      "\x30"
                      "\x0B\x80"
                      "\x46\x01\x80"
                      "\x67\x20\x01\x37\x01\x6B\x80"
                      "\x54\x13\x20\x80"
                      "\x0B");
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), "O1\r\nG01 X1.\r\nM30\r\n%\r\n");
}

TEST(ReceiveEngineTest, DetectsIsoWithParity) {
    EngineRig rig;
    rig.settings.R_Code = 0;
    rig.port.ArriveAt(milliseconds(100), WithParity("%\nO12\nG91G28Z0.\nM30\n%"));
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), "O12\r\nG91 G28 Z0.\r\nM30\r\n%\r\n");
}

// --- programs, files and names ----------------------------------------------------------------

TEST(ReceiveEngineTest, OneFilePerProgramNumberedWithAddNo) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.settings.StartChar = "Y";
    rig.port.ArriveAt(milliseconds(100), "%\nO0001(FIRST)\nG00X1.\nM30\nO0002\nG01Y2.\nM30\n%\n");
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    EXPECT_EQ(rig.files.File("C:\\NC\\O0001_001.NC").value_or("<none>"),
              "%\r\nO0001(FIRST)\r\nG00 X1.\r\nM30\r\n%\r\n");
    EXPECT_EQ(rig.files.File("C:\\NC\\O0002_002.NC").value_or("<none>"),
              "%\r\nO0002\r\nG01 Y2.\r\nM30\r\n%\r\n");
    EXPECT_EQ(rig.saved,
              (std::vector<std::string>{"C:\\NC\\O0001_001.NC", "C:\\NC\\O0002_002.NC"}));
    EXPECT_EQ(rig.log.entries, (std::vector<RecordingLog::Entry>{
                                   ReceiveLog(TransferState::Completed, "C:\\NC\\O0001_001.NC"),
                                   ReceiveLog(TransferState::Completed, "C:\\NC\\O0002_002.NC")}));
    EXPECT_EQ(rig.host.programStarts, (std::vector<std::string>{"O0001(FIRST)", "O0002"}));
    EXPECT_EQ(rig.host.LastStatus(StatusPanel::State), "受信完了しました。");
    EXPECT_EQ(rig.host.Statuses(StatusPanel::Name).front(), "受信名 自動保存");
    // The trailing line feed after the closing "%" was never read.
    EXPECT_EQ(rig.port.PendingBytes(), 1u);
}

TEST(ReceiveEngineTest, PerProgramNamesWithoutNumberColonAndMask) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.settings.Add_No = "N";
    rig.settings.OColonChange = "Y";
    rig.settings.Mask = "*.TXT";
    rig.settings.EndChar = "N";
    rig.port.ArriveAt(milliseconds(100), "%\n(HEAD)\nO100 (A)\nM99\n:200\nM99\n%");
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    // The lines before the first program open its file; ":" names the file with "O".
    EXPECT_EQ(rig.files.File("C:\\NC\\O100.TXT").value_or("<none>"),
              "(HEAD)\r\n:100(A)\r\nM99\r\n");
    EXPECT_EQ(rig.files.File("C:\\NC\\O200.TXT").value_or("<none>"), ":200\r\nM99\r\n");
}

TEST(ReceiveEngineTest, ProgramOfMoreThanThousandLinesIsSavedWhole) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    std::string data = "%\nO5000\n";
    std::string file = "O5000\r\n";
    // Short lines: the fake port's script grows with every byte scheduled.
    for (int i = 1; i <= 2100; ++i) {
        const std::string n = std::to_string(i % 100);
        data += "X" + n + "Y\n";
        file += "X" + n + " Y\r\n";
    }
    data += "M30\n%";
    file += "M30\r\n%\r\n";
    rig.port.ArriveAt(milliseconds(100), data);
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    const auto saved = rig.files.File("C:\\NC\\O5000_001.NC").value_or("<none>");
    EXPECT_EQ(saved.size(), file.size());
    EXPECT_TRUE(saved == file);
    // The text area was flushed every 1000 lines.
    EXPECT_LE(rig.host.mostLinesShown, 1000u);
    EXPECT_GE(rig.host.receivedClears, 3);
    EXPECT_EQ(rig.files.OpenOutputs(), 0);
}

TEST(ReceiveEngineTest, ReplacesAnExistingTargetOnlyWhenComplete) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.files.AddFile(kTarget, "OLD\r\n");
    rig.port.ArriveAt(milliseconds(100), "%\nO1\n");
    rig.port.ArriveAt(seconds(10), "M30\n%");
    // Halfway through, the old file is untouched.
    std::optional<std::string> during;
    rig.host.CancelWhen([&] {
        if (rig.clock.Now() >= seconds(5) && !during)
            during = rig.files.File(kTarget);
        return false;
    });
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_EQ(during.value_or("<none>"), "OLD\r\n");
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), "O1\r\nM30\r\n%\r\n");
}

// --- the end of a receive --------------------------------------------------------------------

TEST(ReceiveEngineTest, EndsAtTheClosingPercentWithoutAnotherByte) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.port.ArriveAt(milliseconds(100), "%\nO1\nM30\n%");
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_FALSE(rig.host.TimedOut());
    EXPECT_EQ(rig.host.cancelPresses, 0);
    ASSERT_EQ(rig.port.Closes().size(), 1u);
    // Saved and closed after the 3 s save wait, not after waiting for more data.
    EXPECT_EQ(rig.port.Closes()[0], milliseconds(100) + milliseconds(3000));
    EXPECT_EQ(rig.host.Statuses(StatusPanel::State),
              (std::vector<std::string>{"受信待機中(信号待ち)", "＜＜ 受信中 ＞＞",
                                        "受信データ保存中です。", "受信完了しました。"}));
    ASSERT_FALSE(rig.host.results.empty());
    EXPECT_EQ(rig.host.results.back().text, "受信完了しました。!!");
    EXPECT_EQ(rig.host.results.back().colour, ResultColour::Lime);
    ASSERT_EQ(rig.host.ended.size(), 1u);
    EXPECT_TRUE(rig.host.ended[0].completed);
    EXPECT_EQ(rig.host.ended[0].restoreAfter, milliseconds(3000));
    EXPECT_EQ(rig.host.Statuses(StatusPanel::Name).front(), "受信名 RECV.NC");
}

TEST(ReceiveEngineTest, EscWithOp5SavesWhatHasArrived) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.settings.op5 = "Y";
    rig.port.ArriveAt(milliseconds(100), "%\nO1\nG01X1.\nG01X2");
    rig.port.ArriveAt(seconds(20), ".\nM30\n%");
    rig.host.CancelAt(seconds(5));
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), "O1\r\nG01 X1.\r\nG01 X2\r\n%\r\n");
    EXPECT_EQ(rig.log.entries,
              std::vector<RecordingLog::Entry>{ReceiveLog(TransferState::Completed, kTarget)});
}

TEST(ReceiveEngineTest, EscWithoutOp5LeavesTheTargetAsItWas) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.files.AddFile(kTarget, "OLD\r\n");
    rig.port.ArriveAt(milliseconds(100), "%\nO1\nG01X1.\n");
    rig.host.CancelAt(seconds(5));
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Stopped);
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), "OLD\r\n");
    EXPECT_EQ(rig.files.OpenOutputs(), 0);
    EXPECT_EQ(rig.log.entries,
              std::vector<RecordingLog::Entry>{ReceiveLog(TransferState::Stopped, kTarget)});
    EXPECT_EQ(rig.host.LastStatus(StatusPanel::State), "受信を中止しました。");
    ASSERT_FALSE(rig.host.results.empty());
    EXPECT_EQ(rig.host.results.back().text, "受信を中止しました。!!");
    EXPECT_EQ(rig.host.results.back().colour, ResultColour::Red);
    ASSERT_EQ(rig.host.ended.size(), 1u);
    EXPECT_FALSE(rig.host.ended[0].completed);
    EXPECT_EQ(rig.host.ended[0].restoreAfter, milliseconds(1000));
    EXPECT_TRUE(rig.host.rescued.empty());
    EXPECT_FALSE(rig.port.IsOpen());
}

TEST(ReceiveEngineTest, EscWithoutOp5KeepsTheProgramsAlreadyComplete) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.port.ArriveAt(milliseconds(100), "%\nO1\nM30\nO2\nG01X1.\n");
    rig.host.CancelAt(seconds(5));
    EXPECT_EQ(rig.Receive(PerProgram()), TransferResult::Stopped);
    EXPECT_EQ(rig.files.File("C:\\NC\\O1_001.NC").value_or("<none>"), "O1\r\nM30\r\n%\r\n");
    EXPECT_FALSE(rig.files.File("C:\\NC\\O2_002.NC"));
    EXPECT_EQ(rig.log.entries, (std::vector<RecordingLog::Entry>{
                                   ReceiveLog(TransferState::Completed, "C:\\NC\\O1_001.NC"),
                                   ReceiveLog(TransferState::Stopped, "C:\\NC\\O2_002.NC")}));
}

TEST(ReceiveEngineTest, DsrLossWithOp6SavesTheLineBegun) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.settings.op6 = "Y";
    rig.port.ArriveAt(milliseconds(100), "%\nO1\nM30");
    rig.port.ModemAt(seconds(2), ModemStatus{true, false, true});
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), "O1\r\nM30\r\n%\r\n");
    // The lamps showed DSR going off.
    ASSERT_FALSE(rig.host.lamps.empty());
    EXPECT_FALSE(rig.host.lamps.back().dsr);
}

TEST(ReceiveEngineTest, SignalWaitsForTheCarrierBeforeTheStart) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.settings.Signal = "Y";
    rig.port.ModemAt(milliseconds(0), ModemStatus{true, true, false});
    // A "%" while the carrier is off is not a start; the data after the carrier comes is.
    rig.port.ArriveAt(milliseconds(500), "%\nX9\n");
    rig.port.ModemAt(seconds(2), ModemStatus{true, true, true});
    rig.port.ArriveAt(seconds(3), "%\nO1\nM30\n%");
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), "O1\r\nM30\r\n%\r\n");
}

TEST(ReceiveEngineTest, WaitingForTheStartReadsWithoutSpinning) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.port.ArriveAt(seconds(60), "%\nO1\n%");
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Completed);
    // Every read of the minute waited its slice.
    EXPECT_LE(rig.port.Reads(), 60u * 20u + 20u);
}

TEST(ReceiveEngineTest, FailingReadsDoNotSpin) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.port.FailReadsAt(milliseconds(0));
    rig.host.CancelAt(seconds(30));
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Stopped);
    EXPECT_FALSE(rig.host.TimedOut());
    EXPECT_LE(rig.port.Reads(), 30u * 20u + 20u);
}

TEST(ReceiveEngineTest, PortThatDoesNotOpenStopsWithItsMessage) {
    EngineRig rig;
    rig.files.AddFile(kTarget, "OLD\r\n");
    rig.port.SetOpenResult(PortError::OpenFailed);
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Stopped);
    EXPECT_EQ(rig.host.errors, std::vector<std::string>{"COM1のポートが開きません。!!"});
    EXPECT_EQ(rig.files.File(kTarget).value_or("<none>"), "OLD\r\n");
    EXPECT_EQ(rig.log.entries,
              std::vector<RecordingLog::Entry>{ReceiveLog(TransferState::Stopped, kTarget)});
}

TEST(ReceiveEngineTest, CompletionClosesTheProgramWhenAsked) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.port.ArriveAt(milliseconds(100), "%\nO1\n%");
    ReceiveJob job = Named();
    job.CloseAfterTransfer = true;
    EXPECT_EQ(rig.Receive(job), TransferResult::Completed);
    EXPECT_EQ(rig.host.closeRequests, std::vector<bool>{false});
}

// --- data that cannot be saved where it belongs ---------------------------------------------

struct RescueCase {
    const char* name;
    std::function<void(EngineRig&)> script;
    ReceiveJob job;
    std::string data;
    std::string error;
    std::string rescueName;
    std::string rescued;
    std::vector<RecordingLog::Entry> log;
};

class ReceiveRescueTest : public testing::TestWithParam<RescueCase> {};

TEST_P(ReceiveRescueTest, TellsTheUserLogsTheStopAndHandsTheDataOver) {
    const RescueCase& c = GetParam();
    EngineRig rig;
    rig.settings.R_Code = 1;
    if (c.script)
        c.script(rig);
    rig.port.ArriveAt(milliseconds(100), c.data);
    ReceiveJob job = c.job;
    job.CloseAfterTransfer = true;
    EXPECT_EQ(rig.Receive(job), TransferResult::Stopped);
    EXPECT_EQ(rig.host.errors, std::vector<std::string>{c.error});
    ASSERT_EQ(rig.host.rescued.size(), 1u);
    EXPECT_EQ(rig.host.rescued[0].name, c.rescueName);
    EXPECT_EQ(rig.host.rescued[0].bytes, c.rescued);
    EXPECT_EQ(rig.log.entries, c.log);
    ASSERT_FALSE(rig.host.results.empty());
    EXPECT_EQ(rig.host.results.back().text, "受信を中止しました。!!");
    ASSERT_EQ(rig.host.ended.size(), 1u);
    EXPECT_FALSE(rig.host.ended[0].completed);
    // The program stays open so that the rescued data can be saved.
    EXPECT_TRUE(rig.host.closeRequests.empty());
    // The port was closed before the user was told.
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_EQ(rig.files.OpenOutputs(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rescue, ReceiveRescueTest,
    testing::Values(
        RescueCase{"ProgramNameWithSlash",
                   nullptr,
                   PerProgram(),
                   "%\nO12/3\nM30\nO4\nM30\n%",
                   FsErrorMessage(FsError::InvalidName) + "\nC:\\NC\\O12/3_001.NC",
                   "O12_3_001.NC",
                   "O12/3\r\nM30\r\n%\r\n",
                   {ReceiveLog(TransferState::Stopped, "C:\\NC\\O12/3_001.NC"),
                    ReceiveLog(TransferState::Completed, "C:\\NC\\O4_002.NC")}},
        RescueCase{"DiskFull",
                   [](EngineRig& rig) { rig.files.FailWritesAfter(0, FsError::NoSpace); },
                   Named(),
                   "%\nO1\nG01X1.\nM30\n%",
                   FsErrorMessage(FsError::NoSpace) + "\nC:\\NC\\RECV.NC",
                   "RECV.NC",
                   "O1\r\nG01 X1.\r\nM30\r\n%\r\n",
                   {ReceiveLog(TransferState::Stopped, kTarget)}},
        RescueCase{"FolderGone",
                   [](EngineRig& rig) { rig.settings.DirPath = "C:\\GONE"; },
                   PerProgram(),
                   "%\nO7\nM30\n%",
                   FsErrorMessage(FsError::NotFound) + "\nC:\\GONE\\O7_001.NC",
                   "O7_001.NC",
                   "O7\r\nM30\r\n%\r\n",
                   {ReceiveLog(TransferState::Stopped, "C:\\GONE\\O7_001.NC")}},
        RescueCase{"RenameOverTargetFails",
                   [](EngineRig& rig) { rig.files.FailCommit(kTarget, FsError::AccessDenied); },
                   Named(),
                   "%\nO1\nM30\n%",
                   FsErrorMessage(FsError::AccessDenied) + "\nC:\\NC\\RECV.NC",
                   "RECV.NC",
                   "O1\r\nM30\r\n%\r\n",
                   {ReceiveLog(TransferState::Stopped, kTarget)}},
        RescueCase{"NoProgramNumber",
                   nullptr,
                   PerProgram(),
                   "%\nG01X1.\nM30\n%",
                   "プログラム番号が無いため、受信データを保存できません。\nC:\\NC",
                   "RECEIVE.NC",
                   "G01 X1.\r\nM30\r\n%\r\n",
                   {ReceiveLog(TransferState::Stopped, "C:\\NC")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiveEngineTest, DiskFullAfterAFlushStillRescuesTheWholeProgram) {
    EngineRig rig;
    rig.settings.R_Code = 1;
    std::string data = "%\nO1\n";
    std::string file = "O1\r\n";
    for (int i = 0; i < 1500; ++i) {
        data += "X" + std::to_string(i) + "\n";
        file += "X" + std::to_string(i) + "\r\n";
    }
    data += "%";
    file += "%\r\n";
    // The first 1000 lines reach the disk; the rest do not fit.
    rig.files.FailWritesAfter(7000, FsError::NoSpace);
    rig.port.ArriveAt(milliseconds(100), data);
    EXPECT_EQ(rig.Receive(Named()), TransferResult::Stopped);
    ASSERT_EQ(rig.host.rescued.size(), 1u);
    EXPECT_GT(rig.files.BytesWritten(), 0u);
    EXPECT_TRUE(rig.host.rescued[0].bytes == file);
    EXPECT_FALSE(rig.files.File(kTarget));
}

// --- over the real file system ----------------------------------------------------------------

struct RealFolder {
    RealFolder() {
        HostConfig config;
        config.drives['D'] = folder.Path();
        files = CreateSystemFileSystem(DriveMap::Build(config, folder.Path(), {}));
    }
    test::TempFolder folder;
    std::unique_ptr<FileSystem> files;
};

TEST(ReceiveEngineRealFolderTest, SavesEachProgramAndLeavesNoTemporaryFile) {
    RealFolder real;
    EngineRig rig;
    rig.settings.R_Code = 1;
    rig.settings.DirPath = "D:";
    real.folder.Write("O0002.NC", "OLD\r\n");
    rig.port.ArriveAt(milliseconds(100), "%\nO0001\nM30\nO0002\nX1.\nM30\n%");
    rig.settings.Add_No = "N";
    ReceiveEngine engine(rig.port, rig.host, rig.log, *real.files);
    EXPECT_EQ(engine.ReceiveFile(rig.settings, PerProgram()), TransferResult::Completed);
    EXPECT_EQ(engine.SavedFiles(), (std::vector<std::string>{"D:\\O0001.NC", "D:\\O0002.NC"}));
    EXPECT_EQ(real.folder.Read("O0001.NC"), "O0001\r\nM30\r\n%\r\n");
    EXPECT_EQ(real.folder.Read("O0002.NC"), "O0002\r\nX1.\r\nM30\r\n%\r\n");
    const auto entries = real.files->Scan("D:");
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->size(), 2u);
}

TEST(ReceiveEngineRealFolderTest, StopWithoutOp5KeepsTheOldFileAndLeavesNoTemporaryFile) {
    RealFolder real;
    EngineRig rig;
    rig.settings.R_Code = 1;
    real.folder.Write("RECV.NC", "OLD\r\n");
    rig.port.ArriveAt(milliseconds(100), "%\nO1\nG01X1.\n");
    rig.host.CancelAt(seconds(2));
    ReceiveEngine engine(rig.port, rig.host, rig.log, *real.files);
    EXPECT_EQ(engine.ReceiveFile(rig.settings, Named("D:\\RECV.NC")), TransferResult::Stopped);
    EXPECT_EQ(real.folder.Read("RECV.NC"), "OLD\r\n");
    const auto entries = real.files->Scan("D:");
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->size(), 1u);
}

}  // namespace
}  // namespace kelvantori

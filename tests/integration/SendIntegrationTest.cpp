// The send engine against kelvantori-machine over a pseudo-terminal: the bytes the machine took
// from the line, byte for byte, for the framing, code and line options; the machine's DC3/DC1
// with a filling buffer; the refused confirmation; marked files; the log.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/EngineRig.h"
#include "support/LineRig.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::Hex;
using test::LineRig;
using test::ReadFixture;

struct SendCase {
    const char* name;  // the fixture: integration/<name>.input and .expected
    const char* code;  // the machine's --code
    void (*configure)(Settings&);
};

class SendLineTest : public ::testing::TestWithParam<SendCase> {};

TEST_P(SendLineTest, MachineReceivesExactlyTheExpectedBytes) {
    const SendCase& c = GetParam();
    LineRig rig;
    c.configure(rig.settings);
    ASSERT_TRUE(rig.StartMachine({"--code", c.code}));
    const std::string input = ReadFixture(std::string("integration/") + c.name + ".input");
    ASSERT_EQ(rig.Send("O1.NC", input), TransferResult::Completed);
    rig.FinishMachine();

    const std::string expected = ReadFixture(std::string("integration/") + c.name + ".expected");
    EXPECT_EQ(Hex(rig.Raw()), Hex(expected)) << rig.MachineErrors();
    // The machine checks parity with its own tables: a wrong parity bit shows here as well.
    EXPECT_EQ(rig.Summary()["bad_parity"], "0");
    EXPECT_FALSE(rig.host.TimedOut());
    EXPECT_EQ(rig.host.results, std::vector<std::string>{"送信完了しました。!!"});
}

void Defaults(Settings&) {}

template <int start, int end>
void Framing(Settings& s) {
    s.StartChar = start < 0 ? "N" : "Y";
    s.StartChar_Type = start < 0 ? 1 : start;
    s.EndChar = end < 0 ? "N" : "Y";
    s.EndChar_Type = end < 0 ? 1 : end;
}

template <int start, int end>
void EiaFraming(Settings& s) {
    Framing<start, end>(s);
    s.Code = "Y";
}

INSTANTIATE_TEST_SUITE_P(
    Framing, SendLineTest,
    ::testing::Values(SendCase{"iso_startN_end1", "iso", Framing<-1, 1>},
                      SendCase{"iso_start0_endN", "iso", Framing<0, -1>},
                      SendCase{"iso_start1_end2", "iso", Framing<1, 2>},
                      SendCase{"iso_start2_end3", "iso", Framing<2, 3>},
                      SendCase{"iso_start3_end4", "iso", Framing<3, 4>},
                      SendCase{"iso_start4_end0", "iso", Framing<4, 0>},
                      SendCase{"iso_start5_end1", "iso", Framing<5, 1>},
                      SendCase{"eia_startN_end1", "eia", EiaFraming<-1, 1>},
                      SendCase{"eia_start0_endN", "eia", EiaFraming<0, -1>},
                      SendCase{"eia_start1_end2", "eia", EiaFraming<1, 2>},
                      SendCase{"eia_start2_end3", "eia", EiaFraming<2, 3>},
                      SendCase{"eia_start3_end4", "eia", EiaFraming<3, 4>},
                      SendCase{"eia_start4_end0", "eia", EiaFraming<4, 0>},
                      SendCase{"eia_start5_end1", "eia", EiaFraming<5, 1>},
                      SendCase{"comments_msg_n", "iso", Defaults},
                      SendCase{"comments_msg_y", "iso", [](Settings& s) { s.MSG_OP = "Y"; }},
                      SendCase{"sendmsg1", "iso", [](Settings& s) { s.SendMsg1 = "ABC"; }},
                      SendCase{"leader", "iso", [](Settings& s) { s.Send_Before = 1; }},
                      SendCase{"sp_cut_with_leader", "iso",
                               [](Settings& s) { s.Send_SP_Cut = "Y", s.Send_Before = 1; }},
                      // A 7-bit line: the characters as they are, the port adds the parity.
                      SendCase{"seven_bit", "7bit", [](Settings& s) { s.Speed = "19200,7,E,2"; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SendIntegrationTest, RefusedConfirmationSendsOnlyDc4AndLogsTheStop) {
    LineRig rig;
    ASSERT_TRUE(rig.StartMachine({"--code", "iso"}));
    rig.host.AnswerYesNo(false);
    ASSERT_EQ(rig.Send("O1.NC", ReadFixture("integration/confirm_no.input")),
              TransferResult::Stopped);
    rig.FinishMachine();
    EXPECT_EQ(Hex(rig.Raw()), Hex(ReadFixture("integration/confirm_no.expected")));
    EXPECT_EQ(rig.host.questions.size(), 1u);
    EXPECT_EQ(rig.host.results, std::vector<std::string>{"送信中止しました。!!"});
    const std::string log = rig.Log();
    EXPECT_NE(log.find("送信　　中止　"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("　D:\\O1.NC\r\n")) << log;
}

TEST(SendIntegrationTest, MarkedFilesFollowWithoutANewStartAndEachIsLogged) {
    LineRig rig;
    rig.settings.StartChar = "Y";
    rig.settings.StartChar_Type = 1;
    ASSERT_TRUE(rig.StartMachine({"--code", "iso", "--store", rig.folder.File("store")}));
    rig.folder.Write("data/O7.NC", ReadFixture("integration/marked_O7.input"));
    SendJob job{"D:",
                "O6.NC",
                test::ProgramOf(ReadFixture("integration/marked_O6.input")),
                {"O7.NC"},
                [&rig](const std::string& name) { return test::ProgramOf(rig.DataFile(name)); },
                false};
    ASSERT_EQ(rig.Send(job), TransferResult::Completed);
    rig.FinishMachine();
    EXPECT_EQ(Hex(rig.Raw()), Hex(ReadFixture("integration/marked.expected")));
    // The machine took both as programs of their own.
    EXPECT_EQ(rig.Summary()["program_names"], "O6,O7");
    const std::string log = rig.Log();
    EXPECT_NE(log.find("送信　　完了　"), std::string::npos);
    EXPECT_NE(log.find("　D:\\O6.NC\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("　D:\\O7.NC\r\n"), std::string::npos) << log;
}

// 0x93 is DC3 with its parity bit; the engine tests show that a plain 0x13 pauses as well.
TEST(SendIntegrationTest, MachineDc3PausesTheSendAndDc1ResumesItWithoutLossOrBurst) {
    LineRig rig;
    // The machine reads at the line's rate but empties its buffer slower, so the buffer fills
    // past its high mark (DC3) and drains to its low mark (DC1) again.
    ASSERT_TRUE(
        rig.StartMachine({"--code", "iso", "--baud", "19200", "--format", "8N1", "--buffer", "256",
                          "--high", "64", "--low", "16", "--drain", "600", "--dc3", "93"}));
    const TransferResult result = rig.Send("O8.NC", ReadFixture("integration/flow.input"));
    rig.FinishMachine();
    ASSERT_EQ(result, TransferResult::Completed) << rig.MachineErrors();
    EXPECT_EQ(Hex(rig.Raw()), Hex(ReadFixture("integration/flow.expected")));
    auto summary = rig.Summary();
    EXPECT_GE(std::stoi(summary["dc3_sent"]), 2) << "the buffer never filled: no pause tested";
    EXPECT_GE(std::stoi(summary["dc1_sent"]), 2);
    EXPECT_EQ(summary["lost"], "0");

    // What the engine did on its side of the line. From the moment it read a DC3 to the moment
    // it read the DC1, at most the byte already on its way went out.
    using Clock = std::chrono::steady_clock;
    const auto& writes = rig.Line().Writes();
    const auto& reads = rig.Line().Reads();
    int pauses = 0;
    for (std::size_t r = 0; r < reads.size(); ++r) {
        if (reads[r].byte != 0x93 && reads[r].byte != 0x13)
            continue;
        Clock::time_point resumed = Clock::time_point::max();
        for (std::size_t k = r + 1; k < reads.size(); ++k) {
            if (reads[k].byte == 0x11) {
                resumed = reads[k].time;
                break;
            }
        }
        const auto during = std::count_if(writes.begin(), writes.end(), [&](const auto& w) {
            return w.time > reads[r].time && w.time < resumed;
        });
        EXPECT_LE(during, 1) << "bytes written while the machine held DC3, pause " << pauses;
        ++pauses;
    }
    EXPECT_GE(pauses, 2);
    // Never faster than the line: any run of writes takes at least its character times, less the
    // two characters the engine may be ahead. A send that caught up on a pause would not.
    const std::chrono::nanoseconds character(520833);
    for (std::size_t i = 0; i < writes.size(); ++i)
        for (std::size_t j = i + 1; j < writes.size(); ++j)
            ASSERT_LE(j - i,
                      static_cast<std::size_t>((writes[j].time - writes[i].time) / character) + 3)
                << "bytes " << i << ".." << j << " went out too fast";
}

}  // namespace
}  // namespace kelvantori

// The receive engine against kelvantori-machine punching a tape over a pseudo-terminal: the
// files saved in both modes, byte for byte, with the program-number options, EIA found by the
// parity of the first bytes, a program longer than the 1000-line flush, and Esc with and without
// saving what has arrived.
#include <gtest/gtest.h>

#include "support/LineRig.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::LineRig;
using test::ReadFixture;

// Starts a machine that punches the tape once the PC has opened the line.
bool StartPunch(LineRig& rig, const std::string& code, const std::string& tape,
                std::vector<std::string> more = {}) {
    const std::string path = rig.folder.Write("tape.nc", tape);
    std::vector<std::string> options{"--code", code, "--punch", path, "--delay", "200", "--once"};
    options.insert(options.end(), more.begin(), more.end());
    return rig.StartMachine(options);
}

ReceiveJob Named(const std::string& name) {
    ReceiveJob job;
    job.mode = ReceiveMode::Named;
    job.TransferPath = "D:\\" + name;
    job.TransferName = name;
    return job;
}

ReceiveJob PerProgram() {
    ReceiveJob job;
    job.mode = ReceiveMode::PerProgram;
    return job;
}

struct NamedCase {
    const char* name;
    const char* code;  // what the machine punches
    void (*configure)(Settings&);
    const char* expected;
};

class NamedReceiveTest : public ::testing::TestWithParam<NamedCase> {};

TEST_P(NamedReceiveTest, SavesBothProgramsUnderTheGivenName) {
    const NamedCase& c = GetParam();
    LineRig rig;
    c.configure(rig.settings);
    ASSERT_TRUE(StartPunch(rig, c.code, ReadFixture("integration/two_programs.input")));
    ASSERT_EQ(rig.Receive(Named("RECV.NC")), TransferResult::Completed) << rig.host.errors.size();
    rig.FinishMachine();
    EXPECT_EQ(rig.DataFile("RECV.NC"), ReadFixture(std::string("integration/") + c.expected));
    EXPECT_EQ(rig.saved, std::vector<std::string>{"D:\\RECV.NC"});
    EXPECT_NE(rig.Log().find("受信　　完了　"), std::string::npos);
    EXPECT_NE(rig.Log().find("　D:\\RECV.NC\r\n"), std::string::npos) << rig.Log();
    EXPECT_EQ(rig.host.results.back(), "受信完了しました。!!");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, NamedReceiveTest,
    ::testing::Values(
        NamedCase{"IsoFoundByParity", "iso", [](Settings&) {}, "receive_named.expected"},
        NamedCase{"EiaFoundByParity", "eia", [](Settings&) {}, "receive_eia_auto.expected"},
        NamedCase{"IsoAsSet", "iso", [](Settings& s) { s.R_Code = 1; }, "receive_named.expected"},
        NamedCase{"EiaAsSet", "eia", [](Settings& s) { s.R_Code = 2; },
                  "receive_eia_auto.expected"},
        NamedCase{"ColonForTheLetterO", "iso", [](Settings& s) { s.OColonChange = "Y"; },
                  "receive_colon.expected"}),
    [](const auto& info) { return info.param.name; });

TEST(ReceiveIntegrationTest, OneFilePerProgramWithTheCount) {
    LineRig rig;
    ASSERT_TRUE(StartPunch(rig, "iso", ReadFixture("integration/two_programs.input")));
    ASSERT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    rig.FinishMachine();
    EXPECT_EQ(rig.saved, (std::vector<std::string>{"D:\\O0001_001.NC", "D:\\O0002_002.NC"}));
    EXPECT_EQ(rig.DataFile("O0001_001.NC"),
              ReadFixture("integration/receive_programs_O0001_001.expected"));
    EXPECT_EQ(rig.DataFile("O0002_002.NC"),
              ReadFixture("integration/receive_programs_O0002_002.expected"));
    // One log line per file saved.
    const std::string log = rig.Log();
    EXPECT_NE(log.find("　D:\\O0001_001.NC\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("　D:\\O0002_002.NC\r\n"), std::string::npos) << log;
}

TEST(ReceiveIntegrationTest, OneFilePerProgramWithoutTheCountInEia) {
    LineRig rig;
    rig.settings.Add_No = "N";
    ASSERT_TRUE(StartPunch(rig, "eia", ReadFixture("integration/two_programs.input")));
    ASSERT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
    rig.FinishMachine();
    EXPECT_EQ(rig.saved, (std::vector<std::string>{"D:\\O0001.NC", "D:\\O0002.NC"}));
    EXPECT_EQ(rig.DataFile("O0001.NC"),
              ReadFixture("integration/receive_programs_O0001_001.expected"));
    EXPECT_EQ(rig.DataFile("O0002.NC"),
              ReadFixture("integration/receive_programs_O0002_002.expected"));
}

TEST(ReceiveIntegrationTest, ProgramLongerThanTheFlushArrivesWhole) {
    LineRig rig;
    std::string tape = "O0100\r\n";
    std::string expected = "O0100\r\n";
    for (int n = 1; n <= 1500; ++n) {
        const std::string line = "N" + std::to_string(n) + " G01 X" + std::to_string(n) + ".";
        tape += line + "\r\n";
        expected += line + "\r\n";
    }
    tape += "M30\r\n";
    expected += "M30\r\n%\r\n";
    ASSERT_TRUE(StartPunch(rig, "iso", tape));
    ASSERT_EQ(rig.Receive(Named("LONG.NC")), TransferResult::Completed);
    rig.FinishMachine();
    const std::string saved = rig.DataFile("LONG.NC");
    EXPECT_EQ(saved.size(), expected.size());
    EXPECT_TRUE(saved == expected) << "the saved program differs from the tape";
    EXPECT_EQ(rig.host.receivedLines.size(), 1503u);
}

struct EscCase {
    const char* name;
    const char* op5;
};

class EscReceiveTest : public ::testing::TestWithParam<EscCase> {};

TEST_P(EscReceiveTest, EscAfterTenLines) {
    const bool keep = std::string(GetParam().op5) == "Y";
    LineRig rig;
    rig.settings.op5 = GetParam().op5;
    rig.folder.Write("data/PART.NC", "OLD\r\n");
    std::string tape = "O0200\r\n";
    for (int n = 1; n <= 200; ++n)
        tape += "N" + std::to_string(n) + " X1.\r\n";
    // Slow enough that Esc comes long before the end of the tape.
    ASSERT_TRUE(StartPunch(rig, "iso", tape, {"--cps", "500"}));
    rig.host.CancelWhen([&rig] { return rig.host.receivedLines.size() >= 10; });
    const TransferResult result = rig.Receive(Named("PART.NC"));
    rig.StopMachine();
    ASSERT_FALSE(rig.host.TimedOut());
    if (keep) {
        EXPECT_EQ(result, TransferResult::Completed);
        std::string expected = "O0200\r\n";
        for (int n = 1; n <= 9; ++n)
            expected += "N" + std::to_string(n) + " X1.\r\n";
        EXPECT_EQ(rig.DataFile("PART.NC"), expected + "%\r\n");
        EXPECT_NE(rig.Log().find("受信　　完了　"), std::string::npos);
    } else {
        EXPECT_EQ(result, TransferResult::Stopped);
        // Nothing of the broken-off receive reaches the file.
        EXPECT_EQ(rig.DataFile("PART.NC"), "OLD\r\n");
        EXPECT_NE(rig.Log().find("受信　　中止　"), std::string::npos);
        EXPECT_EQ(rig.host.results.back(), "受信を中止しました。!!");
    }
}

INSTANTIATE_TEST_SUITE_P(Op5, EscReceiveTest,
                         ::testing::Values(EscCase{"SavesWhatArrived", "Y"},
                                           EscCase{"KeepsTheOldFile", "N"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kelvantori

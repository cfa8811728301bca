// The receive engine against kelvantori-machine punching a tape over a pseudo-terminal: the
// files saved in both modes, byte for byte, with the program-number options, EIA found by the
// parity of the first bytes, and Esc with and without saving what has arrived.
#include <gtest/gtest.h>

#include <filesystem>

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

TEST(ReceiveIntegrationTest, OneFilePerProgramWithAndWithoutTheCount) {
    for (const char* code : {"iso", "eia"}) {
        const bool count = std::string(code) == "iso";
        SCOPED_TRACE(code);
        LineRig rig;
        rig.settings.Add_No = count ? "Y" : "N";
        ASSERT_TRUE(StartPunch(rig, code, ReadFixture("integration/two_programs.input")));
        ASSERT_EQ(rig.Receive(PerProgram()), TransferResult::Completed);
        rig.FinishMachine();
        const std::string first = count ? "O0001_001.NC" : "O0001.NC";
        const std::string second = count ? "O0002_002.NC" : "O0002.NC";
        EXPECT_EQ(rig.saved, (std::vector<std::string>{"D:\\" + first, "D:\\" + second}));
        EXPECT_EQ(rig.DataFile(first),
                  ReadFixture("integration/receive_programs_O0001_001.expected"));
        EXPECT_EQ(rig.DataFile(second),
                  ReadFixture("integration/receive_programs_O0002_002.expected"));
        // One log line per file saved; besides .keep and the log, no other file is left.
        EXPECT_NE(rig.Log().find("　D:\\" + first + "\r\n"), std::string::npos) << rig.Log();
        EXPECT_NE(rig.Log().find("　D:\\" + second + "\r\n"), std::string::npos) << rig.Log();
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.folder.File("data")), {}),
                  4);
    }
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
        // Nothing of the broken-off receive reaches the folder (.keep, the log, PART.NC).
        EXPECT_EQ(rig.DataFile("PART.NC"), "OLD\r\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.folder.File("data")), {}),
                  3);
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

// The receive engine against kelvantori-machine punching a tape over a pseudo-terminal: the file
// saved under a name, byte for byte, EIA found by the parity of the first bytes, the colon option,
// and Esc with and without saving what has arrived. The CLI test receives one file per program.
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
    return ReceiveJob{ReceiveMode::Named, "D:\\" + name, name, false};
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
        NamedCase{"EiaAsSet", "eia", [](Settings& s) { s.R_Code = 2; },
                  "receive_eia_auto.expected"},
        NamedCase{"ColonForTheLetterO", "iso", [](Settings& s) { s.OColonChange = "Y"; },
                  "receive_colon.expected"}),
    [](const auto& info) { return info.param.name; });

TEST(ReceiveIntegrationTest, EscAfterTenLinesWithAndWithoutOp5) {
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "op5 Y" : "op5 N");
        LineRig rig;
        rig.settings.op5 = keep ? "Y" : "N";
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
            EXPECT_EQ(rig.DataFile("PART.NC"), tape.substr(0, tape.find("N10 ")) + "%\r\n");
            EXPECT_NE(rig.Log().find("受信　　完了　"), std::string::npos);
        } else {
            EXPECT_EQ(result, TransferResult::Stopped);
            // Nothing of the broken-off receive reaches the folder (.keep, the log, PART.NC).
            EXPECT_EQ(rig.DataFile("PART.NC"), "OLD\r\n");
            EXPECT_EQ(
                std::distance(std::filesystem::directory_iterator(rig.folder.File("data")), {}), 3);
            EXPECT_NE(rig.Log().find("受信　　中止　"), std::string::npos);
            EXPECT_EQ(rig.host.results.back(), "受信を中止しました。!!");
        }
    }
}

}  // namespace
}  // namespace kelvantori

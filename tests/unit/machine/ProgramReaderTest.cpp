#include "machine/ProgramReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvantori::machine {
namespace {

// Feeds decoded characters; '\x14' in the data stands for DC4 from the PC.
std::vector<ReceivedProgram> Read(const std::string& data, bool finish = true) {
    ProgramReader reader;
    for (const char c : data) {
        if (c == '\x14') {
            reader.OnEndOfData();
        } else {
            reader.OnCharacter(c);
        }
    }
    if (finish)
        reader.Finish();
    return reader.TakePrograms();
}

ReceivedProgram Program(std::string name, std::vector<std::string> lines, bool complete = true) {
    return ReceivedProgram{std::move(name), ProgramText{std::move(lines)}, complete};
}

struct ReaderCase {
    const char* name;
    std::string data;
    std::vector<ReceivedProgram> expected;
};

class ProgramReaderTest : public testing::TestWithParam<ReaderCase> {};

TEST_P(ProgramReaderTest, SplitsTheDataIntoPrograms) {
    EXPECT_EQ(Read(GetParam().data), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tapes, ProgramReaderTest,
    testing::Values(
        ReaderCase{"PercentFramedProgram",
                   "%\nO1234 (PART)\nG01 X10.\nM30\n%",
                   {Program("O1234", {"O1234 (PART)", "G01 X10.", "M30"})}},
        ReaderCase{"SecondStartLineEndsTheFirstProgram",
                   "%\nO0001\nM99\nO0002\nM30\n%\n",
                   {Program("O0001", {"O0001", "M99"}), Program("O0002", {"O0002", "M30"})}},
        ReaderCase{
            "ColonStartLineIsNamedWithO", "%\n:1234\nM99\n%", {Program("O1234", {":1234", "M99"})}},
        ReaderCase{
            "Dc4EndsAnUnframedProgram", "\nO55\nG00 X0\n\x14", {Program("O55", {"O55", "G00 X0"})}},
        ReaderCase{"Dc4KeepsAnUnfinishedLastLine", "O7\nM30\x14", {Program("O7", {"O7", "M30"})}},
        ReaderCase{"LinesBeforeTheStartLineBelongToNoProgram",
                   "% *\nTITLE\n(SETUP SHEET)\nO8\nM30\n%",
                   {Program("O8", {"O8", "M30"})}},
        ReaderCase{"EmptyLinesBeforeTheEndAreDropped",
                   "%\nO9\nM30\n\n\n%",
                   {Program("O9", {"O9", "M30"})}},
        ReaderCase{"EmptyLineInsideTheProgramIsKept",
                   "%\nO9\nG00\n\nM30\n%",
                   {Program("O9", {"O9", "G00", "", "M30"})}},
        ReaderCase{
            "PercentRightAfterTextEndsTheProgram", "%\nO3\nM30%", {Program("O3", {"O3", "M30"})}},
        ReaderCase{"DoublePercentFraming", "%%\nO4\nM30\n%%\n", {Program("O4", {"O4", "M30"})}},
        ReaderCase{
            "CarriageReturnsAreNotText", "%\r\nO5\r\nM30\r\n%", {Program("O5", {"O5", "M30"})}},
        ReaderCase{
            "StartLineWithoutNumber", "%\nOABC\nM30\n%", {Program("UNNUMBERED", {"OABC", "M30"})}},
        ReaderCase{"TextAfterTheEndIsNoProgram",
                   "%\nO6\nM30\n%\nG00\n%\n",
                   {Program("O6", {"O6", "M30"})}},
        ReaderCase{"MachineStopsInsideAProgram",
                   "%\nO10\nG01 X1.\n",
                   {Program("O10", {"O10", "G01 X1."}, false)}},
        ReaderCase{
            "MachineStopsInsideALine", "%\nO11\nG01 X", {Program("O11", {"O11", "G01 X"}, false)}},
        ReaderCase{"NoStartLineNoProgram", "%\nG00 X0\nM30\n%\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramNameTest, TakesTheNumberAfterTheFirstCharacter) {
    EXPECT_EQ(ProgramName("O1234 (PART)"), "O1234");
    EXPECT_EQ(ProgramName(":0012"), "O0012");
    EXPECT_EQ(ProgramName("O1(X)"), "O1");
    EXPECT_EQ(ProgramName("O123456789"), "O12345678");
    EXPECT_EQ(ProgramName("O"), "UNNUMBERED");
    // Only the digits: nothing of the line can make the file name leave the folder.
    EXPECT_EQ(ProgramName("O12/../../X"), "O12");
}

TEST(ProgramReaderEventsTest, ReportsProgramAndTapeEnds) {
    ProgramReader reader;
    ReaderEvent last = ReaderEvent::None;
    for (const char c : std::string("%\nO1\nM99\nO2\n"))
        last = reader.OnCharacter(c);
    EXPECT_EQ(last, ReaderEvent::ProgramEnded);
    EXPECT_TRUE(reader.ProgramOpen());
    for (const char c : std::string("M30\n"))
        reader.OnCharacter(c);
    EXPECT_EQ(reader.OnCharacter('%'), ReaderEvent::TapeEnded);
    EXPECT_FALSE(reader.ProgramOpen());
    EXPECT_EQ(reader.TakePrograms().size(), 2u);
    EXPECT_TRUE(reader.TakePrograms().empty());
    // The tape-start "%" of the next tape ends nothing.
    EXPECT_EQ(reader.OnCharacter('%'), ReaderEvent::None);
    EXPECT_EQ(reader.OnEndOfData(), ReaderEvent::TapeEnded);
    EXPECT_TRUE(reader.TakePrograms().empty());
}

TEST(ProgramReaderEventsTest, KnowsWhenALineBeginsAProgram) {
    ProgramReader reader;
    EXPECT_FALSE(reader.InProgram());
    reader.OnCharacter('%');
    reader.OnCharacter('O');  // part of the "%" line: framing
    EXPECT_FALSE(reader.InProgram());
    reader.OnCharacter('\n');
    reader.OnCharacter('O');
    EXPECT_TRUE(reader.InProgram());
    for (const char c : std::string("1\nM30\n"))
        reader.OnCharacter(c);
    EXPECT_TRUE(reader.InProgram());
    reader.OnCharacter('%');
    EXPECT_FALSE(reader.InProgram());
}

}  // namespace
}  // namespace kelvantori::machine

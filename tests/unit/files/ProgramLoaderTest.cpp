// Loading an NC file for the view, a send or a tool: the format question and the line-by-line
// reading, over real files in a temporary folder mapped as drive D:.
#include "files/ProgramLoader.h"

#include <gtest/gtest.h>

#include "support/MappedDrives.h"

namespace kelvantori::test {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

TEST(ProgramLoader, AsksAboutANulAnywhereAndYesReadsLineByLine) {
    MappedDrives drives;
    // The lines of D:\P.NC holding bytes, "?" first when the format question came.
    const auto load = [&](const std::string& bytes, bool yes, const char* name = "P.NC") {
        drives.D().Write("P.NC", bytes);
        Lines seen;
        const auto loaded =
            LoadFileIntoView(drives.Files(), "D:\\"s + name, [&](const std::string& q) {
                seen.push_back(q == std::string(kFormatQuestion) ? "?" : "wrong question");
                return yes;
            });
        if (!loaded.readable)
            seen.push_back("unreadable");
        for (const auto& line : loaded.text.lines)
            seen.push_back(line);
        EXPECT_EQ(loaded.size, loaded.readable ? bytes.size() : 0u);
        return seen;
    };
    const std::string x1200(1200, 'X');
    EXPECT_EQ(load("%\r\nO1\r\n\r\nG01X1.\nM30", true), (Lines{"%", "O1", "", "G01X1.", "M30"}));
    EXPECT_EQ(load(x1200 + "\r\n", true), Lines{x1200}) << "a normal file keeps long lines whole";
    EXPECT_EQ(load("", true), Lines{"?"});
    EXPECT_EQ(load("\0O1234\r\nG01X1\r\nM30\r\n"s, true), (Lines{"?", "G01X1", "M30"}));
    EXPECT_EQ(load("O1\r\nG0\0X1\r\nM30\r\n"s, true), (Lines{"?", "O1", "G0", "M30"}))
        << "a NUL in the middle asks too; the line ends at it";
    EXPECT_EQ(load("O1\r\nG0\0X1\r\nM30\r\n"s, false), Lines{"?"}) << "never half a program";
    EXPECT_EQ(
        load("\0\n"s + x1200 + "\r\nM30\n", true),
        (Lines{"?", std::string(499, 'X'), std::string(499, 'X'), std::string(202, 'X'), "M30"}))
        << "reads of at most 499 characters";
    EXPECT_EQ(load("\0\nA\n\nB\r\n\r\nC\rD"s, true), (Lines{"?", "A", "B", "C", "D"}))
        << "empty lines dropped; LF, CR LF and a lone CR end a line";
    EXPECT_EQ(load("", true, "MISSING.NC"), (Lines{"?", "unreadable"}))
        << "a file that cannot be read";
}

}  // namespace
}  // namespace kelvantori::test

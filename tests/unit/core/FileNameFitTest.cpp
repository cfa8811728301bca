// Names made from received data, shortened to what a file system takes.
#include "core/FileNameFit.h"

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

TEST(FileNameFitTest, LongNamesKeepTheirStartAndTailAndStayApart) {
    const std::string number(300, '7');
    const struct {
        const char* name;
        std::string stem, tail;
        std::size_t max;
        std::string startsWith, endsWith;
        std::size_t size;
    } rows[] = {
        {"FitsAsItIs", "O1234", "_001.NC", 255, "O1234_001.NC", "O1234_001.NC", 12},
        {"ExactlyTheLimit", std::string(248, 'O'), "_001.NC", 255, std::string(248, 'O'), "_001.NC",
         255},
        {"TooLongKeepsTailAndStart", "O" + number, "_001.NC", 255, "O" + std::string(200, '7'),
         "_001.NC", 255},
        // "加" is three bytes: never cut in its middle.
        {"CutBetweenCharacters", "O" + std::string(20, '1') + "加工加工", ".NC", 34,
         "O" + std::string(20, '1') + "~", ".NC", 33},
        {"TailTooLongForAnyStem", "O1", std::string(20, 'X'), 10, "O1XXXXXXXX", "XXXXXXXX", 10},
    };
    for (const auto& row : rows) {
        const std::string fitted = FitFileName(row.stem, row.tail, row.max);
        EXPECT_EQ(fitted.size(), row.size) << row.name << ": " << fitted;
        EXPECT_TRUE(fitted.starts_with(row.startsWith)) << row.name << ": " << fitted;
        EXPECT_TRUE(fitted.ends_with(row.endsWith)) << row.name << ": " << fitted;
    }
    // Two stems that differ only past the cut give two names.
    EXPECT_NE(FitFileName("O" + number + "1", ".NC"), FitFileName("O" + number + "2", ".NC"));
    EXPECT_EQ(FitFileName("O" + number, ".NC"), FitFileName("O" + number, ".NC"));
}

TEST(FileNameFitTest, ExtensionIsTheShortPartFromTheLastDot) {
    EXPECT_EQ(FileNameExtension("O1.NC"), ".NC");
    EXPECT_EQ(FileNameExtension("A.B.TXT"), ".TXT");
    EXPECT_EQ(FileNameExtension("O1"), "");
    EXPECT_EQ(FileNameExtension(".hidden"), "");
    EXPECT_EQ(FileNameExtension("O1." + std::string(20, 'X')), "");
}

}  // namespace
}  // namespace kelvantori

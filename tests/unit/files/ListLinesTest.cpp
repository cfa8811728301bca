// The texts of the file list: golden lines for every column count and name mode, the header and
// the detail lines.
#include "files/ListLines.h"

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

ListLineStyle Style(int listColumn, bool allFiles = true, bool longNames = false,
                    bool upperCase = false) {
    ListLineStyle style;
    style.listColumn = listColumn;
    style.allFiles = allFiles;
    style.longNames = longNames;
    style.upperCase = upperCase;
    return style;
}

constexpr const char* kTime = "2024-03-05 14:07:09";

struct FileLineCase {
    const char* behaviour;
    ListLineStyle style;
    const char* longName;
    const char* shortName;
    std::uint64_t size;
    std::string expected;
};

TEST(BuildFileLine, GoldenLinesForEveryColumnCountAndNameMode) {
    // The pieces are inserted into 36 blanks, so the blanks they pushed right stay at the end.
    const FileLineCase cases[] = {
        {"one column: name, extension, size ending in column 22, time from 24", Style(1),
         "O1234.NC", "O1234.NC", 12345678, " O1234   .NC  12345678 24-03-05 14:07" + Blanks(30)},
        {"two columns: the same fields", Style(2), "O1234.NC", "O1234.NC", 12345678,
         " O1234   .NC  12345678 24-03-05 14:07" + Blanks(30)},
        {"three columns: no time", Style(3), "O1234.NC", "O1234.NC", 12345678,
         " O1234   .NC  12345678" + Blanks(31)},
        {"four columns: name and extension only", Style(4), "O1234.NC", "O1234.NC", 12345678,
         " O1234   .NC" + Blanks(33)},
        {"five columns: name and extension only", Style(5), "O1234.NC", "O1234.NC", 12345678,
         " O1234   .NC" + Blanks(33)},
        {"a size of 9 digits shows stars", Style(2), "O1234.NC", "O1234.NC", 123456789,
         " O1234   .NC  ******** 24-03-05 14:07" + Blanks(30)},
        {"a size of 4 GiB shows stars, not its low 32 bits", Style(2), "BIG.NC", "BIG.NC",
         4294967296ull + 512, " BIG     .NC  ******** 24-03-05 14:07" + Blanks(28)},
        {"a short size ends in the same column", Style(2), "A.NC", "A.NC", 7,
         " A       .NC         7 24-03-05 14:07" + Blanks(19)},
        {"the short form stands for a long name", Style(2), "PROGRAM_LONGNAME.NC", "PROGRA~1.NC",
         1536, " PROGRA~1.NC      1536 24-03-05 14:07" + Blanks(29)},
        {"at most four characters of the extension", Style(3), "A.HTML", "A.HTML", 10,
         " A       .HTM       10" + Blanks(22)},
        {"a name without extension", Style(2), "PROG", "PROG", 99,
         " PROG               99 24-03-05 14:07" + Blanks(20)},
        {"mask only: no extension column", Style(2, false), "O1234.NC", "O1234.NC", 12345678,
         " O1234        12345678 24-03-05 14:07" + Blanks(27)},
        {"mask only, five columns", Style(5, false), "O1234.NC", "O1234.NC", 1,
         " O1234" + Blanks(36)},
        {"long names: the bare name whatever the columns", Style(2, true, true),
         "Program long name.nc", "PROGRA~1.NC", 12345678, " Program long name.nc"},
        {"long names, mask only: the extension removed", Style(1, false, true), "O1234.NC",
         "O1234.NC", 5, " O1234"},
        {"no short name: the bare long name", Style(2), "データ.NC", "", 5, " データ.NC"},
        {"no short name, mask only: without extension", Style(2, false), "データ.NC", "", 5,
         " データ"},
        {"upper case: the whole line", Style(4, true, true, true), "o1234.nc", "", 5, " O1234.NC"},
    };
    for (const auto& c : cases) {
        std::string line = "left over from the line before";
        BuildFileLine(line, c.style, c.longName, c.shortName, c.size, kTime);
        EXPECT_EQ(line, c.expected) << c.behaviour;
    }
}

TEST(BuildFileLine, AnUnknownTimeLeavesTheTimeColumnBlank) {
    std::string line;
    BuildFileLine(line, Style(2), "A.NC", "A.NC", 7, "");
    EXPECT_EQ(line, " A       .NC         7" + Blanks(20));
}

struct FolderLineCase {
    const char* behaviour;
    ListLineStyle style;
    const char* name;
    std::string expected;
};

TEST(BuildFolderLine, GoldenLines) {
    const FolderLineCase cases[] = {
        {"two columns: <DIR> in the size column and the time", Style(2), "SUB",
         " SUB             <DIR> 24-03-05 14:07" + Blanks(22)},
        {"three columns: <DIR> without time", Style(3), "SUB",
         " SUB             <DIR>" + Blanks(23)},
        {"four columns: the <DIR> prefix before the name", Style(4), "SUB",
         " <DIR>SUB" + Blanks(36)},
        {"long names, mask only: the folder's extension goes too", Style(2, false, true), "V1.2",
         " V1"},
        {"long names, five columns", Style(5, true, true), "Sub Folder", " <DIR>Sub Folder"},
    };
    for (const auto& c : cases) {
        std::string line;
        BuildFolderLine(line, c.style, c.name, c.name, kTime);
        EXPECT_EQ(line, c.expected) << c.behaviour;
    }
}

TEST(BuildParentLine, FormsByColumnCount) {
    const FolderLineCase cases[] = {
        {"one column: <DIR> and the folder's time", Style(1), "",
         " ..              <DIR> 24-03-05 14:07"},
        {"two columns", Style(2), "", " ..              <DIR> 24-03-05 14:07"},
        {"three columns: no time", Style(3), "", " ..              <DIR>"},
        {"four columns: the dots alone", Style(4), "", " .."},
        {"five columns", Style(5), "", " .."},
    };
    for (const auto& c : cases) {
        std::string line;
        BuildParentLine(line, c.style, kTime);
        EXPECT_EQ(line, c.expected) << c.behaviour;
    }
    std::string line;
    BuildParentLine(line, Style(2), "");
    EXPECT_EQ(line, " ..              <DIR> ") << "a folder time that is not known";
}

TEST(FormatHeaderLine, PathCutTo67ColumnsThenTheCount) {
    struct Case {
        const char* behaviour;
        std::string path;
        long long files;
        long long folders;
        std::string expected;
    };
    const std::string suffix = "     ﾌｧｲﾙ数 :";
    const Case cases[] = {
        {"files and folders counted together", " Path=C:\\NC\\*.*", 12, 3,
         " Path=C:\\NC\\*.*" + Blanks(52) + suffix + "15"},
        {"an empty folder", " Path=C:\\NC\\*.NC", 0, 0,
         " Path=C:\\NC\\*.NC" + Blanks(51) + suffix + "0"},
        {"a scan under way", " Path=C:\\*.*", -1, 0,
         " Path=C:\\*.*" + Blanks(55) + suffix + "????"},
        {"a long path is cut", " Path=C:\\" + std::string(70, 'A'), 1, 0,
         " Path=C:\\" + std::string(58, 'A') + suffix + "1"},
        {"kanji count two columns", " Path=C:\\ＮＣデータ\\*.*", 1, 0,
         " Path=C:\\ＮＣデータ\\*.*" + Blanks(44) + suffix + "1"},
        {"half-width katakana count one", " Path=C:\\ﾃﾞｰﾀ\\*.*", 1, 0,
         " Path=C:\\ﾃﾞｰﾀ\\*.*" + Blanks(50) + suffix + "1"},
        {"a kanji across column 67 is left out, not cut in half",
         " Path=C:\\" + std::string(57, 'A') + "データ", 2, 0,
         " Path=C:\\" + std::string(57, 'A') + " " + suffix + "2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatHeaderLine(c.path, c.files, c.folders), c.expected) << c.behaviour;
    }
}

}  // namespace
}  // namespace kelvantori

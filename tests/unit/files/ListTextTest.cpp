// The texts of the file list and of sizes (whole lines for every column count and name mode, the
// ".." and folder lines, the header, the detail lines and the size texts), and loading an NC file
// for the view, a send or a tool over real files on a temporary drive D:.
#include <gtest/gtest.h>

#include "files/ListLines.h"
#include "files/ProgramLoader.h"
#include "files/SizeText.h"
#include "support/MappedDrives.h"

namespace kelvantori::test {
namespace {

std::string B(std::size_t n) {
    return std::string(n, ' ');
}

ListLineStyle Style(int columns, bool allFiles = true, bool longNames = false, bool upper = false) {
    return {longNames, allFiles, columns, upper};
}

constexpr const char* kTime = "2024-03-05 14:07:09";
constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

std::string FileLine(ListLineStyle style, const char* longName, const char* shortName,
                     std::uint64_t size, const char* time = kTime) {
    std::string line = "left over from the line before";
    BuildFileLine(line, style, longName, shortName, size, time);
    return line;
}

// The pieces are inserted into 36 blanks, so the blanks they pushed right stay at the end.
TEST(ListLines, FileLinesForEveryColumnCountAndNameMode) {
    const std::string full = " O1234   .NC  12345678 24-03-05 14:07" + B(30);
    const std::string stars = " O1234   .NC  ******** 24-03-05 14:07" + B(30);
    const struct {
        int columns;
        std::uint64_t size;
        std::string expected;
    } columns[] = {{1, 12345678, full},  // the size ends in column 22, the time starts at 24
                   {1, 123456789, stars},
                   {2, 12345678, full},
                   {2, 123456789, stars},
                   {3, 12345678, " O1234   .NC  12345678" + B(31)},
                   {3, 123456789, " O1234   .NC  ********" + B(31)},
                   {4, 123456789, " O1234   .NC" + B(33)},
                   {5, 12345678, " O1234   .NC" + B(33)}};
    for (const auto& c : columns) {
        EXPECT_EQ(FileLine(Style(c.columns), "O1234.NC", "O1234.NC", c.size), c.expected)
            << c.columns << " columns, " << c.size;
        EXPECT_EQ(FileLine(Style(c.columns, true, true), "Long name.nc", "LONGNA~1.NC", c.size),
                  " Long name.nc")
            << "long names: the bare name whatever the columns";
    }
    EXPECT_EQ(FileLine(Style(2), "BIG.NC", "BIG.NC", 4 * kGiB + 512),
              " BIG     .NC  ******** 24-03-05 14:07" + B(28))
        << "4 GiB: stars, not its low 32 bits";
    EXPECT_EQ(FileLine(Style(2), "PROGRAM_LONGNAME.NC", "PROGRA~1.NC", 1536),
              " PROGRA~1.NC      1536 24-03-05 14:07" + B(29));
    EXPECT_EQ(FileLine(Style(3), "A.HTML", "A.HTML", 10), " A       .HTM       10" + B(22));
    EXPECT_EQ(FileLine(Style(2), "A.NC", "A.NC", 7, ""), " A       .NC         7" + B(20))
        << "an unknown time";
    EXPECT_EQ(FileLine(Style(2, false), "O1234.NC", "O1234.NC", 12345678),
              " O1234        12345678 24-03-05 14:07" + B(27))
        << "mask only: no extension column";
    EXPECT_EQ(FileLine(Style(2, false, true), "O1234.NC", "", 5), " O1234");
    EXPECT_EQ(FileLine(Style(2), "データ.NC", "", 5), " データ.NC") << "no short name";
    EXPECT_EQ(FileLine(Style(4, true, true, true), "o1234.nc", "", 5), " O1234.NC") << "op3";
}

TEST(ListLines, FolderAndParentLines) {
    const auto folder = [](ListLineStyle style, const char* name) {
        std::string line;
        BuildFolderLine(line, style, name, name, kTime);
        return line;
    };
    const auto parent = [](ListLineStyle style, const char* time = kTime) {
        std::string line;
        BuildParentLine(line, style, time);
        return line;
    };
    EXPECT_EQ(folder(Style(2), "SUB"), " SUB             <DIR> 24-03-05 14:07" + B(22));
    EXPECT_EQ(folder(Style(3), "SUB"), " SUB             <DIR>" + B(23));
    EXPECT_EQ(folder(Style(4), "SUB"), " <DIR>SUB" + B(36));
    EXPECT_EQ(folder(Style(2, false, true), "V1.2"), " V1") << "long names, mask only";
    EXPECT_EQ(folder(Style(5, true, true), "Sub Folder"), " <DIR>Sub Folder");
    EXPECT_EQ(parent(Style(1)), " ..              <DIR> 24-03-05 14:07");
    EXPECT_EQ(parent(Style(2), ""), " ..              <DIR> ") << "a folder time not known";
    EXPECT_EQ(parent(Style(3)), " ..              <DIR>");
    EXPECT_EQ(parent(Style(4)), " ..");
    EXPECT_EQ(parent(Style(5, true, true)), " ..");
}

TEST(ListLines, HeaderCutTo67ColumnsThenTheCountAndDetailLines) {
    const std::string count = "     ﾌｧｲﾙ数 :";
    EXPECT_EQ(FormatHeaderLine(" Path=C:\\NC\\*.*", 12, 3),
              " Path=C:\\NC\\*.*" + B(52) + count + "15");
    EXPECT_EQ(FormatHeaderLine(" Path=C:\\*.*", -1, 0), " Path=C:\\*.*" + B(55) + count + "????");
    EXPECT_EQ(FormatHeaderLine(" Path=C:\\ＮＣデータ\\*.*", 1, 0),
              " Path=C:\\ＮＣデータ\\*.*" + B(44) + count + "1")
        << "kanji count two columns";
    EXPECT_EQ(FormatHeaderLine(" Path=C:\\" + std::string(57, 'A') + "データ", 2, 0),
              " Path=C:\\" + std::string(57, 'A') + " " + count + "2")
        << "a kanji across column 67 is left out, not cut in half";
    EXPECT_EQ(FolderDetailLine("SUB", kTime), "　  ﾌｫﾙﾀﾞ詳細:<DIR>SUB  日付 :2024-03-05 14:07:09");
    EXPECT_EQ(FileDetailLine("BIG.NC", 5 * kGiB, ""),
              "　　ﾌｧｲﾙ詳細 :BIG.NC  ｻｲｽﾞ :5120.000MB  日付 :");
}

TEST(SizeText, UnitsRoundingAndGroupedBytes) {
    struct Case {
        std::string (*format)(std::uint64_t);
        std::uint64_t bytes;
        const char* expected;
    };
    const Case cases[] = {
        {FormatFileSize, 1023, "1023ﾊﾞｲﾄ"},
        {FormatFileSize, 1024, "1.000KB"},
        {FormatFileSize, 1088, "1.063KB"},  // the half goes up, not to even
        {FormatFileSize, 1048576, "1.000MB"},
        {FormatFileSize, 4 * kGiB + 1536, "4096.001MB"},
        {FileInfoSizeText, 1000, "サイズ :　　1000ﾊﾞｲﾄ"},
        {FileInfoSizeText, 1048577, "サイズ :　　1.000MB (1,048,577ﾊﾞｲﾄ)"},
        {FileInfoSizeText, kGiB + 1, "サイズ :　　1.000GB (1,073,741,825ﾊﾞｲﾄ)"},
        {FileInfoSizeText, 4 * kGiB + 1536, "サイズ :　　4.000GB (4,294,968,832ﾊﾞｲﾄ)"},
        {FormatThousands, UINT64_MAX, "18,446,744,073,709,551,615"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.format(c.bytes), c.expected) << c.bytes;
}

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

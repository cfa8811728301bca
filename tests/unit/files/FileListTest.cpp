// The texts of the file list and of sizes (whole lines for every column count and name mode, the
// ".." and folder lines, the header, the detail lines); the file list over an in-memory folder
// (filtering, sorting, the lines, the current line through refreshes, the moving keys and the
// marks); and loading an NC file for the view, a send or a tool from a temporary drive D:.
#include <gtest/gtest.h>

#include "files/FileListModel.h"
#include "files/ListLines.h"
#include "files/ProgramLoader.h"
#include "files/SizeText.h"
#include "support/FileListScenario.h"
#include "support/MappedDrives.h"

namespace kelvantori::test {
namespace {

using Names = std::vector<std::string>;
using Lines = std::vector<int>;

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;
const std::int64_t kMarch5 = Utc(2024, 3, 5, 5, 7, 9);  // 2024-03-05 14:07:09 in Japan

Lines Range(int first, int last) {
    Lines lines;
    for (int i = first; i <= last; ++i)
        lines.push_back(i);
    return lines;
}

class ListTest : public FileListTest {
  protected:
    // A drive root: no ".." line, so line k is file k + 1.
    void ListFiles(int count) {
        settings_.DirPath = "C:";
        fs_.SetFolder("C:", NumberedFiles(count));
        Refresh();
    }
    // A folder of one-byte files from time 0; a name ending in "/" is a folder.
    void Put(const char* folder, const Names& names) {
        std::vector<DirEntry> entries;
        for (const auto& n : names)
            entries.push_back(n.ends_with('/') ? FakeFolder(n.substr(0, n.size() - 1), 0)
                                               : FakeFile(n, 1, 0));
        fs_.SetFolder(folder, entries);
    }
    void Mark(const Lines& lines) {
        for (const int line : lines) {
            model_.Select(line);
            model_.Enter();
        }
    }
    // The marked lines, and the same lines again when the table holds exactly them.
    Lines MarksShown() const {
        return MarkedLines() == UsedSlots() && model_.MarkCount() == int(UsedSlots().size())
                   ? MarkedLines()
                   : Lines{-1};
    }
};

TEST_F(ListTest, TheMaskIsComparedAsAWholeWithCaseIgnoredAndFoldersAreNeverFiltered) {
    Put("C:\\NC", {"ZETA/", "A.NC", "b.Nc", "C.TXT", "alpha.txt/", "README", "D.NCX", "O1.NC"});
    const auto listed = [&](const char* mask, const char* allFiles) {
        settings_.Mask = mask;
        settings_.AllFiles = allFiles;
        Refresh();
        Names names = FileNames();
        for (const auto& folder : model_.Folders())
            names.push_back("<" + folder.name + ">");
        return names;
    };
    const Names folders = {"<ZETA>", "<alpha.txt>"};
    EXPECT_EQ(listed("*.nc", "N"), (Names{"A.NC", "b.Nc", "O1.NC", "<ZETA>", "<alpha.txt>"}));
    EXPECT_EQ(listed("O*.NC", "N"), folders) << "more than a star before the dot lists nothing";
    EXPECT_EQ(listed("O*.NC", "Y"), (Names{"A.NC", "b.Nc", "C.TXT", "D.NCX", "O1.NC", "README",
                                           "<ZETA>", "<alpha.txt>"}));
    EXPECT_EQ(listed("*", "N"), (Names{"README", "<ZETA>", "<alpha.txt>"}));
}

TEST_F(ListTest, SortsByNameSizeAndTimeBothWaysWithSizesBeyond32Bits) {
    fs_.SetFolder("C:\\NC", {FakeFile("SMALL.NC", 100, Utc(2024, 5, 1)),
                             FakeFile("FIVEGIB.NC", 5 * kGiB, Utc(2023, 1, 1)),
                             FakeFile("FOURGIB1.NC", 4 * kGiB + 1, Utc(2024, 6, 1)),
                             FakeFile("MAX32.NC", 4294967295ull, Utc(2022, 7, 1)),
                             FakeFile("a.nc", 1, Utc(2021, 1, 1))});
    const auto sorted = [&](const char* key, const char* direction) {
        settings_.FileSort = key;
        settings_.SortMuki = direction;
        Refresh();
        std::string order;
        for (int line = model_.FirstFileLine(); line < model_.LineCount(); ++line)
            order += model_.EntryOf(line)->name.substr(0, 2) + " ";
        return order;
    };
    EXPECT_EQ(sorted("N", "D"), "a. FI FO MA SM ") << "small letters before capitals";
    EXPECT_EQ(sorted("N", "U"), "SM MA FO FI a. ");
    EXPECT_EQ(sorted("S", "D"), "FI FO MA SM a. ") << "the largest first, by the whole size";
    EXPECT_EQ(sorted("S", "U"), "a. SM MA FO FI ");
    EXPECT_EQ(sorted("Q", "U"), "a. SM MA FO FI ") << "an unknown key keeps the previous one";
    EXPECT_EQ(sorted("T", "D"), "a. MA FI SM FO ") << "the oldest first";
    EXPECT_EQ(sorted("T", "X"), "FO SM FI MA a. ") << "any direction but D is U";
}

TEST_F(ListTest, LinesHeaderDetailsAndWhatEachLineIs) {
    fs_.SetFolder("C:\\NC", {FakeFolder("SUB", kMarch5), FakeFile("O1234.NC", 12345678, kMarch5)});
    fs_.SetStat("C:\\NC", FileStat{true, 0, Utc(2023, 12, 31, 15, 30, 0), {}});
    Refresh();
    EXPECT_EQ(model_.Lines(),
              (Names{" ..              <DIR> 24-01-01 00:30",
                     " SUB             <DIR> 24-03-05 14:07" + std::string(22, ' '),
                     " O1234   .NC  12345678 24-03-05 14:07" + std::string(30, ' ')}));
    EXPECT_EQ(model_.HeaderLine(), " Path=C:\\NC\\*.*" + std::string(52, ' ') + "     ﾌｧｲﾙ数 :2");
    EXPECT_EQ(model_.DetailLine(), "　  一つ上のﾌｫﾙﾀﾞに移動(Enter)");
    settings_.op4 = "Y";  // long names
    settings_.op3 = "Y";  // upper case
    fs_.SetFolder("C:\\NC", {FakeFile("b.Nc", 7, 0), FakeFile("Program long name.nc", 5, 0)});
    Refresh();
    EXPECT_EQ(model_.Lines(),
              (Names{" ..              <DIR> 24-01-01 00:30", " B.NC", " PROGRAM LONG NAME.NC"}));
    EXPECT_EQ(FileNames(), (Names{"b.Nc", "Program long name.nc"})) << "the stores keep the case";
}

TEST_F(ListTest, KeepSelectionFindsTheSameFileAgainOrFallsBackToTheFirstLine) {
    Put("C:\\NC", {"SUB/", "B.NC", "C.NC"});
    Refresh();
    model_.Select(2);  // B.NC
    Put("C:\\NC", {"SUB/", "A.NC", "B.NC", "C.NC"});
    Refresh(true);
    EXPECT_EQ(model_.Selected(), 3) << "B.NC, one line further down";
    settings_.SortMuki = "U";
    Resort(true);
    EXPECT_EQ(model_.Selected(), 3) << "a re-sort keeps it too: C B A";
    EXPECT_EQ(fs_.ScanCount("C:\\NC"), 2) << "a re-sort reads nothing";
    Refresh(false);
    EXPECT_EQ(model_.Selected(), 0) << "without keepSelection";
    model_.Select(3);
    Put("C:\\NC", {"SUB/", "A.NC", "C.NC"});
    Refresh(true);
    EXPECT_EQ(model_.Selected(), 0) << "the selected file was deleted";
    model_.Select(1);
    Refresh(true);
    EXPECT_EQ(model_.Selected(), 0) << "a folder line is not kept";
}

TEST_F(ListTest, SearchingBusyAndTheFindPattern) {
    Put("C:\\NC", {"O1.NC", "O10.NC", "A01.NC", "o15.nc", "O1X.NC/", "OTHER/"});
    Names shown;
    model_.SetSearchingHandler([&] {
        shown = model_.Lines();
        shown.push_back(model_.HeaderLine().substr(67));
        shown.push_back(std::to_string(fs_.ScanCount("C:\\NC")) + " scans");
    });
    model_.SetSearchPattern("C:\\NC\\O1*.NC");
    model_.RefreshFileList(true, false, false);
    EXPECT_EQ(shown, (Names{" ﾌｧｲﾙ検索中!!", "     ﾌｧｲﾙ数 :????", "0 scans"}));
    EXPECT_FALSE(model_.Searching());
    EXPECT_EQ(FileNames(), (Names{"O1.NC", "O10.NC", "o15.nc"}));
    EXPECT_EQ(model_.DirCount(), 1) << "the pattern narrows the folders as well";
    model_.SetBusy(true);
    Refresh();
    EXPECT_EQ(fs_.ScanCount("C:\\NC"), 1) << "no full refresh while busy";
    model_.SetBusy(false);
    Refresh();
    EXPECT_EQ(model_.LineCount(), 7);
}

TEST_F(ListTest, EnterTogglesAMarkAndMovesDownAndEveryRebuildClearsTheMarks) {
    ListFiles(5);
    model_.Select(1);
    EXPECT_EQ(model_.Enter().action, EnterAction::MarkToggled);
    EXPECT_EQ(model_.Lines()[1], "*O0002   .NC        20 24-01-01 09:02" + std::string(24, ' '));
    EXPECT_EQ(model_.Selected(), 2);
    Mark({1, 4});  // unmarks line 1; line 4, the last, stays current
    EXPECT_EQ(model_.Lines()[1][0] + std::to_string(model_.Selected()), " 4");
    EXPECT_EQ(MarksShown(), Lines{4});
    model_.ClearMarks();  // End
    EXPECT_EQ(MarksShown(), Lines{});
    Mark({2});
    model_.SetMarkedSend(true);
    Resort();
    EXPECT_EQ(MarksShown(), Lines{});
    EXPECT_FALSE(model_.MarkedSend());
    Mark({2});
    settings_.DirPath = "C:\\GONE";  // a folder that cannot be read: its parent line only
    Refresh(true);
    EXPECT_EQ(model_.Lines(), (Names{" ..              <DIR> "}));
    EXPECT_EQ(model_.MarkCount(), 0) << "no mark may point at a line that is gone";
}

TEST_F(ListTest, AHundredAndFirstMarkIsRefusedSilentlyAndAFreedSlotIsReused) {
    ListFiles(120);
    Mark(Range(0, 100));
    EXPECT_EQ(MarksShown(), Range(0, 99));
    EXPECT_EQ(model_.Selected(), 101) << "the refused line still moves the selection";
    Mark({10, 110});
    EXPECT_EQ(model_.Marks()[10], 110) << "the first free slot";
    EXPECT_EQ(model_.MarkCount(), 100);
}

TEST_F(ListTest, CompactAndCollectKeepTheMarkingOrder) {
    ListFiles(10);
    Mark({7, 2, 5, 9, 2});  // the second 2 unmarks: a hole in slot 1
    model_.CompactMarks();
    EXPECT_EQ(Lines(model_.Marks().begin(), model_.Marks().begin() + 4), (Lines{7, 5, 9, -1}));
    EXPECT_EQ(model_.CollectMarkedFiles(), (Names{"O0008.NC", "O0006.NC", "O0010.NC"}));
    EXPECT_EQ(MarkedLines(), Lines{}) << "the mark column is reset";
    EXPECT_EQ(model_.MarkCount(), 3) << "the table stays for the command that walks it";
    model_.ClearMarkTable();
    EXPECT_EQ(UsedSlots(), Lines{});
}

TEST_F(ListTest, ARenamedFileLineIsRebuiltInPlaceWithItsMark) {
    fs_.SetFolder("C:", {FakeFile("abc.NC", 7, kMarch5), FakeFile("b.NC", 5, kMarch5)});
    settings_.DirPath = "C:";
    Refresh();
    Mark({0});
    model_.Select(0);
    model_.RenameFileLine(0, "Long name.nc");
    EXPECT_EQ(model_.Lines()[0], "*LONGNA~1.NC         7 24-03-05 14:07" + std::string(26, ' '));
    EXPECT_EQ(FileNames(), (Names{"Long name.nc", "b.NC"})) << "the order waits for a rebuild";
    EXPECT_EQ(model_.DetailLine(),
              "　　ﾌｧｲﾙ詳細 :Long name.nc  ｻｲｽﾞ :7ﾊﾞｲﾄ  日付 :2024-03-05 14:07:09");
    settings_.op4 = "Y";
    Refresh();
    model_.RenameFileLine(1, "B.nc");
    EXPECT_EQ(model_.Lines()[1], " B.nc");
    model_.RenameFileLine(-1, "X.NC");
    EXPECT_EQ(FileNames(), (Names{"abc.NC", "B.nc"})) << "no file line, no change";
}

TEST_F(ListTest, HomeMarksTheNextHundredLinesFromTheCurrentOne) {
    ListFiles(200);
    Mark({2, 150});
    model_.Select(4);
    model_.MarkFromCurrent();
    EXPECT_EQ(MarksShown(), Range(4, 103)) << "files 5..104, and nothing else shows a mark";
    settings_.DirPath = "C:\\NC";
    auto entries = NumberedFiles(120);
    entries.insert(entries.begin(), FakeFolder("SUB", 0));
    fs_.SetFolder("C:\\NC", entries);
    Refresh();
    model_.Select(0);
    model_.MarkFromCurrent();
    EXPECT_EQ(MarksShown(), Range(2, 99)) << "lines 0..99 visited; the first two are no files";
}

TEST_F(ListTest, ShiftClickMarksTheRangeFromTheLastClick) {
    const auto range = [&](int anchor, int clicked) {
        ListFiles(200);
        Mark({1, 120});  // marks the range rule must clear
        model_.Click(anchor);
        model_.ShiftClick(clicked);
        return MarksShown();
    };
    EXPECT_EQ(range(3, 8), Range(3, 8));
    EXPECT_EQ(range(8, 3), Range(3, 8));
    EXPECT_EQ(range(0, 150), Range(0, 99)) << "cut after 100";
    EXPECT_EQ(range(160, 10), Range(10, 109)) << "upwards: from the upper end";
    settings_.DirPath = "C:\\NC";
    Put("C:\\NC", {"SUB/", "A.NC", "B.NC"});
    Refresh();
    model_.Click(0);
    model_.ShiftClick(3);
    EXPECT_EQ(MarksShown(), Range(2, 3)) << "folder lines are skipped";
}

TEST_F(ListTest, PagingMovesByWholePagesAndTheDetailLineFollows) {
    ListFiles(50);
    model_.SetRowsPerColumn(10);  // two columns of ten: a page of 20 lines
    std::string seen;
    const auto press = [&](int from, const auto& key) {
        model_.Select(from);
        const int scroll = key();
        seen += std::to_string(scroll) + ">" + std::to_string(model_.Selected()) + " ";
        if (model_.DetailLine().find(model_.EntryOf(model_.Selected())->name) == std::string::npos)
            seen += "(detail not following) ";
    };
    const auto down = [&] { return model_.PageDown(); };  // the line to scroll into view
    for (const int from : {5, 20, 40})
        press(from, down);
    for (const int from : {49, 25, 5})
        press(from, [&] { return model_.PageUp(), -1; });
    press(33, [&] { return model_.MoveToTop(), -1; });
    press(3, [&] { return model_.MoveToBottom(), -1; });
    ListFiles(15);
    press(3, down);
    model_.SetRowsPerColumn(0);  // no height known: one row per column
    press(3, down);
    EXPECT_EQ(seen, "30>20 49>40 49>49 -1>20 -1>0 -1>0 -1>0 -1>49 -1>14 5>4 ");
}

TEST_F(ListTest, EnterOpensFoldersAndGoesUpAndLeavingDriveARestartsTheWatch) {
    Put("C:\\NC", {"SUB/", "A.NC"});
    Put("C:\\NC\\SUB", {"B.NC"});
    Put("C:", {"NC/"});
    Put("A:", {"A.NC"});
    std::string seen;  // where Enter on a line leads: the folder, its first and last lines
    for (const auto& [typed, line] : {std::pair{"C:\\NC", 1}, {"", 0}, {"", 0}, {"C:\\", 1}}) {
        if (*typed)
            settings_.DirPath = typed, Refresh();
        model_.Select(line);
        seen += model_.Enter().action == EnterAction::FolderChanged ? "" : "stays ";
        seen += settings_.DirPath + model_.Lines()[0].substr(0, 3) +
                model_.Lines().back().substr(0, 3) + "|";
    }
    EXPECT_EQ(seen, "C:\\NC\\SUB .. B |C:\\NC .. A |C: NC NC|C:\\NC .. A |")
        << "no \"..\" at a root; one backslash between a typed root and the name";
    seen = "";  // leaving drive A: asks for a new folder watch
    for (const char* dirPath : {"a:", "A:", "C:\\NC", "C:\\NC"}) {
        settings_.DirPath = dirPath;
        seen += model_.RefreshFileList(false, false, false).restartFolderWatch ? "restart " : "- ";
        seen += model_.LastDrive() + " ";
    }
    EXPECT_EQ(seen, "- A: - A: restart C: - C: ");
}

std::string B(std::size_t n) {
    return std::string(n, ' ');
}

ListLineStyle Style(int columns, bool allFiles = true, bool longNames = false, bool upper = false) {
    return {longNames, allFiles, columns, upper};
}

constexpr const char* kTime = "2024-03-05 14:07:09";

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

// Kanji and kana take two columns on the screen, so the pieces go to screen columns, not bytes.
TEST(ListLines, JapaneseShortNamesKeepTheColumns) {
    const struct {
        const char* why;
        ListLineStyle style;
        const char* longName;
        const char* shortName;
        std::string expected;
    } rows[] = {
        {"two kanji and a letter", Style(2), "加工A.NC", "加工A.NC",
         " 加工A   .NC        12 24-03-05 14:07" + B(24)},
        {"eight columns of kana", Style(2), "フォルダ.NC", "フォルダ.NC",
         " フォルダ.NC        12 24-03-05 14:07" + B(27)},
        {"half-width katakana, one column each", Style(3), "ﾃｽﾄ.NC", "ﾃｽﾄ.NC",
         " ﾃｽﾄ     .NC        12" + B(23)},
        {"a kanji extension", Style(2), "A.図面", "A~1.図",
         " A~1     .図        12 24-03-05 14:07" + B(22)},
        {"mask only", Style(2, false), "プログラム日本語名.NC", "プログ~1.NC",
         " プログ~1           12 24-03-05 14:07" + B(24)},
        {"five columns", Style(5), "治具A.NC", "治具A.NC", " 治具A   .NC" + B(33)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FileLine(row.style, row.longName, row.shortName, 12), row.expected) << row.why;
    }
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
    EXPECT_EQ(FormatHeaderLine(" Path=C:\\ﾃﾞｰﾀ\\*.*", 1, 0),
              " Path=C:\\ﾃﾞｰﾀ\\*.*" + B(50) + count + "1")
        << "half-width katakana one";
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
        {FormatFileSize, 1088, "1.063KB"},        // the half goes up, not to even
        {FormatFileSize, 1048575, "1023.999KB"},  // cut, not rounded up to a unit more
        {FormatFileSize, 1048576, "1.000MB"},
        {FormatFileSize, 4 * kGiB + 1536, "4096.001MB"},
        {FileInfoSizeText, 1000, "サイズ :　　1000ﾊﾞｲﾄ"},
        {FileInfoSizeText, 1048576, "サイズ :　　1024.000KB (1,048,576ﾊﾞｲﾄ)"},
        {FileInfoSizeText, 1048577, "サイズ :　　1.000MB (1,048,577ﾊﾞｲﾄ)"},
        {FileInfoSizeText, kGiB, "サイズ :　　1024.000MB (1,073,741,824ﾊﾞｲﾄ)"},
        {FileInfoSizeText, kGiB + 1, "サイズ :　　1.000GB (1,073,741,825ﾊﾞｲﾄ)"},
        {FileInfoSizeText, 4 * kGiB + 1536, "サイズ :　　4.000GB (4,294,968,832ﾊﾞｲﾄ)"},
        {FormatThousands, UINT64_MAX, "18,446,744,073,709,551,615"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.format(c.bytes), c.expected) << c.bytes;
}

using namespace std::string_literals;

TEST(ProgramLoader, AsksAboutANulAnywhereAndYesReadsLineByLine) {
    MappedDrives drives;
    // The lines of D:\P.NC holding bytes, "?" first when the format question came.
    const auto load = [&](const std::string& bytes, bool yes, const char* name = "P.NC") {
        drives.D().Write("P.NC", bytes);
        Names seen;
        const auto loaded =
            LoadFileIntoView(drives.Files(), "D:\\"s + name, [&](const std::string& q) {
                seen.push_back(q == std::string(kFormatQuestion) ? "?" : "wrong question");
                return yes;
            });
        if (!loaded.readable)
            seen.push_back("unreadable");
        for (const auto line : loaded.text.lines)
            seen.emplace_back(line);
        EXPECT_EQ(loaded.size, loaded.readable ? bytes.size() : 0u);
        return seen;
    };
    const std::string x1200(1200, 'X');
    EXPECT_EQ(load("%\r\nO1\r\n\r\nG01X1.\nM30", true), (Names{"%", "O1", "", "G01X1.", "M30"}));
    EXPECT_EQ(load(x1200 + "\r\n", true), Names{x1200}) << "a normal file keeps long lines whole";
    EXPECT_EQ(load("", true), Names{"?"});
    EXPECT_EQ(load("\0O1234\r\nG01X1\r\nM30\r\n"s, true), (Names{"?", "G01X1", "M30"}));
    EXPECT_EQ(load("O1\r\nG0\0X1\r\nM30\r\n"s, true), (Names{"?", "O1", "G0", "M30"}))
        << "a NUL in the middle asks too; the line ends at it";
    EXPECT_EQ(load("O1\r\nG0\0X1\r\nM30\r\n"s, false), Names{"?"}) << "never half a program";
    EXPECT_EQ(
        load("\0\n"s + x1200 + "\r\nM30\n", true),
        (Names{"?", std::string(499, 'X'), std::string(499, 'X'), std::string(202, 'X'), "M30"}))
        << "reads of at most 499 characters";
    EXPECT_EQ(load("\0\nA\n\nB\r\n\r\nC\rD"s, true), (Names{"?", "A", "B", "C", "D"}))
        << "empty lines dropped; LF, CR LF and a lone CR end a line";
    EXPECT_EQ(load("", true, "MISSING.NC"), (Names{"?", "unreadable"}))
        << "a file that cannot be read";
}

}  // namespace
}  // namespace kelvantori::test

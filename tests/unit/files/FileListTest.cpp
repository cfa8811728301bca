// The file list over an in-memory folder: filtering, sorting, the lines, the current line through
// refreshes, the moving keys and the marks.
#include "files/FileListModel.h"

#include <gtest/gtest.h>

#include "support/FileListScenario.h"

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
    Refresh();
    model_.Select(1);
    EXPECT_EQ(model_.Enter().action, EnterAction::FolderChanged);
    EXPECT_EQ(settings_.DirPath + " " + FileNames()[0], "C:\\NC\\SUB B.NC");
    model_.Enter();  // on ".."
    model_.Select(0);
    model_.Enter();
    EXPECT_EQ(settings_.DirPath + " " + model_.Lines()[0].substr(0, 3), "C:  NC") << "no \"..\"";
    settings_.DirPath = "C:\\";
    Refresh();
    model_.Select(1);
    model_.Enter();
    EXPECT_EQ(settings_.DirPath, "C:\\NC") << "one backslash between a typed root and the name";
    std::string seen;  // leaving drive A: asks for a new folder watch
    for (const char* dirPath : {"a:", "A:", "C:\\NC", "C:\\NC"}) {
        settings_.DirPath = dirPath;
        seen += model_.RefreshFileList(false, false, false).restartFolderWatch ? "restart " : "- ";
        seen += model_.LastDrive() + " ";
    }
    EXPECT_EQ(seen, "- A: - A: restart C: - C: ");
}

}  // namespace
}  // namespace kelvantori::test

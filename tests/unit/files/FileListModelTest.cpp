// Reading, filtering, sorting and building the file list.
#include "files/FileListModel.h"

#include <gtest/gtest.h>

#include "support/FileListScenario.h"

namespace kelvantori::test {
namespace {

using Names = std::vector<std::string>;

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

// 2024-03-05 14:07:09 in Japan.
const std::int64_t kMarch5 = Utc(2024, 3, 5, 5, 7, 9);

TEST_F(FileListTest, MaskComparedAsAWholeAndCaseIgnored) {
    fs_.SetFolder("C:\\NC", {FakeFile("A.NC", 1, kMarch5), FakeFile("b.Nc", 2, kMarch5),
                             FakeFile("C.TXT", 3, kMarch5), FakeFile("README", 4, kMarch5),
                             FakeFile("D.NCX", 5, kMarch5), FakeFile("O1.NC", 6, kMarch5)});
    struct Case {
        const char* behaviour;
        const char* mask;
        const char* allFiles;
        Names expected;
    };
    const Case cases[] = {
        {"*.nc lists A.NC and b.Nc", "*.nc", "N", {"A.NC", "b.Nc", "O1.NC"}},
        {"a mask with more than a star before the dot lists nothing", "O*.NC", "N", {}},
        {"AllFiles lists every file whatever the mask",
         "O*.NC",
         "Y",
         {"A.NC", "b.Nc", "C.TXT", "D.NCX", "O1.NC", "README"}},
        {"a lone star lists the names without extension", "*", "N", {"README"}},
        {"the extension must be whole", "*.N", "N", {}},
    };
    for (const auto& c : cases) {
        settings_.Mask = c.mask;
        settings_.AllFiles = c.allFiles;
        Refresh();
        EXPECT_EQ(FileNames(), c.expected) << c.behaviour;
        EXPECT_EQ(model_.LineCount(), 1 + static_cast<int>(c.expected.size())) << c.behaviour;
    }
}

TEST_F(FileListTest, FoldersAreNeverFilteredAndKeepScanOrder) {
    settings_.AllFiles = "N";
    settings_.Mask = "*.NC";
    fs_.SetFolder("C:\\NC", {FakeFolder("ZETA", kMarch5), FakeFile("B.NC", 1, kMarch5),
                             FakeFolder("alpha.txt", kMarch5), FakeFile("A.NC", 1, kMarch5),
                             FakeFolder("MID", kMarch5)});
    Refresh();
    ASSERT_EQ(model_.DirCount(), 3);
    ASSERT_EQ(model_.HasParentLine(), 1);
    EXPECT_EQ(model_.Folders()[0].name, "ZETA");
    EXPECT_EQ(model_.Folders()[1].name, "alpha.txt");
    EXPECT_EQ(model_.Folders()[2].name, "MID");
    EXPECT_EQ(FileNames(), (Names{"A.NC", "B.NC"}));
    EXPECT_EQ(model_.FirstFileLine(), 4);
    EXPECT_EQ(model_.Lines()[1].substr(0, 5), " ZETA");
    EXPECT_EQ(model_.Lines()[4].substr(0, 6), " A    ");
}

TEST_F(FileListTest, SortOrdersAndDirectionsWithSizesBeyond32Bits) {
    fs_.SetFolder("C:\\NC",
                  {FakeFile("SMALL.NC", 100, Utc(2024, 5, 1)),
                   FakeFile("FIVEGIB.NC", 5 * kGiB, Utc(2023, 1, 1)),
                   FakeFile("FOURGIB1.NC", 4 * kGiB + 1, Utc(2024, 6, 1)),
                   FakeFile("MAX32.NC", 4294967295ull, Utc(2022, 7, 1)),
                   FakeFile("a.nc", 1, Utc(2021, 1, 1)), FakeFile("TIE.NC", 100, Utc(2020, 1, 1))});
    struct Case {
        const char* behaviour;
        const char* fileSort;
        const char* direction;
        Names expected;
    };
    const Case cases[] = {
        {"name D: A to Z, small letter before capital",
         "N",
         "D",
         {"a.nc", "FIVEGIB.NC", "FOURGIB1.NC", "MAX32.NC", "SMALL.NC", "TIE.NC"}},
        {"name U: Z to A",
         "N",
         "U",
         {"TIE.NC", "SMALL.NC", "MAX32.NC", "FOURGIB1.NC", "FIVEGIB.NC", "a.nc"}},
        {"size D: the largest first, 4 GiB and more by their whole size",
         "S",
         "D",
         {"FIVEGIB.NC", "FOURGIB1.NC", "MAX32.NC", "SMALL.NC", "TIE.NC", "a.nc"}},
        {"size U: the smallest first",
         "S",
         "U",
         {"a.nc", "SMALL.NC", "TIE.NC", "MAX32.NC", "FOURGIB1.NC", "FIVEGIB.NC"}},
        {"time D: the oldest first",
         "T",
         "D",
         {"TIE.NC", "a.nc", "MAX32.NC", "FIVEGIB.NC", "SMALL.NC", "FOURGIB1.NC"}},
        {"time U: the newest first",
         "T",
         "U",
         {"FOURGIB1.NC", "SMALL.NC", "FIVEGIB.NC", "MAX32.NC", "a.nc", "TIE.NC"}},
        {"any direction but D is U",
         "S",
         "X",
         {"a.nc", "SMALL.NC", "TIE.NC", "MAX32.NC", "FOURGIB1.NC", "FIVEGIB.NC"}},
    };
    for (const auto& c : cases) {
        settings_.FileSort = c.fileSort;
        settings_.SortMuki = c.direction;
        Refresh();
        EXPECT_EQ(FileNames(), c.expected) << c.behaviour;
        // The lines follow the store.
        for (std::size_t k = 0; k < c.expected.size(); ++k) {
            EXPECT_EQ(model_.EntryOf(model_.FirstFileLine() + static_cast<int>(k))->name,
                      c.expected[k])
                << c.behaviour;
        }
    }
}

TEST_F(FileListTest, AnUnknownSortLetterKeepsThePreviousKey) {
    fs_.SetFolder("C:\\NC", {FakeFile("A.NC", 1, kMarch5), FakeFile("B.NC", 300, kMarch5),
                             FakeFile("C.NC", 20, kMarch5)});
    settings_.FileSort = "S";
    Refresh();
    EXPECT_EQ(FileNames(), (Names{"B.NC", "C.NC", "A.NC"}));
    settings_.FileSort = "Q";
    Resort();
    EXPECT_EQ(FileNames(), (Names{"B.NC", "C.NC", "A.NC"}));
    settings_.FileSort = "N";
    Resort();
    EXPECT_EQ(FileNames(), (Names{"A.NC", "B.NC", "C.NC"}));
}

TEST_F(FileListTest, LinesOfAFolderWithTimesInLocalTime) {
    fs_.SetFolder("C:\\NC", {FakeFolder("SUB", kMarch5), FakeFile("O1234.NC", 12345678, kMarch5),
                             FakeFile("BIG.NC", 4 * kGiB + 512, kMarch5)});
    fs_.SetStat("C:\\NC", FileStat{true, 0, Utc(2023, 12, 31, 15, 30, 0), {}});
    Refresh();
    const Names expected = {
        " ..              <DIR> 24-01-01 00:30",
        " SUB             <DIR> 24-03-05 14:07" + std::string(22, ' '),
        " BIG     .NC  ******** 24-03-05 14:07" + std::string(28, ' '),
        " O1234   .NC  12345678 24-03-05 14:07" + std::string(30, ' '),
    };
    EXPECT_EQ(model_.Lines(), expected);
    EXPECT_EQ(model_.HeaderLine(), " Path=C:\\NC\\*.*" + std::string(52, ' ') + "     ﾌｧｲﾙ数 :3");
}

TEST_F(FileListTest, LongNamesUpperCaseAndMissingShortNames) {
    auto noShort = FakeFile("Program long name.nc", 5, kMarch5);
    noShort.shortName.clear();
    fs_.SetFolder("C:\\NC", {FakeFile("b.Nc", 7, kMarch5, "B.NC"), noShort});
    Refresh();
    EXPECT_EQ(model_.Lines()[1], " B       .NC         7 24-03-05 14:07" + std::string(19, ' '));
    EXPECT_EQ(model_.Lines()[2], " Program long name.nc") << "no short name: the bare long name";

    settings_.op4 = "Y";
    settings_.op3 = "Y";
    Resort();
    EXPECT_EQ(model_.Lines(), (Names{" ..              <DIR> ", " B.NC", " PROGRAM LONG NAME.NC"}));
    EXPECT_EQ(FileNames(), (Names{"b.Nc", "Program long name.nc"})) << "the stores keep the case";
}

TEST_F(FileListTest, DriveRootHasNoParentLine) {
    settings_.DirPath = "C:";
    fs_.SetFolder("C:", {FakeFolder("NC", kMarch5), FakeFile("A.NC", 1, kMarch5)});
    Refresh();
    EXPECT_EQ(model_.HasParentLine(), 0);
    EXPECT_EQ(model_.DirCount(), 1);
    EXPECT_EQ(model_.FirstFileLine(), 1);
    EXPECT_EQ(model_.KindOf(0), LineKind::Folder);
    EXPECT_EQ(model_.KindOf(1), LineKind::File);
    EXPECT_EQ(model_.FileIndexOf(1), 0);
    EXPECT_EQ(model_.PathOf(1), "C:\\A.NC");
    EXPECT_EQ(model_.PathOf(0), "C:\\NC");
    EXPECT_EQ(model_.HeaderLine().substr(0, 12), " Path=C:\\*.*");
}

TEST_F(FileListTest, LineIndexMappingAndColours) {
    fs_.SetFolder("C:\\NC", {FakeFolder("S1", kMarch5), FakeFolder("S2", kMarch5),
                             FakeFile("A.NC", 1, kMarch5), FakeFile("B.NC", 1, kMarch5)});
    Refresh();
    struct Case {
        int line;
        LineKind kind;
        int fileIndex;
        int folderIndex;
        LineColour colour;
        const char* path;
    };
    const Case cases[] = {
        {0, LineKind::ParentFolder, -1, -1, kFolderLineColour, ""},
        {1, LineKind::Folder, -1, 0, kFolderLineColour, "C:\\NC\\S1"},
        {2, LineKind::Folder, -1, 1, kFolderLineColour, "C:\\NC\\S2"},
        {3, LineKind::File, 0, -1, kFileLineColour, "C:\\NC\\A.NC"},
        {4, LineKind::File, 1, -1, kFileLineColour, "C:\\NC\\B.NC"},
        {5, LineKind::None, -1, -1, kFileLineColour, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(model_.KindOf(c.line), c.kind) << "line " << c.line;
        EXPECT_EQ(model_.FileIndexOf(c.line), c.fileIndex) << "line " << c.line;
        EXPECT_EQ(model_.FolderIndexOf(c.line), c.folderIndex) << "line " << c.line;
        EXPECT_EQ(model_.ColourOf(c.line), c.colour) << "line " << c.line;
        EXPECT_EQ(model_.PathOf(c.line), c.path) << "line " << c.line;
    }
}

TEST_F(FileListTest, DetailLineOfEachKind) {
    fs_.SetFolder("C:\\NC", {FakeFolder("SUB", kMarch5), FakeFile("O1.NC", 1536, kMarch5),
                             FakeFile("BIG.NC", 5 * kGiB, 0)});
    Refresh();
    EXPECT_EQ(model_.Selected(), 0);
    EXPECT_EQ(model_.DetailLine(), "　  一つ上のﾌｫﾙﾀﾞに移動(Enter)");
    model_.Select(1);
    EXPECT_EQ(model_.DetailLine(), "　  ﾌｫﾙﾀﾞ詳細:<DIR>SUB  日付 :2024-03-05 14:07:09");
    model_.Select(3);
    EXPECT_EQ(model_.DetailLine(), "　　ﾌｧｲﾙ詳細 :O1.NC  ｻｲｽﾞ :1.500KB  日付 :2024-03-05 14:07:09");
    model_.Select(2);
    EXPECT_EQ(model_.DetailLine(), "　　ﾌｧｲﾙ詳細 :BIG.NC  ｻｲｽﾞ :5120.000MB  日付 :")
        << "a time that is not known is an empty text";
}

TEST_F(FileListTest, KeepSelectionSelectsTheSameFileAgain) {
    fs_.SetFolder("C:\\NC", NumberedFiles(5));
    Refresh();
    model_.Select(model_.FirstFileLine());
    Refresh(true);
    EXPECT_EQ(model_.Selected(), 1) << "the first file line stays selected";
    EXPECT_EQ(model_.RememberedName(), "O0001.NC");

    model_.Select(4);  // O0004.NC
    auto entries = NumberedFiles(5);
    entries.push_back(FakeFile("A.NC", 1, kMarch5));  // sorts before every O file
    fs_.SetFolder("C:\\NC", entries);
    Refresh(true);
    EXPECT_EQ(model_.Selected(), 5);
    EXPECT_EQ(model_.EntryOf(5)->name, "O0004.NC");

    settings_.SortMuki = "U";
    Resort(true);
    EXPECT_EQ(model_.EntryOf(model_.Selected())->name, "O0004.NC") << "a re-sort keeps it too";

    Refresh(false);
    EXPECT_EQ(model_.Selected(), 0) << "without keepSelection the first line";
}

TEST_F(FileListTest, KeepSelectionOnAFolderLineSelectsLineZero) {
    fs_.SetFolder("C:\\NC", {FakeFolder("SUB", kMarch5), FakeFile("A.NC", 1, kMarch5)});
    Refresh();
    model_.Select(1);
    Refresh(true);
    EXPECT_EQ(model_.RememberedName(), "");
    EXPECT_EQ(model_.Selected(), 0);
}

TEST_F(FileListTest, UnreadableFolderShowsOnlyTheParentLine) {
    settings_.DirPath = "C:\\NC";
    fs_.SetFolder("C:\\NC", {FakeFolder("SUB", kMarch5), FakeFile("A.NC", 1, kMarch5),
                             FakeFile("B.NC", 1, kMarch5)});
    Refresh();
    model_.Select(2);
    model_.Enter();
    ASSERT_EQ(model_.MarkCount(), 1);

    settings_.DirPath = "C:\\GONE";
    Refresh(true);
    EXPECT_EQ(model_.Lines(), (Names{" ..              <DIR> "}));
    EXPECT_EQ(model_.HeaderLine(), " Path=C:\\GONE\\*.*" + std::string(50, ' ') + "     ﾌｧｲﾙ数 :0");
    EXPECT_EQ(model_.DetailLine(), "");
    EXPECT_EQ(model_.Selected(), 0);
    EXPECT_EQ(model_.HasParentLine(), 1);
    EXPECT_EQ(model_.DirCount(), 0) << "no folder of the old listing is mapped any more";
    EXPECT_TRUE(model_.Files().empty());
    EXPECT_EQ(model_.MarkCount(), 0) << "no mark may point at a line that is gone";
    EXPECT_EQ(model_.CollectMarkedFiles(), Names{});
    EXPECT_EQ(model_.KindOf(0), LineKind::ParentFolder);

    settings_.DirPath = "D:";
    Refresh();
    EXPECT_EQ(model_.LineCount(), 0) << "a bare drive has no parent line";
    EXPECT_EQ(model_.Selected(), -1);
    EXPECT_EQ(model_.Enter().action, EnterAction::Nothing);
}

TEST_F(FileListTest, SearchingStateWhileTheFolderIsRead) {
    fs_.SetFolder("C:\\NC", NumberedFiles(3));
    int calls = 0;
    model_.SetSearchingHandler([&] {
        ++calls;
        EXPECT_TRUE(model_.Searching());
        EXPECT_EQ(model_.Lines(), (Names{" ﾌｧｲﾙ検索中!!"}));
        EXPECT_EQ(model_.HeaderLine(),
                  " Path=C:\\NC\\*.*" + std::string(52, ' ') + "     ﾌｧｲﾙ数 :????");
        EXPECT_EQ(model_.Selected(), -1);
        EXPECT_EQ(fs_.ScanCount("C:\\NC"), calls - 1) << "shown before the scan starts";
    });
    Refresh();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(model_.Searching());
    EXPECT_EQ(model_.LineCount(), 4);
    Resort();
    EXPECT_EQ(calls, 1) << "a re-sort reads nothing and shows no searching state";
}

TEST_F(FileListTest, FindPatternNarrowsTheListUntilTheNextPlainRefresh) {
    fs_.SetFolder("C:\\NC", {FakeFile("O1.NC", 1, kMarch5), FakeFile("O10.NC", 1, kMarch5),
                             FakeFile("O123.NC", 1, kMarch5), FakeFile("A01.NC", 1, kMarch5),
                             FakeFile("o15.nc", 1, kMarch5), FakeFolder("O1X.NC", kMarch5),
                             FakeFolder("OTHER", kMarch5)});
    model_.SetSearchPattern("C:\\NC\\O1*.NC");
    model_.RefreshFileList(true, false, false);
    EXPECT_EQ(FileNames(), (Names{"O1.NC", "O10.NC", "O123.NC", "o15.nc"}));
    EXPECT_EQ(model_.DirCount(), 1) << "the pattern narrows the folders as well";
    EXPECT_EQ(model_.SearchPattern(), "C:\\NC\\O1*.NC");

    Refresh();
    EXPECT_EQ(model_.SearchPattern(), "C:\\NC\\*.*");
    EXPECT_EQ(model_.Files().size(), 5u);
    EXPECT_EQ(model_.DirCount(), 2);
}

TEST_F(FileListTest, LeavingDriveAAsksForANewFolderWatch) {
    fs_.SetFolder("A:", NumberedFiles(1));
    fs_.SetFolder("C:\\NC", NumberedFiles(1));
    struct Case {
        const char* dirPath;
        bool restart;
        const char* lastDrive;
    };
    const Case cases[] = {
        {"C:\\NC", false, "C:"}, {"a:", false, "A:"},     {"A:", false, "A:"},
        {"C:\\NC", true, "C:"},  {"C:\\NC", false, "C:"},
    };
    for (const auto& c : cases) {
        settings_.DirPath = c.dirPath;
        EXPECT_EQ(model_.RefreshFileList(false, false, false).restartFolderWatch, c.restart)
            << c.dirPath;
        EXPECT_EQ(model_.LastDrive(), c.lastDrive) << c.dirPath;
    }
}

TEST_F(FileListTest, BusySuppressesFullRefreshesButNotResorts) {
    fs_.SetFolder("C:\\NC", NumberedFiles(3));
    Refresh();
    fs_.SetFolder("C:\\NC", NumberedFiles(6));
    model_.SetBusy(true);
    Refresh();
    EXPECT_EQ(fs_.ScanCount("C:\\NC"), 1);
    EXPECT_EQ(model_.LineCount(), 4);
    settings_.SortMuki = "U";
    Resort();
    EXPECT_EQ(FileNames(), (Names{"O0003.NC", "O0002.NC", "O0001.NC"}));
    model_.SetBusy(false);
    Refresh();
    EXPECT_EQ(model_.LineCount(), 7);
}

TEST_F(FileListTest, EveryRebuildClearsTheMarks) {
    fs_.SetFolder("C:\\NC", NumberedFiles(4));
    Refresh();
    model_.Select(1);
    model_.Enter();
    model_.SetMarkedSend(true);
    Resort();
    EXPECT_EQ(model_.MarkCount(), 0);
    EXPECT_TRUE(MarkedLines().empty());
    EXPECT_TRUE(UsedSlots().empty());
    EXPECT_FALSE(model_.MarkedSend());
}

}  // namespace
}  // namespace kelvantori::test

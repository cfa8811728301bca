// The keys that move the current line and the marks of the file list.
#include <gtest/gtest.h>

#include "files/FileListModel.h"
#include "support/FileListScenario.h"

namespace kelvantori::test {
namespace {

using Lines = std::vector<int>;
using Names = std::vector<std::string>;

Lines Range(int first, int last) {
    Lines lines;
    for (int i = first; i <= last; ++i)
        lines.push_back(i);
    return lines;
}

// A drive root: no ".." line, so line k is file k + 1.
class MarksTest : public FileListTest {
  protected:
    void ListFiles(int count) {
        settings_.DirPath = "C:";
        fs_.SetFolder("C:", NumberedFiles(count));
        Refresh();
    }
};

TEST_F(MarksTest, EnterTogglesAndMovesDown) {
    ListFiles(5);
    model_.Select(1);
    const std::string before = model_.Lines()[1];
    EXPECT_EQ(model_.Enter().action, EnterAction::MarkToggled);
    EXPECT_EQ(model_.Lines()[1], "*" + before.substr(1)) << "only the mark column changes";
    EXPECT_EQ(model_.Selected(), 2);
    EXPECT_EQ(model_.LastClickedIndex(), 2);
    EXPECT_EQ(model_.MarkCount(), 1);

    model_.Select(1);
    model_.Enter();
    EXPECT_EQ(model_.Lines()[1][0], ' ');
    EXPECT_EQ(model_.MarkCount(), 0);
    EXPECT_TRUE(UsedSlots().empty());

    model_.Select(4);
    model_.Enter();
    EXPECT_EQ(model_.Selected(), 4) << "the last line stays current";
    EXPECT_EQ(MarkedLines(), Lines{4});
}

TEST_F(MarksTest, AHundredAndFirstMarkIsRefusedSilently) {
    ListFiles(120);
    model_.Select(0);
    for (int i = 0; i < 100; ++i)
        model_.Enter();
    ASSERT_EQ(model_.MarkCount(), 100);
    EXPECT_EQ(model_.Selected(), 100);
    model_.Enter();
    EXPECT_EQ(model_.MarkCount(), 100);
    EXPECT_FALSE(model_.IsMarked(100));
    EXPECT_EQ(model_.Selected(), 101) << "the refused line still moves the selection";
    EXPECT_EQ(UsedSlots(), Range(0, 99));

    // Unmarking one frees its slot; the next mark takes that first free slot.
    model_.Select(10);
    model_.Enter();
    EXPECT_EQ(model_.MarkCount(), 99);
    EXPECT_EQ(model_.Marks()[10], -1);
    model_.Select(110);
    model_.Enter();
    EXPECT_EQ(model_.Marks()[10], 110);
    EXPECT_EQ(model_.MarkCount(), 100);
}

TEST_F(MarksTest, CompactAndCollectInMarkingOrder) {
    ListFiles(10);
    for (const int line : {7, 2, 5, 9}) {
        model_.Select(line);
        model_.Enter();
    }
    model_.Select(2);
    model_.Enter();  // unmarks line 2: a hole in slot 1
    EXPECT_EQ(model_.Marks()[1], -1);
    model_.CompactMarks();
    EXPECT_EQ(model_.Marks()[0], 7);
    EXPECT_EQ(model_.Marks()[1], 5);
    EXPECT_EQ(model_.Marks()[2], 9);
    EXPECT_EQ(model_.Marks()[3], -1);
    EXPECT_EQ(model_.Marks().size(), static_cast<std::size_t>(FileListModel::MaxMarks));

    EXPECT_EQ(model_.CollectMarkedFiles(), (Names{"O0008.NC", "O0006.NC", "O0010.NC"}));
    EXPECT_TRUE(MarkedLines().empty()) << "the mark column is reset";
    EXPECT_EQ(model_.MarkCount(), 3) << "the table stays for the command that walks it";
    model_.ClearMarkTable();
    EXPECT_EQ(model_.MarkCount(), 0);
    EXPECT_TRUE(UsedSlots().empty());
}

TEST_F(MarksTest, EndRemovesEveryMark) {
    ListFiles(10);
    for (const int line : {1, 3, 8}) {
        model_.Select(line);
        model_.Enter();
    }
    model_.ClearMarks();
    EXPECT_TRUE(MarkedLines().empty());
    EXPECT_EQ(model_.MarkCount(), 0);
    EXPECT_TRUE(UsedSlots().empty());
}

TEST_F(MarksTest, HomeOnLineZeroOfThirtyFiles) {
    ListFiles(30);
    model_.Select(0);
    model_.MarkFromCurrent();
    EXPECT_EQ(MarkedLines(), Range(0, 29));
    EXPECT_EQ(UsedSlots(), Range(0, 29));
    EXPECT_EQ(model_.MarkCount(), 30);
}

TEST_F(MarksTest, HomeOnFileFiveOfTwoHundred) {
    ListFiles(200);
    model_.Select(2);
    model_.Enter();  // a mark above the range
    model_.Select(150);
    model_.Enter();    // a mark below the range
    model_.Select(4);  // file 5
    model_.MarkFromCurrent();
    EXPECT_EQ(MarkedLines(), Range(4, 103)) << "files 5..104, and nothing else shows a mark";
    EXPECT_EQ(UsedSlots(), Range(4, 103));
    EXPECT_EQ(model_.MarkCount(), 100);
    EXPECT_EQ(model_.CollectMarkedFiles().front(), "O0005.NC");
}

TEST_F(MarksTest, HomeCountsTheFolderLinesItVisits) {
    settings_.DirPath = "C:\\NC";
    auto entries = NumberedFiles(120);
    entries.insert(entries.begin(), FakeFolder("SUB", 0));
    fs_.SetFolder("C:\\NC", entries);
    Refresh();
    model_.Select(0);
    model_.MarkFromCurrent();
    EXPECT_EQ(MarkedLines(), Range(2, 99)) << "lines 0..99 visited; the first two are no files";
    EXPECT_EQ(model_.MarkCount(), 98);
}

TEST_F(MarksTest, ShiftClickMarksARange) {
    struct Case {
        const char* behaviour;
        int anchor;
        int clicked;
        Lines expected;
    };
    const Case cases[] = {
        {"downwards", 3, 8, Range(3, 8)},
        {"upwards", 8, 3, Range(3, 8)},
        {"one line", 5, 5, Lines{5}},
        {"longer than 100 lines: cut after 100", 0, 150, Range(0, 99)},
        {"longer than 100 lines upwards: from the upper end", 160, 10, Range(10, 109)},
    };
    for (const auto& c : cases) {
        ListFiles(200);
        for (const int line : {1, 120}) {  // marks that the range rule must clear
            model_.Select(line);
            model_.Enter();
        }
        model_.Click(c.anchor);
        model_.ShiftClick(c.clicked);
        EXPECT_EQ(MarkedLines(), c.expected) << c.behaviour;
        EXPECT_EQ(UsedSlots(), c.expected) << c.behaviour;
        EXPECT_EQ(model_.MarkCount(), static_cast<int>(c.expected.size())) << c.behaviour;
    }
}

TEST_F(MarksTest, ShiftClickSkipsFolderLinesAndSurvivesAShorterList) {
    settings_.DirPath = "C:\\NC";
    auto entries = NumberedFiles(6);
    entries.insert(entries.begin(), FakeFolder("SUB", 0));
    fs_.SetFolder("C:\\NC", entries);
    Refresh();
    model_.Click(0);
    model_.ShiftClick(4);
    EXPECT_EQ(MarkedLines(), Range(2, 4));

    model_.Click(7);
    fs_.SetFolder("C:\\NC", NumberedFiles(2));
    Refresh();  // three lines now; the remembered line 7 is past the end
    model_.ShiftClick(1);
    EXPECT_EQ(MarkedLines(), Range(1, 2));
}

TEST_F(MarksTest, MovingKeysPageByWholePages) {
    ListFiles(50);
    model_.SetRowsPerColumn(10);  // two columns of ten: a page of 20 lines
    enum class Key { PageDown, PageUp, Top, Bottom };
    struct Step {
        const char* behaviour;
        Key key;
        int from;
        int selected;
        int scroll;  // what Page Down asks the window to bring into view
    };
    const Step steps[] = {
        {"down from the first page", Key::PageDown, 0, 20, 30},
        {"down from inside the first page", Key::PageDown, 5, 20, 30},
        {"down to the last page", Key::PageDown, 20, 40, 49},
        {"down on the last page keeps a current line", Key::PageDown, 40, 49, 49},
        {"up from the last page", Key::PageUp, 49, 20, -1},
        {"up from the second page", Key::PageUp, 25, 0, -1},
        {"up on the first page", Key::PageUp, 5, 0, -1},
        {"T: the first line", Key::Top, 33, 0, -1},
        {"Z: the last line", Key::Bottom, 3, 49, -1},
    };
    for (const auto& s : steps) {
        model_.Select(s.from);
        int scroll = -1;
        switch (s.key) {
            case Key::PageDown:
                scroll = model_.PageDown();
                break;
            case Key::PageUp:
                model_.PageUp();
                break;
            case Key::Top:
                model_.MoveToTop();
                break;
            case Key::Bottom:
                model_.MoveToBottom();
                break;
        }
        EXPECT_EQ(model_.Selected(), s.selected) << s.behaviour;
        EXPECT_EQ(scroll, s.scroll) << s.behaviour;
        EXPECT_NE(model_.DetailLine().find(model_.EntryOf(s.selected)->name), std::string::npos)
            << s.behaviour << ": the detail line follows";
    }
}

TEST_F(MarksTest, PagingInAListShorterThanAPage) {
    ListFiles(15);
    model_.SetRowsPerColumn(10);
    model_.Select(3);
    EXPECT_EQ(model_.PageDown(), -1);
    EXPECT_EQ(model_.Selected(), 14) << "the last line";
    model_.PageUp();
    EXPECT_EQ(model_.Selected(), 0);
}

TEST_F(MarksTest, PagingBeforeTheWindowToldItsHeight) {
    ListFiles(15);
    model_.Select(3);
    model_.PageDown();  // no rows known: a page is one row per column
    EXPECT_EQ(model_.Selected(), 4);
}

TEST_F(FileListTest, EnterOpensFoldersAndGoesUp) {
    settings_.DirPath = "C:\\NC";
    fs_.SetFolder("C:\\NC", {FakeFolder("SUB", 0), FakeFile("A.NC", 1, 0)});
    fs_.SetFolder("C:\\NC\\SUB", {FakeFile("B.NC", 1, 0)});
    fs_.SetFolder("C:", {FakeFolder("NC", 0)});
    Refresh();

    model_.Select(1);
    EXPECT_EQ(model_.Enter().action, EnterAction::FolderChanged);
    EXPECT_EQ(settings_.DirPath, "C:\\NC\\SUB");
    EXPECT_EQ(FileNames(), Names{"B.NC"});
    EXPECT_EQ(model_.Selected(), 0);

    EXPECT_EQ(model_.Enter().action, EnterAction::FolderChanged);  // on ".."
    EXPECT_EQ(settings_.DirPath, "C:\\NC");
    model_.Select(0);
    model_.Enter();
    EXPECT_EQ(settings_.DirPath, "C:");
    EXPECT_EQ(model_.HasParentLine(), 0);
    EXPECT_EQ(model_.KindOf(0), LineKind::Folder);
}

TEST_F(FileListTest, EnterIntoAFolderOfARootTypedWithItsBackslash) {
    settings_.DirPath = "C:\\";
    fs_.SetFolder("C:", {FakeFolder("NC", 0)});
    fs_.SetFolder("C:\\NC", {FakeFile("A.NC", 1, 0)});
    Refresh();
    model_.Select(1);
    model_.Enter();
    EXPECT_EQ(settings_.DirPath, "C:\\NC") << "one backslash between folder and name";
}

}  // namespace
}  // namespace kelvantori::test

// The history rule of the folder, find and name lists, and their file format.
#include "core/HistoryList.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace kelvantori {
namespace {

using Entries = std::vector<std::string>;

// "Ffrom".."Fto".
Entries Numbered(int from, int to) {
    Entries entries;
    for (int i = from; i <= to; ++i)
        entries.push_back("F" + std::to_string(i));
    return entries;
}

Entries Numbered(int n) {
    return Numbered(1, n);
}

Entries Concat(Entries a, const Entries& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct AddCase {
    const char* name;
    Entries before;
    const char* entry;
    Entries after;
};

// Row names keep the test list readable.
void PrintTo(const AddCase& c, std::ostream* os) {
    *os << c.name;
}

class HistoryAdd : public ::testing::TestWithParam<AddCase> {};

TEST_P(HistoryAdd, PutsTheEntryInFront) {
    auto entries = GetParam().before;
    AddToHistory(entries, GetParam().entry);
    EXPECT_EQ(entries, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, HistoryAdd,
    ::testing::Values(
        AddCase{"IntoEmptyList", {}, "C:\\NC", {"C:\\NC"}},
        AddCase{"NewEntry", {"D:\\A", "D:\\B"}, "C:\\NC", {"C:\\NC", "D:\\A", "D:\\B"}},
        AddCase{"SameEntryTwiceStandsOnceInFront", {"C:\\NC"}, "C:\\NC", {"C:\\NC"}},
        AddCase{"ListedEntryMovesToTheFront",
                {"D:\\A", "C:\\NC", "D:\\B"},
                "C:\\NC",
                {"C:\\NC", "D:\\A", "D:\\B"}},
        AddCase{"OnlyTheFirstLaterDuplicateGoes", {"O1", "X", "O1"}, "O1", {"O1", "X", "O1"}},
        AddCase{"ComparisonIsCaseSensitive", {"c:\\nc"}, "C:\\NC", {"C:\\NC", "c:\\nc"}},
        AddCase{"ComparisonIsExactAboutBlanks", {"O1 "}, "O1", {"O1", "O1 "}},
        AddCase{"TwentyFirstEntryFallsOff", Numbered(20), "NEW", Concat({"NEW"}, Numbered(19))},
        AddCase{"ListedEntryInAFullListDropsNothingElse", Numbered(20), "F20",
                Concat({"F20"}, Numbered(19))},
        AddCase{"LongHandEditedListIsCutToTwenty", Numbered(25), "F3",
                Concat({"F3", "F1", "F2"}, Numbered(4, 20))},
        AddCase{"JapaneseFolder", {"D:\\工具"}, "D:\\表", {"D:\\表", "D:\\工具"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryList, NeverHoldsMoreThanTwenty) {
    Entries entries;
    for (int i = 0; i < 50; ++i) {
        AddToHistory(entries, "O" + std::to_string(i % 30));
        ASSERT_LE(entries.size(), kHistoryLimit);
    }
    EXPECT_EQ(entries.front(), "O19");
    EXPECT_EQ(entries.size(), 20u);
}

struct ParseCase {
    const char* name;
    std::string bytes;
    Entries entries;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class HistoryParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(HistoryParse, ReadsTheLines) {
    EXPECT_EQ(ParseHistoryList(GetParam().bytes), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HistoryParse,
    ::testing::Values(
        ParseCase{"CrLf", "C:\\NC\r\nD:\\OUT\r\n", {"C:\\NC", "D:\\OUT"}},
        ParseCase{"Lf", "C:\\NC\nD:\\OUT\n", {"C:\\NC", "D:\\OUT"}},
        ParseCase{"LastLineWithoutLineEnd", "C:\\NC\r\nD:\\OUT", {"C:\\NC", "D:\\OUT"}},
        ParseCase{
            "BlankLinesDropped", "\r\nC:\\NC\r\n\r\n   \r\nD:\\OUT\r\n\r\n", {"C:\\NC", "D:\\OUT"}},
        ParseCase{"BlanksInsideAnEntryKept", " O1 \r\nD:\\NC DATA\r\n", {" O1 ", "D:\\NC DATA"}},
        ParseCase{"Cp932Decoded",
                  "D:\\\x8D\x48\x8B\xEF\\\x95\x5C\r\n\xCC\xA7\xB2\xD9\r\n",
                  {"D:\\工具\\表", "ﾌｧｲﾙ"}},
        ParseCase{"EmptyFile", "", {}},
        ParseCase{"MoreThanTwentyKept",
                  "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n"
                  "17\n18\n19\n20\n21\n",
                  {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11",
                   "12", "13", "14", "15", "16", "17", "18", "19", "20", "21"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryList, WritesCp932LinesEachWithCrLf) {
    EXPECT_EQ(SerializeHistoryList({"D:\\工具\\表", "C:\\NC", "O1*"}),
              "D:\\\x8D\x48\x8B\xEF\\\x95\x5C\r\nC:\\NC\r\nO1*\r\n");
    EXPECT_EQ(SerializeHistoryList({}), "");
}

TEST(HistoryList, EntriesThatWouldNameSomethingElseAreLeftOut) {
    EXPECT_EQ(SerializeHistoryList({"C:\\€", "D:\\¥NC", "D:\\A", "", "  ", "X\r\nY", "E:\\〜"}),
              "D:\\A\r\n");
}

TEST(HistoryList, FileRoundTripKeepsOrderAndText) {
    Entries entries;
    for (int i = 0; i < 20; ++i)
        AddToHistory(entries, "D:\\ＮＣ\\" + std::to_string(i));
    EXPECT_EQ(ParseHistoryList(SerializeHistoryList(entries)), entries);
}

}  // namespace
}  // namespace kelvantori

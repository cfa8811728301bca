#include "core/JoinFiles.h"

#include <gtest/gtest.h>

#include "support/FileSections.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

class JoinGoldenTest : public testing::TestWithParam<const char*> {};

TEST_P(JoinGoldenTest, PutsTheTextsOneAfterTheOtherUnchanged) {
    const std::string name = GetParam();
    const auto inputs = test::ParseFileSections(test::ReadFixture("join/" + name + ".input"));
    const std::string expected = test::ReadFixture("join/" + name + ".expected");
    StringByteSink sink;
    CrLfWriter out(sink, 4);
    for (const auto& [file, bytes] : inputs) {
        MemoryByteReader reader(bytes);
        StreamLineSource lines(reader, 16);
        ASSERT_TRUE(AppendProgramLines(lines, out)) << file;
    }
    ASSERT_TRUE(out.Flush());
    EXPECT_EQ(sink.Bytes(), expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, JoinGoldenTest,
                         testing::Values("two_programs", "mixed_line_ends", "blank_lines_kept",
                                         "order_as_given", "empty_file_between"));

struct TargetCase {
    const char* typed;
    const char* mask;
    const char* target;
};

TEST(JoinFilesTest, TargetNameGetsTheExtensionUnlessItHoldsIt) {
    const TargetCase rows[] = {
        {"ALL", "*.NC", "ALL.NC"},
        {"ALL.NC", "*.NC", "ALL.NC"},
        {"ALL.nc", "*.NC", "ALL.nc.NC"},   // the test is case-sensitive
        {"A.NC.BAK", "*.NC", "A.NC.BAK"},  // anywhere in the name
        {"ALL", "*", "ALL"},
        {"ALL", "*.txt", "ALL.txt"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(JoinTargetName(row.typed, row.mask), row.target) << row.typed << " " << row.mask;
    }
}

TEST(JoinFilesTest, OverwriteQuestionJoinsItsPartsWithoutSeparators) {
    EXPECT_EQ(JoinOverwriteQuestion("C:\\NC\\ALL.NC"),
              "すでにC:\\NC\\ALL.NCが有ります。\n上書きしますか？");
}

TEST(JoinFilesTest, TargetNamedAfterASourceIsRecognisedExactly) {
    const std::vector<std::string> sources{"A.NC", "B.NC"};
    EXPECT_TRUE(IsJoinSource("B.NC", sources));
    EXPECT_FALSE(IsJoinSource("b.NC", sources));
    EXPECT_FALSE(IsJoinSource("C.NC", sources));
}

}  // namespace
}  // namespace kelvantori

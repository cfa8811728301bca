#include "core/SplitPrograms.h"

#include <gtest/gtest.h>

#include <map>

#include "support/FileSections.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::FormatFileSections;

// Keeps the files the split writes, as a folder would: a file replaces one of the same name
// when it is finished; a file never finished leaves nothing.
class FolderSink : public SplitSink {
  public:
    bool Create(const SplitOutputFile& file) override {
        if (file.number == failAtCreate)
            return false;
        current_ = file.name;
        bytes_.clear();
        startLines.emplace_back(file.startLine);
        return true;
    }
    bool Write(std::string_view bytes) override {
        if (refuseWrites)
            return false;
        bytes_.append(bytes);
        return true;
    }
    bool Finish() override {
        files[current_] = bytes_;
        return true;
    }

    std::map<std::string, std::string> files;
    std::vector<std::string> startLines;
    std::size_t failAtCreate = 0;
    bool refuseWrites = false;

  private:
    std::string current_;
    std::string bytes_;
};

SplitResult SplitBytes(std::string_view bytes, const SplitRequest& request, FolderSink& sink) {
    return SplitProgramText(SplitProgramLines(bytes), request, sink);
}

struct GoldenCase {
    const char* name;
    SplitOptions options;
    const char* mask;
};
void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitGoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(SplitGoldenTest, WritesExactlyTheExpectedFiles) {
    const auto& c = GetParam();
    const std::string input = test::ReadFixture(std::string("split/") + c.name + ".input");
    const auto expected = test::ToFileMap(
        test::ParseFileSections(test::ReadFixture(std::string("split/") + c.name + ".expected")));

    // Streamed from the bytes in small pieces, as a large file is read.
    MemoryByteReader planBytes(input);
    StreamLineSource planLines(planBytes, 16);
    const SplitRequest request{c.options, c.mask};
    ASSERT_EQ(PlanSplit(planLines, request).status, SplitStatus::Done);

    MemoryByteReader bytes(input);
    StreamLineSource lines(bytes, 16);
    FolderSink sink;
    const SplitResult result = WriteSplit(lines, request, sink);
    EXPECT_EQ(result.status, SplitStatus::Done);
    EXPECT_EQ(FormatFileSections(sink.files), FormatFileSections(expected));

    // The file view (lines in memory) gives the same files.
    FolderSink viewSink;
    EXPECT_EQ(SplitBytes(input, request, viewSink).status, SplitStatus::Done);
    EXPECT_EQ(viewSink.files, sink.files);
}

constexpr SplitOptions kNone{};
constexpr SplitOptions kFrontBack{true, true, false};
constexpr SplitOptions kFront{true, false, false};
constexpr SplitOptions kBack{false, true, false};
constexpr SplitOptions kNumbered{false, false, true};
constexpr SplitOptions kAll{true, true, true};

INSTANTIATE_TEST_SUITE_P(Fixtures, SplitGoldenTest,
                         testing::Values(GoldenCase{"basic", kNone, "*.NC"},
                                         GoldenCase{"basic_percent", kFrontBack, "*.NC"},
                                         GoldenCase{"basic_numbered", kNumbered, "*.NC"},
                                         GoldenCase{"colon_and_l", kNone, "*.NC"},
                                         GoldenCase{"header_front", kFront, "*.NC"},
                                         GoldenCase{"comment_name", kNone, "*.NC"},
                                         GoldenCase{"not_program_starts", kNone, "*.NC"},
                                         GoldenCase{"same_name", kNone, "*.NC"},
                                         GoldenCase{"lf_only", kNone, "*.NC"},
                                         GoldenCase{"cr_only", kNone, "*.NC"},
                                         GoldenCase{"no_final_line_end", kNone, "*.NC"},
                                         GoldenCase{"blank_and_percent_lines", kBack, "*.NC"},
                                         GoldenCase{"mask_lower_extension", kNone, "*.nc"},
                                         GoldenCase{"all_options_with_header", kAll, "*.NC"},
                                         GoldenCase{"shift_jis_name", kNone, "*.NC"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SplitProgramsTest, FileWithoutProgramWritesNothingAndSaysSo) {
    FolderSink sink;
    const SplitRequest request{kAll, "*.NC"};
    const SplitResult result =
        SplitBytes("%\r\n(NO PROGRAM)\r\nN10 O5\r\no100\r\n%\r\n", request, sink);
    EXPECT_EQ(result.status, SplitStatus::NoProgram);
    EXPECT_TRUE(sink.files.empty());
    const ToolReport report = SplitReport(result, request);
    EXPECT_EQ(report, (ToolReport{ReportIcon::Warning, "中止",
                                  "プログラム番号が見つかりませんでした。。"}));
}

TEST(SplitProgramsTest, DoneReportIsTheProgramsText) {
    FolderSink sink;
    const SplitRequest request;
    const SplitResult result = SplitBytes("O1\r\nO2\r\n", request, sink);
    ASSERT_EQ(result.status, SplitStatus::Done);
    EXPECT_EQ(result.filesWritten, 2u);
    EXPECT_EQ(SplitReport(result, request),
              (ToolReport{ReportIcon::Information, "完了", "Ｏ番号毎に分割完了しました。"}));
    EXPECT_EQ(sink.startLines, (std::vector<std::string>{"O1", "O2"}));
}

TEST(SplitProgramsTest, RunningNumberHasAtLeastThreeDigits) {
    std::string input;
    for (int i = 1; i <= 1000; ++i)
        input += "O" + std::to_string(i) + "\r\n";
    FolderSink sink;
    ASSERT_EQ(SplitBytes(input, {kNumbered, "*.NC"}, sink).status, SplitStatus::Done);
    EXPECT_EQ(sink.files.count("O1_001.NC"), 1u);
    EXPECT_EQ(sink.files.count("O99_099.NC"), 1u);
    EXPECT_EQ(sink.files.count("O1000_1000.NC"), 1u);
    EXPECT_EQ(sink.files.size(), 1000u);
}

struct BadNameCase {
    const char* name;
    std::string startLine;
    NameProblem problem;
};
void PrintTo(const BadNameCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitBadNameTest : public testing::TestWithParam<BadNameCase> {};

// A program name that cannot be a file of the target folder stops the split before any file is
// written: a "/" or "\" would reach into another folder.
TEST_P(SplitBadNameTest, RefusesBeforeWritingAnything) {
    const auto& c = GetParam();
    const std::string input = "O0001\r\nM30\r\n" + c.startLine + "\r\nM30\r\n";
    FolderSink sink;
    const SplitRequest request;
    const SplitResult result = SplitBytes(input, request, sink);
    EXPECT_EQ(result.status, SplitStatus::UnusableName);
    EXPECT_EQ(result.fault.check.problem, c.problem);
    EXPECT_EQ(result.fault.lineNumber, 3u);
    EXPECT_TRUE(sink.files.empty());
    EXPECT_TRUE(sink.startLines.empty());
    const ToolReport report = SplitReport(result, request);
    EXPECT_EQ(report.title, "中止");
    EXPECT_NE(report.text.find("3行目"), std::string::npos) << report.text;
    EXPECT_NE(report.text.find("ファイルは作成していません。"), std::string::npos) << report.text;
}

INSTANTIATE_TEST_SUITE_P(
    Names, SplitBadNameTest,
    testing::Values(BadNameCase{"Slash", "O12/3", NameProblem::ForbiddenCharacter},
                    BadNameCase{"ParentFolder", "O../../etc/x", NameProblem::ForbiddenCharacter},
                    BadNameCase{"Backslash", "O12\\3", NameProblem::ForbiddenCharacter},
                    BadNameCase{"Star", "O1*", NameProblem::ForbiddenCharacter},
                    BadNameCase{"Quote", "O1\"2", NameProblem::ForbiddenCharacter},
                    BadNameCase{"Tab", "O1\t2", NameProblem::ControlCharacter},
                    BadNameCase{"PrinterDevice", "LPT1 (PRINT)", NameProblem::ReservedName},
                    BadNameCase{"TooLong", "O" + std::string(300, '1'), NameProblem::TooLong},
                    BadNameCase{"BrokenShiftJis", "O1\x83", NameProblem::NotText}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitProgramsTest, MaskWithoutUsableExtensionWritesNothing) {
    for (const char* mask : {"*.*", "O*.NC", "*.", "*NC"}) {
        FolderSink sink;
        const SplitRequest request{kNone, mask};
        const SplitResult result = SplitBytes("O1\r\nM30\r\n", request, sink);
        EXPECT_EQ(result.status, SplitStatus::UnusableMask) << mask;
        EXPECT_TRUE(sink.files.empty()) << mask;
        EXPECT_NE(SplitReport(result, request).text.find(mask), std::string::npos) << mask;
    }
}

TEST(SplitProgramsTest, MaskStarGivesNamesWithoutExtension) {
    FolderSink sink;
    ASSERT_EQ(SplitBytes("O1\r\nM30\r\n", {kNone, "*"}, sink).status, SplitStatus::Done);
    EXPECT_EQ(sink.files.count("O1"), 1u);
}

TEST(SplitProgramsTest, FailedWriteStopsAndCountsOnlyFinishedFiles) {
    FolderSink sink;
    sink.failAtCreate = 2;
    const SplitRequest request;
    const SplitResult result = SplitBytes("O1\r\nA\r\nO2\r\nB\r\nO3\r\n", request, sink);
    EXPECT_EQ(result.status, SplitStatus::WriteFailed);
    EXPECT_EQ(result.filesWritten, 1u);
    EXPECT_EQ(sink.files.size(), 1u);
    const ToolReport report = SplitReport(result, request, "ディスクがいっぱいです。");
    EXPECT_NE(report.text.find("ディスクがいっぱいです。"), std::string::npos);
    EXPECT_NE(report.text.find("1 個のファイルは作成済み"), std::string::npos) << report.text;
}

TEST(SplitProgramsTest, RefusedBytesStopTheSplit) {
    FolderSink sink;
    sink.refuseWrites = true;
    EXPECT_EQ(SplitBytes("O1\r\nA\r\n", {}, sink).status, SplitStatus::WriteFailed);
    EXPECT_TRUE(sink.files.empty());
}

TEST(SplitProgramsTest, NameThatTurnsBadAfterThePlanStopsAfterTheFileBefore) {
    // The plan is made on one text and the write runs on another (the file changed between).
    FolderSink sink;
    const ProgramText text = SplitProgramLines("O1\r\nA\r\nO2/\r\nB\r\n");
    ProgramTextSource lines(text);
    const SplitResult result = WriteSplit(lines, {}, sink);
    EXPECT_EQ(result.status, SplitStatus::UnusableName);
    EXPECT_EQ(sink.files, (std::map<std::string, std::string>{{"O1.NC", "O1\r\nA\r\n"}}));
}

TEST(SplitProgramsTest, ReadErrorLeavesTheOpenFileUnfinished) {
    class FailingSource : public LineSource {
      public:
        bool Next(std::string_view& line) override {
            if (next_ >= 3)
                return false;
            static constexpr std::string_view kLines[] = {"O1", "A", "O2"};
            line = kLines[next_++];
            return true;
        }
        bool Failed() const override { return next_ >= 3; }

      private:
        int next_ = 0;
    } source;
    FolderSink sink;
    const SplitResult result = WriteSplit(source, {}, sink);
    EXPECT_EQ(result.status, SplitStatus::ReadFailed);
    EXPECT_EQ(sink.files, (std::map<std::string, std::string>{{"O1.NC", "O1\r\nA\r\n"}}));
}

struct FileNameCase {
    const char* name;
    const char* startLine;
    std::size_t number;
    bool numbered;
    const char* extension;
    const char* expected;
};
void PrintTo(const FileNameCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitFileNameTest : public testing::TestWithParam<FileNameCase> {};

TEST_P(SplitFileNameTest, FollowsTheStartLine) {
    const auto& c = GetParam();
    const SplitFileName file = SplitFileNameOf(c.startLine, c.number, c.numbered, c.extension);
    EXPECT_TRUE(file.check.ok());
    EXPECT_EQ(file.name, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SplitFileNameTest,
    testing::Values(FileNameCase{"Plain", "O0001", 1, false, ".NC", "O0001.NC"},
                    FileNameCase{"CommentCut", "O0001(PART A)", 1, false, ".NC", "O0001.NC"},
                    FileNameCase{"SpaceBeforeCommentKept", "O0001 (X)", 1, false, ".NC",
                                 "O0001 .NC"},
                    FileNameCase{"ColonBecomesO", ":1234", 1, false, ".NC", "O1234.NC"},
                    FileNameCase{"LKept", "L100", 1, false, ".NC", "L100.NC"},
                    FileNameCase{"Numbered", "O0002", 2, true, ".NC", "O0002_002.NC"},
                    FileNameCase{"NumberedFourDigits", "O1", 1000, true, ".NC", "O1_1000.NC"},
                    FileNameCase{"OtherExtension", "O1", 1, false, ".txt", "O1.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitFileNameTest, ColonInsideTheNameIsRefused) {
    // Only the leading ":" stands for "O"; a later one cannot be in a file name on Windows.
    EXPECT_EQ(SplitFileNameOf(":12:3", 1, false, ".NC").check.problem,
              NameProblem::ForbiddenCharacter);
}

TEST(SplitProgramsTest, ProgramStartIsTheFirstCharacterOnly) {
    EXPECT_TRUE(IsProgramStartLine("O1"));
    EXPECT_TRUE(IsProgramStartLine(":1"));
    EXPECT_TRUE(IsProgramStartLine("L1"));
    EXPECT_FALSE(IsProgramStartLine("N10 O5"));
    EXPECT_FALSE(IsProgramStartLine("o100"));
    EXPECT_FALSE(IsProgramStartLine("l100"));
    EXPECT_FALSE(IsProgramStartLine(""));
}

TEST(SplitProgramsTest, TargetFolderDropsOneTrailingBackslash) {
    EXPECT_EQ(SplitTargetFolder("D:\\NC\\"), "D:\\NC");
    EXPECT_EQ(SplitTargetFolder("D:\\NC"), "D:\\NC");
    EXPECT_EQ(SplitTargetFolder("C:\\"), "C:");
    EXPECT_FALSE(SplitFolderNeedsCheck("C:"));
    EXPECT_TRUE(SplitFolderNeedsCheck("D:\\NC"));
}

TEST(SplitOptionsTest, ReadsOneAndZeroWithFalseAsDefault) {
    struct Row {
        const char* ini;
        SplitOptions expected;
    };
    const Row rows[] = {
        {"", kNone},
        {"[Sub]\r\nF_Set=1\r\nB_Set=0\r\nN_Set=1\r\n", {true, false, true}},
        {"[Sub]\r\nF_Set=yes\r\nB_Set=\r\nN_Set=-1\r\n", {false, false, true}},
        {"[Other]\r\nF_Set=1\r\n", kNone},
        {"[sub]\r\nb_set= 1 \r\n", kBack},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ReadSplitOptions(IniDocument::Parse(row.ini)), row.expected) << row.ini;
    }
}

TEST(SplitOptionsTest, WritesOneAndZeroKeepingTheRestOfTheFile) {
    IniDocument ini =
        IniDocument::Parse("; split\r\n[Sub]\r\nF_Set=0\r\nOther=x\r\n[Keep]\r\nA=1\r\n");
    WriteSplitOptions(ini, {true, false, true});
    EXPECT_EQ(ini.Serialize(),
              "; split\r\n[Sub]\r\nF_Set=1\r\nOther=x\r\nB_Set=0\r\nN_Set=1\r\n[Keep]\r\nA=1\r\n");
    EXPECT_EQ(ReadSplitOptions(ini), (SplitOptions{true, false, true}));
}

}  // namespace
}  // namespace kelvantori

// kelvantori-cli split|join|double on real temporary folders: D: is mapped through Host.ini in a
// temporary program folder, and the questions are answered through the command's stdin.
#include "app/cli/CliTools.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/TextCodec.h"
#include "support/FileSections.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;
using test::TempFolder;
namespace fs = std::filesystem;
using namespace std::string_view_literals;

constexpr std::string_view kTwoPrograms =
    "%\r\nO0001(PART A)\r\nG90\r\nM30\r\n%\r\nO0002\r\nM30\r\n%\r\n";

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

// Every file of a folder (hidden ones too, so that a left-over pending file shows) with its bytes.
std::map<std::string, std::string> FilesIn(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.is_directory())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().filename().string()] = bytes.str();
    }
    return files;
}

class CliToolsTest : public ::testing::Test {
  protected:
    CliToolsTest() { home_.Write("Host.ini", "[Drives]\r\nD=" + d_.Path() + "\r\n"); }

    Outcome Run(std::vector<std::string> args, const std::string& answers = "") {
        std::istringstream in(answers);
        std::ostringstream out;
        std::ostringstream err;
        CliIo io{in, out, err};
        Outcome outcome;
        outcome.code = RunToolCommand(args, io);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    std::map<std::string, std::string> FilesOfD(std::string_view folder = "") const {
        return FilesIn(d_.File(folder));
    }

    TempFolder home_;
    TempFolder d_;
    ScopedEnv homeEnv_{"HOME", home_.Path()};
    ScopedEnv programEnv_{"KELVANTORI_HOME", home_.Path()};
};

// --- split -------------------------------------------------------------------------------------

struct SplitGolden {
    const char* fixture;
    std::vector<std::string> options;
};
void PrintTo(const SplitGolden& c, std::ostream* os) {
    *os << c.fixture;
}

class CliSplitGoldenTest : public CliToolsTest, public testing::WithParamInterface<SplitGolden> {};

TEST_P(CliSplitGoldenTest, WritesExactlyTheFixturesFiles) {
    const auto& c = GetParam();
    const std::string fixture = std::string("split/") + c.fixture;
    d_.Write("IN/A.NC", test::ReadFixture(fixture + ".input"));
    std::vector<std::string> args{"split", "D:\\IN\\A.NC", "--to", "D:\\OUT"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const Outcome run = Run(args, "y\n");
    EXPECT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_NE(run.out.find("Ｏ番号毎に分割完了しました。\n"), std::string::npos) << run.out;
    const auto expected =
        test::ToFileMap(test::ParseFileSections(test::ReadFixture(fixture + ".expected")));
    EXPECT_EQ(test::FormatFileSections(FilesOfD("OUT")), test::FormatFileSections(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, CliSplitGoldenTest,
    testing::Values(SplitGolden{"basic", {}},
                    SplitGolden{"basic_percent", {"--front-percent", "--back-percent"}},
                    SplitGolden{"basic_numbered", {"--numbered"}},
                    SplitGolden{"all_options_with_header",
                                {"--numbered", "--front-percent", "--back-percent"}},
                    SplitGolden{"header_front", {"--front-percent"}}, SplitGolden{"same_name", {}},
                    SplitGolden{"shift_jis_name", {}},
                    SplitGolden{"mask_lower_extension", {"--mask", "*.nc"}}),
    [](const auto& info) { return std::string(info.param.fixture); });

TEST_F(CliToolsTest, SplitCreatesTheMissingFoldersWhenTheAnswerIsYes) {
    d_.Write("A.NC", kTwoPrograms);
    const Outcome run = Run({"split", "D:\\A.NC", "--to", "D:\\NEW\\SUB\\"}, "yes\n");
    ASSERT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_NE(run.out.find("ディレクトリが見つかりません。ディレクトリを作成しますか？"),
              std::string::npos);
    EXPECT_EQ(FilesOfD("NEW/SUB"),
              (std::map<std::string, std::string>{{"O0001.NC", "O0001(PART A)\r\nG90\r\nM30\r\n"},
                                                  {"O0002.NC", "O0002\r\nM30\r\n"}}));
}

TEST_F(CliToolsTest, SplitWithoutYesCreatesNoFolderAndNoFile) {
    d_.Write("A.NC", kTwoPrograms);
    for (const char* answer : {"n\n", "", "yes please\n"}) {
        const Outcome run = Run({"split", "D:\\A.NC", "--to", "D:\\NEW"}, answer);
        EXPECT_EQ(run.code, kExitStopped) << answer;
        EXPECT_FALSE(d_.Exists("NEW")) << answer;
        EXPECT_NE(run.err.find("分割を中止しました。"), std::string::npos) << run.err;
    }
}

TEST_F(CliToolsTest, SplitWritesBesideTheInputByDefaultAndTakesRelativeHostPaths) {
    d_.Write("NC/A.NC", kTwoPrograms);
    const fs::path before = fs::current_path();
    fs::current_path(d_.Path());
    const Outcome run = Run({"split", "NC/A.NC"});
    fs::current_path(before);
    ASSERT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_EQ(run.out, "Ｏ番号毎に分割完了しました。\n");
    const auto files = FilesOfD("NC");
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files.at("O0002.NC"), "O0002\r\nM30\r\n");
}

TEST_F(CliToolsTest, SplitTakesTheExtensionFromTheSettingsUnlessMaskIsGiven) {
    home_.Write("kelvantori.INI", "[Setting]\r\nMask=*.TXT\r\n");
    d_.Write("A.NC", kTwoPrograms);
    ASSERT_EQ(Run({"split", d_.File("A.NC"), "--to", d_.File("T")}, "y\n").code, kExitCompleted);
    EXPECT_TRUE(d_.Exists("T/O0001.TXT"));
    ASSERT_EQ(Run({"split", d_.File("A.NC"), "--to", d_.File("M"), "--mask", "*.MIN"}, "y\n").code,
              kExitCompleted);
    EXPECT_TRUE(d_.Exists("M/O0001.MIN"));
    EXPECT_FALSE(d_.Exists("M/O0001.TXT"));
}

TEST_F(CliToolsTest, SplitOverwritesAnExistingFileWithoutAsking) {
    d_.Write("A.NC", kTwoPrograms);
    d_.Write("O0002.NC", "OLD\r\n");
    const Outcome run = Run({"split", "D:\\A.NC"}, "");
    ASSERT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_EQ(run.out.find("[y/N]"), std::string::npos);
    EXPECT_EQ(d_.Read("O0002.NC"), "O0002\r\nM30\r\n");
}

TEST_F(CliToolsTest, SplitThatCannotWriteOneFileChangesNoFile) {
    d_.Write("A.NC", "O0001\r\nA\r\nO0002\r\nB\r\nO0003\r\nC\r\n");
    const std::string locked = d_.Write("O0002.NC", "KEEP\r\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    const Outcome run = Run({"split", "D:\\A.NC"});
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_NE(run.err.find("分割ファイルを書き込めませんでした。"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("D:\\O0002.NC"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("ファイルは作成していません。"), std::string::npos) << run.err;
    EXPECT_EQ(FilesOfD(), (std::map<std::string, std::string>{
                              {"A.NC", "O0001\r\nA\r\nO0002\r\nB\r\nO0003\r\nC\r\n"},
                              {"O0002.NC", "KEEP\r\n"}}));
}

struct RefusedSplit {
    const char* name;
    std::string input;
    std::vector<std::string> extra;
    const char* answers;
    int code;
    std::string message;  // a part of stderr
};
void PrintTo(const RefusedSplit& c, std::ostream* os) {
    *os << c.name;
}

class CliSplitRefusedTest : public CliToolsTest,
                            public testing::WithParamInterface<RefusedSplit> {};

TEST_P(CliSplitRefusedTest, WritesNothingAndSaysWhy) {
    const auto& c = GetParam();
    d_.Write("IN/A.NC", c.input);
    std::vector<std::string> args{"split", "D:\\IN\\A.NC", "--to", "D:\\OUT"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const Outcome run = Run(args, c.answers);
    EXPECT_EQ(run.code, c.code);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(d_.Exists("OUT"));
    EXPECT_EQ(FilesOfD("IN").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliSplitRefusedTest,
    testing::Values(RefusedSplit{"NoProgram",
                                 "%\r\nN10 O5\r\no100\r\n%\r\n",
                                 {},
                                 "y\n",
                                 kExitStopped,
                                 "プログラム番号が見つかりませんでした。。"},
                    RefusedSplit{"NameWithSlash",
                                 "O1\r\nM30\r\nO2/3\r\nM30\r\n",
                                 {},
                                 "y\n",
                                 kExitStopped,
                                 "3行目のプログラム「O2/3」はファイル名にできません。"},
                    RefusedSplit{"MaskWithoutExtension",
                                 std::string(kTwoPrograms),
                                 {"--mask", "*.*"},
                                 "y\n",
                                 kExitNotStarted,
                                 "ファイルマスク「*.*」"},
                    RefusedSplit{"FormatQuestionDeclined",
                                 std::string("O1\r\n\0M30\r\n"sv),
                                 {},
                                 "n\n",
                                 kExitStopped,
                                 "読み込みを取りやめたため、分割を中止しました。"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliToolsTest, SplitOfAFileWithANulByteReadsItAsTextWhenTheAnswerIsYes) {
    d_.Write("A.NC", "O1\r\nX1\0junk\r\nO2\r\n"sv);
    const Outcome run = Run({"split", "D:\\A.NC", "--to", "D:\\OUT"}, "y\ny\n");
    ASSERT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_NE(run.out.find("ファイル形式が違います。"), std::string::npos);
    EXPECT_EQ(FilesOfD("OUT"),
              (std::map<std::string, std::string>{{"O1.NC", "O1\r\nX1\r\n"}, {"O2.NC", "O2\r\n"}}));
}

TEST_F(CliToolsTest, SplitOfAMissingFileIsAnError) {
    const Outcome run = Run({"split", "D:\\NONE.NC"});
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_EQ(run.err, "ファイルまたはフォルダーが見つかりません。\nD:\\NONE.NC\n");
}

// --- join --------------------------------------------------------------------------------------

TEST_F(CliToolsTest, JoinPutsTheFilesOneAfterTheOtherInTheFirstFilesFolder) {
    d_.Write("NC/A.NC", "%\r\nO0001\r\nM30\r\n%\r\n");
    d_.Write("OTHER/B.NC", "%\nO0002\nM30\n%");
    const Outcome run = Run({"join", "C", "D:\\NC\\A.NC", d_.File("OTHER/B.NC")});
    ASSERT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_EQ(run.out, "ファイル結合完了しました。\n");
    EXPECT_EQ(d_.Read("NC/C.NC"), "%\r\nO0001\r\nM30\r\n%\r\n%\r\nO0002\r\nM30\r\n%\r\n");
    EXPECT_EQ(FilesOfD("NC").size(), 2u);
}

TEST_F(CliToolsTest, JoinTargetNameFollowsTheMaskCaseSensitively) {
    d_.Write("A.NC", "O1\r\n");
    d_.Write("B.NC", "O2\r\n");
    const struct {
        const char* typed;
        const char* created;
    } rows[] = {{"ALL", "ALL.NC"}, {"X.NC", "X.NC"}, {"Y.nc", "Y.nc.NC"}};
    for (const auto& row : rows) {
        ASSERT_EQ(Run({"join", row.typed, "D:\\A.NC", "D:\\B.NC"}).code, kExitCompleted);
        EXPECT_EQ(d_.Read(row.created), "O1\r\nO2\r\n") << row.typed;
    }
}

TEST_F(CliToolsTest, JoinOverAnExistingFileAsksFirst) {
    d_.Write("A.NC", "O1\r\n");
    d_.Write("B.NC", "O2\r\n");
    d_.Write("C.NC", "OLD\r\n");
    Outcome run = Run({"join", "C", "D:\\A.NC", "D:\\B.NC"}, "n\n");
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_NE(run.out.find("すでにD:\\C.NCが有ります。\n上書きしますか？"), std::string::npos);
    EXPECT_EQ(d_.Read("C.NC"), "OLD\r\n");

    run = Run({"join", "C", "D:\\A.NC", "D:\\B.NC"}, "Y\n");
    EXPECT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_EQ(d_.Read("C.NC"), "O1\r\nO2\r\n");
}

TEST_F(CliToolsTest, JoinNamedAfterOneOfItsFilesIsRefusedAfterTheQuestion) {
    d_.Write("A.NC", "O1\r\n");
    d_.Write("B.NC", "O2\r\n");
    const Outcome run = Run({"join", "B", "D:\\A.NC", d_.File("B.NC")}, "y\n");
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_NE(run.out.find("上書きしますか？"), std::string::npos);
    EXPECT_EQ(run.err, "この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。\n");
    EXPECT_EQ(FilesOfD(),
              (std::map<std::string, std::string>{{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}}));
}

TEST_F(CliToolsTest, JoinThatCannotReadEveryFileCreatesNothing) {
    d_.Write("A.NC", "O1\r\n");
    d_.Write("E.NC", "");
    Outcome run = Run({"join", "C", "D:\\A.NC", "D:\\GONE.NC"});
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_NE(run.err.find("D:\\GONE.NC"), std::string::npos);
    // The empty file raises the format question; No stops the join.
    run = Run({"join", "C", "D:\\A.NC", "D:\\E.NC"}, "n\n");
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_NE(run.err.find("読み込みを取りやめたため"), std::string::npos) << run.err;
    EXPECT_EQ(FilesOfD().size(), 2u);
}

TEST_F(CliToolsTest, JoinOfALargeFileStreamsItAndStillChecksItsFormat) {
    // Larger than what is read whole: the NUL check is a pass of its own.
    std::string big;
    while (big.size() < (std::size_t{17} << 20))
        big += "G01 X1.234 Y5.678 Z-0.5 F1000\r\n";
    d_.Write("BIG.NC", big);
    d_.Write("A.NC", "O1\n");
    ASSERT_EQ(Run({"join", "C", "D:\\A.NC", "D:\\BIG.NC"}).code, kExitCompleted);
    EXPECT_TRUE(d_.Read("C.NC") == "O1\r\n" + big);

    d_.Write("BIG.NC", big + std::string(1, '\0'));
    const Outcome run = Run({"join", "D", "D:\\A.NC", "D:\\BIG.NC"}, "n\n");
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_NE(run.out.find("ファイル形式が違います。"), std::string::npos);
    EXPECT_FALSE(d_.Exists("D.NC"));
}

TEST_F(CliToolsTest, JoinNeedsANameThatIsAFileNameAndTwoFiles) {
    d_.Write("A.NC", "O1\r\n");
    Outcome run = Run({"join", "C", "D:\\A.NC"});
    EXPECT_EQ(run.code, kExitNotStarted);
    EXPECT_EQ(run.err, "選択されたﾌｧｲﾙが複数ありません。\n");
    run = Run({"join", "SUB/C", "D:\\A.NC", "D:\\A.NC"});
    EXPECT_EQ(run.code, kExitNotStarted);
    EXPECT_NE(run.err.find("「/」"), std::string::npos) << run.err;
    EXPECT_EQ(FilesOfD().size(), 1u);
}

// --- double ------------------------------------------------------------------------------------

struct DoubleGolden {
    const char* fixture;
    const char* axis;  // as typed
};
void PrintTo(const DoubleGolden& c, std::ostream* os) {
    *os << c.fixture;
}

class CliDoubleGoldenTest : public CliToolsTest,
                            public testing::WithParamInterface<DoubleGolden> {};

TEST_P(CliDoubleGoldenTest, SavesTheConvertedBytesUnderTheTargetName) {
    const auto& c = GetParam();
    const std::string fixture = std::string("double/") + c.fixture;
    const std::string input = test::ReadFixture(fixture + ".input");
    d_.Write("NC/A.TXT", input);
    const Outcome run = Run({"double", c.axis, "D:\\NC\\A.TXT"});
    ASSERT_EQ(run.code, kExitCompleted) << run.err;
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c.axis[0])));
    EXPECT_EQ(run.out,
              std::string(1, upper) + "軸を２倍に変換しました。\n変換ファイル名は A_2.NCです。\n");
    EXPECT_EQ(d_.Read("NC/A_2.NC"), test::ReadFixture(fixture + ".expected"));
    EXPECT_EQ(d_.Read("NC/A.TXT"), input);
    EXPECT_EQ(FilesOfD("NC").size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CliDoubleGoldenTest,
                         testing::Values(DoubleGolden{"examples_x", "x"},
                                         DoubleGolden{"axis_y", "Y"},
                                         DoubleGolden{"exact_decimals", "X"},
                                         DoubleGolden{"lf_only_z", "z"},
                                         DoubleGolden{"shift_jis_comment", "X"}),
                         [](const auto& info) { return std::string(info.param.fixture); });

TEST_F(CliToolsTest, DoubleStopsAtAValueThatIsNoNumberAndSavesNothing) {
    d_.Write("A.NC", "G01 X1.\r\nG01 X1.2.3\r\nG01 X4.\r\n");
    d_.Write("A_2.NC", "EARLIER\r\n");
    const Outcome run = Run({"double", "X", "D:\\A.NC"});
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_EQ(run.err,
              "2行目のXの値「1.2.3」は数値として読み取れません。\n"
              "変換を中止しました。A_2.NC は保存していません。\n");
    EXPECT_EQ(FilesOfD(),
              (std::map<std::string, std::string>{{"A.NC", "G01 X1.\r\nG01 X1.2.3\r\nG01 X4.\r\n"},
                                                  {"A_2.NC", "EARLIER\r\n"}}));
}

TEST_F(CliToolsTest, DoubleOverwritesItsOutputAndTakesTheMaskExtension) {
    d_.Write("A.NC", "X1\r\n");
    d_.Write("A_2.MIN", "EARLIER\r\n");
    const Outcome run = Run({"double", "X", "D:\\A.NC", "--mask=*.MIN"});
    ASSERT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_EQ(run.out.find("[y/N]"), std::string::npos);
    EXPECT_EQ(d_.Read("A_2.MIN"), "X2\r\n");
}

TEST_F(CliToolsTest, DoubleOfAFileWithANulByteAsksAndConvertsTheTextRead) {
    const std::string withNul(std::string("X1\r\nX2\0tail\r\nX3\r\n"sv));
    d_.Write("A.NC", withNul);
    Outcome run = Run({"double", "X", "D:\\A.NC"}, "n\n");
    EXPECT_EQ(run.code, kExitStopped);
    EXPECT_FALSE(d_.Exists("A_2.NC"));

    run = Run({"double", "X", "D:\\A.NC"}, "y\n");
    ASSERT_EQ(run.code, kExitCompleted) << run.err;
    EXPECT_EQ(d_.Read("A_2.NC"), "X2\r\nX4\r\nX6\r\n");
    EXPECT_EQ(FilesOfD().size(), 2u);
}

TEST_F(CliToolsTest, DoubleRefusesALetterThatIsNoAxis) {
    d_.Write("A.NC", "X1\r\n");
    for (const char* axis : {"A", "XY", ""}) {
        const Outcome run = Run({"double", axis, "D:\\A.NC"});
        EXPECT_EQ(run.code, kExitNotStarted) << axis;
        EXPECT_EQ(run.err.rfind("この文字は変更できません。\n", 0), 0u) << run.err;
    }
    EXPECT_EQ(FilesOfD().size(), 1u);
}

// --- usage -------------------------------------------------------------------------------------

TEST_F(CliToolsTest, BadCommandLinesAreUsageErrors) {
    d_.Write("A.NC", kTwoPrograms);
    const std::vector<std::vector<std::string>> rows = {
        {"split"},
        {"split", "D:\\A.NC", "D:\\B.NC"},
        {"split", "D:\\A.NC", "--to"},
        {"split", "D:\\A.NC", "--fast"},
        {"join", "C", "D:\\A.NC", "D:\\A.NC", "--numbered"},
        {"double", "X"},
        {"double", "X", "D:\\A.NC", "--mask", ""},
        {"split", "nc\\A.NC"},
    };
    for (const auto& args : rows) {
        const Outcome run = Run(args);
        EXPECT_EQ(run.code, kExitNotStarted) << args.back();
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_EQ(FilesOfD().size(), 1u);
}

TEST(CliToolsUsageTest, NamesEveryCommandAndOption) {
    EXPECT_TRUE(IsToolCommand("split"));
    EXPECT_TRUE(IsToolCommand("join"));
    EXPECT_TRUE(IsToolCommand("double"));
    EXPECT_FALSE(IsToolCommand("send"));
    const std::string usage = ToolsUsage();
    for (const char* word : {"split FILE", "join NAME FILE", "double AXIS FILE", "--to",
                             "--front-percent", "--back-percent", "--numbered", "--mask"}) {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
}

}  // namespace
}  // namespace kelvantori

// kelvantori-cli split|join|double on real temporary folders: D: is mapped through Host.ini in a
// temporary program folder, the command runs in D:'s folder (so relative host paths are D:
// paths), and the questions are answered through the command's stdin.
#include "app/cli/CliTools.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "support/FileSections.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Files = std::map<std::string, std::string>;

const std::string kTwo = "%\r\nO0001(PART A)\r\nG90\r\nM30\r\n%\r\nO0002\r\nM30\r\n%\r\n";
const Files kTwoSplit = {{"A.NC", kTwo},
                         {"OUT/O0001.NC", "O0001(PART A)\r\nG90\r\nM30\r\n"},
                         {"OUT/O0002.NC", "O0002\r\nM30\r\n"}};
const std::string kSplitDone = "Ｏ番号毎に分割完了しました。\n";
const std::string kMakeFolder = "ディレクトリが見つかりません。ディレクトリを作成しますか？ [y/N] ";
const std::string kFormat =
    "ファイル形式が違います。\nそのまま読み込みは可能ですが、データの一部読み込めない可能性が有りま"
    "す。\n"
    "読み込み開始は「はい(Y)」 [y/N] ";

struct Rig {
    Rig() { home.Write("Host.ini", "[Drives]\r\nD=" + d.Path() + "\r\n"); }
    ~Rig() { fs::current_path(before); }

    int Run(std::vector<std::string> args, const std::string& answers = "") {
        std::istringstream in(answers);
        CliIo io{in, out, err};
        fs::current_path(d.Path());
        return RunToolCommand(args, io);
    }
    // Every file under D: (hidden ones too, so that a left-over pending file shows).
    Files FilesOfD() const {
        Files files;
        for (const auto& entry : fs::recursive_directory_iterator(d.Path())) {
            if (entry.is_regular_file())
                files[fs::relative(entry.path(), d.Path()).string()] =
                    d.Read(fs::relative(entry.path(), d.Path()).string());
        }
        return files;
    }

    test::TempFolder home;
    test::TempFolder d;
    test::ScopedEnv homeEnv{"HOME", home.Path()};
    test::ScopedEnv programEnv{"KELVANTORI_HOME", home.Path()};
    fs::path before = fs::current_path();
    std::ostringstream out;
    std::ostringstream err;
};

struct ToolCase {
    const char* name;
    Files files = {};  // under D: before the run
    std::vector<std::string> args;
    std::string answers = {};
    int code = kExitCompleted;
    std::string out = {};
    std::string err = {};
    bool usage = false;               // the usage text follows the error
    std::optional<Files> after = {};  // under D: after the run; nullopt: as before
};

TEST(CliToolsTest, EachCommandSaysWhatItDidAndLeavesExactlyTheseFiles) {
    const ToolCase cases[] = {
        // clang-format off
        // --- split
        {.name = "SplitAsksForTheMissingFolder", .files = {{"A.NC", kTwo}},
         .args = {"split", "D:\\A.NC", "--to", "D:\\OUT\\"}, .answers = "yes\n",
         .out = kMakeFolder + kSplitDone, .after = kTwoSplit},
        {.name = "SplitWithoutYesMakesNothing", .files = {{"A.NC", kTwo}},
         .args = {"split", "D:\\A.NC", "--to", "D:\\OUT"}, .answers = "yes please\n",
         .code = kExitStopped, .out = kMakeFolder, .err = "分割を中止しました。ファイルは作成していません。\n"},
        {.name = "SplitBesideARelativeHostPathOverwritingWithoutAsking",
         .files = {{"OUT/A.NC", kTwo}, {"OUT/O0002.NC", "OLD\r\n"}},
         .args = {"split", "OUT/A.NC"}, .out = kSplitDone,
         .after = Files{{"OUT/A.NC", kTwo}, {"OUT/O0001.NC", "O0001(PART A)\r\nG90\r\nM30\r\n"},
                        {"OUT/O0002.NC", "O0002\r\nM30\r\n"}}},
        {.name = "SplitExtensionFromMask", .files = {{"A.NC", kTwo}},
         .args = {"split", "D:\\A.NC", "--mask", "*.MIN"}, .out = kSplitDone,
         .after = Files{{"A.NC", kTwo}, {"O0001.MIN", "O0001(PART A)\r\nG90\r\nM30\r\n"},
                        {"O0002.MIN", "O0002\r\nM30\r\n"}}},
        {.name = "SplitReadsANulFileAsTextWhenTold", .files = {{"A.NC", "O1\r\nX1\0junk\r\nO2\r\n"s}},
         .args = {"split", "D:\\A.NC", "--to", "D:\\OUT"}, .answers = "y\ny\n",
         .out = kFormat + kMakeFolder + kSplitDone,
         .after = Files{{"A.NC", "O1\r\nX1\0junk\r\nO2\r\n"s}, {"OUT/O1.NC", "O1\r\nX1\r\n"},
                        {"OUT/O2.NC", "O2\r\n"}}},
        {.name = "SplitFormatQuestionDeclined", .files = {{"A.NC", "O1\r\n\0M30\r\n"s}},
         .args = {"split", "D:\\A.NC"}, .answers = "n\n", .code = kExitStopped,
         .out = kFormat, .err = "D:\\A.NC の読み込みを取りやめたため、分割を中止しました。ファイルは作成していません。\n"},
        {.name = "SplitFindsNoProgram", .files = {{"A.NC", "%\r\nN10 O5\r\no100\r\n%\r\n"}},
         .args = {"split", "D:\\A.NC"}, .code = kExitStopped,
         .err = "プログラム番号が見つかりませんでした。。\n"},
        {.name = "SplitNameWithSlash", .files = {{"A.NC", "O1\r\nM30\r\nO2/3\r\nM30\r\n"}},
         .args = {"split", "D:\\A.NC"}, .code = kExitStopped,
         .err = "3行目のプログラム「O2/3」はファイル名にできません。\nファイル名に使えない文字「/」が含まれています。\n"
                "分割を中止しました。ファイルは作成していません。\n"},
        {.name = "SplitMaskWithoutExtension", .files = {{"A.NC", kTwo}},
         .args = {"split", "D:\\A.NC", "--mask", "*.*"}, .code = kExitNotStarted,
         .err = "ファイルマスク「*.*」からは作成するファイルの拡張子を決められません。\n"
                "ファイルマスクを「*.NC」のように「*.」と拡張子で指定してください。\n"},
        {.name = "SplitOfAMissingFile", .args = {"split", "D:\\NONE.NC"}, .code = kExitStopped,
         .err = "ファイルまたはフォルダーが見つかりません。\nD:\\NONE.NC\n"},
        // --- join
        {.name = "JoinIntoTheFirstFilesFolder",
         .files = {{"NC/A.NC", "%\r\nO0001\r\nM30\r\n%\r\n"}, {"B.NC", "%\nO0002\nM30\n%"}},
         .args = {"join", "C", "D:\\NC\\A.NC", "B.NC"}, .out = "ファイル結合完了しました。\n",
         .after = Files{{"NC/A.NC", "%\r\nO0001\r\nM30\r\n%\r\n"}, {"B.NC", "%\nO0002\nM30\n%"},
                        {"NC/C.NC", "%\r\nO0001\r\nM30\r\n%\r\n%\r\nO0002\r\nM30\r\n%\r\n"}}},
        {.name = "JoinNameFollowsTheMaskCaseSensitively",
         .files = {{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}},
         .args = {"join", "Y.nc", "D:\\A.NC", "D:\\B.NC"}, .out = "ファイル結合完了しました。\n",
         .after = Files{{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}, {"Y.nc.NC", "O1\r\nO2\r\n"}}},
        {.name = "JoinOverAnExistingFileAsks",
         .files = {{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}, {"C.NC", "OLD\r\n"}},
         .args = {"join", "C.NC", "D:\\A.NC", "D:\\B.NC"}, .answers = "Y\n",
         .out = "すでにD:\\C.NCが有ります。\n上書きしますか？ [y/N] ファイル結合完了しました。\n",
         .after = Files{{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}, {"C.NC", "O1\r\nO2\r\n"}}},
        {.name = "JoinOverAnExistingFileRefused",
         .files = {{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}, {"C.NC", "OLD\r\n"}},
         .args = {"join", "C", "D:\\A.NC", "D:\\B.NC"}, .answers = "n\n", .code = kExitStopped,
         .out = "すでにD:\\C.NCが有ります。\n上書きしますか？ [y/N] ", .err = "ファイル結合を中止しました。\n"},
        {.name = "JoinNamedAfterOneOfItsFiles", .files = {{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}},
         .args = {"join", "B", "D:\\A.NC", "B.NC"}, .answers = "y\n", .code = kExitStopped,
         .out = "すでにD:\\B.NCが有ります。\n上書きしますか？ [y/N] ",
         .err = "この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。\n"},
        {.name = "JoinOfAMissingFile", .files = {{"A.NC", "O1\r\n"}},
         .args = {"join", "C", "D:\\A.NC", "D:\\GONE.NC"}, .code = kExitStopped,
         .err = "ファイルまたはフォルダーが見つかりません。\nD:\\GONE.NC\n"},
        {.name = "JoinOfAnEmptyFileAsksAboutItsFormat", .files = {{"A.NC", "O1\r\n"}, {"E.NC", ""}},
         .args = {"join", "C", "D:\\A.NC", "D:\\E.NC"}, .answers = "n\n", .code = kExitStopped,
         .out = kFormat,
         .err = "D:\\E.NC の読み込みを取りやめたため、ファイル結合を中止しました。ファイルは作成していません。\n"},
        {.name = "JoinNeedsTwoFiles", .files = {{"A.NC", "O1\r\n"}}, .args = {"join", "C", "D:\\A.NC"},
         .code = kExitNotStarted, .err = "選択されたﾌｧｲﾙが複数ありません。\n"},
        {.name = "JoinNameWithASlash", .files = {{"A.NC", "O1\r\n"}},
         .args = {"join", "SUB/C", "D:\\A.NC", "D:\\A.NC"}, .code = kExitNotStarted,
         .err = "SUB/C.NC: ファイル名に使えない文字「/」が含まれています。\n"},
        // --- double
        {.name = "DoubleStopsAtAValueThatIsNoNumber",
         .files = {{"A.NC", "G01 X1.\r\nG01 X1.2.3\r\n"}, {"A_2.NC", "EARLIER\r\n"}},
         .args = {"double", "X", "D:\\A.NC"}, .code = kExitStopped,
         .err = "2行目のXの値「1.2.3」は数値として読み取れません。\n"
                "変換を中止しました。A_2.NC は保存していません。\n"},
        {.name = "DoubleOverwritesItsOutputWithTheMaskExtension",
         .files = {{"A.NC", "X1\r\n"}, {"A_2.MIN", "EARLIER\r\n"}},
         .args = {"double", "x", "A.NC", "--mask=*.MIN"},
         .out = "X軸を２倍に変換しました。\n変換ファイル名は A_2.MINです。\n",
         .after = Files{{"A.NC", "X1\r\n"}, {"A_2.MIN", "X2\r\n"}}},
        {.name = "DoubleConvertsTheTextOfANulFileWhenTold",
         .files = {{"A.NC", "X1\r\nX2\0tail\r\nX3\r\n"s}}, .args = {"double", "X", "D:\\A.NC"},
         .answers = "y\n", .out = kFormat + "X軸を２倍に変換しました。\n変換ファイル名は A_2.NCです。\n",
         .after = Files{{"A.NC", "X1\r\nX2\0tail\r\nX3\r\n"s}, {"A_2.NC", "X2\r\nX4\r\nX6\r\n"}}},
        {.name = "DoubleOfANulFileDeclined", .files = {{"A.NC", "X1\r\nX2\0tail\r\n"s}},
         .args = {"double", "X", "D:\\A.NC"}, .answers = "n\n", .code = kExitStopped,
         .out = kFormat,
         .err = "D:\\A.NC の読み込みを取りやめたため、変換を中止しました。ファイルは作成していません。\n"},
        {.name = "DoubleRefusesALetterThatIsNoAxis", .files = {{"A.NC", "X1\r\n"}},
         .args = {"double", "A", "D:\\A.NC"}, .code = kExitNotStarted,
         .err = "この文字は変更できません。\n軸は XxYyZzIiJjKkUuVvWw のどれか一文字です。\n"},
        // --- usage
        {.name = "SplitWithoutFile", .args = {"split"}, .code = kExitNotStarted,
         .err = "split には分割するファイルを一つ指定してください。\n"},
        {.name = "SplitOfTwoFiles", .args = {"split", "D:\\A.NC", "D:\\B.NC"},
         .code = kExitNotStarted, .err = "split には分割するファイルを一つ指定してください。\n"},
        {.name = "ToWithoutFolder", .args = {"split", "D:\\A.NC", "--to"}, .code = kExitNotStarted,
         .err = "--to の後に値がありません。\n", .usage = true},
        {.name = "UnknownOption", .args = {"split", "D:\\A.NC", "--fast"}, .code = kExitNotStarted,
         .err = "不明なオプションです: --fast\n", .usage = true},
        {.name = "SplitOptionOnJoin", .args = {"join", "C", "D:\\A.NC", "D:\\A.NC", "--numbered"},
         .code = kExitNotStarted, .err = "不明なオプションです: --numbered\n", .usage = true},
        {.name = "DoubleWithoutFile", .args = {"double", "X"}, .code = kExitNotStarted,
         .err = "double には軸と変換するファイルを指定してください。\n"},
        {.name = "EmptyMask", .args = {"double", "X", "D:\\A.NC", "--mask", ""},
         .code = kExitNotStarted, .err = "--mask の値が空です。\n", .usage = true},
        {.name = "DrivePathWithoutDrive", .args = {"split", "nc\\A.NC"}, .code = kExitNotStarted,
         .err = "「\\」を含むパスは扱えません: nc\\A.NC\n"},
        // clang-format on
    };
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        for (const auto& [path, bytes] : c.files)
            rig.d.Write(path, bytes);
        EXPECT_EQ(rig.Run(c.args, c.answers), c.code);
        EXPECT_EQ(rig.out.str(), c.out);
        EXPECT_EQ(rig.err.str(), c.err + (c.usage ? ToolsUsage() : ""));
        EXPECT_EQ(test::FormatFileSections(rig.FilesOfD()),
                  test::FormatFileSections(c.after.value_or(c.files)));
    }
}

TEST(CliToolsTest, SplitThatCannotWriteOneFileChangesNoFile) {
    Rig rig;
    rig.d.Write("A.NC", "O0001\r\nA\r\nO0002\r\nB\r\n");
    ASSERT_EQ(::chmod(rig.d.Write("O0002.NC", "KEEP\r\n").c_str(), 0444), 0);
    EXPECT_EQ(rig.Run({"split", "D:\\A.NC"}), kExitStopped);
    EXPECT_NE(rig.err.str().find("分割ファイルを書き込めませんでした。"), std::string::npos);
    EXPECT_NE(rig.err.str().find("ファイルは作成していません。"), std::string::npos);
    EXPECT_EQ(rig.FilesOfD(),
              (Files{{"A.NC", "O0001\r\nA\r\nO0002\r\nB\r\n"}, {"O0002.NC", "KEEP\r\n"}}));
}

TEST(CliToolsTest, SplitOptionsAndTheSettingsMaskGiveTheFixturesFiles) {
    const struct {
        const char* fixture;
        std::vector<std::string> options;
    } cases[] = {{"basic", {}},
                 {"basic_percent", {"--front-percent", "--back-percent"}},
                 {"all_options_with_header", {"--numbered", "--front-percent", "--back-percent"}},
                 {"header_front", {"--front-percent"}},
                 {"shift_jis_name", {}},
                 {"mask_lower_extension", {"--mask", "*.nc"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        Rig rig;
        const std::string fixture = std::string("split/") + c.fixture;
        rig.d.Write("A.NC", test::ReadFixture(fixture + ".input"));
        std::vector<std::string> args{"split", "D:\\A.NC", "--to", "D:\\OUT"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(rig.Run(args, "y\n"), kExitCompleted) << rig.err.str();
        Files out = rig.FilesOfD();
        out.erase("A.NC");
        Files expected;
        for (const auto& [name, bytes] :
             test::ToFileMap(test::ParseFileSections(test::ReadFixture(fixture + ".expected"))))
            expected["OUT/" + name] = bytes;
        EXPECT_EQ(test::FormatFileSections(out), test::FormatFileSections(expected));
    }
    // Without --mask the extension is the settings' mask.
    Rig rig;
    rig.home.Write("kelvantori.INI", "[Setting]\r\nMask=*.TXT\r\n");
    rig.d.Write("A.NC", "O1\r\n");
    EXPECT_EQ(rig.Run({"split", "D:\\A.NC"}), kExitCompleted);
    EXPECT_EQ(rig.FilesOfD(), (Files{{"A.NC", "O1\r\n"}, {"O1.TXT", "O1\r\n"}}));
}

TEST(CliToolsTest, DoubleSavesTheFixturesBytes) {
    for (const char* fixture : {"examples_x", "axis_y", "shift_jis_comment"}) {
        SCOPED_TRACE(fixture);
        Rig rig;
        const std::string input = test::ReadFixture(std::string("double/") + fixture + ".input");
        rig.d.Write("A.TXT", input);
        const std::string axis = fixture == std::string("axis_y") ? "Y" : "X";
        EXPECT_EQ(rig.Run({"double", axis, "D:\\A.TXT"}), kExitCompleted) << rig.err.str();
        EXPECT_EQ(
            rig.FilesOfD(),
            (Files{{"A.TXT", input},
                   {"A_2.NC", test::ReadFixture(std::string("double/") + fixture + ".expected")}}));
    }
}

TEST(CliToolsTest, JoinOfALargeFileStreamsItAndStillChecksItsFormat) {
    // Larger than what is read whole: the NUL check is a pass of its own.
    std::string big;
    while (big.size() < (std::size_t{17} << 20))
        big += "G01 X1.234 Y5.678 Z-0.5 F1000\r\n";
    Rig rig;
    rig.d.Write("BIG.NC", big);
    rig.d.Write("A.NC", "O1\n");
    ASSERT_EQ(rig.Run({"join", "C", "D:\\A.NC", "D:\\BIG.NC"}), kExitCompleted);
    EXPECT_TRUE(rig.d.Read("C.NC") == "O1\r\n" + big);
    rig.d.Write("BIG.NC", big + '\0');
    EXPECT_EQ(rig.Run({"join", "D", "D:\\A.NC", "D:\\BIG.NC"}, "n\n"), kExitStopped);
    EXPECT_FALSE(rig.d.Exists("D.NC"));
}

}  // namespace
}  // namespace kelvantori

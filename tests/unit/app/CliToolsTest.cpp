// kelvantori-cli split|join|double on real temporary folders: D: is mapped through Host.ini in a
// temporary program folder, the command runs in D:'s folder (so a relative host path is one on
// D:), and the questions are answered through the command's stdin.
#include "app/cli/CliTools.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "support/FileSections.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Files = std::map<std::string, std::string>;

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
            const std::string path = fs::relative(entry.path(), d.Path()).string();
            if (entry.is_regular_file())
                files[path] = d.Read(path);
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

const std::string kTwo = "%\r\nO0001(PART A)\r\nG90\r\nM30\r\n%\r\nO0002\r\nM30\r\n%\r\n";
const std::string kO1 = "O0001(PART A)\r\nG90\r\nM30\r\n";
const std::string kO2 = "O0002\r\nM30\r\n";
const std::string kSplitDone = "Ｏ番号毎に分割完了しました。\n";
const std::string kJoinDone = "ファイル結合完了しました。\n";
const std::string kMakeFolder = "ディレクトリが見つかりません。ディレクトリを作成しますか？ [y/N] ";
const std::string kFormat =
    "ファイル形式が違います。\nそのまま読み込みは可能ですが、データの一部"
    "読み込めない可能性が有ります。\n読み込み開始は「はい(Y)」 [y/N] ";
const std::string kNotMade = "ファイルは作成していません。\n";
const std::string kNul = "X1\r\nX2\0tail\r\nX3\r\n"s;
const Files kAB = {{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}};
const Files kABC = {{"A.NC", "O1\r\n"}, {"B.NC", "O2\r\n"}, {"C.NC", "OLD\r\n"}};

// A split fixture: its input as D:\A.NC, and the files it splits into.
Files Input(const char* fixture) {
    return {{"A.NC", test::ReadFixture("split/" + std::string(fixture) + ".input")}};
}
Files Split(const char* fixture) {
    const std::string expected = test::ReadFixture("split/" + std::string(fixture) + ".expected");
    return test::ToFileMap(test::ParseFileSections(expected));
}
std::string Usage(const std::string& error) {
    return error + ToolsUsage();
}
std::string Overwrite(const char* file) {
    return "すでにD:\\" + std::string(file) + "が有ります。\n上書きしますか？ [y/N] ";
}

TEST(CliToolsTest, EachCommandSaysWhatItDidWithItsExitCodeAndLeavesExactlyTheseFiles) {
    const struct {
        const char* name;
        Files files;  // under D: before the run
        std::vector<std::string> args;
        const char* answers;
        int code;
        std::string out;
        std::string err;
        Files made = {};  // written by the run
    } rows[] = {
        // clang-format off
        {"SplitAsksForTheMissingFolder", {{"A.NC", kTwo}}, {"split", "D:\\A.NC", "--to", "D:\\O\\"},
         "yes\n", 0, kMakeFolder + kSplitDone, "", {{"O/O0001.NC", kO1}, {"O/O0002.NC", kO2}}},
        {"SplitWithoutYesMakesNothing", {{"A.NC", kTwo}}, {"split", "D:\\A.NC", "--to", "D:\\O"},
         "yes please\n", 1, kMakeFolder, "分割を中止しました。" + kNotMade},
        {"SplitBesideARelativeHostPathOverwritingWithoutAsking",
         {{"O/A.NC", kTwo}, {"O/O0002.NC", "OLD\r\n"}}, {"split", "O/A.NC"}, "", 0, kSplitDone, "",
         {{"O/O0001.NC", kO1}, {"O/O0002.NC", kO2}}},
        {"SplitReadsANulFileAsTextWhenTold", {{"A.NC", "O1\r\nX1\0junk\r\nO2\r\n"s}},
         {"split", "D:\\A.NC", "--to", "D:\\O"}, "y\ny\n", 0, kFormat + kMakeFolder + kSplitDone,
         "", {{"O/O1.NC", "O1\r\nX1\r\n"}, {"O/O2.NC", "O2\r\n"}}},
        {"SplitOfANulFileDeclined", {{"A.NC", kNul}}, {"split", "D:\\A.NC"}, "n\n", 1, kFormat,
         "D:\\A.NC の読み込みを取りやめたため、分割を中止しました。" + kNotMade},
        {"SplitFindsNoProgram", {{"A.NC", "%\r\nN10 O5\r\no100\r\n%\r\n"}}, {"split", "D:\\A.NC"},
         "", 1, "", "プログラム番号が見つかりませんでした。。\n"},
        {"SplitNameWithASlash", {{"A.NC", "O1\r\nM30\r\nO2/3\r\n"}}, {"split", "D:\\A.NC"}, "", 1,
         "", "3行目のプログラム「O2/3」はファイル名にできません。\nファイル名に使えない文字「/」が"
         "含まれています。\n分割を中止しました。" + kNotMade},
        {"SplitMaskWithoutExtension", {{"A.NC", kTwo}}, {"split", "D:\\A.NC", "--mask", "*.*"}, "",
         2, "", "ファイルマスク「*.*」からは作成するファイルの拡張子を決められません。\nファイル"
         "マスクを「*.NC」のように「*.」と拡張子で指定してください。\n"},
        {"SplitFrontAndBackPercent", Input("basic_percent"),
         {"split", "A.NC", "--front-percent", "--back-percent"}, "", 0, kSplitDone, "",
         Split("basic_percent")},
        {"SplitAllOptions", Input("all_options_with_header"),
         {"split", "A.NC", "--numbered", "--front-percent", "--back-percent"}, "", 0, kSplitDone,
         "", Split("all_options_with_header")},
        {"SplitShiftJisName", Input("shift_jis_name"), {"split", "A.NC"}, "", 0, kSplitDone, "",
         Split("shift_jis_name")},
        {"SplitMaskExtension", Input("mask_lower_extension"), {"split", "A.NC", "--mask", "*.nc"},
         "", 0, kSplitDone, "", Split("mask_lower_extension")},
        {"JoinIntoTheFirstFilesFolder", {{"O/A.NC", "%\r\nO1\r\n%\r\n"}, {"B.NC", "%\nO2\n%"}},
         {"join", "C", "D:\\O\\A.NC", "B.NC"}, "", 0, kJoinDone, "",
         {{"O/C.NC", "%\r\nO1\r\n%\r\n%\r\nO2\r\n%\r\n"}}},
        {"JoinNameFollowsTheMaskCaseSensitively", kAB, {"join", "Y.nc", "D:\\A.NC", "D:\\B.NC"},
         "", 0, kJoinDone, "", {{"Y.nc.NC", "O1\r\nO2\r\n"}}},
        {"JoinOverAnExistingFile", kABC, {"join", "C.NC", "D:\\A.NC", "D:\\B.NC"}, "Y\n", 0,
         Overwrite("C.NC") + kJoinDone, "", {{"C.NC", "O1\r\nO2\r\n"}}},
        {"JoinOverAnExistingFileRefused", kABC, {"join", "C", "D:\\A.NC", "D:\\B.NC"}, "n\n", 1,
         Overwrite("C.NC"), "ファイル結合を中止しました。\n"},
        {"JoinNamedAfterOneOfItsFiles", kAB, {"join", "B", "D:\\A.NC", "B.NC"}, "y\n", 1,
         Overwrite("B.NC"), "この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。\n"},
        {"JoinOfAMissingFile", kAB, {"join", "C", "D:\\A.NC", "D:\\GONE.NC"}, "", 1, "",
         "ファイルまたはフォルダーが見つかりません。\nD:\\GONE.NC\n"},
        {"JoinOfAnEmptyFileDeclined", {{"A.NC", "O1\r\n"}, {"E.NC", ""}},
         {"join", "C", "D:\\A.NC", "D:\\E.NC"}, "n\n", 1, kFormat,
         "D:\\E.NC の読み込みを取りやめたため、ファイル結合を中止しました。" + kNotMade},
        {"JoinOfOneFile", kAB, {"join", "C", "D:\\A.NC"}, "", 2, "",
         "選択されたﾌｧｲﾙが複数ありません。\n"},
        {"JoinNameWithASlash", kAB, {"join", "SUB/C", "D:\\A.NC", "D:\\B.NC"}, "", 2, "",
         "SUB/C.NC: ファイル名に使えない文字「/」が含まれています。\n"},
        {"DoubleStopsAtAValueThatIsNoNumber",
         {{"A.NC", "X1.\r\nX1.2.3\r\n"}, {"A_2.NC", "OLD\r\n"}},
         {"double", "X", "D:\\A.NC"}, "", 1, "", "2行目のXの値「1.2.3」は数値として読み取れません。"
         "\n変換を中止しました。A_2.NC は保存していません。\n"},
        {"DoubleOverwritesWithTheMaskExtension", {{"A.NC", "X1\r\n"}, {"A_2.MIN", "OLD\r\n"}},
         {"double", "x", "A.NC", "--mask=*.MIN"}, "", 0,
         "X軸を２倍に変換しました。\n変換ファイル名は A_2.MINです。\n", "",
         {{"A_2.MIN", "X2\r\n"}}},
        {"DoubleOfANulFile", {{"A.NC", kNul}}, {"double", "X", "D:\\A.NC"}, "y\n", 0,
         kFormat + "X軸を２倍に変換しました。\n変換ファイル名は A_2.NCです。\n", "",
         {{"A_2.NC", "X2\r\nX4\r\nX6\r\n"}}},
        {"DoubleOfANulFileDeclined", {{"A.NC", kNul}}, {"double", "X", "D:\\A.NC"}, "n\n", 1,
         kFormat, "D:\\A.NC の読み込みを取りやめたため、変換を中止しました。" + kNotMade},
        {"DoubleOfALetterThatIsNoAxis", {{"A.NC", "X1\r\n"}}, {"double", "A", "D:\\A.NC"}, "", 2,
         "", "この文字は変更できません。\n軸は XxYyZzIiJjKkUuVvWw のどれか一文字です。\n"},
        {"SplitOfTwoFiles", {}, {"split", "D:\\A.NC", "D:\\B.NC"}, "", 2, "",
         "split には分割するファイルを一つ指定してください。\n"},
        {"DoubleWithoutFile", {}, {"double", "X"}, "", 2, "",
         "double には軸と変換するファイルを指定してください。\n"},
        {"ToWithoutFolder", {}, {"split", "D:\\A.NC", "--to"}, "", 2, "",
         Usage("--to の後に値がありません。\n")},
        {"UnknownOption", {}, {"split", "D:\\A.NC", "--fast"}, "", 2, "",
         Usage("不明なオプションです: --fast\n")},
        {"SplitOptionOnJoin", {}, {"join", "C", "D:\\A.NC", "D:\\B.NC", "--numbered"}, "", 2, "",
         Usage("不明なオプションです: --numbered\n")},
        {"EmptyMask", {}, {"double", "X", "D:\\A.NC", "--mask", ""}, "", 2, "",
         Usage("--mask の値が空です。\n")},
        {"DrivePathWithoutDrive", {}, {"split", "nc\\A.NC"}, "", 2, "",
         "「\\」を含むパスは扱えません: nc\\A.NC\n"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        for (const auto& [path, bytes] : row.files)
            rig.d.Write(path, bytes);
        EXPECT_EQ(rig.Run(row.args, row.answers), row.code);
        EXPECT_EQ(rig.out.str(), row.out);
        EXPECT_EQ(rig.err.str(), row.err);
        Files after = row.files;
        for (const auto& [path, bytes] : row.made)
            after[path] = bytes;
        EXPECT_EQ(test::FormatFileSections(rig.FilesOfD()), test::FormatFileSections(after));
    }
}

TEST(CliToolsTest, SplitTakesTheSettingsMaskAndChangesNoFileWhenOneCannotBeWritten) {
    Rig rig;
    rig.home.Write("kelvantori.INI", "[Setting]\r\nMask=*.TXT\r\n");
    rig.d.Write("A.NC", kTwo);
    ASSERT_EQ(::chmod(rig.d.Write("O0002.TXT", "KEEP\r\n").c_str(), 0444), 0);
    EXPECT_EQ(rig.Run({"split", "D:\\A.NC"}), kExitStopped);
    EXPECT_EQ(rig.err.str(),
              "分割ファイルを書き込めませんでした。\nアクセスが拒否されました。\n"
              "D:\\O0002.TXT\n分割を中止しました。" +
                  kNotMade);
    EXPECT_EQ(rig.FilesOfD(), (Files{{"A.NC", kTwo}, {"O0002.TXT", "KEEP\r\n"}}));
    ::chmod(rig.d.File("O0002.TXT").c_str(), 0644);
    EXPECT_EQ(rig.Run({"split", "D:\\A.NC"}), kExitCompleted);
    EXPECT_EQ(rig.FilesOfD(), (Files{{"A.NC", kTwo}, {"O0001.TXT", kO1}, {"O0002.TXT", kO2}}));
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

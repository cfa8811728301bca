// The file commands on real temporary folders mapped as C: and D:: copy and move of sets, delete
// into the trash, rename, copy to a new name, folder creation, import and the dialogs' targets;
// and the file information dialog: its field checks, the texts it shows and the apply.
#include "files/FileInfo.h"
#include "files/FileOperations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "support/FaultyFileSystem.h"
#include "support/MappedDrives.h"

namespace kelvantori::test {
namespace {

namespace fs = std::filesystem;
using Op = FaultyFileSystem::Op;
using A = OverwriteAnswer;
using Log = std::vector<std::string>;
using Kind = CopyMoveKind;

// Every file below a host folder as "path=bytes", in path order.
Log Files(const std::string& folder) {
    Log files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (std::ifstream in(e.path(), std::ios::binary); e.is_regular_file())
            files.push_back(fs::relative(e.path(), folder).string() + "=" +
                            std::string(std::istreambuf_iterator<char>(in), {}));
    std::sort(files.begin(), files.end());
    return files;
}

// Writes "path=bytes" files below a host folder; "path/" is an empty folder.
void Put(const TempFolder& drive, const Log& files) {
    for (const auto& file : files)
        if (const auto eq = file.find('='); eq == std::string::npos)
            fs::create_directories(drive.File(file));
        else
            drive.Write(file.substr(0, eq), file.substr(eq + 1));
}

template <typename T>
T Next(std::deque<T>& script, T otherwise) {
    if (script.empty())
        return otherwise;
    const T answer = script.front();
    script.pop_front();
    return answer;
}

// Scripted answers, and what the user saw, one entry each.
class CopyHost : public CopyMoveHost {
  public:
    std::deque<A> overwrite;
    std::deque<FailureAnswer> onFailure;
    int stopAt = -1;
    Log log;
    Log progress;
    Log questions;
    A AskOverwrite(const OverwriteQuestion& q) override {
        log.push_back("ask " + q.target);
        questions.push_back(q.text);
        return Next(overwrite, A::Cancel);
    }
    FailureAnswer ReportFailure(const ItemFailure& f) override {
        log.push_back("failed " + f.text);
        return Next(onFailure, FailureAnswer::Cancel);
    }
    bool Progress(const FileProgress& p) override {
        progress.push_back(std::to_string(p.item) + "/" + std::to_string(p.count) + " " + p.name +
                           " " + std::to_string(p.bytesDone) + "/" + std::to_string(p.bytesTotal));
        return p.item != stopAt;
    }
    void ShowMessage(std::string_view title, std::string_view text, bool warning) override {
        log.push_back(std::string(title) + ": " + std::string(text) + (warning ? " (!)" : ""));
    }
    void ListChanged(ListRefresh refresh) override {
        log.push_back(refresh == ListRefresh::KeepSelection ? "refresh keeping the selection"
                                                            : "refresh");
    }
};

class UserHost : public DeleteHost, public RenameHost, public TargetCheckHost {
  public:
    bool yes = true;
    std::deque<std::optional<std::string>> names;
    Log log;
    bool Confirm(std::string_view text) override { return Said(text); }
    bool AskCreateFolder(std::string_view text) override {
        return Said("ask " + std::string(text));
    }
    void ShowRefusal(std::string_view text) override { Said(text); }
    void ReportFailure(const ItemFailure& f) override { Said("failed " + f.text); }
    bool Progress(const FileProgress&) override { return true; }
    void SelectLine(int line) override { Said("select " + std::to_string(line)); }
    std::optional<std::string> AskNewName(const std::string& oldName) override {
        Said("ask " + oldName);
        return Next(names, std::optional<std::string>());
    }
    void LineRenamed(int line, const std::string& name) override {
        Said("line " + std::to_string(line) + " " + name);
    }
    void Pause(std::chrono::milliseconds d) override { Said("pause " + std::to_string(d.count())); }

  private:
    bool Said(std::string_view text) {
        log.emplace_back(text);
        return yes;
    }
};

class FileOpsTest : public ::testing::Test {
  protected:
    FileOpsTest() : zone_("TZ", "UTC") {}
    const TempFolder& C() const { return drives_.C(); }
    const TempFolder& D() const { return drives_.D(); }
    CopyMoveResult Run(const Log& names, std::string_view target, Kind kind = Kind::Copy) {
        return ShellCopyOrMove(drives_.Files(), SourcesIn("C:\\NC", names), target, kind, copy_);
    }
    ScopedEnv zone_;
    MappedDrives drives_;
    CopyHost copy_;
    UserHost user_;
};

const std::string kCopied = "完了: ファイルをコピーしました。";
const std::string kMoved = "完了: ファイルを移動しました。";

TEST_F(FileOpsTest, CopiesASetWithAWholeFolderCountingTheBytesAndMergesOntoAFolder) {
    const Log set = {"O1.NC=%\r\nO0001\r\n%\r\n", "O2.NC=" + std::string(3000, 'x'),
                     "SUB/DEEP/O4.NC=678", "SUB/O3.NC=12345"};
    Put(C(), {"NC/" + set[0], "NC/" + set[1], "NC/" + set[2], "NC/" + set[3]});
    Put(D(), {"OUT/O2.NC=123", "OUT/SUB/O3.NC=old", "OUT/SUB/Y.NC=Y"});
    for (const auto& [file, seconds] : {std::pair{C().File("NC/O2.NC"), 1717243200},
                                        std::pair{D().File("OUT/O2.NC"), 1704067200}}) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};  // 2024-06-01 12:00, 2024-01-01
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    }
    copy_.overwrite = {A::Yes, A::Yes};
    const auto result = Run({"O1.NC", "O2.NC", "SUB"}, "D:\\OUT");
    EXPECT_EQ(result.refresh, ListRefresh::None);
    EXPECT_EQ(Files(D().File("OUT")), (Log{set[0], set[1], set[2], set[3], "SUB/Y.NC=Y"}));
    EXPECT_EQ(Files(C().File("NC")), set);
    EXPECT_EQ(copy_.progress, (Log{"0/3 C:\\NC\\O1.NC 0/3021", "1/3 C:\\NC\\O2.NC 13/3021",
                                   "2/3 C:\\NC\\SUB 3013/3021", "3/3  3021/3021"}));
    EXPECT_EQ(copy_.questions,
              (Log{"すでにD:\\OUT\\O2.NCが有ります。\n現在のファイル : 3ﾊﾞｲﾄ  2024-01-01 00:00:00\n"
                   "新しいファイル : 3,000ﾊﾞｲﾄ  2024-06-01 12:00:00\n上書きしますか？",
                   "すでにD:\\OUT\\SUBのフォルダーが有ります。\n同じ名前のファイルは置き換えられ"
                   "ます。\nフォルダーをまとめますか？"}));
    EXPECT_EQ(copy_.log, (Log{"ask D:\\OUT\\O2.NC", "ask D:\\OUT\\SUB", kCopied}));
}

// A.NC, B.NC and C.NC copied onto files of those names in D:, answering the questions with
// answers: what the user saw, what D: holds, and the counts.
Log CopyOverExisting(std::deque<A> answers) {
    MappedDrives drives;
    Put(drives.C(), {"NC/A.NC=new", "NC/B.NC=new", "NC/C.NC=new"});
    Put(drives.D(), {"A.NC=old", "B.NC=old", "C.NC=old"});
    CopyHost host;
    host.overwrite = std::move(answers);
    const auto result = ShellCopyOrMove(
        drives.Files(), SourcesIn("C:\\NC", {"A.NC", "B.NC", "C.NC"}), "D:", Kind::Copy, host);
    Log seen = host.log;
    for (const auto& file : Files(drives.D().Path()))
        seen.push_back(file);
    seen.push_back(std::to_string(result.done) + " done, " + std::to_string(result.skipped) +
                   " skipped" + (result.completed ? "" : ", stopped"));
    return seen;
}

TEST(CopyMoveQuestions, TheAnswersDecideWhichTargetsAreReplaced) {
    const std::string a = "ask D:\\A.NC", b = "ask D:\\B.NC", c = "ask D:\\C.NC";
    EXPECT_EQ(CopyOverExisting({A::Yes, A::No, A::Yes}),
              (Log{a, b, c, kCopied, "A.NC=new", "B.NC=old", "C.NC=new", "2 done, 1 skipped"}));
    EXPECT_EQ(CopyOverExisting({A::YesToAll}),
              (Log{a, kCopied, "A.NC=new", "B.NC=new", "C.NC=new", "3 done, 0 skipped"}));
    EXPECT_EQ(CopyOverExisting({A::NoToAll}),
              (Log{a, kCopied, "A.NC=old", "B.NC=old", "C.NC=old", "0 done, 3 skipped"}));
    EXPECT_EQ(CopyOverExisting({A::Yes, A::Cancel}),
              (Log{a, b, "A.NC=new", "B.NC=old", "C.NC=old", "1 done, 0 skipped, stopped"}));
}

TEST_F(FileOpsTest, MovesMergeKeepTheSourceInTheTrashAndStopWhenProgressSaysSo) {
    Put(C(), {"NC/A.NC=A", "NC/B.NC=B", "NC/C.NC=C", "NC/SUB/X.NC=new X", "DONE/"});
    Put(D(), {"OUT/SUB/X.NC=old X", "OUT/SUB/Y.NC=Y"});
    copy_.overwrite = {A::Yes};
    EXPECT_EQ(Run({"A.NC", "SUB"}, "D:\\OUT", Kind::Move).refresh, ListRefresh::KeepSelection);
    copy_.stopAt = 1;
    const auto stopped = Run({"B.NC", "C.NC"}, "C:\\DONE", Kind::Move);
    EXPECT_FALSE(stopped.completed);
    EXPECT_EQ(stopped.refresh, ListRefresh::KeepSelection) << "one file did leave the folder";
    EXPECT_EQ(Files(D().File("OUT")), (Log{"A.NC=A", "SUB/X.NC=new X", "SUB/Y.NC=Y"}));
    EXPECT_EQ(Files(C().Path()), (Log{"DONE/B.NC=B", "NC/C.NC=C"}));
    EXPECT_EQ(Files(drives_.Trash("files")), Log{"SUB/X.NC=new X"}) << "nothing deleted outright";
    // The list is read again before the message (which then shows over the list as it is),
    // and after the stopped move too, which shows none.
    EXPECT_EQ(copy_.log, (Log{"ask D:\\OUT\\SUB", "refresh keeping the selection",
                              "完了: ファイルを移動しました。", "refresh keeping the selection"}));
}

// A.NC and B.NC copied or moved into D: while the first attempt on A.NC fails: what the user
// saw, then every file of both drives.
Log FailOnce(Kind kind, FsError error, FailureAnswer answer) {
    MappedDrives drives;
    Put(drives.C(), {"A.NC=A", "B.NC=B"});
    FaultyFileSystem faulty(drives.Files());
    faulty.Fail(kind == Kind::Copy ? Op::Copy : Op::Move, "C:\\A.NC", error);
    CopyHost host;
    host.onFailure = {answer};
    ShellCopyOrMove(faulty, SourcesIn("C:", {"A.NC", "B.NC"}), "D:", kind, host);
    for (const auto& file : Files(drives.C().Path()))
        host.log.push_back("C:" + file);
    for (const auto& file : Files(drives.D().Path()))
        host.log.push_back("D:" + file);
    return host.log;
}

TEST(CopyMoveFailures, AreReportedAndRetriedSkippedOrStoppedAtWithNothingLost) {
    const std::string copyA = "failed C:\\A.NC\nをコピー出来ませんでした。\n";
    const std::string denied = "アクセスが拒否されました。";
    EXPECT_EQ(FailOnce(Kind::Copy, FsError::AccessDenied, FailureAnswer::Retry),
              (Log{copyA + denied, kCopied, "C:A.NC=A", "C:B.NC=B", "D:A.NC=A", "D:B.NC=B"}));
    EXPECT_EQ(FailOnce(Kind::Copy, FsError::NoSpace, FailureAnswer::Skip),
              (Log{copyA + "ディスクの空き容量が不足しています。",
                   "確認: 1 個の項目をコピー出来ませんでした。 (!)", "C:A.NC=A", "C:B.NC=B",
                   "D:B.NC=B"}));
    EXPECT_EQ(
        FailOnce(Kind::Move, FsError::AccessDenied, FailureAnswer::Cancel),
        (Log{"failed C:\\A.NC\nを移動出来ませんでした。\n" + denied, "C:A.NC=A", "C:B.NC=B"}));
}

TEST_F(FileOpsTest, ImpossibleTargetsAreReportedWithoutAQuestion) {
    Put(C(), {"NC/SUB/A.NC=A", "NC/B.NC=B"});
    Put(D(), {"OUT/B.NC/"});  // a folder where the file would go
    copy_.onFailure = std::deque<FailureAnswer>(3, FailureAnswer::Skip);
    Run({"SUB"}, "C:\\NC\\SUB", Kind::Move);  // a folder dropped onto its own line
    Run({"B.NC"}, "D:\\OUT");
    Run({"B.NC"}, "c:\\NC\\");  // its own folder, the drive letter in the other case
    const std::string copy = "\nをコピー出来ませんでした。\n", warn = "確認: 1 個の項目を";
    EXPECT_EQ(copy_.log, (Log{"failed C:\\NC\\SUB\nを移動出来ませんでした。\nフォルダーをその"
                              "フォルダー自身の中へ入れることは出来ません。",
                              warn + "移動出来ませんでした。 (!)",
                              "failed C:\\NC\\B.NC" + copy +
                                  "同じ名前のフォルダーが有るため置き換えられません。",
                              warn + "コピー出来ませんでした。 (!)",
                              "failed C:\\NC\\B.NC" + copy + "コピー元とコピー先が同じです。",
                              warn + "コピー出来ませんでした。 (!)"}));
    EXPECT_EQ(Files(C().File("NC")), (Log{"B.NC=B", "SUB/A.NC=A"}));
}

TEST_F(FileOpsTest, DeleteConfirmsOnceAndPutsEachFileIntoTheTrashWithItsRecord) {
    Put(C(), {"NC/A.NC=A", "NC/B.NC=B", "NC/C.NC=C", "NC/KEEP.NC=K", "NC/SUB/X.NC=X"});
    FaultyFileSystem faulty(drives_.Files());
    faulty.Fail(Op::Trash, "C:\\NC\\B.NC", FsError::AccessDenied);
    user_.yes = false;
    EXPECT_EQ(DeleteToTrash(faulty, {"C:\\NC\\A.NC"}, user_).refresh, ListRefresh::None);
    DeleteToTrash(faulty, {"C:\\NC\\SUB"}, user_);
    EXPECT_FALSE(fs::exists(drives_.Trash("files")));
    user_.yes = true;
    const auto result =
        DeleteToTrash(faulty, SourcesIn("C:\\NC", {"A.NC", "B.NC", "C.NC", "GONE.NC"}), user_);
    const std::string failed = "\nをごみ箱に移動出来ませんでした。\n";
    EXPECT_EQ(user_.log, (Log{"「A.NC」をごみ箱に移動しますか？",
                              "フォルダー「SUB」とその中身をごみ箱に移動しますか？",
                              "4 個の項目をごみ箱に移動しますか？",
                              "failed C:\\NC\\B.NC" + failed + "アクセスが拒否されました。",
                              "failed C:\\NC\\GONE.NC" + failed +
                                  "ファイルまたはフォルダーが見つかりません。"}));
    EXPECT_EQ(result.refresh, ListRefresh::Full);
    EXPECT_EQ(Files(C().File("NC")), (Log{"B.NC=B", "KEEP.NC=K", "SUB/X.NC=X"}));
    const Log trash = Files(drives_.Trash());
    ASSERT_EQ(trash.size(), 4u);
    EXPECT_EQ(
        trash[0] + trash[1] + trash[2].substr(0, trash[2].find("\nDeletionDate")),
        "files/A.NC=Afiles/C.NC=Cinfo/A.NC.trashinfo=[Trash Info]\nPath=" + C().File("NC/A.NC"));
}

Log Renamed(RenameRule rule, const Log& names) {
    Log out;
    for (const auto& name : names)
        out.push_back(ApplyRenameRule(rule, name));
    return out;
}

TEST(RenameRules, ChangeSingleByteLatinLettersOnlyAndNamesStayInTheirFolder) {
    using R = RenameRule;
    const Log names = {"abc.NC", "ｱｲｳabc.nc", "加工ABC.NC", "é1a", "1AB.NC"};
    EXPECT_EQ(Renamed(R::Upper, names),
              Log({"ABC.NC", "ｱｲｳABC.NC", "加工ABC.NC", "é1A", "1AB.NC"}));
    EXPECT_EQ(Renamed(R::Lower, names),
              Log({"abc.nc", "ｱｲｳabc.nc", "加工abc.nc", "é1a", "1ab.nc"}));
    EXPECT_EQ(Renamed(R::Capitalise, names),
              Log({"Abc.nc", "ｱｲｳabc.nc", "加工abc.nc", "é1a", "1ab.nc"}));
    EXPECT_EQ(Renamed(R::Keep, names), names);
    for (const char* name : {"O1234.NC", "ｱｲｳ 加工.nc", ".hidden"})
        EXPECT_TRUE(IsValidEntryName(name)) << name;
    for (const char* name : {"", ".", "..", "..\\O1.NC", "A/B", "C:O1.NC", "A*.NC", "A?.NC", "A\"B",
                             "A<B", "A|B", "A\tB"})
        EXPECT_FALSE(IsValidEntryName(name)) << name;
}

TEST_F(FileOpsTest, RenameOneByOneAsksForEachFileAndRefusesATakenOrStrayName) {
    Put(C(), {"NC/A.NC=A", "NC/B.NC=B", "NC/C.NC=C", "NC/D.NC=D"});
    user_.names = {"X.NC", std::nullopt, "..\\UP.NC", "B.NC"};
    const auto result =
        RenameAll(drives_.Files(), "C:\\NC", {{1, "A.NC"}, {2, "B.NC"}, {3, "C.NC"}, {4, "D.NC"}},
                  RenameRule::OneByOne, user_);
    EXPECT_EQ(result.renamed, 1);
    EXPECT_EQ(result.unchanged, 1);
    EXPECT_EQ(result.failed, 2);
    // A name with a "\" would have moved the file into the parent folder.
    EXPECT_EQ(Files(C().Path()), (Log{"NC/B.NC=B", "NC/C.NC=C", "NC/D.NC=D", "NC/X.NC=A"}));
    const std::string failed = "\nの名前を変更出来ませんでした。\n";
    EXPECT_EQ(
        user_.log,
        (Log{"select 1", "ask A.NC", "line 1 X.NC", "pause 100", "select 2", "ask B.NC", "select 3",
             "ask C.NC", "failed C.NC" + failed + "ファイル名が正しくありません。", "pause 100",
             "select 4", "ask D.NC", "failed D.NC" + failed + "同じ名前のファイルが既にあります。",
             "pause 100"}));
}

TEST_F(FileOpsTest, CopyToANewNameTakesTheMaskExtensionAndNeverCopiesOntoItself) {
    EXPECT_EQ(CopyNameTarget("D:\\NC", "O5678", "*.nc", "N"), "D:\\NC\\O5678.nc");
    EXPECT_EQ(CopyNameTarget("D:\\NC", "O5678.TXT", "*.NC", "Y"), "D:\\NC\\O5678.TXT");
    EXPECT_EQ(CopyNameTarget("C:", "O1", "*.NC", "N"), "C:\\O1.NC");
    Put(C(), {"NC/O1.NC=one", "NC/O2.NC=old two", "NC/O3.NC/"});
    Log messages;
    for (const char* typed : {"O2", "O1", "O3"})
        messages.push_back(
            CopyToNewName(drives_.Files(), "C:\\NC", "O1.NC", typed, "*.NC", "N").message);
    EXPECT_EQ(messages, (Log{"ファイルコピー完了", "コピー元とコピー先が同じです。",
                             "コピー出来ませんでした。ファイルではなくフォルダーです。"}));
    EXPECT_EQ(Files(C().File("NC")), (Log{"O1.NC=one", "O2.NC=one"}));
}

TEST_F(FileOpsTest, CreateFolderPathMakesEveryMissingFolderOnTheWay) {
    FaultyFileSystem faulty(drives_.Files());
    FsError error = FsError::Other;
    Put(C(), {"A/keep.NC=k"});
    EXPECT_TRUE(CreateFolderPath(faulty, "C:\\A\\B\\C", &error) && error == FsError::None);
    EXPECT_TRUE(CreateFolderPath(faulty, "c:\\A\\B\\D\\"));  // the trailing "\" dropped
    EXPECT_TRUE(fs::is_directory(C().File("A/B/C")) && fs::is_directory(C().File("A/B/D")));
    EXPECT_EQ(Files(C().Path()), Log{"A/keep.NC=k"});
    for (const char* drive : {"C:", "C:\\", ""})
        EXPECT_FALSE(CreateFolderPath(faulty, drive)) << drive;
    EXPECT_EQ(faulty.Calls(Op::CreateDirectory, "C:"), 0);
    faulty.Fail(Op::CreateDirectory, "C:\\X", FsError::AccessDenied);
    EXPECT_TRUE(CreateFolderPath(faulty, "C:\\X\\Y", &error) && error == FsError::AccessDenied)
        << "true, but the first failure";
    EXPECT_FALSE(fs::exists(C().File("X")));
}

TEST_F(FileOpsTest, ImportReplacesAFileOfThatNameAndLeavesAFileAlreadyThere) {
    Put(D(), {"IN/O9.NC=from the stick"});
    Put(C(), {"NC/O9.NC=old", "NC/O8.NC=eight"});
    EXPECT_EQ(ImportFile(drives_.Files(), "c:\\NC\\O8.NC", "C:\\NC"), FsError::None);
    const auto ok = ImportDroppedFiles(drives_.Files(), {"D:\\IN\\O9.NC"}, "C:\\NC");
    const auto failed =
        ImportDroppedFiles(drives_.Files(), {"D:\\IN\\GONE.NC", "D:\\IN\\O9.NC"}, "C:\\NC");
    EXPECT_EQ(Files(C().File("NC")), (Log{"O8.NC=eight", "O9.NC=from the stick"}));
    EXPECT_EQ(ok.message, "ファイルコピー完了");
    EXPECT_EQ(failed.message, "1 個のファイルをコピー出来ませんでした。");
}

// The copy/move dialog's OK on combo with C:\NC listed, create answering the question for a
// missing folder: the target (or "refused"), the combo text afterwards and what the user saw.
std::string CheckTarget(const char* combo, bool create = true) {
    MappedDrives drives;
    Put(drives.C(), {"NC/"});
    Put(drives.D(), {"OUT/"});
    UserHost host;
    host.yes = create;
    const auto check = CheckCopyTarget(drives.Files(), combo, "C:\\NC", host);
    std::string out = (check.accepted ? check.target : "refused") + " | " + check.comboText;
    for (const auto& shown : host.log)
        out += " | " + shown;
    // An accepted folder exists on disk (a created one included), except a bare drive.
    if (check.accepted && check.target.size() > 2 && !drives.Files().IsDirectory(check.target))
        out += " | missing";
    return out;
}

TEST(CheckCopyTarget, ChecksTheTargetBeforeAnythingIsCopied) {
    const std::string ask = " | ask ディレクトリが見つかりません。ディレクトリを作成しますか？";
    const std::string same = " | C:\\NCのﾌｫﾙﾀﾞｰにはｺﾋﾟｰは出来ません。";
    EXPECT_EQ(CheckTarget("c:\\nc"), "refused | c:\\nc" + same);
    EXPECT_EQ(CheckTarget("Q:"), "Q: | Q:") << "two characters are taken unchecked";
    EXPECT_EQ(CheckTarget("D:\\"), "D: | D:\\");
    EXPECT_EQ(CheckTarget("D:\\NEW\\SUB"), "D:\\NEW\\SUB | D:\\NEW\\SUB" + ask);
    EXPECT_EQ(CheckTarget("D:\\NEW", false), "refused | C:\\NC" + ask + same);
    EXPECT_EQ(CheckTarget("Q:\\NC"), "refused | Q:\\NC" + ask +
                                         " | Q:\\NC\nのディレクトリを作成出来ませんでした。\nドライ"
                                         "ブが割り当てられていません。");
    EXPECT_EQ(CheckTarget(""), "refused | ");
}

TEST(CheckDataFolder, AsksForAMissingFolderMakesItWholeOrFallsBackToC) {
    const std::string ask = "ask ディレクトリが見つかりません。ディレクトリを作成しますか？";
    const struct {
        const char* name;
        const char* dirPath;
        bool yes;
        DataFolderCheck check;
        std::string dirPathAfter;
        Log shown;  // the question asked and the errors shown, in order
    } rows[] = {
        {"ADriveAloneIsNotChecked", "Q:", true, DataFolderCheck::Present, "Q:", {}},
        {"AnExistingFolder", "c:\\NC", true, DataFolderCheck::Present, "c:\\NC", {}},
        {"YesMakesEveryMissingFolder",
         "D:\\NEW\\SUB\\DEEP",
         true,
         DataFolderCheck::Created,
         "D:\\NEW\\SUB\\DEEP",
         {ask}},
        {"NoFallsBackToTheDrive", "D:\\NEW", false, DataFolderCheck::FellBack, "c:", {ask}},
        {"AFolderThatCannotBeMadeIsReported",
         "Q:\\NC",
         true,
         DataFolderCheck::NotCreated,
         "Q:\\NC",
         {ask, "error ドライブが割り当てられていません。\nQ:\\NC"}},
        {"AFileInTheWay",
         "C:\\NC\\O1.NC\\SUB",
         true,
         DataFolderCheck::NotCreated,
         "C:\\NC\\O1.NC\\SUB",
         {ask, "error 同じ名前のファイルが既にあります。\nC:\\NC\\O1.NC\\SUB"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MappedDrives drives;
        Put(drives.C(), {"NC/O1.NC=one"});
        Settings settings;
        settings.DirPath = row.dirPath;
        Log shown;
        const DataFolderCheck check = CheckDataFolder(
            drives.Files(), settings,
            [&](const std::string& text) { return shown.push_back("ask " + text), row.yes; },
            [&](const std::string& text) { shown.push_back("error " + text); });
        EXPECT_EQ(check, row.check);
        EXPECT_EQ(settings.DirPath, row.dirPathAfter);
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(Files(drives.C().Path()), Log{"NC/O1.NC=one"});
        if (row.dirPathAfter.size() > 2) {
            EXPECT_EQ(drives.Files().IsDirectory(row.dirPathAfter),
                      row.check != DataFolderCheck::NotCreated);
        }
    }
}

using F = InfoField;

// "" when the field passes, else the field that keeps the focus and the message.
std::string Problem(const std::optional<FieldProblem>& problem) {
    return problem ? std::to_string(int(problem->field)) + " " + problem->message : "";
}

TEST(FileInfoChecks, EachFieldRefusesWhatIsOutOfRange) {
    // The answers to the texts typed into one field, "ok" for a field that passes.
    const auto checked = [](F field, std::initializer_list<const char*> texts) {
        std::string out;
        for (const char* text : texts) {
            const auto problem = CheckTimeField(field, text);
            out += (problem && problem->field == field ? problem->message : "ok") + " ";
        }
        return out;
    };
    EXPECT_EQ(checked(F::Year, {"1969", "1970", "9999", ""}),
              "年数は1970以降でお願いします。 ok ok 年が入力されていません。 ");
    const std::string month = "１から１２までしか入力出来ません ";
    EXPECT_EQ(checked(F::Month, {"0", "00", "13", "1", "12"}), month + month + month + "ok ok ");
    const std::string day = "１から３１までしか入力出来ません ";
    EXPECT_EQ(checked(F::Day, {"0", "32", "31"}), day + day + "ok ");
    EXPECT_EQ(checked(F::Hour, {"24", "00"}), "０から２３までしか入力出来ません ok ");
    const std::string sixty = "０から５９までしか入力出来ません ";
    EXPECT_EQ(checked(F::Minute, {"60", "5a", "59"}), sixty + sixty + "ok ");
    EXPECT_EQ(checked(F::Second, {"60", "", "0"}), sixty + "秒が入力されていません。 ok ");
    EXPECT_EQ(NextFocus(F::Second, true), F::Apply);
    EXPECT_EQ(NextFocus(F::Second, false), F::Close);
    EXPECT_TRUE(AcceptsTimeFieldChar('7') && AcceptsTimeFieldChar('\b'));
    EXPECT_FALSE(AcceptsTimeFieldChar('-') || AcceptsTimeFieldChar(' '));
}

TEST(FileInfoChecks, AllSixInOrderThenARealDayAndARealLocalTime) {
    ScopedEnv zone("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    const auto check = [](const TimeFields& fields) { return Problem(CheckTimeFields(fields)); };
    EXPECT_EQ(check({"2005", "13", "40", "25", "61", "61"}), "1 １から１２までしか入力出来ません");
    EXPECT_EQ(check({"2005", "12", "", "23", "59", "59"}), "2 日が入力されていません。");
    EXPECT_EQ(check({"2005", "02", "31", "10", "00", "00"}), "2 2005年2月には31日が有りません。");
    EXPECT_EQ(check({"2023", "02", "29", "0", "0", "0"}), "2 2023年2月には29日が有りません。");
    EXPECT_EQ(check({"2000", "02", "29", "0", "0", "0"}), "");
    EXPECT_EQ(check({"2024", "03", "31", "02", "30", "00"}), "3 この日時は指定出来ません。")
        << "skipped by summer time";
    EXPECT_EQ(check({"2024", "03", "31", "03", "30", "00"}), "");
}

class FileInfoTest : public FileOpsTest {
  protected:
    // What the dialog shows of folder\name, one field after the other.
    std::string Shown(const char* folder, const char* name, bool withTime = false) {
        const auto view = ReadFileInfo(drives_.Files(), folder, name);
        std::string shown =
            view ? view->name + "|" + view->kindLine + "|" + view->placeLine + "|" + view->sizeLine
                 : "unreadable";
        for (const auto& field : view ? view->time : TimeFields{})
            shown += withTime ? "|" + field : "";
        return shown;
    }
    std::int64_t Mtime(const char* path) const {
        struct stat st {};
        ::stat(drives_.C().File(path).c_str(), &st);
        return st.st_mtim.tv_sec;
    }
    const TimeFields valentine_ = {"2005", "02", "14", "08", "30", "15"};
    static constexpr std::int64_t kValentine = 1108369815;  // 2005-02-14 08:30:15 UTC
};

TEST_F(FileInfoTest, ShowsAFileAFolderAndAnExecutable) {
    drives_.C().Write("NC/O1234.NC", std::string(1536, 'x'));
    std::filesystem::create_directories(drives_.C().File("PROGS"));
    ::chmod(drives_.C().Write("send.sh", "#!/bin/sh\n").c_str(), 0755);
    ASSERT_TRUE(ApplyFileInfo(drives_.Files(), "C:\\NC\\O1234.NC", valentine_, {}).Ok());
    EXPECT_EQ(Shown("C:\\NC", "O1234.NC", true),
              "O1234.NC|種類 :　　　NC ﾌｧｲﾙ|場所 :　　　C:\\NC\\|サイズ :　　1.500KB (1,536ﾊﾞｲﾄ)"
              "|2005|02|14|08|30|15");
    EXPECT_EQ(Shown("C:", "PROGS"), "PROGS|種類 :　　　ﾌｧｲﾙ ﾌｫﾙﾀﾞ|場所 :　　　C:\\|サイズ :　　0");
    EXPECT_EQ(Shown("C:", "send.sh"),
              "send.sh|種類 :　　　ｱﾌﾟﾘｹｰｼｮﾝ|場所 :　　　C:\\|サイズ :　　10ﾊﾞｲﾄ");
    EXPECT_EQ(Shown("C:", "GONE.NC"), "unreadable");
}

TEST(FileInfoTexts, KindsBeyondTheOnesShownAbove) {
    std::string kinds;  // the last extension, an .exe, no extension, an empty one
    for (const char* name : {"a.b.txt", "tool.exe", "README", "TRAIL."})
        kinds += KindText(name, false, false) + "|";
    EXPECT_EQ(kinds, "TXT ﾌｧｲﾙ|ｱﾌﾟﾘｹｰｼｮﾝ|ﾌｧｲﾙ|ﾌｧｲﾙ|");
}

TEST_F(FileInfoTest, ApplySetsTimeAndAttributesOfAFileOnlyTheAttributesOfAFolderOrSaysWhy) {
    const char* o1 = "C:\\NC\\O1.NC";
    drives_.C().Write("NC/O1.NC", "O1\r\n");
    DosAttributes ticked;
    ticked.readOnly = true;
    const std::string folder = drives_.C().File("NC");
    ticked.hidden = ::setxattr(folder.c_str(), "user.probe", "1", 1, 0) == 0;  // where it can be
    ::removexattr(folder.c_str(), "user.probe");
    const auto folderTime = Mtime("NC");
    EXPECT_TRUE(ApplyFileInfo(drives_.Files(), o1, valentine_, ticked).Ok());
    EXPECT_TRUE(
        ApplyFileInfo(drives_.Files(), "C:\\NC", {"2020", "01", "01", "0", "0", "0"}, ticked).Ok());
    EXPECT_EQ(Mtime("NC/O1.NC"), kValentine);
    EXPECT_EQ(Mtime("NC"), folderTime) << "a folder keeps its time";
    EXPECT_EQ(drives_.Files().Stat(o1)->attributes, ticked);
    EXPECT_EQ(drives_.Files().Stat("C:\\NC")->attributes, ticked);
    EXPECT_TRUE(ApplyFileInfo(drives_.Files(), o1, valentine_, {}).Ok());
    EXPECT_EQ(drives_.Files().Stat(o1)->attributes, DosAttributes{})
        << "nothing ticked: normal, and writable again";
    FaultyFileSystem faulty(drives_.Files());
    faulty.Fail(FaultyFileSystem::Op::SetModified, o1, FsError::AccessDenied);
    const auto refused = ApplyFileInfo(faulty, o1, {"2005", "02", "31", "08", "30", "15"}, ticked);
    EXPECT_EQ(Problem(refused.problem), "2 2005年2月には31日が有りません。");
    EXPECT_EQ(drives_.Files().Stat(o1)->attributes, DosAttributes{}) << "a refused field: nothing";
    EXPECT_EQ(faulty.Calls(FaultyFileSystem::Op::SetModified, o1), 0);
    EXPECT_EQ(ApplyFileInfo(faulty, o1, {"2010", "01", "01", "0", "0", "0"}, ticked).error,
              "更新日時を変更出来ませんでした。\nアクセスが拒否されました。");
    EXPECT_EQ(Mtime("NC/O1.NC"), kValentine);
    EXPECT_EQ(drives_.Files().Stat(o1)->attributes, ticked) << "the rest is done";
    EXPECT_EQ(ApplyFileInfo(drives_.Files(), "C:\\NC\\GONE.NC", valentine_, {}).error,
              "ファイルまたはフォルダーが見つかりません。");
}

}  // namespace
}  // namespace kelvantori::test

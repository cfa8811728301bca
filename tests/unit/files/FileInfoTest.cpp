// The file information dialog: the field checks, the texts it shows, and the apply on real files
// of a temporary folder mapped as drive C:.
#include "files/FileInfo.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/FaultyFileSystem.h"
#include "support/MappedDrives.h"

namespace kelvantori::test {
namespace {

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

class FileInfoTest : public ::testing::Test {
  protected:
    FileInfoTest() : zone_("TZ", "JST-9") {}
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
    ScopedEnv zone_;
    MappedDrives drives_;
    const TimeFields valentine_ = {"2005", "02", "14", "08", "30", "15"};
    static constexpr std::int64_t kValentine = 1108337415;  // 2005-02-14 08:30:15 JST
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

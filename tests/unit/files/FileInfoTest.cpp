// The file information dialog: the field checks, the texts it shows, and the apply on real files
// of a temporary folder mapped as drive C:.
#include "files/FileInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/FaultyFileSystem.h"
#include "support/MappedDrives.h"

namespace kelvantori::test {
namespace {

namespace fs = std::filesystem;

struct FieldRow {
    const char* name;
    InfoField field;
    const char* text;
    const char* message;  // "" when the field passes
};

class TimeFieldChecks : public ::testing::TestWithParam<FieldRow> {};

TEST_P(TimeFieldChecks, RefuseWhatIsOutOfRange) {
    const auto& row = GetParam();
    const auto problem = CheckTimeField(row.field, row.text);
    if (std::string_view(row.message).empty()) {
        EXPECT_FALSE(problem) << problem->message;
    } else {
        ASSERT_TRUE(problem);
        EXPECT_EQ(problem->message, row.message);
        EXPECT_EQ(problem->field, row.field);
    }
}

using F = InfoField;
INSTANTIATE_TEST_SUITE_P(
    FileInfo, TimeFieldChecks,
    ::testing::Values(
        FieldRow{"Year1969", F::Year, "1969", "年数は1970以降でお願いします。"},
        FieldRow{"Year1970", F::Year, "1970", ""}, FieldRow{"Year9999", F::Year, "9999", ""},
        FieldRow{"YearZero", F::Year, "0000", "年数は1970以降でお願いします。"},
        FieldRow{"YearEmpty", F::Year, "", "年が入力されていません。"},
        FieldRow{"Month0", F::Month, "0", "１から１２までしか入力出来ません"},
        FieldRow{"Month00", F::Month, "00", "１から１２までしか入力出来ません"},
        FieldRow{"Month13", F::Month, "13", "１から１２までしか入力出来ません"},
        FieldRow{"Month1", F::Month, "1", ""}, FieldRow{"Month12", F::Month, "12", ""},
        FieldRow{"Day0", F::Day, "0", "１から３１までしか入力出来ません"},
        FieldRow{"Day32", F::Day, "32", "１から３１までしか入力出来ません"},
        FieldRow{"Day31", F::Day, "31", ""},
        FieldRow{"Hour24", F::Hour, "24", "０から２３までしか入力出来ません"},
        FieldRow{"Hour0", F::Hour, "00", ""},
        FieldRow{"Minute60", F::Minute, "60", "０から５９までしか入力出来ません"},
        FieldRow{"Minute59", F::Minute, "59", ""},
        FieldRow{"Second60", F::Second, "60", "０から５９までしか入力出来ません"},
        FieldRow{"SecondEmpty", F::Second, "", "秒が入力されていません。"},
        FieldRow{"PastedLetters", F::Minute, "5a", "０から５９までしか入力出来ません"}),
    [](const auto& info) { return std::string(info.param.name); });

TimeFields Fields(const char* y, const char* mo, const char* d, const char* h, const char* mi,
                  const char* s) {
    return {y, mo, d, h, mi, s};
}

TEST(FileInfoChecks, TheFirstFailingFieldInOrderWins) {
    const auto problem = CheckTimeFields(Fields("2005", "13", "40", "25", "61", "61"));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->field, InfoField::Month);
    const auto seconds = CheckTimeFields(Fields("2005", "12", "31", "23", "59", "60"));
    ASSERT_TRUE(seconds);
    EXPECT_EQ(seconds->field, InfoField::Second);
    EXPECT_EQ(seconds->message, "０から５９までしか入力出来ません");
    const auto empty = CheckTimeFields(Fields("2005", "12", "", "23", "59", "59"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->field, InfoField::Day);
    EXPECT_EQ(empty->message, "日が入力されていません。");
}

TEST(FileInfoChecks, ADayTheMonthDoesNotHaveIsRefusedAtTheDay) {
    ScopedEnv zone("TZ", "JST-9");
    const auto february = CheckTimeFields(Fields("2005", "02", "31", "10", "00", "00"));
    ASSERT_TRUE(february);
    EXPECT_EQ(february->field, InfoField::Day);
    EXPECT_EQ(february->message, "2005年2月には31日が有りません。");
    EXPECT_TRUE(CheckTimeFields(Fields("2023", "02", "29", "0", "0", "0")));
    EXPECT_TRUE(CheckTimeFields(Fields("2024", "04", "31", "0", "0", "0")));
    EXPECT_FALSE(CheckTimeFields(Fields("2024", "02", "29", "0", "0", "0")));
    EXPECT_FALSE(CheckTimeFields(Fields("2000", "02", "29", "0", "0", "0")));
    EXPECT_TRUE(CheckTimeFields(Fields("1900", "02", "29", "0", "0", "0")));  // also before 1970
}

TEST(FileInfoChecks, AClockTimeSkippedBySummerTimeIsRefusedAtTheHour) {
    ScopedEnv zone("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    const auto skipped = CheckTimeFields(Fields("2024", "03", "31", "02", "30", "00"));
    ASSERT_TRUE(skipped);
    EXPECT_EQ(skipped->field, InfoField::Hour);
    EXPECT_EQ(skipped->message, "この日時は指定出来ません。");
    EXPECT_FALSE(CheckTimeFields(Fields("2024", "03", "31", "03", "30", "00")));
}

TEST(FileInfoChecks, EnterMovesTheFocusOnAndEndsAtTheEnabledButton) {
    EXPECT_EQ(NextFocus(F::Year, false), F::Month);
    EXPECT_EQ(NextFocus(F::Month, false), F::Day);
    EXPECT_EQ(NextFocus(F::Day, false), F::Hour);
    EXPECT_EQ(NextFocus(F::Hour, false), F::Minute);
    EXPECT_EQ(NextFocus(F::Minute, false), F::Second);
    EXPECT_EQ(NextFocus(F::Second, true), F::Apply);
    EXPECT_EQ(NextFocus(F::Second, false), F::Close);
    EXPECT_EQ(TimeFieldLength(F::Year), 4);
    EXPECT_EQ(TimeFieldLength(F::Second), 2);
    EXPECT_TRUE(AcceptsTimeFieldChar('7'));
    EXPECT_TRUE(AcceptsTimeFieldChar('\b'));
    EXPECT_FALSE(AcceptsTimeFieldChar('-'));
    EXPECT_FALSE(AcceptsTimeFieldChar(' '));
}

TEST(FileInfoTexts, TheListTimeIsCutIntoTheSixFields) {
    EXPECT_EQ(TimeFieldsOf("2005-02-14 08:30:15"), Fields("2005", "02", "14", "08", "30", "15"));
    EXPECT_EQ(TimeFieldsOf(""), Fields("", "", "", "", "", ""));
}

struct KindRow {
    const char* name;
    bool folder;
    bool executable;
    const char* kind;
};

class KindTexts : public ::testing::TestWithParam<KindRow> {};

TEST_P(KindTexts, NameTheKindAsTheHostWouldWithoutTypeNames) {
    EXPECT_EQ(KindText(GetParam().name, GetParam().folder, GetParam().executable), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(FileInfo, KindTexts,
                         ::testing::Values(KindRow{"NC", true, false, "ﾌｧｲﾙ ﾌｫﾙﾀﾞ"},
                                           KindRow{"O1234.NC", false, false, "NC ﾌｧｲﾙ"},
                                           KindRow{"o1234.nc", false, false, "NC ﾌｧｲﾙ"},
                                           KindRow{"a.b.txt", false, false, "TXT ﾌｧｲﾙ"},
                                           KindRow{"EDITOR.EXE", false, false, "ｱﾌﾟﾘｹｰｼｮﾝ"},
                                           KindRow{"tool.exe", false, false, "ｱﾌﾟﾘｹｰｼｮﾝ"},
                                           KindRow{"send.sh", false, true, "ｱﾌﾟﾘｹｰｼｮﾝ"},
                                           KindRow{"README", false, false, "ﾌｧｲﾙ"},
                                           KindRow{"TRAIL.", false, false, "ﾌｧｲﾙ"}));

// --- On real files -----------------------------------------------------------------------------

std::int64_t MtimeOf(const std::string& host) {
    struct stat st {};
    ::stat(host.c_str(), &st);
    return st.st_mtim.tv_sec;
}

bool HasUserXattrs(const std::string& host) {
    if (::setxattr(host.c_str(), "user.kelvantori-probe", "1", 1, 0) != 0)
        return false;
    ::removexattr(host.c_str(), "user.kelvantori-probe");
    return true;
}

class FileInfoTest : public ::testing::Test {
  protected:
    FileInfoTest() : zone_("TZ", "JST-9") {}

    void SetTime(const std::string& host, std::int64_t seconds) {
        const timespec times[2] = {{static_cast<time_t>(seconds), 0},
                                   {static_cast<time_t>(seconds), 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, host.c_str(), times, 0), 0);
    }

    ScopedEnv zone_;
    MappedDrives drives_;
};

constexpr std::int64_t kValentine = 1108337415;  // 2005-02-14 08:30:15 JST

TEST_F(FileInfoTest, ShowsNameKindPlaceSizeAndLocalTimeOfAFile) {
    const auto host = drives_.C().Write("NC/O1234.NC", std::string(1536, 'x'));
    SetTime(host, kValentine);

    const auto view = ReadFileInfo(drives_.Files(), "C:\\NC", "O1234.NC");

    ASSERT_TRUE(view);
    EXPECT_EQ(view->name, "O1234.NC");
    EXPECT_FALSE(view->folder);
    EXPECT_EQ(view->kindLine, "種類 :　　　NC ﾌｧｲﾙ");
    EXPECT_EQ(view->placeLine, "場所 :　　　C:\\NC\\");
    EXPECT_EQ(view->sizeLine, "サイズ :　　1.500KB (1,536ﾊﾞｲﾄ)");
    EXPECT_EQ(view->time, Fields("2005", "02", "14", "08", "30", "15"));
    EXPECT_FALSE(view->attributes.readOnly);
}

TEST_F(FileInfoTest, ShowsAFolderAndAnExecutableAtTheRoot) {
    fs::create_directories(drives_.C().File("PROGS"));
    ::chmod(drives_.C().Write("send.sh", "#!/bin/sh\n").c_str(), 0755);

    const auto folder = ReadFileInfo(drives_.Files(), "C:", "PROGS");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->folder);
    EXPECT_EQ(folder->kindLine, "種類 :　　　ﾌｧｲﾙ ﾌｫﾙﾀﾞ");
    EXPECT_EQ(folder->sizeLine, "サイズ :　　0");
    EXPECT_EQ(folder->placeLine, "場所 :　　　C:\\");

    const auto program = ReadFileInfo(drives_.Files(), "C:", "send.sh");
    ASSERT_TRUE(program);
    EXPECT_EQ(program->kindLine, "種類 :　　　ｱﾌﾟﾘｹｰｼｮﾝ");
    EXPECT_EQ(program->sizeLine, "サイズ :　　10ﾊﾞｲﾄ");

    EXPECT_FALSE(ReadFileInfo(drives_.Files(), "C:", "GONE.NC"));
}

TEST_F(FileInfoTest, ApplySetsTheTimeAndTheAttributesOfAFile) {
    const auto host = drives_.C().Write("NC/O1234.NC", "O1234\r\n");
    const bool xattrs = HasUserXattrs(host);

    DosAttributes ticked;
    ticked.readOnly = true;
    ticked.archive = xattrs;
    const auto outcome = ApplyFileInfo(drives_.Files(), "C:\\NC\\O1234.NC",
                                       Fields("2005", "02", "14", "08", "30", "15"), ticked);

    EXPECT_TRUE(outcome.Ok()) << outcome.error;
    EXPECT_EQ(MtimeOf(host), kValentine);
    const auto read = ReadFileInfo(drives_.Files(), "C:\\NC", "O1234.NC");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->attributes, ticked);
    EXPECT_EQ(read->time, Fields("2005", "02", "14", "08", "30", "15"));

    // Unticking every box leaves the file with normal attributes (and writable again).
    const auto normal = ApplyFileInfo(drives_.Files(), "C:\\NC\\O1234.NC", read->time, {});
    EXPECT_TRUE(normal.Ok()) << normal.error;
    EXPECT_EQ(drives_.Files().Stat("C:\\NC\\O1234.NC")->attributes, DosAttributes{});
    struct stat st {};
    ::stat(host.c_str(), &st);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

TEST_F(FileInfoTest, ApplyLeavesAFoldersTimeButSetsItsAttributes) {
    const auto host = drives_.C().File("NC");
    fs::create_directories(host);
    SetTime(host, kValentine);
    const bool xattrs = HasUserXattrs(host);
    DosAttributes hidden;
    hidden.hidden = xattrs;
    hidden.readOnly = true;

    const auto outcome = ApplyFileInfo(drives_.Files(), "C:\\NC",
                                       Fields("2020", "01", "01", "00", "00", "00"), hidden);

    EXPECT_TRUE(outcome.Ok()) << outcome.error;
    EXPECT_EQ(MtimeOf(host), kValentine);
    EXPECT_EQ(drives_.Files().Stat("C:\\NC")->attributes, hidden);
}

TEST_F(FileInfoTest, ARefusedFieldChangesNothing) {
    const auto host = drives_.C().Write("NC/O1.NC", "x");
    SetTime(host, kValentine);
    DosAttributes readOnly;
    readOnly.readOnly = true;

    const auto outcome = ApplyFileInfo(drives_.Files(), "C:\\NC\\O1.NC",
                                       Fields("2005", "02", "31", "08", "30", "15"), readOnly);

    ASSERT_TRUE(outcome.problem);
    EXPECT_EQ(outcome.problem->field, InfoField::Day);
    EXPECT_FALSE(outcome.Ok());
    EXPECT_EQ(MtimeOf(host), kValentine);
    EXPECT_FALSE(drives_.Files().Stat("C:\\NC\\O1.NC")->attributes.readOnly);
}

TEST_F(FileInfoTest, WhatTheSystemRefusesIsSaidAndTheRestIsStillDone) {
    const auto host = drives_.C().Write("NC/O1.NC", "x");
    SetTime(host, kValentine);
    FaultyFileSystem faulty(drives_.Files());
    faulty.Fail(FaultyFileSystem::Op::SetModified, "C:\\NC\\O1.NC", FsError::AccessDenied);
    DosAttributes readOnly;
    readOnly.readOnly = true;

    const auto outcome = ApplyFileInfo(faulty, "C:\\NC\\O1.NC",
                                       Fields("2010", "01", "01", "00", "00", "00"), readOnly);

    EXPECT_FALSE(outcome.Ok());
    EXPECT_EQ(outcome.error, "更新日時を変更出来ませんでした。\nアクセスが拒否されました。");
    EXPECT_EQ(MtimeOf(host), kValentine);
    EXPECT_TRUE(drives_.Files().Stat("C:\\NC\\O1.NC")->attributes.readOnly);

    const auto gone = ApplyFileInfo(drives_.Files(), "C:\\NC\\GONE.NC",
                                    Fields("2010", "01", "01", "00", "00", "00"), {});
    EXPECT_EQ(gone.error, "ファイルまたはフォルダーが見つかりません。");
}

}  // namespace
}  // namespace kelvantori::test

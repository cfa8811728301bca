// The POSIX file system through drive letters mapped onto temporary folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "platform/FileSystem.h"
#include "platform/HostConfig.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;
using test::TempFolder;
namespace fs = std::filesystem;

constexpr std::int64_t kOldTime = 1104537600;  // 2005-01-01 00:00:00 UTC

bool IsRoot() {
    return ::geteuid() == 0;
}

mode_t ModeOf(const std::string& host) {
    struct stat st {};
    ::stat(host.c_str(), &st);
    return st.st_mode & 07777;
}

std::int64_t MtimeOf(const std::string& host) {
    struct stat st {};
    ::lstat(host.c_str(), &st);
    return st.st_mtim.tv_sec;
}

void SetMtime(const std::string& host, std::int64_t seconds) {
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    ASSERT_EQ(::utimensat(AT_FDCWD, host.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::string DosAttributeOf(const std::string& host) {
    char value[64];
    const ssize_t n = ::getxattr(host.c_str(), "user.DOSATTRIB", value, sizeof value);
    return n < 0 ? std::string() : std::string(value, static_cast<std::size_t>(n));
}

bool HasUserXattrs(const std::string& host) {
    if (::setxattr(host.c_str(), "user.kelvantori-probe", "1", 1, 0) != 0)
        return false;
    ::removexattr(host.c_str(), "user.kelvantori-probe");
    return true;
}

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// D: is a temporary folder, E: a second one; the home trash lives in a third.
class FileSystemPosixTest : public ::testing::Test {
  protected:
    FileSystemPosixTest()
        : trashHome_("XDG_DATA_HOME", data_.Path()), files_(CreateSystemFileSystem(Drives())) {}

    DriveMap Drives() const {
        HostConfig config;
        config.drives['D'] = d_.Path();
        config.drives['E'] = e_.Path();
        return DriveMap::Build(config, "", {});
    }

    std::string Trash(std::string_view relative = "") const {
        return data_.File("Trash/" + std::string(relative));
    }

    TempFolder d_;
    TempFolder e_;
    TempFolder data_;
    ScopedEnv trashHome_;
    std::unique_ptr<FileSystem> files_;
};

// --- Stat and attributes ---------------------------------------------------------------------

TEST_F(FileSystemPosixTest, StatGivesSizeTimeAndKind) {
    SetMtime(d_.Write("NC/O1234.NC", std::string(1500, 'x')), kOldTime);
    const auto file = files_->Stat("D:\\NC\\O1234.NC");
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->isDirectory);
    EXPECT_EQ(file->size, 1500u);
    EXPECT_EQ(file->modified, kOldTime);
    const auto folder = files_->Stat("d:\\NC");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->isDirectory);
    EXPECT_EQ(folder->size, 0u);
    EXPECT_TRUE(files_->IsDirectory("D:"));
    EXPECT_FALSE(files_->IsDirectory("D:\\NC\\O1234.NC"));
}

TEST_F(FileSystemPosixTest, StatOfMissingOrUnmappedIsNothing) {
    EXPECT_FALSE(files_->Stat("D:\\NOFILE.NC"));
    EXPECT_FALSE(files_->Stat("Q:\\A.NC"));
    EXPECT_FALSE(files_->Stat("not a drive path"));
    EXPECT_FALSE(files_->Exists("D:\\NOFILE.NC"));
}

TEST_F(FileSystemPosixTest, StatFollowsLinksAndShowsDanglingLinkAsEmptyFile) {
    d_.Write("real/A.NC", "12345");
    fs::create_symlink(d_.File("real"), d_.File("linkdir"));
    fs::create_symlink(d_.File("real/A.NC"), d_.File("link.NC"));
    fs::create_symlink(d_.File("gone.NC"), d_.File("dangling.NC"));
    EXPECT_TRUE(files_->Stat("D:\\linkdir")->isDirectory);
    EXPECT_EQ(files_->Stat("D:\\link.NC")->size, 5u);
    const auto dangling = files_->Stat("D:\\dangling.NC");
    ASSERT_TRUE(dangling);
    EXPECT_FALSE(dangling->isDirectory);
    EXPECT_EQ(dangling->size, 0u);
}

TEST_F(FileSystemPosixTest, ReadOnlyIsTheOwnerWritePermission) {
    const auto host = d_.Write("A.NC", "x");
    EXPECT_FALSE(files_->Stat("D:\\A.NC")->attributes.readOnly);
    ::chmod(host.c_str(), 0444);
    EXPECT_TRUE(files_->Stat("D:\\A.NC")->attributes.readOnly);
}

TEST_F(FileSystemPosixTest, DotNameIsHidden) {
    d_.Write(".hidden.NC", "x");
    d_.Write("shown.NC", "x");
    EXPECT_TRUE(files_->Stat("D:\\.hidden.NC")->attributes.hidden);
    EXPECT_FALSE(files_->Stat("D:\\shown.NC")->attributes.hidden);
}

TEST_F(FileSystemPosixTest, StoredAttributesAreRead) {
    const auto host = d_.Write("A.NC", "x");
    if (!HasUserXattrs(host))
        GTEST_SKIP() << "no user extended attributes here";
    ASSERT_EQ(::setxattr(host.c_str(), "user.DOSATTRIB", "0x26", 4, 0), 0);
    const auto attributes = files_->Stat("D:\\A.NC")->attributes;
    EXPECT_TRUE(attributes.hidden);
    EXPECT_TRUE(attributes.system);
    EXPECT_TRUE(attributes.archive);
    EXPECT_FALSE(attributes.readOnly);
    // Samba's binary form starts with the same text, NUL-terminated.
    const char samba[] = "0x20\0\x03\x00\x03\x00";
    ASSERT_EQ(::setxattr(host.c_str(), "user.DOSATTRIB", samba, sizeof samba - 1, 0), 0);
    EXPECT_EQ(files_->Stat("D:\\A.NC")->attributes, (DosAttributes{false, false, true, false}));
}

struct AttributeRow {
    const char* name;
    DosAttributes set;
    const char* stored;  // user.DOSATTRIB afterwards ("" = none)
};

class SetAttributesRows : public FileSystemPosixTest,
                          public ::testing::WithParamInterface<AttributeRow> {};

TEST_P(SetAttributesRows, StoresAndReadsBack) {
    const auto host = d_.Write("PROG.NC", "x");
    if (!HasUserXattrs(host))
        GTEST_SKIP() << "no user extended attributes here";
    const auto& row = GetParam();
    ASSERT_EQ(files_->SetAttributes("D:\\PROG.NC", row.set), FsError::None);
    EXPECT_EQ(files_->Stat("D:\\PROG.NC")->attributes, row.set);
    EXPECT_EQ(DosAttributeOf(host), row.stored);
    EXPECT_EQ((ModeOf(host) & S_IWUSR) == 0, row.set.readOnly);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SetAttributesRows,
    ::testing::Values(AttributeRow{"Normal", {false, false, false, false}, ""},
                      AttributeRow{"ReadOnly", {true, false, false, false}, ""},
                      AttributeRow{"Hidden", {false, true, false, false}, "0x2"},
                      AttributeRow{"Archive", {false, false, true, false}, "0x20"},
                      AttributeRow{"System", {false, false, false, true}, "0x4"},
                      AttributeRow{"Everything", {true, true, true, true}, "0x26"},
                      AttributeRow{"ReadOnlyArchive", {true, false, true, false}, "0x20"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileSystemPosixTest, UntickingEverythingLeavesANormalFile) {
    const auto host = d_.Write("PROG.NC", "x");
    if (!HasUserXattrs(host))
        GTEST_SKIP() << "no user extended attributes here";
    ASSERT_EQ(files_->SetAttributes("D:\\PROG.NC", {true, true, true, true}), FsError::None);
    ASSERT_EQ(files_->SetAttributes("D:\\PROG.NC", {}), FsError::None);
    EXPECT_EQ(files_->Stat("D:\\PROG.NC")->attributes, DosAttributes{});
    EXPECT_EQ(DosAttributeOf(host), "");
    EXPECT_NE(ModeOf(host) & S_IWUSR, 0u);
}

TEST_F(FileSystemPosixTest, AttributesOfAReadOnlyFileCanStillChange) {
    const auto host = d_.Write("PROG.NC", "x");
    if (!HasUserXattrs(host))
        GTEST_SKIP() << "no user extended attributes here";
    ::chmod(host.c_str(), 0444);
    ASSERT_EQ(files_->SetAttributes("D:\\PROG.NC", {true, false, true, true}), FsError::None);
    EXPECT_EQ(files_->Stat("D:\\PROG.NC")->attributes, (DosAttributes{true, false, true, true}));
    EXPECT_EQ(ModeOf(host), 0444u);
}

TEST_F(FileSystemPosixTest, SetAttributesKeepsOthersBitsAndDotNamesStayHidden) {
    const auto host = d_.Write(".profile", "x");
    if (!HasUserXattrs(host))
        GTEST_SKIP() << "no user extended attributes here";
    ASSERT_EQ(::setxattr(host.c_str(), "user.DOSATTRIB", "0x80", 4, 0), 0);
    ASSERT_EQ(files_->SetAttributes("D:\\.profile", {false, true, true, false}), FsError::None);
    EXPECT_EQ(DosAttributeOf(host), "0xa0");  // hidden by its name, so not stored
    ASSERT_EQ(files_->SetAttributes("D:\\.profile", {}), FsError::None);
    EXPECT_TRUE(files_->Stat("D:\\.profile")->attributes.hidden);
}

TEST_F(FileSystemPosixTest, SetAttributesOfMissingFile) {
    EXPECT_EQ(files_->SetAttributes("D:\\NONE.NC", {}), FsError::NotFound);
    EXPECT_EQ(files_->SetAttributes("Q:\\NONE.NC", {}), FsError::NotMapped);
}

// --- Scan -------------------------------------------------------------------------------------

TEST_F(FileSystemPosixTest, ScanListsEveryEntryWithSizeTimeAndKind) {
    SetMtime(d_.Write("O1.NC", "%\r\nO1\r\n%\r\n"), kOldTime);
    d_.Write("加工 データ.NC", "abc");
    d_.Write(".hidden", "");
    fs::create_directory(d_.File("SUB"));
    SetMtime(d_.File("SUB"), kOldTime + 60);
    fs::create_symlink(d_.File("SUB"), d_.File("SUBLINK"));
    fs::create_symlink(d_.File("missing"), d_.File("dangling"));

    const auto entries = files_->Scan("D:");
    ASSERT_TRUE(entries);
    std::map<std::string, DirEntry> byName;
    for (const auto& entry : *entries)
        byName[entry.name] = entry;
    ASSERT_EQ(byName.size(), 6u);  // no "." or ".."
    EXPECT_EQ(byName["O1.NC"].size, 10u);
    EXPECT_EQ(byName["O1.NC"].modified, kOldTime);
    EXPECT_FALSE(byName["O1.NC"].isDirectory);
    EXPECT_EQ(byName["加工 データ.NC"].size, 3u);
    EXPECT_TRUE(byName["SUB"].isDirectory);
    EXPECT_EQ(byName["SUB"].size, 0u);
    EXPECT_EQ(byName["SUB"].modified, kOldTime + 60);
    EXPECT_TRUE(byName["SUBLINK"].isDirectory);
    EXPECT_FALSE(byName["dangling"].isDirectory);
    EXPECT_EQ(byName["dangling"].size, 0u);
    EXPECT_NE(byName["dangling"].modified, 0);
    EXPECT_TRUE(byName.contains(".hidden"));
    // The list's short-name mode reads the 8.3 form straight from the scan.
    EXPECT_EQ(byName["O1.NC"].shortName, "O1.NC");
    EXPECT_EQ(byName["加工 データ.NC"].shortName, FatShortName("加工 データ.NC"));
    EXPECT_NE(byName["加工 データ.NC"].shortName, "加工 データ.NC");
}

TEST_F(FileSystemPosixTest, ScanOfEmptyMissingOrNonFolder) {
    fs::create_directory(d_.File("EMPTY"));
    d_.Write("A.NC", "x");
    ASSERT_TRUE(files_->Scan("D:\\EMPTY"));
    EXPECT_TRUE(files_->Scan("D:\\EMPTY")->empty());
    EXPECT_FALSE(files_->Scan("D:\\MISSING"));
    EXPECT_FALSE(files_->Scan("D:\\A.NC"));
    EXPECT_FALSE(files_->Scan("Q:"));
}

TEST_F(FileSystemPosixTest, ScanOfUnreadableFolder) {
    if (IsRoot())
        GTEST_SKIP() << "root reads every folder";
    fs::create_directory(d_.File("LOCKED"));
    ::chmod(d_.File("LOCKED").c_str(), 0);
    EXPECT_FALSE(files_->Scan("D:\\LOCKED"));
}

TEST_F(FileSystemPosixTest, ScanListsManyFiles) {
    for (int i = 0; i < 3000; ++i)
        d_.Write("O" + std::to_string(i) + ".NC", std::to_string(i));
    const auto entries = files_->Scan("D:\\");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 3000u);
    for (const auto& entry : *entries) {
        EXPECT_EQ(entry.size, entry.name.size() - 4) << entry.name;  // "O<n>.NC" holds "<n>"
    }
}

// --- Reading and writing ----------------------------------------------------------------------

TEST_F(FileSystemPosixTest, WriteAllAndReadAllAreByteExact) {
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes += static_cast<char>(i * 7 % 256);
    bytes += std::string("\0\r\n\x1a", 4);
    ASSERT_EQ(files_->WriteAll("D:\\BIG.NC", bytes), FsError::None);
    EXPECT_EQ(d_.Read("BIG.NC"), bytes);
    EXPECT_EQ(files_->ReadAll("D:\\BIG.NC"), bytes);
    ASSERT_EQ(files_->WriteAll("D:\\EMPTY.NC", ""), FsError::None);
    EXPECT_EQ(files_->ReadAll("D:\\EMPTY.NC"), "");
}

TEST_F(FileSystemPosixTest, ReadAllOfMissingOrFolder) {
    fs::create_directory(d_.File("SUB"));
    EXPECT_EQ(files_->ReadAll("D:\\NONE.NC"), std::nullopt);
    EXPECT_EQ(files_->ReadAll("D:\\SUB"), std::nullopt);
    EXPECT_EQ(files_->ReadAll("Q:\\A.NC"), std::nullopt);
}

TEST_F(FileSystemPosixTest, ReadOfAPipeIsRefusedInsteadOfWaiting) {
    ASSERT_EQ(::mkfifo(d_.File("PIPE").c_str(), 0600), 0);
    EXPECT_EQ(files_->ReadAll("D:\\PIPE"), std::nullopt);
    FsError error = FsError::None;
    EXPECT_EQ(files_->OpenRead("D:\\PIPE", &error), nullptr);
    EXPECT_EQ(error, FsError::Other);
}

TEST_F(FileSystemPosixTest, WriteAllReplacesAndKeepsPermissionsAndStoredAttributes) {
    const auto host = d_.Write("A.NC", "old");
    ::chmod(host.c_str(), 0640);
    const bool xattrs = HasUserXattrs(host);
    if (xattrs)
        ::setxattr(host.c_str(), "user.DOSATTRIB", "0x24", 4, 0);
    ASSERT_EQ(files_->WriteAll("D:\\A.NC", "new content"), FsError::None);
    EXPECT_EQ(d_.Read("A.NC"), "new content");
    EXPECT_EQ(ModeOf(host), 0640u);
    if (xattrs) {
        EXPECT_EQ(DosAttributeOf(host), "0x24");
    }
    EXPECT_EQ(NamesIn(d_.Path()), (std::set<std::string>{"A.NC"}));  // no new file left over
}

TEST_F(FileSystemPosixTest, WriteAllThroughALinkUpdatesTheFileAndKeepsTheLink) {
    d_.Write("real/A.NC", "old");
    fs::create_symlink(d_.File("real/A.NC"), d_.File("A.NC"));
    ASSERT_EQ(files_->WriteAll("D:\\A.NC", "new"), FsError::None);
    EXPECT_TRUE(fs::is_symlink(d_.File("A.NC")));
    EXPECT_EQ(d_.Read("real/A.NC"), "new");
}

TEST_F(FileSystemPosixTest, WriteAllFailures) {
    fs::create_directory(d_.File("SUB"));
    const auto readOnly = d_.Write("RO.NC", "keep");
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_EQ(files_->WriteAll("D:\\NOFOLDER\\A.NC", "x"), FsError::NotFound);
    EXPECT_EQ(files_->WriteAll("D:\\SUB", "x"), FsError::IsADirectory);
    // Read-only is honoured even where the host would let root write.
    EXPECT_EQ(files_->WriteAll("D:\\RO.NC", "x"), FsError::AccessDenied);
    EXPECT_EQ(d_.Read("RO.NC"), "keep");
    EXPECT_EQ(files_->WriteAll("Q:\\A.NC", "x"), FsError::NotMapped);
    EXPECT_EQ(files_->WriteAll("A.NC", "x"), FsError::InvalidName);
    EXPECT_EQ(NamesIn(d_.Path()), (std::set<std::string>{"RO.NC", "SUB"}));
}

TEST_F(FileSystemPosixTest, WriteIntoReadOnlyFolderIsDenied) {
    if (IsRoot())
        GTEST_SKIP() << "root writes into read-only folders";
    fs::create_directory(d_.File("LOCKED"));
    ::chmod(d_.File("LOCKED").c_str(), 0555);
    EXPECT_EQ(files_->WriteAll("D:\\LOCKED\\A.NC", "x"), FsError::AccessDenied);
    EXPECT_EQ(files_->CreateDirectory("D:\\LOCKED\\SUB"), FsError::AccessDenied);
}

TEST_F(FileSystemPosixTest, ReplaceLeavesTheTargetUntouchedUntilCommit) {
    d_.Write("O1.NC", "old program");
    FsError error = FsError::Other;
    auto out = files_->OpenWrite("D:\\O1.NC", WriteMode::Replace, &error);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(error, FsError::None);
    ASSERT_EQ(out->Write("new "), FsError::None);
    ASSERT_EQ(out->Write("program"), FsError::None);
    EXPECT_EQ(d_.Read("O1.NC"), "old program");
    ASSERT_EQ(out->Commit(), FsError::None);
    EXPECT_EQ(d_.Read("O1.NC"), "new program");
    EXPECT_EQ(out->Write("late"), FsError::Other);
    out.reset();
    EXPECT_EQ(d_.Read("O1.NC"), "new program");
    EXPECT_EQ(NamesIn(d_.Path()), (std::set<std::string>{"O1.NC"}));
}

TEST_F(FileSystemPosixTest, ReplaceWithoutCommitKeepsTheOldFileAndLeavesNothing) {
    d_.Write("O1.NC", "old program");
    {
        FsError error = FsError::Other;
        auto out = files_->OpenWrite("D:\\O1.NC", WriteMode::Replace, &error);
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(out->Write("half a program that never got its end"), FsError::None);
        // The writer is dropped, as after a failed receive.
    }
    EXPECT_EQ(d_.Read("O1.NC"), "old program");
    EXPECT_EQ(NamesIn(d_.Path()), (std::set<std::string>{"O1.NC"}));
    {
        FsError error = FsError::Other;
        auto out = files_->OpenWrite("D:\\NEW.NC", WriteMode::Replace, &error);
        ASSERT_NE(out, nullptr);
        out->Write("x");
    }
    EXPECT_FALSE(d_.Exists("NEW.NC"));
    EXPECT_EQ(NamesIn(d_.Path()), (std::set<std::string>{"O1.NC"}));
}

TEST_F(FileSystemPosixTest, NewFileGetsTheUsualPermissions) {
    const mode_t old = ::umask(022);
    ASSERT_EQ(files_->WriteAll("D:\\NEW.NC", "x"), FsError::None);
    ::umask(old);
    EXPECT_EQ(ModeOf(d_.File("NEW.NC")), 0644u);
}

TEST_F(FileSystemPosixTest, AppendAddsAtTheEndAndCreatesTheFile) {
    ASSERT_EQ(files_->Append("D:\\LOG.log", "line 1\r\n"), FsError::None);
    ASSERT_EQ(files_->Append("D:\\LOG.log", "line 2\r\n"), FsError::None);
    EXPECT_EQ(d_.Read("LOG.log"), "line 1\r\nline 2\r\n");
    FsError error = FsError::Other;
    auto out = files_->OpenWrite("D:\\LOG.log", WriteMode::Append, &error);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->Write("line 3\r\n"), FsError::None);
    EXPECT_EQ(d_.Read("LOG.log"), "line 1\r\nline 2\r\nline 3\r\n");  // in place, at once
    EXPECT_EQ(out->Commit(), FsError::None);
}

TEST_F(FileSystemPosixTest, AppendFailures) {
    const auto readOnly = d_.Write("RO.log", "keep");
    ::chmod(readOnly.c_str(), 0444);
    fs::create_directory(d_.File("SUB"));
    EXPECT_EQ(files_->Append("D:\\RO.log", "x"), FsError::AccessDenied);
    EXPECT_EQ(d_.Read("RO.log"), "keep");
    EXPECT_EQ(files_->Append("D:\\SUB", "x"), FsError::IsADirectory);
    EXPECT_EQ(files_->Append("D:\\NOFOLDER\\A.log", "x"), FsError::NotFound);
}

TEST_F(FileSystemPosixTest, OpenReadReadsInPieces) {
    std::string bytes(100000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    d_.Write("BIG.NC", bytes);
    FsError error = FsError::Other;
    auto in = files_->OpenRead("D:\\BIG.NC", &error);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(error, FsError::None);
    std::string read;
    char buffer[4096];
    for (;;) {
        const auto n = in->Read(buffer, sizeof buffer);
        ASSERT_GE(n, 0);
        if (n == 0)
            break;
        read.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(read, bytes);
}

TEST_F(FileSystemPosixTest, OpenReadFailures) {
    fs::create_directory(d_.File("SUB"));
    FsError error = FsError::None;
    EXPECT_EQ(files_->OpenRead("D:\\NONE.NC", &error), nullptr);
    EXPECT_EQ(error, FsError::NotFound);
    EXPECT_EQ(files_->OpenRead("D:\\SUB", &error), nullptr);
    EXPECT_EQ(error, FsError::IsADirectory);
    EXPECT_EQ(files_->OpenRead("Q:\\A.NC", &error), nullptr);
    EXPECT_EQ(error, FsError::NotMapped);
}

// --- Folders, copy, move, rename --------------------------------------------------------------

TEST_F(FileSystemPosixTest, CreateDirectoryMakesOneFolder) {
    EXPECT_EQ(files_->CreateDirectory("D:\\NEW"), FsError::None);
    EXPECT_TRUE(fs::is_directory(d_.File("NEW")));
    EXPECT_EQ(files_->CreateDirectory("D:\\NEW"), FsError::Exists);
    EXPECT_EQ(files_->CreateDirectory("D:\\A\\B"), FsError::NotFound);
    d_.Write("FILE", "x");
    EXPECT_EQ(files_->CreateDirectory("D:\\FILE\\SUB"), FsError::NotADirectory);
    EXPECT_EQ(files_->CreateDirectory("Q:\\NEW"), FsError::NotMapped);
}

TEST_F(FileSystemPosixTest, CopyFileKeepsBytesTimeAndPermissions) {
    const auto host = d_.Write("A.NC", "program A");
    ::chmod(host.c_str(), 0600);
    SetMtime(host, kOldTime);
    ASSERT_EQ(files_->Copy("D:\\A.NC", "E:\\B.NC", false), FsError::None);
    EXPECT_EQ(e_.Read("B.NC"), "program A");
    EXPECT_EQ(MtimeOf(e_.File("B.NC")), kOldTime);
    EXPECT_EQ(ModeOf(e_.File("B.NC")), 0600u);
    EXPECT_EQ(d_.Read("A.NC"), "program A");
}

TEST_F(FileSystemPosixTest, CopyOverwriteRules) {
    d_.Write("A.NC", "new");
    e_.Write("B.NC", "old");
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\B.NC", false), FsError::Exists);
    EXPECT_EQ(e_.Read("B.NC"), "old");
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\B.NC", true), FsError::None);
    EXPECT_EQ(e_.Read("B.NC"), "new");
    // Onto itself the original would be lost: refused, even with overwrite.
    EXPECT_EQ(files_->Copy("D:\\A.NC", "D:\\A.NC", true), FsError::Exists);
    EXPECT_EQ(d_.Read("A.NC"), "new");
    ::chmod(e_.File("B.NC").c_str(), 0444);
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\B.NC", true), FsError::AccessDenied);
    fs::create_directory(e_.File("DIR"));
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\DIR", true), FsError::IsADirectory);
    EXPECT_EQ(files_->Copy("D:\\NONE.NC", "E:\\X.NC", false), FsError::NotFound);
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\NOFOLDER\\X.NC", false), FsError::NotFound);
    EXPECT_EQ(files_->Copy("D:\\A.NC", "Q:\\X.NC", false), FsError::NotMapped);
}

TEST_F(FileSystemPosixTest, CopyFolderCopiesEverythingWithTimes) {
    SetMtime(d_.Write("JOB/O1.NC", "one"), kOldTime);
    d_.Write("JOB/SUB/O2.NC", "two");
    d_.Write("JOB/SUB/DEEP/O3.NC", "three");
    fs::create_symlink("O1.NC", d_.File("JOB/LINK.NC"));
    SetMtime(d_.File("JOB/SUB"), kOldTime + 10);
    SetMtime(d_.File("JOB"), kOldTime + 20);
    ASSERT_EQ(files_->Copy("D:\\JOB", "E:\\JOB2", false), FsError::None);
    EXPECT_EQ(e_.Read("JOB2/O1.NC"), "one");
    EXPECT_EQ(e_.Read("JOB2/SUB/O2.NC"), "two");
    EXPECT_EQ(e_.Read("JOB2/SUB/DEEP/O3.NC"), "three");
    EXPECT_EQ(MtimeOf(e_.File("JOB2/O1.NC")), kOldTime);
    EXPECT_EQ(MtimeOf(e_.File("JOB2/SUB")), kOldTime + 10);
    EXPECT_EQ(MtimeOf(e_.File("JOB2")), kOldTime + 20);
    EXPECT_TRUE(fs::is_symlink(e_.File("JOB2/LINK.NC")));
    EXPECT_EQ(fs::read_symlink(e_.File("JOB2/LINK.NC")), "O1.NC");
    EXPECT_EQ(files_->Copy("D:\\JOB", "E:\\JOB2", false), FsError::Exists);
}

TEST_F(FileSystemPosixTest, CopyFolderWithOverwriteMergesIntoTheTarget) {
    d_.Write("JOB/O1.NC", "new one");
    e_.Write("JOB/O1.NC", "old one");
    e_.Write("JOB/KEEP.NC", "kept");
    ASSERT_EQ(files_->Copy("D:\\JOB", "E:\\JOB", true), FsError::None);
    EXPECT_EQ(e_.Read("JOB/O1.NC"), "new one");
    EXPECT_EQ(e_.Read("JOB/KEEP.NC"), "kept");
}

TEST_F(FileSystemPosixTest, CopyReadOnlyFolderGivesAReadOnlyCopyWithItsFiles) {
    d_.Write("RO/O1.NC", "one");
    ::chmod(d_.File("RO").c_str(), 0555);
    ASSERT_EQ(files_->Copy("D:\\RO", "E:\\RO", false), FsError::None);
    EXPECT_EQ(e_.Read("RO/O1.NC"), "one");
    EXPECT_EQ(ModeOf(e_.File("RO")), 0555u);
}

TEST_F(FileSystemPosixTest, CopyFolderIntoItselfIsRefused) {
    d_.Write("JOB/O1.NC", "one");
    EXPECT_EQ(files_->Copy("D:\\JOB", "D:\\JOB\\INNER", false), FsError::Other);
    EXPECT_FALSE(d_.Exists("JOB/INNER"));
    EXPECT_EQ(files_->Move("D:\\JOB", "D:\\JOB\\INNER", false), FsError::Other);
    EXPECT_EQ(d_.Read("JOB/O1.NC"), "one");
}

TEST_F(FileSystemPosixTest, MoveRenamesFilesAndFolders) {
    SetMtime(d_.Write("A.NC", "a"), kOldTime);
    d_.Write("JOB/O1.NC", "one");
    ASSERT_EQ(files_->Move("D:\\A.NC", "E:\\A.NC", false), FsError::None);
    EXPECT_FALSE(d_.Exists("A.NC"));
    EXPECT_EQ(e_.Read("A.NC"), "a");
    EXPECT_EQ(MtimeOf(e_.File("A.NC")), kOldTime);
    ASSERT_EQ(files_->Move("D:\\JOB", "E:\\JOB", false), FsError::None);
    EXPECT_EQ(e_.Read("JOB/O1.NC"), "one");
    EXPECT_FALSE(d_.Exists("JOB"));
}

TEST_F(FileSystemPosixTest, MoveOverwriteRules) {
    d_.Write("A.NC", "new");
    e_.Write("A.NC", "old");
    EXPECT_EQ(files_->Move("D:\\A.NC", "E:\\A.NC", false), FsError::Exists);
    EXPECT_EQ(d_.Read("A.NC"), "new");
    EXPECT_EQ(e_.Read("A.NC"), "old");
    ::chmod(e_.File("A.NC").c_str(), 0444);
    EXPECT_EQ(files_->Move("D:\\A.NC", "E:\\A.NC", true), FsError::AccessDenied);
    ::chmod(e_.File("A.NC").c_str(), 0644);
    EXPECT_EQ(files_->Move("D:\\A.NC", "E:\\A.NC", true), FsError::None);
    EXPECT_EQ(e_.Read("A.NC"), "new");
    EXPECT_FALSE(d_.Exists("A.NC"));
    d_.Write("JOB/O1.NC", "one");
    e_.Write("FULL/X.NC", "x");
    EXPECT_EQ(files_->Move("D:\\JOB", "E:\\FULL", true), FsError::NotEmpty);
    EXPECT_EQ(files_->Move("D:\\JOB", "E:\\A.NC", true), FsError::NotADirectory);
    EXPECT_EQ(files_->Move("D:\\NONE", "E:\\NONE", false), FsError::NotFound);
    EXPECT_EQ(files_->Move("D:", "E:\\D", false), FsError::AccessDenied);
}

TEST_F(FileSystemPosixTest, RenameWithinAFolder) {
    d_.Write("abc.NC", "a");
    d_.Write("OTHER.NC", "o");
    ASSERT_EQ(files_->Rename("D:\\abc.NC", "D:\\Abc.nc"), FsError::None);
    EXPECT_EQ(NamesIn(d_.Path()), (std::set<std::string>{"Abc.nc", "OTHER.NC"}));
    EXPECT_EQ(files_->Rename("D:\\Abc.nc", "D:\\OTHER.NC"), FsError::Exists);
    EXPECT_EQ(d_.Read("OTHER.NC"), "o");
    EXPECT_EQ(files_->Rename("D:\\NONE.NC", "D:\\X.NC"), FsError::NotFound);
    EXPECT_EQ(files_->Rename("D:\\Abc.nc", "D:\\Abc.nc"), FsError::None);
}

// Moves between this file system and another one (a tmpfs at /dev/shm where there is one).
class FileSystemAcrossDevicesTest : public FileSystemPosixTest {
  protected:
    void SetUp() override {
        std::string templ = "/dev/shm/kelvantori-test-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr)
            GTEST_SKIP() << "no /dev/shm";
        other_ = templ;
        struct stat a {
        }, b{};
        ::stat(other_.c_str(), &a);
        ::stat(d_.Path().c_str(), &b);
        if (a.st_dev == b.st_dev)
            GTEST_SKIP() << "/dev/shm is on the same file system";
        HostConfig config;
        config.drives['D'] = d_.Path();
        config.drives['R'] = other_;
        files_ = CreateSystemFileSystem(DriveMap::Build(config, "", {}));
    }
    void TearDown() override {
        std::error_code ec;
        if (!other_.empty())
            fs::remove_all(other_, ec);
        // A trash made by a test on /dev/shm is removed with what the test put in it.
        if (createdShmTrash_)
            fs::remove_all(shmTrash_, ec);
    }
    std::string other_;
    std::string shmTrash_ = "/dev/shm/.Trash-" + std::to_string(::geteuid());
    bool createdShmTrash_ = false;
};

TEST_F(FileSystemAcrossDevicesTest, MoveFileCopiesThenRemoves) {
    SetMtime(d_.Write("A.NC", "program"), kOldTime);
    ASSERT_EQ(files_->Move("D:\\A.NC", "R:\\A.NC", false), FsError::None);
    EXPECT_FALSE(d_.Exists("A.NC"));
    std::ifstream in(other_ + "/A.NC", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "program");
    EXPECT_EQ(MtimeOf(other_ + "/A.NC"), kOldTime);
}

TEST_F(FileSystemAcrossDevicesTest, MoveFolderCopiesThenRemoves) {
    d_.Write("JOB/SUB/O1.NC", "one");
    d_.Write("JOB/O2.NC", "two");
    ASSERT_EQ(files_->Move("D:\\JOB", "R:\\JOB", false), FsError::None);
    EXPECT_FALSE(d_.Exists("JOB"));
    EXPECT_TRUE(fs::exists(other_ + "/JOB/SUB/O1.NC"));
    EXPECT_EQ(fs::file_size(other_ + "/JOB/O2.NC"), 3u);
}

TEST_F(FileSystemAcrossDevicesTest, FailedFolderMoveKeepsTheOriginal) {
    d_.Write("JOB/O1.NC", "one");
    ASSERT_EQ(::mkfifo(d_.File("JOB/PIPE").c_str(), 0600), 0);  // cannot be copied as data
    EXPECT_EQ(files_->Move("D:\\JOB", "R:\\JOB", false), FsError::Other);
    EXPECT_EQ(d_.Read("JOB/O1.NC"), "one");
    EXPECT_FALSE(fs::exists(other_ + "/JOB"));
}

TEST_F(FileSystemAcrossDevicesTest, TrashOnAnotherDeviceUsesTheTrashOfThatDevice) {
    createdShmTrash_ = !fs::exists(shmTrash_);
    { std::ofstream(other_ + "/O9.NC") << "program"; }
    ASSERT_EQ(files_->MoveToTrash("R:\\O9.NC"), FsError::None);
    EXPECT_FALSE(fs::exists(other_ + "/O9.NC"));
    EXPECT_FALSE(fs::exists(Trash("files/O9.NC")));  // never copied to the home trash
    const std::string item = shmTrash_ + "/files/O9.NC";
    const std::string info = shmTrash_ + "/info/O9.NC.trashinfo";
    EXPECT_TRUE(fs::exists(item));
    std::ifstream in(info);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    // Relative to the top of the mount, so it stays right wherever the medium is mounted.
    EXPECT_NE(text.find("\nPath=" + other_.substr(std::string("/dev/shm/").size()) + "/O9.NC\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(ModeOf(shmTrash_) & 0777, 0700u);
    fs::remove(item);
    fs::remove(info);
}

// --- Trash ------------------------------------------------------------------------------------

std::string ReadText(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(FileSystemPosixTest, TrashKeepsTheFileAndRecordsWhereItWas) {
    d_.Write("加工 1.NC", "program");
    ASSERT_EQ(files_->MoveToTrash("D:\\加工 1.NC"), FsError::None);
    EXPECT_FALSE(d_.Exists("加工 1.NC"));
    EXPECT_EQ(ReadText(Trash("files/加工 1.NC")), "program");
    const auto info = ReadText(Trash("info/加工 1.NC.trashinfo"));
    std::string encoded;
    for (const char c : d_.Path()) {
        if (std::isalnum(static_cast<unsigned char>(c)) ||
            std::string("/-_.~").find(c) != std::string::npos) {
            encoded += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            encoded += hex;
        }
    }
    encoded += "/%E5%8A%A0%E5%B7%A5%201.NC";
    const std::regex form(
        "\\[Trash Info\\]\nPath=(.*)\nDeletionDate=(\\d{4}-\\d\\d-\\d\\dT\\d\\d:"
        "\\d\\d:\\d\\d)\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(info, match, form)) << info;
    EXPECT_EQ(match[1].str(), encoded);
}

TEST_F(FileSystemPosixTest, TrashDeletionDateIsLocalTimeNow) {
    const ScopedEnv tz("TZ", "JST-9");
    d_.Write("A.NC", "x");
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(files_->MoveToTrash("D:\\A.NC"), FsError::None);
    const std::time_t after = std::time(nullptr);
    const auto info = ReadText(Trash("info/A.NC.trashinfo"));
    const auto at = info.find("DeletionDate=");
    ASSERT_NE(at, std::string::npos);
    std::tm tm{};
    ASSERT_NE(strptime(info.c_str() + at + 13, "%Y-%m-%dT%H:%M:%S", &tm), nullptr);
    tm.tm_isdst = -1;
    const std::time_t recorded = std::mktime(&tm);
    EXPECT_GE(recorded, before);
    EXPECT_LE(recorded, after);
}

TEST_F(FileSystemPosixTest, TrashGivesRepeatedNamesUniqueNames) {
    for (int i = 0; i < 3; ++i) {
        d_.Write("O1.NC", "version " + std::to_string(i));
        ASSERT_EQ(files_->MoveToTrash("D:\\O1.NC"), FsError::None);
    }
    d_.Write("README", "r1");
    ASSERT_EQ(files_->MoveToTrash("D:\\README"), FsError::None);
    d_.Write("README", "r2");
    ASSERT_EQ(files_->MoveToTrash("D:\\README"), FsError::None);
    EXPECT_EQ(NamesIn(Trash("files")),
              (std::set<std::string>{"O1.NC", "O1.2.NC", "O1.3.NC", "README", "README.2"}));
    EXPECT_EQ(ReadText(Trash("files/O1.NC")), "version 0");
    EXPECT_EQ(ReadText(Trash("files/O1.3.NC")), "version 2");
    EXPECT_EQ(NamesIn(Trash("info")),
              (std::set<std::string>{"O1.NC.trashinfo", "O1.2.NC.trashinfo", "O1.3.NC.trashinfo",
                                     "README.trashinfo", "README.2.trashinfo"}));
}

TEST_F(FileSystemPosixTest, TrashTakesWholeFoldersAndLinks) {
    d_.Write("JOB/O1.NC", "one");
    fs::create_symlink(d_.File("JOB"), d_.File("JOBLINK"));
    ASSERT_EQ(files_->MoveToTrash("D:\\JOBLINK"), FsError::None);
    EXPECT_TRUE(fs::is_symlink(Trash("files/JOBLINK")));
    EXPECT_TRUE(d_.Exists("JOB/O1.NC"));  // the link went, not what it points to
    ASSERT_EQ(files_->MoveToTrash("D:\\JOB"), FsError::None);
    EXPECT_EQ(ReadText(Trash("files/JOB/O1.NC")), "one");
    EXPECT_FALSE(d_.Exists("JOB"));
}

TEST_F(FileSystemPosixTest, TrashRefusesMissingFilesAndWholeDrives) {
    EXPECT_EQ(files_->MoveToTrash("D:\\NONE.NC"), FsError::NotFound);
    EXPECT_EQ(files_->MoveToTrash("D:"), FsError::AccessDenied);
    EXPECT_EQ(files_->MoveToTrash("D:\\"), FsError::AccessDenied);
    EXPECT_EQ(files_->MoveToTrash("Z:"), FsError::AccessDenied);
    EXPECT_EQ(files_->MoveToTrash("Q:\\A.NC"), FsError::NotMapped);
    EXPECT_TRUE(fs::exists(d_.Path()));
}

TEST_F(FileSystemPosixTest, TrashThatCannotBeMadeLeavesTheFile) {
    d_.Write("A.NC", "keep");
    // The home trash's place is taken by a file: nothing may be deleted instead.
    data_.Write("Trash", "not a folder");
    EXPECT_NE(files_->MoveToTrash("D:\\A.NC"), FsError::None);
    EXPECT_EQ(d_.Read("A.NC"), "keep");
}

// --- Times, short names, volumes --------------------------------------------------------------

TEST_F(FileSystemPosixTest, SetModifiedOfFilesAndFolders) {
    d_.Write("A.NC", "x");
    fs::create_directory(d_.File("SUB"));
    ASSERT_EQ(files_->SetModified("D:\\A.NC", kOldTime), FsError::None);
    EXPECT_EQ(files_->Stat("D:\\A.NC")->modified, kOldTime);
    ASSERT_EQ(files_->SetModified("D:\\SUB", kOldTime + 5), FsError::None);
    EXPECT_EQ(files_->Stat("D:\\SUB")->modified, kOldTime + 5);
    EXPECT_EQ(files_->SetModified("D:\\NONE.NC", kOldTime), FsError::NotFound);
    EXPECT_EQ(files_->SetModified("Q:\\A.NC", kOldTime), FsError::NotMapped);
}

struct ShortNameRow {
    const char* name;
    const char* longName;
    const char* shortName;
};

class FatShortNameRows : public ::testing::TestWithParam<ShortNameRow> {};

TEST_P(FatShortNameRows, DerivesTheEightDotThreeForm) {
    EXPECT_EQ(FatShortName(GetParam().longName), GetParam().shortName) << GetParam().longName;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FatShortNameRows,
    ::testing::Values(ShortNameRow{"FitsAsIs", "O1234.NC", "O1234.NC"},
                      ShortNameRow{"FitsUpperCased", "o1234.nc", "O1234.NC"},
                      ShortNameRow{"FullEightThree", "PROGRAM1.TXT", "PROGRAM1.TXT"},
                      ShortNameRow{"NoExtensionFits", "README", "README"},
                      ShortNameRow{"SymbolsFit", "A-B_(1)!.N$", "A-B_(1)!.N$"},
                      ShortNameRow{"BaseTooLong", "PROGRAM12.NC", "PROGRA~1.NC"},
                      ShortNameRow{"ExtensionTooLong", "O1234.NCDATA", "O1234~1.NCD"},
                      ShortNameRow{"LongNoExtension", "longfilename", "LONGFI~1"},
                      ShortNameRow{"SpacesDropped", "long name.nc", "LONGNA~1.NC"},
                      ShortNameRow{"FewCharactersLeft", "a b.nc", "AB~1.NC"},
                      ShortNameRow{"ExtraDotsDropped", "my.prog.nc", "MYPROG~1.NC"},
                      ShortNameRow{"SpaceInExtension", "ABC.N C", "ABC~1.NC"},
                      ShortNameRow{"DisallowedBecomeUnderscore", "A+B.NC", "A_B~1.NC"},
                      ShortNameRow{"BracketsBecomeUnderscore", "x[1].nc", "X_1_~1.NC"},
                      ShortNameRow{"NonAsciiOneUnderscoreEach", "加工.NC", "__~1.NC"},
                      ShortNameRow{"NonAsciiCountsAsOneCharacter", "加工工程表データ.NC",
                                   "______~1.NC"},
                      ShortNameRow{"LeadingDotName", ".bashrc", "BASHRC~1"},
                      ShortNameRow{"LeadingDotWithExtension", ".config.ini", "CONFIG~1.INI"},
                      ShortNameRow{"TrailingDot", "A.", "A~1"},
                      ShortNameRow{"NothingUsableInBase", "  .nc", "_~1.NC"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileSystemPosixTest, ShortNameOfEntries) {
    d_.Write("long program name.nc", "x");
    d_.Write("O1.NC", "x");
    fs::create_directory(d_.File("Sub Folder"));
    EXPECT_EQ(files_->ShortName("D:\\long program name.nc"), "LONGPR~1.NC");
    EXPECT_EQ(files_->ShortName("D:\\O1.NC"), "O1.NC");
    EXPECT_EQ(files_->ShortName("D:\\Sub Folder"), "SUBFOL~1");
    EXPECT_EQ(files_->ShortName("D:\\NONE.NC"), std::nullopt);
    EXPECT_EQ(files_->ShortName("Q:\\O1.NC"), std::nullopt);
    EXPECT_EQ(files_->ShortName("D:"), "");
}

TEST_F(FileSystemPosixTest, VolumeReadableWhenTheFolderCanBeOpened) {
    EXPECT_TRUE(files_->VolumeReadable('D'));
    EXPECT_TRUE(files_->VolumeReadable('e'));
    EXPECT_FALSE(files_->VolumeReadable('A'));
    HostConfig config;
    config.drives['A'] = d_.File("no disk");
    const auto floppy = CreateSystemFileSystem(DriveMap::Build(config, "", {}));
    EXPECT_FALSE(floppy->VolumeReadable('A'));
    fs::create_directory(d_.File("no disk"));
    EXPECT_TRUE(floppy->VolumeReadable('A'));
}

TEST_F(FileSystemPosixTest, DrivesIsTheTableItWasMadeWith) {
    EXPECT_EQ(files_->Drives().FolderOf('D'), d_.Path());
    EXPECT_EQ(files_->Drives().Letters(), (std::vector<char>{'D', 'E', 'Z'}));
}

TEST_F(FileSystemPosixTest, StatTellsExecutableFilesOnly) {
    ::chmod(d_.Write("run.sh", "#!/bin/sh\n").c_str(), 0755);
    ::chmod(d_.Write("O1.NC", "%\n").c_str(), 0644);
    fs::create_directory(d_.File("SUB"));
    EXPECT_TRUE(files_->Stat("D:\\run.sh")->executable);
    EXPECT_FALSE(files_->Stat("D:\\O1.NC")->executable);
    // A folder's execute bit means "may be entered", not "may be run".
    EXPECT_FALSE(files_->Stat("D:\\SUB")->executable);
}

TEST(FsErrorMessage, EveryErrorHasItsOwnText) {
    const FsError errors[] = {FsError::NotMapped,     FsError::NotFound,     FsError::Exists,
                              FsError::AccessDenied,  FsError::NoSpace,      FsError::InvalidName,
                              FsError::NotADirectory, FsError::IsADirectory, FsError::NotEmpty,
                              FsError::Other};
    std::set<std::string> texts;
    for (const auto error : errors)
        texts.insert(FsErrorMessage(error));
    EXPECT_EQ(texts.size(), std::size(errors));
    EXPECT_EQ(texts.count(""), 0u);
    EXPECT_EQ(FsErrorMessage(FsError::None), "");
    EXPECT_EQ(FsErrorMessage(FsError::NoSpace), "ディスクの空き容量が不足しています。");
}

}  // namespace
}  // namespace kelvantori

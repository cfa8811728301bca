// The POSIX file system through drive letters mapped onto temporary folders: what it reads,
// what it leaves on the disk after each operation, and the errors it reports.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

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
#include "support/MemoryFileSystem.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;
using test::TempFolder;
using Names = std::set<std::string>;
namespace fs = std::filesystem;

constexpr std::int64_t kOldTime = 1104537600;  // 2005-01-01 00:00:00 UTC

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

std::string SetMtime(const std::string& host, std::int64_t seconds) {
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    EXPECT_EQ(::utimensat(AT_FDCWD, host.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << host;
    return host;
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

Names NamesIn(const std::string& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string ReadText(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// "file 10 1104537600 ro hidden exec": what the file list shows of an entry.
std::string Describe(const std::optional<FileStat>& s) {
    if (!s)
        return "none";
    return std::string(s->isDirectory ? "dir " : "file ") + std::to_string(s->size) + " " +
           std::to_string(s->modified) + (s->attributes.readOnly ? " ro" : "") +
           (s->attributes.hidden ? " hidden" : "") + (s->executable ? " exec" : "");
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

    // Entries of every kind in D:, each with a known time.
    void FillD() {
        SetMtime(d_.Write("O1.NC", "%\r\nO1\r\n%\r\n"), kOldTime);
        SetMtime(d_.Write("加工 データ.NC", "abc"), kOldTime);
        SetMtime(d_.Write(".hidden", ""), kOldTime);
        const auto readOnly = SetMtime(d_.Write("RO.NC", "x"), kOldTime);
        ::chmod(readOnly.c_str(), 0444);
        const auto script = SetMtime(d_.Write("run.sh", "#!/bin/sh\n"), kOldTime);
        ::chmod(script.c_str(), 0755);
        { std::ofstream big(d_.File("BIG.NC")); }
        fs::resize_file(d_.File("BIG.NC"), 5'000'000'000ULL);  // sparse, past 32 bits
        SetMtime(d_.File("BIG.NC"), kOldTime);
        fs::create_directory(d_.File("SUB"));
        SetMtime(d_.File("SUB"), kOldTime + 60);
        fs::create_symlink(d_.File("SUB"), d_.File("SUBLINK"));
        fs::create_symlink(d_.File("missing"), d_.File("dangling"));
        SetMtime(d_.File("dangling"), kOldTime + 120);
    }

    TempFolder d_;
    TempFolder e_;
    TempFolder data_;
    ScopedEnv trashHome_;
    std::unique_ptr<FileSystem> files_;
};

// --- Stat, scan, attributes, times ------------------------------------------------------------

TEST_F(FileSystemPosixTest, StatFollowsLinksAndShowsDanglingLinksAsEmptyFiles) {
    FillD();
    std::map<std::string, std::string> got;
    for (const char* path :
         {"D:\\O1.NC", "d:\\SUB", "D:\\SUBLINK", "D:\\dangling", "D:\\.hidden", "D:\\RO.NC",
          "D:\\run.sh", "D:\\BIG.NC", "D:\\NONE.NC", "Q:\\A.NC", "not a drive path"})
        got[path] = Describe(files_->Stat(path));
    const std::string t = " " + std::to_string(kOldTime);
    EXPECT_EQ(got, (std::map<std::string, std::string>{
                       {"D:\\O1.NC", "file 10" + t},
                       {"d:\\SUB", "dir 0 " + std::to_string(kOldTime + 60)},
                       {"D:\\SUBLINK", "dir 0 " + std::to_string(kOldTime + 60)},
                       {"D:\\dangling", "file 0 " + std::to_string(kOldTime + 120)},
                       {"D:\\.hidden", "file 0" + t + " hidden"},
                       {"D:\\RO.NC", "file 1" + t + " ro"},
                       {"D:\\run.sh", "file 10" + t + " exec"},
                       {"D:\\BIG.NC", "file 5000000000" + t},
                       {"D:\\NONE.NC", "none"},
                       {"Q:\\A.NC", "none"},
                       {"not a drive path", "none"}}));
}

TEST_F(FileSystemPosixTest, ScanListsEveryEntryWithSizeTimeAndShortName) {
    FillD();
    const auto entries = files_->Scan("D:");
    ASSERT_TRUE(entries);
    std::map<std::string, std::string> got;
    for (const auto& e : *entries)
        got[e.name] = (e.isDirectory ? "dir " : "file ") + std::to_string(e.size) + " " +
                      std::to_string(e.modified - kOldTime) + " " + e.shortName;
    EXPECT_EQ(got, (std::map<std::string, std::string>{{"O1.NC", "file 10 0 O1.NC"},
                                                       {"加工 データ.NC", "file 3 0 _____~1.NC"},
                                                       {".hidden", "file 0 0 HIDDEN~1"},
                                                       {"RO.NC", "file 1 0 RO.NC"},
                                                       {"run.sh", "file 10 0 RUN.SH"},
                                                       {"BIG.NC", "file 5000000000 0 BIG.NC"},
                                                       {"SUB", "dir 0 60 SUB"},
                                                       {"SUBLINK", "dir 0 60 SUBLINK"},
                                                       {"dangling", "file 0 120 DANGLING"}}));
    fs::create_directory(d_.File("EMPTY"));
    EXPECT_TRUE(files_->Scan("D:\\EMPTY").value().empty());
    EXPECT_FALSE(files_->Scan("D:\\MISSING"));
    EXPECT_FALSE(files_->Scan("D:\\O1.NC"));
    EXPECT_FALSE(files_->Scan("Q:"));
}

TEST_F(FileSystemPosixTest, ScanListsManyFiles) {
    for (int i = 0; i < 3000; ++i)
        d_.Write("O" + std::to_string(i) + ".NC", std::to_string(i));
    const auto entries = files_->Scan("D:\\");
    ASSERT_TRUE(entries);
    Names names;
    for (const auto& entry : *entries)
        names.insert(entry.name);
    EXPECT_EQ(names.size(), 3000u);
}

TEST_F(FileSystemPosixTest, SetAttributesStoresThemBesideTheWritePermission) {
    const auto host = d_.Write("PROG.NC", "x");
    if (!HasUserXattrs(host))
        GTEST_SKIP() << "no user extended attributes here";
    const struct {
        DosAttributes set;
        const char* stored;  // user.DOSATTRIB afterwards ("" = none)
    } steps[] = {{{false, true, false, false}, "0x2"},
                 {{false, false, true, false}, "0x20"},
                 {{false, false, false, true}, "0x4"},
                 {{true, true, true, true}, "0x26"},
                 {{true, false, true, false}, "0x20"},  // a read-only file's still change
                 {{}, ""}};
    for (const auto& step : steps) {
        ASSERT_EQ(files_->SetAttributes("D:\\PROG.NC", step.set), FsError::None) << step.stored;
        EXPECT_EQ(files_->Stat("D:\\PROG.NC")->attributes, step.set) << step.stored;
        EXPECT_EQ(DosAttributeOf(host), step.stored);
        EXPECT_EQ((ModeOf(host) & S_IWUSR) == 0, step.set.readOnly) << step.stored;
    }
    // Samba's binary form starts with the same text; bits we do not own are kept; a dot name is
    // hidden by its name, so that is not stored.
    const char samba[] = "0x20\0\x03\x00\x03\x00";
    ASSERT_EQ(::setxattr(host.c_str(), "user.DOSATTRIB", samba, sizeof samba - 1, 0), 0);
    EXPECT_EQ(files_->Stat("D:\\PROG.NC")->attributes, (DosAttributes{false, false, true, false}));
    const auto profile = d_.Write(".profile", "x");
    ASSERT_EQ(::setxattr(profile.c_str(), "user.DOSATTRIB", "0x80", 4, 0), 0);
    ASSERT_EQ(files_->SetAttributes("D:\\.profile", {false, true, true, false}), FsError::None);
    EXPECT_EQ(DosAttributeOf(profile), "0xa0");
    ASSERT_EQ(files_->SetAttributes("D:\\.profile", {}), FsError::None);
    EXPECT_TRUE(files_->Stat("D:\\.profile")->attributes.hidden);
    EXPECT_EQ(files_->SetAttributes("D:\\NONE.NC", {}), FsError::NotFound);
    EXPECT_EQ(files_->SetAttributes("Q:\\NONE.NC", {}), FsError::NotMapped);
}

TEST_F(FileSystemPosixTest, SetModifiedOfFilesAndFolders) {
    d_.Write("A.NC", "x");
    fs::create_directory(d_.File("SUB"));
    ASSERT_EQ(files_->SetModified("D:\\A.NC", kOldTime), FsError::None);
    ASSERT_EQ(files_->SetModified("D:\\SUB", kOldTime + 5), FsError::None);
    EXPECT_EQ(MtimeOf(d_.File("A.NC")), kOldTime);
    EXPECT_EQ(MtimeOf(d_.File("SUB")), kOldTime + 5);
    EXPECT_EQ(files_->SetModified("D:\\NONE.NC", kOldTime), FsError::NotFound);
    EXPECT_EQ(files_->SetModified("Q:\\A.NC", kOldTime), FsError::NotMapped);
}

// --- Reading and writing ----------------------------------------------------------------------

TEST_F(FileSystemPosixTest, WholeFilesAndPiecesAreByteExact) {
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes += static_cast<char>(i * 7 % 256);
    bytes += std::string("\0\r\n\x1a", 4);
    ASSERT_EQ(files_->WriteAll("D:\\BIG.NC", bytes), FsError::None);
    ASSERT_EQ(files_->WriteAll("D:\\EMPTY.NC", ""), FsError::None);
    EXPECT_EQ(d_.Read("BIG.NC"), bytes);
    EXPECT_EQ(files_->ReadAll("D:\\BIG.NC"), bytes);
    EXPECT_EQ(files_->ReadAll("D:\\EMPTY.NC"), "");
    FsError error = FsError::Other;
    auto in = files_->OpenRead("D:\\BIG.NC", &error);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(error, FsError::None);
    std::string read;
    char buffer[4096];
    for (std::ptrdiff_t n; (n = in->Read(buffer, sizeof buffer)) > 0;)
        read.append(buffer, static_cast<std::size_t>(n));
    EXPECT_EQ(read, bytes);
}

TEST_F(FileSystemPosixTest, ReadFailures) {
    fs::create_directory(d_.File("SUB"));
    ASSERT_EQ(::mkfifo(d_.File("PIPE").c_str(), 0600), 0);  // refused instead of waiting
    for (const auto& [path, expected] :
         std::vector<std::pair<const char*, FsError>>{{"D:\\NONE.NC", FsError::NotFound},
                                                      {"D:\\SUB", FsError::IsADirectory},
                                                      {"Q:\\A.NC", FsError::NotMapped},
                                                      {"D:\\PIPE", FsError::Other}}) {
        FsError error = FsError::None;
        EXPECT_EQ(files_->OpenRead(path, &error), nullptr) << path;
        EXPECT_EQ(error, expected) << path;
        EXPECT_EQ(files_->ReadAll(path), std::nullopt) << path;
    }
}

TEST_F(FileSystemPosixTest, SafeSaveKeepsPermissionsAttributesAndLinksAndLeavesNoTempFile) {
    const auto host = d_.Write("A.NC", "old");
    ::chmod(host.c_str(), 0640);
    const bool xattrs = HasUserXattrs(host);
    if (xattrs)
        ::setxattr(host.c_str(), "user.DOSATTRIB", "0x24", 4, 0);
    d_.Write("real/B.NC", "old");
    fs::create_symlink(d_.File("real/B.NC"), d_.File("B.NC"));
    const mode_t old = ::umask(022);
    ASSERT_EQ(files_->WriteAll("D:\\A.NC", "new content"), FsError::None);
    ASSERT_EQ(files_->WriteAll("D:\\B.NC", "new"), FsError::None);
    ASSERT_EQ(files_->WriteAll("D:\\NEW.NC", "x"), FsError::None);
    ::umask(old);
    EXPECT_EQ(d_.Read("A.NC"), "new content");
    EXPECT_EQ(ModeOf(host), 0640u);
    EXPECT_EQ(DosAttributeOf(host), xattrs ? "0x24" : "");
    EXPECT_TRUE(fs::is_symlink(d_.File("B.NC")));
    EXPECT_EQ(d_.Read("real/B.NC"), "new");
    EXPECT_EQ(ModeOf(d_.File("NEW.NC")), 0644u);
    EXPECT_EQ(NamesIn(d_.Path()), (Names{"A.NC", "B.NC", "NEW.NC", "real"}));
}

TEST_F(FileSystemPosixTest, FailedSaveLeavesTheOldFileAndNothingElse) {
    fs::create_directory(d_.File("SUB"));
    ::chmod(d_.Write("RO.NC", "keep").c_str(), 0444);
    d_.Write("O1.NC", "old program");
    EXPECT_EQ(files_->WriteAll("D:\\NOFOLDER\\A.NC", "x"), FsError::NotFound);
    EXPECT_EQ(files_->WriteAll("D:\\SUB", "x"), FsError::IsADirectory);
    // Read-only is honoured even where the host would let root write.
    EXPECT_EQ(files_->WriteAll("D:\\RO.NC", "x"), FsError::AccessDenied);
    EXPECT_EQ(files_->WriteAll("Q:\\A.NC", "x"), FsError::NotMapped);
    EXPECT_EQ(files_->WriteAll("A.NC", "x"), FsError::InvalidName);
    for (const char* path : {"D:\\O1.NC", "D:\\NEW.NC"}) {  // dropped as after a failed receive
        FsError error = FsError::Other;
        auto out = files_->OpenWrite(path, WriteMode::Replace, &error);
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(out->Write("half a program that never got its end"), FsError::None);
    }
    EXPECT_EQ(d_.Read("RO.NC"), "keep");
    EXPECT_EQ(d_.Read("O1.NC"), "old program");
    EXPECT_EQ(NamesIn(d_.Path()), (Names{"O1.NC", "RO.NC", "SUB"}));
}

TEST_F(FileSystemPosixTest, ReplaceChangesTheTargetAtCommitAppendAtOnce) {
    d_.Write("O1.NC", "old program");
    FsError error = FsError::Other;
    auto out = files_->OpenWrite("D:\\O1.NC", WriteMode::Replace, &error);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->Write("new "), FsError::None);
    ASSERT_EQ(out->Write("program"), FsError::None);
    EXPECT_EQ(d_.Read("O1.NC"), "old program");
    ASSERT_EQ(out->Commit(), FsError::None);
    EXPECT_EQ(d_.Read("O1.NC"), "new program");
    EXPECT_EQ(out->Write("late"), FsError::Other);
    out.reset();
    EXPECT_EQ(d_.Read("O1.NC"), "new program");

    ASSERT_EQ(files_->Append("D:\\LOG.log", "line 1\r\n"), FsError::None);
    ASSERT_EQ(files_->Append("D:\\LOG.log", "line 2\r\n"), FsError::None);
    out = files_->OpenWrite("D:\\LOG.log", WriteMode::Append, &error);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->Write("line 3\r\n"), FsError::None);
    EXPECT_EQ(d_.Read("LOG.log"), "line 1\r\nline 2\r\nline 3\r\n");
    EXPECT_EQ(NamesIn(d_.Path()), (Names{"LOG.log", "O1.NC"}));

    ::chmod(d_.Write("RO.log", "keep").c_str(), 0444);
    EXPECT_EQ(files_->Append("D:\\RO.log", "x"), FsError::AccessDenied);
    EXPECT_EQ(d_.Read("RO.log"), "keep");
    EXPECT_EQ(files_->Append("D:\\NOFOLDER\\A.log", "x"), FsError::NotFound);
}

// --- Batches of safe saves --------------------------------------------------------------------

TEST_F(FileSystemPosixTest, BatchChangesTargetsOnlyAtCommitAndLaterFilesWin) {
    d_.Write("OUT/O1.NC", "old\r\n");
    auto batch = files_->OpenBatch();
    for (const auto& [name, bytes] :
         {std::pair{"O1.NC", "O1\r\n"}, {"O2.NC", "O2\r\n"}, {"O2.NC", "second\r\n"}}) {
        ASSERT_EQ(batch->Begin(std::string("D:\\OUT\\") + name), FsError::None);
        ASSERT_EQ(batch->Write(bytes), FsError::None);
        ASSERT_EQ(batch->End(), FsError::None);
    }
    EXPECT_EQ(d_.Read("OUT/O1.NC"), "old\r\n");
    EXPECT_EQ(batch->Placed(), 0u);
    ASSERT_EQ(batch->Commit(), FsError::None);
    EXPECT_EQ(batch->Placed(), 3u);
    EXPECT_EQ(d_.Read("OUT/O1.NC"), "O1\r\n");
    EXPECT_EQ(d_.Read("OUT/O2.NC"), "second\r\n");
    EXPECT_EQ(NamesIn(d_.File("OUT")), (Names{"O1.NC", "O2.NC"}));
    EXPECT_EQ(files_->OpenBatch()->Begin("D:\\NONE\\O1.NC"), FsError::NotFound);
}

TEST_F(FileSystemPosixTest, BatchGivenUpOrFailedLeavesTheFolderAsItWas) {
    d_.Write("OUT/O1.NC", "old\r\n");
    ::chmod(d_.Write("OUT/O2.NC", "keep\r\n").c_str(), 0444);
    {
        auto batch = files_->OpenBatch();
        ASSERT_EQ(batch->Begin("D:\\OUT\\O1.NC"), FsError::None);
        ASSERT_EQ(batch->Write("new"), FsError::None);
        ASSERT_EQ(batch->End(), FsError::None);
        ASSERT_EQ(batch->Begin("D:\\OUT\\O3.NC"), FsError::None);
        ASSERT_EQ(batch->Write("half"), FsError::None);
    }
    auto batch = files_->OpenBatch();
    ASSERT_EQ(batch->Begin("D:\\OUT\\O3.NC"), FsError::None);
    EXPECT_EQ(batch->Begin("D:\\OUT\\O2.NC"), FsError::AccessDenied);
    EXPECT_EQ(batch->Write("x"), FsError::AccessDenied);  // the batch stays stopped
    EXPECT_EQ(batch->Begin("D:\\OUT\\O4.NC"), FsError::AccessDenied);
    EXPECT_EQ(batch->Commit(), FsError::AccessDenied);
    EXPECT_EQ(batch->Placed(), 0u);
    batch.reset();
    EXPECT_EQ(d_.Read("OUT/O1.NC"), "old\r\n");
    EXPECT_EQ(d_.Read("OUT/O2.NC"), "keep\r\n");
    EXPECT_EQ(NamesIn(d_.File("OUT")), (Names{"O1.NC", "O2.NC"}));
}

TEST(OutputBatchDefault, SavesEachFileWhenItEnds) {
    test::MemoryFileSystem files;
    files.AddFolder("C:\\OUT");
    auto batch = files.OpenBatch();
    ASSERT_EQ(batch->Begin("C:\\OUT\\O1.NC"), FsError::None);
    ASSERT_EQ(batch->Write("O1\r\n"), FsError::None);
    EXPECT_FALSE(files.File("C:\\OUT\\O1.NC"));
    ASSERT_EQ(batch->End(), FsError::None);
    EXPECT_EQ(files.File("C:\\OUT\\O1.NC"), "O1\r\n");
    files.FailCommit("C:\\OUT\\O2.NC", FsError::NoSpace);
    ASSERT_EQ(batch->Begin("C:\\OUT\\O2.NC"), FsError::None);
    EXPECT_EQ(batch->Commit(), FsError::NoSpace);
    EXPECT_EQ(batch->Placed(), 1u);
    EXPECT_FALSE(files.File("C:\\OUT\\O2.NC"));
    EXPECT_EQ(files.OpenOutputs(), 0);
}

// --- Folders, copy, move, rename --------------------------------------------------------------

TEST_F(FileSystemPosixTest, CreateDirectoryMakesOneFolder) {
    d_.Write("FILE", "x");
    EXPECT_EQ(files_->CreateDirectory("D:\\NEW"), FsError::None);
    EXPECT_TRUE(fs::is_directory(d_.File("NEW")));
    EXPECT_EQ(files_->CreateDirectory("D:\\NEW"), FsError::Exists);
    EXPECT_EQ(files_->CreateDirectory("D:\\A\\B"), FsError::NotFound);
    EXPECT_EQ(files_->CreateDirectory("D:\\FILE\\SUB"), FsError::NotADirectory);
    EXPECT_EQ(files_->CreateDirectory("Q:\\NEW"), FsError::NotMapped);
}

TEST_F(FileSystemPosixTest, CopyFileKeepsBytesTimeAndPermissionsAndObeysOverwrite) {
    const auto host = SetMtime(d_.Write("A.NC", "program A"), kOldTime);
    ::chmod(host.c_str(), 0600);
    e_.Write("B.NC", "old");
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\B.NC", false), FsError::Exists);
    EXPECT_EQ(e_.Read("B.NC"), "old");
    ASSERT_EQ(files_->Copy("D:\\A.NC", "E:\\B.NC", true), FsError::None);
    ASSERT_EQ(files_->Copy("D:\\A.NC", "E:\\C.NC", false), FsError::None);
    for (const char* name : {"B.NC", "C.NC"}) {
        EXPECT_EQ(e_.Read(name), "program A");
        EXPECT_EQ(MtimeOf(e_.File(name)), kOldTime);
        EXPECT_EQ(ModeOf(e_.File(name)), 0600u);
    }
    // Onto itself the original would be lost: refused, even with overwrite.
    EXPECT_EQ(files_->Copy("D:\\A.NC", "D:\\A.NC", true), FsError::Exists);
    EXPECT_EQ(d_.Read("A.NC"), "program A");
    ::chmod(e_.File("B.NC").c_str(), 0444);
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\B.NC", true), FsError::AccessDenied);
    fs::create_directory(e_.File("DIR"));
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\DIR", true), FsError::IsADirectory);
    EXPECT_EQ(files_->Copy("D:\\NONE.NC", "E:\\X.NC", false), FsError::NotFound);
    EXPECT_EQ(files_->Copy("D:\\A.NC", "E:\\NOFOLDER\\X.NC", false), FsError::NotFound);
    EXPECT_EQ(files_->Copy("D:\\A.NC", "Q:\\X.NC", false), FsError::NotMapped);
}

TEST_F(FileSystemPosixTest, CopyFolderCopiesEverythingWithTimesAndMergesOnOverwrite) {
    SetMtime(d_.Write("JOB/O1.NC", "one"), kOldTime);
    d_.Write("JOB/SUB/DEEP/O3.NC", "three");
    d_.Write("JOB/RO/O4.NC", "four");
    ::chmod(d_.File("JOB/RO").c_str(), 0555);
    fs::create_symlink("O1.NC", d_.File("JOB/LINK.NC"));
    SetMtime(d_.File("JOB/SUB"), kOldTime + 10);
    SetMtime(d_.File("JOB"), kOldTime + 20);
    ASSERT_EQ(files_->Copy("D:\\JOB", "E:\\JOB", false), FsError::None);
    EXPECT_EQ(e_.Read("JOB/O1.NC"), "one");
    EXPECT_EQ(e_.Read("JOB/SUB/DEEP/O3.NC"), "three");
    EXPECT_EQ(e_.Read("JOB/RO/O4.NC"), "four");
    EXPECT_EQ(ModeOf(e_.File("JOB/RO")), 0555u);
    EXPECT_EQ((std::vector{MtimeOf(e_.File("JOB/O1.NC")), MtimeOf(e_.File("JOB/SUB")),
                           MtimeOf(e_.File("JOB"))}),
              (std::vector{kOldTime, kOldTime + 10, kOldTime + 20}));
    EXPECT_EQ(fs::read_symlink(e_.File("JOB/LINK.NC")), "O1.NC");
    EXPECT_EQ(files_->Copy("D:\\JOB", "E:\\JOB", false), FsError::Exists);

    d_.Write("JOB/O1.NC", "new one");
    e_.Write("JOB/KEEP.NC", "kept");
    ASSERT_EQ(files_->Copy("D:\\JOB", "E:\\JOB", true), FsError::None);
    EXPECT_EQ(e_.Read("JOB/O1.NC"), "new one");
    EXPECT_EQ(e_.Read("JOB/KEEP.NC"), "kept");

    EXPECT_EQ(files_->Copy("D:\\JOB", "D:\\JOB\\INNER", false), FsError::Other);
    EXPECT_EQ(files_->Move("D:\\JOB", "D:\\JOB\\INNER", false), FsError::Other);
    EXPECT_FALSE(d_.Exists("JOB/INNER"));
    EXPECT_EQ(d_.Read("JOB/O1.NC"), "new one");
}

TEST_F(FileSystemPosixTest, MoveAndRenameOutcomes) {
    SetMtime(d_.Write("A.NC", "new"), kOldTime);
    e_.Write("A.NC", "old");
    d_.Write("JOB/O1.NC", "one");
    e_.Write("FULL/X.NC", "x");
    EXPECT_EQ(files_->Move("D:\\A.NC", "E:\\A.NC", false), FsError::Exists);
    ::chmod(e_.File("A.NC").c_str(), 0444);
    EXPECT_EQ(files_->Move("D:\\A.NC", "E:\\A.NC", true), FsError::AccessDenied);
    EXPECT_EQ(e_.Read("A.NC"), "old");
    ::chmod(e_.File("A.NC").c_str(), 0644);
    EXPECT_EQ(files_->Move("D:\\A.NC", "E:\\A.NC", true), FsError::None);
    EXPECT_EQ(files_->Move("D:\\JOB", "E:\\FULL", true), FsError::NotEmpty);
    EXPECT_EQ(files_->Move("D:\\JOB", "E:\\A.NC", true), FsError::NotADirectory);
    EXPECT_EQ(files_->Move("D:\\NONE", "E:\\NONE", false), FsError::NotFound);
    EXPECT_EQ(files_->Move("D:", "E:\\D", false), FsError::AccessDenied);
    EXPECT_EQ(files_->Move("D:\\JOB", "E:\\JOB", false), FsError::None);
    EXPECT_EQ(e_.Read("A.NC"), "new");
    EXPECT_EQ(MtimeOf(e_.File("A.NC")), kOldTime);
    EXPECT_EQ(e_.Read("JOB/O1.NC"), "one");
    EXPECT_TRUE(NamesIn(d_.Path()).empty());

    e_.Write("OTHER.NC", "o");
    ASSERT_EQ(files_->Rename("E:\\A.NC", "E:\\a.nc"), FsError::None);
    EXPECT_EQ(files_->Rename("E:\\a.nc", "E:\\OTHER.NC"), FsError::Exists);
    EXPECT_EQ(files_->Rename("E:\\NONE.NC", "E:\\X.NC"), FsError::NotFound);
    EXPECT_EQ(files_->Rename("E:\\a.nc", "E:\\a.nc"), FsError::None);
    EXPECT_EQ(e_.Read("OTHER.NC"), "o");
    EXPECT_EQ(NamesIn(e_.Path()), (Names{"FULL", "JOB", "OTHER.NC", "a.nc"}));
}

// Between this file system and another one (a tmpfs at /dev/shm where there is one).
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
    }
    std::string other_;
};

TEST_F(FileSystemAcrossDevicesTest, MoveCopiesThenRemovesAndAFailureKeepsTheOriginal) {
    SetMtime(d_.Write("A.NC", "program"), kOldTime);
    d_.Write("JOB/SUB/O1.NC", "one");
    d_.Write("BAD/O2.NC", "two");
    ASSERT_EQ(::mkfifo(d_.File("BAD/PIPE").c_str(), 0600), 0);  // cannot be copied as data
    ASSERT_EQ(files_->Move("D:\\A.NC", "R:\\A.NC", false), FsError::None);
    ASSERT_EQ(files_->Move("D:\\JOB", "R:\\JOB", false), FsError::None);
    EXPECT_EQ(files_->Move("D:\\BAD", "R:\\BAD", false), FsError::Other);
    EXPECT_EQ(ReadText(other_ + "/A.NC"), "program");
    EXPECT_EQ(MtimeOf(other_ + "/A.NC"), kOldTime);
    EXPECT_EQ(ReadText(other_ + "/JOB/SUB/O1.NC"), "one");
    EXPECT_EQ(NamesIn(other_), (Names{"A.NC", "JOB"}));
    EXPECT_EQ(NamesIn(d_.Path()), (Names{"BAD"}));
    EXPECT_EQ(d_.Read("BAD/O2.NC"), "two");
}

TEST_F(FileSystemAcrossDevicesTest, TrashOnAnotherDeviceUsesTheTrashOfThatDevice) {
    const std::string trash = "/dev/shm/.Trash-" + std::to_string(::geteuid());
    const bool madeTrash = !fs::exists(trash);
    std::ofstream(other_ + "/O9.NC") << "program";
    ASSERT_EQ(files_->MoveToTrash("R:\\O9.NC"), FsError::None);
    EXPECT_FALSE(fs::exists(other_ + "/O9.NC"));
    EXPECT_FALSE(fs::exists(Trash("files/O9.NC")));  // never copied to the home trash
    EXPECT_EQ(ReadText(trash + "/files/O9.NC"), "program");
    const std::string info = ReadText(trash + "/info/O9.NC.trashinfo");
    // Relative to the top of the mount, so it stays right wherever the medium is mounted.
    EXPECT_NE(info.find("\nPath=" + other_.substr(9) + "/O9.NC\n"), std::string::npos) << info;
    EXPECT_EQ(ModeOf(trash) & 0777, 0700u);
    std::error_code ec;
    fs::remove(trash + "/files/O9.NC", ec);
    fs::remove(trash + "/info/O9.NC.trashinfo", ec);
    if (madeTrash)
        fs::remove_all(trash, ec);
}

// --- Trash ------------------------------------------------------------------------------------

TEST_F(FileSystemPosixTest, TrashKeepsTheFileAndRecordsWhereItWasAndWhen) {
    const ScopedEnv tz("TZ", "JST-9");
    d_.Write("加工 1.NC", "program");
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(files_->MoveToTrash("D:\\加工 1.NC"), FsError::None);
    const std::time_t after = std::time(nullptr);
    EXPECT_FALSE(d_.Exists("加工 1.NC"));
    EXPECT_EQ(ReadText(Trash("files/加工 1.NC")), "program");
    std::string encoded;
    for (const char c : d_.Path() + "/加工 1.NC") {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) ||
                           std::string_view("/-_.~").find(c) != std::string_view::npos;
        encoded += plain ? std::string(1, c) : std::string(hex);
    }
    const auto info = ReadText(Trash("info/加工 1.NC.trashinfo"));
    std::smatch match;
    ASSERT_TRUE(std::regex_match(info, match,
                                 std::regex("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=(.*)\n")))
        << info;
    EXPECT_EQ(match[1].str(), encoded);
    std::tm tm{};  // local time, to the second
    ASSERT_NE(strptime(match[2].str().c_str(), "%Y-%m-%dT%H:%M:%S", &tm), nullptr) << info;
    EXPECT_EQ(match[2].length(), 19);
    tm.tm_isdst = -1;
    EXPECT_GE(std::mktime(&tm), before);
    EXPECT_LE(std::mktime(&tm), after);
}

TEST_F(FileSystemPosixTest, TrashNumbersRepeatedNamesAndTakesFoldersAndLinks) {
    for (int i = 0; i < 3; ++i) {
        d_.Write("O1.NC", "version " + std::to_string(i));
        ASSERT_EQ(files_->MoveToTrash("D:\\O1.NC"), FsError::None);
    }
    for (int i = 0; i < 2; ++i) {
        d_.Write("README", "r");
        ASSERT_EQ(files_->MoveToTrash("D:\\README"), FsError::None);
    }
    d_.Write("JOB/O1.NC", "one");
    fs::create_symlink(d_.File("JOB"), d_.File("JOBLINK"));
    ASSERT_EQ(files_->MoveToTrash("D:\\JOBLINK"), FsError::None);
    EXPECT_TRUE(d_.Exists("JOB/O1.NC"));  // the link went, not what it points to
    ASSERT_EQ(files_->MoveToTrash("D:\\JOB"), FsError::None);
    EXPECT_TRUE(NamesIn(d_.Path()).empty());
    EXPECT_EQ(NamesIn(Trash("files")),
              (Names{"O1.NC", "O1.2.NC", "O1.3.NC", "README", "README.2", "JOBLINK", "JOB"}));
    EXPECT_EQ(
        NamesIn(Trash("info")),
        (Names{"O1.NC.trashinfo", "O1.2.NC.trashinfo", "O1.3.NC.trashinfo", "README.trashinfo",
               "README.2.trashinfo", "JOBLINK.trashinfo", "JOB.trashinfo"}));
    EXPECT_EQ(ReadText(Trash("files/O1.NC")), "version 0");
    EXPECT_EQ(ReadText(Trash("files/O1.3.NC")), "version 2");
    EXPECT_TRUE(fs::is_symlink(Trash("files/JOBLINK")));
    EXPECT_EQ(ReadText(Trash("files/JOB/O1.NC")), "one");
}

TEST_F(FileSystemPosixTest, TrashRefusesMissingFilesAndWholeDrivesAndNeverDeletes) {
    EXPECT_EQ(files_->MoveToTrash("D:\\NONE.NC"), FsError::NotFound);
    EXPECT_EQ(files_->MoveToTrash("D:"), FsError::AccessDenied);
    EXPECT_EQ(files_->MoveToTrash("D:\\"), FsError::AccessDenied);
    EXPECT_EQ(files_->MoveToTrash("Z:"), FsError::AccessDenied);
    EXPECT_EQ(files_->MoveToTrash("Q:\\A.NC"), FsError::NotMapped);
    d_.Write("A.NC", "keep");
    data_.Write("Trash", "not a folder");  // the trash cannot be made: nothing is deleted instead
    EXPECT_NE(files_->MoveToTrash("D:\\A.NC"), FsError::None);
    EXPECT_EQ(d_.Read("A.NC"), "keep");
}

// --- Short names, volumes, messages -----------------------------------------------------------

TEST(FatShortName, DerivesTheEightDotThreeForm) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"O1234.NC", "O1234.NC"},
        {"o1234.nc", "O1234.NC"},
        {"PROGRAM1.TXT", "PROGRAM1.TXT"},
        {"README", "README"},
        {"A-B_(1)!.N$", "A-B_(1)!.N$"},
        {"PROGRAM12.NC", "PROGRA~1.NC"},
        {"O1234.NCDATA", "O1234~1.NCD"},
        {"longfilename", "LONGFI~1"},
        {"long name.nc", "LONGNA~1.NC"},
        {"a b.nc", "AB~1.NC"},
        {"my.prog.nc", "MYPROG~1.NC"},
        {"ABC.N C", "ABC~1.NC"},
        {"A+B.NC", "A_B~1.NC"},
        {"x[1].nc", "X_1_~1.NC"},
        {"加工.NC", "__~1.NC"},
        {"加工工程表データ.NC", "______~1.NC"},
        {".bashrc", "BASHRC~1"},
        {".config.ini", "CONFIG~1.INI"},
        {"A.", "A~1"},
        {"  .nc", "_~1.NC"},
    };
    for (const auto& [longName, shortName] : cases)
        EXPECT_EQ(FatShortName(longName), shortName) << longName;
}

TEST_F(FileSystemPosixTest, ShortNamesAndReadableVolumes) {
    d_.Write("long program name.nc", "x");
    fs::create_directory(d_.File("Sub Folder"));
    EXPECT_EQ(files_->ShortName("D:\\long program name.nc"), "LONGPR~1.NC");
    EXPECT_EQ(files_->ShortName("D:\\Sub Folder"), "SUBFOL~1");
    EXPECT_EQ(files_->ShortName("D:\\NONE.NC"), std::nullopt);
    EXPECT_EQ(files_->ShortName("Q:\\O1.NC"), std::nullopt);
    EXPECT_EQ(files_->ShortName("D:"), "");

    EXPECT_TRUE(files_->VolumeReadable('e'));
    EXPECT_FALSE(files_->VolumeReadable('A'));
    HostConfig config;
    config.drives['A'] = d_.File("no disk");
    const auto floppy = CreateSystemFileSystem(DriveMap::Build(config, "", {}));
    EXPECT_FALSE(floppy->VolumeReadable('A'));
    fs::create_directory(d_.File("no disk"));
    EXPECT_TRUE(floppy->VolumeReadable('A'));
}

TEST(FsErrorMessage, EveryErrorHasItsOwnText) {
    std::set<std::string> texts;
    for (int e = static_cast<int>(FsError::NotMapped); e <= static_cast<int>(FsError::Other); ++e)
        texts.insert(FsErrorMessage(static_cast<FsError>(e)));
    EXPECT_EQ(texts.size(), 10u);
    EXPECT_FALSE(texts.contains(""));
    EXPECT_EQ(FsErrorMessage(FsError::None), "");
    EXPECT_EQ(FsErrorMessage(FsError::NoSpace), "ディスクの空き容量が不足しています。");
}

}  // namespace
}  // namespace kelvantori

// The POSIX file system through drive letters mapped onto temporary folders: what it reads,
// what it leaves on the disk after each operation, and the errors it reports.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
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
namespace fs = std::filesystem;

constexpr std::int64_t kOldTime = 1104537600;  // 2005-01-01 00:00:00 UTC

struct stat StatOf(const std::string& host) {
    struct stat st {};
    ::lstat(host.c_str(), &st);
    return st;
}
const auto ModeOf = [](const std::string& host) { return StatOf(host).st_mode & 07777; };
const auto MtimeOf = [](const std::string& host) { return StatOf(host).st_mtim.tv_sec; };

std::string SetMtime(const std::string& host, std::int64_t seconds) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    EXPECT_EQ(::utimensat(AT_FDCWD, host.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << host;
    return host;
}

std::string DosAttributeOf(const std::string& host) {
    char value[64];
    const ssize_t n = ::getxattr(host.c_str(), "user.DOSATTRIB", value, sizeof value);
    return n < 0 ? std::string() : std::string(value, static_cast<std::size_t>(n));
}

std::string ReadText(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Everything below a host folder, sorted: "name=bytes; ", "name=/; " for a folder, "name=->target;
// " for a link, "name=?; " for a pipe.
std::string TreeOf(const std::string& host) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(host)) {
        tree[e.path().lexically_relative(host).string()] =
            e.is_symlink()        ? "->" + fs::read_symlink(e.path()).string()
            : e.is_directory()    ? "/"
            : e.is_regular_file() ? ReadText(e.path())
                                  : "?";
    }
    std::string text;
    for (const auto& [name, value] : tree)
        text += name + "=" + value + "; ";
    return text;
}

// D: is a temporary folder, E: a second one; the home trash lives in a third.
class FileSystemPosixTest : public ::testing::Test {
  protected:
    FileSystemPosixTest() : trashHome_("XDG_DATA_HOME", data_.Path()) {
        HostConfig config;
        config.drives['D'] = d_.Path();
        config.drives['E'] = e_.Path();
        files_ = CreateSystemFileSystem(DriveMap::Build(config, "", {}));
    }
    std::string Trash(const std::string& relative) const { return data_.File("Trash/" + relative); }

    TempFolder d_, e_, data_;
    ScopedEnv trashHome_;
    std::unique_ptr<FileSystem> files_;
};

TEST_F(FileSystemPosixTest, StatAndScanTellKindSizeTimeAndAttributes) {
    SetMtime(d_.Write("O1.NC", "%\r\nO1\r\n%\r\n"), kOldTime);
    SetMtime(d_.Write(".hidden", ""), kOldTime);
    ::chmod(SetMtime(d_.Write("RO.NC", "x"), kOldTime).c_str(), 0444);
    ::chmod(SetMtime(d_.Write("run.sh", "#!/bin/sh\n"), kOldTime).c_str(), 0755);
    std::ofstream(d_.File("BIG.NC")).close();
    fs::resize_file(d_.File("BIG.NC"), 5'000'000'000ULL);  // sparse, past 32 bits
    SetMtime(d_.File("BIG.NC"), kOldTime);
    fs::create_directory(d_.File("SUB"));  // a folder's execute bit means "may be entered"
    SetMtime(d_.File("SUB"), kOldTime + 60);
    fs::create_symlink(d_.File("SUB"), d_.File("SUBLINK"));
    fs::create_symlink(d_.File("missing"), d_.File("dangling"));
    SetMtime(d_.File("dangling"), kOldTime + 120);

    // "O1.NC=file 10 +0 O1.NC ro hidden exec; ": kind, size, time, short name, attributes.
    const auto entries = files_->Scan("D:");
    ASSERT_TRUE(entries);
    std::map<std::string, std::string> got;
    for (const auto& e : *entries) {
        const auto s = files_->Stat("D:\\" + e.name);
        ASSERT_TRUE(s) << e.name;
        EXPECT_EQ(std::tie(s->isDirectory, s->size, s->modified),
                  std::tie(e.isDirectory, e.size, e.modified));
        got[e.name] = (e.isDirectory ? "dir " : "file ") + std::to_string(e.size) + " +" +
                      std::to_string(e.modified - kOldTime) + " " + e.shortName +
                      (s->attributes.readOnly ? " ro" : "") +
                      (s->attributes.hidden ? " hidden" : "") + (s->executable ? " exec" : "");
    }
    std::string text;
    for (const auto& [name, entry] : got)
        text += name + "=" + entry + "; ";
    EXPECT_EQ(text,
              ".hidden=file 0 +0 HIDDEN~1 hidden; BIG.NC=file 5000000000 +0 BIG.NC; "
              "O1.NC=file 10 +0 O1.NC; RO.NC=file 1 +0 RO.NC ro; SUB=dir 0 +60 SUB; "
              "SUBLINK=dir 0 +60 SUBLINK; dangling=file 0 +120 DANGLING; "
              "run.sh=file 10 +0 RUN.SH exec; ");
    EXPECT_TRUE(files_->IsDirectory("d:\\SUB"));
    for (const char* path : {"D:\\MISSING", "D:\\O1.NC", "Q:", "not a drive path"}) {
        EXPECT_FALSE(files_->Scan(path)) << path;
        EXPECT_EQ(files_->Stat(path).has_value(), std::string_view(path) == "D:\\O1.NC") << path;
    }
}

TEST_F(FileSystemPosixTest, SetAttributesAndTime) {
    const auto host = d_.Write("PROG.NC", "x");
    if (::setxattr(host.c_str(), "user.probe", "1", 1, 0) != 0)
        GTEST_SKIP() << "no user extended attributes here";
    const struct {
        DosAttributes set;
        const char* stored;  // user.DOSATTRIB afterwards ("" = none)
    } steps[] = {{{false, true, false, false}, "0x2"},
                 {{false, false, false, true}, "0x4"},
                 {{true, true, true, true}, "0x26"},
                 {{true, false, true, false}, "0x20"},
                 {{}, ""}};  // a read-only file's attributes still change
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

    fs::create_directory(d_.File("SUB"));
    ASSERT_EQ(files_->SetModified("D:\\PROG.NC", kOldTime), FsError::None);
    ASSERT_EQ(files_->SetModified("D:\\SUB", kOldTime + 5), FsError::None);
    EXPECT_EQ((std::vector{MtimeOf(host), MtimeOf(d_.File("SUB"))}),
              (std::vector{kOldTime, kOldTime + 5}));
}

// Whole files and pieces byte-exact; a replaced file changes at its commit only, keeping its
// permissions, attributes and links; an uncommitted save leaves neither the target changed nor
// a temporary file behind.
TEST_F(FileSystemPosixTest, SavesAreByteExactAndSafe) {
    std::string bytes(300000, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 % 256);
    ASSERT_EQ(files_->WriteAll("D:\\BIG.NC", bytes), FsError::None);
    EXPECT_EQ(files_->ReadAll("D:\\BIG.NC"), bytes);
    FsError error = FsError::Other;
    auto in = files_->OpenRead("D:\\BIG.NC", &error);
    ASSERT_NE(in, nullptr);
    std::string read;
    char buffer[4096];
    for (std::ptrdiff_t n; (n = in->Read(buffer, sizeof buffer)) > 0;)
        read.append(buffer, static_cast<std::size_t>(n));
    EXPECT_EQ(read, bytes);
    ASSERT_EQ(::unlink(d_.File("BIG.NC").c_str()), 0);

    const auto host = d_.Write("A.NC", "old");
    ::chmod(host.c_str(), 0640);
    const bool xattrs = ::setxattr(host.c_str(), "user.DOSATTRIB", "0x24", 4, 0) == 0;
    d_.Write("real/B.NC", "old");
    fs::create_symlink(d_.File("real/B.NC"), d_.File("B.NC"));
    d_.Write("O1.NC", "old program");
    const mode_t old = ::umask(022);
    ASSERT_EQ(files_->WriteAll("D:\\A.NC", "new content"), FsError::None);
    ASSERT_EQ(files_->WriteAll("D:\\B.NC", "new"), FsError::None);
    ASSERT_EQ(files_->WriteAll("D:\\NEW.NC", ""), FsError::None);
    ::umask(old);
    EXPECT_EQ((std::vector{ModeOf(host), ModeOf(d_.File("NEW.NC"))}), (std::vector{0640u, 0644u}));
    EXPECT_EQ(DosAttributeOf(host), xattrs ? "0x24" : "");
    EXPECT_EQ(files_->ReadAll("D:\\NEW.NC"), "");

    auto out = files_->OpenWrite("D:\\O1.NC", WriteMode::Replace, &error);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->Write("new program"), FsError::None);
    EXPECT_EQ(d_.Read("O1.NC"), "old program");
    ASSERT_EQ(out->Commit(), FsError::None);
    EXPECT_EQ(out->Write("late"), FsError::Other);
    for (const char* path : {"D:\\O1.NC", "D:\\HALF.NC"}) {  // dropped as after a failed receive
        out = files_->OpenWrite(path, WriteMode::Replace, &error);
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(out->Write("half a program that never got its end"), FsError::None);
    }
    out.reset();
    ASSERT_EQ(files_->Append("D:\\LOG.log", "line 1\r\n"), FsError::None);
    out = files_->OpenWrite("D:\\LOG.log", WriteMode::Append, &error);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->Write("line 2\r\n"), FsError::None);  // in place, at once
    EXPECT_EQ(TreeOf(d_.Path()), "A.NC=new content; B.NC=->" + d_.File("real/B.NC") +
                                     "; LOG.log=line 1\r\nline 2\r\n; NEW.NC=; O1.NC=new program; "
                                     "real=/; real/B.NC=new; ");
}

// A save removes the new files that interrupted saves of its own target left (a killed program
// leaves ".<name>.~xxxxxxxx" beside the target): those of our own naming that no running save
// holds. Names of other targets and of other programs are left alone.
TEST_F(FileSystemPosixTest, SaveRemovesTheLeftoversOfInterruptedSavesOfItsTarget) {
    const struct {
        const char* name;
        bool removed;
    } entries[] = {
        {".A.NC.~0123abcd", true},  {".A.NC.~ffffffff", true},    {".A.NC.~0123ABCD", false},
        {".A.NC.~0123abc", false},  {".A.NC.~0123abcd.x", false}, {"A.NC.~0123abcd", false},
        {".B.NC.~0123abcd", false}, {".A.NC~0123abcd", false},
    };
    for (const auto& e : entries)
        d_.Write(e.name, "left over");
    fs::create_directory(d_.File(".A.NC.~99998888"));  // not a file of ours
    // A save of A.NC that is still running holds its new file.
    FsError error = FsError::Other;
    auto running = files_->OpenWrite("D:\\A.NC", WriteMode::Replace, &error);
    ASSERT_NE(running, nullptr);
    ASSERT_EQ(running->Write("the running save"), FsError::None);

    ASSERT_EQ(files_->WriteAll("D:\\A.NC", "saved"), FsError::None);
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(d_.Path()))
        left.insert(e.path().filename().string());
    for (const auto& e : entries)
        EXPECT_EQ(left.count(e.name), e.removed ? 0u : 1u) << e.name;
    EXPECT_EQ(left.count(".A.NC.~99998888"), 1u);
    // The running save's file is still there and still becomes the target.
    EXPECT_EQ(left.size(), 1 + std::size(entries) - 2 + 1 + 1) << TreeOf(d_.Path());
    ASSERT_EQ(running->Commit(), FsError::None);
    EXPECT_EQ(d_.Read("A.NC"), "the running save");

    // A batch removes them once for all its targets, after its own files are in place; a save
    // through a link removes them beside the file it really changes.
    d_.Write("OUT/.O1.NC.~00000001", "left over");
    d_.Write("OUT/.O2.NC.~00000002", "left over");
    d_.Write("real/.L.NC.~00000003", "left over");
    d_.Write("real/L.NC", "old");
    fs::create_symlink(d_.File("real/L.NC"), d_.File("L.NC"));
    auto batch = files_->OpenBatch();
    for (const char* name : {"D:\\OUT\\O1.NC", "D:\\OUT\\O2.NC"}) {
        ASSERT_EQ(batch->Begin(name), FsError::None);
        ASSERT_EQ(batch->Write("new"), FsError::None);
    }
    ASSERT_EQ(batch->Commit(), FsError::None);
    ASSERT_EQ(files_->WriteAll("D:\\L.NC", "new"), FsError::None);
    EXPECT_EQ(TreeOf(d_.File("OUT")), "O1.NC=new; O2.NC=new; ");
    EXPECT_EQ(TreeOf(d_.File("real")), "L.NC=new; ");
}

// Every failure leaves both drives as they were.
TEST_F(FileSystemPosixTest, FailuresLeaveEverythingAsItWas) {
    d_.Write("A.NC", "a");
    ::chmod(d_.Write("RO.NC", "keep").c_str(), 0444);
    d_.Write("JOB/O1.NC", "one");
    ASSERT_EQ(::mkfifo(d_.File("PIPE").c_str(), 0600), 0);
    e_.Write("B.NC", "b");
    ::chmod(e_.Write("RO.NC", "keep").c_str(), 0444);
    e_.Write("FULL/X.NC", "x");
    data_.Write("Trash", "not a folder");  // the trash cannot be made: nothing deleted instead
    const auto d = TreeOf(d_.Path());
    const auto e = TreeOf(e_.Path());
    FsError error = FsError::None;
    const auto readError = [&](const char* path) {
        EXPECT_EQ(files_->ReadAll(path), std::nullopt) << path;
        return files_->OpenRead(path, &error) == nullptr ? error : FsError::None;
    };
    using enum FsError;
    const std::vector<std::pair<FsError, FsError>> cases = {
        {readError("D:\\NONE.NC"), NotFound},
        {readError("D:\\JOB"), IsADirectory},
        {readError("Q:\\A.NC"), NotMapped},
        {readError("D:\\PIPE"), Other},  // refused instead of waiting
        {files_->WriteAll("D:\\NOFOLDER\\A.NC", "x"), NotFound},
        {files_->WriteAll("D:\\JOB", "x"), IsADirectory},
        {files_->WriteAll("D:\\RO.NC", "x"), AccessDenied},  // even where root could write
        {files_->WriteAll("A.NC", "x"), InvalidName},
        {files_->Append("D:\\RO.NC", "x"), AccessDenied},
        {files_->CreateDirectory("D:\\JOB"), Exists},
        {files_->CreateDirectory("D:\\A.NC\\SUB"), NotADirectory},
        {files_->Copy("D:\\A.NC", "E:\\B.NC", false), Exists},
        {files_->Copy("D:\\A.NC", "D:\\A.NC", true), Exists},  // the original would be lost
        {files_->Copy("D:\\A.NC", "E:\\RO.NC", true), AccessDenied},
        {files_->Copy("D:\\A.NC", "E:\\FULL", true), IsADirectory},
        {files_->Copy("D:\\NONE.NC", "E:\\X.NC", false), NotFound},
        {files_->Copy("D:\\JOB", "D:\\JOB\\INNER", false), Other},
        {files_->Move("D:\\A.NC", "E:\\B.NC", false), Exists},
        {files_->Move("D:\\JOB", "E:\\FULL", true), NotEmpty},
        {files_->Move("D:\\JOB", "E:\\B.NC", true), NotADirectory},
        {files_->Move("D:", "E:\\D", false), AccessDenied},
        {files_->Move("D:\\JOB", "D:\\JOB\\INNER", false), Other},
        {files_->Rename("D:\\A.NC", "D:\\RO.NC"), Exists},
        {files_->MoveToTrash("D:\\NONE.NC"), NotFound},
        {files_->MoveToTrash("D:\\"), AccessDenied},
        {files_->MoveToTrash("Z:"), AccessDenied},
        {files_->MoveToTrash("D:\\A.NC"), NotADirectory},
        {files_->SetModified("D:\\NONE.NC", kOldTime), NotFound},
        {files_->SetAttributes("Q:\\NONE.NC", {}), NotMapped}};
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
    EXPECT_EQ(TreeOf(d_.Path()), d);
    EXPECT_EQ(TreeOf(e_.Path()), e);
}
TEST_F(FileSystemPosixTest, CopyMoveAndRenameKeepBytesTimesAndPermissions) {
    ::chmod(SetMtime(d_.Write("A.NC", "program A"), kOldTime).c_str(), 0600);
    SetMtime(d_.Write("JOB/O1.NC", "one"), kOldTime);
    d_.Write("JOB/SUB/DEEP/O3.NC", "three");
    d_.Write("JOB/RO/O4.NC", "four");
    ::chmod(d_.File("JOB/RO").c_str(), 0555);
    fs::create_symlink("O1.NC", d_.File("JOB/LINK.NC"));
    SetMtime(d_.File("JOB/SUB"), kOldTime + 10);
    SetMtime(d_.File("JOB"), kOldTime + 20);
    e_.Write("B.NC", "old");
    e_.Write("COPY/O1.NC", "old one");
    e_.Write("COPY/KEEP.NC", "kept");
    ASSERT_EQ(files_->Copy("D:\\A.NC", "E:\\B.NC", true), FsError::None);
    ASSERT_EQ(files_->Copy("D:\\JOB", "E:\\JOB", false), FsError::None);
    ASSERT_EQ(files_->Copy("D:\\JOB", "E:\\COPY", true), FsError::None);  // merges into it
    EXPECT_EQ(TreeOf(e_.File("JOB")), TreeOf(d_.File("JOB")));
    EXPECT_EQ(TreeOf(e_.File("COPY")), "KEEP.NC=kept; " + TreeOf(d_.File("JOB")));
    EXPECT_EQ(e_.Read("B.NC"), "program A");
    EXPECT_EQ((std::vector{MtimeOf(e_.File("B.NC")), MtimeOf(e_.File("JOB/O1.NC")),
                           MtimeOf(e_.File("JOB/SUB")), MtimeOf(e_.File("JOB"))}),
              (std::vector{kOldTime, kOldTime, kOldTime + 10, kOldTime + 20}));
    EXPECT_EQ((std::vector{ModeOf(e_.File("B.NC")), ModeOf(e_.File("JOB/RO"))}),
              (std::vector<mode_t>{0600, 0555}));

    ASSERT_EQ(files_->Move("D:\\A.NC", "E:\\B.NC", true), FsError::None);
    ASSERT_EQ(files_->Move("D:\\JOB", "E:\\MOVED", false), FsError::None);
    ASSERT_EQ(files_->Rename("E:\\B.NC", "E:\\b.nc"), FsError::None);
    EXPECT_EQ(files_->Rename("E:\\b.nc", "E:\\b.nc"), FsError::None);
    EXPECT_EQ(MtimeOf(e_.File("b.nc")), kOldTime);
    EXPECT_EQ(TreeOf(d_.Path()), "");
    EXPECT_EQ(TreeOf(e_.File("MOVED")), TreeOf(e_.File("JOB")));
    EXPECT_EQ(e_.Read("b.nc"), "program A");
}

// Runs a clean-up when the test ends, however it ends (an ASSERT returns early).
class AtExit {
  public:
    explicit AtExit(std::function<void()> cleanUp) : cleanUp_(std::move(cleanUp)) {}
    ~AtExit() { cleanUp_(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

  private:
    std::function<void()> cleanUp_;
};

// A new folder on another file system than `near`: a tmpfs such as /dev/shm or the runtime folder
// where there is one we may write. Empty when there is none.
std::string FolderOnAnotherDevice(const std::string& near) {
    std::vector<std::string> candidates = {"/dev/shm", "/run/shm", "/var/tmp", "/tmp"};
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"))
        candidates.insert(candidates.begin() + 1, runtime);
    for (const auto& candidate : candidates) {
        std::string folder = candidate + "/kelvantori-test-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr)
            continue;
        if (StatOf(folder).st_dev != StatOf(near).st_dev)
            return folder;
        ::rmdir(folder.c_str());
    }
    return {};
}

// The highest folder above path on its device, as the freedesktop trash names the top of a mount.
// /dev/shm is a mount of its own on most machines, but only a folder of /dev in some containers.
std::string TopOfMount(const std::string& path) {
    std::string top = path;
    while (top != "/") {
        const std::string parent = fs::path(top).parent_path().string();
        if (StatOf(parent).st_dev != StatOf(path).st_dev)
            break;
        top = parent;
    }
    return top;
}

// Between this file system and another one.
TEST_F(FileSystemPosixTest, AcrossDevicesMoveCopiesThenRemovesAndTrashStaysOnTheDevice) {
    const std::string other = FolderOnAnotherDevice(d_.Path());
    if (other.empty())
        GTEST_SKIP() << "no other file system to write to";
    const std::string top = TopOfMount(other);
    const std::string uid = std::to_string(::geteuid());
    const std::string shared = (top == "/" ? "" : top) + "/.Trash";
    const struct stat sharedStat = StatOf(shared);
    const bool useShared = S_ISDIR(sharedStat.st_mode) && (sharedStat.st_mode & S_ISVTX) != 0;
    const std::string trash =
        useShared ? shared + "/" + uid : (top == "/" ? "" : top) + "/.Trash-" + uid;
    const bool madeTrash = !fs::exists(trash);
    // The folder, and the trash the test makes or what it puts into one that was there.
    const AtExit cleanUp([&] {
        std::error_code ec;
        fs::remove_all(other, ec);
        if (madeTrash) {
            fs::remove_all(trash, ec);
        } else {
            fs::remove(trash + "/files/A.NC", ec);
            fs::remove(trash + "/info/A.NC.trashinfo", ec);
        }
    });
    HostConfig config;
    config.drives['D'] = d_.Path();
    config.drives['R'] = other;
    files_ = CreateSystemFileSystem(DriveMap::Build(config, "", {}));
    SetMtime(d_.Write("A.NC", "program"), kOldTime);
    d_.Write("JOB/SUB/O1.NC", "one");
    d_.Write("BAD/O2.NC", "two");
    ASSERT_EQ(::mkfifo(d_.File("BAD/PIPE").c_str(), 0600), 0);  // cannot be copied as data
    ASSERT_EQ(files_->Move("D:\\A.NC", "R:\\A.NC", false), FsError::None);
    ASSERT_EQ(files_->Move("D:\\JOB", "R:\\JOB", false), FsError::None);
    EXPECT_EQ(files_->Move("D:\\BAD", "R:\\BAD", false), FsError::Other);
    EXPECT_EQ(MtimeOf(other + "/A.NC"), kOldTime);
    EXPECT_EQ(TreeOf(other), "A.NC=program; JOB=/; JOB/SUB=/; JOB/SUB/O1.NC=one; ");
    EXPECT_EQ(TreeOf(d_.Path()), "BAD=/; BAD/O2.NC=two; BAD/PIPE=?; ");

    const FsError trashed = files_->MoveToTrash("R:\\A.NC");
    EXPECT_FALSE(fs::exists(Trash("files")));  // never copied to the home trash
    const std::string trashParent = fs::path(trash).parent_path().string();
    if (::access((madeTrash ? trashParent : trash).c_str(), W_OK) != 0) {
        // No trash can be made on that device by this user: the file stays where it was.
        EXPECT_EQ(trashed, FsError::AccessDenied);
        EXPECT_EQ(TreeOf(other), "A.NC=program; JOB=/; JOB/SUB=/; JOB/SUB/O1.NC=one; ");
        return;
    }
    ASSERT_EQ(trashed, FsError::None);
    EXPECT_EQ(TreeOf(other), "JOB=/; JOB/SUB=/; JOB/SUB/O1.NC=one; ");
    EXPECT_EQ(ReadText(trash + "/files/A.NC"), "program");
    const std::string info = ReadText(trash + "/info/A.NC.trashinfo");
    // Relative to the top of the mount, so it stays right wherever the medium is mounted.
    const std::string relative = other.substr(top == "/" ? 1 : top.size() + 1);
    EXPECT_NE(info.find("\nPath=" + relative + "/A.NC\n"), std::string::npos) << info;
    EXPECT_EQ(ModeOf(trash) & 0777, 0700u);
}

TEST_F(FileSystemPosixTest, TrashRecordsWhereAndWhenAndNumbersRepeatedNames) {
    const ScopedEnv tz("TZ", "JST-9");
    const std::time_t before = std::time(nullptr);
    int made = 0;
    for (const char* name : {"加工 1.NC", "加工 1.NC", "加工 1.NC", "README", "README"}) {
        d_.Write(name, std::to_string(++made));
        ASSERT_EQ(files_->MoveToTrash(std::string("D:\\") + name), FsError::None);
    }
    d_.Write("JOB/O1.NC", "one");
    fs::create_symlink(d_.File("JOB"), d_.File("JOBLINK"));
    ASSERT_EQ(files_->MoveToTrash("D:\\JOBLINK"), FsError::None);  // the link, not its folder
    EXPECT_EQ(TreeOf(d_.Path()), "JOB=/; JOB/O1.NC=one; ");
    ASSERT_EQ(files_->MoveToTrash("D:\\JOB"), FsError::None);
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(TreeOf(Trash("files")),
              "JOB=/; JOB/O1.NC=one; JOBLINK=->" + d_.File("JOB") +
                  "; README=4; README.2=5; 加工 1.2.NC=2; 加工 1.3.NC=3; 加工 1.NC=1; ");
    EXPECT_EQ(std::distance(fs::directory_iterator(Trash("info")), {}), 7);
    // Where it was, percent-encoded (the temporary folder's own name needs no escapes), and
    // when, in local time to the second.
    const auto info = ReadText(Trash("info/加工 1.3.NC.trashinfo"));
    const auto head =
        "[Trash Info]\nPath=" + d_.Path() + "/%E5%8A%A0%E5%B7%A5%201.NC\nDeletionDate=";
    ASSERT_EQ(info.substr(0, head.size()), head);
    std::tm tm{};
    const char* end = strptime(info.c_str() + head.size(), "%Y-%m-%dT%H:%M:%S", &tm);
    ASSERT_NE(end, nullptr) << info;
    EXPECT_STREQ(end, "\n");
    tm.tm_isdst = -1;
    EXPECT_GE(std::mktime(&tm), before);
    EXPECT_LE(std::mktime(&tm), after);
}

TEST_F(FileSystemPosixTest, BatchChangesTargetsOnlyAtCommitAndAGivenUpBatchLeavesNothing) {
    d_.Write("OUT/O1.NC", "old\r\n");
    ::chmod(d_.Write("OUT/RO.NC", "keep\r\n").c_str(), 0444);
    const auto before = TreeOf(d_.Path());
    const auto stage = [&](OutputBatch& batch, const char* name, const char* bytes) {
        EXPECT_EQ(batch.Begin(std::string("D:\\OUT\\") + name), FsError::None) << name;
        EXPECT_EQ(batch.Write(bytes), FsError::None) << name;
    };
    {
        auto batch = files_->OpenBatch();
        stage(*batch, "O1.NC", "new");
        ASSERT_EQ(batch->End(), FsError::None);
        stage(*batch, "O3.NC", "half");
    }
    auto batch = files_->OpenBatch();
    stage(*batch, "O3.NC", "x");
    EXPECT_EQ(batch->Begin("D:\\OUT\\RO.NC"), FsError::AccessDenied);
    EXPECT_EQ(batch->Begin("D:\\OUT\\O4.NC"), FsError::AccessDenied);  // the batch stays stopped
    EXPECT_EQ(batch->Commit(), FsError::AccessDenied);
    EXPECT_EQ(batch->Placed(), 0u);
    batch.reset();
    EXPECT_EQ(TreeOf(d_.Path()), before);

    batch = files_->OpenBatch();
    for (const auto* name : {"O1.NC", "O2.NC", "O2.NC"}) {
        stage(*batch, name, name);
        EXPECT_EQ(batch->End(), FsError::None);
    }
    EXPECT_EQ(d_.Read("OUT/O1.NC"), "old\r\n");
    EXPECT_FALSE(d_.Exists("OUT/O2.NC"));
    ASSERT_EQ(batch->Commit(), FsError::None);
    EXPECT_EQ(batch->Placed(), 3u);
    EXPECT_EQ(TreeOf(d_.Path()), "OUT=/; OUT/O1.NC=O1.NC; OUT/O2.NC=O2.NC; OUT/RO.NC=keep\r\n; ");
    EXPECT_EQ(files_->OpenBatch()->Begin("D:\\NONE\\O1.NC"), FsError::NotFound);
}

TEST(OutputBatchDefault, SavesEachFileWhenItEnds) {
    test::MemoryFileSystem files;
    files.AddFolder("C:\\OUT");
    files.FailCommit("C:\\OUT\\O2.NC", FsError::NoSpace);
    auto batch = files.OpenBatch();
    ASSERT_EQ(batch->Begin("C:\\OUT\\O1.NC"), FsError::None);
    ASSERT_EQ(batch->Write("O1\r\n"), FsError::None);
    EXPECT_FALSE(files.File("C:\\OUT\\O1.NC"));
    ASSERT_EQ(batch->End(), FsError::None);
    EXPECT_EQ(files.File("C:\\OUT\\O1.NC"), "O1\r\n");
    ASSERT_EQ(batch->Begin("C:\\OUT\\O2.NC"), FsError::None);
    EXPECT_EQ(batch->Commit(), FsError::NoSpace);
    EXPECT_EQ(batch->Placed(), 1u);
    EXPECT_FALSE(files.File("C:\\OUT\\O2.NC"));
    EXPECT_EQ(files.OpenOutputs(), 0);
}

TEST_F(FileSystemPosixTest, ShortNamesAndReadableVolumes) {
    std::string got;
    for (const char* name :
         {"o1234.nc", "A-B_(1)!.N$", "PROGRAM12.NC", "O1234.NCDATA", "a b.nc", "my.prog.nc",
          "ABC.N C", "x[1]+.nc", "加工工程表データ.NC", ".config.ini", "A.", "  .nc"})
        got += FatShortName(name) + " ";
    EXPECT_EQ(got,
              "O1234.NC A-B_(1)!.N$ PROGRA~1.NC O1234~1.NCD AB~1.NC MYPROG~1.NC ABC~1.NC "
              "X_1__~1.NC 加工工~1.NC CONFIG~1.INI A~1 _~1.NC ");
    fs::create_directory(d_.File("Sub Folder"));
    EXPECT_EQ((std::vector{files_->ShortName("D:\\Sub Folder"), files_->ShortName("D:\\NONE"),
                           files_->ShortName("D:")}),
              (std::vector<std::optional<std::string>>{"SUBFOL~1", std::nullopt, ""}));

    HostConfig config;
    config.drives['A'] = d_.File("no disk");
    const auto floppy = CreateSystemFileSystem(DriveMap::Build(config, "", {}));
    EXPECT_FALSE(floppy->VolumeReadable('A'));
    fs::create_directory(d_.File("no disk"));
    EXPECT_TRUE(floppy->VolumeReadable('a'));
    EXPECT_FALSE(floppy->VolumeReadable('B'));
}

// A short name holds CP932 bytes, as on a Japanese system: two programs whose names differ only
// in kanji must not look alike in the list.
TEST(FatShortName, JapaneseNamesKeepTheirCharactersCountedInCp932Bytes) {
    const struct {
        const char* why;
        const char* name;
        const char* expected;
    } rows[] = {
        {"five bytes fit the base", "加工A.NC", "加工A.NC"},
        {"a different kanji stays different", "治具A.NC", "治具A.NC"},
        {"eight bytes fit exactly", "フォルダ", "フォルダ"},
        {"nine bytes do not", "フォルダー", "フォル~1"},
        {"half-width katakana are one byte each", "ﾃｽﾄﾌﾟﾛｸﾞﾗﾑ.NC", "ﾃｽﾄﾌﾟﾛ~1.NC"},
        {"six bytes of the base, then ~1", "プログラム日本語名.NC", "プログ~1.NC"},
        {"a kanji is never cut in half", "AプログラムB.NC", "Aプロ~1.NC"},
        {"ASCII letters beside kanji are upper-cased", "部品ab.nc", "部品AB.NC"},
        {"a kanji extension fits in three bytes", "A.図面", "A~1.図"},
        {"a character CP932 cannot hold is _", "価格😀.NC", "価格_~1.NC"},
        {"the yen sign would read as a backslash", "A¥B.NC", "A_B~1.NC"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FatShortName(row.name), row.expected) << row.why;
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

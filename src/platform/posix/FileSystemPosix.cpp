// Files and folders by drive path on a POSIX host. The drive table turns every drive path into a
// host path; every failing system call goes through FsErrorFromErrno. Whole-file writes go to a
// new file beside the target that is renamed over it only when all of it is on the disk.
//
// DOS attributes: read-only is the owner's write permission; hidden is a leading dot or the
// stored attribute; hidden, system and archive are stored in the extended attribute
// user.DOSATTRIB as "0x" and hex digits (the form Samba reads). A file system without user
// extended attributes (vfat sticks, some network shares) cannot keep them: there they read as
// not set, and setting them changes only the read-only permission.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/posix/HostFiles.h"

namespace kelvantori {

namespace {

using posix::BaseNameOf;
using posix::FsErrorFromErrno;
using posix::IsSameOrBelow;
using posix::JoinHost;
using posix::ParentOf;
using posix::UniqueFd;

constexpr const char* kDosAttributeName = "user.DOSATTRIB";
constexpr unsigned kDosReadOnly = 0x01;
constexpr unsigned kDosHidden = 0x02;
constexpr unsigned kDosSystem = 0x04;
constexpr unsigned kDosArchive = 0x20;

FsError LastError() {
    return FsErrorFromErrno(errno);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// "0x20"; Samba's newer binary form begins with the same text and a NUL.
unsigned ParseDosAttribute(std::string_view value) {
    if (value.size() < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X'))
        return 0;
    unsigned bits = 0;
    for (std::size_t i = 2; i < value.size() && i < 10; ++i) {
        const char c = value[i];
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            break;
        }
        bits = bits * 16 + digit;
    }
    return bits;
}

std::string FormatDosAttribute(unsigned bits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", bits);
    return text;
}

unsigned ReadDosBits(const std::string& host) {
    char value[512];
    const ssize_t n = ::getxattr(host.c_str(), kDosAttributeName, value, sizeof value);
    if (n <= 0)
        return 0;
    return ParseDosAttribute(std::string_view(value, static_cast<std::size_t>(n)));
}

bool IsDotName(std::string_view name) {
    return !name.empty() && name[0] == '.';
}

DosAttributes AttributesOf(const std::string& host, const struct stat& st, bool danglingLink) {
    const unsigned bits = danglingLink ? 0 : ReadDosBits(host);
    DosAttributes attributes;
    attributes.readOnly = !danglingLink && (st.st_mode & S_IWUSR) == 0;
    attributes.hidden = IsDotName(BaseNameOf(host)) || (bits & kDosHidden) != 0;
    attributes.system = (bits & kDosSystem) != 0;
    attributes.archive = (bits & kDosArchive) != 0;
    return attributes;
}

// Whether a file may be written over: the read-only attribute is honoured even by root, as the
// program's users expect of it, and so is the host's own permission check.
bool MayReplace(const std::string& host, const struct stat& st) {
    if ((st.st_mode & S_IWUSR) == 0)
        return false;
    return ::faccessat(AT_FDCWD, host.c_str(), W_OK, AT_EACCESS) == 0;
}

// The file a write to host really changes: the target of a symbolic link, so that saving
// through a link updates the file and keeps the link.
std::string WriteTargetOf(const std::string& host) {
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return host;
    char* real = ::realpath(host.c_str(), nullptr);
    if (real == nullptr)
        return host;  // a link to nothing is replaced by the file
    std::string target(real);
    std::free(real);
    return target;
}

std::string RealPathOr(const std::string& host) {
    char* real = ::realpath(host.c_str(), nullptr);
    if (real == nullptr)
        return host;
    std::string path(real);
    std::free(real);
    return path;
}

// Whether to lies in (or is) the folder from: copying or moving a folder into itself would
// never end.
bool IsInsideFolder(const std::string& to, const std::string& from) {
    const auto target = JoinHost(RealPathOr(ParentOf(to)), BaseNameOf(to));
    return IsSameOrBelow(target, RealPathOr(from));
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // The file system cannot rename without replacing; check first instead.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void SyncFolderOf(const std::string& path) {
    UniqueFd folder(::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid())
        ::fsync(folder.Get());  // best effort: not every file system can
}

// A name for the new file of a safe save: hidden, beside the target, unique by O_EXCL.
std::string PendingNameFor(std::string_view targetName) {
    static std::atomic<unsigned> counter{0};
    const auto now = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const unsigned long long mix = now ^ (static_cast<unsigned long long>(::getpid()) << 24) ^
                                   (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    std::size_t keep = std::min<std::size_t>(targetName.size(), 64);
    while (keep > 0 && keep < targetName.size() &&
           (static_cast<unsigned char>(targetName[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".~%08llx", mix & 0xFFFFFFFFull);
    return "." + std::string(targetName.substr(0, keep)) + suffix;
}

// The new content of a file, written beside it and renamed over it at Commit(). Until then the
// target is untouched; without Commit() the new file is removed.
class PendingFile {
  public:
    PendingFile() = default;
    ~PendingFile() { Discard(); }
    // The moved-from object must forget the new file, or its destructor would remove it.
    PendingFile(PendingFile&& other) noexcept
        : target_(std::move(other.target_)),
          temp_(std::exchange(other.temp_, std::string())),
          fd_(std::move(other.fd_)),
          error_(other.error_),
          committed_(other.committed_) {}
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    FsError Create(const std::string& target) {
        target_ = target;
        for (int attempt = 0; attempt < 100; ++attempt) {
            temp_ = JoinHost(ParentOf(target), PendingNameFor(BaseNameOf(target)));
            // 0666: the new file gets the permissions the user's umask gives new files.
            fd_ = UniqueFd(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (fd_.Valid())
                return FsError::None;
            if (errno != EEXIST)
                break;
        }
        const FsError error = LastError();
        temp_.clear();
        return error;
    }

    // The permissions (and, for a save over a file, its owner) and the stored DOS attributes
    // of the file the content comes from or replaces.
    void TakeMetadataFrom(const std::string& host, const struct stat& st, bool owner) {
        char value[512];
        const ssize_t n = ::getxattr(host.c_str(), kDosAttributeName, value, sizeof value);
        if (n > 0) {
            ::fsetxattr(fd_.Get(), kDosAttributeName, value, static_cast<std::size_t>(n), 0);
        }
        if (owner) {
            // Only root may give a file away; for others this is a harmless refusal.
            [[maybe_unused]] const int ignored = ::fchown(fd_.Get(), st.st_uid, st.st_gid);
        }
        ::fchmod(fd_.Get(), st.st_mode & 07777);
    }

    int Fd() const { return fd_.Get(); }

    FsError Write(std::string_view bytes) {
        if (error_ != FsError::None)
            return error_;
        if (!fd_.Valid())
            return error_ = FsError::Other;
        if (const int error = posix::WriteFully(fd_.Get(), bytes))
            error_ = FsErrorFromErrno(error);
        return error_;
    }

    FsError Commit() {
        if (committed_)
            return FsError::None;
        if (error_ == FsError::None && !fd_.Valid())
            error_ = FsError::Other;
        if (error_ == FsError::None && ::fsync(fd_.Get()) != 0)
            error_ = LastError();
        if (error_ == FsError::None) {
            if (const int error = fd_.Close())
                error_ = FsErrorFromErrno(error);
        }
        if (error_ == FsError::None && ::rename(temp_.c_str(), target_.c_str()) != 0) {
            error_ = LastError();
        }
        if (error_ != FsError::None) {
            Discard();
            return error_;
        }
        committed_ = true;
        temp_.clear();
        SyncFolderOf(target_);
        return FsError::None;
    }

    // Closes the new file and hands it over (its name in temp): the caller now owns it and
    // renames it over the target itself. Nothing is flushed to the disk here.
    FsError Close(std::string& temp) {
        if (error_ == FsError::None && !fd_.Valid())
            error_ = FsError::Other;
        if (error_ == FsError::None) {
            if (const int error = fd_.Close())
                error_ = FsErrorFromErrno(error);
        }
        if (error_ != FsError::None) {
            Discard();
            return error_;
        }
        temp = std::exchange(temp_, std::string());
        committed_ = true;
        return FsError::None;
    }

    const std::string& Target() const { return target_; }

    void Discard() {
        fd_.Reset();
        if (!temp_.empty())
            ::unlink(temp_.c_str());
        temp_.clear();
    }

  private:
    std::string target_;
    std::string temp_;
    UniqueFd fd_;
    FsError error_ = FsError::None;
    bool committed_ = false;
};

class ReplaceOutputFile final : public OutputFile {
  public:
    explicit ReplaceOutputFile(PendingFile pending) : pending_(std::move(pending)) {}
    FsError Write(std::string_view bytes) override {
        if (done_)
            return FsError::Other;
        return pending_.Write(bytes);
    }
    FsError Commit() override {
        if (!done_) {
            done_ = true;
            result_ = pending_.Commit();
        }
        return result_;
    }

  private:
    PendingFile pending_;
    bool done_ = false;
    FsError result_ = FsError::None;
};

class AppendOutputFile final : public OutputFile {
  public:
    explicit AppendOutputFile(UniqueFd fd) : fd_(std::move(fd)) {}
    FsError Write(std::string_view bytes) override {
        if (error_ != FsError::None)
            return error_;
        if (const int error = posix::WriteFully(fd_.Get(), bytes))
            error_ = FsErrorFromErrno(error);
        return error_;
    }
    FsError Commit() override {
        if (error_ == FsError::None && ::fsync(fd_.Get()) != 0)
            error_ = LastError();
        return error_;
    }

  private:
    UniqueFd fd_;
    FsError error_ = FsError::None;
};

class PosixInputFile final : public InputFile {
  public:
    explicit PosixInputFile(UniqueFd fd) : fd_(std::move(fd)) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t n = ::read(fd_.Get(), buffer, size);
            if (n >= 0)
                return n;
            if (errno != EINTR)
                return -1;
        }
    }

  private:
    UniqueFd fd_;
};

// Opens a regular file for reading. Folders, pipes and devices are refused: reading a pipe or
// a terminal would wait for ever.
UniqueFd OpenForReading(const std::string& host, FsError* error, struct stat* st) {
    UniqueFd fd(::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.Valid()) {
        *error = LastError();
        return fd;
    }
    if (::fstat(fd.Get(), st) != 0) {
        *error = LastError();
        return UniqueFd();
    }
    if (!S_ISREG(st->st_mode)) {
        *error = S_ISDIR(st->st_mode) ? FsError::IsADirectory : FsError::Other;
        return UniqueFd();
    }
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    *error = FsError::None;
    return fd;
}

// Copies the bytes of in to out: in the kernel where it can, else through a buffer.
int CopyBytes(int in, int out, std::uint64_t expected) {
    std::uint64_t copied = 0;
    bool inKernel = expected > 0;
    while (inKernel) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0) {
            copied += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0 && copied >= expected)
            return 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
            errno != EBADF) {
            return errno;
        }
        // Not possible here, or an early end from a file system that reports sizes it cannot
        // copy this way: the rest goes through the buffer from where the kernel stopped.
        inKernel = false;
    }
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (const int error = posix::WriteFully(
                out, std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
            return error;
        }
    }
}

// A file copied to a host path that may be replaced: same bytes, permissions, stored
// attributes and modification time; the target changes only once the copy is whole.
FsError CopyFileTo(const std::string& from, const std::string& to) {
    FsError error = FsError::None;
    struct stat st {};
    UniqueFd in = OpenForReading(from, &error, &st);
    if (!in.Valid())
        return error;
    PendingFile out;
    if (const FsError e = out.Create(WriteTargetOf(to)); e != FsError::None)
        return e;
    out.TakeMetadataFrom(from, st, false);
    if (const int e = CopyBytes(in.Get(), out.Fd(), static_cast<std::uint64_t>(st.st_size))) {
        return FsErrorFromErrno(e);
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.Fd(), times);
    return out.Commit();
}

FsError CopyLinkTo(const std::string& from, const std::string& to, bool overwrite) {
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(from.c_str(), target.data(), target.size() - 1);
    if (n < 0)
        return LastError();
    target[static_cast<std::size_t>(n)] = '\0';
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        if (!overwrite)
            return FsError::Exists;
        if (S_ISDIR(st.st_mode))
            return FsError::IsADirectory;
        if (::unlink(to.c_str()) != 0)
            return LastError();
    }
    return ::symlink(target.data(), to.c_str()) == 0 ? FsError::None : LastError();
}

// Calls visit for every entry of a folder but "." and "..", until visit returns an error;
// gives that error, or the error of opening or reading the folder.
FsError ForEachChild(const std::string& folder,
                     const std::function<FsError(std::string_view name)>& visit) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return LastError();
    FsError result = FsError::None;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0)
                result = LastError();
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (result = visit(name); result != FsError::None)
            break;
    }
    ::closedir(dir);
    return result;
}

// A folder copied with everything in it. Links are copied as links (so a link to a parent
// folder cannot make the copy endless); sockets, pipes and devices are left out and reported.
FsError CopyTree(const std::string& from, const std::string& to, const struct stat& fromStat,
                 bool overwrite) {
    bool created = false;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        if (!overwrite)
            return FsError::Exists;
        if (!S_ISDIR(st.st_mode))
            return FsError::NotADirectory;
    } else {
        // Private until filled; the source folder's permissions are given at the end, so a
        // read-only folder can still be filled.
        if (::mkdir(to.c_str(), 0700) != 0)
            return LastError();
        created = true;
    }
    FsError leftOut = FsError::None;
    const FsError result = ForEachChild(from, [&](std::string_view name) {
        const auto childFrom = JoinHost(from, name);
        const auto childTo = JoinHost(to, name);
        struct stat child {};
        if (::lstat(childFrom.c_str(), &child) != 0)
            return errno == ENOENT ? FsError::None : LastError();  // ENOENT: removed meanwhile
        FsError error = FsError::None;
        if (S_ISDIR(child.st_mode)) {
            error = CopyTree(childFrom, childTo, child, overwrite);
        } else if (S_ISREG(child.st_mode)) {
            struct stat target {};
            if (::lstat(childTo.c_str(), &target) == 0) {
                if (!overwrite) {
                    error = FsError::Exists;
                } else if (S_ISDIR(target.st_mode)) {
                    error = FsError::IsADirectory;
                } else if (!MayReplace(childTo, target)) {
                    error = FsError::AccessDenied;
                }
            }
            if (error == FsError::None)
                error = CopyFileTo(childFrom, childTo);
        } else if (S_ISLNK(child.st_mode)) {
            error = CopyLinkTo(childFrom, childTo, overwrite);
        } else {
            leftOut = FsError::Other;
        }
        return error;
    });
    if (result != FsError::None)
        return result;
    if (created) {
        char value[512];
        const ssize_t n = ::getxattr(from.c_str(), kDosAttributeName, value, sizeof value);
        if (n > 0)
            ::setxattr(to.c_str(), kDosAttributeName, value, static_cast<std::size_t>(n), 0);
        ::chmod(to.c_str(), fromStat.st_mode & 07777);
        // Last, since filling the folder changed its time.
        const struct timespec times[2] = {fromStat.st_atim, fromStat.st_mtim};
        ::utimensat(AT_FDCWD, to.c_str(), times, 0);
    }
    return leftOut;
}

// Removes a file, link or whole folder; used only for the original of a move once its copy is
// complete, and for a copy that failed half-way.
FsError RemoveTree(const std::string& host) {
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0)
        return errno == ENOENT ? FsError::None : LastError();
    if (!S_ISDIR(st.st_mode))
        return ::unlink(host.c_str()) == 0 ? FsError::None : LastError();
    const FsError result =
        ForEachChild(host, [&](std::string_view name) { return RemoveTree(JoinHost(host, name)); });
    if (result != FsError::None)
        return result;
    return ::rmdir(host.c_str()) == 0 ? FsError::None : LastError();
}

// A move to another file system: copy, and remove the original only once the copy is whole.
FsError MoveAcrossDevices(const std::string& from, const std::string& to, const struct stat& st,
                          bool targetExists) {
    if (S_ISDIR(st.st_mode)) {
        // As rename(): an empty folder of that name is replaced, a filled one is not.
        if (targetExists && ::rmdir(to.c_str()) != 0)
            return LastError();
        if (const FsError error = CopyTree(from, to, st, false); error != FsError::None) {
            RemoveTree(to);
            return error;
        }
        return RemoveTree(from);
    }
    FsError error = FsError::Other;
    if (S_ISREG(st.st_mode)) {
        error = CopyFileTo(from, to);
    } else if (S_ISLNK(st.st_mode)) {
        error = CopyLinkTo(from, to, true);
    }
    if (error != FsError::None)
        return error;
    return ::unlink(from.c_str()) == 0 ? FsError::None : LastError();
}

// Runs examine over [0, count) in slices, one thread per processor (at most four) when there
// is enough work to pay for the threads.
template <typename Examine>
void ExamineInParallel(std::size_t count, const Examine& examine) {
    constexpr std::size_t kEntriesPerThread = 2048;
    const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t threads =
        std::min<std::size_t>({processors, 4, std::max<std::size_t>(1, count / kEntriesPerThread)});
    if (threads <= 1) {
        examine(0, count);
        return;
    }
    std::vector<std::thread> helpers;
    const std::size_t slice = count / threads;
    for (std::size_t t = 1; t < threads; ++t) {
        const std::size_t end = t + 1 == threads ? count : (t + 1) * slice;
        helpers.emplace_back([&examine, begin = t * slice, end] { examine(begin, end); });
    }
    examine(0, slice);
    for (auto& helper : helpers)
        helper.join();
}

// Whether host may be written by name; exists tells whether it is there (its stat in st).
FsError CheckWritable(const std::string& host, struct stat& st, bool& exists) {
    exists = ::stat(host.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return LastError();
    if (exists) {
        if (S_ISDIR(st.st_mode))
            return FsError::IsADirectory;
        if (!S_ISREG(st.st_mode))  // never write into a device or a pipe by name
            return FsError::Other;
        if (!MayReplace(host, st))
            return FsError::AccessDenied;
    }
    return FsError::None;
}

FsError StartReplace(const std::string& host, const struct stat& st, bool exists,
                     PendingFile& pending) {
    if (const FsError e = pending.Create(WriteTargetOf(host)); e != FsError::None)
        return e;
    if (exists)
        pending.TakeMetadataFrom(host, st, true);
    return FsError::None;
}

class PosixFileSystem final : public FileSystem {
  public:
    explicit PosixFileSystem(DriveMap drives) : drives_(std::move(drives)) {}

    std::optional<FileStat> Stat(std::string_view path) override {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return std::nullopt;
        struct stat st {};
        bool dangling = false;
        if (::stat(host.path.c_str(), &st) != 0) {
            if (errno != ENOENT && errno != ELOOP)
                return std::nullopt;
            if (::lstat(host.path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
                return std::nullopt;
            dangling = true;  // a link to nothing shows as an empty file, as in a folder scan
        }
        FileStat result;
        result.isDirectory = S_ISDIR(st.st_mode);
        result.size = (result.isDirectory || dangling) ? 0 : static_cast<std::uint64_t>(st.st_size);
        result.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);
        result.attributes = AttributesOf(host.path, st, dangling);
        result.executable = !dangling && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0;
        return result;
    }

    // One open folder: readdir for the names, then one fstatat per entry relative to the
    // folder, so no path is built per entry and the only allocation per entry is its name. The
    // stat calls cost far more than reading the names; a large folder spreads them over the
    // processors.
    std::optional<std::vector<DirEntry>> Scan(std::string_view folder) override {
        const auto host = Resolve(folder);
        if (host.error != FsError::None)
            return std::nullopt;
        const int fd = ::open(host.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
        DIR* dir = ::fdopendir(fd);
        if (dir == nullptr) {
            ::close(fd);
            return std::nullopt;
        }
        std::vector<DirEntry> entries;
        std::vector<unsigned char> kinds;  // d_type, for entries that cannot be examined
        bool failed = false;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (entry == nullptr) {
                failed = errno != 0;
                break;
            }
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            entries.emplace_back().name = name;
            kinds.push_back(entry->d_type);
        }
        if (failed) {
            ::closedir(dir);
            return std::nullopt;
        }
        std::vector<unsigned char> gone(entries.size(), 0);
        const auto examine = [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) {
                DirEntry& out = entries[i];
                out.shortName = FatShortName(out.name);
                struct stat st {};
                if (::fstatat(fd, out.name.c_str(), &st, 0) == 0) {
                    out.isDirectory = S_ISDIR(st.st_mode);
                    out.size = out.isDirectory ? 0 : static_cast<std::uint64_t>(st.st_size);
                    out.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);
                } else if (const int error = errno; error == ENOENT || error == ELOOP) {
                    if (::fstatat(fd, out.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                        out.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);  // dangling
                    } else {
                        gone[i] = 1;  // removed while the folder was read
                    }
                } else {
                    // Present but not to be examined (no permission): listed by name and kind.
                    out.isDirectory = kinds[i] == DT_DIR;
                }
            }
        };
        ExamineInParallel(entries.size(), examine);
        ::closedir(dir);
        if (std::find(gone.begin(), gone.end(), 1) != gone.end()) {
            std::size_t kept = 0;
            for (std::size_t i = 0; i < entries.size(); ++i) {
                if (!gone[i])
                    entries[kept++] = std::move(entries[i]);
            }
            entries.resize(kept);
        }
        return entries;
    }

    std::optional<std::string> ReadAll(std::string_view path) override {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return std::nullopt;
        FsError error = FsError::None;
        struct stat st {};
        UniqueFd fd = OpenForReading(host.path, &error, &st);
        if (!fd.Valid())
            return std::nullopt;
        // The size is a hint only: the file may grow or shrink while it is read. One byte more
        // than the size finds the end without growing the buffer, so a large program is held
        // in a buffer of its own size, not twice that.
        std::string bytes(static_cast<std::size_t>(st.st_size) + 1, '\0');
        std::size_t used = 0;
        for (;;) {
            if (used == bytes.size())
                bytes.resize(used + 65536);
            const ssize_t n = ::read(fd.Get(), bytes.data() + used, bytes.size() - used);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return std::nullopt;
            }
            if (n == 0)
                break;
            used += static_cast<std::size_t>(n);
        }
        bytes.resize(used);
        return bytes;
    }

    FsError WriteAll(std::string_view path, std::string_view bytes) override {
        FsError error = FsError::None;
        auto out = OpenWrite(path, WriteMode::Replace, &error);
        if (!out)
            return error;
        if (const FsError e = out->Write(bytes); e != FsError::None)
            return e;
        return out->Commit();
    }

    FsError Append(std::string_view path, std::string_view bytes) override {
        FsError error = FsError::None;
        auto out = OpenWrite(path, WriteMode::Append, &error);
        if (!out)
            return error;
        if (const FsError e = out->Write(bytes); e != FsError::None)
            return e;
        return out->Commit();
    }

    std::unique_ptr<InputFile> OpenRead(std::string_view path, FsError* error) override {
        FsError ignored = FsError::None;
        if (error == nullptr)
            error = &ignored;
        const auto host = Resolve(path);
        if (host.error != FsError::None) {
            *error = host.error;
            return nullptr;
        }
        struct stat st {};
        UniqueFd fd = OpenForReading(host.path, error, &st);
        if (!fd.Valid())
            return nullptr;
        return std::make_unique<PosixInputFile>(std::move(fd));
    }

    std::unique_ptr<OutputFile> OpenWrite(std::string_view path, WriteMode mode,
                                          FsError* error) override {
        FsError ignored = FsError::None;
        if (error == nullptr)
            error = &ignored;
        const auto host = Resolve(path);
        if (host.error != FsError::None) {
            *error = host.error;
            return nullptr;
        }
        struct stat st {};
        bool exists = false;
        if (const FsError e = CheckWritable(host.path, st, exists); e != FsError::None) {
            *error = e;
            return nullptr;
        }
        if (mode == WriteMode::Append) {
            UniqueFd fd(::open(host.path.c_str(),
                               O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
            if (!fd.Valid()) {
                *error = LastError();
                return nullptr;
            }
            *error = FsError::None;
            return std::make_unique<AppendOutputFile>(std::move(fd));
        }
        PendingFile pending;
        if (const FsError e = StartReplace(host.path, st, exists, pending); e != FsError::None) {
            *error = e;
            return nullptr;
        }
        *error = FsError::None;
        return std::make_unique<ReplaceOutputFile>(std::move(pending));
    }

    std::unique_ptr<OutputBatch> OpenBatch() override;

    // The new file of a safe save of path (the checks of OpenWrite in Replace mode).
    FsError PrepareReplace(std::string_view path, PendingFile& pending) {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return host.error;
        struct stat st {};
        bool exists = false;
        if (const FsError e = CheckWritable(host.path, st, exists); e != FsError::None)
            return e;
        return StartReplace(host.path, st, exists, pending);
    }

    FsError CreateDirectory(std::string_view path) override {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return host.error;
        return ::mkdir(host.path.c_str(), 0777) == 0 ? FsError::None : LastError();
    }

    FsError Copy(std::string_view from, std::string_view to, bool overwrite) override {
        const auto source = Resolve(from);
        if (source.error != FsError::None)
            return source.error;
        const auto target = Resolve(to);
        if (target.error != FsError::None)
            return target.error;
        struct stat st {};
        if (::stat(source.path.c_str(), &st) != 0)
            return LastError();
        struct stat existing {};
        const bool exists = ::stat(target.path.c_str(), &existing) == 0;
        if (!exists && errno != ENOENT)
            return LastError();
        if (exists) {
            // A copy onto itself would be a truncated original.
            if (SameFile(st, existing) || !overwrite)
                return FsError::Exists;
            if (S_ISDIR(st.st_mode) && !S_ISDIR(existing.st_mode))
                return FsError::NotADirectory;
            if (!S_ISDIR(st.st_mode) && S_ISDIR(existing.st_mode))
                return FsError::IsADirectory;
        }
        if (S_ISDIR(st.st_mode)) {
            if (IsInsideFolder(target.path, source.path))
                return FsError::Other;
            return CopyTree(source.path, target.path, st, overwrite);
        }
        if (exists && !MayReplace(target.path, existing))
            return FsError::AccessDenied;
        return CopyFileTo(source.path, target.path);
    }

    FsError Move(std::string_view from, std::string_view to, bool overwrite) override {
        const auto source = Resolve(from);
        if (source.error != FsError::None)
            return source.error;
        const auto target = Resolve(to);
        if (target.error != FsError::None)
            return target.error;
        struct stat st {};
        if (::lstat(source.path.c_str(), &st) != 0)
            return LastError();
        if (source.path == target.path)
            return FsError::None;
        if (IsDriveFolder(source.path))
            return FsError::AccessDenied;
        struct stat existing {};
        const bool exists = ::lstat(target.path.c_str(), &existing) == 0;
        if (!exists && errno != ENOENT)
            return LastError();
        if (exists && !SameFile(st, existing)) {
            if (!overwrite)
                return FsError::Exists;
            if (S_ISDIR(st.st_mode) && !S_ISDIR(existing.st_mode))
                return FsError::NotADirectory;
            if (!S_ISDIR(st.st_mode) && S_ISDIR(existing.st_mode))
                return FsError::IsADirectory;
            if (S_ISREG(existing.st_mode) && !MayReplace(target.path, existing)) {
                return FsError::AccessDenied;
            }
        }
        if (S_ISDIR(st.st_mode) && IsInsideFolder(target.path, source.path))
            return FsError::Other;
        const int error =
            exists ? (::rename(source.path.c_str(), target.path.c_str()) == 0 ? 0 : errno)
                   : RenameNoReplace(source.path, target.path);
        if (error == 0)
            return FsError::None;
        if (error != EXDEV)
            return FsErrorFromErrno(error);
        return MoveAcrossDevices(source.path, target.path, st, exists);
    }

    FsError Rename(std::string_view from, std::string_view to) override {
        const auto source = Resolve(from);
        if (source.error != FsError::None)
            return source.error;
        const auto target = Resolve(to);
        if (target.error != FsError::None)
            return target.error;
        struct stat st {};
        if (::lstat(source.path.c_str(), &st) != 0)
            return LastError();
        struct stat existing {};
        if (::lstat(target.path.c_str(), &existing) == 0 && source.path != target.path) {
            // On a file system that ignores case (a vfat stick) "abc.nc" -> "ABC.NC" finds the
            // file itself under the new name: that is a change of case, not a clash.
            if (!SameFile(st, existing))
                return FsError::Exists;
            if (IsDriveFolder(source.path))
                return FsError::AccessDenied;
            return ::rename(source.path.c_str(), target.path.c_str()) == 0 ? FsError::None
                                                                           : LastError();
        }
        return Move(from, to, false);
    }

    FsError MoveToTrash(std::string_view path) override {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return host.error;
        struct stat st {};
        if (::lstat(host.path.c_str(), &st) != 0)
            return LastError();
        // A whole drive (the home folder, "/") is never put in the trash.
        if (IsDriveFolder(host.path))
            return FsError::AccessDenied;
        return posix::MoveHostToTrash(host.path);
    }

    FsError SetModified(std::string_view path, std::int64_t secondsSinceEpoch) override {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return host.error;
        struct timespec times[2] = {};
        times[0].tv_nsec = UTIME_OMIT;  // the last access stays as it is
        times[1].tv_sec = static_cast<time_t>(secondsSinceEpoch);
        return ::utimensat(AT_FDCWD, host.path.c_str(), times, 0) == 0 ? FsError::None
                                                                       : LastError();
    }

    FsError SetAttributes(std::string_view path, const DosAttributes& attributes) override {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return host.error;
        struct stat st {};
        if (::stat(host.path.c_str(), &st) != 0)
            return LastError();
        const char* file = host.path.c_str();

        // A dot name is hidden by its name; the stored bit is for names without one.
        unsigned wanted = 0;
        if (attributes.hidden && !IsDotName(BaseNameOf(host.path)))
            wanted |= kDosHidden;
        if (attributes.system)
            wanted |= kDosSystem;
        if (attributes.archive)
            wanted |= kDosArchive;
        const unsigned current = ReadDosBits(host.path);
        // Bits of others (Samba's directory bit...) are kept; read-only is the permission.
        const unsigned managed = kDosReadOnly | kDosHidden | kDosSystem | kDosArchive;
        const unsigned stored = (current & ~managed) | wanted;

        mode_t mode = st.st_mode & 07777;
        const mode_t finalMode = attributes.readOnly
                                     ? static_cast<mode_t>(mode & ~(S_IWUSR | S_IWGRP | S_IWOTH))
                                     : static_cast<mode_t>(mode | S_IWUSR);
        if (stored != current) {
            // Changing an extended attribute needs write permission on the file itself.
            if ((mode & S_IWUSR) == 0) {
                if (::chmod(file, mode | S_IWUSR) != 0)
                    return LastError();
                mode |= S_IWUSR;
            }
            int result = 0;
            if (stored == 0) {
                result = ::removexattr(file, kDosAttributeName);
                if (result != 0 && errno == ENODATA)
                    result = 0;
            } else {
                const auto text = FormatDosAttribute(stored);
                result = ::setxattr(file, kDosAttributeName, text.data(), text.size(), 0);
            }
            // Without user extended attributes there is nowhere to keep them (see above).
            if (result != 0 && errno != ENOTSUP) {
                const FsError error = LastError();
                ::chmod(file, st.st_mode & 07777);
                return error;
            }
        }
        if (mode != finalMode && ::chmod(file, finalMode) != 0)
            return LastError();
        return FsError::None;
    }

    std::optional<std::string> ShortName(std::string_view path) override {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return std::nullopt;
        struct stat st {};
        if (::lstat(host.path.c_str(), &st) != 0)
            return std::nullopt;
        if (IsDriveFolder(host.path))
            return std::string();  // a drive's root has no name
        return FatShortName(BaseNameOf(host.path));
    }

    bool VolumeReadable(char letter) override {
        const auto folder = drives_.FolderOf(letter);
        if (!folder)
            return false;
        UniqueFd fd(::open(folder->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return fd.Valid();
    }

    const DriveMap& Drives() const override { return drives_; }

  private:
    struct HostPath {
        std::string path;
        FsError error = FsError::None;
    };

    HostPath Resolve(std::string_view drivePath) const {
        if (auto host = drives_.ToHost(drivePath))
            return {std::move(*host), FsError::None};
        const bool hasLetter = drivePath.size() >= 2 && drivePath[1] == ':' &&
                               ((drivePath[0] >= 'A' && drivePath[0] <= 'Z') ||
                                (drivePath[0] >= 'a' && drivePath[0] <= 'z'));
        if (hasLetter && !drives_.FolderOf(drivePath[0]))
            return {"", FsError::NotMapped};
        return {"", FsError::InvalidName};
    }

    bool IsDriveFolder(const std::string& host) const {
        for (const char letter : drives_.Letters()) {
            if (drives_.FolderOf(letter) == host)
                return true;
        }
        return false;
    }

    DriveMap drives_;
};

// The new files wait closed beside their targets. At Commit() one syncfs() per file system puts
// all their bytes on the disk, and only then are they renamed over their targets: a crash at
// any moment leaves each target either as it was or whole, as one fsync per file would, at the
// cost of one flush instead of thousands.
class PosixOutputBatch final : public OutputBatch {
  public:
    explicit PosixOutputBatch(PosixFileSystem& files) : files_(files) {}
    ~PosixOutputBatch() override {
        current_.reset();
        for (std::size_t i = placed_; i < staged_.size(); ++i)
            ::unlink(staged_[i].temp.c_str());
    }
    PosixOutputBatch(const PosixOutputBatch&) = delete;
    PosixOutputBatch& operator=(const PosixOutputBatch&) = delete;

    FsError Begin(std::string_view path) override {
        if (open_)
            End();
        if (error_ != FsError::None || committed_)
            return Fail(error_ == FsError::None ? FsError::Other : error_);
        current_.emplace();
        if (const FsError e = files_.PrepareReplace(path, *current_); e != FsError::None)
            return Fail(e);
        open_ = true;
        return FsError::None;
    }

    FsError Write(std::string_view bytes) override {
        if (error_ == FsError::None && !open_)
            return Fail(FsError::Other);
        if (error_ == FsError::None) {
            if (const FsError e = current_->Write(bytes); e != FsError::None)
                return Fail(e);
        }
        return error_;
    }

    FsError End() override {
        if (error_ == FsError::None && !open_)
            return Fail(FsError::Other);
        open_ = false;
        if (error_ != FsError::None)
            return error_;
        Staged staged;
        staged.target = current_->Target();
        const FsError closed = current_->Close(staged.temp);
        current_.reset();
        if (closed != FsError::None)
            return Fail(closed);
        staged_.push_back(std::move(staged));
        return FsError::None;
    }

    FsError Commit() override {
        if (open_)
            End();
        if (error_ != FsError::None || committed_)
            return error_;
        committed_ = true;
        std::vector<std::string> folders;
        for (const auto& staged : staged_) {
            std::string folder = ParentOf(staged.target);
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(std::move(folder));
        }
        if (const FsError e = FlushToDisk(folders); e != FsError::None)
            return Fail(e);
        for (const auto& staged : staged_) {
            if (::rename(staged.temp.c_str(), staged.target.c_str()) != 0)
                return Fail(LastError());
            ++placed_;
        }
        for (const auto& folder : folders) {
            UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (fd.Valid())
                ::fsync(fd.Get());  // best effort, as for a single save
        }
        return FsError::None;
    }

    std::size_t Placed() const override { return placed_; }

  private:
    struct Staged {
        std::string temp;
        std::string target;
    };

    FsError Fail(FsError error) {
        if (error_ == FsError::None)
            error_ = error;
        current_.reset();  // removes the file being written
        open_ = false;
        return error_;
    }

    // syncfs() of each folder's file system; where it is refused, an fsync() of every file.
    FsError FlushToDisk(const std::vector<std::string>& folders) {
        bool flushed = true;
        for (const auto& folder : folders) {
            UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!fd.Valid() || ::syncfs(fd.Get()) != 0)
                flushed = false;
        }
        if (flushed)
            return FsError::None;
        for (const auto& staged : staged_) {
            UniqueFd fd(::open(staged.temp.c_str(), O_WRONLY | O_CLOEXEC));
            if (!fd.Valid() || ::fsync(fd.Get()) != 0)
                return LastError();
        }
        return FsError::None;
    }

    PosixFileSystem& files_;
    std::optional<PendingFile> current_;
    std::vector<Staged> staged_;
    std::size_t placed_ = 0;
    bool open_ = false;
    bool committed_ = false;
    FsError error_ = FsError::None;
};

std::unique_ptr<OutputBatch> PosixFileSystem::OpenBatch() {
    return std::make_unique<PosixOutputBatch>(*this);
}

}  // namespace

std::unique_ptr<FileSystem> CreateSystemFileSystem(DriveMap drives) {
    return std::make_unique<PosixFileSystem>(std::move(drives));
}

}  // namespace kelvantori

// Files and folders by drive path on a POSIX host. The drive table turns every drive path into a
// host path; every failing system call goes through FsErrorFromErrno. Whole-file writes go to a
// new file beside the target that is renamed over it only when all of it is on the disk
// (SafeSavePosix); DOS attributes, copies of folder trees, folder scans and batches of saves
// have files of their own beside this one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/posix/DosAttributesPosix.h"
#include "platform/posix/FolderScanPosix.h"
#include "platform/posix/HostFiles.h"
#include "platform/posix/OutputBatchPosix.h"
#include "platform/posix/SafeSavePosix.h"
#include "platform/posix/TreeCopyPosix.h"

namespace kelvantori {

namespace {

using posix::AttributesOf;
using posix::BaseNameOf;
using posix::CheckWritable;
using posix::CopyFileTo;
using posix::CopyTree;
using posix::FsErrorFromErrno;
using posix::IsInsideFolder;
using posix::LastError;
using posix::MayReplace;
using posix::MoveAcrossDevices;
using posix::OpenForReading;
using posix::PendingFile;
using posix::StartReplace;
using posix::UniqueFd;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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

    std::optional<std::vector<DirEntry>> Scan(std::string_view folder) override {
        const auto host = Resolve(folder);
        if (host.error != FsError::None)
            return std::nullopt;
        return posix::ScanHostFolder(host.path);
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

    std::unique_ptr<OutputBatch> OpenBatch() override {
        return posix::OpenOutputBatch([this](std::string_view path, PendingFile& pending) {
            return PrepareReplace(path, pending);
        });
    }

    // The new file of a safe save of path (the checks of OpenWrite in Replace mode).
    FsError PrepareReplace(std::string_view path, PendingFile& pending) {
        const auto host = Resolve(path);
        if (host.error != FsError::None)
            return host.error;
        struct stat st {};
        bool exists = false;
        if (const FsError e = CheckWritable(host.path, st, exists); e != FsError::None)
            return e;
        return StartReplace(host.path, st, exists, pending, false);
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
        return posix::SetAttributesOf(host.path, attributes);
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

}  // namespace

std::unique_ptr<FileSystem> CreateSystemFileSystem(DriveMap drives) {
    return std::make_unique<PosixFileSystem>(std::move(drives));
}

}  // namespace kelvantori

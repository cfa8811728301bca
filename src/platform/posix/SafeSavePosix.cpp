// Safe saves on a POSIX host: the pending file beside the target and its rename over it.
#include "platform/posix/SafeSavePosix.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/DosAttributesPosix.h"

namespace kelvantori::posix {

namespace {

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

}  // namespace

bool MayReplace(const std::string& host, const struct stat& st) {
    if ((st.st_mode & S_IWUSR) == 0)
        return false;
    return ::faccessat(AT_FDCWD, host.c_str(), W_OK, AT_EACCESS) == 0;
}

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

FsError PendingFile::Create(const std::string& target) {
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

void PendingFile::TakeMetadataFrom(const std::string& host, const struct stat& st, bool owner) {
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

FsError PendingFile::Write(std::string_view bytes) {
    if (error_ != FsError::None)
        return error_;
    if (!fd_.Valid())
        return error_ = FsError::Other;
    if (const int error = posix::WriteFully(fd_.Get(), bytes))
        error_ = FsErrorFromErrno(error);
    return error_;
}

FsError PendingFile::Commit() {
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

FsError PendingFile::Close(std::string& temp) {
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

void PendingFile::Discard() {
    fd_.Reset();
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}

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

}  // namespace kelvantori::posix

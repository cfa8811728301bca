// Safe saves on a POSIX host: the pending file beside the target and its rename over it.
#include "platform/posix/SafeSavePosix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>

#include "platform/posix/DosAttributesPosix.h"

namespace kelvantori::posix {

namespace {

void SyncFolderOf(const std::string& path) {
    UniqueFd folder(::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid())
        ::fsync(folder.Get());  // best effort: not every file system can
}

constexpr std::size_t kPendingNameKeep = 64;
constexpr std::string_view kPendingMark = ".~";
constexpr std::size_t kPendingHexDigits = 8;

// The part of the target's name a pending file carries: at most 64 bytes, cut between UTF-8
// characters.
std::string_view PendingStem(std::string_view targetName) {
    std::size_t keep = std::min(targetName.size(), kPendingNameKeep);
    while (keep > 0 && keep < targetName.size() &&
           (static_cast<unsigned char>(targetName[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    return targetName.substr(0, keep);
}

// A name for the new file of a safe save: hidden, beside the target, unique by O_EXCL.
std::string PendingNameFor(std::string_view targetName) {
    static std::atomic<unsigned> counter{0};
    const auto now = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const unsigned long long mix = now ^ (static_cast<unsigned long long>(::getpid()) << 24) ^
                                   (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".~%08llx", mix & 0xFFFFFFFFull);
    return "." + std::string(PendingStem(targetName)) + suffix;
}

// The stem of the target whose pending file this name is (".A.NC.~0123abcd" -> "A.NC"), or
// nullopt for a name that is not of our making.
std::optional<std::string_view> PendingStemOf(std::string_view name) {
    const std::size_t tail = kPendingMark.size() + kPendingHexDigits;
    if (name.size() <= 1 + tail || name.front() != '.')
        return std::nullopt;
    const std::string_view mark = name.substr(name.size() - tail);
    if (!mark.starts_with(kPendingMark))
        return std::nullopt;
    const bool hex = std::all_of(mark.begin() + kPendingMark.size(), mark.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
    if (!hex)
        return std::nullopt;
    return name.substr(1, name.size() - 1 - tail);
}

// Removes one pending file when no save holds it. The lock is taken on our own open of the
// file and the name is removed while it is held, so a save that has just created the file and
// not yet locked it finds it gone once it has the lock (and makes another).
void RemoveIfAbandoned(int folder, const char* name) {
    UniqueFd fd(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid())
        return;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return;  // a running save holds it, or the file system has no locks: leave it
    ::unlinkat(folder, name, 0);
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

void RemoveStalePendingFiles(const std::vector<std::string>& targets) {
    std::map<std::string, std::set<std::string, std::less<>>> stemsByFolder;
    for (const std::string& target : targets)
        stemsByFolder[ParentOf(target)].emplace(PendingStem(BaseNameOf(target)));
    for (const auto& [folder, stems] : stemsByFolder) {
        UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folderFd.Valid())
            continue;
        DIR* dir = ::fdopendir(::dup(folderFd.Get()));
        if (dir == nullptr)
            continue;
        std::vector<std::string> abandoned;
        while (const dirent* entry = ::readdir(dir)) {
            const auto stem = PendingStemOf(entry->d_name);
            if (stem && stems.find(*stem) != stems.end())
                abandoned.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        for (const std::string& name : abandoned)
            RemoveIfAbandoned(folderFd.Get(), name.c_str());
    }
}

FsError PendingFile::Create(const std::string& target) {
    target_ = target;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = JoinHost(ParentOf(target), PendingNameFor(BaseNameOf(target)));
        // 0666: the new file gets the permissions the user's umask gives new files.
        fd_ = UniqueFd(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd_.Valid()) {
            if (errno != EEXIST)
                break;
            continue;
        }
        // The lock tells the saves of other processes that this file is no leftover. Where the
        // file system has no locks, the file goes unlocked and no save ever removes it.
        if (::flock(fd_.Get(), LOCK_EX) != 0)
            return FsError::None;
        struct stat st {};
        if (::fstat(fd_.Get(), &st) == 0 && st.st_nlink > 0)
            return FsError::None;
        // Removed as a leftover between its creation and the lock: a new one.
        fd_.Reset();
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
    // Renamed while the file is still open and locked, so that no other save takes it for a
    // leftover in between. After the fsync the close cannot lose a byte.
    if (error_ == FsError::None && ::rename(temp_.c_str(), target_.c_str()) != 0) {
        error_ = LastError();
    }
    if (error_ != FsError::None) {
        Discard();
        return error_;
    }
    fd_.Reset();
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
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    fd_.Reset();
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
                     PendingFile& pending, bool removeStale) {
    const std::string target = WriteTargetOf(host);
    if (removeStale)
        RemoveStalePendingFiles({target});
    if (const FsError e = pending.Create(target); e != FsError::None)
        return e;
    if (exists)
        pending.TakeMetadataFrom(host, st, true);
    return FsError::None;
}

}  // namespace kelvantori::posix

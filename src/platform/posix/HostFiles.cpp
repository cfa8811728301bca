// Host-path helpers of the POSIX platform layer, and the translation of errno into FsError.
#include "platform/posix/HostFiles.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace kelvantori::posix {

FsError FsErrorFromErrno(int errorNumber) {
    switch (errorNumber) {
        case 0:
            return FsError::None;
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:  // a drive without its medium behaves like a missing one
            return FsError::NotFound;
        case EEXIST:
            return FsError::Exists;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
        case EBUSY:
            return FsError::AccessDenied;
        case ENOSPC:
        case EDQUOT:
            return FsError::NoSpace;
        case ENAMETOOLONG:
        case EILSEQ:  // vfat and others refuse bytes they cannot store in a name
        case EINVAL:
            return FsError::InvalidName;
        case ENOTDIR:
            return FsError::NotADirectory;
        case EISDIR:
            return FsError::IsADirectory;
        case ENOTEMPTY:
            return FsError::NotEmpty;
        default:
            return FsError::Other;
    }
}

FsError LastError() {
    return FsErrorFromErrno(errno);
}

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

void UniqueFd::Reset() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int UniqueFd::Close() {
    if (fd_ < 0)
        return 0;
    const int result = ::close(std::exchange(fd_, -1));
    // After EINTR the descriptor is gone on Linux; the data went to the file already.
    return (result == 0 || errno == EINTR) ? 0 : errno;
}

std::string ParentOf(std::string_view hostPath) {
    while (hostPath.size() > 1 && hostPath.back() == '/')
        hostPath.remove_suffix(1);
    const auto slash = hostPath.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return std::string(hostPath.substr(0, slash));
}

std::string BaseNameOf(std::string_view hostPath) {
    while (hostPath.size() > 1 && hostPath.back() == '/')
        hostPath.remove_suffix(1);
    if (hostPath == "/")
        return "";
    const auto slash = hostPath.rfind('/');
    return std::string(slash == std::string_view::npos ? hostPath : hostPath.substr(slash + 1));
}

std::string JoinHost(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

bool IsSameOrBelow(std::string_view path, std::string_view folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.remove_suffix(1);
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    if (!path.starts_with(folder))
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

int MakeDirectories(const std::string& hostPath, mode_t mode) {
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    std::vector<std::string> missing;
    std::string path = hostPath;
    while (!path.empty() && path != "/" && path != "." && ::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return errno;
        missing.push_back(path);
        path = ParentOf(path);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), mode) != 0 && errno != EEXIST)
            return errno;
    }
    if (::stat(hostPath.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int WriteFully(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* result = nullptr;
    if (getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr && result->pw_dir[0] == '/') {
        return result->pw_dir;
    }
    return "";
}

std::string AbsoluteFolderFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return "";
    return value;
}

}  // namespace kelvantori::posix

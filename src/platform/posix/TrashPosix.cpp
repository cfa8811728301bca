// The desktop's trash (freedesktop.org layout): files/<name> holds the item, info/<name>.trashinfo
// where it came from and when. Files of the home file system go to $XDG_DATA_HOME/Trash
// (~/.local/share/Trash); files of other file systems (USB sticks, other disks) to the trash at
// the top of their own mount, so that deleting never copies data across devices.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

#include "platform/posix/HostFiles.h"

namespace kelvantori::posix {

namespace {

constexpr std::string_view kInfoSuffix = ".trashinfo";

// Path= is written URI-escaped: everything but unreserved characters and "/" as %XX.
std::string PercentEncodePath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

// Local time without a zone, as trash readers expect.
std::string DeletionDateNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
    return text;
}

std::string HomeTrashFolder() {
    std::string data = AbsoluteFolderFromEnv("XDG_DATA_HOME");
    if (data.empty()) {
        const auto home = HomeFolder();
        if (home.empty())
            return "";
        data = JoinHost(home, ".local/share");
    }
    return JoinHost(data, "Trash");
}

// The device of path, or of its nearest existing parent when it does not exist yet.
bool DeviceOfNearest(std::string path, dev_t* device) {
    for (;;) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            *device = st.st_dev;
            return true;
        }
        if (path == "/" || path == ".")
            return false;
        path = ParentOf(path);
    }
}

// The top of the mount that holds hostPath: its highest parent folder on the same device.
std::string TopFolderOf(const std::string& hostPath, dev_t device) {
    std::string top = ParentOf(hostPath);
    while (top != "/") {
        const auto parent = ParentOf(top);
        struct stat st {};
        if (::stat(parent.c_str(), &st) != 0 || st.st_dev != device)
            break;
        top = parent;
    }
    return top;
}

// The n-th candidate name for an item: "A.NC", "A.2.NC", "A.3.NC" ...; ".bashrc", ".bashrc.2".
std::string NumberedName(const std::string& name, int n) {
    if (n == 1)
        return name;
    const auto dot = name.rfind('.');
    const std::string number = "." + std::to_string(n);
    if (dot == std::string::npos || dot == 0)
        return name + number;
    return name.substr(0, dot) + number + name.substr(dot);
}

// "<name>.trashinfo" and the number of a repeated name must still fit into one host name.
std::string FittingName(const std::string& name) {
    constexpr std::size_t kRoom = NAME_MAX - kInfoSuffix.size() - 8;
    if (name.size() <= kRoom)
        return name;
    const auto dot = name.rfind('.');
    std::string ext = (dot != std::string::npos && dot > 0 && name.size() - dot <= 16)
                          ? name.substr(dot)
                          : std::string();
    std::size_t keep = kRoom - ext.size();
    // Cut at a character boundary, never inside a UTF-8 sequence.
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return name.substr(0, keep) + ext;
}

// A folder of the trash: made private when new; a link planted in its place is not followed,
// and in a trash shared on a device a folder of another user is not ours to fill.
int EnsureTrashFolder(const std::string& path, bool mustBeOurs) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    if (mustBeOurs && st.st_uid != ::geteuid())
        return EACCES;
    return 0;
}

// Moves hostPath into trashFolder, with pathValue as the Path= of its info file. 0, or the
// errno; EXDEV when the trash lies on another file system.
int TrashInto(const std::string& trashFolder, const std::string& hostPath,
              const std::string& pathValue, bool mustBeOurs) {
    const auto files = JoinHost(trashFolder, "files");
    const auto info = JoinHost(trashFolder, "info");
    for (const auto& folder : {trashFolder, files, info}) {
        if (const int error = EnsureTrashFolder(folder, mustBeOurs))
            return error;
    }
    const auto name = FittingName(BaseNameOf(hostPath));
    const std::string content = "[Trash Info]\nPath=" + PercentEncodePath(pathValue) +
                                "\nDeletionDate=" + DeletionDateNow() + "\n";
    for (int n = 1; n < 100000; ++n) {
        const auto candidate = NumberedName(name, n);
        const auto itemPath = JoinHost(files, candidate);
        struct stat st {};
        if (::lstat(itemPath.c_str(), &st) == 0)
            continue;
        // The info file is made first and exclusively: it claims the name, and an item is never
        // in the trash without the record of where it belongs.
        const auto infoPath = JoinHost(info, candidate + std::string(kInfoSuffix));
        UniqueFd fd(::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd.Valid()) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int error = WriteFully(fd.Get(), content);
        if (error == 0 && ::fsync(fd.Get()) != 0)
            error = errno;
        if (const int closeError = fd.Close(); error == 0)
            error = closeError;
        if (error == 0 && ::renameat2(AT_FDCWD, hostPath.c_str(), AT_FDCWD, itemPath.c_str(),
                                      RENAME_NOREPLACE) != 0) {
            error = errno;
            if (error == EINVAL || error == ENOSYS) {
                // A file system without RENAME_NOREPLACE; the name was free a moment ago.
                error = ::rename(hostPath.c_str(), itemPath.c_str()) == 0 ? 0 : errno;
            }
        }
        if (error == 0)
            return 0;
        ::unlink(infoPath.c_str());
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

}  // namespace

FsError MoveHostToTrash(const std::string& hostPath) {
    struct stat st {};
    if (::lstat(hostPath.c_str(), &st) != 0)
        return FsErrorFromErrno(errno);

    const auto homeTrash = HomeTrashFolder();
    dev_t homeDevice{};
    if (!homeTrash.empty() && DeviceOfNearest(homeTrash, &homeDevice) && homeDevice == st.st_dev) {
        if (const int error = MakeDirectories(ParentOf(homeTrash), 0700)) {
            return FsErrorFromErrno(error);
        }
        const int error = TrashInto(homeTrash, hostPath, hostPath, false);
        if (error == 0)
            return FsError::None;
        // EXDEV: one device seen through two mounts; the trash of the item's own mount serves.
        if (error != EXDEV)
            return FsErrorFromErrno(error);
    }

    // A trash on the item's own device, with Path= relative to the top of that mount so the
    // record stays right wherever the medium is mounted next time.
    const auto top = TopFolderOf(hostPath, st.st_dev);
    const auto relative = hostPath.substr(top == "/" ? 1 : top.size() + 1);
    const auto uid = std::to_string(::geteuid());
    int error = EXDEV;
    const auto shared = JoinHost(top, ".Trash");
    struct stat sharedStat {};
    // A shared .Trash counts only with the sticky bit, and never when it is a link.
    if (::lstat(shared.c_str(), &sharedStat) == 0 && S_ISDIR(sharedStat.st_mode) &&
        (sharedStat.st_mode & S_ISVTX) != 0) {
        error = TrashInto(JoinHost(shared, uid), hostPath, relative, true);
        if (error == 0)
            return FsError::None;
    }
    error = TrashInto(JoinHost(top, ".Trash-" + uid), hostPath, relative, true);
    if (error == 0)
        return FsError::None;
    // No trash can take it: it stays where it is.
    return error == EXDEV ? FsError::Other : FsErrorFromErrno(error);
}

}  // namespace kelvantori::posix

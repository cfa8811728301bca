// Where this installation keeps its settings, lists and log on a POSIX host.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#include "platform/ProgramFolder.h"
#include "platform/posix/HostFiles.h"

namespace kelvantori {

namespace {

std::string Absolute(std::string path) {
    if (!path.empty() && path[0] != '/') {
        std::array<char, 4096> cwd{};
        if (::getcwd(cwd.data(), cwd.size()) != nullptr)
            path = posix::JoinHost(cwd.data(), path);
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// A copy unpacked somewhere of its own keeps its settings beside the executable. An installed
// program must not: as root every folder is writable, and settings do not belong in /usr/bin.
bool IsPortableFolder(const std::string& folder) {
    if (folder.empty())
        return false;
    for (const char* system : {"/usr", "/bin", "/sbin", "/lib", "/lib64", "/etc"}) {
        if (posix::IsSameOrBelow(folder, system))
            return false;
    }
    return ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

ProgramFolder ProgramFolder::Locate(std::string_view baseName) {
    return Locate(baseName, ExecutableFolder());
}

ProgramFolder ProgramFolder::Locate(std::string_view baseName,
                                    const std::string& executableFolder) {
    std::string folder;
    mode_t mode = 0777;
    if (const char* home = std::getenv("KELVANTORI_HOME"); home != nullptr && home[0] != '\0') {
        folder = Absolute(home);
    } else if (IsPortableFolder(executableFolder)) {
        return ProgramFolder(Absolute(executableFolder), std::string(baseName));
    } else if (const auto config = posix::AbsoluteFolderFromEnv("XDG_CONFIG_HOME");
               !config.empty()) {
        folder = posix::JoinHost(config, "kelvantori");
        mode = 0700;  // what the XDG rules ask of folders they create
    } else if (const auto home = posix::HomeFolder(); !home.empty()) {
        folder = posix::JoinHost(home, ".config/kelvantori");
        mode = 0700;
    } else {
        return ProgramFolder(Absolute(executableFolder), std::string(baseName));
    }
    // A folder that cannot be made shows later as a settings file that cannot be saved; the
    // caller reports that, so the failure is not repeated here.
    posix::MakeDirectories(folder, mode);
    return ProgramFolder(folder, std::string(baseName));
}

std::string ExecutableFolder() {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return "";
    return posix::ParentOf(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
}

}  // namespace kelvantori

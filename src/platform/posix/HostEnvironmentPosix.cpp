// Wiring the host on POSIX: the home folder, the mount table and Host.ini of the program folder.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/HostEnvironment.h"

namespace kelvantori {

namespace {

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return "/";
}

}  // namespace

HostEnvironment::HostEnvironment(ProgramFolder folder) : folder_(std::move(folder)) {
    config_ = HostConfig::Parse(ReadHostFile(folder_.HostFile(kHostIniName)));
    const auto mounts = ParseMountTable(ReadHostFile("/proc/self/mounts"));
    files_ = CreateSystemFileSystem(DriveMap::Build(config_, HomeFolder(), mounts));
}

HostEnvironment HostEnvironment::Open(std::string_view baseName) {
    return HostEnvironment(ProgramFolder::Locate(baseName));
}

}  // namespace kelvantori

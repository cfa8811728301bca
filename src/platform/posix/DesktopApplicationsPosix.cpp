// The XDG folders of this session, from its environment.
#include <cstdlib>

#include "platform/DesktopApplications.h"
#include "platform/posix/HostFiles.h"

namespace kelvantori {

namespace {

// A colon-separated list of absolute folders; relative entries are ignored, as the XDG rules
// say. The fallback when the variable is unset or holds none.
std::vector<std::string> FolderList(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    const std::string text = value != nullptr && *value != '\0' ? value : fallback;
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(':', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string folder = text.substr(start, end - start);
        if (!folder.empty() && folder.front() == '/')
            folders.push_back(folder);
        start = end + 1;
    }
    return folders;
}

std::string FolderOrBelowHome(const char* name, const std::string& home, const char* below) {
    const std::string folder = posix::AbsoluteFolderFromEnv(name);
    if (!folder.empty())
        return folder;
    return home.empty() ? std::string() : home + below;
}

}  // namespace

XdgFolders XdgFolders::FromEnvironment() {
    const std::string home = posix::HomeFolder();
    XdgFolders folders;
    folders.configHome = FolderOrBelowHome("XDG_CONFIG_HOME", home, "/.config");
    folders.configDirs = FolderList("XDG_CONFIG_DIRS", "/etc/xdg");
    folders.dataHome = FolderOrBelowHome("XDG_DATA_HOME", home, "/.local/share");
    folders.dataDirs = FolderList("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    if (const char* desktops = std::getenv("XDG_CURRENT_DESKTOP")) {
        std::string text = desktops;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find(':', start);
            if (end == std::string::npos)
                end = text.size();
            std::string desktop = text.substr(start, end - start);
            for (char& c : desktop) {
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            }
            if (!desktop.empty())
                folders.currentDesktops.push_back(desktop);
            start = end + 1;
        }
    }
    return folders;
}

}  // namespace kelvantori

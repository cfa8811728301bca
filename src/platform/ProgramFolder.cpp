// The program folder: where the settings, lists and the log of this installation live.
#include "platform/ProgramFolder.h"

namespace kelvantori {

ProgramFolder::ProgramFolder(std::string hostPath, std::string baseName)
    : hostPath_(std::move(hostPath)), baseName_(std::move(baseName)) {}

std::string ProgramFolder::HostFile(std::string_view name) const {
    std::string path = hostPath_;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

}  // namespace kelvantori

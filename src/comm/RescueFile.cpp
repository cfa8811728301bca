// Rescue files of received data.
#include "comm/RescueFile.h"

#include <cstdio>

#include "core/DrivePath.h"
#include "core/FileNameFit.h"

namespace kelvantori {

std::string RescueStamp(const LocalDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

std::optional<std::string> WriteRescueFile(FileSystem& files,
                                           const std::vector<std::string>& folders,
                                           const LocalDateTime& when, std::string_view name,
                                           std::string_view bytes) {
    const std::string_view extension = FileNameExtension(name);
    const std::string_view stem = name.substr(0, name.size() - extension.size());
    const std::string base = "RESCUE_" + RescueStamp(when) + "_";
    for (const std::string& folder : folders) {
        std::string path = JoinDrivePath(folder, FitFileName(base + std::string(stem), extension));
        // Never over an earlier rescue of the same second.
        for (int n = 2; files.Exists(path); ++n) {
            const std::string numbered = base + std::to_string(n) + "_" + std::string(stem);
            path = JoinDrivePath(folder, FitFileName(numbered, extension));
        }
        if (files.WriteAll(path, bytes) == FsError::None)
            return path;
    }
    return std::nullopt;
}

std::vector<std::string> RescueFolders(const HostEnvironment& host) {
    std::vector<std::string> folders;
    folders.push_back(DriveFolderOf(host.ProgramFilePath(host.Folder().LogName())));
    if (const auto temp = host.Drives().ToDrive("/tmp"))
        folders.push_back(*temp);
    return folders;
}

}  // namespace kelvantori

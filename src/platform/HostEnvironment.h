// Everything a program of ours needs from its host, wired once at start: the program folder,
// Host.ini, the drive table, the file system, and the settings files in the program folder.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/Settings.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"
#include "platform/HostConfig.h"
#include "platform/ProgramFolder.h"

namespace kelvantori {

class HostEnvironment {
  public:
    // Locates the program folder (see ProgramFolder), reads Host.ini from it, builds the drive
    // table from it, $HOME and the mount table.
    static HostEnvironment Open(std::string_view baseName);
    explicit HostEnvironment(ProgramFolder folder);

    const ProgramFolder& Folder() const { return folder_; }
    const HostConfig& Config() const { return config_; }
    const DriveMap& Drives() const { return files_->Drives(); }
    FileSystem& Files() { return *files_; }

    // The drive path of a file of the program folder ("kelvantori.log" -> "C:\.config\...").
    std::string ProgramFilePath(std::string_view name) const;

    // The settings of the program folder: kelvantori.INI and OutApp_Sub.ini.
    Settings LoadSettings();
    // Safe saves of both files; keeps what we do not own. False when a file could not be written.
    bool SaveSettings(const Settings& settings);

  private:
    ProgramFolder folder_;
    HostConfig config_;
    std::unique_ptr<FileSystem> files_;
};

}  // namespace kelvantori

// Drives C: and D: on temporary folders, with the desktop trash in a third one
// (XDG_DATA_HOME), and the real POSIX file system over them: file commands are tested on real
// files through drive paths, and no test touches the user's home.
#pragma once

#include <memory>
#include <string>

#include "platform/DriveMap.h"
#include "platform/FileSystem.h"
#include "platform/HostConfig.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori::test {

class MappedDrives {
  public:
    MappedDrives() : trashHome_("XDG_DATA_HOME", data_.Path()) {
        HostConfig config;
        config.drives['C'] = c_.Path();
        config.drives['D'] = d_.Path();
        files_ = CreateSystemFileSystem(DriveMap::Build(config, "", {}));
    }

    FileSystem& Files() { return *files_; }
    const TempFolder& C() const { return c_; }
    const TempFolder& D() const { return d_; }
    // The host path of the trash folder (files/, info/) or of something below it.
    std::string Trash(const std::string& relative = "") const {
        return data_.File("Trash/" + relative);
    }

  private:
    TempFolder c_;
    TempFolder d_;
    TempFolder data_;
    ScopedEnv trashHome_;
    std::unique_ptr<FileSystem> files_;
};

}  // namespace kelvantori::test

// The program folder: settings, lists and the log live here. $KELVANTORI_HOME when set; else the
// executable's folder when it is writable (a portable copy); else $XDG_CONFIG_HOME/kelvantori
// (~/.config/kelvantori).
#pragma once

#include <string>
#include <string_view>

namespace kelvantori {

class ProgramFolder {
  public:
    // baseName names the files: baseName + ".INI" and baseName + ".log" ("kelvantori"). The
    // folder is created when it does not exist.
    static ProgramFolder Locate(std::string_view baseName);
    // The same with the executable's folder given (Locate passes ExecutableFolder()).
    static ProgramFolder Locate(std::string_view baseName, const std::string& executableFolder);
    // For tests and callers that know the folder.
    ProgramFolder(std::string hostPath, std::string baseName);

    const std::string& HostPath() const { return hostPath_; }
    std::string HostFile(std::string_view name) const;
    std::string MainIniName() const { return baseName_ + ".INI"; }
    std::string LogName() const { return baseName_ + ".log"; }

  private:
    std::string hostPath_;
    std::string baseName_;
};

// The folder of the running executable (from /proc/self/exe on Linux).
std::string ExecutableFolder();

}  // namespace kelvantori

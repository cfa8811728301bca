// The settings files of the program folder, read and written through the file system.
#include "platform/HostEnvironment.h"

namespace kelvantori {

std::string HostEnvironment::ProgramFilePath(std::string_view name) const {
    return Drives().ToDrive(folder_.HostFile(name)).value_or(std::string());
}

Settings HostEnvironment::LoadSettings() {
    SettingsFiles stored;
    if (const auto main = ProgramFilePath(folder_.MainIniName()); !main.empty()) {
        stored.mainIni = files_->ReadAll(main);
    }
    if (const auto outApp = ProgramFilePath(kOutAppIniName); !outApp.empty()) {
        stored.outAppIni = files_->ReadAll(outApp);
    }
    return kelvantori::LoadSettings(stored);
}

bool HostEnvironment::SaveSettings(const Settings& settings) {
    const auto main = ProgramFilePath(folder_.MainIniName());
    const auto outApp = ProgramFilePath(kOutAppIniName);
    if (main.empty() || outApp.empty())
        return false;
    const SettingsFiles old{files_->ReadAll(main), files_->ReadAll(outApp)};
    const auto updated = kelvantori::SaveSettings(settings, old);
    const bool mainSaved = files_->WriteAll(main, *updated.mainIni) == FsError::None;
    const bool outAppSaved = files_->WriteAll(outApp, *updated.outAppIni) == FsError::None;
    return mainSaved && outAppSaved;
}

}  // namespace kelvantori

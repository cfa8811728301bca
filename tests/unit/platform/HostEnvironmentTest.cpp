// Where the program folder is found (KELVANTORI_HOME, a portable copy, or the XDG folder) and the
// host wired from it: Host.ini, the drive table and the settings files.
#include "platform/HostEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ProgramFolder.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;
using test::TempFolder;
namespace fs = std::filesystem;

TEST(ProgramFolder, LocateChoosesAndCreatesTheFolder) {
    const struct {
        const char* name;
        std::optional<std::string> kelvantoriHome, xdgConfigHome;  // below the temporary folder
        const char* executableFolder;                              // "" = the temporary folder
        const char* chosen;
    } cases[] = {
        {"HomeIsCreated", "settings/kelvantori", "config", "", "settings/kelvantori"},
        {"HomeWinsOverAPortableCopy", "home/", "config", "", "home"},
        {"WritableExecutableFolderIsAPortableCopy", std::nullopt, "config", "", ""},
        // Even where root could write into it, a system folder is never the program folder.
        {"InstalledUsesXdgConfigHome", std::nullopt, "config", "/usr/bin", "config/kelvantori"},
        {"RelativeXdgConfigHomeIsIgnored", std::nullopt, std::nullopt, "/usr/local/bin",
         ".config/kelvantori"}};
    for (const auto& c : cases) {
        test::TempFolder temp;
        const auto below = [&](const std::optional<std::string>& p) {
            return p ? std::optional(temp.File(*p)) : std::nullopt;
        };
        const ScopedEnv home("HOME", temp.Path());
        const ScopedEnv kelvantoriHome("KELVANTORI_HOME", below(c.kelvantoriHome));
        const ScopedEnv config("XDG_CONFIG_HOME",
                               c.xdgConfigHome ? *below(c.xdgConfigHome) : "relative/is/ignored");
        const std::string exe = *c.executableFolder ? c.executableFolder : temp.Path();
        const auto chosen = ProgramFolder::Locate("kelvantori", exe).HostPath();
        EXPECT_EQ(chosen, *c.chosen ? temp.File(c.chosen) : temp.Path()) << c.name;
        EXPECT_TRUE(fs::is_directory(chosen)) << c.name;
        EXPECT_EQ(fs::exists(temp.File("config/kelvantori")),
                  std::string_view(c.chosen) == "config/kelvantori")
            << c.name;
    }
}

TEST(ProgramFolder, ExecutableFolderIsTheFolderOfTheRunningProgram) {
    EXPECT_EQ(fs::canonical(ExecutableFolder()), fs::canonical(KELVANTORI_BIN_DIR));
}

class HostEnvironmentTest : public ::testing::Test {
  protected:
    TempFolder home_;
    TempFolder programFolder_;
    ScopedEnv homeEnv_{"HOME", home_.Path()};
    ScopedEnv programEnv_{"KELVANTORI_HOME", programFolder_.Path()};
};

TEST_F(HostEnvironmentTest, HostIniDrivesAndPortsOverrideTheDefaults) {
    programFolder_.Write("Host.ini", "[Drives]\r\nP=" + programFolder_.Path() +
                                         "\r\n[Ports]\r\nCOM3=/dev/ttyUSB0\r\n");
    auto host = HostEnvironment::Open("kelvantori");
    EXPECT_EQ(host.ProgramFilePath("kelvantori.log"), "P:\\kelvantori.log");
    EXPECT_EQ(host.Drives().ToHost("C:\\NC"), home_.Path() + "/NC");
    EXPECT_EQ(host.Config().DeviceOf("COM3"), "/dev/ttyUSB0");
}

// What the program does not own in the files is kept (checked with the settings themselves).
TEST_F(HostEnvironmentTest, SettingsAreSavedAndReadBackFromTheProgramFolder) {
    programFolder_.Write("kelvantori.INI", "[Setting]\r\nPort=COM4\r\n\r\n[Shop]\r\nLine=3\r\n");
    auto host = HostEnvironment::Open("kelvantori");
    Settings settings = host.LoadSettings();
    EXPECT_EQ(settings.Port, "COM4");
    settings.Port = "COM2";
    settings.OutApps[2].OutApp = "C:\\TOOLS\\VIEW.EXE";
    ASSERT_TRUE(host.SaveSettings(settings));
    EXPECT_EQ(programFolder_.Read("kelvantori.INI").rfind("[Setting]\r\nPort=COM2\r\n", 0), 0u);
    EXPECT_NE(programFolder_.Read("OutApp_Sub.ini").find("OutAppC=C:\\TOOLS\\VIEW.EXE"),
              std::string::npos);
    EXPECT_EQ(HostEnvironment::Open("kelvantori").LoadSettings(), settings);
}

}  // namespace
}  // namespace kelvantori

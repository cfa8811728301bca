// The host wired from the program folder: Host.ini, the drive table and the settings files.
#include "platform/HostEnvironment.h"

#include <gtest/gtest.h>

#include "core/TextCodec.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;
using test::TempFolder;

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

TEST_F(HostEnvironmentTest, SettingsAreSavedAndReadBackKeepingWhatTheProgramDoesNotOwn) {
    programFolder_.Write("kelvantori.INI",
                         "; shop notes\r\n[Setting]\r\nPort=COM4\r\n\r\n[Shop]\r\nLine=3\r\n");
    auto host = HostEnvironment::Open("kelvantori");
    Settings settings = host.LoadSettings();
    EXPECT_EQ(settings.Port, "COM4");
    settings.Port = "COM2";
    settings.DirPath = "C:\\加工データ";
    settings.OutApps[2].OutApp = "C:\\TOOLS\\VIEW.EXE";
    ASSERT_TRUE(host.SaveSettings(settings));
    const std::string main = programFolder_.Read("kelvantori.INI");
    EXPECT_EQ(main.rfind("; shop notes\r\n[Setting]\r\nPort=COM2\r\n", 0), 0u) << main;
    EXPECT_NE(main.find("[Shop]\r\nLine=3\r\n"), std::string::npos) << main;
    EXPECT_NE(main.find("DirPath=" + Utf8ToCp932("C:\\加工データ") + "\r\n"), std::string::npos);
    EXPECT_NE(programFolder_.Read("OutApp_Sub.ini").find("OutAppC=C:\\TOOLS\\VIEW.EXE"),
              std::string::npos);
    EXPECT_EQ(HostEnvironment::Open("kelvantori").LoadSettings(), settings);
}

}  // namespace
}  // namespace kelvantori

// Where the program folder is found: KELVANTORI_HOME, a portable copy, or the XDG folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/ProgramFolder.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;
using test::TempFolder;
namespace fs = std::filesystem;

TEST(ProgramFolderLocate, KelvantoriHomeIsUsedAndCreated) {
    TempFolder temp;
    const std::string home = temp.File("settings/kelvantori");
    const ScopedEnv env("KELVANTORI_HOME", home);
    const auto folder = ProgramFolder::Locate("kelvantori", temp.Path());
    EXPECT_EQ(folder.HostPath(), home);
    EXPECT_TRUE(fs::is_directory(home));
}

TEST(ProgramFolderLocate, KelvantoriHomeWinsOverAWritableExecutableFolder) {
    TempFolder temp;
    const ScopedEnv env("KELVANTORI_HOME", temp.File("home/"));
    EXPECT_EQ(ProgramFolder::Locate("kelvantori", temp.File("bin")).HostPath(), temp.File("home"));
}

TEST(ProgramFolderLocate, WritableExecutableFolderIsAPortableCopy) {
    TempFolder temp;
    const ScopedEnv noHome("KELVANTORI_HOME", std::nullopt);
    const ScopedEnv config("XDG_CONFIG_HOME", temp.File("config"));
    const auto folder = ProgramFolder::Locate("kelvantori", temp.Path());
    EXPECT_EQ(folder.HostPath(), temp.Path());
    EXPECT_FALSE(temp.Exists("config/kelvantori"));
}

TEST(ProgramFolderLocate, InstalledProgramUsesTheXdgConfigFolder) {
    TempFolder temp;
    const ScopedEnv noHome("KELVANTORI_HOME", std::nullopt);
    const ScopedEnv config("XDG_CONFIG_HOME", temp.File("config"));
    // Even where root could write into it, a system folder is never the program folder.
    const auto folder = ProgramFolder::Locate("kelvantori", "/usr/bin");
    EXPECT_EQ(folder.HostPath(), temp.File("config/kelvantori"));
    EXPECT_TRUE(fs::is_directory(folder.HostPath()));
}

TEST(ProgramFolderLocate, WithoutXdgConfigHomeTheHomeConfigFolderIsUsed) {
    TempFolder temp;
    const ScopedEnv noHome("KELVANTORI_HOME", std::nullopt);
    const ScopedEnv config("XDG_CONFIG_HOME", "relative/is/ignored");
    const ScopedEnv home("HOME", temp.Path());
    const auto folder = ProgramFolder::Locate("kelvantori", "/usr/local/bin");
    EXPECT_EQ(folder.HostPath(), temp.File(".config/kelvantori"));
    EXPECT_TRUE(fs::is_directory(folder.HostPath()));
}

TEST(ProgramFolderLocate, ReadOnlyExecutableFolderIsNotUsed) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempFolder temp;
    fs::create_directory(temp.File("bin"));
    ::chmod(temp.File("bin").c_str(), 0555);
    const ScopedEnv noHome("KELVANTORI_HOME", std::nullopt);
    const ScopedEnv config("XDG_CONFIG_HOME", temp.File("config"));
    EXPECT_EQ(ProgramFolder::Locate("kelvantori", temp.File("bin")).HostPath(),
              temp.File("config/kelvantori"));
}

TEST(ProgramFolder, FileNamesFollowTheBaseName) {
    const ProgramFolder folder("/opt/kv", "kelvantori");
    EXPECT_EQ(folder.HostFile("Host.ini"), "/opt/kv/Host.ini");
    EXPECT_EQ(folder.MainIniName(), "kelvantori.INI");
    EXPECT_EQ(folder.LogName(), "kelvantori.log");
    EXPECT_EQ(ProgramFolder("/", "k").HostFile("k.INI"), "/k.INI");
}

TEST(ExecutableFolder, IsTheFolderOfTheRunningProgram) {
    EXPECT_EQ(fs::canonical(ExecutableFolder()), fs::canonical(KELVANTORI_BIN_DIR));
}

}  // namespace
}  // namespace kelvantori

// Where the program folder is found: KELVANTORI_HOME, a portable copy, or the XDG folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ProgramFolder.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;
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

}  // namespace
}  // namespace kelvantori

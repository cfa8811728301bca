// Finding the programs of the editor setting and the templates (drive path, host path, PATH),
// starting them (a document named alone is opened instead), and the dialogs' files in the
// program folder.
#include "files/ExternalApps.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "files/DialogFiles.h"
#include "support/MappedDrives.h"
#include "support/ScopedEnv.h"

namespace kelvantori::test {
namespace {

using Words = std::vector<std::string>;

// Records the starts instead of making them.
class RecordingLauncher : public ProcessLauncher {
  public:
    explicit RecordingLauncher(ProcessLauncher& system) : system_(system) {}
    std::optional<FoundProgram> FindProgram(std::string_view program) override {
        return system_.FindProgram(program);
    }
    LaunchResult Start(const std::string& program, const Words& arguments) override {
        started.push_back(program);
        for (const auto& argument : arguments)
            started.push_back(argument);
        return {true, {}};
    }
    Words started;

  private:
    ProcessLauncher& system_;
};

class ExternalAppsTest : public ::testing::Test {
  protected:
    ExternalAppsTest() {
        tool_ = drives_.C().Write("CAD/VIEW", "#!/bin/sh\n");
        ::chmod(tool_.c_str(), 0755);
        document_ = drives_.C().Write("CAD/MANUAL.TXT", "text");
    }

    MappedDrives drives_;
    std::unique_ptr<ProcessLauncher> system_ = CreateSystemProcessLauncher();
    RecordingLauncher launcher_{*system_};
    std::string tool_;
    std::string document_;
};

TEST_F(ExternalAppsTest, ProgramsAreNamedAsTheUserWritesThem) {
    const ScopedEnv path("PATH", drives_.C().File("CAD"));
    const struct {
        const char* name;
        std::string program;
        std::optional<std::string> found;
    } cases[] = {
        {"DrivePath", "C:\\CAD\\VIEW", tool_},
        {"DriveLetterInLowerCase", "c:\\CAD\\VIEW", tool_},
        {"HostPath", tool_, tool_},
        {"BareNameOnPath", "VIEW", tool_},
        {"MissingOnTheDrive", "C:\\CAD\\VIEW.EXE", std::nullopt},
        {"UnmappedDrive", "Q:\\CAD\\VIEW", std::nullopt},
        {"Empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto found = ResolveProgram(c.program, drives_.Files().Drives(), launcher_);
        EXPECT_EQ(found ? std::optional(found->path) : std::nullopt, c.found) << c.name;
    }
}

TEST_F(ExternalAppsTest, ADocumentNamedAloneIsOpened) {
    Words opened;
    const OpenDocument open = [&](const std::string& path) {
        opened.push_back(path);
        return LaunchResult{true, {}};
    };
    const auto& drives = drives_.Files().Drives();
    const auto program = *ResolveProgram("C:\\CAD\\VIEW", drives, launcher_);
    const auto document = *ResolveProgram("C:\\CAD\\MANUAL.TXT", drives, launcher_);
    LaunchProgram(launcher_, program, {}, open);
    LaunchProgram(launcher_, program, {"A.NC"}, open);
    LaunchProgram(launcher_, document, {}, open);
    EXPECT_EQ(launcher_.started, (Words{tool_, tool_, "A.NC"}));
    EXPECT_EQ(opened, Words{document_});
    // A document given arguments is started as a program; the system refuses it, and says so.
    const LaunchResult refused = LaunchProgram(*system_, document, {"A.NC"}, open);
    EXPECT_FALSE(refused.started);
    EXPECT_EQ(
        LaunchFailureText("C:\\CAD\\MANUAL.TXT", refused.reason),
        "「C:\\CAD\\MANUAL.TXT」を起動出来ませんでした。\nプログラムを実行する権限がありません。");
}

TEST_F(ExternalAppsTest, DialogFilesKeepWhatIsNotTheirs) {
    FileSystem& files = drives_.Files();
    EXPECT_EQ(LoadHistoryFile(files, "C:\\Path.lst"), Words{});
    EXPECT_EQ(LoadSplitOptions(files, "C:\\Div_Sub.ini"), SplitOptions{});
    drives_.C().Write("Div_Sub.ini", "; ours\r\n[Sub]\r\nF_Set=0\r\nOther=7\r\n[Else]\r\nX=1\r\n");
    ASSERT_EQ(SaveSplitOptions(files, "C:\\Div_Sub.ini", {true, false, true}), FsError::None);
    EXPECT_EQ(drives_.C().Read("Div_Sub.ini"),
              "; ours\r\n[Sub]\r\nF_Set=1\r\nOther=7\r\nB_Set=0\r\nN_Set=1\r\n[Else]\r\nX=1\r\n");
    EXPECT_EQ(LoadSplitOptions(files, "C:\\Div_Sub.ini"), (SplitOptions{true, false, true}));
    ASSERT_EQ(SaveHistoryFile(files, "C:\\NAME.lst", {"ALL", "ﾃｽﾄ"}), FsError::None);
    EXPECT_EQ(drives_.C().Read("NAME.lst"), "ALL\r\n\xC3\xBD\xC4\r\n");
    EXPECT_EQ(LoadHistoryFile(files, "C:\\NAME.lst"), (Words{"ALL", "ﾃｽﾄ"}));
}

}  // namespace
}  // namespace kelvantori::test

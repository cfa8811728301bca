// Starting programs with posix_spawn: found by path or on PATH, the arguments handed over as
// they are (no shell), not waited for, nothing of ours inherited, failures said in words.
#include "platform/ProcessLauncher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/RecordingProgram.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::RecordingProgram;
using test::ScopedEnv;
using test::TempFolder;
using Words = std::vector<std::string>;

class ProcessLauncherPosixTest : public ::testing::Test {
  protected:
    std::string Script(const std::string& name, const std::string& body, mode_t mode = 0755) {
        const std::string path = temp_.Write(name, "#!/bin/sh\n" + body);
        ::chmod(path.c_str(), mode);
        return path;
    }

    TempFolder temp_;
    std::unique_ptr<ProcessLauncher> launcher_ = CreateSystemProcessLauncher();
};

TEST_F(ProcessLauncherPosixTest, FindsProgramsByPathAndOnPath) {
    const std::string tool = Script("bin/tool", "exit 0\n");
    const std::string document = temp_.Write("doc/readme.txt", "text");
    Script("other/notexec", "exit 0\n", 0644);
    const ScopedEnv path("PATH", temp_.File("other") + "::relative:" + temp_.File("bin"));
    const struct {
        const char* name;
        std::string program;
        std::optional<FoundProgram> found;
    } cases[] = {
        {"AbsoluteProgram", tool, FoundProgram{tool, true}},
        {"AbsoluteDocumentIsFoundButNotExecutable", document, FoundProgram{document, false}},
        {"BareNameOnPath", "tool", FoundProgram{tool, true}},
        {"OnPathOnlyExecutablesCount", "notexec", std::nullopt},
        {"Missing", temp_.File("bin/missing"), std::nullopt},
        {"AFolderIsNoProgram", temp_.File("bin"), std::nullopt},
        {"RelativePathIsNeverLookedFor", "bin/tool", std::nullopt},
        {"Empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto found = launcher_->FindProgram(c.program);
        EXPECT_EQ(found.has_value(), c.found.has_value()) << c.name;
        if (found && c.found) {
            EXPECT_EQ(found->path, c.found->path) << c.name;
            EXPECT_EQ(found->executable, c.found->executable) << c.name;
        }
    }
}

TEST_F(ProcessLauncherPosixTest, ArgumentsArriveExactlyWithoutAShell) {
    const RecordingProgram program(temp_.File("record.sh"));
    const Words arguments{"D:\\NC\\A.NC", "two words", "$HOME", "a;rm -rf x", "*", "'q'\"", ""};
    const LaunchResult result = launcher_->Start(program.Path(), arguments);
    EXPECT_TRUE(result.started) << result.reason;
    EXPECT_EQ(program.WaitForArguments(), arguments);
}

TEST_F(ProcessLauncherPosixTest, StartReturnsWhileTheProgramRunsOn) {
    const std::string gate = temp_.File("gate");
    ASSERT_EQ(::mkfifo(gate.c_str(), 0600), 0);
    // The program waits for the test to open the gate; Start has returned long before.
    const std::string script =
        Script("wait.sh", "read line <\"" + gate + "\"\necho \"$line\" >\"$0.done\"\n");
    ASSERT_TRUE(launcher_->Start(script, {}).started);
    EXPECT_FALSE(temp_.Exists("wait.sh.done"));
    std::ofstream(gate) << "released\n";
    for (int i = 0; i < 2000 && temp_.Read("wait.sh.done").empty(); ++i)
        ::usleep(5000);
    EXPECT_EQ(temp_.Read("wait.sh.done"), "released\n");
}

TEST_F(ProcessLauncherPosixTest, TheProgramGetsNothingOfOurs) {
    // A descriptor without close-on-exec (as a library might leave one) must not reach the
    // program: a serial port held open by an editor would keep the next transfer out.
    const int leaked = ::open(temp_.Write("held", "x").c_str(), O_RDONLY);
    ASSERT_GE(leaked, 3);
    const std::string script =
        Script("fds.sh", "{ readlink /proc/$$/fd/0; [ -e /proc/$$/fd/" + std::to_string(leaked) +
                             " ] && echo leaked || echo closed; cut -d' ' -f6 /proc/$$/stat; } "
                             ">\"$0.tmp\"\nmv \"$0.tmp\" \"$0.out\"\n");
    ASSERT_TRUE(launcher_->Start(script, {}).started);
    for (int i = 0; i < 2000 && !temp_.Exists("fds.sh.out"); ++i)
        ::usleep(5000);
    ::close(leaked);
    std::istringstream out(temp_.Read("fds.sh.out"));
    std::string stdinTarget, held, session;
    std::getline(out, stdinTarget);
    std::getline(out, held);
    std::getline(out, session);
    EXPECT_EQ(stdinTarget, "/dev/null");
    EXPECT_EQ(held, "closed");
    // A session of its own: its session id is not ours.
    EXPECT_NE(session, std::to_string(::getsid(0)));
}

TEST_F(ProcessLauncherPosixTest, FailuresSayWhy) {
    const struct {
        const char* name;
        std::string program;
        const char* reason;
    } cases[] = {
        {"Missing", temp_.File("missing"), "プログラムが見つかりません。"},
        {"NoPermission", Script("noexec.sh", "exit 0\n", 0644),
         "プログラムを実行する権限がありません。"},
        {"NotAProgram",
         [&] {
             const std::string path = temp_.Write("garbage.bin", "\x01\x02\x03 not a program");
             ::chmod(path.c_str(), 0755);
             return path;
         }(),
         "実行できる形式のファイルではありません。"},
        {"InterpreterMissing",
         [&] {
             const std::string path = temp_.Write("old.sh", "#!/no/such/shell\nexit 0\n");
             ::chmod(path.c_str(), 0755);
             return path;
         }(),
         "プログラムは有りますが、その実行に要るインタプリタ（スクリプトなら1行目の #! "
         "が指すもの）が見つかりません。"},
    };
    for (const auto& c : cases) {
        const LaunchResult result = launcher_->Start(c.program, {"x"});
        EXPECT_FALSE(result.started) << c.name;
        EXPECT_EQ(result.reason, c.reason) << c.name;
    }
}

}  // namespace
}  // namespace kelvantori

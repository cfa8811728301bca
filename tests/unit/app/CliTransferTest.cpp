// kelvantori-cli's transfer command without a machine: the split of items and options, the
// items the window would ignore, and every way the command ends before or at the port.
#include "app/cli/CliTransfer.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "core/TextCodec.h"
#include "platform/HostConfig.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using test::ScopedEnv;
using test::TempFolder;

TEST(ParseTransferArgumentsTest, OptionsMayStandAnywhereAndItemsKeepTheirOrder) {
    const TransferArguments parsed = ParseTransferArguments(
        {"--receive-programs", "S=A.NC", "COM2", "--show-setup", "4800,7,E,2", "--fast", "-h"});
    EXPECT_EQ(parsed.items, (std::vector<std::string>{"S=A.NC", "COM2", "4800,7,E,2"}));
    EXPECT_TRUE(parsed.receivePrograms);
    EXPECT_TRUE(parsed.showSetup);
    EXPECT_TRUE(parsed.help);
    EXPECT_EQ(parsed.unknownOptions, std::vector<std::string>{"--fast"});
    // The window's slash form is an item, not an option.
    EXPECT_EQ(ParseTransferArguments({"/S=A.NC", "/COM2"}).items,
              (std::vector<std::string>{"/S=A.NC", "/COM2"}));
}

struct ItemCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> unrecognised;
};

class UnrecognisedItemsTest : public ::testing::TestWithParam<ItemCase> {};

TEST_P(UnrecognisedItemsTest, FindsTheItemsTheWindowWouldIgnore) {
    const std::set<std::string> folders{"D:\\NC", "D:\\USB"};
    CommandLineEnvironment env;
    env.IsDirectoryPath = [&](const std::string& path) {
        return folders.count(path) > 0 || path == "D:\\NEW";
    };
    int asked = 0;
    env.AskYesNo = [&](const std::string&) { return ++asked, true; };
    env.ImportFile = [&](const std::string&, const std::string&) { return ++asked, true; };
    Settings settings;
    settings.Port = "COM1";
    EXPECT_EQ(UnrecognisedItems(GetParam().args, settings, env), GetParam().unrecognised);
    EXPECT_EQ(asked, 0) << "looking at the items asks and copies nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Items, UnrecognisedItemsTest,
    ::testing::Values(ItemCase{"EveryKindOfItem",
                               {"S=A.NC", "R=B.NC", "com12", "9600,7,E,2", "*.NC", "D:\\NC",
                                "D:\\NEW", "D:\\USB\\A.NC", "END", "end"},
                               {}},
                      ItemCase{"PortAlreadyStoredStillCounts", {"COM1"}, {}},
                      ItemCase{"MistypedItems",
                               {"FOO", "S-A.NC", "COM123", "ENDED", "O1234.NC"},
                               {"FOO", "S-A.NC", "COM123", "ENDED", "O1234.NC"}},
                      ItemCase{"SlashFormSplitFirst", {"/S=A.NC", "/COM2", "/FOO"}, {"FOO"}},
                      ItemCase{"EmptyItemOfATrailingSlashIsNoError", {"/S=A.NC", "/"}, {}}),
    [](const auto& info) { return info.param.name; });

// A program folder with a data drive and COM1 on a device that does not exist.
struct CliRig {
    CliRig() : home("KELVANTORI_HOME", folder.Path()) {
        folder.Write("Host.ini", "[Ports]\nCOM1=" + folder.File("no-such-device") +
                                     "\n[Drives]\nD=" + folder.File("data") + "\n");
        folder.Write("data/O1234.NC", "O1234\r\nG01 X10.\r\nM30\r\n");
        folder.Write("data/OLD.NC", "OLD\r\n");
    }
    int Run(const std::vector<std::string>& args, const std::string& answers = {}) {
        in.str(answers);
        CliIo io{in, out, err, false};
        return RunTransferCommand(args, io);
    }
    std::string Log() const { return Cp932ToUtf8(folder.Read("kelvantori.log")); }

    TempFolder folder;
    ScopedEnv home;
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
};

TEST(RunTransferCommandTest, HelpAnywherePrintsTheUsage) {
    CliRig rig;
    EXPECT_EQ(rig.Run({"S=D:\\O1234.NC", "--help"}), kExitCompleted);
    EXPECT_EQ(rig.out.str(), TransferUsage());
    EXPECT_FALSE(rig.folder.Exists("kelvantori.log"));
}

struct NotStartedCase {
    const char* name;
    std::vector<std::string> args;
    std::string answers;
    std::string message;
};

class NotStartedTest : public ::testing::TestWithParam<NotStartedCase> {};

TEST_P(NotStartedTest, EndsWithTwoAndTouchesNothing) {
    CliRig rig;
    EXPECT_EQ(rig.Run(GetParam().args, GetParam().answers), kExitNotStarted);
    EXPECT_NE(rig.err.str().find(GetParam().message), std::string::npos) << rig.err.str();
    // The port was never opened, nothing was logged or saved, OLD.NC is as it was.
    EXPECT_EQ(rig.err.str().find("ポートが開きません"), std::string::npos) << rig.err.str();
    EXPECT_FALSE(rig.folder.Exists("kelvantori.log"));
    EXPECT_FALSE(rig.folder.Exists("kelvantori.INI"));
    EXPECT_EQ(rig.folder.Read("data/OLD.NC"), "OLD\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Orders, NotStartedTest,
    ::testing::Values(
        NotStartedCase{"UnknownOption", {"S=D:\\O1234.NC", "--fast"}, "", "--fast"},
        // The R= of an existing file is not even asked about.
        NotStartedCase{
            "MistypedItem", {"R=D:\\OLD.NC", "9600-7-E-2"}, "y\n", "不明な項目です: 9600-7-E-2"},
        NotStartedCase{"MissingSendFile",
                       {"S=D:\\NOPE.NC", "COM1"},
                       "",
                       "送信データ\nD:\\NOPE.NCが見つかりません。"},
        NotStartedCase{"OverwriteRefused", {"R=D:\\OLD.NC"}, "n\n", "すでにD:\\OLD.NCが有ります。"},
        // A refused receive keeps the send of the same order from starting as well.
        NotStartedCase{
            "SendWithRefusedReceive", {"S=D:\\O1234.NC", "R=D:\\OLD.NC"}, "\n", "上書きしますか？"},
        NotStartedCase{
            "NoTransferOrdered", {"COM2", "4800,7,E,2", "END"}, "", "転送の指示がありません"},
        NotStartedCase{"NothingAtAll", {}, "", "転送の指示がありません"}),
    [](const auto& info) { return info.param.name; });

TEST(RunTransferCommandTest, PortThatCannotOpenStopsTheSendWithAHint) {
    CliRig rig;
    EXPECT_EQ(rig.Run({"S=D:\\O1234.NC", "COM1", "19200,8,N,1"}), kExitStopped);
    const std::string err = rig.err.str();
    EXPECT_NE(
        err.find("COM1のポートが開きません。!!\n  COM1 = " + rig.folder.File("no-such-device")),
        std::string::npos)
        << err;
    EXPECT_NE(err.find("送信中止しました。!!"), std::string::npos) << err;
    const std::string log = rig.Log();
    EXPECT_NE(log.find("送信　　中止　"), std::string::npos) << log;
    EXPECT_NE(log.find("　D:\\O1234.NC\r\n"), std::string::npos) << log;
    // The items order this run only.
    EXPECT_FALSE(rig.folder.Exists("kelvantori.INI"));
}

TEST(WithDrivePathsTest, AbsoluteHostPathsOfTransferFilesBecomeDrivePaths) {
    HostConfig config;
    config.drives['D'] = "/srv/nc";
    const DriveMap drives = DriveMap::Build(config, "/home/ann", {});
    EXPECT_EQ(WithDrivePaths({"S=/srv/nc/O1.NC", "r=/home/ann/x/R.NC", "COM1", "S=O2.NC"}, drives),
              (std::vector<std::string>{"S=D:\\O1.NC", "r=C:\\x\\R.NC", "COM1", "S=O2.NC"}));
    // The slash form is the window's own: nothing in it is a host path.
    EXPECT_EQ(WithDrivePaths({"/S=A.NC", "/COM2"}, drives),
              (std::vector<std::string>{"/S=A.NC", "/COM2"}));
}

TEST(RunTransferCommandTest, HostPathOfTheFileIsLoggedAsItsDrivePath) {
    CliRig rig;
    EXPECT_EQ(rig.Run({"S=" + rig.folder.File("data/O1234.NC"), "COM1", "19200,8,N,1"}),
              kExitStopped);
    EXPECT_NE(rig.Log().find("　D:\\O1234.NC\r\n"), std::string::npos) << rig.Log();
}

TEST(RunTransferCommandTest, MissingDataFolderIsMadeWhenTheUserSaysYes) {
    CliRig rig;
    EXPECT_EQ(rig.Run({"--receive-programs", "D:\\NEW\\SUB", "COM1"}, "y\n"), kExitStopped);
    EXPECT_NE(rig.err.str().find("ディレクトリが見つかりません。ディレクトリを作成しますか？"),
              std::string::npos);
    EXPECT_TRUE(rig.folder.Exists("data/NEW/SUB"));
    EXPECT_NE(rig.Log().find("受信　　中止　"), std::string::npos);
}

TEST(RunTransferCommandTest, ImportCopiesIntoTheDataFolderBeforeTheTransfer) {
    CliRig rig;
    rig.folder.Write("data/usb/P1.NC", "P1\r\n");
    rig.folder.Write("data/NC/P1.NC", "OLD P1\r\n");
    EXPECT_EQ(rig.Run({"D:\\NC", "D:\\usb\\P1.NC", "--receive-programs"}), kExitStopped);
    EXPECT_EQ(rig.folder.Read("data/NC/P1.NC"), "P1\r\n");
}

}  // namespace
}  // namespace kelvantori

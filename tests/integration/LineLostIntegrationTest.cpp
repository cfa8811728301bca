// The other end of the line goes away in the middle of a transfer, as when a USB adapter is
// pulled out: the system port over a pseudo-terminal whose master the test closes, the real file
// system and log. The transfer stops at once and says so, and nothing received is lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "comm/ReceiveEngine.h"
#include "comm/RescueFile.h"
#include "comm/SendEngine.h"
#include "comm/TransferLog.h"
#include "core/TextCodec.h"
#include "files/ProgramLoader.h"
#include "platform/DriveMap.h"
#include "platform/HostConfig.h"
#include "platform/LocalTime.h"
#include "support/EngineRig.h"
#include "support/LineRig.h"
#include "support/PseudoTerminal.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A line host whose other end acts whenever the engine looks for F3/Esc, and which keeps rescued
// data in a file of the data folder (D:), where the program folder would be.
class PeerHost : public test::LineTestHost {
  public:
    FileSystem* files = nullptr;
    std::function<void()> peer;
    bool CancelRequested() override {
        if (peer)
            peer();
        return LineTestHost::CancelRequested();
    }
    std::string RescueReceivedData(const std::string& name, const std::string& bytes) override {
        return WriteRescueFile(*files, {"D:"}, LocalNow(), name, bytes).value_or("");
    }
};

struct LineLostRig {
    LineLostRig() {
        folder.Write("data/.keep", "");
        HostConfig config;
        config.drives['D'] = folder.File("data");
        config.ports[1] = pty.SlavePath();
        files = CreateSystemFileSystem(DriveMap::Build(config, folder.Path(), {}));
        port = CreateSystemSerialPort(config);
        log = std::make_unique<FileTransferLog>(*files, "D:\\kelvantori.log", LocalNow);
        settings.DirPath = "D:";
        settings.Speed = "19200,8,N,1";
        settings.Signal = "N";
        settings.R_Code = 1;
        host.files = files.get();
    }
    std::string Log() const { return Cp932ToUtf8(folder.Read("data/kelvantori.log")); }
    // The names in the data folder, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder.File("data")))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempFolder folder;
    test::PseudoTerminal pty;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<FileTransferLog> log;
    Settings settings;
    PeerHost host;
};

// The machine sends "%", the program line and 30 lines, then its end of the line closes.
TEST(LineLostIntegrationTest, PeerThatClosesMidReceiveEndsItAndKeepsEveryLine) {
    std::string data = "%\nO1\n";
    std::string lines = "O1\r\n";
    for (int i = 1; i <= 30; ++i) {
        data += "N" + std::to_string(i) + "X" + std::to_string(i) + ".\n";
        lines += "N" + std::to_string(i) + " X" + std::to_string(i) + ".\r\n";
    }
    for (const bool op5 : {false, true}) {
        SCOPED_TRACE(op5 ? "op5 Y" : "op5 N");
        LineLostRig rig;
        rig.settings.op5 = op5 ? "Y" : "N";
        bool sent = false;
        rig.host.peer = [&] {
            if (!sent) {
                rig.pty.Send(data);  // the port is open: the engine waits for the start
                sent = true;
            } else if (rig.host.receivedLines.size() >= 31) {
                rig.pty.CloseMaster();
            }
        };
        const auto started = std::chrono::steady_clock::now();
        ReceiveEngine engine(*rig.port, rig.host, *rig.log, *rig.files);
        const TransferResult result = engine.ReceiveFile(
            rig.settings, ReceiveJob{ReceiveMode::Named, "D:\\RECV.NC", "RECV.NC", false});
        EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
        ASSERT_FALSE(rig.host.TimedOut());
        EXPECT_EQ(result, TransferResult::Stopped);
        ASSERT_EQ(rig.host.errors.size(), 1u);
        // The program's message, then the system's reason ("read /dev/pts/3: ...").
        EXPECT_TRUE(rig.host.errors[0].starts_with("COM1の回線が切れました。!!\nread "))
            << rig.host.errors[0];
        EXPECT_EQ(rig.host.results.back(), "受信を中止しました。!!");
        const std::string log = rig.Log();
        EXPECT_NE(log.find("受信　　中止　"), std::string::npos) << log;
        EXPECT_EQ(log.find("受信　　完了　"), std::string::npos) << log;
        const std::vector<std::string> names = rig.Names();
        if (op5) {
            // In the target, cut off where the line went.
            EXPECT_EQ(rig.folder.Read("data/RECV.NC"), lines);
            EXPECT_EQ(names, (std::vector<std::string>{".keep", "RECV.NC", "kelvantori.log"}));
        } else {
            // Nothing under the target's name; every line in a rescue file the log names.
            ASSERT_EQ(names.size(), 3u) << ::testing::PrintToString(names);
            const std::string& rescue = names[1];  // between ".keep" and "kelvantori.log"
            EXPECT_TRUE(rescue.starts_with("RESCUE_") && rescue.ends_with("_RECV.NC")) << rescue;
            EXPECT_EQ(rig.folder.Read("data/" + rescue), lines);
            EXPECT_NE(log.find("受信　　退避　"), std::string::npos) << log;
            EXPECT_TRUE(log.ends_with("D:\\" + rescue + "\r\n")) << log;
        }
    }
}

// A send already stopped cleanly when its line went away; it still does, without a DC4.
TEST(LineLostIntegrationTest, PeerThatClosesMidSendStopsItWithTheLogLine) {
    LineLostRig rig;
    rig.settings.Speed = "4800,8,N,1";
    std::string program;
    for (int i = 1; i <= 200; ++i)
        program += "N" + std::to_string(i) + " X" + std::to_string(i) + ".\r\n";
    rig.folder.Write("data/O1.NC", program);
    std::string got;
    rig.host.peer = [&] {
        if (got.size() < 20)
            got += rig.pty.Receive(20 - got.size(), 0ms);
        else
            rig.pty.CloseMaster();
    };
    SendJob job;
    job.DirPath = "D:";
    job.TransferName = "O1.NC";
    job.program =
        LoadFileIntoView(*rig.files, "D:\\O1.NC", [](const std::string&) { return true; });
    SendEngine engine(*rig.port, rig.host, *rig.log);
    EXPECT_EQ(engine.SendFile(rig.settings, job), TransferResult::Stopped);
    ASSERT_FALSE(rig.host.TimedOut());
    EXPECT_EQ(got.size(), 20u);  // the start of the program, until the line went
    ASSERT_EQ(rig.host.errors.size(), 1u);
    EXPECT_TRUE(rig.host.errors[0].starts_with("COM1の回線が切れました。!!\n"))
        << rig.host.errors[0];
    EXPECT_EQ(rig.host.results, std::vector<std::string>{"送信中止しました。!!"});
    const std::string log = rig.Log();
    EXPECT_NE(log.find("送信　　中止　"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("　D:\\O1.NC\r\n")) << log;
}

}  // namespace
}  // namespace kelvantori

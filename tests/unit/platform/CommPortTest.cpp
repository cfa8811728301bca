// Opening the port for a transfer: the configuration taken from the settings and the texts the
// operator reads when the opening fails; and the scripted port the engine tests rely on.
#include "platform/CommPort.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/Clock.h"
#include "support/FakeSerialPort.h"

namespace kelvantori {
namespace {

using test::FakeSerialPort;
using namespace std::chrono_literals;
using std::chrono::nanoseconds;
constexpr auto kSend = TransferMode::Send;
constexpr auto kReceive = TransferMode::Receive;

constexpr LineSetting k8N2{4800, 8, Parity::None, StopBits::Two};
constexpr LineSetting k7E2{4800, 7, Parity::Even, StopBits::Two};

// Flow control and the DTR/RTS lines each opening sets up.
TEST(MakePortConfig, FlowControlAndModemLines) {
    const struct {
        const char *speed, *dc3As93, *op1, *autoSelect;
        TransferMode mode;
        LineSetting line;
        int xoff;
        bool flowIn, dtr, rts;
    } cases[] = {
        {"4800,8,N,2", "Y", "N", "N", kSend, k8N2, 0x93, false, false, false},
        {"4800,7,E,2", "N", "N", "N", kReceive, k7E2, 0x13, true, false, false},
        {"4800,8,N,2", "Y", "Y", "N", kSend, k8N2, 0x93, false, true, false},   // op1: DTR
        {"4800,8,N,2", "Y", "N", "Y", kReceive, k8N2, 0x93, true, true, true},  // AutoSelect
        {"4800,8,N,2", "y", "y", "y", kSend, k8N2, 0x13, false, false, false}   // only "Y" is on
    };
    for (const auto& row : cases) {
        Settings settings;
        settings.Port = "COM3";
        settings.Speed = row.speed;
        settings.Dc3As93 = row.dc3As93;
        settings.op1 = row.op1;
        settings.AutoSelect = row.autoSelect;
        const auto made = MakePortConfig(settings, row.mode);
        ASSERT_TRUE(made.ok) << made.message;
        const auto& c = made.config;
        const auto got = std::forward_as_tuple(c.portName, c.line, c.mode);
        EXPECT_EQ(got, std::forward_as_tuple("COM3", row.line, row.mode));
        EXPECT_EQ((std::tuple{int{c.xonChar}, int{c.xoffChar}, c.driverFlowIn, c.dtrOn, c.rtsOn}),
                  (std::tuple{0x11, row.xoff, row.flowIn, row.dtr, row.rts}))
            << row.speed << " " << row.dc3As93 << row.op1 << row.autoSelect;
    }
}

TEST(OpenCommPort, FailuresShowTheProgramsText) {
    const struct {
        const char* speed;
        bool canOpen;
        PortError openResult;
        const char* message;
    } cases[] = {{"4800,8,N,2", true, PortError::OpenFailed,
                  "COM3のポートが開きません。!!\nioctl: Input/output error"},
                 {"4800,8,N,2", true, PortError::SetupFailed, "通信速度の設定エラー!!"},
                 {"4800,8,N,2", true, PortError::TimeoutsFailed, "タイムアウト!!"},
                 {"4800,8,N,2", true, PortError::PurgeFailed, "回線初期化エラー!!"},
                 {"4800,8,N,2", true, PortError::Failure, "通信エラー!!"},
                 {"38400,8,N,2", true, PortError::None, "通信設定（速度）を確認してください!!"},
                 {"38400,8,N,2", false, PortError::None, "COM3のポートが開きません。!!"},  // first
                 {"4800,8,N,x", true, PortError::None, "通信エラー!!"}};
    for (const auto& row : cases) {
        ManualClock clock;
        FakeSerialPort port(clock);
        const bool portFailed = row.openResult != PortError::None;
        if (portFailed)
            port.SetOpenResult(row.openResult, "ioctl: Input/output error");
        port.SetCanOpen(row.canOpen);
        Settings settings;
        settings.Port = "COM3";
        settings.Speed = row.speed;
        const auto result = OpenCommPort(port, settings, kSend);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, row.message);
        // A bad line setting is found before the device is opened.
        EXPECT_EQ(port.Opened().size(), portFailed ? 1U : 0U) << row.message;
        EXPECT_EQ(result.systemReason, portFailed ? "ioctl: Input/output error" : "");
        // A port that failed after it opened is closed by the engine's stop path, not here.
        EXPECT_TRUE(port.Closes().empty());
    }
}

// A port that does not open says why, after the program's own text, in words the user can act
// on; only a reason the port cannot name shows the system's words.
TEST(OpenCommPort, PortThatDoesNotOpenSaysWhy) {
    const std::string head = "COM3のポートが開きません。!!\n";
    const struct {
        const char* name;
        OpenFailure reason;
        std::string message;
    } rows[] = {
        {"InUse", OpenFailure::InUse,
         head + "他のプログラムがこのポートを使っています。そのプログラムを終わらせてから、もう一度"
                "行ってください。"},
        {"NoPermission", OpenFailure::NoPermission,
         head + "このポートを開く権限がありません。dialout グループに入ってください (sudo usermod "
                "-aG dialout $USER の後、ログインし直す)。"},
        {"NoDevice", OpenFailure::NoDevice,
         head + "デバイスがありません。USB シリアル変換器が外れていないか、Host.ini の [Ports] "
                "の指定が正しいか確かめてください。"},
        {"NotASerialPort", OpenFailure::NotASerialPort,
         head + "シリアルポートではありません。Host.ini の [Ports] の指定を確かめてください。"},
        {"UnknownPort", OpenFailure::UnknownPort, head + "ポート名は COM1〜COM30 です。"},
        {"Other", OpenFailure::Other, head + "open /dev/ttyS2: Input/output error"},
    };
    for (const auto& row : rows) {
        ManualClock clock;
        FakeSerialPort port(clock);
        port.SetOpenResult(PortError::OpenFailed, "open /dev/ttyS2: Input/output error",
                           row.reason);
        Settings settings;
        settings.Port = "COM3";
        const auto result = OpenCommPort(port, settings, kSend);
        EXPECT_EQ(result.message, row.message) << row.name;
        EXPECT_EQ(result.reason, row.reason) << row.name;
    }
}

// The device opens with the configuration made from the settings; unreadable modem lines do not
// fail the opening.
TEST(OpenCommPort, OpensWithTheConfigurationAndReadsTheModemLines) {
    for (const auto lines :
         {std::optional(ModemStatus{false, true, false}), std::optional<ModemStatus>()}) {
        ManualClock clock;
        FakeSerialPort port(clock);
        port.ModemAt(nanoseconds{0}, lines);
        Settings settings;
        settings.Port = "COM2";
        settings.Speed = "9600,7,O,1";
        const auto result = OpenCommPort(port, settings, kReceive);
        ASSERT_TRUE(result.ok) << result.message;
        EXPECT_EQ(result.modem, lines);
        ASSERT_EQ(port.Opened().size(), 1U);
        EXPECT_EQ(port.Opened()[0].line, (LineSetting{9600, 7, Parity::Odd, StopBits::One}));
    }
}

TEST(PortUsable, OpenablePortsThatAreNoModemPorts) {
    ManualClock clock;
    FakeSerialPort port(clock);
    port.SetCanOpen("COM7", false);
    Settings settings;
    settings.ModemePort1 = "COM2";
    settings.ModemePort2 = "COM3";
    std::vector<int> usable;
    for (const int n : {1, 2, 3, 7, 12}) {
        if (PortUsable(port, n, settings))
            usable.push_back(n);
    }
    EXPECT_EQ(usable, (std::vector<int>{1, 12}));
    // The opening is tried first, with the port's own name.
    EXPECT_EQ(port.CanOpenQueries(),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM7", "COM12"}));
}

// Its schedules move the clock, its record keeps every byte written with its time.
TEST(FakeSerialPort, SchedulesMoveTheClockAndWritesAreRecorded) {
    ManualClock clock;
    FakeSerialPort port(clock);
    PortConfig config;
    config.line = {4800, 8, Parity::None, StopBits::Two};
    ASSERT_EQ(port.Open(config), PortError::None);
    port.ArriveAt(nanoseconds(50ms), "C");
    port.ArriveAt(nanoseconds(3ms), std::string("B\0", 2));  // NUL is never delivered
    port.ArriveAfterWrites(2, "\x93");
    port.ModemAt(nanoseconds(60ms), ModemStatus{true, true, false});

    EXPECT_EQ(port.Read(10ms).byte, 'B');
    EXPECT_EQ(clock.Now(), nanoseconds(3ms));
    EXPECT_EQ(port.Read(10ms).status, ReadStatus::TimedOut);  // at 13 ms
    EXPECT_EQ(port.Write('G'), WriteStatus::Written);
    EXPECT_EQ(port.Write('0'), WriteStatus::Written);
    EXPECT_EQ(port.Read(0us).byte, 0x93);  // due with the second write
    EXPECT_EQ(port.Read(1s).byte, 'C');
    EXPECT_EQ(clock.Now(), nanoseconds(50ms));
    EXPECT_EQ(port.GetModemStatus(), (ModemStatus{true, true, true}));
    clock.Advance(10ms);
    EXPECT_EQ(port.GetModemStatus(), (ModemStatus{true, true, false}));
    EXPECT_EQ(port.Written(), (std::vector<FakeSerialPort::WrittenByte>{{'G', nanoseconds(13ms)},
                                                                        {'0', nanoseconds(13ms)}}));
}

}  // namespace
}  // namespace kelvantori

// Opening the port for a transfer: the configuration taken from the settings and the texts the
// operator reads when the opening fails.
#include "platform/CommPort.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/Clock.h"
#include "support/FakeSerialPort.h"

namespace kelvantori {
namespace {

using test::FakeSerialPort;
constexpr auto kSend = TransferMode::Send;
constexpr auto kReceive = TransferMode::Receive;

struct ConfigRow {
    const char* name;
    const char* speed;
    const char* dc3As93;
    const char* op1;
    const char* autoSelect;
    TransferMode mode;
    LineSetting line;
    int xoff;
    bool flowIn, dtr, rts;
};

class MakePortConfigTest : public ::testing::TestWithParam<ConfigRow> {};

// Flow control and the DTR/RTS lines each open step sets up.
TEST_P(MakePortConfigTest, Fields) {
    const auto& row = GetParam();
    Settings settings;
    settings.Port = "COM3";
    settings.Speed = row.speed;
    settings.Dc3As93 = row.dc3As93;
    settings.op1 = row.op1;
    settings.AutoSelect = row.autoSelect;
    const auto made = MakePortConfig(settings, row.mode);
    ASSERT_TRUE(made.ok) << made.message;
    const auto& c = made.config;
    EXPECT_EQ(std::tie(c.portName, c.line, c.mode),
              std::forward_as_tuple("COM3", row.line, row.mode));
    EXPECT_EQ((std::tuple{int{c.xonChar}, int{c.xoffChar}, c.driverFlowIn, c.dtrOn, c.rtsOn}),
              (std::tuple{0x11, row.xoff, row.flowIn, row.dtr, row.rts}));
}

constexpr LineSetting k8N2{4800, 8, Parity::None, StopBits::Two};
constexpr LineSetting k7E2{4800, 7, Parity::Even, StopBits::Two};

INSTANTIATE_TEST_SUITE_P(
    Rows, MakePortConfigTest,
    ::testing::Values(ConfigRow{"Send", "4800,8,N,2", "Y", "N", "N", kSend, k8N2, 0x93, false,
                                false, false},
                      ConfigRow{"SendPlainDc3", "4800,8,N,2", "N", "N", "N", kSend, k8N2, 0x13,
                                false, false, false},
                      ConfigRow{"ReceiveLetsTheDriverHoldTheMachine", "4800,7,E,2", "Y", "N", "N",
                                kReceive, k7E2, 0x93, true, false, false},
                      ConfigRow{"ReceivePlainDc3", "4800,7,E,2", "N", "N", "N", kReceive, k7E2,
                                0x13, true, false, false},
                      ConfigRow{"Op1RaisesDtr", "4800,8,N,2", "Y", "Y", "N", kSend, k8N2, 0x93,
                                false, true, false},
                      ConfigRow{"AutoSelectRaisesDtrAndRts", "4800,8,N,2", "Y", "N", "Y", kReceive,
                                k8N2, 0x93, true, true, true},
                      ConfigRow{"LowerCaseSwitchIsOff", "4800,8,N,2", "y", "y", "y", kSend, k8N2,
                                0x13, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureRow {
    const char* name;
    const char* speed;
    bool canOpen;
    PortError openResult;
    const char* message;
};

class OpenCommPortFailureTest : public ::testing::TestWithParam<FailureRow> {};

TEST_P(OpenCommPortFailureTest, ShowsTheProgramsText) {
    const auto& row = GetParam();
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
    EXPECT_EQ(port.Opened().size(), portFailed ? 1U : 0U);
    EXPECT_EQ(result.systemReason, portFailed ? "ioctl: Input/output error" : "");
    // A port that failed after it opened is closed by the engine's stop path, not here.
    EXPECT_TRUE(port.Closes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OpenCommPortFailureTest,
    ::testing::Values(
        FailureRow{"Open", "4800,8,N,2", true, PortError::OpenFailed,
                   "COM3のポートが開きません。!!"},
        FailureRow{"Setup", "4800,8,N,2", true, PortError::SetupFailed, "通信速度の設定エラー!!"},
        FailureRow{"Timeouts", "4800,8,N,2", true, PortError::TimeoutsFailed, "タイムアウト!!"},
        FailureRow{"Purge", "4800,8,N,2", true, PortError::PurgeFailed, "回線初期化エラー!!"},
        FailureRow{"Other", "4800,8,N,2", true, PortError::Failure, "通信エラー!!"},
        FailureRow{"BadSpeed", "38400,8,N,2", true, PortError::None,
                   "通信設定（速度）を確認してください!!"},
        FailureRow{"MissingPortBeforeBadSpeed", "38400,8,N,2", false, PortError::None,
                   "COM3のポートが開きません。!!"},
        FailureRow{"UnreadableSetting", "4800,8,N,x", true, PortError::None, "通信エラー!!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenCommPort, OpensWithTheConfigurationAndReadsTheModemLines) {
    for (const std::optional<ModemStatus> lines :
         {std::optional(ModemStatus{false, true, false}), std::optional<ModemStatus>()}) {
        ManualClock clock;
        FakeSerialPort port(clock);
        port.ModemAt(std::chrono::nanoseconds{0}, lines);
        Settings settings;
        settings.Port = "COM2";
        settings.Speed = "9600,7,O,1";
        settings.Dc3As93 = "N";
        const auto result = OpenCommPort(port, settings, kReceive);
        ASSERT_TRUE(result.ok) << result.message;  // unreadable lines do not fail the opening
        EXPECT_EQ(result.modem, lines);
        ASSERT_EQ(port.Opened().size(), 1U);
        const auto& opened = port.Opened()[0];
        EXPECT_EQ(std::tie(opened.portName, opened.line, opened.xoffChar, opened.driverFlowIn),
                  std::forward_as_tuple("COM2", LineSetting{9600, 7, Parity::Odd, StopBits::One},
                                        kDC3, true));
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

}  // namespace
}  // namespace kelvantori

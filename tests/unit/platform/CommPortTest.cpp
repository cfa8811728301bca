// Opening the port for a transfer: the configuration taken from the settings and the texts the
// operator reads when the opening fails.
#include "platform/CommPort.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/Clock.h"
#include "support/FakeSerialPort.h"

namespace kelvantori {
namespace {

using test::FakeSerialPort;

struct ConfigRow {
    const char* name;
    const char* speed;
    const char* dc3As93;
    const char* op1;
    const char* autoSelect;
    TransferMode mode;
    LineSetting line;
    std::uint8_t xoff;
    bool flowIn;
    bool dtr;
    bool rts;
};
void PrintTo(const ConfigRow& row, std::ostream* os) {
    *os << row.name;
}

class MakePortConfigTest : public ::testing::TestWithParam<ConfigRow> {};

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
    EXPECT_EQ(made.config.portName, "COM3");
    EXPECT_EQ(made.config.line, row.line);
    EXPECT_EQ(made.config.mode, row.mode);
    EXPECT_EQ(made.config.xonChar, 0x11);
    EXPECT_EQ(made.config.xoffChar, row.xoff);
    EXPECT_EQ(made.config.driverFlowIn, row.flowIn);
    EXPECT_EQ(made.config.dtrOn, row.dtr);
    EXPECT_EQ(made.config.rtsOn, row.rts);
}

constexpr auto kSend = TransferMode::Send;
constexpr auto kReceive = TransferMode::Receive;
constexpr LineSetting k8N2{4800, 8, Parity::None, StopBits::Two};
constexpr LineSetting k7E2{4800, 7, Parity::Even, StopBits::Two};

INSTANTIATE_TEST_SUITE_P(
    Rows, MakePortConfigTest,
    ::testing::Values(ConfigRow{"SendDefaults", "4800,8,N,2", "Y", "N", "N", kSend, k8N2, 0x93,
                                false, false, false},
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

TEST(MakePortConfig, BadSpeedAndUnreadableText) {
    Settings settings;
    settings.Speed = "38400,8,N,2";
    auto made = MakePortConfig(settings, kSend);
    EXPECT_FALSE(made.ok);
    EXPECT_EQ(made.message, "通信設定（速度）を確認してください!!");
    settings.Speed = "4800,8,N,x";
    made = MakePortConfig(settings, kSend);
    EXPECT_FALSE(made.ok);
    EXPECT_EQ(made.message, "通信エラー!!");
}

struct ErrorRow {
    const char* name;
    PortError error;
    const char* message;
};
void PrintTo(const ErrorRow& row, std::ostream* os) {
    *os << row.name;
}

class OpenCommPortErrorTest : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(OpenCommPortErrorTest, ShowsTheProgramsText) {
    const auto& row = GetParam();
    ManualClock clock;
    FakeSerialPort port(clock);
    port.SetOpenResult(row.error, "ioctl: Input/output error");
    Settings settings;
    settings.Port = "COM3";
    const auto result = OpenCommPort(port, settings, kSend);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, row.message);
    EXPECT_EQ(result.systemReason, "ioctl: Input/output error");
    EXPECT_EQ(PortErrorMessage(row.error, "COM3"), row.message);
    // A port that failed after it opened is closed by the engine's stop path, not here.
    EXPECT_TRUE(port.Closes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OpenCommPortErrorTest,
    ::testing::Values(ErrorRow{"Open", PortError::OpenFailed, "COM3のポートが開きません。!!"},
                      ErrorRow{"Setup", PortError::SetupFailed, "通信速度の設定エラー!!"},
                      ErrorRow{"Timeouts", PortError::TimeoutsFailed, "タイムアウト!!"},
                      ErrorRow{"Purge", PortError::PurgeFailed, "回線初期化エラー!!"},
                      ErrorRow{"Other", PortError::Failure, "通信エラー!!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenCommPort, OpensWithTheConfigurationAndReadsTheModemLines) {
    ManualClock clock;
    FakeSerialPort port(clock);
    const ModemStatus lines{.cts = false, .dsr = true, .carrier = false};
    port.ModemAt(std::chrono::nanoseconds{0}, lines);
    Settings settings;
    settings.Port = "COM2";
    settings.Speed = "9600,7,O,1";
    settings.Dc3As93 = "N";
    const auto result = OpenCommPort(port, settings, kReceive);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_TRUE(result.message.empty());
    EXPECT_EQ(result.modem, lines);
    ASSERT_EQ(port.Opened().size(), 1U);
    const auto expected = MakePortConfig(settings, kReceive).config;
    const auto& opened = port.Opened()[0];
    EXPECT_EQ(opened.portName, "COM2");
    EXPECT_EQ(opened.line, expected.line);
    EXPECT_EQ(opened.xoffChar, 0x13);
    EXPECT_TRUE(opened.driverFlowIn);
}

TEST(OpenCommPort, UnreadableModemLinesDoNotFailTheOpening) {
    ManualClock clock;
    FakeSerialPort port(clock);
    port.ModemAt(std::chrono::nanoseconds{0}, std::nullopt);
    const auto result = OpenCommPort(port, Settings{}, kSend);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.modem, std::nullopt);
}

TEST(OpenCommPort, BadSpeedIsReportedWhenThePortExists) {
    ManualClock clock;
    FakeSerialPort port(clock);
    Settings settings;
    settings.Port = "COM4";
    settings.Speed = "38400,8,N,2";
    const auto result = OpenCommPort(port, settings, kSend);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "通信設定（速度）を確認してください!!");
    EXPECT_TRUE(port.Opened().empty());
    EXPECT_FALSE(port.IsOpen());
}

TEST(OpenCommPort, MissingPortIsReportedBeforeABadSpeed) {
    ManualClock clock;
    FakeSerialPort port(clock);
    port.SetCanOpen("COM4", false);
    Settings settings;
    settings.Port = "COM4";
    settings.Speed = "38400,8,N,2";
    const auto result = OpenCommPort(port, settings, kSend);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "COM4のポートが開きません。!!");
}

TEST(OpenCommPort, UnreadableLineSettingIsACommunicationError) {
    ManualClock clock;
    FakeSerialPort port(clock);
    Settings settings;
    settings.Speed = "abc,8,N,2";
    const auto result = OpenCommPort(port, settings, kSend);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "通信エラー!!");
}

TEST(PortUsable, OpenablePortsThatAreNoModemPorts) {
    ManualClock clock;
    FakeSerialPort port(clock);
    port.SetCanOpen("COM7", false);
    Settings settings;
    settings.ModemePort1 = "COM2";
    settings.ModemePort2 = "COM3";
    EXPECT_TRUE(PortUsable(port, 1, settings));
    EXPECT_FALSE(PortUsable(port, 2, settings));
    EXPECT_FALSE(PortUsable(port, 3, settings));
    EXPECT_FALSE(PortUsable(port, 7, settings));
    EXPECT_TRUE(PortUsable(port, 12, settings));
    // The opening is tried first, with the port's own name.
    EXPECT_EQ(port.CanOpenQueries(),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM7", "COM12"}));
}

TEST(PortErrorMessage, NoErrorNoText) {
    EXPECT_EQ(PortErrorMessage(PortError::None, "COM1"), "");
}

}  // namespace
}  // namespace kelvantori

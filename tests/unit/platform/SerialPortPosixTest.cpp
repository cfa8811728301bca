// The POSIX serial port over a real pseudo-terminal pair: what reaches the other end, what comes
// back, time-outs, exclusivity, and the settings a pseudo-terminal cannot carry.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include <unistd.h>

#include "platform/CommPort.h"
#include "platform/HostConfig.h"
#include "platform/SerialPort.h"
#include "support/PseudoTerminal.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;
using test::PseudoTerminal;
using SteadyClock = std::chrono::steady_clock;

PortConfig ConfigFor(std::string port, std::string_view speed, TransferMode mode) {
    Settings settings;
    settings.Port = std::move(port);
    settings.Speed = std::string(speed);
    auto made = MakePortConfig(settings, mode);
    EXPECT_TRUE(made.ok) << speed;
    return made.config;
}

class SerialPortPosixTest : public ::testing::Test {
  protected:
    SerialPortPosixTest() {
        hosts_.ports[5] = pty_.SlavePath();
        port_ = CreateSystemSerialPort(hosts_);
    }

    void OpenDefault(TransferMode mode = TransferMode::Send) {
        ASSERT_EQ(port_->Open(ConfigFor("COM5", "4800,8,N,2", mode)), PortError::None)
            << port_->LastSystemError();
    }

    PseudoTerminal pty_;
    HostConfig hosts_;
    std::unique_ptr<SerialPort> port_;
};

TEST_F(SerialPortPosixTest, OpensARawLineWithoutDriverFlowControlForASend) {
    OpenDefault();
    EXPECT_TRUE(port_->IsOpen());
    const termios t = pty_.SlaveTermios();
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ISTRIP | ICRNL | INLCR | IGNCR | INPCK), 0U);
    EXPECT_EQ(t.c_oflag & OPOST, 0U);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0U);
    EXPECT_NE(t.c_cflag & CSTOPB, 0U);
    EXPECT_NE(t.c_cflag & CLOCAL, 0U);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0U);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST_F(SerialPortPosixTest, OneStopBitClearsCstopb) {
    ASSERT_EQ(port_->Open(ConfigFor("COM5", "9600,8,N,1", TransferMode::Send)), PortError::None);
    EXPECT_EQ(pty_.SlaveTermios().c_cflag & CSTOPB, 0U);
}

struct XoffRow {
    const char* name;
    const char* dc3As93;
    TransferMode mode;
    cc_t vstop;
    bool inputFlow;
};
void PrintTo(const XoffRow& row, std::ostream* os) {
    *os << row.name;
}

class XoffCharacterTest : public SerialPortPosixTest,
                          public ::testing::WithParamInterface<XoffRow> {};

TEST_P(XoffCharacterTest, VstopAndInputFlowControl) {
    const auto& row = GetParam();
    Settings settings;
    settings.Port = "COM5";
    settings.Dc3As93 = row.dc3As93;
    const auto opened = OpenCommPort(*port_, settings, row.mode);
    ASSERT_TRUE(opened.ok) << opened.message << " " << opened.systemReason;
    const termios t = pty_.SlaveTermios();
    EXPECT_EQ(t.c_cc[VSTOP], row.vstop);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ((t.c_iflag & IXOFF) != 0, row.inputFlow);
    EXPECT_EQ(t.c_iflag & IXON, 0U);  // received 0x11/0x13 must reach the engines
}

INSTANTIATE_TEST_SUITE_P(
    Rows, XoffCharacterTest,
    ::testing::Values(XoffRow{"SendWithParity", "Y", TransferMode::Send, 0x93, false},
                      XoffRow{"SendPlain", "N", TransferMode::Send, 0x13, false},
                      XoffRow{"ReceiveWithParity", "Y", TransferMode::Receive, 0x93, true},
                      XoffRow{"ReceivePlain", "N", TransferMode::Receive, 0x13, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialPortPosixTest, BytesGoOutExactlyAsWritten) {
    OpenDefault();
    const std::string bytes = "\x93\x11\x13\x80\x0A\x0D\xA5\xFF%";
    for (const char c : bytes) {
        ASSERT_EQ(port_->Write(static_cast<std::uint8_t>(c)), WriteStatus::Written);
    }
    EXPECT_EQ(pty_.Receive(bytes.size(), 1s), bytes);
}

TEST_F(SerialPortPosixTest, BytesComeInExactlyAsSentAndNulIsDropped) {
    OpenDefault(TransferMode::Receive);
    // DC1/DC3 with and without parity, CR and LF, EIA bytes with bit 7, NULs in between.
    pty_.Send(std::string("\x93\x13\x11\x0D\x0A\x80\xFF\0A\0\0B", 13));
    std::string got;
    for (;;) {
        const auto r = port_->Read(100ms);
        if (r.status != ReadStatus::Byte) {
            EXPECT_EQ(r.status, ReadStatus::TimedOut);
            break;
        }
        got.push_back(static_cast<char>(r.byte));
    }
    EXPECT_EQ(got,
              "\x93\x13\x11\x0D\x0A\x80\xFF"
              "AB");
}

TEST_F(SerialPortPosixTest, ShortReadTimesOutOnTime) {
    OpenDefault();
    const auto start = SteadyClock::now();
    const auto r = port_->Read(10ms);
    const auto took = SteadyClock::now() - start;
    EXPECT_EQ(r.status, ReadStatus::TimedOut);
    EXPECT_GE(took, 10ms);
    EXPECT_LT(took, 200ms);
}

TEST_F(SerialPortPosixTest, ZeroTimeoutReadReturnsAtOnce) {
    OpenDefault();
    const auto start = SteadyClock::now();
    EXPECT_EQ(port_->Read(0us).status, ReadStatus::TimedOut);
    EXPECT_LT(SteadyClock::now() - start, 50ms);
}

TEST_F(SerialPortPosixTest, LongReadReturnsTheByteWhenItArrives) {
    OpenDefault(TransferMode::Receive);
    std::thread machine([this] {
        std::this_thread::sleep_for(50ms);
        pty_.Send("%");
    });
    const auto start = SteadyClock::now();
    const auto r = port_->Read(1s);
    const auto took = SteadyClock::now() - start;
    machine.join();
    ASSERT_EQ(r.status, ReadStatus::Byte);
    EXPECT_EQ(r.byte, '%');
    EXPECT_GE(took, 40ms);
    EXPECT_LT(took, 900ms);
}

TEST_F(SerialPortPosixTest, NulOnlyInputLetsTheReadTimeOut) {
    OpenDefault(TransferMode::Receive);
    pty_.Send(std::string(3, '\0'));
    const auto start = SteadyClock::now();
    EXPECT_EQ(port_->Read(30ms).status, ReadStatus::TimedOut);
    EXPECT_GE(SteadyClock::now() - start, 30ms);
}

TEST_F(SerialPortPosixTest, SecondOpenIsRefusedEvenForRoot) {
    OpenDefault();
    auto other = CreateSystemSerialPort(hosts_);
    EXPECT_EQ(other->Open(ConfigFor("COM5", "4800,8,N,2", TransferMode::Send)),
              PortError::OpenFailed);
    EXPECT_FALSE(other->IsOpen());
    EXPECT_NE(other->LastSystemError().find("in use"), std::string::npos)
        << other->LastSystemError();
    EXPECT_FALSE(other->CanOpen("COM5"));

    port_->Close();
    EXPECT_TRUE(other->CanOpen("COM5"));
    EXPECT_EQ(other->Open(ConfigFor("COM5", "4800,8,N,2", TransferMode::Send)), PortError::None);
}

TEST_F(SerialPortPosixTest, CanOpenLeavesThePortFree) {
    EXPECT_TRUE(port_->CanOpen("COM5"));
    EXPECT_FALSE(port_->IsOpen());
    EXPECT_TRUE(port_->CanOpen("COM5"));
}

TEST_F(SerialPortPosixTest, SettingsAPseudoTerminalCannotCarryStillOpen) {
    // After an 8-bit opening, a 7-bit one differs only in CS7/PARENB, which a pseudo-terminal
    // refuses outright.
    for (const char* speed :
         {"4800,8,N,2", "4800,7,E,2", "9600,7,O,1", "14400,8,N,2", "19200,7,E,3"}) {
        ASSERT_EQ(port_->Open(ConfigFor("COM5", speed, TransferMode::Send)), PortError::None)
            << speed << ": " << port_->LastSystemError();
        // What can be carried is carried: the XOFF character and raw mode.
        EXPECT_EQ(pty_.SlaveTermios().c_cc[VSTOP], 0x93) << speed;
        EXPECT_EQ(pty_.SlaveTermios().c_lflag & ICANON, 0U) << speed;
        port_->Close();
    }
}

TEST_F(SerialPortPosixTest, ByteSizeNoLineCarriesIsASetupFailure) {
    Settings settings;
    settings.Port = "COM5";
    settings.Speed = "4800,9,N,2";
    const auto result = OpenCommPort(*port_, settings, TransferMode::Send);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "通信速度の設定エラー!!");
    EXPECT_NE(result.systemReason.find("data bits"), std::string::npos) << result.systemReason;
}

TEST_F(SerialPortPosixTest, PseudoTerminalBehindASymlinkIsStillRecognised) {
    test::TempFolder folder;
    const std::string link = folder.File("ttyNC");
    ASSERT_EQ(symlink(pty_.SlavePath().c_str(), link.c_str()), 0);
    hosts_.ports[8] = link;
    auto port = CreateSystemSerialPort(hosts_);
    EXPECT_EQ(port->Open(ConfigFor("COM8", "4800,7,E,2", TransferMode::Send)), PortError::None)
        << port->LastSystemError();
    EXPECT_EQ(port->OutputQueueLength(), -1);
}

TEST_F(SerialPortPosixTest, PseudoTerminalReportsModemLinesOnAndAnUnknownQueue) {
    OpenDefault();
    const auto modem = port_->GetModemStatus();
    ASSERT_TRUE(modem.has_value());
    EXPECT_EQ(*modem, (ModemStatus{true, true, true}));
    EXPECT_EQ(port_->OutputQueueLength(), -1);
}

TEST_F(SerialPortPosixTest, DtrAndRtsRequestsAreAcceptedWithoutModemLines) {
    PortConfig config = ConfigFor("COM5", "4800,8,N,2", TransferMode::Send);
    config.dtrOn = true;
    config.rtsOn = true;
    EXPECT_EQ(port_->Open(config), PortError::None) << port_->LastSystemError();
}

TEST_F(SerialPortPosixTest, FullWhenTheOtherEndStopsReadingThenWritableAgain) {
    OpenDefault();
    std::size_t written = 0;
    WriteStatus status = WriteStatus::Written;
    while (written < 10'000'000 && (status = port_->Write('A')) == WriteStatus::Written)
        ++written;
    ASSERT_EQ(status, WriteStatus::Full);
    ASSERT_GT(written, 0U);
    EXPECT_FALSE(port_->WaitWritable(10ms));
    // The machine reads everything: the port takes bytes again.
    EXPECT_EQ(pty_.Receive(written, 5s).size(), written);
    EXPECT_TRUE(port_->WaitWritable(1s));
    EXPECT_EQ(port_->Write('B'), WriteStatus::Written);
}

TEST_F(SerialPortPosixTest, ReadFailsWhenTheOtherEndIsGone) {
    OpenDefault(TransferMode::Receive);
    pty_.CloseMaster();
    EXPECT_EQ(port_->Read(100ms).status, ReadStatus::Failed);
    EXPECT_FALSE(port_->LastSystemError().empty());
}

TEST_F(SerialPortPosixTest, ClosedPortFailsEveryOperation) {
    EXPECT_EQ(port_->Read(0us).status, ReadStatus::Failed);
    EXPECT_EQ(port_->Write('A'), WriteStatus::Failed);
    EXPECT_FALSE(port_->WaitWritable(0us));
    EXPECT_EQ(port_->GetModemStatus(), std::nullopt);
    EXPECT_EQ(port_->OutputQueueLength(), -1);
}

TEST_F(SerialPortPosixTest, PerByteCallsAreFastEnoughForTheSendEngine) {
    OpenDefault();
    constexpr std::size_t kBytes = 50'000;
    std::thread machine([this] { pty_.Receive(kBytes, 20s); });
    const auto start = SteadyClock::now();
    std::size_t sent = 0;
    while (sent < kBytes) {
        ASSERT_TRUE(port_->GetModemStatus().has_value());
        port_->OutputQueueLength();
        const auto s = port_->Write(static_cast<std::uint8_t>('0' + sent % 10));
        if (s == WriteStatus::Written) {
            ++sent;
        } else {
            ASSERT_EQ(s, WriteStatus::Full);
            port_->WaitWritable(100ms);
        }
    }
    const auto took = SteadyClock::now() - start;
    machine.join();
    // 100 KB/s is the goal; a quarter of it leaves room for a loaded test machine.
    EXPECT_LT(took, 2s) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
}

TEST(SerialPortPosix, NameThatIsNoPortFailsToOpen) {
    auto port = CreateSystemSerialPort(HostConfig{});
    PortConfig config;
    config.portName = "LPT1";
    EXPECT_EQ(port->Open(config), PortError::OpenFailed);
    EXPECT_FALSE(port->CanOpen("LPT1"));
}

TEST(SerialPortPosix, FileThatIsNoTerminalFailsToOpen) {
    test::TempFolder folder;
    HostConfig hosts;
    hosts.ports[6] = folder.Write("not-a-tty", "x");
    auto port = CreateSystemSerialPort(hosts);
    PortConfig config;
    config.portName = "COM6";
    EXPECT_EQ(port->Open(config), PortError::OpenFailed);
    EXPECT_FALSE(port->CanOpen("COM6"));
}

TEST(SerialPortPosix, MissingDeviceShowsThePortName) {
    test::TempFolder folder;
    HostConfig hosts;
    hosts.ports[9] = folder.File("ttyMISSING");
    auto port = CreateSystemSerialPort(hosts);
    Settings settings;
    settings.Port = "COM9";
    const auto result = OpenCommPort(*port, settings, TransferMode::Send);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "COM9のポートが開きません。!!");
    EXPECT_NE(result.systemReason.find("ttyMISSING"), std::string::npos) << result.systemReason;
}

TEST(SerialPortPosix, ModemPortIsNotUsableEvenThoughItOpens) {
    PseudoTerminal pty;
    HostConfig hosts;
    hosts.ports[5] = pty.SlavePath();
    auto port = CreateSystemSerialPort(hosts);
    Settings settings;
    EXPECT_TRUE(PortUsable(*port, 5, settings));
    settings.ModemePort1 = "COM5";
    EXPECT_FALSE(PortUsable(*port, 5, settings));
    settings.ModemePort1.clear();
    settings.ModemePort2 = "COM5";
    EXPECT_FALSE(PortUsable(*port, 5, settings));
    EXPECT_FALSE(port->IsOpen());
}

// Against real hardware, only when KELVANTORI_TEST_PORT names the device (e.g. /dev/ttyUSB0).
TEST(SerialPortPosixHardware, EveryOfferedSpeedAndFormOpens) {
    const char* device = std::getenv("KELVANTORI_TEST_PORT");
    if (device == nullptr || *device == '\0')
        GTEST_SKIP() << "KELVANTORI_TEST_PORT not set";
    HostConfig hosts;
    hosts.ports[1] = device;
    auto port = CreateSystemSerialPort(hosts);
    for (const auto& speed : OfferedLineSettings()) {
        for (const auto mode : {TransferMode::Send, TransferMode::Receive}) {
            ASSERT_EQ(port->Open(ConfigFor("COM1", speed, mode)), PortError::None)
                << speed << ": " << port->LastSystemError();
            EXPECT_TRUE(port->GetModemStatus().has_value()) << speed;
            EXPECT_NE(port->Read(0us).status, ReadStatus::Failed) << speed;
            port->Close();
        }
    }
    ASSERT_EQ(port->Open(ConfigFor("COM1", "4800,7,E,2", TransferMode::Send)), PortError::None);
    EXPECT_GE(port->OutputQueueLength(), 0);
    EXPECT_EQ(port->Write(kDC4), WriteStatus::Written);
    auto other = CreateSystemSerialPort(hosts);
    EXPECT_FALSE(other->CanOpen("COM1"));
}

}  // namespace
}  // namespace kelvantori

// The POSIX serial port over a real pseudo-terminal pair: the line set-up, bytes each way,
// time-outs, exclusivity and the texts the operator reads when the port cannot be opened.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/CommPort.h"
#include "platform/HostConfig.h"
#include "support/PseudoTerminal.h"
#include "support/TempFolder.h"

namespace kelvantori {
namespace {

using namespace std::chrono_literals;
using test::PseudoTerminal;
using SteadyClock = std::chrono::steady_clock;

// COM5 is the pseudo-terminal behind a link (as a udev name would be), COM6 a plain file, COM9
// a device that does not exist.
class SerialPortPosixTest : public ::testing::Test {
  protected:
    SerialPortPosixTest() {
        const std::string link = folder_.File("ttyNC");
        EXPECT_EQ(symlink(pty_.SlavePath().c_str(), link.c_str()), 0);
        hosts_.ports[5] = link;
        hosts_.ports[6] = folder_.Write("not-a-tty", "x");
        hosts_.ports[9] = folder_.File("ttyMISSING");
        port_ = CreateSystemSerialPort(hosts_);
    }

    CommPortResult Open(TransferMode mode = TransferMode::Send, const char* speed = "4800,8,N,2",
                        const char* port = "COM5") {
        settings_.Port = port;
        settings_.Speed = speed;
        return OpenCommPort(*port_, settings_, mode);
    }

    // A read with the time it took.
    std::pair<ReadResult, SteadyClock::duration> TimedRead(std::chrono::microseconds timeout) {
        const auto start = SteadyClock::now();
        const auto r = port_->Read(timeout);
        return {r, SteadyClock::now() - start};
    }

    test::TempFolder folder_;
    PseudoTerminal pty_;
    HostConfig hosts_;
    Settings settings_;
    std::unique_ptr<SerialPort> port_;
};

constexpr auto kSend = TransferMode::Send;
constexpr auto kReceive = TransferMode::Receive;

// A raw line: received 0x11/0x13 reach the engines, the driver sends XOFF only in a receive.
// Data bits and parity a pseudo-terminal cannot carry still open; the rest is carried.
TEST_F(SerialPortPosixTest, OpensARawLine) {
    const struct {
        TransferMode mode;
        const char *speed, *dc3As93, *autoSelect;  // AutoSelect: DTR and RTS without modem lines
        std::vector<unsigned> termios;             // input, output, local and control flags; VSTOP
    } cases[] = {{kSend, "4800,8,N,2", "Y", "N", {0, 0, 0, CSTOPB | CLOCAL, 0x93}},
                 {kReceive, "4800,8,N,2", "N", "N", {IXOFF, 0, 0, CSTOPB | CLOCAL, 0x13}},
                 {kReceive, "9600,7,O,1", "Y", "N", {IXOFF, 0, 0, CLOCAL, 0x93}},
                 {kSend, "14400,7,E,3", "N", "Y", {0, 0, 0, CSTOPB | CLOCAL, 0x13}}};
    for (const auto& c : cases) {
        settings_.Dc3As93 = c.dc3As93;
        settings_.AutoSelect = c.autoSelect;
        const auto opened = Open(c.mode, c.speed);
        ASSERT_TRUE(opened.ok) << c.speed << ": " << opened.message << " " << opened.systemReason;
        EXPECT_EQ(opened.modem, (ModemStatus{true, true, true})) << c.speed;
        EXPECT_EQ(port_->OutputQueueLength(), -1) << c.speed;
        const termios t = pty_.SlaveTermios();
        EXPECT_EQ((std::vector<unsigned>{
                      t.c_iflag & (IXON | IXOFF | ISTRIP | ICRNL | INLCR | IGNCR | INPCK),
                      t.c_oflag & OPOST, t.c_lflag & (ICANON | ECHO | ISIG),
                      t.c_cflag & (CSTOPB | CLOCAL | CRTSCTS), t.c_cc[VSTOP]}),
                  c.termios)
            << c.speed;
        EXPECT_EQ((std::vector<int>{t.c_cc[VSTART], t.c_cc[VMIN], t.c_cc[VTIME]}),
                  (std::vector<int>{0x11, 0, 0}));
        port_->Close();
    }
}

TEST_F(SerialPortPosixTest, BytesPassUnchangedBothWaysAndNulIsNeverDelivered) {
    ASSERT_TRUE(Open(kReceive).ok);
    const std::string out = "\x93\x11\x13\x80\x0A\x0D\xA5\xFF%";
    for (const char c : out)
        ASSERT_EQ(port_->Write(static_cast<std::uint8_t>(c)), WriteStatus::Written);
    EXPECT_EQ(pty_.Receive(out.size(), 1s), out);

    pty_.Send(std::string("\x93\x13\x11\x0D\x0A\x80\xFF\0A\0\0B", 13));
    std::string got;
    for (auto r = port_->Read(100ms); r.status == ReadStatus::Byte; r = port_->Read(100ms))
        got.push_back(static_cast<char>(r.byte));
    EXPECT_EQ(got,
              "\x93\x13\x11\x0D\x0A\x80\xFF"
              "AB");
}

TEST_F(SerialPortPosixTest, ReadsWaitTheirTimeOutAndNoLonger) {
    ASSERT_TRUE(Open(kReceive).ok);
    auto [r, took] = TimedRead(0us);
    EXPECT_EQ(r.status, ReadStatus::TimedOut);
    EXPECT_LT(took, 50ms);
    pty_.Send(std::string(3, '\0'));  // NULs alone do not end the wait
    std::tie(r, took) = TimedRead(10ms);
    EXPECT_EQ(r.status, ReadStatus::TimedOut);
    EXPECT_GE(took, 10ms);
    EXPECT_LT(took, 200ms);

    std::thread machine([this] {
        std::this_thread::sleep_for(50ms);
        pty_.Send("%");
    });
    std::tie(r, took) = TimedRead(1s);
    machine.join();
    EXPECT_EQ(r.status, ReadStatus::Byte);
    EXPECT_EQ(r.byte, '%');
    EXPECT_GE(took, 40ms);
    EXPECT_LT(took, 900ms);
}

TEST_F(SerialPortPosixTest, SecondOpenIsRefusedEvenForRootUntilTheFirstCloses) {
    EXPECT_TRUE(port_->CanOpen("COM5"));
    EXPECT_FALSE(port_->IsOpen());  // the probe left it free
    ASSERT_TRUE(Open().ok);
    auto first = std::move(port_);
    port_ = CreateSystemSerialPort(hosts_);
    const auto refused = Open();
    EXPECT_EQ(refused.message, "COM5のポートが開きません。!!");
    EXPECT_NE(refused.systemReason.find("in use"), std::string::npos) << refused.systemReason;
    EXPECT_FALSE(port_->IsOpen());
    EXPECT_FALSE(port_->CanOpen("COM5"));
    first->Close();
    EXPECT_TRUE(port_->CanOpen("COM5"));
    EXPECT_TRUE(Open().ok);
}

TEST_F(SerialPortPosixTest, PortThatCannotBeOpenedShowsTheProgramsText) {
    const struct {
        const char *port, *speed, *message, *reason;  // reason: part of the system's words
    } cases[] = {{"COM9", "4800,8,N,2", "COM9のポートが開きません。!!", "ttyMISSING"},
                 {"COM6", "4800,8,N,2", "COM6のポートが開きません。!!", "not-a-tty"},
                 {"LPT1", "4800,8,N,2", "LPT1のポートが開きません。!!", "LPT1"},
                 {"COM5", "4800,9,N,2", "通信速度の設定エラー!!", "data bits"}};
    for (const auto& c : cases) {
        const auto result = Open(kSend, c.speed, c.port);
        EXPECT_FALSE(result.ok) << c.port;
        EXPECT_EQ(result.message, c.message);
        EXPECT_NE(result.systemReason.find(c.reason), std::string::npos) << result.systemReason;
        port_->Close();  // a failed set-up leaves the device open until then
        EXPECT_EQ(port_->CanOpen(c.port), std::string_view(c.port) == "COM5") << c.port;
    }
}

TEST_F(SerialPortPosixTest, FullWhileTheOtherEndStopsReadingThenWritableAgain) {
    ASSERT_TRUE(Open().ok);
    std::size_t written = 0;
    WriteStatus status = WriteStatus::Written;
    while (written < 10'000'000 && (status = port_->Write('A')) == WriteStatus::Written)
        ++written;
    ASSERT_EQ(status, WriteStatus::Full);
    EXPECT_FALSE(port_->WaitWritable(10ms));
    EXPECT_EQ(pty_.Receive(written, 5s).size(), written);
    EXPECT_TRUE(port_->WaitWritable(1s));
    EXPECT_EQ(port_->Write('B'), WriteStatus::Written);
}

TEST_F(SerialPortPosixTest, ClosedOrLostPortFailsEveryOperation) {
    EXPECT_EQ(port_->Read(0us).status, ReadStatus::Failed);
    EXPECT_EQ(port_->Write('A'), WriteStatus::Failed);
    EXPECT_FALSE(port_->WaitWritable(0us));
    EXPECT_EQ(port_->GetModemStatus(), std::nullopt);
    ASSERT_TRUE(Open(kReceive).ok);
    pty_.CloseMaster();
    EXPECT_EQ(port_->Read(100ms).status, ReadStatus::Failed);
    EXPECT_FALSE(port_->LastSystemError().empty());
}

}  // namespace
}  // namespace kelvantori

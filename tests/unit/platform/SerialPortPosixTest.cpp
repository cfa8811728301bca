// The POSIX serial port over a real pseudo-terminal pair: the line set-up, bytes each way,
// time-outs, exclusivity and the texts the operator reads when the port cannot be opened.
#include <gtest/gtest.h>
#include <sys/stat.h>
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

const std::string kInUse =
    "他のプログラムがこのポートを使っています。そのプログラムを終わらせてから、もう一度行ってくだ"
    "さい。";

TEST_F(SerialPortPosixTest, SecondOpenIsRefusedEvenForRootUntilTheFirstCloses) {
    EXPECT_TRUE(port_->CanOpen("COM5"));
    EXPECT_FALSE(port_->IsOpen());  // the probe left it free
    ASSERT_TRUE(Open().ok);
    auto first = std::move(port_);
    port_ = CreateSystemSerialPort(hosts_);
    const auto refused = Open();
    // Root is refused by the lock, everyone else already by the first open's exclusive mode:
    // both are the same "in use" for the user.
    EXPECT_EQ(refused.message, "COM5のポートが開きません。!!\n" + kInUse);
    EXPECT_FALSE(refused.systemReason.empty());
    EXPECT_FALSE(port_->IsOpen());
    EXPECT_FALSE(port_->CanOpen("COM5"));
    EXPECT_EQ(port_->LastOpenFailure(), OpenFailure::InUse);
    first->Close();
    EXPECT_TRUE(port_->CanOpen("COM5"));
    EXPECT_TRUE(Open().ok);
}

// What the user reads when the port does not open: the program's text, then why.
TEST_F(SerialPortPosixTest, PortThatCannotBeOpenedSaysWhy) {
    const auto held = CreateSystemSerialPort(hosts_);
    settings_.Port = "COM5";
    ASSERT_TRUE(OpenCommPort(*held, settings_, kReceive).ok);
    const struct {
        const char *name, *port, *speed;
        std::string message;
        const char* reason;  // part of the system's words
    } cases[] = {
        {"InUse", "COM5", "4800,8,N,2", "COM5のポートが開きません。!!\n" + kInUse, "ttyNC"},
        {"MissingDevice", "COM9", "4800,8,N,2",
         "COM9のポートが開きません。!!\nデバイスがありません。USB シリアル変換器が外れていないか、"
         "Host.ini の [Ports] の指定が正しいか確かめてください。",
         "ttyMISSING"},
        {"NotATerminal", "COM6", "4800,8,N,2",
         "COM6のポートが開きません。!!\nシリアルポートではありません。Host.ini の [Ports] "
         "の指定を確かめてください。",
         "not-a-tty"},
        {"NoSuchPortName", "LPT1", "4800,8,N,2",
         "LPT1のポートが開きません。!!\nポート名は COM1〜COM30 です。", "LPT1"},
        // The port's text comes first even when the line setting is wrong too.
        {"MissingDeviceAndBadSpeed", "COM9", "38400,8,N,2",
         "COM9のポートが開きません。!!\nデバイスがありません。USB シリアル変換器が外れていないか、"
         "Host.ini の [Ports] の指定が正しいか確かめてください。",
         "ttyMISSING"},
    };
    for (const auto& c : cases) {
        const auto result = Open(kSend, c.speed, c.port);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.message, c.message) << c.name;
        EXPECT_NE(result.systemReason.find(c.reason), std::string::npos)
            << c.name << ": " << result.systemReason;
        EXPECT_FALSE(port_->IsOpen()) << c.name;
    }
    held->Close();
    // A line setting the device refuses is a set-up failure of a port that did open.
    const auto setup = Open(kSend, "4800,9,N,2", "COM5");
    EXPECT_EQ(setup.message, "通信速度の設定エラー!!");
    EXPECT_NE(setup.systemReason.find("data bits"), std::string::npos) << setup.systemReason;
    port_->Close();  // a failed set-up leaves the device open until then
    EXPECT_TRUE(port_->CanOpen("COM5"));
}

// Root opens any device, so this runs in the unprivileged pass of .ci/run
// (scripts/test-unprivileged).
TEST_F(SerialPortPosixTest, DeviceWithoutPermissionSaysHowToJoinDialout) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens any device; scripts/test-unprivileged runs this";
    PseudoTerminal locked;
    ASSERT_EQ(::chmod(locked.SlavePath().c_str(), 0), 0);
    hosts_.ports[7] = locked.SlavePath();
    port_ = CreateSystemSerialPort(hosts_);
    const auto result = Open(kReceive, "4800,8,N,2", "COM7");
    EXPECT_EQ(result.message,
              "COM7のポートが開きません。!!\nこのポートを開く権限がありません。dialout グループに"
              "入ってください (sudo usermod -aG dialout $USER の後、ログインし直す)。");
    EXPECT_FALSE(port_->CanOpen("COM7"));
    EXPECT_EQ(port_->LastOpenFailure(), OpenFailure::NoPermission);
}

// The tty layer hands the written bytes on to the other end's buffer by a worker of its own, so
// for a moment after the first "full" the line may take bytes again without anyone reading: the
// line counts as full once it stays so. A loaded machine delays that worker by any amount.
TEST_F(SerialPortPosixTest, FullWhileTheOtherEndStopsReadingThenWritableAgain) {
    ASSERT_TRUE(Open().ok);
    std::size_t written = 0;
    const auto fill = [&] {
        WriteStatus status = WriteStatus::Written;
        while (written < 10'000'000 && (status = port_->Write('A')) == WriteStatus::Written)
            ++written;
        return status;
    };
    ASSERT_EQ(fill(), WriteStatus::Full);
    // Writable again only while the tty layer moves bytes along, never for good.
    for (int round = 1; port_->WaitWritable(50ms); ++round) {
        ASSERT_EQ(fill(), WriteStatus::Full);
        ASSERT_LT(round, 1000) << "the line never stays full";
    }
    EXPECT_EQ(pty_.Receive(written, 30s).size(), written);
    EXPECT_TRUE(port_->WaitWritable(30s));
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

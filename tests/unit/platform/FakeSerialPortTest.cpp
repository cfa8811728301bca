// The scripted port the engine tests rely on: its clock, its schedules and its record.
#include "support/FakeSerialPort.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kelvantori::test {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

PortConfig Config4800() {
    PortConfig config;
    config.portName = "COM1";
    config.line = {4800, 8, Parity::None, StopBits::Two};
    return config;
}

class FakeSerialPortTest : public ::testing::Test {
  protected:
    FakeSerialPortTest() : port_(clock_) {}
    void Open() { ASSERT_EQ(port_.Open(Config4800()), PortError::None); }

    ManualClock clock_;
    FakeSerialPort port_;
};

TEST_F(FakeSerialPortTest, ByteDueNowIsReturnedWithoutWaiting) {
    Open();
    port_.ArriveAt(0ns, "A");
    const auto r = port_.Read(10ms);
    EXPECT_EQ(r.status, ReadStatus::Byte);
    EXPECT_EQ(r.byte, 'A');
    EXPECT_EQ(clock_.Now(), 0ns);
}

TEST_F(FakeSerialPortTest, ReadMovesTheClockToAByteDueWithinItsTimeout) {
    Open();
    port_.ArriveAt(nanoseconds(3ms), "B");
    const auto r = port_.Read(10ms);
    EXPECT_EQ(r.byte, 'B');
    EXPECT_EQ(clock_.Now(), nanoseconds(3ms));
}

TEST_F(FakeSerialPortTest, ReadTimesOutAndMovesTheClockByItsTimeout) {
    Open();
    port_.ArriveAt(nanoseconds(50ms), "C");
    EXPECT_EQ(port_.Read(10ms).status, ReadStatus::TimedOut);
    EXPECT_EQ(clock_.Now(), nanoseconds(10ms));
    EXPECT_EQ(port_.Read(0us).status, ReadStatus::TimedOut);
    EXPECT_EQ(clock_.Now(), nanoseconds(10ms));
    EXPECT_EQ(port_.Read(1s).byte, 'C');
    EXPECT_EQ(clock_.Now(), nanoseconds(50ms));
    EXPECT_EQ(port_.Reads(), 3U);
}

TEST_F(FakeSerialPortTest, BytesComeOneByOneInScheduleOrder) {
    Open();
    port_.ArriveAt(nanoseconds(2ms), "cd");
    port_.ArriveAt(nanoseconds(1ms), "ab");
    std::string got;
    for (int i = 0; i < 4; ++i)
        got.push_back(static_cast<char>(port_.Read(10ms).byte));
    EXPECT_EQ(got, "abcd");
    EXPECT_EQ(port_.PendingBytes(), 0U);
}

TEST_F(FakeSerialPortTest, NulBytesAreNeverDelivered) {
    Open();
    port_.ArriveAt(nanoseconds(1ms), std::string("\0\0", 2));
    port_.ArriveAt(nanoseconds(4ms), "X");
    const auto r = port_.Read(10ms);
    EXPECT_EQ(r.byte, 'X');
    EXPECT_EQ(clock_.Now(), nanoseconds(4ms));
}

TEST_F(FakeSerialPortTest, BytesArriveAfterTheNthWrite) {
    Open();
    port_.ArriveAfterWrites(3, "\x93");
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(port_.Write('x'), WriteStatus::Written);
    EXPECT_EQ(port_.Read(10ms).status, ReadStatus::TimedOut);
    clock_.Advance(5ms);
    ASSERT_EQ(port_.Write('y'), WriteStatus::Written);
    const auto r = port_.Read(0us);
    EXPECT_EQ(r.status, ReadStatus::Byte);
    EXPECT_EQ(r.byte, 0x93);
}

TEST_F(FakeSerialPortTest, RecordsEveryWriteWithItsTime) {
    Open();
    port_.Write('G');
    clock_.Advance(2ms);
    port_.Write('0');
    EXPECT_EQ(port_.WrittenBytes(), "G0");
    ASSERT_EQ(port_.Written().size(), 2U);
    EXPECT_EQ(port_.Written()[0].time, 0ns);
    EXPECT_EQ(port_.Written()[1].time, nanoseconds(2ms));
}

TEST_F(FakeSerialPortTest, ModemLinesChangeOnTheirSchedules) {
    Open();
    EXPECT_EQ(port_.GetModemStatus(), (ModemStatus{true, true, true}));
    const ModemStatus noCarrier{.cts = true, .dsr = true, .carrier = false};
    const ModemStatus noDsr{.cts = true, .dsr = false, .carrier = false};
    port_.ModemAt(nanoseconds(5ms), noCarrier);
    port_.ModemAfterWrites(1, noDsr);
    EXPECT_EQ(port_.GetModemStatus(), (ModemStatus{true, true, true}));
    clock_.Advance(5ms);
    EXPECT_EQ(port_.GetModemStatus(), noCarrier);
    port_.Write('x');
    EXPECT_EQ(port_.GetModemStatus(), noDsr);
    port_.ModemAt(clock_.Now(), std::nullopt);
    EXPECT_EQ(port_.GetModemStatus(), std::nullopt);
}

TEST_F(FakeSerialPortTest, ReadFailuresComeAfterTheBytesBeforeThem) {
    Open();
    port_.ArriveAt(nanoseconds(1ms), "A");
    port_.FailReadsAt(nanoseconds(2ms), 2);
    port_.ArriveAt(nanoseconds(3ms), "B");
    EXPECT_EQ(port_.Read(10ms).byte, 'A');
    EXPECT_EQ(port_.Read(10ms).status, ReadStatus::Failed);
    EXPECT_EQ(clock_.Now(), nanoseconds(2ms));
    EXPECT_EQ(port_.Read(10ms).status, ReadStatus::Failed);
    EXPECT_EQ(port_.Read(10ms).byte, 'B');
}

TEST_F(FakeSerialPortTest, WritesFailFromTheGivenByte) {
    Open();
    port_.FailWritesFrom(2);
    EXPECT_EQ(port_.Write('a'), WriteStatus::Written);
    EXPECT_EQ(port_.Write('b'), WriteStatus::Written);
    EXPECT_EQ(port_.Write('c'), WriteStatus::Failed);
    EXPECT_EQ(port_.WrittenBytes(), "ab");
}

TEST_F(FakeSerialPortTest, FullForAWhileThenWritableAgain) {
    Open();
    port_.FullAfterWrites(1, nanoseconds(20ms));
    EXPECT_EQ(port_.Write('a'), WriteStatus::Written);
    EXPECT_EQ(port_.Write('b'), WriteStatus::Full);
    EXPECT_FALSE(port_.WaitWritable(5ms));
    EXPECT_EQ(clock_.Now(), nanoseconds(5ms));
    EXPECT_TRUE(port_.WaitWritable(100ms));
    EXPECT_EQ(clock_.Now(), nanoseconds(20ms));
    EXPECT_EQ(port_.Write('b'), WriteStatus::Written);
    EXPECT_EQ(port_.WrittenBytes(), "ab");
}

TEST_F(FakeSerialPortTest, OutputQueueDrainsOneCharacterTimePerByte) {
    Open();  // 4800 8N2: 11 bits, 2291666 ns a character
    for (int i = 0; i < 3; ++i)
        port_.Write('x');
    EXPECT_EQ(port_.OutputQueueLength(), 3);
    clock_.Advance(nanoseconds(2'291'666));
    EXPECT_EQ(port_.OutputQueueLength(), 2);
    clock_.Advance(nanoseconds(2 * 2'291'666));
    EXPECT_EQ(port_.OutputQueueLength(), 0);
    port_.SetOutputQueueUnknown(true);
    EXPECT_EQ(port_.OutputQueueLength(), -1);
}

TEST_F(FakeSerialPortTest, FullQueueTakesBytesAgainAsTheLineDrains) {
    Open();
    port_.SetQueueCapacity(2);
    EXPECT_EQ(port_.Write('a'), WriteStatus::Written);
    EXPECT_EQ(port_.Write('b'), WriteStatus::Written);
    EXPECT_EQ(port_.Write('c'), WriteStatus::Full);
    EXPECT_TRUE(port_.WaitWritable(10ms));
    EXPECT_EQ(clock_.Now(), nanoseconds(2'291'666));
    EXPECT_EQ(port_.Write('c'), WriteStatus::Written);
}

TEST_F(FakeSerialPortTest, RecordsOpensClosesAndAnswersCanOpen) {
    port_.SetOpenResult(PortError::SetupFailed, "tcsetattr: Invalid argument");
    EXPECT_EQ(port_.Open(Config4800()), PortError::SetupFailed);
    EXPECT_TRUE(port_.IsOpen());  // a failed set-up leaves the device open
    EXPECT_EQ(port_.LastSystemError(), "tcsetattr: Invalid argument");
    clock_.Advance(1ms);
    port_.Close();
    EXPECT_FALSE(port_.IsOpen());
    port_.SetOpenResult(PortError::OpenFailed);
    EXPECT_EQ(port_.Open(Config4800()), PortError::OpenFailed);
    EXPECT_FALSE(port_.IsOpen());
    ASSERT_EQ(port_.Opened().size(), 2U);
    EXPECT_EQ(port_.Opened()[0].line.speed, 4800);
    EXPECT_EQ(port_.Closes(), (std::vector<nanoseconds>{nanoseconds(1ms)}));

    port_.SetCanOpen("COM2", false);
    EXPECT_TRUE(port_.CanOpen("COM1"));
    EXPECT_FALSE(port_.CanOpen("COM2"));
    port_.SetCanOpen(false);
    EXPECT_FALSE(port_.CanOpen("COM1"));
}

TEST_F(FakeSerialPortTest, ClosedPortFails) {
    EXPECT_EQ(port_.Read(10ms).status, ReadStatus::Failed);
    EXPECT_EQ(port_.Write('a'), WriteStatus::Failed);
    EXPECT_EQ(port_.GetModemStatus(), std::nullopt);
    EXPECT_TRUE(port_.WrittenBytes().empty());
}

}  // namespace
}  // namespace kelvantori::test

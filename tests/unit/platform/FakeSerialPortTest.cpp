// The scripted port the engine tests rely on: its schedules move the clock, its record keeps
// every byte written with its time.
#include "support/FakeSerialPort.h"

#include <gtest/gtest.h>

namespace kelvantori::test {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

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
    EXPECT_EQ(port.Read(10ms).status, ReadStatus::TimedOut);
    EXPECT_EQ(clock.Now(), nanoseconds(13ms));
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
}  // namespace kelvantori::test

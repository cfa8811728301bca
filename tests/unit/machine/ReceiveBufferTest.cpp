#include "machine/ReceiveBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvantori::machine {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

// One character arriving at t, with the drain brought up to t first, as the machine does it.
struct Step {
    FlowSignal drained;
    ReceiveBuffer::Arrival arrival;
};
Step ArriveAt(ReceiveBuffer& buffer, nanoseconds t) {
    const FlowSignal drained = buffer.DrainUntil(t);
    return Step{drained, buffer.Arrive(t)};
}

TEST(ReceiveBufferTest, Dc3AtTheHighMarkAndDc1AtTheLowMark) {
    // Ten characters, DC3 at eight, DC1 at two; the controller takes one every 10 ms while
    // characters arrive every millisecond.
    ReceiveBuffer buffer(FlowSettings{10, 8, 2, 100.0});
    std::vector<int> dc3At;
    for (int i = 0; i <= 10; ++i) {
        const Step step = ArriveAt(buffer, std::chrono::milliseconds(i));
        EXPECT_EQ(step.drained, FlowSignal::None);
        EXPECT_TRUE(step.arrival.kept);
        if (step.arrival.signal == FlowSignal::SendDc3)
            dc3At.push_back(i);
    }
    // Fill after the character of millisecond i is i + 1 minus one per 10 ms drained: eight at
    // millisecond 7.
    EXPECT_EQ(dc3At, std::vector<int>{7});
    EXPECT_TRUE(buffer.Stopped());
    EXPECT_EQ(buffer.Fill(), 10u);
    // The characters of milliseconds 8, 9 and 10 came after DC3.
    EXPECT_EQ(buffer.Counters().overrunMax, 3u);
    EXPECT_EQ(buffer.Counters().overrunTotal, 3u);

    // Ten down to two takes eight characters: 80 ms after the drain at 10 ms.
    EXPECT_EQ(buffer.NextDc1Time(), 90ms);
    EXPECT_EQ(buffer.DrainUntil(89ms), FlowSignal::None);
    EXPECT_EQ(buffer.Fill(), 3u);
    EXPECT_EQ(buffer.DrainUntil(90ms), FlowSignal::SendDc1);
    EXPECT_EQ(buffer.Fill(), 2u);
    EXPECT_FALSE(buffer.Stopped());
    EXPECT_EQ(buffer.NextDc1Time(), std::nullopt);
    EXPECT_EQ(buffer.Counters().dc3Sent, 1u);
    EXPECT_EQ(buffer.Counters().dc1Sent, 1u);
}

TEST(ReceiveBufferTest, OverrunIsCountedPerEpisode) {
    ReceiveBuffer buffer(FlowSettings{100, 4, 1, 1000.0});
    nanoseconds t = 0ms;
    // Episode one: four characters at once reach the mark, three more follow.
    for (int i = 0; i < 7; ++i)
        ArriveAt(buffer, t);
    ASSERT_TRUE(buffer.Stopped());
    t += 1s;  // drains empty: DC1
    ASSERT_EQ(buffer.DrainUntil(t), FlowSignal::SendDc1);
    // Episode two: five follow the DC3.
    for (int i = 0; i < 9; ++i)
        ArriveAt(buffer, t);
    EXPECT_EQ(buffer.Counters().dc3Sent, 2u);
    EXPECT_EQ(buffer.Counters().overrunMax, 5u);
    EXPECT_EQ(buffer.Counters().overrunTotal, 8u);
}

TEST(ReceiveBufferTest, ACharacterArrivingAtAFullBufferIsLost) {
    ReceiveBuffer buffer(FlowSettings{4, 4, 1, 1.0});
    std::vector<bool> kept;
    for (int i = 0; i < 6; ++i)
        kept.push_back(ArriveAt(buffer, 0ms).arrival.kept);
    EXPECT_EQ(kept, (std::vector<bool>{true, true, true, true, false, false}));
    EXPECT_EQ(buffer.Counters().lost, 2u);
    EXPECT_EQ(buffer.Counters().overrunTotal, 2u);
    // One second later there is room for one again.
    EXPECT_TRUE(ArriveAt(buffer, 1s).arrival.kept);
}

TEST(ReceiveBufferTest, AnInstantDrainNeverFillsTheBuffer) {
    ReceiveBuffer buffer(FlowSettings{8, 4, 1, 0.0});
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(ArriveAt(buffer, 0ms).arrival.signal, FlowSignal::None);
    EXPECT_EQ(buffer.Fill(), 0u);
    EXPECT_EQ(buffer.Counters().dc3Sent, 0u);
}

TEST(ReceiveBufferTest, BlankTapeTakesNoRoom) {
    ReceiveBuffer buffer(FlowSettings{8, 4, 1, 1.0});
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(buffer.Arrive(0ms, false).kept);
    EXPECT_EQ(buffer.Fill(), 0u);
    EXPECT_FALSE(buffer.Stopped());
}

TEST(ReceiveBufferTest, AnEmptyBufferBanksNoDrainTime) {
    ReceiveBuffer buffer(FlowSettings{10, 3, 1, 1.0});
    // After a minute of silence three characters at once still reach the mark.
    EXPECT_EQ(ArriveAt(buffer, 60s).arrival.signal, FlowSignal::None);
    EXPECT_EQ(ArriveAt(buffer, 60s).arrival.signal, FlowSignal::None);
    EXPECT_EQ(ArriveAt(buffer, 60s).arrival.signal, FlowSignal::SendDc3);
}

TEST(ReceiveBufferTest, NoBufferMeansNoFlowControl) {
    ReceiveBuffer buffer(FlowSettings{0, 0, 0, 1.0});
    for (int i = 0; i < 1000; ++i) {
        const Step step = ArriveAt(buffer, 0ms);
        EXPECT_TRUE(step.arrival.kept);
        EXPECT_EQ(step.arrival.signal, FlowSignal::None);
    }
    EXPECT_EQ(buffer.Counters().lost, 0u);
}

}  // namespace
}  // namespace kelvantori::machine

#include "Devices/MeasurementStack.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TVELTMeasurement Tagged(uint16_t serial, uint32_t type = 1)
{
    TVELTMeasurement m = ZeroMeasurement();
    m.SerialNumber = serial;
    m.DeviceType = type;
    m.Probe.nMeasure = serial * 7u;
    return m;
}

} // namespace

TEST(MeasurementStack, LastInFirstOutFullDropsEmptyLeavesDestination)
{
    TMeasurementStack stack;
    TStackHooks h = stack.Hooks();
    EXPECT_EQ(h.Capacity, 5460);
    EXPECT_FALSE(PushMeasurement(h, nullptr));

    TVELTMeasurement a = Tagged(1), b = Tagged(2), c = Tagged(3);
    ASSERT_TRUE(PushMeasurement(h, &a));
    ASSERT_TRUE(PushMeasurement(h, &b));
    ASSERT_TRUE(PushMeasurement(h, &c));
    TVELTMeasurement out;
    for (uint16_t expected : {3, 2, 1}) {
        ASSERT_TRUE(PopMeasurement(h, &out));
        EXPECT_EQ(out.SerialNumber, expected);
    }
    std::memset(&out, 0xAA, sizeof out);
    EXPECT_FALSE(PopMeasurement(h, &out));
    for (size_t i = 0; i < sizeof out; ++i)
        ASSERT_EQ(reinterpret_cast<unsigned char*>(&out)[i], 0xAA) << "destination touched at byte " << i;
    EXPECT_FALSE(PopMeasurement(h, nullptr));

    for (int i = 0; i < 5460; ++i) {
        TVELTMeasurement m = Tagged(uint16_t(i));
        ASSERT_TRUE(PushMeasurement(h, &m));
    }
    TVELTMeasurement extra = Tagged(60000);
    EXPECT_FALSE(PushMeasurement(h, &extra));
    EXPECT_EQ(StackCount(h), 5460);
    ASSERT_TRUE(PopMeasurement(h, &out));
    EXPECT_EQ(out.SerialNumber, 5459) << "the dropped record never entered the stack";
}

TEST(MeasurementStack, ManyPushersOnePopperLoseNothingAndTearNothing)
{
    TMeasurementStack stack;
    TStackHooks h = stack.Hooks();
    constexpr int kThreads = 8, kEach = 2000;
    std::atomic<int> stored{0};
    std::atomic<bool> done{false};
    std::vector<std::thread> pushers;
    for (int t = 0; t < kThreads; ++t)
        pushers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                TVELTMeasurement m = Tagged(uint16_t(i), uint32_t(t));
                stored += PushMeasurement(h, &m) ? 1 : 0;
            }
        });
    int popped = 0;
    bool torn = false;
    std::thread popper([&] {
        TVELTMeasurement m;
        for (;;) {
            if (PopMeasurement(h, &m)) {
                ++popped;
                torn |= m.Probe.nMeasure != m.SerialNumber * 7u;
            } else if (done) {
                if (!PopMeasurement(h, &m))
                    break;
                ++popped;
            }
        }
    });
    for (auto& p : pushers)
        p.join();
    done = true;
    popper.join();
    EXPECT_FALSE(torn);
    EXPECT_EQ(popped, stored.load());
    EXPECT_EQ(StackCount(h), 0);
}

TEST(MeasurementStack, WaitForAnEmptyStackGivesUpWhenStopped)
{
    TMeasurementStack stack;
    TStackHooks h = stack.Hooks();
    TVELTMeasurement m = Tagged(1);
    PushMeasurement(h, &m);
    int sleeps = 0;
    bool stop = false;
    // Nobody pops any more (the manager has ended): the wait must end when its thread is told to.
    EXPECT_FALSE(WaitStackEmpty(h, [&] { return stop; }, [&](int ms) { EXPECT_EQ(ms, 10); if (++sleeps == 3) stop = true; }));
    EXPECT_EQ(sleeps, 3);
    PopMeasurement(h, &m);
    EXPECT_TRUE(WaitStackEmpty(h, [] { return false; }, [](int) {}));
}

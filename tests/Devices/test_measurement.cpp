#include "Devices/Measurement.h"
#include "Devices/MeasurementStack.h"
#include "platform/rtl/CodePage.h"

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

TEST(Measurement, ModelIsCutToElevenBytesWithoutTouchingTheNextField)
{
    TVELTMeasurement m = ZeroMeasurement();
    m.VerificationDate = 12345.5;
    const QByteArray type = rtl::toCp1251(QString::fromUtf8("VELT-B АЛКОЗАМОК"));
    ASSERT_EQ(type.size(), 16);
    SetMeasurementText(m.Model, type.constData(), size_t(type.size()));
    EXPECT_EQ(QByteArray(m.Model), type.left(11));
    EXPECT_EQ(rtl::fromCp1251(QByteArray(m.Model)), QString::fromUtf8("VELT-B АЛКО"));
    EXPECT_EQ(m.Model[11], '\0');
    EXPECT_EQ(m.VerificationDate, 12345.5);
}

TEST(Measurement, RoundToStep)
{
    struct Case { float v, s; double expected; };
    const Case cases[] = {
        {0.1234f, 0.001f, 0.123}, {-0.12f, 0.01f, 0.12}, {0.0449f, 0.005f, 0.045}, {0.0f, 0.01f, 0.0},
        // A step of 0 (constants not read) or a quotient beyond 32 bits keeps the value instead of filing 0.
        {0.5f, 0.0f, 0.5}, {-0.25f, 0.0f, 0.25}, {1.0e9f, 1.0e-6f, 1.0e9}, {0.3f, -0.01f, 0.3},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(RoundToStep(c.v, c.s), c.expected, 1e-6 * (1 + c.expected)) << c.v << " / " << c.s;
}

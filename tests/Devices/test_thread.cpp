#include "Devices/Thread.h"
#include "DevicesTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace std::chrono;

namespace {

// Counts the passes of its loop; parks where a hold is asked for, or for good after `parkAfter` passes.
class Worker : public TThread {
public:
    std::atomic<int> passes{0};
    std::atomic<int> parkAfter{-1};
    std::atomic<bool> synchronizing{false};
    ~Worker() override { Stop(); }

protected:
    void Execute() override
    {
        while (!Terminated()) {
            ++passes;
            if (synchronizing)
                Synchronize([] {});
            if (passes == parkAfter)
                SuspendSelf();
            Sleep(1);
            HoldPoint();
        }
    }
};

long long Ms(steady_clock::time_point t)
{
    return duration_cast<milliseconds>(steady_clock::now() - t).count();
}

} // namespace

TEST(Thread, ANeverStartedThreadIsFreedWithoutRunning)
{
    auto w = std::make_unique<Worker>();
    EXPECT_TRUE(w->Suspended());
    w->Terminate();
    w->WaitFor();
    EXPECT_EQ(w->passes, 0);
    w->Resume(); // too late: an ended thread does not start
    EXPECT_FALSE(w->Started());
}

TEST(Thread, AHeldThreadIsWokenJoinedAndFreedWithoutRunningItsLoopAgain)
{
    for (int round = 0; round < 10; ++round) {
        auto w = std::make_unique<Worker>();
        w->Resume();
        ASSERT_TRUE(devtest::Pump([&] { return w->passes > 2; }));
        w->RequestHold();
        ASSERT_TRUE(w->WaitHeld(milliseconds(30000)));
        EXPECT_TRUE(w->Suspended());
        const int passes = w->passes;
        const auto t = steady_clock::now();
        w->Stop(); // terminate, wake, join: what freeing it does
        EXPECT_LT(Ms(t), testutil::kPromptMs);
        EXPECT_TRUE(w->Finished());
        EXPECT_EQ(w->passes, passes);
        w.reset();
    }
}

TEST(Thread, ResumeWakesAHeldThreadAndIsNotLostWhenItComesEarly)
{
    Worker w;
    w.Resume();
    ASSERT_TRUE(devtest::Pump([&] { return w.passes > 1; }));
    w.RequestHold();
    ASSERT_TRUE(w.WaitHeld(milliseconds(30000)));
    const int held = w.passes;
    devtest::Pump([] { return false; }, 30);
    EXPECT_EQ(w.passes, held) << "a held thread does not run";
    w.Resume();
    ASSERT_TRUE(devtest::Pump([&] { return w.passes > held + 2; }));

    // A Resume that comes before the thread parks itself makes that park return at once.
    w.parkAfter = w.passes + 50;
    w.Resume();
    ASSERT_TRUE(devtest::Pump([&] { return w.passes > w.parkAfter + 2; }, 30000));
}

TEST(Thread, WaitForOnTheMainThreadServesAThreadBlockedInSynchronize)
{
    for (int round = 0; round < 10; ++round) {
        Worker w;
        w.synchronizing = true;
        w.Resume();
        ASSERT_TRUE(devtest::Pump([&] { return w.passes > 3; }));
        // The worker is most likely inside Synchronize now; the main thread does not run the queue itself.
        const auto t = steady_clock::now();
        w.Stop();
        EXPECT_LT(Ms(t), testutil::kPromptMs);
        EXPECT_TRUE(w.Finished());
    }
}

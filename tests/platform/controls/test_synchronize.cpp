#include "platform/controls/Synchronize.h"

#include <gtest/gtest.h>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(Synchronize, OnTheMainThreadRunsAtOnce)
{
    ASSERT_TRUE(ctl::IsMainThread());
    int ran = 0;
    ctl::Synchronize([&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(ctl::PendingSynchronizeCalls(), 0);
}

TEST(Synchronize, WorkerCallsRunOnTheMainThreadInOrderWhileItWaits)
{
    std::vector<int> order;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        EXPECT_FALSE(ctl::IsMainThread());
        for (int i = 0; i < 50; ++i)
            ctl::Synchronize([&, i] {
                EXPECT_TRUE(ctl::IsMainThread());
                order.push_back(i);
            });
        finished = true;
    });
    // The main thread waits for the worker and serves its calls meanwhile: no deadlock.
    EXPECT_TRUE(ctl::WaitServing([&] { return finished.load(); }, 5s));
    worker.join();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[size_t(i)], i);
}

TEST(Synchronize, TheEventLoopRunsQueuedCalls)
{
    QEventLoop loop;
    bool ran = false;
    std::thread worker([&] {
        ctl::Synchronize([&] { ran = true; });
        // Quitting from the main thread through a second call keeps the loop object on its own thread.
        ctl::Synchronize([&] { loop.quit(); });
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(5000);
    loop.exec();
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(guard.isActive()) << "the loop ended by the guard, not by the queued call";
}

TEST(Synchronize, AnExceptionReachesTheWorker)
{
    std::atomic<bool> caught{false}, finished{false};
    std::thread worker([&] {
        try {
            ctl::Synchronize([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& e) {
            caught = std::string(e.what()) == "boom";
        }
        finished = true;
    });
    EXPECT_TRUE(ctl::WaitServing([&] { return finished.load(); }, 5s));
    worker.join();
    EXPECT_TRUE(caught);
}

TEST(Synchronize, WaitServingTimesOutAndElsewhereDoesNotRunTheQueue)
{
    EXPECT_FALSE(ctl::WaitServing([] { return false; }, 20ms));
    // A worker's WaitServing must never run main-thread calls.
    std::atomic<int> ranOn{0};
    std::atomic<bool> queued{false}, done{false};
    std::thread caller([&] {
        queued = true;
        ctl::Synchronize([&] { ranOn = ctl::IsMainThread() ? 1 : 2; });
        done = true;
    });
    std::thread other([&] { ctl::WaitServing([&] { return false; }, 50ms); });
    other.join();
    EXPECT_TRUE(ctl::WaitServing([&] { return done.load(); }, 5s));
    caller.join();
    EXPECT_EQ(ranOn.load(), 1);
}

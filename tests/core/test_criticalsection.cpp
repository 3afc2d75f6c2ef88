#include "core/CriticalSection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(CritSection, ReentrantForItsOwnerOnly)
{
    critsection_t cs;
    cs.Enter();
    cs.Enter();
    EXPECT_TRUE(cs.TryEnter()); // the owner may enter again
    cs.Leave();
    auto tryFromOther = [&cs] {
        bool got = false;
        std::thread([&] {
            got = cs.TryEnter();
            if (got)
                cs.Leave();
        }).join();
        return got;
    };
    EXPECT_FALSE(tryFromOther());
    cs.Leave();
    EXPECT_FALSE(tryFromOther()); // still held once
    cs.Leave();
    EXPECT_TRUE(tryFromOther());

    // Enter waits for the holder and then excludes the others.
    std::atomic<int> inside{0}, most{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 2000; ++k) {
                cs.Enter();
                const int now = ++inside;
                if (now > most)
                    most = now;
                --inside;
                cs.Leave();
            }
        });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(most, 1);
}

TEST(CritSection, AGuardLeavesOnceHoweverItsScopeEndsAndAdoptsAnEntryAlreadyMade)
{
    critsection_t cs;
    auto freeForOthers = [&cs] {
        bool got = false;
        std::thread([&] {
            got = cs.TryEnter();
            if (got)
                cs.Leave();
        }).join();
        return got;
    };
    try {
        TCritLock held(cs);
        throw std::runtime_error("failed inside");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(freeForOthers());
    ASSERT_TRUE(cs.TryEnter());
    {
        TCritLock held(cs, std::adopt_lock);
        EXPECT_FALSE(freeForOthers());
    }
    EXPECT_TRUE(freeForOthers());
}

#include "core/CriticalSection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Whether another thread could enter now.
bool freeForOthers(critsection_t& cs)
{
    bool got = false;
    std::thread([&] {
        got = cs.TryEnter();
        if (got)
            cs.Leave();
    }).join();
    return got;
}

} // namespace

TEST(CritSection, ReentrantForItsOwnerOnly)
{
    critsection_t cs;
    cs.Enter();
    cs.Enter();
    EXPECT_TRUE(cs.TryEnter()); // the owner may enter again
    cs.Leave();
    EXPECT_FALSE(freeForOthers(cs));
    cs.Leave();
    EXPECT_FALSE(freeForOthers(cs)); // still held once
    cs.Leave();
    EXPECT_TRUE(freeForOthers(cs));

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
    try {
        TCritLock held(cs);
        throw std::runtime_error("failed inside");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(freeForOthers(cs));
    ASSERT_TRUE(cs.TryEnter());
    {
        TCritLock held(cs, std::adopt_lock);
        EXPECT_FALSE(freeForOthers(cs));
    }
    EXPECT_TRUE(freeForOthers(cs));
}

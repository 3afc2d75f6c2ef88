#include "platform/rtl/ScopeGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Runs work under a guard that counts its runs, optionally dismissing it once the work is done.
int runsOf(bool fail, bool dismiss)
{
    int runs = 0;
    try {
        rtl::TScopeGuard guard([&] { ++runs; });
        if (fail)
            throw Failure("work");
        if (dismiss)
            guard.Dismiss();
    } catch (const Failure&) {
    }
    return runs;
}

} // namespace

TEST(ScopeGuard, RunsOnceOnEveryExitUnlessDismissedFirst)
{
    EXPECT_EQ(runsOf(false, false), 1);
    EXPECT_EQ(runsOf(true, false), 1);
    EXPECT_EQ(runsOf(false, true), 0);
    // Dismissed only after the work succeeded: a failure still undoes it.
    EXPECT_EQ(runsOf(true, true), 1);
}

TEST(ScopeGuard, AFailingRestoreIsReportedUnlessAnEarlierErrorIsOnItsWay)
{
    auto arrives = [](auto work) -> std::string {
        try {
            work();
        } catch (const Failure& e) {
            return e.what();
        }
        return "nothing";
    };
    // Nothing else failed: the restore's error is the caller's to see.
    EXPECT_EQ(arrives([] { rtl::TScopeGuard guard([] { throw Failure("restore"); }); }), "restore");
    // The work failed first: its error arrives, and a second one in flight does not end the program.
    EXPECT_EQ(arrives([] {
                  rtl::TScopeGuard guard([] { throw Failure("restore"); });
                  throw Failure("work");
              }),
              "work");
    // A guard made inside a handler judges by what was in flight when it was made.
    EXPECT_EQ(arrives([] {
                  try {
                      throw Failure("first");
                  } catch (const Failure&) {
                      rtl::TScopeGuard guard([] { throw Failure("restore"); });
                  }
              }),
              "restore");
}

#include "core/ConvertTimeLong.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <thread>
#include <vector>

using rtl::SystemTime;

namespace {

SystemTime at(int y, int m, int d, int h = 0, int n = 0, int s = 0)
{
    return SystemTime{uint16_t(y), uint16_t(m), 3, uint16_t(d), uint16_t(h), uint16_t(n), uint16_t(s), 500};
}

std::string text(const SystemTime& st)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d dow%d ms%d", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond, st.wDayOfWeek, st.wMilliseconds);
    return buf;
}

// Sets TZ for the life of the object.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (old)
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (hadOld_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
private:
    bool hadOld_ = false;
    std::string old_;
};

} // namespace

TEST(LongTime, KnownPairsBothWays)
{
    struct Case { SystemTime st; LongTime t; const char* journal; const char* plain; };
    const Case cases[] = {
        {at(1971, 6, 16), 0, "1971.06.16 00:00:00", "16.6.1971 0:0:0"},
        {at(2000, 1, 1), 900806400, "2000.01.01 00:00:00", "1.1.2000 0:0:0"},
        {at(2010, 8, 5), 1235088000, "2010.08.05 00:00:00", "5.8.2010 0:0:0"},
        {at(2010, 8, 5, 9, 5, 0), 1235120700, "2010.08.05 09:05:00", "5.8.2010 9:5:0"},
        {at(2000, 2, 29, 12, 34, 56), 905949296, "2000.02.29 12:34:56", "29.2.2000 12:34:56"},
        {at(2000, 3, 1), 905990400, "2000.03.01 00:00:00", "1.3.2000 0:0:0"},
        {at(2010, 3, 15, 9, 30, 0), 1222767000, "2010.03.15 09:30:00", "15.3.2010 9:30:0"},
        {at(2039, 7, 4, 3, 14, 8), 2147483648u, "2039.07.04 03:14:08", "4.7.2039 3:14:8"}, // first with bit 31
        {at(2107, 7, 23, 6, 28, 15), 4294967295u, "2107.07.23 06:28:15", "23.7.2107 6:28:15"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SystemTimeToLong(c.st), c.t) << text(c.st);
        SystemTime back{9, 9, 9, 9, 9, 9, 9, 9};
        EXPECT_EQ(&LongToSystemTime(c.t, back), &back);
        SystemTime expected = c.st;
        expected.wDayOfWeek = 0; // neither is kept
        expected.wMilliseconds = 0;
        EXPECT_EQ(text(back), text(expected)) << c.t;
        EXPECT_EQ(LongToDateTimeString(c.t), QString(c.journal)) << c.t;
        EXPECT_EQ(LongToDateString(c.t), QString(c.plain)) << c.t;
    }
    // 29 February and 1 March are consecutive days.
    EXPECT_EQ(SystemTimeToLong(at(2000, 3, 1)) - SystemTimeToLong(at(2000, 2, 29)), 86400u);
    EXPECT_EQ(SystemTimeToLong(at(2012, 3, 1)) - SystemTimeToLong(at(2012, 2, 29)), 86400u);
}

TEST(LongTime, OutsideTheRangeWrapsModulo2To32)
{
    EXPECT_EQ(SystemTimeToLong(at(1971, 6, 15, 23, 59, 59)), 4294967295u);
    EXPECT_EQ(SystemTimeToLong(at(1970, 1, 1)), 4249088896u);
    EXPECT_EQ(LongToDateTimeString(4249088896u), "2106.02.07 06:28:16");
    EXPECT_EQ(SystemTimeToLong(at(2107, 7, 23, 6, 28, 16)), 0u);
}

TEST(LongTime, ExactInversesOverTheWholeRange)
{
    auto roundTrip = [](LongTime t) {
        SystemTime st;
        LongToSystemTime(t, st);
        return SystemTimeToLong(st);
    };
    for (uint64_t t = 0; t < 1000000; t += 997)
        ASSERT_EQ(roundTrip(LongTime(t)), t);
    for (uint64_t t = 4294967295u - 1000000; t <= 4294967295u; t += 991)
        ASSERT_EQ(roundTrip(LongTime(t)), t);
    ASSERT_EQ(roundTrip(4294967295u), 4294967295u);
    std::mt19937 gen(20100805);
    for (int i = 0; i < 200000; ++i) {
        const LongTime t = gen();
        ASSERT_EQ(roundTrip(t), t);
    }
    // Every day of the range, and each day's text, in order.
    SystemTime prev{};
    LongToSystemTime(0, prev);
    for (uint64_t t = 86400; t <= 4294967295u; t += 86400) {
        SystemTime st;
        LongToSystemTime(LongTime(t), st);
        ASSERT_GT(LongToDateTimeString(LongTime(t)), LongToDateTimeString(LongTime(t - 86400)));
        ASSERT_EQ(SystemTimeToLong(st), t);
    }
}

TEST(LongTime, NoTimeZoneAnywhere)
{
    // 02:30 of 2010-03-28 did not exist on the clocks of Moscow (02:00 became 03:00); the instrument's time
    // is a plain count, so it still reads 02:30 whatever zone the machine is in.
    ZoneGuard zone("Europe/Moscow");
    const LongTime t = 1223865000;
    EXPECT_EQ(SystemTimeToLong(at(2010, 3, 28, 2, 30, 0)), t);
    EXPECT_EQ(LongToDateTimeString(t), "2010.03.28 02:30:00");
    SystemTime st;
    LongToSystemTime(t, st);
    int y, m, d, h, n, s, ms;
    rtl::DecodeDateTime(rtl::SystemTimeToDateTime(st), y, m, d, h, n, s, ms);
    EXPECT_EQ(std::vector<int>({y, m, d, h, n, s, ms}), std::vector<int>({2010, 3, 28, 2, 30, 0, 0}));
}

TEST(LongTime, StoredDateTimeDecodesToTheSameSecond)
{
    // Through the date-time value the drivers keep, every second of a day comes back unchanged.
    const LongTime day = 1235088000; // 2010-08-05
    for (LongTime t = day; t < day + 86400; ++t) {
        SystemTime st;
        LongToSystemTime(t, st);
        const rtl::TDateTime stored = rtl::SystemTimeToDateTime(st);
        SystemTime back{};
        rtl::DateTimeToSystemTime(stored, back);
        ASSERT_EQ(back.wMilliseconds, 0) << t;
        ASSERT_EQ(SystemTimeToLong(back), t);
    }
}

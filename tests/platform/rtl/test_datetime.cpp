#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace rtl;

TEST(DateTime, EncodesDaysFromTheEpochDay)
{
    struct Case { int y, m, d; double days; };
    const Case cases[] = {
        {1899, 12, 30, 0},     {1899, 12, 31, 1},   {1900, 1, 1, 2},       {1900, 3, 1, 61},
        {1971, 6, 16, 26100},  {2000, 2, 29, 36585}, {2000, 3, 1, 36586},  {2010, 8, 5, 40395},
        {1, 1, 1, -693593},    {9999, 12, 31, 2958465},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        int y, m, d;
        DecodeDate(c.days, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d) << c.days;
    }
    EXPECT_EQ(EncodeDateTime(2010, 8, 5, 12, 0, 0, 0), 40395.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateTime, RejectsInvalidFields)
{
    TDateTime out = 123;
    struct DateCase { int y, m, d; bool ok; };
    const DateCase dates[] = {
        {2000, 2, 29, true}, {2010, 2, 29, false}, {1900, 2, 29, false}, {2004, 2, 29, true},
        {0, 1, 1, false},    {10000, 1, 1, false}, {2010, 0, 1, false},  {2010, 13, 1, false},
        {2010, 4, 31, false}, {2010, 1, 0, false},
    };
    for (const DateCase& c : dates) {
        EXPECT_EQ(TryEncodeDate(c.y, c.m, c.d, out), c.ok) << c.y << "-" << c.m << "-" << c.d;
        if (!c.ok)
            EXPECT_THROW(EncodeDate(c.y, c.m, c.d), EConvertError);
    }
    EXPECT_TRUE(TryEncodeTime(23, 59, 59, 999, out));
    struct TimeCase { int h, n, s, ms; };
    for (const TimeCase& t : {TimeCase{24, 0, 0, 0}, TimeCase{0, 60, 0, 0}, TimeCase{0, 0, 60, 0},
                              TimeCase{0, 0, 0, 1000}, TimeCase{-1, 0, 0, 0}}) {
        EXPECT_FALSE(TryEncodeTime(t.h, t.n, t.s, t.ms, out));
        EXPECT_THROW(EncodeTime(t.h, t.n, t.s, t.ms), EConvertError);
    }
    EXPECT_THROW(EncodeDateTime(2010, 2, 30, 0, 0, 0, 0), EConvertError);
    EXPECT_THROW(SystemTimeToDateTime(SystemTime{2010, 8, 0, 5, 24, 0, 0, 0}), EConvertError);
    // EConvertError is a standard exception for callers that catch those.
    EXPECT_THROW(EncodeDate(2010, 2, 30), std::runtime_error);

    struct LeapCase { int y; bool leap; int feb; };
    for (const LeapCase& c : {LeapCase{1900, false, 28}, LeapCase{2000, true, 29}, LeapCase{2010, false, 28},
                              LeapCase{2012, true, 29}, LeapCase{2100, false, 28}}) {
        EXPECT_EQ(IsLeapYear(c.y), c.leap) << c.y;
        EXPECT_EQ(DaysInMonth(c.y, 2), c.feb) << c.y;
    }
    EXPECT_EQ(DaysInMonth(2010, 4), 30);
    EXPECT_EQ(DaysInMonth(2010, 12), 31);
    EXPECT_EQ(DaysInMonth(2010, 13), 0);
}

TEST(DateTime, DecodingRoundsToTheMillisecond)
{
    // Every second of a day, and every millisecond of one second, decodes to what was encoded:
    // truncating the fraction instead gives 11:59:59.999 for a stored 12:00:00 and a wrong second for half
    // the seconds of a day.
    const TDateTime day = EncodeDate(2010, 8, 5);
    for (int s = 0; s < 86400; ++s) {
        const TDateTime v = EncodeDateTime(2010, 8, 5, s / 3600, s / 60 % 60, s % 60, 0);
        int y, m, d, h, n, sec, ms;
        DecodeDateTime(v, y, m, d, h, n, sec, ms);
        ASSERT_EQ((h * 60 + n) * 60 + sec, s);
        ASSERT_EQ(ms, 0);
        ASSERT_EQ(d, 5);
    }
    for (int ms = 0; ms < 1000; ++ms) {
        int h, n, s, got;
        DecodeTime(day + EncodeTime(12, 0, 0, ms), h, n, s, got);
        ASSERT_EQ(got, ms);
        ASSERT_EQ(h, 12);
    }
    // A value a hair below midnight is the next day at 00:00:00.000.
    int y, m, d, h, n, s, ms;
    DecodeDateTime(std::nextafter(day + 1, 0.0), y, m, d, h, n, s, ms);
    EXPECT_EQ(std::vector<int>({y, m, d, h, n, s, ms}), std::vector<int>({2010, 8, 6, 0, 0, 0, 0}));
    DecodeDateTime(day + 0.4999999999, y, m, d, h, n, s, ms);
    EXPECT_EQ(std::vector<int>({d, h, n, s, ms}), std::vector<int>({5, 12, 0, 0, 0}));
    // Exact halves of a millisecond go to the even one, on both sides of day 0.
    for (int k = 0; k < 10; ++k) {
        const int even = k % 2 == 0 ? k : k + 1;
        DecodeTime((k + 0.5) / 86400000.0, h, n, s, ms);
        EXPECT_EQ(ms, even) << k;
        DecodeTime(-(k + 0.5) / 86400000.0, h, n, s, ms);
        EXPECT_EQ(ms, even) << -k;
    }
    // Far days have more milliseconds than a double holds fractions for: they stay as they are.
    DecodeTime(9.9e7 + 0.5, h, n, s, ms);
    EXPECT_EQ(std::vector<int>({h, n, s, ms}), std::vector<int>({12, 0, 0, 0}));
}

TEST(DateTime, NegativeValuesKeepTheDayInTheIntegralPart)
{
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    struct Case { double v; int y, m, d, h; };
    for (const Case& c : {Case{-1.25, 1899, 12, 29, 6}, Case{-0.5, 1899, 12, 30, 12}, Case{-1.0, 1899, 12, 29, 0},
                          Case{-2.75, 1899, 12, 28, 18}}) {
        int y, m, d, h, n, s, ms;
        DecodeDateTime(c.v, y, m, d, h, n, s, ms);
        EXPECT_EQ(std::vector<int>({y, m, d, h, n, s, ms}), std::vector<int>({c.y, c.m, c.d, c.h, 0, 0, 0})) << c.v;
    }
    SystemTime st{};
    DateTimeToSystemTime(-1.25, st);
    EXPECT_EQ(SystemTimeToDateTime(st), -1.25);
}

TEST(DateTime, DayOfWeekAndSystemTime)
{
    struct Case { int y, m, d, dow; };
    for (const Case& c : {Case{1899, 12, 30, 7}, Case{1899, 12, 31, 1}, Case{2010, 8, 5, 5}, Case{2000, 2, 29, 3},
                          Case{1899, 12, 24, 1}, Case{1, 1, 1, 2}}) {
        EXPECT_EQ(DayOfWeek(EncodeDateTime(c.y, c.m, c.d, 23, 59, 59, 999)), c.dow) << c.y << "-" << c.m << "-" << c.d;
    }
    SystemTime st{};
    DateTimeToSystemTime(EncodeDateTime(2010, 8, 5, 9, 5, 7, 123), st);
    EXPECT_EQ(std::vector<int>({st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond,
                                st.wMilliseconds}),
              std::vector<int>({2010, 8, 4, 5, 9, 5, 7, 123})); // 4 = Thursday, counted from Sunday = 0
    EXPECT_EQ(SystemTimeToDateTime(st), EncodeDateTime(2010, 8, 5, 9, 5, 7, 123));
}

TEST(DateTime, WallClockAgreesWithItself)
{
    const SystemTime st = LocalSystemTime();
    EXPECT_GE(st.wYear, 2020);
    EXPECT_GE(st.wMonth, 1);
    EXPECT_LE(st.wMonth, 12);
    EXPECT_LE(st.wMilliseconds, 999);
    const TDateTime date = Date(), time = Time(), now = Now();
    EXPECT_EQ(date, std::floor(date));
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);
    // Read a moment apart, around midnight the date may move on by one.
    EXPECT_GE(now, date);
    EXPECT_LT(now, date + 2);
}

#include "platform/rtl/DateTime.h"

#include <cmath>
#include <ctime>
#include <string>

namespace rtl {

namespace {

constexpr int64_t kMsecsPerDay = 86400000;
constexpr int64_t kUnixDay = 25569; // 1970-01-01 as a day number from 1899-12-30

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = floorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

// x to the nearest whole number, halves to the even one, as the default rounding mode rounds. Plain
// arithmetic: a call into the maths library here was, in a process that had not called it yet, a page fault
// on its code inside the first filing (tens of microseconds on a virtual machine).
double roundHalfEven(double x)
{
    constexpr double kTwo52 = 4503599627370496.0; // from here on every double is whole
    if (!(std::fabs(x) < kTwo52))
        return x;
    return x >= 0 ? (x + kTwo52) - kTwo52 : -((kTwo52 - x) - kTwo52);
}

// Whole milliseconds of a value: the day (the integral part, truncated toward zero) and the time of day.
void split(TDateTime value, int64_t& dayNumber, int64_t& msOfDay)
{
    // Values beyond any calendar date (or not numbers at all) decode as day 0 rather than overflow.
    if (!std::isfinite(value) || std::fabs(value) > 1.0e8)
        value = 0;
    const int64_t ms = int64_t(roundHalfEven(value * double(kMsecsPerDay)));
    dayNumber = ms / kMsecsPerDay;
    msOfDay = (ms < 0 ? -ms : ms) % kMsecsPerDay;
}

std::string dateText(int y, int m, int d)
{
    return std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
}

} // namespace

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    out = double(daysFromCivil(year, month, day) + kUnixDay);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    out = double(((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + msec) / double(kMsecsPerDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime result;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError("Invalid argument to date encode: " + dateText(year, month, day));
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    TDateTime result;
    if (!TryEncodeTime(hour, minute, second, msec, result))
        throw EConvertError("Invalid argument to time encode: " + std::to_string(hour) + ":" + std::to_string(minute)
                            + ":" + std::to_string(second) + "." + std::to_string(msec));
    return result;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec)
{
    const TDateTime date = EncodeDate(year, month, day);
    const TDateTime time = EncodeTime(hour, minute, second, msec);
    // Before day 0 the time is carried in the fraction's absolute value.
    return date < 0 ? date - time : date + time;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    int64_t dayNumber, msOfDay;
    split(value, dayNumber, msOfDay);
    civilFromDays(dayNumber - kUnixDay, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec)
{
    int64_t dayNumber, msOfDay;
    split(value, dayNumber, msOfDay);
    msec = int(msOfDay % 1000);
    second = int(msOfDay / 1000 % 60);
    minute = int(msOfDay / 60000 % 60);
    hour = int(msOfDay / 3600000);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& msec)
{
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
}

int DayOfWeek(TDateTime value)
{
    int64_t dayNumber, msOfDay;
    split(value, dayNumber, msOfDay);
    // Day 1 (1899-12-31) was a Sunday.
    return int(((dayNumber - 1) % 7 + 7) % 7) + 1;
}

TDateTime SystemTimeToDateTime(const SystemTime& st)
{
    return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

void DateTimeToSystemTime(TDateTime value, SystemTime& st)
{
    int y, m, d, h, n, s, ms;
    DecodeDateTime(value, y, m, d, h, n, s, ms);
    st.wYear = uint16_t(y);
    st.wMonth = uint16_t(m);
    st.wDay = uint16_t(d);
    st.wDayOfWeek = uint16_t(DayOfWeek(value) - 1);
    st.wHour = uint16_t(h);
    st.wMinute = uint16_t(n);
    st.wSecond = uint16_t(s);
    st.wMilliseconds = uint16_t(ms);
}

SystemTime LocalSystemTime()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    SystemTime st{};
    st.wYear = uint16_t(local.tm_year + 1900);
    st.wMonth = uint16_t(local.tm_mon + 1);
    st.wDayOfWeek = uint16_t(local.tm_wday);
    st.wDay = uint16_t(local.tm_mday);
    st.wHour = uint16_t(local.tm_hour);
    st.wMinute = uint16_t(local.tm_min);
    // A leap second shows as :60; keep the value encodable.
    st.wSecond = uint16_t(local.tm_sec > 59 ? 59 : local.tm_sec);
    st.wMilliseconds = uint16_t(ts.tv_nsec / 1000000);
    return st;
}

TDateTime Now()
{
    return SystemTimeToDateTime(LocalSystemTime());
}

TDateTime Date()
{
    const SystemTime st = LocalSystemTime();
    return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

TDateTime Time()
{
    const SystemTime st = LocalSystemTime();
    return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

} // namespace rtl

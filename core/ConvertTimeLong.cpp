#include "core/ConvertTimeLong.h"

namespace {

// Day numbers count from a March-based year so that the leap day ends it; 720000 is 1971-06-16.
constexpr int64_t kEpochDay = 720000;
constexpr int64_t kSecondsPerDay = 86400;

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

LongTime SystemTimeToLong(rtl::SystemTime st)
{
    int64_t m, y;
    if (st.wMonth == 1 || st.wMonth == 2) {
        m = int64_t(st.wMonth) + 9;
        y = int64_t(st.wYear) - 1;
    } else {
        m = int64_t(st.wMonth) - 3;
        y = st.wYear;
    }
    const int64_t c = floorDiv(y, 100);
    const int64_t a = y - 100 * c;
    const int64_t n = floorDiv(146097 * c, 4) + floorDiv(1461 * a, 4) + floorDiv(153 * m + 2, 5) + st.wDay;
    // 64-bit throughout: the count passes 2^31 in 2039 and is negative before the epoch.
    const int64_t seconds = (n - kEpochDay) * kSecondsPerDay + (int64_t(st.wHour) * 60 + st.wMinute) * 60
                            + st.wSecond;
    return LongTime(uint64_t(seconds));
}

rtl::SystemTime& LongToSystemTime(LongTime t, rtl::SystemTime& st)
{
    const int64_t s = t % kSecondsPerDay;
    const int64_t n = t / kSecondsPerDay + kEpochDay;
    const int64_t k = 4 * n - 1;
    const int64_t c = k / 146097;
    const int64_t r = (k % 146097) / 4 * 4;
    const int64_t a = (r + 3) / 1461;
    const int64_t q = ((r + 7 - 1461 * a) / 4) * 5;
    const int64_t m = (q - 3) / 153;
    st.wDay = uint16_t((q + 2 - 153 * m) / 5);
    if (m < 10) {
        st.wMonth = uint16_t(m + 3);
        st.wYear = uint16_t(c * 100 + a);
    } else {
        st.wMonth = uint16_t(m - 9);
        st.wYear = uint16_t(c * 100 + a + 1);
    }
    st.wHour = uint16_t(s / 3600);
    st.wMinute = uint16_t(s / 60 % 60);
    st.wSecond = uint16_t(s % 60);
    st.wDayOfWeek = 0;
    st.wMilliseconds = 0;
    return st;
}

QString LongToDateString(LongTime t)
{
    rtl::SystemTime st;
    LongToSystemTime(t, st);
    return QStringLiteral("%1.%2.%3 %4:%5:%6")
        .arg(st.wDay)
        .arg(st.wMonth)
        .arg(st.wYear)
        .arg(st.wHour)
        .arg(st.wMinute)
        .arg(st.wSecond);
}

QString LongToDateTimeString(LongTime t)
{
    rtl::SystemTime st;
    LongToSystemTime(t, st);
    const QChar zero(u'0');
    return QStringLiteral("%1.%2.%3 %4:%5:%6")
        .arg(st.wYear, 4, 10, zero)
        .arg(st.wMonth, 2, 10, zero)
        .arg(st.wDay, 2, 10, zero)
        .arg(st.wHour, 2, 10, zero)
        .arg(st.wMinute, 2, 10, zero)
        .arg(st.wSecond, 2, 10, zero);
}

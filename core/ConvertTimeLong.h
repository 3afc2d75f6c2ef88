#pragma once
// The critical section shared by the drivers, the journal and the instrument table, and the instruments'
// own time: seconds from 1971-06-16 00:00:00 on the instrument's clock, with no zone and no milliseconds.
#include "platform/rtl/DateTime.h"

#include <QString>

#include <cstdint>
#include <mutex>

// Re-entrant: the thread that holds it may enter again (and must leave as often as it entered);
// TryEnter fails only while another thread holds it.
class critsection_t {
public:
    critsection_t() = default;
    critsection_t(const critsection_t&) = delete;
    critsection_t& operator=(const critsection_t&) = delete;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

// 0 is 1971-06-16 00:00:00, 4294967295 is 2107-07-23 06:28:15.
using LongTime = uint32_t;

// Reads year, month, day, hour, minute and second; a moment outside the range wraps modulo 2^32.
LongTime SystemTimeToLong(rtl::SystemTime st);
// Fills every field; day of the week and milliseconds are 0.
rtl::SystemTime& LongToSystemTime(LongTime t, rtl::SystemTime& st);
// "5.8.2010 9:5:0": day.month.year hour:minute:second without leading zeros.
QString LongToDateString(LongTime t);
// "2010.08.05 09:05:00": the journal's date form.
QString LongToDateTimeString(LongTime t);

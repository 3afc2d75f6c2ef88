#pragma once
// The instruments' own time: seconds from 1971-06-16 00:00:00 on the instrument's clock, with no zone and no
// milliseconds.
#include "platform/rtl/DateTime.h"

#include <QString>

#include <cstdint>

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

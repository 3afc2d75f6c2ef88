#pragma once
// The date-time value of the program: a double counting days from 1899-12-30, its fraction the time of day.
// For values below zero the integral part still names the day and the fraction's absolute value is the time
// (-1.25 is 1899-12-29 06:00). Pure calendar arithmetic: no time zone and no daylight-saving shift anywhere.
#include <cstdint>
#include <stdexcept>

namespace rtl {

using TDateTime = double;

// The fields of a wall-clock moment; wDayOfWeek counts 0 = Sunday .. 6 = Saturday.
struct SystemTime {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month); // 0 for a month outside 1..12

// Years 1..9999; hours 0..23, minutes and seconds 0..59, milliseconds 0..999.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out);
// As above, throwing EConvertError on invalid input.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);

// Decoding rounds to the nearest whole millisecond first, so a stored 12:00:00 never reads as 11:59:59.999.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& msec);
int DayOfWeek(TDateTime value); // 1 = Sunday .. 7 = Saturday

TDateTime SystemTimeToDateTime(const SystemTime& st); // throws EConvertError on invalid fields
void DateTimeToSystemTime(TDateTime value, SystemTime& st);

// The local wall clock (clock_gettime + localtime_r).
SystemTime LocalSystemTime();
TDateTime Now();
TDateTime Date();
TDateTime Time();

} // namespace rtl

#pragma once
// Date-time values to text and back the way the platform's run time does it, with separators and names
// from a TFormatSettings.
//
// Pattern letters (any case): c d dd ddd dddd ddddd dddddd m mm mmm mmmm (m right after an h is minutes)
// y yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm; "/" and ":" are the settings' separators;
// text between double or single quotes is copied.
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

#include <QString>

namespace rtl {

QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& fs = formatSettings());
QString DateToStr(TDateTime value, const TFormatSettings& fs = formatSettings());
QString TimeToStr(TDateTime value, const TFormatSettings& fs = formatSettings());
QString DateTimeToStr(TDateTime value, const TFormatSettings& fs = formatSettings());

// Day, month and year in the order of ShortDateFormat, separated by DateSeparator; a missing year is
// this year, a two-digit year lies in this century.
bool TryStrToDate(const QString& text, TDateTime& value, const TFormatSettings& fs = formatSettings());
// Hours, minutes and optional seconds and milliseconds, separated by TimeSeparator, with an optional
// AM/PM marker.
bool TryStrToTime(const QString& text, TDateTime& value, const TFormatSettings& fs = formatSettings());
// A date, then optionally a time after blanks.
bool TryStrToDateTime(const QString& text, TDateTime& value, const TFormatSettings& fs = formatSettings());
// The same, raising EConvertError "'<text>' is not a valid date" (time, date and time) on failure.
TDateTime StrToDate(const QString& text, const TFormatSettings& fs = formatSettings());
TDateTime StrToTime(const QString& text, const TFormatSettings& fs = formatSettings());
TDateTime StrToDateTime(const QString& text, const TFormatSettings& fs = formatSettings());

} // namespace rtl

#pragma once
// Number to text and back the way the platform's run time does it: pattern formats ("#,##0.00"),
// fixed, number and general forms, separators from a TFormatSettings, never from the C locale.
//
// Rounding: the value is first taken to 15 significant digits (the precision the platform keeps for
// doubles), then rounded to the digits asked for with halves away from zero: 1234.5 -> "1235",
// 2.5 -> "3", 1.005 -> "1.01", -0.5 -> "-1".
#include "platform/rtl/FormatSettings.h"

#include <QString>
#include <string>

namespace rtl {

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// value = (Negative ? -1 : 1) * 0.Digits * 10^Exponent; Digits holds no trailing zeros, empty for zero.
struct TFloatRec {
    int Exponent = 0;
    bool Negative = false;
    std::string Digits;
    bool Nan = false;
    bool Infinite = false;
};

// Decimal digits of value rounded to at most `precision` significant digits (1..15) and at most
// `decimals` digits after the point.
TFloatRec FloatToDecimal(double value, int precision, int decimals);

// Pattern format: up to three sections "positive;negative;zero"; 0 digit, # optional digit, . decimal
// separator, , thousands grouping, E+ E- e+ e- exponent, "..." and '...' literal text.
QString FormatFloat(const QString& format, double value, const TFormatSettings& fs = formatSettings());
// The currency type holds 4 decimals: the value is rounded to them first.
QString FormatCurr(const QString& format, double value, const TFormatSettings& fs = formatSettings());
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings& fs = formatSettings());
QString FloatToStr(double value, const TFormatSettings& fs = formatSettings());
QString CurrToStr(double value, const TFormatSettings& fs = formatSettings());

// Accepts blanks around the number, a sign, the settings' decimal separator (not the other one),
// and an exponent; anything else fails.
bool TryStrToFloat(const QString& text, double& value, const TFormatSettings& fs = formatSettings());
// As TryStrToFloat; failure raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(const QString& text, const TFormatSettings& fs = formatSettings());

} // namespace rtl

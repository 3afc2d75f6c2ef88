#pragma once
// Display formats of report values: the 32-bit format code (bits 24-27 category, 16-23 kind, 8-15
// decimals, 0-7 the decimal separator's cp1251 byte), the format suffix of a bracketed expression
// ("[Sum #N0.00]"), and the formatting itself.
#include <QString>
#include <QVariant>

enum TrpFormatCategory { fcText = 0, fcNumber = 1, fcDate = 2, fcTime = 3, fcBoolean = 4 };

constexpr qint32 rpMakeFormat(int category, int kind, int decimals, int separator)
{
    return qint32((unsigned(category & 0xF) << 24) | (unsigned(kind & 0xFF) << 16) | (unsigned(decimals & 0xFF) << 8) |
                  unsigned(separator & 0xFF));
}
constexpr int rpFormatCategory(qint32 f) { return (f >> 24) & 0xF; }
constexpr int rpFormatKind(qint32 f) { return (f >> 16) & 0xFF; }
constexpr int rpFormatDecimals(qint32 f) { return (f >> 8) & 0xFF; }
constexpr int rpFormatSeparator(qint32 f) { return f & 0xFF; }

// Applies the suffix S (the text after " #") to a format code and custom text.
void rpApplyFormatSuffix(const QString& suffix, qint32& format, QString& formatStr);

// The value as text: null or unassigned gives one blank; a value the format cannot take gives its
// plain text; categories 5 to 15 give the empty text.
QString rpFormatValue(const QVariant& value, qint32 format, const QString& formatStr);

// Plain text of a value (numbers with the settings' decimal separator, dates as date and time).
QString rpVarToStr(const QVariant& value);
// A value as a number: numbers, Booleans (true is -1), dates, and texts in the settings' form.
// Raises rtl::EConvertError when it is none of these.
double rpVarToFloat(const QVariant& value);

#pragma once
// Field bytes to values and back. Numbers are written and read without the C locale: '.' always, ','
// accepted on reading; blank fields are NULL.
#include "platform/data/DbfColumn.h"
#include "platform/rtl/CodePage.h"

#include <QVariant>

namespace dbf {

// The value of one field's bytes: QString for C/L/D, qlonglong for numbers without decimals, double
// with decimals, NULL when blank or unreadable as a number. Memo fields give their block number.
QVariant decodeField(const Column& column, const char* bytes, rtl::CodePage codePage);

// Writes the value into the field's bytes (blank for NULL). Raises EDatabaseError when a number does
// not fit the width, a text is no number for a numeric field, or a text has characters the code page lacks.
void encodeField(const Column& column, const QVariant& value, char* bytes, rtl::CodePage codePage);

// The bytes of a text for a field; raises EDatabaseError naming the field rather than store a character
// the code page has no byte for as '?'.
QByteArray encodeText(const Column& column, const QString& text, rtl::CodePage codePage);

// The end of a field's bytes without its trailing blanks (' ' and '\0').
const char* trimBlankEnd(const char* begin, const char* end);

// Parses a number written with '.' or ','; false for anything else.
bool parseNumber(const char* begin, const char* end, double* value);

} // namespace dbf

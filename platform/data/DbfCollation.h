#pragma once
// The order in which values compare and sort, as keys that compare with memcmp: NULL (a blank field)
// before everything; texts by letter without regard to case, Cyrillic included (Ё just after Е), trailing
// blanks ignored; numbers by value, rounded to the field's decimals so that 0.123 and "0,123" are equal
// for an N(19,6) field.
#include "platform/data/DbfColumn.h"
#include "platform/rtl/CodePage.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <array>
#include <vector>

namespace dbf {

// Room the key of a field needs: text fields of tables from elsewhere may be far wider than 255.
inline int keyRoom(const Column& column)
{
    return column.isNumeric() ? 9 : 1 + 2 * column.length;
}

// The key of a field's bytes, written to out (keyRoom bytes); returns its length.
int fieldKey(const Column& column, const char* field, rtl::CodePage codePage, uchar* out);

// Sixty-four bits that order keys of the field as the keys themselves do, where they differ: a smaller
// prefix means a smaller key; equal prefixes leave the keys to decide. Texts keep their first eight letters
// (by rank among the code page's weights), numbers their value.
quint64 keyPrefix(const Column& column, const uchar* key, int length, rtl::CodePage codePage);

// The blanks a text field's key trims: trailing blanks and NULs, and leading blanks of all but 'C' fields.
// Sets *begin and returns the end of what is left.
int trimText(const Column& column, const char* field, int* begin);

// Each byte's weight in a text key and the byte its rank puts in a prefix. exactRanks: every byte's rank
// is exact, so a text field's prefix can be read off its bytes one by one (textPrefix) and equal prefixes
// mean equal weights.
struct ByteCollation {
    std::array<quint16, 256> weight;
    std::array<uchar, 256> rank;
    bool exactRanks;
};
const ByteCollation& byteCollation(rtl::CodePage codePage);

// keyPrefix of the key of a text field's trimmed bytes (n of them), straight from the bytes; for a code
// page whose byteCollation has exactRanks. The prefix holds the whole key when n <= 8.
inline quint64 textPrefix(const ByteCollation& collation, const char* text, int n)
{
    quint64 p = 0;
    for (int i = 0; i < 8; ++i)
        p = p << 8 | (i < n ? collation.rank[static_cast<uchar>(text[i])] : 0u);
    return p;
}

// Orders the fields of one column as their keys do, making no key where the bytes tell the order at
// once: whole numbers written as plain digits, texts of a code page whose ranks are exact. Others make
// their keys. Holds scratch room: one object a thread.
class FieldOrder {
public:
    FieldOrder(const Column& column, rtl::CodePage codePage);
    // keyPrefix of the field's key.
    quint64 prefix(const char* field) const;
    // Below zero, zero or above as the keys of two fields of equal prefix compare.
    int compareTies(const char* a, const char* b) const;

private:
    const Column& column_;
    rtl::CodePage codePage_;
    const ByteCollation& collation_;
    bool wholeNumbers_;
    bool exactText_;
    mutable std::vector<uchar> keyA_, keyB_;
};

// The key a value would have in this field, for comparing fields with it. False when the value cannot be
// compared with the field (a text that is no number for a numeric field, any value for a memo).
bool valueKey(const Column& column, const QVariant& value, rtl::CodePage codePage, QByteArray* key);

// The letters of a text as case-free weights (0xFFFF for a character the code page lacks), and the
// same for a field's bytes taken as text with blanks trimmed at both ends (for LIKE; out holds the
// field's length).
QVector<quint16> textWeights(const QString& text, rtl::CodePage codePage);
int fieldWeights(const Column& column, const char* field, rtl::CodePage codePage, quint16* out);

} // namespace dbf

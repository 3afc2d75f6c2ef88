#pragma once
// Primitive encodings of the engine's stored forms (templates, prepared pages): little-endian integers,
// cp1251 strings and memos in the current and the older zero-terminated forms, short strings.
// A read past the end raises ErpStreamError, so a truncated stream is an error, never garbage.
#include "report/rpLimits.h"
#include "platform/graphics/Geometry.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <stdexcept>

class ErpStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void rpWriteByte(QIODevice& s, quint8 v);
void rpWriteWord(QIODevice& s, quint16 v);
void rpWriteInt(QIODevice& s, qint32 v);
void rpWriteRect(QIODevice& s, const gfx::TRect& r);
void rpWriteBool(QIODevice& s, bool v); // word 0 / 0xFFFF
void rpWriteBytes(QIODevice& s, const QByteArray& bytes);

quint8 rpReadByte(QIODevice& s);
quint16 rpReadWord(QIODevice& s);
qint32 rpReadInt(QIODevice& s);
gfx::TRect rpReadRect(QIODevice& s);
bool rpReadBool(QIODevice& s); // any non-zero word is true
QByteArray rpReadBytes(QIODevice& s, qint64 n);
void rpSkip(QIODevice& s, qint64 n);

// Current forms: word length, cp1251 bytes, byte 0; memo: word count, lines (word length, bytes,
// 13 or 0 after each), a lone byte 0 when empty. Texts longer than 65535 bytes keep their first 65535.
void rpWriteString(QIODevice& s, const QString& text);
QString rpReadString(QIODevice& s);
void rpWriteMemo(QIODevice& s, const QStringList& lines);
void rpReadMemo(QIODevice& s, QStringList& lines);

// Older forms, read only: bytes up to a 0; memo lines ended by 13, the memo by 0.
QString rpReadString22(QIODevice& s);
void rpReadMemo22(QIODevice& s, QStringList& lines);

// Byte length, then bytes. A text over 255 bytes is written as its first 255 bytes.
void rpWriteShortString(QIODevice& s, const QString& text);
QString rpReadShortString(QIODevice& s);

// The version-dependent readers: the old forms while rpVersion is below 23.
QString rpReadStringV(QIODevice& s);
void rpReadMemoV(QIODevice& s, QStringList& lines);

// Coordinates and sizes far beyond any paper come only from a damaged stream; left in, they overflow
// the arithmetic of layout.
constexpr bool rpSaneCoordinate(qint32 v)
{
    return v > -rplimits::Coordinate && v < rplimits::Coordinate;
}

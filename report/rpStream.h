#pragma once
// Primitive encodings of the engine's stored forms (templates, prepared pages): little-endian integers,
// cp1251 strings and memos in the current and the older zero-terminated forms, short strings.
// A read past the end raises ErpStreamError, so a truncated stream is an error, never garbage.
#include "report/rpLimits.h"
#include "platform/graphics/Geometry.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <cstring>
#include <memory>
#include <stdexcept>

class ErpStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An append-only record in plain memory: an object is written field by field, and each write through a
// device costs far more than the bytes it carries. The writers below append to it directly. It cannot
// seek, so only records that hold no positions (text objects) are gathered in it.
class TrpRecordSink : public QIODevice {
    Q_OBJECT
public:
    TrpRecordSink();
    ~TrpRecordSink() override;
    bool isSequential() const override { return true; }
    qint64 size() const override { return size_; }
    void Restart() { size_ = 0; }
    const char* Data() const { return bytes_.get(); }
    void Append(const char* data, qint64 n)
    {
        if (size_ + n > capacity_)
            grow(size_ + n);
        std::memcpy(bytes_.get() + size_, data, size_t(n));
        size_ += n;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 n) override
    {
        Append(data, n);
        return n;
    }

private:
    void grow(qint64 needed);
    std::unique_ptr<char[]> bytes_;
    qint64 capacity_ = 0;
    qint64 size_ = 0;
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

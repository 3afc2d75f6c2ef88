#include "report/rpStream.h"

#include "platform/rtl/CodePage.h"
#include "report/rpGlobals.h"
#include "report/rpLimits.h"

#include <QtEndian>

#include <algorithm>

namespace {
// The record made last on this thread: writes to it skip the device (any other goes through writeData).
thread_local TrpRecordSink* latestRecord = nullptr;
} // namespace

TrpRecordSink::TrpRecordSink() : bytes_(std::make_unique<char[]>(1024)), capacity_(1024)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    latestRecord = this;
}

TrpRecordSink::~TrpRecordSink()
{
    if (latestRecord == this)
        latestRecord = nullptr;
}

void TrpRecordSink::grow(qint64 needed)
{
    const qint64 capacity = std::max(2 * capacity_, needed);
    auto grown = std::make_unique<char[]>(size_t(capacity));
    std::memcpy(grown.get(), bytes_.get(), size_t(size_));
    bytes_ = std::move(grown);
    capacity_ = capacity;
}

namespace {

void writeRaw(QIODevice& s, const char* data, qint64 n)
{
    if (&s == latestRecord) {
        latestRecord->Append(data, n);
        return;
    }
    if (s.write(data, n) != n)
        throw ErpStreamError("Stream write error");
}

void readRaw(QIODevice& s, char* data, qint64 n)
{
    if (n < 0 || s.read(data, n) != n)
        throw ErpStreamError("Stream read error");
}

} // namespace

void rpWriteByte(QIODevice& s, quint8 v)
{
    writeRaw(s, reinterpret_cast<const char*>(&v), 1);
}

void rpWriteWord(QIODevice& s, quint16 v)
{
    uchar b[2];
    qToLittleEndian(v, b);
    writeRaw(s, reinterpret_cast<const char*>(b), 2);
}

void rpWriteInt(QIODevice& s, qint32 v)
{
    uchar b[4];
    qToLittleEndian(v, b);
    writeRaw(s, reinterpret_cast<const char*>(b), 4);
}

void rpWriteRect(QIODevice& s, const gfx::TRect& r)
{
    rpWriteInt(s, r.Left);
    rpWriteInt(s, r.Top);
    rpWriteInt(s, r.Right);
    rpWriteInt(s, r.Bottom);
}

void rpWriteBool(QIODevice& s, bool v)
{
    rpWriteWord(s, v ? 0xFFFF : 0);
}

void rpWriteBytes(QIODevice& s, const QByteArray& bytes)
{
    writeRaw(s, bytes.constData(), bytes.size());
}

quint8 rpReadByte(QIODevice& s)
{
    char c;
    readRaw(s, &c, 1);
    return quint8(c);
}

quint16 rpReadWord(QIODevice& s)
{
    uchar b[2];
    readRaw(s, reinterpret_cast<char*>(b), 2);
    return qFromLittleEndian<quint16>(b);
}

qint32 rpReadInt(QIODevice& s)
{
    uchar b[4];
    readRaw(s, reinterpret_cast<char*>(b), 4);
    return qFromLittleEndian<qint32>(b);
}

gfx::TRect rpReadRect(QIODevice& s)
{
    gfx::TRect r;
    r.Left = rpReadInt(s);
    r.Top = rpReadInt(s);
    r.Right = rpReadInt(s);
    r.Bottom = rpReadInt(s);
    return r;
}

bool rpReadBool(QIODevice& s)
{
    return rpReadWord(s) != 0;
}

QByteArray rpReadBytes(QIODevice& s, qint64 n)
{
    // Never trust a length beyond what the stream holds.
    if (n < 0 || n > s.bytesAvailable())
        throw ErpStreamError("Stream read error");
    QByteArray b(n, Qt::Uninitialized);
    readRaw(s, b.data(), n);
    return b;
}

void rpSkip(QIODevice& s, qint64 n)
{
    rpReadBytes(s, n);
}

void rpWriteString(QIODevice& s, const QString& text)
{
    // Every text object of a page writes its font's name: the bytes of the last text serve again.
    thread_local QString lastText;
    thread_local QByteArray lastBytes;
    if (text.size() != lastText.size() || text != lastText) {
        lastBytes = rtl::toCp1251(text);
        lastText = text;
    }
    QByteArray b = lastBytes;
    if (b.size() > 0xFFFF)
        b.truncate(0xFFFF);
    rpWriteWord(s, quint16(b.size()));
    rpWriteBytes(s, b);
    rpWriteByte(s, 0);
}

QString rpReadString(QIODevice& s)
{
    const quint16 n = rpReadWord(s);
    const QByteArray b = rpReadBytes(s, n);
    rpReadByte(s);
    return rtl::fromCp1251(b);
}

void rpWriteMemo(QIODevice& s, const QStringList& lines)
{
    rpWriteWord(s, quint16(qMin<qsizetype>(lines.size(), 0xFFFF)));
    if (lines.isEmpty()) {
        rpWriteByte(s, 0);
        return;
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray b = rtl::toCp1251(lines[i]);
        if (b.size() > 0xFFFF)
            b.truncate(0xFFFF);
        rpWriteWord(s, quint16(b.size()));
        rpWriteBytes(s, b);
        rpWriteByte(s, i + 1 < lines.size() ? 13 : 0);
    }
}

void rpReadMemo(QIODevice& s, QStringList& lines)
{
    lines.clear();
    if (rpReadWord(s) == 0) {
        rpReadByte(s);
        return;
    }
    // The count is not trusted: lines go on until the byte after one is 0.
    for (;;) {
        const quint16 n = rpReadWord(s);
        lines.append(rtl::fromCp1251(rpReadBytes(s, n)));
        if (rpReadByte(s) == 0)
            break;
    }
}

QString rpReadString22(QIODevice& s)
{
    QByteArray b;
    for (quint8 c; (c = rpReadByte(s)) != 0;)
        b.append(char(c));
    return rtl::fromCp1251(b);
}

void rpReadMemo22(QIODevice& s, QStringList& lines)
{
    lines.clear();
    QByteArray line;
    for (;;) {
        const quint8 c = rpReadByte(s);
        if (c == 13) {
            lines.append(rtl::fromCp1251(line));
            line.clear();
        } else if (c == 0) {
            if (!line.isEmpty())
                lines.append(rtl::fromCp1251(line));
            return;
        } else {
            line.append(char(c));
        }
    }
}

void rpWriteShortString(QIODevice& s, const QString& text)
{
    QByteArray b = rtl::toCp1251(text);
    if (b.size() > rplimits::ShortString)
        b.truncate(rplimits::ShortString);
    rpWriteByte(s, quint8(b.size()));
    rpWriteBytes(s, b);
}

QString rpReadShortString(QIODevice& s)
{
    const quint8 n = rpReadByte(s);
    return rtl::fromCp1251(rpReadBytes(s, n));
}

QString rpReadStringV(QIODevice& s)
{
    return rpVersion < 23 ? rpReadString22(s) : rpReadString(s);
}

void rpReadMemoV(QIODevice& s, QStringList& lines)
{
    if (rpVersion < 23)
        rpReadMemo22(s, lines);
    else
        rpReadMemo(s, lines);
}

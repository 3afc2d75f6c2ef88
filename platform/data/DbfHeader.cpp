#include "platform/data/DbfHeader.h"

#include "platform/data/DataLimits.h"
#include "platform/data/DatabaseError.h"

#include <QSet>
#include <QtEndian>

namespace dbf {
namespace {

[[noreturn]] void corrupt(const QString& path, const QString& why)
{
    throw EDamagedTable(QStringLiteral("%1 is not a readable dBASE table: %2").arg(path, why));
}

bool knownType(char t)
{
    return t == 'C' || t == 'N' || t == 'F' || t == 'M' || t == 'L' || t == 'D';
}

bool nameCharacter(uchar c)
{
    return c > 0x20 && c < 0x7F;
}

// Whether a descriptor's width and decimals are ones its type can have (as read; other writers included).
bool plausibleWidth(const Column& c)
{
    switch (c.type) {
    case 'C':
        return c.length >= 1;
    case 'N':
    case 'F':
        return c.length >= 1 && c.length <= kMaxTextWidth && c.decimals < c.length;
    case 'M':
        return c.length >= 4 && c.length <= kMaxMemoWidth;
    case 'L':
        return c.length == kLogicalWidth;
    case 'D':
        return c.length == kDateWidth;
    }
    return false;
}

} // namespace

bool Header::hasMemo() const
{
    for (const Column& c : columns)
        if (c.isMemo())
            return true;
    return false;
}

Header Header::parse(const QByteArray& bytes, const QString& path)
{
    if (bytes.size() < kHeaderPrefix)
        corrupt(path, QStringLiteral("the header is truncated (%1 bytes)").arg(bytes.size()));
    const auto* u = reinterpret_cast<const uchar*>(bytes.constData());
    Header h;
    h.version = u[0];
    const int level = h.version & 0x07;
    if (level != 3 && level != 4 && level != 5)
        corrupt(path, QStringLiteral("unknown version byte 0x%1").arg(h.version, 2, 16, QLatin1Char('0')));
    h.lastUpdate = QDate(1900 + u[1], u[2], u[3]);
    h.recordCount = qFromLittleEndian<quint32>(u + 4);
    h.headerLength = qFromLittleEndian<quint16>(u + 8);
    h.recordLength = qFromLittleEndian<quint16>(u + 10);
    h.languageDriver = u[29];
    if (h.headerLength < kHeaderPrefix + 1 || h.recordLength < 2)
        corrupt(path, QStringLiteral("header length %1 and record length %2 are impossible").arg(h.headerLength).arg(h.recordLength));
    if (bytes.size() < h.headerLength)
        corrupt(path, QStringLiteral("the header is truncated (%1 of %2 bytes)").arg(bytes.size()).arg(h.headerLength));
    int offset = 1;
    QSet<QString> names;
    int at = kHeaderPrefix;
    for (; at + kDescriptorSize <= h.headerLength && u[at] != 0x0D; at += kDescriptorSize) {
        Column c;
        const int number = (at - kHeaderPrefix) / kDescriptorSize + 1;
        const char* name = bytes.constData() + at;
        const int nameLength = static_cast<int>(qstrnlen(name, kMaxFieldName + 1));
        for (int i = 0; i < nameLength; ++i)
            if (!nameCharacter(uchar(name[i])))
                corrupt(path, QStringLiteral("the name of field %1 holds the byte 0x%2").arg(number).arg(uchar(name[i]), 2, 16, QLatin1Char('0')));
        c.name = QString::fromLatin1(name, nameLength).toUpper();
        c.type = static_cast<char>(u[at + 11]);
        c.length = u[at + 16];
        c.decimals = u[at + 17];
        if (c.type == 'C') {
            c.length += 256 * c.decimals;  // long text fields keep the high byte of the width there
            c.decimals = 0;
        }
        c.offset = offset;
        if (c.name.isEmpty() || nameLength > kMaxFieldName || !knownType(c.type) || !plausibleWidth(c))
            corrupt(path, QStringLiteral("field descriptor %1 is damaged").arg(number));
        if (names.contains(c.name))
            corrupt(path, QStringLiteral("field %1 appears twice").arg(c.name));
        names.insert(c.name);
        offset += c.length;
        h.columns.push_back(c);
    }
    if (h.columns.empty())
        corrupt(path, QStringLiteral("it has no fields"));
    if (at >= h.headerLength || u[at] != 0x0D)
        corrupt(path, QStringLiteral("its field descriptors run past its header length %1").arg(h.headerLength));
    if (h.headerLength - (at + 1) > kMaxHeaderPadding)
        corrupt(path, QStringLiteral("its header length %1 disagrees with its %2 field descriptors").arg(h.headerLength).arg(h.columns.size()));
    if (offset != h.recordLength)
        corrupt(path, QStringLiteral("its fields need records of %1 bytes but its header says %2").arg(offset).arg(h.recordLength));
    return h;
}

void Header::layout()
{
    if (columns.empty() || columns.size() > kMaxFields)
        throw EDatabaseError(QStringLiteral("A table needs 1 to %1 fields").arg(kMaxFields));
    int offset = 1;
    QSet<QString> names;
    for (Column& c : columns) {
        c.name = c.name.toUpper();
        if (c.name.isEmpty() || c.name.size() > kMaxFieldName || c.name.toLatin1().size() != c.name.size() || names.contains(c.name))
            throw EDatabaseError(QStringLiteral("Invalid or repeated field name '%1'").arg(c.name));
        // Only what our own reader takes back: a text field's decimals byte is the high byte of its width,
        // and a number has room for its decimals, its point and a digit.
        const bool fits = c.type == 'C'   ? c.length >= 1 && c.length <= kMaxTextWidth && c.decimals == 0
                          : c.isNumeric() ? c.length >= 1 && c.length <= kMaxNumericWidth && c.decimals >= 0 &&
                                                c.decimals <= kMaxDecimals && (c.decimals == 0 || c.decimals + 2 <= c.length)
                          : c.isMemo()    ? c.length == kMaxMemoWidth && c.decimals == 0
                          : c.type == 'L' ? c.length == kLogicalWidth && c.decimals == 0
                          : c.type == 'D' ? c.length == kDateWidth && c.decimals == 0
                                          : false;
        if (!fits)
            throw EDatabaseError(QStringLiteral("Invalid field definition %1 %2(%3,%4)").arg(c.name, QString(QLatin1Char(c.type))).arg(c.length).arg(c.decimals));
        names.insert(c.name);
        c.offset = offset;
        offset += c.length;
    }
    if (offset > kMaxRecordLength)
        throw EDatabaseError(QStringLiteral("The record would be longer than %1 bytes").arg(kMaxRecordLength));
    recordLength = static_cast<quint16>(offset);
    headerLength = static_cast<quint16>(kDescriptorSize * (columns.size() + 1) + 1);
}

QByteArray Header::build() const
{
    QByteArray b(headerLength, '\0');
    auto* u = reinterpret_cast<uchar*>(b.data());
    u[0] = version;
    const QByteArray counts = countBytes(lastUpdate, recordCount);
    std::copy(counts.begin(), counts.end(), b.data() + 1);
    qToLittleEndian<quint16>(headerLength, u + 8);
    qToLittleEndian<quint16>(recordLength, u + 10);
    u[29] = languageDriver;
    int at = 32;
    for (const Column& c : columns) {
        const QByteArray name = c.name.toLatin1().left(10);
        std::copy(name.begin(), name.end(), b.data() + at);
        u[at + 11] = static_cast<uchar>(c.type);
        u[at + 16] = static_cast<uchar>(c.length);
        u[at + 17] = static_cast<uchar>(c.decimals);
        at += 32;
    }
    u[at] = 0x0D;
    return b;
}

QByteArray Header::countBytes(QDate date, quint32 count)
{
    QByteArray b(7, '\0');
    auto* u = reinterpret_cast<uchar*>(b.data());
    if (date.isValid()) {
        u[0] = static_cast<uchar>(std::clamp(date.year() - 1900, 0, 255));
        u[1] = static_cast<uchar>(date.month());
        u[2] = static_cast<uchar>(date.day());
    }
    qToLittleEndian<quint32>(count, u + 3);
    return b;
}

} // namespace dbf

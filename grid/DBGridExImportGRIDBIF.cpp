// "GRIDBIF" importer.
#include "grid/DBGridExImportGRIDBIF.h"
#include "grid/DBGridExExportGRIDBIF.h"
#include "grid/GridError.h"
#include "platform/data/Field.h"
#include <QDateTime>
#include <QtEndian>
#include <cmath>

namespace {
[[noreturn]] void invalidFormat()
{
    throw EInvalidGridOperation(QStringLiteral("TDBGridExImportAsGRIDBIF.ReadPrefix: Invalid GRIDBIF format"));
}
} // namespace

void TDBGridExImportAsGRIDBIF::ImportFromStream(QIODevice& stream, bool loadToAll)
{
    AnyVisible = false;
    Descriptions.clear();
    TDBGridExImport::ImportFromStream(stream, loadToAll);
    Descriptions.clear();
}

// The same walk as the reading below, touching nothing: the header, whole values up to the end tag, and
// whole rows of values.
void TDBGridExImportAsGRIDBIF::Validate()
{
    const QByteArray& d = Data();
    if (d.size() < 12 || !d.startsWith("GRIDBIF"))
        invalidFormat();
    const quint32 count = qFromLittleEndian<quint32>(d.constData() + 8);
    qsizetype p = 12;
    for (quint32 i = 0; i < count; ++i) {
        if (p >= d.size())
            invalidFormat();
        const qsizetype zero = d.indexOf('\0', p + 1);
        if (zero < 0)
            invalidFormat();
        p = zero + 1;
    }
    quint64 values = 0;
    for (;;) {
        if (p >= d.size())
            invalidFormat();
        const unsigned char tag = static_cast<unsigned char>(d[p++]);
        if (tag == gbtEnd)
            break;
        qsizetype size = 0;
        switch (tag) {
        case gbtInteger: size = 4; break;
        case gbtFloat: size = 8; break;
        case gbtString:
        case gbtBinary:
            if (d.size() - p < 4)
                invalidFormat();
            size = 4 + qsizetype(qFromLittleEndian<quint32>(d.constData() + p));
            break;
        default: break;
        }
        if (d.size() - p < size)
            invalidFormat();
        p += size;
        ++values;
    }
    if (count == 0 ? values != 0 : values % count != 0)
        invalidFormat();
}

void TDBGridExImportAsGRIDBIF::ReadPrefix()
{
    char header[12];
    if (!ReadBytes(header, 12) || QByteArray(header, 7) != "GRIDBIF")
        invalidFormat();
    ColumnCount = qFromLittleEndian<quint32>(header + 8);
    for (quint32 i = 0; i < ColumnCount; ++i) {
        char visible;
        if (!GetByte(visible))
            invalidFormat();
        QByteArray name;
        for (char c;;) {
            if (!GetByte(c))
                invalidFormat();
            if (c == 0)
                break;
            name.append(c);
        }
        if (visible)
            AnyVisible = true;
        Descriptions.push_back({name, visible != 0});
    }
    ReadValue();
}

void TDBGridExImportAsGRIDBIF::ReadValue()
{
    if (Eof)
        return;
    char tag;
    if (!GetByte(tag))
        invalidFormat();
    Assigned = false;
    Value = QVariant();
    switch (static_cast<unsigned char>(tag)) {
    case gbtEnd:
        Eof = true;
        break;
    case gbtNull:
        Assigned = true;
        break;
    case gbtInteger: {
        char raw[4];
        if (!ReadBytes(raw, 4))
            invalidFormat();
        Value = qFromLittleEndian<qint32>(raw);
        Assigned = true;
        break;
    }
    case gbtFloat: {
        char raw[8];
        if (!ReadBytes(raw, 8))
            invalidFormat();
        Value = qFromLittleEndian<double>(raw);
        Assigned = true;
        break;
    }
    case gbtString:
    case gbtBinary: {
        char raw[4];
        if (!ReadBytes(raw, 4))
            invalidFormat();
        QByteArray bytes(qsizetype(qFromLittleEndian<quint32>(raw)), Qt::Uninitialized);
        if (!ReadBytes(bytes.data(), bytes.size()))
            invalidFormat();
        Value = tag == gbtString ? QVariant(Decode(bytes)) : QVariant(bytes);
        Assigned = true;
        break;
    }
    default:
        break;
    }
}

void TDBGridExImportAsGRIDBIF::ReadRecord(const TColumnsExList& columns)
{
    ++ImportRow;
    for (quint32 i = 0; i < ColumnCount; ++i) {
        ImportCol = int(i) + 1;
        ReadDataCell(qsizetype(i) < columns.size() ? columns[qsizetype(i)] : nullptr);
    }
}

void TDBGridExImportAsGRIDBIF::ReadDataCell(TColumnEx* column)
{
    if (Assigned && column) {
        try {
            if (TField* f = DBGridExEditField(column)) {
                // Dates and times travel as day numbers (days from 1899-12-30, the time a fraction).
                const TFieldType t = f->DataType();
                if ((t == ftDate || t == ftTime || t == ftDateTime) && Value.typeId() == QMetaType::Double) {
                    const double days = Value.toDouble();
                    const QDateTime at = QDateTime(QDate(1899, 12, 30).addDays(qint64(std::floor(days))), QTime(0, 0))
                                             .addMSecs(qint64(std::llround((days - std::floor(days)) * 86400000.0)));
                    f->SetValue(t == ftDate ? QVariant(at.date()) : t == ftTime ? QVariant(at.time()) : QVariant(at));
                } else {
                    CheckFits(f, Value);
                    f->SetValue(Value);
                }
            }
        } catch (const std::exception& e) {
            ValueError(QString::fromUtf8(e.what()));
        }
    }
    ReadValue();
}

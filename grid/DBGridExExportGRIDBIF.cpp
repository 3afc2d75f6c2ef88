// "GRIDBIF" exporter.
#include "grid/DBGridExExportGRIDBIF.h"
#include "grid/ColumnEx.h"
#include "platform/data/Field.h"
#include <QDateTime>
#include <QtEndian>
#include <limits>

namespace {
// Days from 1899-12-30, the fraction the time of day.
double dayNumber(const QVariant& v, bool* ok)
{
    static const QDate epoch(1899, 12, 30);
    *ok = true;
    switch (v.typeId()) {
    case QMetaType::QDate: return double(epoch.daysTo(v.toDate()));
    case QMetaType::QTime: return v.toTime().msecsSinceStartOfDay() / 86400000.0;
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return double(epoch.daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0;
    }
    case QMetaType::QString: {
        // A date or time field kept as text.
        const QString text = v.toString();
        if (const QDateTime dt = QDateTime::fromString(text, Qt::ISODate); dt.isValid())
            return dayNumber(dt, ok);
        if (const QDate d = QDate::fromString(text, Qt::ISODate); d.isValid())
            return dayNumber(d, ok);
        if (const QTime t = QTime::fromString(text, Qt::ISODate); t.isValid())
            return dayNumber(t, ok);
        return v.toDouble(ok);
    }
    default: return v.toDouble(ok);
    }
}
} // namespace

void TDBGridExExportAsGRIDBIF::putU32(quint32 v)
{
    char raw[4];
    qToLittleEndian(v, raw);
    PutRaw(raw, 4);
}

void TDBGridExExportAsGRIDBIF::WritePrefix()
{
    Put("GRIDBIF");
    Put('\x01');
    putU32(quint32(ExpCols.size()));
    for (TColumnEx* column : ExpCols) {
        Put(column->Visible() ? '\x01' : '\x00');
        Put('\x00');
    }
}

void TDBGridExExportAsGRIDBIF::WriteSuffix()
{
    Put(char(gbtEnd));
}

void TDBGridExExportAsGRIDBIF::WriteDataCell(TColumnEx* column, TColCellParamsEx&)
{
    // A lookup cell is written as its key, which reads back without the list.
    TField* f = StoredFieldOf(column->Field());
    if (!f) {
        Put(char(gbtUnassigned));
        return;
    }
    const QVariant value = f->Value();
    if (value.isNull()) {
        Put(char(gbtNull));
        return;
    }
    switch (f->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
        const qint64 v = f->AsLargeInt();
        // Integers are 64-bit here: one beyond 32 bits goes as a double, which keeps it exactly.
        if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) {
            Put(char(gbtFloat));
            char raw[8];
            qToLittleEndian(double(v), raw);
            PutRaw(raw, 8);
        } else {
            Put(char(gbtInteger));
            char raw[4];
            qToLittleEndian(qint32(v), raw);
            PutRaw(raw, 4);
        }
        break;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime: {
        bool ok = true;
        const double d = f->DataType() == ftFloat || f->DataType() == ftCurrency || f->DataType() == ftBCD
                             ? f->AsFloat()
                             : dayNumber(value, &ok);
        if (!ok) {
            Put(char(gbtUnassigned));
            break;
        }
        Put(char(gbtFloat));
        char raw[8];
        qToLittleEndian(d, raw);
        PutRaw(raw, 8);
        break;
    }
    case ftString:
    case ftBoolean:
    case ftMemo:
    case ftLargeint: {
        const QByteArray bytes = Encode(f->AsString());
        Put(char(gbtString));
        putU32(quint32(bytes.size()));
        Put(bytes);
        break;
    }
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary: {
        const QByteArray bytes = f->AsBytes();
        Put(char(gbtBinary));
        putU32(quint32(bytes.size()));
        Put(bytes);
        break;
    }
    default:
        Put(char(gbtUnassigned));
        break;
    }
}

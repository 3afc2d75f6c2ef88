#include "platform/data/IntegerField.h"

#include <cmath>

TIntegerField::TIntegerField(TDataSet* dataSet, const QString& fieldName, int size)
    : TField(dataSet, fieldName, ftInteger, size)
{
    SetAlignment(taRightJustify);
}

QVariant TIntegerField::Convert(const QVariant& value) const
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return QVariant::fromValue<qlonglong>(value.toLongLong());
    case QMetaType::ULongLong:
        return QVariant::fromValue<qlonglong>(static_cast<qlonglong>(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
            RaiseConversion(QString::number(d), "integer");
        return QVariant::fromValue<qlonglong>(static_cast<qlonglong>(std::llround(d)));
    }
    default: {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return QVariant();
        bool ok = false;
        const qlonglong n = text.toLongLong(&ok);
        if (!ok)
            RaiseConversion(text, "integer");
        return QVariant::fromValue<qlonglong>(n);
    }
    }
}

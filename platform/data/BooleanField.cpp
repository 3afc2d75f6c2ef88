#include "platform/data/BooleanField.h"

TBooleanField::TBooleanField(TDataSet* dataSet, const QString& fieldName)
    : TField(dataSet, fieldName, ftBoolean, 0)
{
}

QVariant TBooleanField::Convert(const QVariant& value) const
{
    if (value.typeId() != QMetaType::QString)
        return value.toBool();
    const QString text = value.toString().trimmed().toUpper();
    if (text.isEmpty())
        return QVariant();
    if (text == QLatin1String("TRUE") || text == QLatin1String("T") || text == QLatin1String("Y") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("FALSE") || text == QLatin1String("F") || text == QLatin1String("N") || text == QLatin1String("0"))
        return false;
    RaiseConversion(value.toString(), "boolean");
}

QString TBooleanField::FormatValue(const QVariant& value, bool) const
{
    if (value.isNull())
        return {};
    return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
}

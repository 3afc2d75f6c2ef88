#include "platform/data/StringField.h"

#include "platform/data/FloatField.h"

TStringField::TStringField(TDataSet* dataSet, const QString& fieldName, int size, TFieldType dataType)
    : TField(dataSet, fieldName, dataType, size)
{
}

QVariant TStringField::Convert(const QVariant& value) const
{
    if (value.typeId() == QMetaType::Double)
        return TFloatField::FormatFloat(value.toDouble(), QLatin1Char('.'));
    QString text = value.toString();
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    if (Size() > 0 && text.size() > Size())
        text.truncate(Size());
    return text;
}

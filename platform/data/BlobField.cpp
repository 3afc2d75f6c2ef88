#include "platform/data/BlobField.h"

TBlobField::TBlobField(TDataSet* dataSet, const QString& fieldName, TFieldType dataType)
    : TField(dataSet, fieldName, dataType, 0)
{
}

QVariant TBlobField::Convert(const QVariant& value) const
{
    QByteArray bytes = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    if (bytes.isEmpty())
        return QVariant();
    return bytes;
}

QString TBlobField::FormatValue(const QVariant& value, bool displayText) const
{
    if (displayText)
        return value.isNull() ? QStringLiteral("(blob)") : QStringLiteral("(BLOB)");
    return QString::fromLatin1(value.toByteArray());
}

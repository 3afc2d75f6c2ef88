#include "platform/data/MemoField.h"

#include "platform/rtl/CodePage.h"

TMemoField::TMemoField(TDataSet* dataSet, const QString& fieldName)
    : TBlobField(dataSet, fieldName, ftMemo)
{
}

QString TMemoField::AsString() const
{
    return rtl::fromCp1251(AsBytes());
}

void TMemoField::SetAsString(const QString& value)
{
    SetAsBytes(rtl::toCp1251(value));
}

// Memo bytes are cp1251 text: a text given as a value is stored in that code page, as SetAsString stores it.
QVariant TMemoField::Convert(const QVariant& value) const
{
    if (value.typeId() == QMetaType::QByteArray || value.isNull())
        return TBlobField::Convert(value);
    return TBlobField::Convert(rtl::toCp1251(value.toString()));
}

QString TMemoField::FormatValue(const QVariant& value, bool displayText) const
{
    if (displayText)
        return value.isNull() ? QStringLiteral("(memo)") : QStringLiteral("(MEMO)");
    return rtl::fromCp1251(value.toByteArray());
}

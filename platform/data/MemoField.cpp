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

QString TMemoField::FormatValue(const QVariant& value, bool displayText) const
{
    if (displayText)
        return value.isNull() ? QStringLiteral("(memo)") : QStringLiteral("(MEMO)");
    return rtl::fromCp1251(value.toByteArray());
}

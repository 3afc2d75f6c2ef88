#pragma once
// A memo column: a blob whose text form is the cp1251 text it holds.
#include "platform/data/BlobField.h"

class TMemoField : public TBlobField {
public:
    TMemoField(TDataSet* dataSet, const QString& fieldName);
    QString AsString() const override;
    void SetAsString(const QString& value) override;

protected:
    QVariant Convert(const QVariant& value) const override;
    QString FormatValue(const QVariant& value, bool displayText) const override;
};

#pragma once
// A logical column; texts "True"/"False" (and T/F, Y/N, 1/0 on input).
#include "platform/data/Field.h"

class TBooleanField : public TField {
public:
    TBooleanField(TDataSet* dataSet, const QString& fieldName);

protected:
    QVariant Convert(const QVariant& value) const override;
    QString FormatValue(const QVariant& value, bool displayText) const override;
    int DefaultDisplayWidth() const override { return 5; }
};

#pragma once
// A fixed-width text column (dBASE C). Trailing blanks are not part of the value.
#include "platform/data/Field.h"

class TStringField : public TField {
public:
    TStringField(TDataSet* dataSet, const QString& fieldName, int size);

protected:
    QVariant Convert(const QVariant& value) const override;
};

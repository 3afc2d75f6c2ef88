#pragma once
// A fixed-width text column (dBASE C). Trailing blanks are not part of the value.
#include "platform/data/Field.h"

class TStringField : public TField {
public:
    // Dates and times are kept as their text too (a date as yyyy-MM-dd), under their own data type.
    TStringField(TDataSet* dataSet, const QString& fieldName, int size, TFieldType dataType = ftString);

protected:
    QVariant Convert(const QVariant& value) const override;
};

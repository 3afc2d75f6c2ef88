#pragma once
// A column of bytes of any length (dBASE memo). Read and written whole, or through TBlobStream.
// Its display text is "(BLOB)" / "(MEMO)" as grids show such columns.
#include "platform/data/Field.h"

class TBlobField : public TField {
public:
    TBlobField(TDataSet* dataSet, const QString& fieldName, TFieldType dataType = ftBlob);
    bool IsBlob() const override { return true; }

protected:
    QVariant Convert(const QVariant& value) const override;
    QString FormatValue(const QVariant& value, bool displayText) const override;
};

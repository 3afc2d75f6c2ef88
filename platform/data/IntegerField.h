#pragma once
// A whole-number column. Values are 64-bit so that unsigned 32-bit serials and counters fit; AsInteger
// gives the low 32 bits as the platform's 32-bit integer would.
#include "platform/data/Field.h"

class TIntegerField : public TField {
public:
    TIntegerField(TDataSet* dataSet, const QString& fieldName, int size = 0);
    bool IsValidChar(QChar ch) const override { return ch.isDigit() || ch == QLatin1Char('+') || ch == QLatin1Char('-'); }

protected:
    QVariant Convert(const QVariant& value) const override;
    int DefaultDisplayWidth() const override { return 11; }
};

#pragma once
// A floating-point column. Texts show the value with up to 15 significant digits and the display decimal
// separator; texts given to it may use '.' or ','.
#include "platform/data/Field.h"

class TFloatField : public TField {
public:
    TFloatField(TDataSet* dataSet, const QString& fieldName, int size = 0);
    // Shortest text that reads back as the same value, with the given separator.
    static QString FormatFloat(double value, QChar separator);
    // Accepts '.' or ',' as separator, blanks around; false for anything else.
    static bool ParseFloat(const QString& text, double* value);

protected:
    QVariant Convert(const QVariant& value) const override;
    QString FormatValue(const QVariant& value, bool displayText) const override;
    int DefaultDisplayWidth() const override { return 10; }
};

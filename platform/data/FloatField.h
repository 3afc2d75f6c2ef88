#pragma once
// A floating-point column. Its texts are the platform's FloatToStr (15 significant digits, the process's
// decimal separator) or DisplayFormat when set; texts given to it may use '.' or ','.
#include "platform/data/Field.h"

class TFloatField : public TField {
public:
    TFloatField(TDataSet* dataSet, const QString& fieldName, int size = 0);
    QString DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format) { displayFormat_ = format; }
    // Shown in the currency format with the settings' currency decimals when no DisplayFormat is set;
    // the edit text stays a plain number.
    bool Currency() const { return currency_; }
    void SetCurrency(bool currency) { currency_ = currency; }
    bool IsValidChar(QChar ch) const override;
    // Shortest text that reads back as the same value, with the given separator.
    static QString FormatFloat(double value, QChar separator);
    // Accepts '.' or ',' as separator, blanks around; false for anything else.
    static bool ParseFloat(const QString& text, double* value);

protected:
    QVariant Convert(const QVariant& value) const override;
    QString FormatValue(const QVariant& value, bool displayText) const override;
    int DefaultDisplayWidth() const override { return 10; }

private:
    QString displayFormat_;
    bool currency_ = false;
};

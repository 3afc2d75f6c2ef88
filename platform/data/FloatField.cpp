#include "platform/data/FloatField.h"

#include "platform/rtl/FormatFloat.h"

#include <charconv>
#include <cmath>

TFloatField::TFloatField(TDataSet* dataSet, const QString& fieldName, int size)
    : TField(dataSet, fieldName, ftFloat, size)
{
    SetAlignment(taRightJustify);
}

QString TFloatField::FormatFloat(double value, QChar separator)
{
    // At most 15 significant digits (the text a user expects of 0.1 + 0.2), and no more than needed.
    char buf[64];
    for (int precision = 1; precision <= 15; ++precision) {
        auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
        double back = 0;
        std::from_chars(buf, r.ptr, back);
        if (back == value || precision == 15) {
            QString text = QString::fromLatin1(buf, r.ptr - buf);
            if (separator != QLatin1Char('.'))
                text.replace(QLatin1Char('.'), separator);
            return text;
        }
    }
    return {};
}

bool TFloatField::ParseFloat(const QString& text, double* value)
{
    QByteArray bytes = text.trimmed().toLatin1();
    bytes.replace(',', '.');
    if (bytes.startsWith('+'))
        bytes.remove(0, 1);
    if (bytes.isEmpty())
        return false;
    double d = 0;
    auto r = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), d);
    if (r.ec != std::errc() || r.ptr != bytes.constData() + bytes.size() || !std::isfinite(d))
        return false;
    *value = d;
    return true;
}

QVariant TFloatField::Convert(const QVariant& value) const
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toDouble();
    default: {
        const QString text = value.toString();
        if (text.trimmed().isEmpty())
            return QVariant();
        double d = 0;
        if (!ParseFloat(text, &d))
            RaiseConversion(text, "floating point");
        return d;
    }
    }
}

QString TFloatField::FormatValue(const QVariant& value, bool displayText) const
{
    if (value.isNull())
        return {};
    if (displayText && !displayFormat_.isEmpty())
        return rtl::FormatFloat(displayFormat_, value.toDouble());
    // Money is shown as money (as the grid's footers show it); it is edited as a plain number.
    if (displayText && currency_)
        return rtl::FloatToStrF(value.toDouble(), rtl::TFloatFormat::ffCurrency, 15, rtl::formatSettings().CurrencyDecimals);
    return rtl::FloatToStr(value.toDouble());
}

bool TFloatField::IsValidChar(QChar ch) const
{
    return ch.isDigit() || QStringLiteral("+-.,eE").contains(ch);
}

#include "report/rpFormat.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/FormatFloat.h"
#include "report/rpGlobals.h"

#include <QDateTime>

namespace {

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

rtl::TDateTime toDateTime(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime d = v.toDateTime();
        return rtl::EncodeDateTime(d.date().year(), d.date().month(), d.date().day(), d.time().hour(),
                                   d.time().minute(), d.time().second(), d.time().msec());
    }
    if (v.typeId() == QMetaType::QDate) {
        const QDate d = v.toDate();
        return rtl::EncodeDate(d.year(), d.month(), d.day());
    }
    if (v.typeId() == QMetaType::QTime) {
        const QTime t = v.toTime();
        return rtl::EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
    }
    if (v.typeId() == QMetaType::QString) {
        rtl::TDateTime d = 0;
        if (rtl::TryStrToDateTime(v.toString(), d))
            return d;
    }
    return rpVarToFloat(v);
}

} // namespace

double rpVarToFloat(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? -1.0 : 0.0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return v.toDouble();
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QTime:
        return toDateTime(v);
    default:
        break;
    }
    return rtl::StrToFloat(v.toString().trimmed());
}

QString rpVarToStr(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float:
        return rtl::FloatToStr(v.toDouble());
    case QMetaType::QDate:
        return rtl::DateToStr(toDateTime(v));
    case QMetaType::QTime:
        return rtl::TimeToStr(toDateTime(v));
    case QMetaType::QDateTime:
        return rtl::DateTimeToStr(toDateTime(v));
    default:
        return v.toString();
    }
}

void rpApplyFormatSuffix(const QString& suffix, qint32& format, QString& formatStr)
{
    QString s = suffix;
    if (s.isEmpty())
        return;
    const QChar first = s[0];
    if (isDigit(first) || first == QLatin1Char('N') || first == QLatin1Char('n')) {
        if (isDigit(first))
            s.prepend(QLatin1Char('N'));
        const bool fixed = s.size() > 1 && isDigit(s[1]);
        int separator = 0;
        int decimals = 0;
        if (s.size() > 1) {
            for (int p = int(s.size()) - 1; p >= 1; --p) {
                const QChar c = s[p];
                if (c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
                    separator = c.unicode();
                    s[p] = QLatin1Char('.');
                    if (fixed) {
                        int q = p + 1;
                        while (q < s.size() && isDigit(s[q]))
                            decimals = decimals * 10 + (s[q++].unicode() - '0');
                    }
                    break;
                }
            }
        }
        format = rpMakeFormat(fcNumber, fixed ? 1 : 0, decimals, separator);
        if (!fixed) {
            formatStr = s.mid(1);
            format = rpMakeFormat(fcNumber, 4, decimals, separator);
        }
    } else if (first == QLatin1Char('D') || first == QLatin1Char('d') || first == QLatin1Char('T') ||
               first == QLatin1Char('t')) {
        format = rpMakeFormat(fcDate, 4, 0, 0);
        formatStr = s.mid(1);
    } else if (first == QLatin1Char('B') || first == QLatin1Char('b')) {
        format = rpMakeFormat(fcBoolean, 4, 0, 0);
        formatStr = s.mid(1);
    } else {
        formatStr = s;
    }
}

QString rpFormatValue(const QVariant& value, qint32 format, const QString& formatStr)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral(" ");
    const int category = rpFormatCategory(format);
    const int kind = rpFormatKind(format);
    try {
        switch (category) {
        case fcText:
            return rpVarToStr(value);
        case fcNumber: {
            // A copy of the settings: the separator of the code holds for this value only.
            rtl::TFormatSettings fs = rtl::formatSettings();
            if (const int sep = rpFormatSeparator(format))
                fs.DecimalSeparator = QChar(rtl::charOf(rtl::CodePage::Cp1251, uchar(sep)));
            const double v = rpVarToFloat(value);
            const int decimals = rpFormatDecimals(format);
            switch (kind) {
            case 0: return rtl::FormatFloat(QStringLiteral("###.##"), v, fs);
            case 1: return rtl::FloatToStrF(v, rtl::TFloatFormat::ffFixed, 15, decimals, fs);
            case 2: return rtl::FormatFloat(QStringLiteral("#,###.##"), v, fs);
            case 3: return rtl::FloatToStrF(v, rtl::TFloatFormat::ffNumber, 15, decimals, fs);
            default: return rtl::FormatFloat(formatStr, v, fs);
            }
        }
        case fcDate:
        case fcTime: {
            const QString pattern = kind >= 4 ? formatStr : (category == fcDate ? rpDateFormat(kind) : rpTimeFormat(kind));
            return rtl::FormatDateTime(pattern, toDateTime(value), rtl::formatSettings());
        }
        case fcBoolean: {
            const QString pair = kind >= 4 ? formatStr : rpBoolFormat(kind);
            const int semi = int(pair.indexOf(QLatin1Char(';')));
            const QString no = semi < 0 ? pair : pair.left(semi);
            const QString yes = semi < 0 ? QString() : pair.mid(semi + 1);
            return rpRound(rpVarToFloat(value)) == 0 ? no : yes;
        }
        default:
            return QString();
        }
    } catch (const std::exception&) {
        return rpVarToStr(value);
    }
}

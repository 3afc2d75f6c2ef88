#include "platform/rtl/FormatFloat.h"

#include "platform/rtl/DateTime.h"

#include <QList>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace rtl {

namespace {

// A literal of a format section, in single or double quotes, copied without them; the index of its
// closing quote (or the end).
int copyQuoted(const QString& t, int i, QString& out)
{
    int end = int(t.indexOf(t[i], i + 1));
    if (end < 0)
        end = int(t.size());
    out += t.mid(i + 1, end - i - 1);
    return end;
}

constexpr int kMaxPrecision = 15;

// Rounds rec.Digits to `keep` digits, halves away from zero.
void roundDigits(TFloatRec& rec, int keep)
{
    if (keep >= int(rec.Digits.size()))
        return;
    if (keep < 0) {
        rec.Digits.clear();
        return;
    }
    const bool up = rec.Digits[keep] >= '5';
    rec.Digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && rec.Digits[i] == '9') {
            rec.Digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++rec.Digits[i];
        } else {
            rec.Digits.insert(rec.Digits.begin(), '1');
            ++rec.Exponent;
        }
    }
    while (!rec.Digits.empty() && rec.Digits.back() == '0')
        rec.Digits.pop_back();
}

QString groupThousands(const QString& digits, QChar sep)
{
    if (sep.isNull())
        return digits;
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += sep;
        out += digits[i];
    }
    return out;
}

// Integer and fraction digit strings of a rounded record (fraction exactly `fracDigits` long).
void splitDigits(const TFloatRec& rec, int fracDigits, QString& intPart, QString& fracPart)
{
    intPart.clear();
    fracPart.clear();
    const int n = int(rec.Digits.size());
    for (int i = 0; i < rec.Exponent; ++i)
        intPart += QLatin1Char(i < n ? rec.Digits[i] : '0');
    for (int i = 0; i < fracDigits; ++i) {
        const int k = rec.Exponent + i;
        fracPart += QLatin1Char(k >= 0 && k < n ? rec.Digits[k] : '0');
    }
}

QString specialText(const TFloatRec& rec)
{
    if (rec.Nan)
        return QStringLiteral("NAN");
    return rec.Negative ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString exponentForm(const TFloatRec& rec, int precision, int minExpDigits, bool plusSign, QChar decSep)
{
    QString mant;
    const std::string& d = rec.Digits;
    mant += QLatin1Char(d.empty() ? '0' : d[0]);
    QString frac;
    for (int i = 1; i < precision; ++i)
        frac += QLatin1Char(i < int(d.size()) ? d[i] : '0');
    if (!frac.isEmpty())
        mant += decSep + frac;
    const int e = d.empty() ? 0 : rec.Exponent - 1;
    QString exp = QString::number(std::abs(e)).rightJustified(minExpDigits, QLatin1Char('0'));
    return mant + QLatin1Char('E') + (e < 0 ? QStringLiteral("-") : (plusSign ? QStringLiteral("+") : QString())) + exp;
}

QString generalForm(const TFloatRec& rec, int precision, QChar decSep)
{
    if (rec.Digits.empty())
        return QStringLiteral("0");
    QString out = rec.Negative ? QStringLiteral("-") : QString();
    const int n = int(rec.Digits.size());
    if (rec.Exponent > precision || rec.Exponent < -3) {
        QString mant(QLatin1Char(rec.Digits[0]));
        if (n > 1) {
            mant += decSep;
            for (int i = 1; i < n; ++i)
                mant += QLatin1Char(rec.Digits[i]);
        }
        const int e = rec.Exponent - 1;
        return out + mant + QLatin1Char('E') + (e < 0 ? QStringLiteral("-") : QString()) + QString::number(std::abs(e));
    }
    QString intPart, fracPart;
    splitDigits(rec, std::max(0, n - rec.Exponent), intPart, fracPart);
    out += intPart.isEmpty() ? QStringLiteral("0") : intPart;
    if (!fracPart.isEmpty())
        out += decSep + fracPart;
    return out;
}

// One section of a pattern, read once.
struct Section {
    QString text;
    bool thousands = false;
    bool scientific = false;
    int intPlaceholders = 0; // 0 and # before the point
    int intMin = 0;          // placeholders from the first 0 to the point
    int fracMin = 0;         // up to the last 0 after the point
    int fracMax = 0;         // 0 and # after the point
    bool hasPoint = false;
};

Section analyse(const QString& text)
{
    Section s;
    s.text = text;
    bool afterPoint = false;
    bool seenZero = false;
    int fracCount = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const int end = text.indexOf(c, i + 1);
            i = end < 0 ? int(text.size()) : end;
            continue;
        }
        if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < text.size() &&
            (text[i + 1] == QLatin1Char('+') || text[i + 1] == QLatin1Char('-'))) {
            s.scientific = true;
            break;
        }
        if (c == QLatin1Char('.')) {
            if (!afterPoint)
                s.hasPoint = afterPoint = true;
        } else if (c == QLatin1Char(',')) {
            if (!afterPoint)
                s.thousands = true;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (afterPoint) {
                ++fracCount;
                if (c == QLatin1Char('0'))
                    s.fracMin = fracCount;
            } else {
                ++s.intPlaceholders;
                if (c == QLatin1Char('0'))
                    seenZero = true;
                if (seenZero)
                    ++s.intMin;
            }
        }
    }
    s.fracMax = fracCount;
    return s;
}

QList<QString> splitSections(const QString& format)
{
    QList<QString> out;
    QString cur;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            int end = format.indexOf(c, i + 1);
            if (end < 0)
                end = int(format.size()) - 1;
            cur += format.mid(i, end - i + 1);
            i = end;
        } else if (c == QLatin1Char(';')) {
            out.append(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.append(cur);
    return out;
}

QString applyScientific(const Section& s, double absValue, const TFormatSettings& fs)
{
    // Mantissa with as many integer digits as placeholders before the point (at least one).
    const int intDigits = std::max(1, s.intPlaceholders);
    const int precision = std::clamp(intDigits + s.fracMax, 1, kMaxPrecision);
    TFloatRec rec = FloatToDecimal(absValue, precision, 9999);
    int exp = rec.Digits.empty() ? 0 : rec.Exponent - intDigits;
    rec.Exponent = rec.Digits.empty() ? 0 : intDigits;
    QString intPart, fracPart;
    splitDigits(rec, s.fracMax, intPart, fracPart);
    while (fracPart.size() > s.fracMin && fracPart.endsWith(QLatin1Char('0')))
        fracPart.chop(1);
    if (s.thousands)
        intPart = groupThousands(intPart, fs.ThousandSeparator);
    QString out;
    bool numberDone = false;
    const QString& t = s.text;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            i = copyQuoted(t, i, out);
        } else if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < t.size() &&
                   (t[i + 1] == QLatin1Char('+') || t[i + 1] == QLatin1Char('-'))) {
            int j = i + 2;
            int minDigits = 0;
            while (j < t.size() && t[j] == QLatin1Char('0')) {
                ++minDigits;
                ++j;
            }
            out += c;
            if (exp < 0)
                out += QLatin1Char('-');
            else if (t[i + 1] == QLatin1Char('+'))
                out += QLatin1Char('+');
            out += QString::number(std::abs(exp)).rightJustified(std::min(minDigits, 4), QLatin1Char('0'));
            i = j - 1;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.') ||
                   c == QLatin1Char(',')) {
            if (!numberDone) {
                out += intPart;
                if (!fracPart.isEmpty())
                    out += fs.DecimalSeparator + fracPart;
                numberDone = true;
            }
        } else {
            out += c;
        }
    }
    return out;
}

QString applySection(const Section& s, double absValue, const TFormatSettings& fs)
{
    if (s.scientific)
        return applyScientific(s, absValue, fs);
    TFloatRec rec = FloatToDecimal(absValue, kMaxPrecision, s.fracMax);
    if (rec.Nan || rec.Infinite)
        return specialText(rec);
    QString intPart, fracPart;
    splitDigits(rec, s.fracMax, intPart, fracPart);
    while (fracPart.size() > s.fracMin && fracPart.endsWith(QLatin1Char('0')))
        fracPart.chop(1);
    if (intPart.size() < s.intMin)
        intPart = intPart.rightJustified(s.intMin, QLatin1Char('0'));

    // Integer digits are placed right-aligned on the integer placeholders; the ones beyond the
    // placeholders go where the first placeholder stands.
    const int nInt = int(intPart.size());
    const int extra = std::max(0, nInt - s.intPlaceholders);
    int placeholderNo = 0; // integer placeholders met so far
    int fracNo = 0;
    bool afterPoint = false;
    QString out;
    auto digitAt = [&](int index) -> QString {
        // index into intPart, with thousands separators by position from the right
        QString d(intPart[index]);
        if (s.thousands && index < nInt - 1 && (nInt - 1 - index) % 3 == 0)
            d += fs.ThousandSeparator;
        return d;
    };
    const QString& t = s.text;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            i = copyQuoted(t, i, out);
        } else if (c == QLatin1Char(',')) {
            if (afterPoint)
                continue; // grouping is decided by the section as a whole
        } else if (c == QLatin1Char('.')) {
            if (!afterPoint) {
                afterPoint = true;
                if (!fracPart.isEmpty())
                    out += fs.DecimalSeparator;
            }
        } else if ((c == QLatin1Char('0') || c == QLatin1Char('#')) && !afterPoint) {
            if (placeholderNo == 0)
                for (int k = 0; k < extra; ++k)
                    out += digitAt(k);
            // This placeholder stands for digit (extra + placeholderNo - (placeholders - nInt)) when that exists.
            const int index = placeholderNo - (s.intPlaceholders - nInt);
            if (index >= extra && index < nInt)
                out += digitAt(index);
            ++placeholderNo;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (fracNo < fracPart.size())
                out += fracPart[fracNo];
            ++fracNo;
        } else {
            out += c;
        }
    }
    return out;
}

bool isZeroAfterRounding(const Section& s, double absValue)
{
    if (s.scientific)
        return absValue == 0.0;
    return FloatToDecimal(absValue, kMaxPrecision, s.fracMax).Digits.empty();
}

} // namespace

TFloatRec FloatToDecimal(double value, int precision, int decimals)
{
    TFloatRec rec;
    if (std::isnan(value)) {
        rec.Nan = true;
        return rec;
    }
    rec.Negative = std::signbit(value);
    if (std::isinf(value)) {
        rec.Infinite = true;
        return rec;
    }
    if (value == 0.0) {
        rec.Negative = false;
        return rec;
    }
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                                   kMaxPrecision - 1);
    const std::string text(buf, res.ptr);
    const auto ePos = text.find('e');
    for (size_t i = 0; i < ePos; ++i)
        if (text[i] != '.')
            rec.Digits += text[i];
    int exp10 = 0;
    std::from_chars(text.data() + ePos + 1 + (text[ePos + 1] == '+' ? 1 : 0), text.data() + text.size(), exp10);
    rec.Exponent = exp10 + 1;
    while (!rec.Digits.empty() && rec.Digits.back() == '0')
        rec.Digits.pop_back();
    precision = std::clamp(precision, 1, kMaxPrecision);
    roundDigits(rec, precision);
    if (decimals < 9999)
        roundDigits(rec, rec.Exponent + decimals);
    if (rec.Digits.empty()) {
        rec.Exponent = 0;
        rec.Negative = false;
    }
    return rec;
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs)
{
    precision = std::clamp(precision, 1, kMaxPrecision);
    TFloatRec rec = FloatToDecimal(value, precision, format == TFloatFormat::ffGeneral || format == TFloatFormat::ffExponent ? 9999 : digits);
    if (rec.Nan || rec.Infinite)
        return specialText(rec);
    switch (format) {
    case TFloatFormat::ffGeneral:
        return generalForm(rec, precision, fs.DecimalSeparator);
    case TFloatFormat::ffExponent: {
        const QString body = exponentForm(rec, precision, std::clamp(digits, 0, 4), true, fs.DecimalSeparator);
        return (rec.Negative ? QStringLiteral("-") : QString()) + body;
    }
    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber:
    case TFloatFormat::ffCurrency: {
        if (rec.Exponent > precision) // too large for fixed notation
            return generalForm(FloatToDecimal(value, precision, 9999), precision, fs.DecimalSeparator);
        digits = std::clamp(digits, 0, 18);
        QString intPart, fracPart;
        splitDigits(rec, digits, intPart, fracPart);
        if (intPart.isEmpty())
            intPart = QStringLiteral("0");
        if (format != TFloatFormat::ffFixed)
            intPart = groupThousands(intPart, fs.ThousandSeparator);
        QString number = intPart;
        if (digits > 0)
            number += fs.DecimalSeparator + fracPart;
        if (format != TFloatFormat::ffCurrency)
            return (rec.Negative ? QStringLiteral("-") : QString()) + number;
        const QString& cur = fs.CurrencyString;
        if (!rec.Negative) {
            switch (fs.CurrencyFormat) {
            case 0: return cur + number;
            case 1: return number + cur;
            case 2: return cur + QLatin1Char(' ') + number;
            default: return number + QLatin1Char(' ') + cur;
            }
        }
        static const char* neg[16] = {"($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
                                      "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
        QString pattern = QString::fromLatin1(neg[std::clamp(fs.NegCurrFormat, 0, 15)]);
        QString out;
        for (QChar c : pattern) {
            if (c == QLatin1Char('$'))
                out += cur;
            else if (c == QLatin1Char('1'))
                out += number;
            else
                out += c;
        }
        return out;
    }
    }
    return QString();
}

QString FloatToStr(double value, const TFormatSettings& fs)
{
    return FloatToStrF(value, TFloatFormat::ffGeneral, kMaxPrecision, 0, fs);
}

QString CurrToStr(double value, const TFormatSettings& fs)
{
    return FloatToStrF(std::round(value * 10000.0) / 10000.0, TFloatFormat::ffGeneral, kMaxPrecision, 0, fs);
}

QString FormatFloat(const QString& format, double value, const TFormatSettings& fs)
{
    if (std::isnan(value) || std::isinf(value))
        return specialText(FloatToDecimal(value, kMaxPrecision, 0));
    if (format.isEmpty())
        return FloatToStr(value, fs);
    const QList<QString> sections = splitSections(format);
    const double absValue = std::fabs(value);
    const Section first = analyse(sections[0]);
    Section use = first;
    bool minus = false;
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty()) {
        use = analyse(sections[1]);
    } else if (value < 0) {
        minus = true;
    }
    if (sections.size() >= 3 && !sections[2].isEmpty() && isZeroAfterRounding(use, absValue)) {
        use = analyse(sections[2]);
        minus = false;
    }
    if (minus && isZeroAfterRounding(use, absValue))
        minus = false;
    return (minus ? QStringLiteral("-") : QString()) + applySection(use, absValue, fs);
}

QString FormatCurr(const QString& format, double value, const TFormatSettings& fs)
{
    const TFloatRec rec = FloatToDecimal(value, kMaxPrecision, 4);
    double rounded = 0;
    if (!rec.Digits.empty()) {
        std::string text = std::string(rec.Negative ? "-" : "") + "0." + rec.Digits + "e" + std::to_string(rec.Exponent);
        std::from_chars(text.data(), text.data() + text.size(), rounded);
    }
    return FormatFloat(format, rounded, fs);
}

bool TryStrToFloat(const QString& text, double& value, const TFormatSettings& fs)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    std::string ascii;
    ascii.reserve(t.size());
    bool seenPoint = false, seenDigit = false, seenExp = false;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.unicode() >= '0' && c.unicode() <= '9') {
            ascii += char(c.unicode());
            seenDigit = true;
        } else if (c == fs.DecimalSeparator && !seenPoint && !seenExp) {
            ascii += '.';
            seenPoint = true;
        } else if ((c == QLatin1Char('+') || c == QLatin1Char('-')) &&
                   (i == 0 || (seenExp && (ascii.back() == 'e')))) {
            if (c == QLatin1Char('-'))
                ascii += '-';
        } else if ((c == QLatin1Char('e') || c == QLatin1Char('E')) && seenDigit && !seenExp) {
            ascii += 'e';
            seenExp = true;
        } else {
            return false;
        }
    }
    if (!seenDigit || ascii.back() == 'e' || ascii.back() == '-')
        return false;
    double v = 0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size())
        return false;
    value = v;
    return true;
}

double StrToFloat(const QString& text, const TFormatSettings& fs)
{
    double v = 0;
    if (!TryStrToFloat(text, v, fs))
        throw EConvertError(("'" + text + "' is not a valid floating point value").toStdString());
    return v;
}

} // namespace rtl

#include "platform/rtl/FormatDateTime.h"

#include <cmath>

namespace rtl {

namespace {

// v in figures, led by zeros to at least `width` of them; written straight into out, as dates are formatted for
// every row painted and every record filed.
void appendNumber(QString& out, int v, int width = 1)
{
    if (v < 0) {
        out += QString::number(v).rightJustified(width, QLatin1Char('0'));
        return;
    }
    char16_t figures[12];
    int n = 0;
    do {
        figures[n++] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v > 0);
    for (; n < width; --width)
        out += QLatin1Char('0');
    while (n > 0)
        out += QChar(figures[--n]);
}

struct Moment {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    int dow = 1;
};

bool startsWithCi(const QString& s, int i, const char* word)
{
    return QStringView(s).sliced(i).startsWith(QLatin1String(word), Qt::CaseInsensitive);
}

// True when the pattern holds an AM/PM marker at or after position i: hours then count 1..12.
bool hasAmPm(const QString& f, int i)
{
    for (; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const int end = f.indexOf(c, i + 1);
            if (end < 0)
                return false;
            i = end;
            continue;
        }
        if (startsWithCi(f, i, "am/pm") || startsWithCi(f, i, "a/p") || startsWithCi(f, i, "ampm"))
            return true;
    }
    return false;
}

void format(QString& out, const QString& f, const Moment& m, TDateTime value, const TFormatSettings& fs, int depth)
{
    if (depth > 2)
        return; // settings that name themselves end here
    QChar lastToken;
    for (int i = 0; i < f.size();) {
        const QChar c = f[i];
        const QChar u = c.toUpper();
        int run = 1;
        while (i + run < f.size() && f[i + run].toUpper() == u)
            ++run;
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            int end = f.indexOf(c, i + 1);
            if (end < 0)
                end = int(f.size());
            out += f.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (u == QLatin1Char('A')) {
            const bool pm = m.hour >= 12;
            if (startsWithCi(f, i, "am/pm")) {
                const QString t = f.mid(i + (pm ? 3 : 0), 2);
                out += t;
                i += 5;
            } else if (startsWithCi(f, i, "a/p")) {
                out += f[i + (pm ? 2 : 0)];
                i += 3;
            } else if (startsWithCi(f, i, "ampm")) {
                out += pm ? fs.TimePMString : fs.TimeAMString;
                i += 4;
            } else {
                out += c;
                ++i;
            }
            continue;
        }
        switch (u.unicode()) {
        case 'C':
            format(out, fs.ShortDateFormat, m, value, fs, depth + 1);
            if (value - std::floor(value) != 0.0 || value < 0) {
                out += QLatin1Char(' ');
                format(out, fs.LongTimeFormat, m, value, fs, depth + 1);
            }
            run = 1;
            break;
        case 'D':
            switch (run) {
            case 1: appendNumber(out, m.day); break;
            case 2: appendNumber(out, m.day, 2); break;
            case 3: out += fs.ShortDayNames[m.dow - 1]; break;
            case 4: out += fs.LongDayNames[m.dow - 1]; break;
            case 5: format(out, fs.ShortDateFormat, m, value, fs, depth + 1); break;
            default: run = 6; format(out, fs.LongDateFormat, m, value, fs, depth + 1); break;
            }
            break;
        case 'M':
            if (lastToken == QLatin1Char('H')) {
                run = std::min(run, 2);
                appendNumber(out, m.minute, run);
            } else {
                run = std::min(run, 4);
                switch (run) {
                case 1: appendNumber(out, m.month); break;
                case 2: appendNumber(out, m.month, 2); break;
                case 3: out += fs.ShortMonthNames[m.month - 1]; break;
                default: out += fs.LongMonthNames[m.month - 1]; break;
                }
            }
            break;
        case 'Y':
            if (run <= 2)
                appendNumber(out, m.year % 100, 2);
            else
                appendNumber(out, m.year, 4);
            break;
        case 'H': {
            run = std::min(run, 2);
            int h = m.hour;
            if (hasAmPm(f, i + run)) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            appendNumber(out, h, run);
            break;
        }
        case 'N':
            run = std::min(run, 2);
            appendNumber(out, m.minute, run);
            break;
        case 'S':
            run = std::min(run, 2);
            appendNumber(out, m.second, run);
            break;
        case 'Z':
            run = run >= 3 ? 3 : 1;
            appendNumber(out, m.msec, run);
            break;
        case 'T':
            run = std::min(run, 2);
            format(out, run == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, m, value, fs, depth + 1);
            break;
        case '/':
            run = 1;
            out += fs.DateSeparator;
            break;
        case ':':
            run = 1;
            out += fs.TimeSeparator;
            break;
        default:
            run = 1;
            out += c;
            break;
        }
        if (QStringLiteral("CDMYHNSZT").contains(u))
            lastToken = u;
        i += run;
    }
}

// Reads an unsigned number at pos; false when none.
bool readNumber(const QString& s, int& pos, int& value, int& digits)
{
    value = 0;
    digits = 0;
    while (pos < s.size() && s[pos].unicode() >= '0' && s[pos].unicode() <= '9') {
        if (digits < 9)
            value = value * 10 + (s[pos].unicode() - '0');
        ++digits;
        ++pos;
    }
    return digits > 0;
}

void skipBlanks(const QString& s, int& pos)
{
    while (pos < s.size() && s[pos] == QLatin1Char(' '))
        ++pos;
}

bool scanDate(const QString& s, int& pos, TDateTime& value, const TFormatSettings& fs)
{
    // The order of the fields follows the first letters of the short date pattern.
    QString order;
    for (QChar c : fs.ShortDateFormat) {
        const QChar u = c.toUpper();
        if ((u == QLatin1Char('D') || u == QLatin1Char('M') || u == QLatin1Char('Y')) && !order.contains(u))
            order += u;
    }
    if (order.size() != 3)
        order = QStringLiteral("DMY");
    int n[3] = {0, 0, 0};
    int len[3] = {0, 0, 0};
    int count = 0;
    skipBlanks(s, pos);
    while (count < 3) {
        if (!readNumber(s, pos, n[count], len[count]))
            return false;
        ++count;
        if (count < 3 && pos < s.size() && s[pos] == fs.DateSeparator)
            ++pos;
        else
            break;
    }
    if (count < 2)
        return false;
    int day = 0, month = 0, year = -1;
    bool shortYear = false;
    if (count == 2) {
        // Without a year: the two fields keep their relative order.
        QString dm = order;
        dm.remove(QLatin1Char('Y'));
        day = dm[0] == QLatin1Char('D') ? n[0] : n[1];
        month = dm[0] == QLatin1Char('M') ? n[0] : n[1];
    } else {
        for (int k = 0; k < 3; ++k) {
            if (order[k] == QLatin1Char('D'))
                day = n[k];
            else if (order[k] == QLatin1Char('M'))
                month = n[k];
            else {
                year = n[k];
                shortYear = len[k] <= 2;
            }
        }
    }
    SystemTime now = LocalSystemTime();
    if (year < 0)
        year = now.wYear;
    else if (shortYear)
        year += (now.wYear / 100) * 100;
    return TryEncodeDate(year, month, day, value);
}

bool scanTime(const QString& s, int& pos, TDateTime& value, const TFormatSettings& fs)
{
    int h = 0, m = 0, sec = 0, ms = 0, digits = 0;
    skipBlanks(s, pos);
    if (!readNumber(s, pos, h, digits))
        return false;
    if (pos < s.size() && s[pos] == fs.TimeSeparator) {
        ++pos;
        if (!readNumber(s, pos, m, digits))
            return false;
        if (pos < s.size() && s[pos] == fs.TimeSeparator) {
            ++pos;
            if (!readNumber(s, pos, sec, digits))
                return false;
            if (pos < s.size() && s[pos] == fs.DecimalSeparator) {
                ++pos;
                if (!readNumber(s, pos, ms, digits))
                    return false;
            }
        }
    } else {
        return false;
    }
    skipBlanks(s, pos);
    auto marker = [&](const QString& word) {
        return !word.isEmpty() && s.mid(pos, word.size()).compare(word, Qt::CaseInsensitive) == 0;
    };
    int pm = -1;
    if (marker(fs.TimeAMString) || marker(QStringLiteral("AM"))) {
        pm = 0;
        pos += marker(fs.TimeAMString) ? int(fs.TimeAMString.size()) : 2;
    } else if (marker(fs.TimePMString) || marker(QStringLiteral("PM"))) {
        pm = 1;
        pos += marker(fs.TimePMString) ? int(fs.TimePMString.size()) : 2;
    }
    if (pm >= 0) {
        if (h < 1 || h > 12)
            return false;
        h = h % 12 + (pm ? 12 : 0);
    }
    return TryEncodeTime(h, m, sec, ms, value);
}

bool atEnd(const QString& s, int pos)
{
    skipBlanks(s, pos);
    return pos >= s.size();
}

} // namespace

QString FormatDateTime(const QString& fmt, TDateTime value, const TFormatSettings& fs)
{
    Moment m;
    DecodeDateTime(value, m.year, m.month, m.day, m.hour, m.minute, m.second, m.msec);
    m.dow = DayOfWeek(value);
    QString out;
    out.reserve(fmt.size() + 16);
    format(out, fmt.isEmpty() ? QStringLiteral("C") : fmt, m, value, fs, 0);
    return out;
}

QString DateToStr(TDateTime value, const TFormatSettings& fs)
{
    return FormatDateTime(fs.ShortDateFormat, value, fs);
}

QString TimeToStr(TDateTime value, const TFormatSettings& fs)
{
    return FormatDateTime(fs.LongTimeFormat, value, fs);
}

QString DateTimeToStr(TDateTime value, const TFormatSettings& fs)
{
    return FormatDateTime(QStringLiteral("c"), value, fs);
}

bool TryStrToDate(const QString& text, TDateTime& value, const TFormatSettings& fs)
{
    int pos = 0;
    TDateTime v = 0;
    if (!scanDate(text, pos, v, fs) || !atEnd(text, pos))
        return false;
    value = v;
    return true;
}

bool TryStrToTime(const QString& text, TDateTime& value, const TFormatSettings& fs)
{
    int pos = 0;
    TDateTime v = 0;
    if (!scanTime(text, pos, v, fs) || !atEnd(text, pos))
        return false;
    value = v;
    return true;
}

bool TryStrToDateTime(const QString& text, TDateTime& value, const TFormatSettings& fs)
{
    int pos = 0;
    TDateTime d = 0, t = 0;
    if (!scanDate(text, pos, d, fs)) {
        // A time alone is a time of day 0.
        return TryStrToTime(text, value, fs);
    }
    if (!atEnd(text, pos)) {
        if (!scanTime(text, pos, t, fs) || !atEnd(text, pos))
            return false;
    }
    value = d < 0 ? d - t : d + t;
    return true;
}

TDateTime StrToDate(const QString& text, const TFormatSettings& fs)
{
    TDateTime v = 0;
    if (!TryStrToDate(text, v, fs))
        throw EConvertError(("'" + text + "' is not a valid date").toStdString());
    return v;
}

TDateTime StrToTime(const QString& text, const TFormatSettings& fs)
{
    TDateTime v = 0;
    if (!TryStrToTime(text, v, fs))
        throw EConvertError(("'" + text + "' is not a valid time").toStdString());
    return v;
}

TDateTime StrToDateTime(const QString& text, const TFormatSettings& fs)
{
    TDateTime v = 0;
    if (!TryStrToDateTime(text, v, fs))
        throw EConvertError(("'" + text + "' is not a valid date and time").toStdString());
    return v;
}

} // namespace rtl

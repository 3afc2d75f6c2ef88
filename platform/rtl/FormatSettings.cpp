#include "platform/rtl/FormatSettings.h"

namespace rtl {

namespace {

void setNames(TFormatSettings& s, const char* const shortMonths[12], const char* const longMonths[12],
              const char* const shortDays[7], const char* const longDays[7])
{
    for (int i = 0; i < 12; ++i) {
        s.ShortMonthNames[i] = QString::fromUtf8(shortMonths[i]);
        s.LongMonthNames[i] = QString::fromUtf8(longMonths[i]);
    }
    for (int i = 0; i < 7; ++i) {
        s.ShortDayNames[i] = QString::fromUtf8(shortDays[i]);
        s.LongDayNames[i] = QString::fromUtf8(longDays[i]);
    }
}

} // namespace

TFormatSettings TFormatSettings::russian()
{
    TFormatSettings s;
    s.DecimalSeparator = QLatin1Char(',');
    s.ThousandSeparator = QChar(0x00A0);
    s.DateSeparator = QLatin1Char('.');
    s.TimeSeparator = QLatin1Char(':');
    s.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    s.LongDateFormat = QString::fromUtf8("d MMMM yyyy 'г.'");
    s.ShortTimeFormat = QStringLiteral("H:mm");
    s.LongTimeFormat = QStringLiteral("H:mm:ss");
    const char* shortMonths[12] = {"янв", "фев", "мар", "апр", "май", "июн", "июл", "авг", "сен", "окт", "ноя", "дек"};
    const char* longMonths[12] = {"Январь", "Февраль", "Март", "Апрель", "Май", "Июнь",
                                  "Июль", "Август", "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    const char* shortDays[7] = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    const char* longDays[7] = {"воскресенье", "понедельник", "вторник", "среда", "четверг", "пятница", "суббота"};
    setNames(s, shortMonths, longMonths, shortDays, longDays);
    s.CurrencyString = QString::fromUtf8("р.");
    s.CurrencyFormat = 3;
    s.NegCurrFormat = 8;
    s.CurrencyDecimals = 2;
    return s;
}

TFormatSettings TFormatSettings::english()
{
    TFormatSettings s;
    s.DecimalSeparator = QLatin1Char('.');
    s.ThousandSeparator = QLatin1Char(',');
    s.DateSeparator = QLatin1Char('/');
    s.TimeSeparator = QLatin1Char(':');
    s.ShortDateFormat = QStringLiteral("M/d/yyyy");
    s.LongDateFormat = QStringLiteral("dddd, MMMM dd, yyyy");
    s.ShortTimeFormat = QStringLiteral("h:mm AMPM");
    s.LongTimeFormat = QStringLiteral("h:mm:ss AMPM");
    s.TimeAMString = QStringLiteral("AM");
    s.TimePMString = QStringLiteral("PM");
    const char* shortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* longMonths[12] = {"January", "February", "March", "April", "May", "June",
                                  "July", "August", "September", "October", "November", "December"};
    const char* shortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const char* longDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    setNames(s, shortMonths, longMonths, shortDays, longDays);
    s.CurrencyString = QStringLiteral("$");
    s.CurrencyFormat = 0;
    s.NegCurrFormat = 0;
    s.CurrencyDecimals = 2;
    return s;
}

namespace {
TFormatSettings& current()
{
    static TFormatSettings s = TFormatSettings::russian();
    return s;
}
} // namespace

const TFormatSettings& formatSettings()
{
    return current();
}

void setFormatSettings(const TFormatSettings& settings)
{
    current() = settings;
}

} // namespace rtl

#pragma once
// Separators, date and time patterns and month and day names that number and date formatting use.
// Always passed in or taken from the process-wide default below; never from the C locale.
#include <QChar>
#include <QString>
#include <array>

namespace rtl {

struct TFormatSettings {
    QChar DecimalSeparator;
    QChar ThousandSeparator;
    QChar DateSeparator;
    QChar TimeSeparator;
    QString ShortDateFormat;
    QString LongDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QString TimeAMString;
    QString TimePMString;
    std::array<QString, 12> ShortMonthNames;
    std::array<QString, 12> LongMonthNames;
    std::array<QString, 7> ShortDayNames; // Sunday first
    std::array<QString, 7> LongDayNames;
    QString CurrencyString;
    int CurrencyFormat = 0; // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int NegCurrFormat = 0;  // the platform's 16 negative patterns; 8 is "-1 $"
    int CurrencyDecimals = 2;

    // As a Russian desktop has them: ',' and a non-breaking space, "dd.MM.yyyy", Russian names.
    static TFormatSettings russian();
    // '.' and ',' with English names: for files and tests that must not depend on the user's settings.
    static TFormatSettings english();
};

// The process-wide settings (Russian until the program sets others).
const TFormatSettings& formatSettings();
void setFormatSettings(const TFormatSettings& settings);

} // namespace rtl

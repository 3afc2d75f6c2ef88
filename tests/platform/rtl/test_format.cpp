#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/FormatFloat.h"
#include "common/testutil.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <clocale>
#include <string>

using namespace rtl;

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

const TFormatSettings& en()
{
    static const TFormatSettings s = TFormatSettings::english();
    return s;
}

const TFormatSettings& ru()
{
    static const TFormatSettings s = TFormatSettings::russian();
    return s;
}
} // namespace

TEST(FormatFloat, PatternTable)
{
    struct Case {
        const char* format;
        double value;
        const char* expected;
    } cases[] = {
        {"0.00", 2.5, "2.50"},
        {"0", 1234.5, "1235"},        // halves away from zero
        {"0", -1234.5, "-1235"},
        {"0", 2.5, "3"},
        {"0.00", 1.005, "1.01"},     // taken to 15 digits first
        {"0.00", 0.145, "0.15"},
        {"#,##0.00", 1234.5, "1,234.50"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,###.##", 0.5, ".5"},
        {"###.##", 1234.567, "1234.57"},
        {"###.##", 0, ""},
        {"#.##", 1.0, "1"},
        {"00000", 42, "00042"},
        {"0.0#", 3.14159, "3.14"},
        {"0.0#", 3.1, "3.1"},
        {"0.00;(0.00)", -5.5, "(5.50)"},
        {"0.00;(0.00);zero", 0.001, "zero"},
        {"0.00", -0.001, "0.00"},    // no minus on a value that rounds to zero
        {"\"x=\"0.0", 2, "x=2.0"},
        {"'#'0", 7, "#7"},
        {"0.00E+00", 12345, "1.23E+04"},
        {"0.0E-0", 0.00012, "1.2E-4"},
        {"", 1234.5, "1234.5"},
        {"0", 1e20, "100000000000000000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFloat(QString::fromLatin1(c.format), c.value, en()), QString::fromLatin1(c.expected))
            << c.format << " on " << c.value;
}

TEST(FormatFloat, RussianSeparatorsAndProcessLocaleIgnored)
{
    // The C locale of the process must play no part: it has a decimal comma here.
    const testutil::CommaLocale comma;
    if (!comma.ok())
        GTEST_SKIP() << "no locale with a decimal comma can be had here";
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234.5, ru()), u("1\u00a0234,50"));
    EXPECT_EQ(FloatToStr(0.123, ru()), u("0,123"));
    EXPECT_EQ(FloatToStr(0.123, en()), u("0.123"));
    const TFormatSettings semicolon = [] {
        TFormatSettings s = TFormatSettings::english();
        s.DecimalSeparator = QLatin1Char(';');
        return s;
    }();
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), 1.25, semicolon), u("1;3"));
    double v = 0;
    EXPECT_TRUE(TryStrToFloat(u("0.5"), v, en()) && v == 0.5);
    EXPECT_FALSE(TryStrToFloat(u("0,5"), v, en()));
    EXPECT_TRUE(TryStrToFloat(u("0,25"), v, ru()) && v == 0.25);
}

TEST(FloatToStrF, Forms)
{
    EXPECT_EQ(FloatToStrF(1234.5, TFloatFormat::ffFixed, 15, 0, en()), QStringLiteral("1235"));
    EXPECT_EQ(FloatToStrF(1234.5, TFloatFormat::ffFixed, 15, 2, ru()), u("1234,50"));
    EXPECT_EQ(FloatToStrF(-1234567.125, TFloatFormat::ffNumber, 15, 2, en()), QStringLiteral("-1,234,567.13"));
    EXPECT_EQ(FloatToStrF(1234.5, TFloatFormat::ffNumber, 15, 2, ru()), u("1\u00a0234,50"));
    EXPECT_EQ(FloatToStrF(1234.5, TFloatFormat::ffExponent, 4, 2, en()), QStringLiteral("1.235E+03"));
    EXPECT_EQ(FloatToStrF(12.5, TFloatFormat::ffCurrency, 15, 2, ru()), u("12,50 р."));
    EXPECT_EQ(FloatToStrF(-12.5, TFloatFormat::ffCurrency, 15, 2, ru()), u("-12,50 р."));
    EXPECT_EQ(FloatToStr(1e-5, en()), QStringLiteral("1E-5"));
    EXPECT_EQ(FloatToStr(0.0001, en()), QStringLiteral("0.0001"));
    EXPECT_EQ(FloatToStr(1e20, en()), QStringLiteral("1E20"));
    EXPECT_EQ(FloatToStr(-0.0, en()), QStringLiteral("0"));
    EXPECT_EQ(FloatToStr(0.1 + 0.2, en()), QStringLiteral("0.3"));
    EXPECT_EQ(FloatToStr(1.0 / 3.0, en()), QStringLiteral("0.333333333333333"));
}

TEST(StrToFloat, SeparatorOfTheSettingsOnly)
{
    double v = 0;
    EXPECT_TRUE(TryStrToFloat(u(" 0,123 "), v, ru()));
    EXPECT_DOUBLE_EQ(v, 0.123);
    EXPECT_FALSE(TryStrToFloat(u("0.123"), v, ru()));
    EXPECT_TRUE(TryStrToFloat(u("-1.5e3"), v, en()));
    EXPECT_DOUBLE_EQ(v, -1500);
    for (const char* bad : {"", "abc", "1.2.3", "1e", "--1", "1-"})
        EXPECT_FALSE(TryStrToFloat(QString::fromLatin1(bad), v, en())) << bad;
    EXPECT_THROW(StrToFloat(QStringLiteral("x"), en()), EConvertError);
}

TEST(FormatDateTime, PatternTable)
{
    const TDateTime t = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
    struct Case {
        const char* format;
        const char* expected;
    } cases[] = {
        {"dd.mm.yyyy", "05.03.2024"},
        {"d.m.yy", "5.3.24"},
        {"mm.dd.yy", "03.05.24"},
        {"d mmm yyyy", "5 мар 2024"},
        {"d mmmm yyyy", "5 Март 2024"},
        {"hh:nn:ss", "14:07:09"},
        {"h:nn", "14:07"},
        {"hh:mm", "14:07"},            // m after h is minutes
        {"hh:nn:ss.zzz", "14:07:09.045"},
        {"h:n:s.z", "14:7:9.45"},
        {"h:nn am/pm", "2:07 pm"},
        {"h:nn A/P", "2:07 P"},
        {"ddd dddd", "Вт вторник"},
        {"dd/mm/yyyy", "05.03.2024"},    // "/" is the date separator
        {"'dd' \"mm\" dd", "dd mm 05"},
        {"ddddd", "05.03.2024"},
        {"c", "05.03.2024 14:07:09"},
        {"tt", "14:07:09"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromLatin1(c.format), t, ru()), u(c.expected)) << c.format;
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), EncodeDate(2024, 3, 5), ru()), u("05.03.2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn"), 0.5, ru()), u("12:00"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd.mm.yyyy yy"), EncodeDate(5, 1, 2), ru()), u("02.01.0005 05"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn AMPM"), 0.5, en()), u("12:00 PM"));
}

TEST(StrToDate, FollowsTheShortDatePattern)
{
    EXPECT_EQ(StrToDate(u("05.03.2024"), ru()), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate(u("3/5/2024"), en()), EncodeDate(2024, 3, 5));
    const int year = LocalSystemTime().wYear;
    EXPECT_EQ(StrToDate(u("05.03"), ru()), EncodeDate(year, 3, 5));
    EXPECT_EQ(StrToDate(u("05.03.24"), ru()), EncodeDate(year / 100 * 100 + 24, 3, 5));
    EXPECT_DOUBLE_EQ(StrToTime(u("14:07:09"), ru()), EncodeTime(14, 7, 9, 0));
    EXPECT_DOUBLE_EQ(StrToTime(u("2:07 PM"), en()), EncodeTime(14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime(u("05.03.2024 14:07"), ru()), EncodeDateTime(2024, 3, 5, 14, 7, 0, 0));
    for (const char* bad : {"", "31.02.2024", "05-03-2024", "5", "05.03.2024x"})
        EXPECT_THROW(StrToDate(u(bad), ru()), EConvertError) << bad;
    EXPECT_THROW(StrToTime(u("25:00"), ru()), EConvertError);
}

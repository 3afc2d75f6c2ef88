#include "reportfixture.h"

#include "platform/data/MemDataSet.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"
#include "report/rpFormat.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpReport.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace rptest;

namespace {

// Format code and custom text a suffix gives, starting from the text category.
std::pair<qint32, QString> suffix(const char* s)
{
    qint32 format = 0x22C;
    QString custom = QStringLiteral("obj");
    rpApplyFormatSuffix(QString::fromLatin1(s), format, custom);
    return {format, custom};
}

} // namespace

TEST(DisplayFormat, SuffixTable)
{
    struct {
        const char* s;
        qint32 format;
        const char* custom;
    } cases[] = {
        {"N0.00", 0x0101002E, "obj"},       // fixed, the decimals are the digits after the separator
        {"N12,2", 0x0101022C, "obj"},
        {"12,2", 0x0101022C, "obj"},        // a leading digit means N
        {"N#,##0.00", 0x0104002E, "#,##0.00"},
        {"N#,##0", 0x0104002C, "#.##0"},    // the last of , - . is the separator, rewritten as "."
        {"n", 0x01040000, ""},            // no second character: a custom pattern, empty
        {"Ddd.mm.yyyy", 0x02040000, "dd.mm.yyyy"},
        {"thh:nn", 0x02040000, "hh:nn"},
        {"BNo;Yes", 0x04040000, "No;Yes"},
        {"xyz", 0x22C, "xyz"},
    };
    for (const auto& c : cases) {
        const auto [format, custom] = suffix(c.s);
        EXPECT_EQ(format, c.format) << c.s << " gave 0x" << std::hex << format;
        EXPECT_EQ(custom, QString::fromLatin1(c.custom)) << c.s;
    }
}

TEST(DisplayFormat, FormatValueTable)
{
    rtl::setFormatSettings(rtl::TFormatSettings::russian());
    const QVariant date = QDate(2024, 3, 5);
    struct {
        QVariant value;
        qint32 format;
        const char* custom;
        const char* expected;
    } cases[] = {
        {1234.5, 0x0101002E, "", "1235"},
        {1234.5, 0x0101022C, "", "1234,50"},
        {1234.5, 0x0104002E, "#,##0.00", "1\u00a0234.50"},
        {1234.567, rpMakeFormat(1, 0, 0, '.'), "", "1234.57"},
        {1234.5, rpMakeFormat(1, 3, 1, ','), "", "1\u00a0234,5"},
        {-2.5, rpMakeFormat(1, 1, 0, ','), "", "-3"},
        {QString::fromUtf8("12,5"), rpMakeFormat(1, 1, 2, '.'), "", "12.50"},
        {date, 0x02040000, "dd.mm.yyyy", "05.03.2024"},
        {date, rpMakeFormat(2, 1, 0, 0), "", "03.05.2024"},
        {date, rpMakeFormat(2, 3, 0, 0), "", "5 Март 2024"},
        {0.5, rpMakeFormat(3, 2, 0, 0), "", "12:00"},
        {0, 0x04040000, "No;Yes", "No"},
        {1, 0x04040000, "No;Yes", "Yes"},
        {true, rpMakeFormat(4, 3, 0, 0), "", "True"},
        {0, rpMakeFormat(4, 2, 0, 0), "", "_"},
        {QString::fromUtf8("abc"), 0x22C, "", "abc"},
        {QString::fromUtf8("abc"), 0x0101022C, "", "abc"}, // not a number: its plain text
        {12.5, rpMakeFormat(5, 0, 0, 0), "", ""},
        {QVariant(), 0x0101022C, "", " "},
        {QVariant(QMetaType(QMetaType::QString)), 0x22C, "", " "}, // null
        {0.125, 0x22C, "", "0,125"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rpFormatValue(c.value, c.format, QString::fromUtf8(c.custom)), QString::fromUtf8(c.expected))
            << c.value.toString().toStdString() << " 0x" << std::hex << c.format;
    // The separator of a code holds for that value only.
    EXPECT_EQ(rtl::formatSettings().DecimalSeparator, QLatin1Char(','));
}

class ValueLookup : public ::testing::Test {
protected:
    ValueLookup() : owner(QStringLiteral("fmReport")), report(&owner)
    {
        CurReport = &report;
        query.SetName(QStringLiteral("Query"));
        query.AddFieldDef(QStringLiteral("DATE"), ftString, 19);
        query.AddFieldDef(QStringLiteral("IZM"), ftFloat);
        query.Open();
        query.AppendRecord({QStringLiteral("2024.03.05 10:00:00"), 0.25});
        query.AppendRecord({QStringLiteral("2024.03.06 11:00:00"), QVariant()});
        query.First();
        owner.Add(QStringLiteral("Query"), &query);
    }
    ~ValueLookup() override { CurReport = nullptr; }

    void addValue(const char* name, TrpValueType typ, const char* field, int kind = 0)
    {
        const int i = report.Values.AddValue();
        report.Values.SetName(i, QString::fromLatin1(name));
        report.Values.GetValue(i)->Typ = typ;
        report.Values.GetValue(i)->Field = QString::fromLatin1(field);
        report.Values.GetValue(i)->OtherKind = kind;
    }

    QString text(const char* expr)
    {
        QString t;
        report.InternalOnGetValue(QString::fromUtf8(expr), t);
        return t;
    }

    ParserScope parser;
    TrpOwner owner;
    TMemDataSet query;
    TrpReport report;
};

TEST_F(ValueLookup, HandlerFirstThenTableThenFieldsThenSpecialNames)
{
    addValue("Total", vtOther, "2 + 3", svExpression);
    addValue("Free", vtNotAssigned, "");
    addValue("Page", vtOther, "", svPage);
    QStringList asked;
    report.OnGetValue = [&](const QString& name, QVariant& value) {
        asked << name;
        if (name == QLatin1String("Operator"))
            value = QString::fromUtf8("Иванов");
        if (name == QLatin1String("Zero"))
            value = 0; // any assigned value is final
    };
    EXPECT_EQ(text("Operator"), QString::fromUtf8("Иванов"));
    EXPECT_EQ(text("Zero"), QStringLiteral("0"));
    EXPECT_EQ(text("Total #N0"), QStringLiteral("5"));
    EXPECT_EQ(text("Free"), QString());
    PageNo = 2;
    EXPECT_EQ(text("Page"), QStringLiteral("3"));
    EXPECT_EQ(text("PAGE#"), QStringLiteral("3"));
    PageNo = 0;
    EXPECT_EQ(text("Query.\"DATE\""), QStringLiteral("2024.03.05 10:00:00"));
    EXPECT_EQ(text("Query.IZM #N12,3"), QStringLiteral("0,250"));
    query.Next();
    EXPECT_EQ(text("Query.IZM #N12,3"), QStringLiteral(" ")); // a null field prints one blank
    EXPECT_TRUE(asked.contains(QStringLiteral("Query.IZM")));
    report.BuildMoment = rtl::EncodeDateTime(2024, 3, 5, 14, 7, 0, 0);
    EXPECT_EQ(text("DATE #Ddd.mm.yyyy"), QStringLiteral("05.03.2024"));
    EXPECT_EQ(text("TIME #Thh:nn"), QStringLiteral("14:07"));
    // In the text category a date shows as a date, a time as a time.
    EXPECT_EQ(text("DATE"), QStringLiteral("05.03.2024"));
    EXPECT_EQ(text("TIME"), QStringLiteral("14:07:00"));
}

TEST_F(ValueLookup, NamesReferringToThemselvesOrEachOtherRaiseUndefinedSymbol)
{
    addValue("A", vtRPVar, "[B] + 1");
    addValue("B", vtRPVar, "[A] + 1");
    addValue("C", vtRPVar, "[D] + 1");
    addValue("D", vtRPVar, "41");
    try {
        text("A");
        FAIL() << "no error";
    } catch (const ErpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Undefined symbol \"A\""));
    }
    EXPECT_EQ(text("C"), QStringLiteral("42")); // a chain without a cycle is fine, and the guard was cleared
    try {
        text("SELF"); // neither value, field nor special name: evaluated as itself
        FAIL() << "no error";
    } catch (const ErpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Undefined symbol \"SELF\""));
    }
}

TEST_F(ValueLookup, MemoExpandsBracketsAndLineBreaksOfValues)
{
    report.OnGetValue = [](const QString& name, QVariant& value) {
        if (name == QLatin1String("Two"))
            value = QStringLiteral("first\r\nsecond");
        if (name == QLatin1String("X"))
            value = QStringLiteral("[not again]");
    };
    TrpMemoView memo;
    CurView = &memo;
    // The inserted text is not scanned again; a bracket inside quotes does not end the expression.
    memo.Memo = {QStringLiteral("[Two]"), QString(), QStringLiteral("a[X]b ['q]'] end")};
    memo.ExpandVariables();
    EXPECT_EQ(memo.Memo1, (QStringList{QStringLiteral("first"), QStringLiteral("second"), QString(),
                                       QStringLiteral("a[not again]b q] end")}));
    CurView = nullptr;
}

TEST_F(ValueLookup, InsertedTextBreaksAtEachKindOfLineEnd)
{
    const std::pair<const char*, QStringList> cases[] = {
        {"", {""}},
        {"one", {"one"}},
        {"one\r\ntwo", {"one", "two"}},
        {"one\rtwo\nthree", {"one", "two", "three"}},
        {"one\n\rtwo", {"one", "", "two"}}, // LF then CR are two breaks
        {"one\r\n\r\ntwo", {"one", "", "two"}},
        {"one\n", {"one"}},                 // a break at the end makes no empty line
        {"one\n\n", {"one", ""}},
        {"\n", {""}},
        {"\r\n", {""}},
    };
    QString current;
    report.OnGetValue = [&current](const QString&, QVariant& value) { value = current; };
    TrpMemoView memo;
    CurView = &memo;
    memo.Memo = {QStringLiteral("[T]")};
    for (const auto& [text, lines] : cases) {
        current = QString::fromLatin1(text);
        memo.ExpandVariables();
        EXPECT_EQ(memo.Memo1, lines) << QString::fromLatin1(text).toUtf8().toPercentEncoding().constData();
    }
    CurView = nullptr;
}

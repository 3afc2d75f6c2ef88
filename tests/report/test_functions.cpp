#include "reportfixture.h"
#include "common/dialogscript.h"

#include "platform/data/MemDataSet.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpBand.h"
#include "report/rpComponents.h"
#include "report/rpExportFilter.h"
#include "report/rpMemoView.h"
#include "report/rpReport.h"
#include "report/rpStdFunctionLibrary.h"

#include <QApplication>
#include <QBuffer>
#include <QInputDialog>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace rptest;

class Functions : public ::testing::Test {
protected:
    Functions() : owner(QStringLiteral("fmJournal")), report(&owner)
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        CurReport = &report;
        query.AddFieldDef(QStringLiteral("IZM"), ftFloat);
        query.Open();
        owner.Add(QStringLiteral("Query"), &query);
    }
    ~Functions() override
    {
        CurReport = nullptr;
        CurBand = nullptr;
        CurView = nullptr;
    }

    QString call(const char* name, const char* p1 = "", const char* p2 = "", const char* p3 = "")
    {
        QString val;
        report.InternalOnFunction(QString::fromLatin1(name), QString::fromUtf8(p1), QString::fromUtf8(p2),
                                  QString::fromUtf8(p3), val);
        return val;
    }

    ParserScope parser;
    TrpOwner owner;
    TMemDataSet query;
    TrpReport report;
};

TEST_F(Functions, TextAndConversionFunctions)
{
    EXPECT_EQ(call("NAMECASE", "'иВАНОВ'"), QString::fromUtf8("'Иванов'"));
    EXPECT_EQ(call("NAMECASE", "''"), QStringLiteral("''"));
    EXPECT_EQ(call("UPPERCASE", "'ёлка'"), QString::fromUtf8("'ЁЛКА'"));
    EXPECT_EQ(call("LOWERCASE", "'ABC'"), QStringLiteral("'abc'"));
    EXPECT_EQ(call("FORMATFLOAT", "'0.00'", "2.5"), QStringLiteral("'2,50'"));
    EXPECT_EQ(call("FORMATDATETIME", "'dd.mm.yyyy'", "45356"), QStringLiteral("'05.03.2024'"));
    EXPECT_EQ(call("STRTODATE", "'05.03.2024'"), QStringLiteral("%d'05.03.2024'"));
    EXPECT_EQ(call("STRTOTIME", "'10:00'"), QStringLiteral("%t'10:00'"));
    QString prompt;
    {
        testutil::DialogScript script;
        script.Then<QInputDialog>([&prompt](QInputDialog* d) {
            prompt = d->labelText();
            auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_TRUE(edit && d->isAncestorOf(edit)) << "the text is typed into the box";
            QTest::keyClick(edit, Qt::Key_End);
            QTest::keyClicks(edit, QStringLiteral("!"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        EXPECT_EQ(call("INPUT", "'Name?'", "'Bob'"), QStringLiteral("'Bob!'"));
    }
    EXPECT_EQ(prompt, QStringLiteral("Name?"));
    // A name no library holds: "0", and the report's own handler has the last word.
    EXPECT_EQ(call("NOSUCH"), QStringLiteral("0"));
    report.OnUserFunction = [](const QString& name, const QVariant&, const QVariant&, const QVariant&, QString& v) {
        v = QLatin1Char('\'') + name + QLatin1Char('\'');
    };
    EXPECT_EQ(call("NOSUCH"), QStringLiteral("'NOSUCH'"));
    QString untouched = QStringLiteral("keep");
    EXPECT_FALSE(rpFunctions().first()->OnFunction(QStringLiteral("NOSUCH"), {}, {}, {}, untouched));
    EXPECT_EQ(untouched, QStringLiteral("keep"));
}

TEST_F(Functions, DataSetAggregates)
{
    query.AppendRecord({1.5});
    query.AppendRecord({QVariant()}); // a null counts as 0
    query.AppendRecord({3.0});
    EXPECT_EQ(call("SUM", "Query.IZM"), QStringLiteral("4,5"));
    EXPECT_EQ(call("AVG", "Query.IZM"), QStringLiteral("1,5"));
    EXPECT_EQ(call("MIN", "Query.IZM"), QStringLiteral("0"));
    EXPECT_EQ(call("MAX", "Query.IZM"), QStringLiteral("3"));
    EXPECT_EQ(call("COUNT", "Query"), QStringLiteral("3"));
    EXPECT_TRUE(query.Eof());
    TMemDataSet empty;
    empty.AddFieldDef(QStringLiteral("IZM"), ftFloat);
    empty.Open();
    owner.Add(QStringLiteral("Empty"), &empty);
    EXPECT_EQ(call("MIN", "Empty.IZM"), QStringLiteral("1E200"));
    EXPECT_EQ(call("AVG", "Empty.IZM"), QStringLiteral("0"));
}

TEST_F(Functions, BandAggregatesCountEachRecordOnce)
{
    TrpBand data;
    TrpMemoView dataView;
    dataView.Name = QStringLiteral("MasterData1");
    data.View = &dataView;
    data.Typ = btMasterData;
    TrpBand footer;
    footer.Typ = btMasterFooter;
    footer.Visible = false; // accumulating
    TrpMemoView sumView;
    sumView.Parent = &footer;
    CurView = &sumView;
    CurBand = &data;
    int value = 0;
    report.OnGetValue = [&](const QString& name, QVariant& v) {
        if (name == QLatin1String("N"))
            v = value;
    };
    for (int v : {2, 5, 4}) {
        value = v;
        call("SUM", "[N]", "MasterData1");
        call("SUM", "[N]", "MasterData1"); // the same record again: not counted twice
        call("MAX", "[N]", "MasterData1");
        call("COUNT", "", "MasterData1");
        ++footer.AggregateCount;
        // The band clears the marks before its next record.
        for (QString& entry : footer.Values)
            entry[entry.indexOf(QLatin1Char('=')) + 1] = QLatin1Char('0');
    }
    footer.Visible = true;
    CurBand = &footer;
    EXPECT_EQ(call("SUM", "[N]", "MasterData1"), QStringLiteral("11"));
    EXPECT_EQ(call("MAX", "[N]", "MasterData1"), QStringLiteral("5"));
    EXPECT_EQ(call("AVG", "[N]", "MasterData1"), QStringLiteral("0")); // never accumulated
    EXPECT_EQ(call("COUNT", "", "MasterData1"), QStringLiteral("3"));
    // A data band holds no band aggregates.
    sumView.Parent = &data;
    EXPECT_EQ(call("SUM", "[N]", "MasterData1"), QStringLiteral("0"));
}

TEST(ExportFilterBase, FilterThatOverridesNothingWritesNothingAndFreesItsLines)
{
    QByteArray out;
    QBuffer stream(&out);
    stream.open(QIODevice::WriteOnly);
    {
        TrpExportFilter filter(&stream);
        filter.OnBeginDoc();
        filter.OnBeginPage();
        filter.OnText(1, 2, QStringLiteral("x"), nullptr);
        filter.OnEndPage();
        filter.OnEndDoc();
        auto* head = new TrpTextNode;
        head->Next = new TrpTextNode;
        filter.Lines.append(head);
        filter.ClearLines();
        EXPECT_TRUE(filter.Lines.isEmpty());
        filter.Lines.append(new TrpTextNode); // freed by the destructor
    }
    EXPECT_TRUE(out.isEmpty());
}

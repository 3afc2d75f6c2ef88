#include "reportfixture.h"

#include "platform/data/DataSource.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include "report/rpComponents.h"
#include "report/rpControls.h"
#include "report/rpDBDataSet.h"
#include "report/rpDataHelpers.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

using namespace rptest;

TEST(ReportComponent, DefaultsVariablesAndObjects)
{
    TrpReport report;
    EXPECT_TRUE(report.ShowProgress);
    EXPECT_TRUE(report.ModalPreview);
    EXPECT_TRUE(report.ModifyPrepared);
    EXPECT_EQ(report.PreviewButtons, rpAllPreviewButtons);
    EXPECT_EQ(report.FileName, QStringLiteral("Untitled"));

    report.SetVars({QStringLiteral("Journal"), QStringLiteral(" Date"), QStringLiteral(" Operator"), QStringLiteral("Act"),
                    QStringLiteral(" Number")});
    QStringList list;
    report.GetCategoryList(list);
    EXPECT_EQ(list, (QStringList{QStringLiteral("Journal"), QStringLiteral("Act")}));
    report.GetVarList(1, list);
    EXPECT_EQ(list, QStringList{QStringLiteral("Number")});
    report.GetVarList(0, list);
    EXPECT_EQ(list, (QStringList{QStringLiteral("Date"), QStringLiteral("Operator")}));
    EXPECT_EQ(report.FindVariable(QStringLiteral("Date")), 1);
    EXPECT_EQ(report.FindVariable(QStringLiteral("date")), -1);
    EXPECT_THROW(report.GetVarList(2, list), ErpError);

    CurReport = &report;
    report.Pages->Add();
    TrpPage* second = report.Pages->Add();
    auto* memo = new TrpMemoView;
    memo->Name = QStringLiteral("Memo1");
    second->Objects.append(memo);
    EXPECT_EQ(report.FindObject(QStringLiteral("memo1")), memo);
    EXPECT_EQ(report.FindObject(QStringLiteral("memo2")), nullptr);
    CurReport = nullptr;
}

TEST(ReportComponent, PrinterChoiceFromTheFile)
{
    RecordingBoxes boxes;
    TrpReport report;
    CurReport = &report;
    const int before = Prn().PrinterIndex;
    report.PrintToDefault = true;
    report.SetPrinterTo(QStringLiteral("default PRINTER"));
    EXPECT_EQ(Prn().PrinterIndex, before);
    report.PrintToDefault = false;
    report.SetPrinterTo(QStringLiteral("no such printer"));
    EXPECT_EQ(Prn().PrinterIndex, before);
    report.Pages->Add();
    EXPECT_FALSE(report.ChangePrinter(before, 99));
    EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("Printer selected is not valid")});
    EXPECT_EQ(Prn().PrinterIndex, before);
    EXPECT_TRUE(report.ChangePrinter(before, Prn().DefaultIndex));
    EXPECT_EQ(report.Pages->Pages(0)->pgWidth, 2100);
    CurReport = nullptr;
}

TEST(ReportComponent, StringTable)
{
    EXPECT_EQ(rpLoadStr(55077), QStringLiteral("Report title"));
    EXPECT_EQ(rpLoadStr(55098), QStringLiteral("None"));
    EXPECT_EQ(rpLoadStr(55110), QStringLiteral("Page#"));
    EXPECT_EQ(rpLoadStr(55130), QStringLiteral("Text"));
    EXPECT_EQ(rpLoadStr(55175), QStringLiteral("mm.dd.yy"));
    EXPECT_EQ(rpLoadStr(55182), QStringLiteral("h:nn"));
    EXPECT_EQ(rpLoadStr(55200), QStringLiteral("An error occured during calculating"));
    EXPECT_EQ(rpLoadStr(55337), QStringLiteral("0"));
    EXPECT_EQ(rpLoadStr(55193), QString());
    EXPECT_EQ(rpBandName(btGroupFooter), QStringLiteral("Group footer"));
    EXPECT_EQ(rpBoolFormat(1), QStringLiteral("No;Yes"));
}

class DataSets : public ::testing::Test {
protected:
    DataSets() : owner(QStringLiteral("fmReport")), report(&owner)
    {
        CurReport = &report;
        query.AddFieldDef(QStringLiteral("DATE"), ftString, 19);
        query.Open();
        for (const char* d : {"a", "b", "c", "d"})
            query.AppendRecord({QString::fromLatin1(d)});
        owner.Add(QStringLiteral("Query"), &query);
        rpDataSet.SetName(QStringLiteral("rpDBDataSet1"));
        rpDataSet.SetDataSet(&query);
        owner.Add(QStringLiteral("rpDBDataSet1"), &rpDataSet);
    }
    ~DataSets() override { CurReport = nullptr; }

    QStringList walk(TrpDataset& d)
    {
        QStringList seen;
        d.Init();
        for (d.First(); !d.Eof() && seen.size() < 20; d.Next())
            seen << query.FieldByName(QStringLiteral("DATE"))->AsString();
        d.Exit();
        return seen;
    }

    TrpOwner owner;
    TMemDataSet query;
    TrpDBDataSet rpDataSet;
    TrpReport report;
};

TEST_F(DataSets, RangesOfADatabaseDataSet)
{
    EXPECT_EQ(walk(rpDataSet), (QStringList{"a", "b", "c", "d"}));
    query.First();
    query.Next(); // "b" is current when the report starts
    rpDataSet.RangeBegin = rbCurrent;
    rpDataSet.RangeEnd = reCurrent;
    EXPECT_EQ(walk(rpDataSet), QStringList{"b"});
    EXPECT_EQ(query.FieldByName(QStringLiteral("DATE"))->AsString(), QStringLiteral("b"));
    rpDataSet.RangeBegin = rbFirst;
    rpDataSet.RangeEnd = reCount;
    rpDataSet.RangeEndCount = 2;
    EXPECT_EQ(walk(rpDataSet), (QStringList{"a", "b"}));
}

TEST_F(DataSets, UserDataSetsAndBandSources)
{
    TrpUserDataset three;
    three.RangeEnd = reCount;
    three.RangeEndCount = 3;
    int n = 0;
    three.Init();
    for (three.First(); !three.Eof(); three.Next())
        ++n;
    EXPECT_EQ(n, 3);
    three.OnCheckEOF = [](TrpDataset* d, bool& eof) { eof = eof || d->RecNo >= 1; };
    n = 0;
    for (three.First(); !three.Eof(); three.Next())
        ++n;
    EXPECT_EQ(n, 1);

    bool owned = false;
    std::unique_ptr<TrpDataset> five(rpBandDataSource(QStringLiteral("5"), owned));
    ASSERT_TRUE(five && owned);
    n = 0;
    for (five->First(); !five->Eof(); five->Next())
        ++n;
    EXPECT_EQ(n, 5);
    TrpDataset* named = rpBandDataSource(QStringLiteral("rpDBDataSet1"), owned);
    EXPECT_EQ(named, &rpDataSet);
    EXPECT_FALSE(owned);
    named->Exit();
    EXPECT_THROW(rpBandDataSource(QStringLiteral("Query"), owned), ErpError);
    EXPECT_EQ(rpBandDataSource(QStringLiteral("Nothing"), owned), nullptr);
}

TEST_F(DataSets, LastOfDataSetAndDataSourceWinsAndNamesResolve)
{
    TDataSource source;
    source.SetDataSet(&query);
    TrpDBDataSet d;
    d.SetName(QStringLiteral("rpX"));
    d.SetDataSet(&query);
    d.SetDataSource(&source);
    EXPECT_EQ(d.DataSet(), nullptr);
    EXPECT_EQ(d.GetDataSet(), &query);
    d.SetDataSet(&query);
    EXPECT_EQ(d.DataSource(), nullptr);
    d.Notification(&query);
    try {
        d.GetDataSet();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unable to open dataset rpX"));
    }

    TDataSet* ds = nullptr;
    TField* f = nullptr;
    rpGetDataSetAndField(QStringLiteral("Query.\"DATE\""), ds, f);
    EXPECT_EQ(ds, &query);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->FieldName(), QStringLiteral("DATE"));
    ds = nullptr;
    rpGetDataSetAndField(QStringLiteral("fmReport.rpDBDataSet1.DATE"), ds, f);
    EXPECT_TRUE(f);
    rpGetDataSetAndField(QStringLiteral("DATE"), ds = &query, f);
    EXPECT_TRUE(f);
    EXPECT_EQ(rpGetDataSet(QStringLiteral("rpDBDataSet1")), &query);
    QStringList names;
    rpGetComponents(&owner, names);
    EXPECT_EQ(names, QStringList{QStringLiteral("rpDBDataSet1")});
    TrpOwner other(QStringLiteral("fmOther"));
    rpGetComponents(&other, names);
    EXPECT_EQ(names, QStringList{QStringLiteral("fmReport.rpDBDataSet1")});

    // Removing the data set component that the report names leaves the property empty.
    auto* repeated = new TrpDBDataSet;
    report.Dataset = repeated;
    delete repeated;
    EXPECT_TRUE(report.Dataset.isNull());
}

TEST(ControlHelpers, EnableControlsAndControlAtPos)
{
    QWidget parent;
    parent.resize(200, 200);
    auto* label = new QLabel(QStringLiteral("L"), &parent);
    auto* edit = new QLineEdit(&parent);
    rpEnableControls({label, edit}, false);
    EXPECT_FALSE(label->isEnabled());
    EXPECT_EQ(label->palette().color(QPalette::Disabled, QPalette::WindowText), gfx::ToQColor(gfx::clGrayText));
    EXPECT_EQ(edit->palette().color(QPalette::Disabled, QPalette::Base), gfx::ToQColor(gfx::clBtnFace));
    rpEnableControls({label, edit}, true);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Base), gfx::ToQColor(gfx::clWindow));

    label->setGeometry(10, 10, 50, 50);
    edit->setGeometry(30, 30, 50, 50);
    EXPECT_EQ(rpControlAtPos(&parent, QPoint(40, 40)), edit); // the later of two overlapping
    EXPECT_EQ(rpControlAtPos(&parent, QPoint(15, 15)), label);
    EXPECT_EQ(rpControlAtPos(&parent, QPoint(150, 150)), nullptr);
    auto* box = new QWidget(&parent);
    box->setGeometry(100, 100, 80, 80);
    auto* inner = new QLabel(QStringLiteral("i"), box);
    inner->setGeometry(5, 5, 20, 20);
    EXPECT_EQ(rpControlAtPos(&parent, QPoint(110, 110)), inner);
    EXPECT_EQ(rpControlAtPos(&parent, QPoint(170, 170)), nullptr);
    EXPECT_EQ(rpGetWindowsVersion(), QStringLiteral("NT"));
}

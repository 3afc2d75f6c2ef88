// The band type chooser and the band, cross band and group dialogs, driven as a user would.
#include "dialogsupport.h"

#include "platform/controls/MessageBox.h"
#include "platform/data/MemDataSet.h"
#include "report/designer/rpBandDialogs.h"
#include "report/designer/rpFieldsForm.h"
#include "report/rpComponents.h"
#include "report/rpCtrls.h"
#include "report/rpDBDataSet.h"
#include "report/rpDataset.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

using namespace destest;

namespace {

// A report on a form that holds two report data sets.
class BandDialogTest : public EngineDesignerTest {
protected:
    BandDialogTest() : owner("BandForm")
    {
        owner.Add("Clients", &clients);
        owner.Add("Orders", &orders);
        report->Owner = &owner;
    }
    ~BandDialogTest() override { report->Owner = nullptr; }
    // Opens the selected band's editor as Enter would.
    void Edit(TrpView* v)
    {
        Select({v});
        form->ShowEditor();
    }

    TrpOwner owner;
    TrpUserDataset clients, orders;
    DialogScript script;
};

} // namespace

TEST_F(BandDialogTest, BandTypeChooserOffersWhatThePageCanStillTake)
{
    Band(btReportTitle, 0, 30);
    Band(btPageHeader, 40, 30);
    Band(btPageFooter, 900, 30);
    TrpBandTypesForm dialog([this](int t) { return form->rpCheckBand(t); });
    EXPECT_EQ(dialog.BandType, btReportSummary);
    EXPECT_TRUE(dialog.Buttons[btReportSummary]->isChecked());
    EXPECT_FALSE(dialog.Buttons[btPageHeader]->isEnabled());
    EXPECT_TRUE(dialog.Buttons[btMasterData]->isEnabled());
    EXPECT_EQ(dialog.Buttons[btReportTitle]->pos(), QPoint(8, 20));
    EXPECT_EQ(dialog.Buttons[btSubDetailFooter]->y(), 20 + 20 * 1);
    EXPECT_EQ(dialog.Buttons[btCrossFooter]->y(), 20 + 20 * 9);
    EXPECT_GE(dialog.Buttons[btOverlay]->x(), 130);

    // Every once-only type on the page: the first free one is master header.
    for (int t : {btReportSummary, btOverlay, btColumnHeader, btColumnFooter, btCrossHeader, btCrossData, btCrossFooter})
        Band(t, 100, 20);
    TrpBandTypesForm full([this](int t) { return form->rpCheckBand(t); });
    EXPECT_EQ(full.BandType, btMasterHeader);
    EXPECT_TRUE(full.Buttons[btMasterHeader]->isChecked());
}

TEST_F(BandDialogTest, InsertingABandAsksItsTypeInTheChooser)
{
    Band(btReportTitle, 0, 30);
    form->OB3->OnClick();
    OnModalOf<TrpBandTypesForm>([](TrpBandTypesForm* d) {
        d->Buttons[btGroupHeader]->click();
        ClickButton(d, "Button1");
    });
    Drag(10, 300, 200, 340);
    ASSERT_EQ(objects().size(), 2);
    EXPECT_EQ(dynamic_cast<TrpBandView*>(objects().last())->GetBandType(), btGroupHeader);

    form->OB3->OnClick();
    OnModalOf<TrpBandTypesForm>([](TrpBandTypesForm* d) { ClickButton(d, "Button2"); });
    Drag(10, 400, 200, 440);
    EXPECT_EQ(objects().size(), 2) << "cancelled";
}

TEST_F(BandDialogTest, DataBandSourceIsADataSetOrARecordCount)
{
    TrpBandView* band = Band(btMasterData, 100, 40);
    band->FormatStr = "25";
    OnModalOf<TrpBandEditorForm>([](TrpBandEditorForm* d) {
        EXPECT_EQ(d->CB1->currentText(), "Virtual Dataset");
        EXPECT_EQ(d->Edit1->text(), "25");
        EXPECT_TRUE(d->Edit1->isEnabled());
        EXPECT_EQ(d->CB1->count(), 4);
        EXPECT_EQ(d->CB1->itemText(0), "[None]");
        EXPECT_EQ(d->CB1->itemText(2), "Clients");
        d->CB1->setCurrentIndex(3);
        EXPECT_FALSE(d->Edit1->isEnabled());
        EXPECT_FALSE(d->Label2->isEnabled());
        ClickButton(d, "Button1");
    });
    const int undo = form->UndoBufferLength;
    Edit(band);
    band = dynamic_cast<TrpBandView*>(objects().first());
    EXPECT_EQ(band->FormatStr, "Orders");
    EXPECT_EQ(form->UndoBufferLength, undo + 1);

    // A data set that went away shows as "[None]"; a count that is no count is refused.
    band->FormatStr = "Gone";
    ctl::TScriptedMessageBoxPort boxes;
    OnModalOf<TrpBandEditorForm>([](TrpBandEditorForm* d) {
        EXPECT_EQ(d->CB1->currentIndex(), 0);
        d->CB1->setCurrentIndex(1);
        ClickButton(d, "Button1");
        EXPECT_TRUE(d->isVisible()) << "an empty count keeps the dialog open";
        d->Edit1->setFocus();
        QTest::keyClicks(d->Edit1, "x07");
        EXPECT_EQ(d->Edit1->text(), "07");
        ClickButton(d, "Button1");
        EXPECT_TRUE(d->isVisible());
        d->Edit1->setText("7");
        ClickButton(d, "Button1");
    });
    Edit(band);
    EXPECT_EQ(boxes.Count(), 2);
    band = dynamic_cast<TrpBandView*>(objects().first());
    EXPECT_EQ(band->FormatStr, "7");
    EXPECT_EQ(Find(*Reloaded(), band->Name)->FormatStr, "7");

    // Cancel leaves the band alone.
    OnModalOf<TrpBandEditorForm>([](TrpBandEditorForm* d) {
        d->CB1->setCurrentIndex(0);
        ClickButton(d, "Button2");
    });
    Edit(band);
    EXPECT_EQ(dynamic_cast<TrpBandView*>(objects().first())->FormatStr, "7");
}

TEST(CrossBandText, SourceOfEachBand)
{
    const struct {
        const char* text;
        const char* band;
        const char* source;
    } cases[] = {
        {"MasterData1=Clients;DetailData1=3;", "MasterData1", "Clients"},
        {"MasterData1=Clients;DetailData1=3;", "detaildata1", "3"},
        {"MasterData1=Clients;DetailData1=3", "DetailData1", "3"},
        {"MasterData1=Clients;DetailData1=3;", "GroupHeader1", "0"},
        {"Clients", "MasterData1", "Clients"},
        {"", "MasterData1", ""},
        {"XData1=5;Data1=Orders;", "Data1", "Orders"}, // a name inside another is not that name
        {"XData1=5;", "Data1", "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rpCrossBandSource(c.text, c.band), c.source) << c.text << " / " << c.band;
}

TEST_F(BandDialogTest, CrossBandPairsEachCrossedBandWithItsSource)
{
    TrpBandView* header = Band(btPageHeader, 0, 30);
    TrpBandView* master = Band(btMasterData, 100, 30);
    TrpBandView* detail = Band(btDetailData, 140, 30);
    TrpBandView* group = Band(btGroupHeader, 180, 30);
    TrpBandView* cross = Band(btCrossData, 0, 30);
    cross->FormatStr = master->Name + "=Clients;" + detail->Name + "=3;";
    const QString crossName = cross->Name;
    OnModalOf<TrpVBandEditorForm>([&](TrpVBandEditorForm* d) {
        ASSERT_EQ(d->LB1->count(), 3) << "page header and cross bands are not crossed";
        EXPECT_EQ(d->LB1->item(0)->text(), master->Name + ": Master data");
        EXPECT_EQ(d->CB1->currentText(), "Clients");
        d->LB1->setCurrentRow(1);
        EXPECT_EQ(d->CB1->currentText(), "Virtual Dataset");
        EXPECT_EQ(d->Edit1->text(), "3");
        d->LB1->setCurrentRow(2);
        EXPECT_EQ(d->CB1->currentText(), "[None]");
        d->CB1->setCurrentIndex(3);
        d->LB1->setCurrentRow(0);
        d->CB1->setCurrentIndex(1);
        d->Edit1->setText("12");
        ClickButton(d, "Button1");
    });
    Edit(cross);
    (void)header;
    const QString expected = master->Name + "=12;" + detail->Name + "=3;" + group->Name + "=Orders;";
    EXPECT_EQ(Find(*report, crossName)->FormatStr, expected);
    EXPECT_EQ(Find(*Reloaded(), crossName)->FormatStr, expected);
}

TEST_F(BandDialogTest, OldSingleSourceCrossBandIsSavedInPairs)
{
    TrpBandView* master = Band(btMasterData, 100, 30);
    TrpBandView* detail = Band(btDetailData, 140, 30);
    TrpBandView* cross = Band(btCrossData, 0, 30);
    cross->FormatStr = "Orders";
    const QString crossName = cross->Name;
    OnModalOf<TrpVBandEditorForm>([&](TrpVBandEditorForm* d) {
        EXPECT_EQ(d->CB1->currentText(), "Orders");
        d->LB1->setCurrentRow(1);
        EXPECT_EQ(d->CB1->currentText(), "Orders");
        ClickButton(d, "Button1");
    });
    Edit(cross);
    EXPECT_EQ(Find(*report, crossName)->FormatStr, master->Name + "=Orders;" + detail->Name + "=Orders;");
}

TEST_F(BandDialogTest, CrossBandAloneShowsNoDialog)
{
    Band(btCrossHeader, 0, 30);
    TrpBandView* cross = Band(btCrossData, 0, 30);
    cross->FormatStr = "Orders";
    TrpVBandEditorForm dialog;
    EXPECT_FALSE(dialog.Fill(cross));
    Edit(cross); // returns at once: no modal dialog waits
    EXPECT_EQ(cross->FormatStr, "Orders");
}

TEST_F(BandDialogTest, GroupConditionIsTypedOrPicked)
{
    TrpBandView* group = Band(btGroupHeader, 100, 30);
    group->FormatStr = "[Clients.\"Town\"]";
    const QString name = group->Name;
    TMemDataSet table;
    table.AddFieldDef("Date", ftString, 10);
    table.Open();
    TrpDBDataSet sales;
    sales.SetDataSet(&table);
    owner.Add("Sales", &sales);
    OnModalOf<TrpGroupEditorForm>([](TrpGroupEditorForm* d) {
        EXPECT_EQ(d->Edit1->text(), "[Clients.\"Town\"]");
        d->rpSpeedButton1->OnClick();
        EXPECT_EQ(d->Edit1->text(), "Sales.\"Date\"");
        ClickButton(d, "Button1");
    });
    OnModalOf<TrpFieldsForm>([](TrpFieldsForm* picker) {
        picker->ValCombo->setCurrentIndex(picker->ValCombo->findText("Sales"));
        emit picker->ValCombo->activated(picker->ValCombo->currentIndex());
        picker->ValList->setCurrentRow(0);
        QTest::keyClick(picker->ValList, Qt::Key_Return);
    });
    Edit(group);
    owner.Remove("Sales");
    EXPECT_EQ(Find(*Reloaded(), name)->FormatStr, "Sales.\"Date\"");

    // A page header opens nothing, and the next click on the page is not lost.
    TrpBandView* header = Band(btPageHeader, 0, 30);
    Edit(header);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(BandDialogTest, DialogsShowEveryTextWhole)
{
    TrpBandTypesForm types([](int) { return false; });
    ExpectLaidOutCleanly(&types, "band-types");
    TrpBandEditorForm band;
    ExpectLaidOutCleanly(&band, "band-editor");
    TrpBandView* master = Band(btMasterData, 100, 30);
    Band(btDetailData, 140, 30);
    TrpBandView* cross = Band(btCrossData, 0, 30);
    (void)master;
    TrpVBandEditorForm vband;
    ASSERT_TRUE(vband.Fill(cross));
    ExpectLaidOutCleanly(&vband, "cross-band-editor");
    TrpGroupEditorForm group;
    ExpectLaidOutCleanly(&group, "group-editor");
}

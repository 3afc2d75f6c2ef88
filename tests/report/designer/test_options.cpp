// The designer, report and page options dialogs, the settings kept in the registry between sessions,
// and the Toolbars submenu.
#include "designerfixture.h"
#include "designerdialogs.h"
#include "report/rpCtrls.h"

#include "platform/controls/MessageBox.h"
#include "platform/system/Registry.h"
#include "report/designer/rpDock.h"
#include "report/rpPrinter.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QSet>

using namespace destest;

namespace {

class OptionsTest : public DesignerTest {
protected:
    QString Stored(const QString& name) const
    {
        return sys::TRegIniFile(rpDockRegRoot).ReadString(QStringLiteral("Form\\rpDesignerForm"), name, "(none)");
    }
    DialogScript guard{DialogScript::FailUnscripted};
    ctl::TScriptedMessageBoxPort boxes;
};

} // namespace

TEST_F(OptionsTest, AFirstStartTakesTheDefaultsAndTheOptionsDialogChangesAndKeepsThem)
{
    form->RestoreState();
    EXPECT_EQ(form->GridSize, 4);
    EXPECT_TRUE(form->GridShow);
    EXPECT_TRUE(form->GridAlign);
    EXPECT_EQ(form->Units, ruPixels);
    EXPECT_FALSE(form->GrayButtons);
    EXPECT_TRUE(form->EditAfterInsert);
    EXPECT_EQ(form->ShapeMode, smAll);

    const bool titles = ShowBandTitles;
    {
        DialogScript script;
        script.Then([&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Options"));
            EXPECT_TRUE(Child<QRadioButton>(d, "RB1")->isChecked());
            EXPECT_TRUE(Child<QRadioButton>(d, "RB5")->isChecked());
            EXPECT_TRUE(Child<QCheckBox>(d, "CB3")->isChecked()) << "coloured buttons";
            ExpectLaidOutCleanly(&d, "designer-options");
            ClickOn(Child<QCheckBox>(d, "CB1"));
            ClickOn(Child<QRadioButton>(d, "RB3"));
            ClickOn(Child<QRadioButton>(d, "RB4"));
            ClickOn(Child<QRadioButton>(d, "RB7"));
            ClickOn(Child<QCheckBox>(d, "CB3"));
            ClickOn(Child<QCheckBox>(d, "CB4"));
            ClickOn(Child<QCheckBox>(d, "CB5"));
            ClickOn(Child<QPushButton>(d, "Button1"));
        });
        form->N14->trigger();
    }
    EXPECT_FALSE(form->GridShow);
    EXPECT_FALSE(form->GB1->Down());
    EXPECT_EQ(form->GridSize, 18);
    EXPECT_EQ(form->ShapeMode, smFrame);
    EXPECT_EQ(form->Units, ruMM);
    EXPECT_EQ(form->StatusUnits->text(), QStringLiteral("MM"));
    EXPECT_TRUE(form->GrayButtons);
    EXPECT_FALSE(form->EditAfterInsert);
    EXPECT_EQ(ShowBandTitles, !titles);
    ShowBandTitles = titles;

    // Hiding the designer stores them; the next session reads them back.
    form->FormHide();
    EXPECT_EQ(Stored("GridSize"), "18");
    EXPECT_EQ(Stored("GridShow"), "0");
    EXPECT_EQ(Stored("GridAlign"), "1");
    EXPECT_EQ(Stored("Units"), "1");
    EXPECT_EQ(Stored("GrayButtons"), "1");
    EXPECT_EQ(Stored("EditAfterInsert"), "0");
    EXPECT_EQ(Stored("Selection"), "0");
    TrpDesignerForm next;
    next.RestoreState();
    EXPECT_EQ(next.GridSize, 18);
    EXPECT_FALSE(next.GridShow);
    EXPECT_EQ(next.Units, ruMM);
    EXPECT_TRUE(next.GrayButtons);
    EXPECT_FALSE(next.EditAfterInsert);
    EXPECT_EQ(next.ShapeMode, smFrame);
    CurReport = report.get();
}

TEST_F(OptionsTest, PageOptionsShowMillimetresAndStorePixels)
{
    page->pgMargins = gfx::TRect{36, 0, 0, 0};
    page->ColCount = 1;
    DialogScript script;
    script.Then([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Page options"));
        auto* e3 = Child<QLineEdit>(d, "E3");
        EXPECT_EQ(e3->text(), QStringLiteral("10"));
        EXPECT_FALSE(Child<QLineEdit>(d, "E1")->isEnabled()) << "A4 has its own size";
        EXPECT_TRUE(Child<QLabel>(d, "imgPortrait")->isVisible());
        EXPECT_FALSE(Child<QLabel>(d, "imgLandScape")->isVisible());
        ExpectLaidOutCleanly(&d, "page-options");
        ClickOn(Child<QRadioButton>(d, "RB2"));
        EXPECT_TRUE(Child<QLabel>(d, "imgLandScape")->isVisible());
        // The custom size is the last paper.
        auto* papers = Child<QComboBox>(d, "ComB1");
        papers->setFocus();
        QTest::keyClick(papers, Qt::Key_End);
        EXPECT_TRUE(Child<QLineEdit>(d, "E1")->isEnabled());
        Type(Child<QLineEdit>(d, "E1"), "150");
        Type(Child<QLineEdit>(d, "E2"), "100");
        Type(Child<QLineEdit>(d, "E4"), "5");
        Type(Child<QLineEdit>(d, "E7"), "3");
        auto* count = Child<QLineEdit>(d, "Edit1");
        ClickOn(Child<QToolButton>(d, "SB1"));
        EXPECT_EQ(count->text(), QStringLiteral("2"));
        for (int i = 0; i < 3; ++i)
            ClickOn(Child<QToolButton>(d, "SB2"));
        EXPECT_EQ(count->text(), QStringLiteral("0")) << "no fewer than none";
        ClickOn(Child<QToolButton>(d, "SB1"));
        ClickOn(Child<QCheckBox>(d, "CB1"));
        ClickOn(Child<QPushButton>(d, "Button1"));
    });
    EXPECT_TRUE(form->PageOptions());
    EXPECT_TRUE(form->DialogAccepted);
    EXPECT_TRUE(form->FileModified);
    EXPECT_EQ(page->pgMargins, (gfx::TRect{36, 18, 0, 0}));
    EXPECT_EQ(page->ColGap, 10); // 3 mm = 10.8 px, cut
    EXPECT_EQ(page->ColCount, 1);
    EXPECT_TRUE(page->PrintToPrevPage);
    EXPECT_EQ(page->pgSize, rpCustomPaper);
    EXPECT_EQ(page->pgOr, 1);
    // The page stores its size across the paper as the printer keeps it.
    EXPECT_EQ(QSet<int>({page->pgWidth, page->pgHeight}), QSet<int>({1500, 1000}));
}

TEST_F(OptionsTest, PageOptionsWithANonNumberApplyNothingAndStayOpen)
{
    page->pgMargins = gfx::TRect{36, 36, 36, 36};
    const QByteArray before = Saved();
    DialogScript script;
    script.Then([&](QDialog& d) {
        ClickOn(Child<QCheckBox>(d, "CB1"));
        ClickOn(Child<QRadioButton>(d, "RB2"));
        ClickOn(Child<QCheckBox>(d, "CB5"));
        EXPECT_FALSE(Child<QLineEdit>(d, "E3")->isEnabled());
        ClickOn(Child<QCheckBox>(d, "CB5"));
        Type(Child<QLineEdit>(d, "E4"), "1O");
        ClickOn(Child<QPushButton>(d, "Button1"));
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.AskedSoFar()[0].text, QStringLiteral("'1O' is not a valid integer value"));
        EXPECT_EQ(Child<QTabWidget>(d, "PageControl1")->currentIndex(), 1) << "the field's page is shown";
        ClickOn(Child<QPushButton>(d, "Button2"));
    });
    EXPECT_FALSE(form->PageOptions());
    EXPECT_FALSE(form->DialogAccepted);
    EXPECT_FALSE(form->FileModified);
    EXPECT_EQ(Saved(), before);
}

TEST_F(OptionsTest, AnAddedPageWhoseOptionsAreCancelledGoesAgain)
{
    {
        DialogScript script;
        form->PgB1->OnClick();
    }
    EXPECT_EQ(report->Pages->Count(), 1);
    {
        DialogScript script;
        script.Then([](QDialog& d) { ClickOn(Child<QPushButton>(d, "Button1")); });
        form->PgB1->OnClick();
    }
    EXPECT_EQ(report->Pages->Count(), 2);
    EXPECT_EQ(form->CurPage, 1);
}

TEST_F(OptionsTest, ReportOptionsSetThePrinterChoiceAndTwoPassBuilding)
{
    report->PrintToDefault = true;
    report->TwoPass = false;
    DialogScript script;
    script.Then([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Report options"));
        auto* printers = Child<QComboBox>(d, "ComB1");
        EXPECT_EQ(printers->count(), Prn().Printers.size());
        EXPECT_EQ(printers->currentIndex(), Prn().PrinterIndex);
        EXPECT_FALSE(Child<QCheckBox>(d, "CB1")->isChecked());
        ExpectLaidOutCleanly(&d, "report-options");
        ClickOn(Child<QCheckBox>(d, "CB1"));
        ClickOn(Child<QCheckBox>(d, "CB2"));
        ClickOn(Child<QPushButton>(d, "Button1"));
    });
    form->N8->trigger();
    EXPECT_FALSE(report->PrintToDefault);
    EXPECT_TRUE(report->TwoPass);
    EXPECT_TRUE(form->FileModified);
    const QString file = dir.filePath("two.rpf");
    report->SaveToFile(file);
    TrpReport back;
    ASSERT_TRUE(back.LoadFromFile(file));
    EXPECT_TRUE(back.TwoPass);
    EXPECT_FALSE(back.PrintToDefault);
    CurReport = report.get();
}

TEST_F(OptionsTest, TheToolbarsSubmenuShowsAndHidesTheBarsAndRelaysTheirDock)
{
    form->show();
    QApplication::processEvents();
    emit form->N37->aboutToShow();
    EXPECT_TRUE(form->Pan2->isChecked());
    EXPECT_TRUE(form->Pan6->isChecked()) << "the alignment palette";
    const int height = form->rpDock1->height();
    form->Pan3->trigger();
    EXPECT_FALSE(form->Panel3->IsVisible());
    EXPECT_LT(form->rpDock1->height(), height);
    form->Pan6->trigger();
    EXPECT_FALSE(form->Panel5->IsVisible());
    emit form->N37->aboutToShow();
    EXPECT_FALSE(form->Pan3->isChecked());
    form->Pan3->trigger();
    EXPECT_TRUE(form->Panel3->IsVisible());
    EXPECT_EQ(form->rpDock1->height(), height);
    // The inspector is the fifth item.
    QWidget* inspector = form->InspectorWindow();
    ASSERT_NE(inspector, nullptr);
    EXPECT_EQ(form->Pan5->isChecked(), inspector->isVisible());
    const bool shown = inspector->isVisible();
    form->Pan5->trigger();
    EXPECT_EQ(inspector->isVisible(), !shown);
    // The session keeps what is shown.
    form->FormHide();
    form->FormShow();
    EXPECT_FALSE(form->Panel5->IsVisible());
    EXPECT_TRUE(form->Panel3->IsVisible());
    form->hide();
}

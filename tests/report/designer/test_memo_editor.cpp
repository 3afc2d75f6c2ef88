// The memo and script editor and its pickers, driven with keys and clicks from the designer.
#include "designerfixture.h"
#include "dialogsupport.h"

#include "report/rpCtrls.h"
#include <QPlainTextEdit>

#include "platform/data/MemDataSet.h"
#include "report/designer/rpBandDialogs.h"
#include "report/designer/rpEditorForm.h"
#include "report/designer/rpGEditorForm.h"
#include "report/designer/rpInspForm.h"
#include "report/rpPictureView.h"
#include "report/designer/rpFieldsForm.h"
#include "report/designer/rpVarForm.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"
#include "report/rpInterpretator.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace destest;

namespace {

class MemoEditorTest : public EngineDesignerTest {
protected:
    DialogScript script;
    // Picks row of category in the variable picker that opens next, by a mouse press on the item.
    static void PickVariable(const QString& category, int row)
    {
        OnModalOf<TrpVarForm>([category, row](TrpVarForm* picker) {
            picker->ValCombo->setCurrentIndex(picker->ValCombo->findText(category));
            emit picker->ValCombo->activated(picker->ValCombo->currentIndex());
            const QRect r = picker->ValList->visualItemRect(picker->ValList->item(row));
            QTest::mousePress(picker->ValList->viewport(), Qt::LeftButton, {}, r.center());
        });
    }
};

} // namespace

TEST_F(MemoEditorTest, CancelLeavesMemoAndScriptAsTheyWereWithoutAnUndoStep)
{
    TrpMemoView* m = Memo(20, 20, 100, 20, QStringLiteral("Total: [SUM]"));
    m->Script = QStringList{QStringLiteral("if 1 then x := 2")};
    Select({m});
    for (const bool escape : {true, false}) {
        OnModalOf<TrpEditorForm>([escape](TrpEditorForm* e) {
            QTest::keyClicks(e->M1, QStringLiteral("changed"));
            e->CB1->click();
            QTest::keyClicks(e->M2, QStringLiteral("y := 3"));
            if (escape)
                QTest::keyClick(e->M2, Qt::Key_Escape);
            else
                e->Button2->click();
        });
        surface->DClick();
        EXPECT_EQ(m->Memo, QStringList{QStringLiteral("Total: [SUM]")});
        EXPECT_EQ(m->Script, QStringList{QStringLiteral("if 1 then x := 2")});
        EXPECT_FALSE(form->UndoB->isEnabled());
        EXPECT_FALSE(form->FileModified);
    }
}

TEST_F(MemoEditorTest, OkStoresTheTypedLinesNotTheWrappedOnesAndSurvivesSaving)
{
    TrpMemoView* m = Memo(20, 20, 100, 20, QStringLiteral("old"));
    Select({m});
    const QString longLine = QStringLiteral("a long line of words that the narrow editor wraps on the screen ").repeated(4);
    OnModalOf<TrpEditorForm>([&](TrpEditorForm* e) {
        EXPECT_EQ(e->M1->toPlainText(), QStringLiteral("old"));
        EXPECT_TRUE(e->Button5->isVisible()) << "a text view has a format";
        e->CB3->click();
        e->resize(e->minimumSizeHint().width(), 200);
        e->M1->selectAll();
        QTest::keyClicks(e->M1, longLine);
        QTest::keyClick(e->M1, Qt::Key_Return);
        QTest::keyClicks(e->M1, QStringLiteral("second"));
        e->CB1->click();
        QTest::keyClicks(e->M2, QStringLiteral("x := 1"));
        QTest::keyClick(e->M2, Qt::Key_Return, Qt::ControlModifier);
    });
    form->FormKeyDown(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(m->Memo, (QStringList{longLine, QStringLiteral("second")}));
    EXPECT_EQ(m->Script, QStringList{QStringLiteral("x := 1")});
    EXPECT_TRUE(form->UndoB->isEnabled());
    form->Undo(form->UndoBuffer);
    EXPECT_EQ(objects()[0]->Memo, QStringList{QStringLiteral("old")});
    form->Undo(form->RedoBuffer);
    auto copy = Reloaded();
    auto* back = dynamic_cast<TrpMemoView*>(Find(*copy, objects()[0]->Name));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Memo, (QStringList{longLine, QStringLiteral("second")}));
    EXPECT_EQ(back->Script, QStringList{QStringLiteral("x := 1")});
}

TEST_F(MemoEditorTest, TheOtherCategoryInsertsTheInternalNamesOfTheSpecialValues)
{
    // Every special value but the expression, in the order listed, and the name written for it.
    const QStringList inserted = {"[PAGE#]", "[DATE]", "[TIME]", "[LINE#]", "[LINETHROUGH#]", "[COLUMN#]", "[CURRENT#]", "[TOTALPAGES]"};
    const QStringList shown = {"Page#", "Date", "Time", "Line#", "Line through#", "Column#", "Current line#", "TotalPages"};
    for (int row = 0; row < inserted.size(); ++row) {
        TrpVarForm picker(report.get());
        picker.FormActivate();
        picker.ValCombo->setCurrentIndex(picker.ValCombo->findText(QStringLiteral("Other")));
        picker.FillList();
        ASSERT_EQ(picker.ValList->count(), inserted.size());
        EXPECT_EQ(picker.ValList->item(row)->text(), shown[row]);
        picker.ValList->setCurrentRow(row);
        picker.done(QDialog::Accepted);
        EXPECT_EQ(QLatin1Char('[') + picker.Value + QLatin1Char(']'), inserted[row]);
    }
}

TEST_F(MemoEditorTest, PickersInsertIntoTheMemoThatHadTheFocusAndEscapeInsertsNothing)
{
    report->Variables = QStringList{QStringLiteral("Totals"), QStringLiteral(" Sum"), QStringLiteral(" Count")};
    rpTheVariables().SetVariable(QStringLiteral("Counter"), 1);
    TrpMemoView* m = Memo(20, 20, 100, 20);
    Select({m});
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    OnModalOf<TrpEditorForm>([&](TrpEditorForm* e) {
        QTest::keyClicks(e->M1, QStringLiteral("On "));
        PickVariable(QStringLiteral("Other"), 1);
        e->Button3->click();
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("[DATE]"));
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        // Escape in the picker: nothing goes in, the clipboard stays.
        OnModalOf<TrpVarForm>([](TrpVarForm* picker) { QTest::keyClick(picker->ValList, Qt::Key_Escape); });
        QTest::keyClick(e->M1, Qt::Key_Insert);
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
        e->CB1->click();
        e->M2->setFocus();
        QTest::keyClicks(e->M2, QStringLiteral("n := "));
        PickVariable(QStringLiteral("Totals"), 1);
        QTest::keyClick(e->M2, Qt::Key_Insert);
        QTest::keyClicks(e->M2, QStringLiteral(" + "));
        PickVariable(QStringLiteral("RP variables"), 0);
        QTest::keyClick(e->M2, Qt::Key_Insert);
        e->Button1->click();
    });
    form->ShowMemoEditor();
    EXPECT_EQ(m->Memo, QStringList{QStringLiteral("On [DATE]")});
    EXPECT_EQ(m->Script, QStringList{QStringLiteral("n := [Count] + [Counter]")});
    EXPECT_EQ(TrpVarForm::LastCategory, QStringLiteral("RP variables")) << "the category is remembered";
    rpTheVariables().Clear();
}

TEST_F(MemoEditorTest, FieldPickerWritesDataSetAndQuotedField)
{
    TMemDataSet table;
    table.AddFieldDef("NAME", ftString, 20);
    table.AddFieldDef("RESULT", ftFloat);
    table.Open();
    TrpDBDataSet rpTable;
    rpTable.SetName("rpJournal");
    rpTable.SetDataSet(&table);
    TrpOwner owner(QStringLiteral("fmJournal"));
    owner.Add("Journal", &table);
    owner.Add("rpJournal", &rpTable);
    report->Owner = &owner;
    TrpMemoView* m = Memo(20, 20, 100, 20);
    Select({m});
    OnModalOf<TrpEditorForm>([&](TrpEditorForm* e) {
        OnModalOf<TrpFieldsForm>([](TrpFieldsForm* picker) {
            EXPECT_EQ(picker->ValCombo->currentText(), QStringLiteral("rpJournal"));
            ASSERT_EQ(picker->ValList->count(), 2);
            picker->ValList->setCurrentRow(1);
            QTest::keyClick(picker->ValList, Qt::Key_Return);
        });
        e->Button4->click();
        QTest::keyClick(e->M1, Qt::Key_Return, Qt::ControlModifier);
    });
    surface->DClick();
    EXPECT_EQ(m->Memo, QStringList{QStringLiteral("[rpJournal.\"RESULT\"]")});
    EXPECT_EQ(TrpFieldsForm::LastDataSet, QStringLiteral("rpJournal"));
    report->Owner = nullptr;
}

TEST_F(MemoEditorTest, NoViewMeansNoEditorAndOnlyTextViewsHaveAFormat)
{
    TrpEditorForm e;
    EXPECT_EQ(e.ShowEditor(), QDialog::Rejected);
    TrpView* line = Line(10, 10, 100, 0);
    line->Memo = QStringList{QStringLiteral("a line's memo")};
    Select({line});
    OnModalOf<TrpEditorForm>([](TrpEditorForm* e) {
        EXPECT_FALSE(e->Button5->isVisible());
        QTest::keyClicks(e->M1, QStringLiteral("!"));
        // Ctrl+F opens no format editor without the button.
        QTest::keyClick(e->M1, Qt::Key_F, Qt::ControlModifier);
        e->Button1->click();
    });
    form->ShowMemoEditor();
    EXPECT_EQ(script.Shown, QStringList{QStringLiteral("TrpEditorForm")});
    EXPECT_EQ(line->Memo, QStringList{QStringLiteral("!a line's memo")});
}

TEST_F(MemoEditorTest, TheInspectorsMemoRowAndThePictureDialogOpenTheMemoEditor)
{
    TrpMemoView* m = Memo(20, 20, 100, 20, QStringLiteral("one"));
    Select({m});
    OnModalOf<TrpEditorForm>([](TrpEditorForm* e) {
        EXPECT_EQ(e->M1->toPlainText(), QStringLiteral("one"));
        QTest::keyClicks(e->M1, QStringLiteral("number "));
        e->Button1->click();
    });
    form->InspForm->SetItemIndex(6);
    ASSERT_TRUE(form->InspForm->SpeedButton1->isVisibleTo(form->InspForm));
    form->InspForm->SpeedButton1->OnClick();
    EXPECT_EQ(m->Memo, QStringList{QStringLiteral("number one")});
    EXPECT_EQ(form->ContentText(), m->Name + QStringLiteral(": number one"));

    auto* picture = new TrpPictureView;
    picture->SetBounds(20, 60, 40, 40);
    picture->CreateUniqueName();
    page->Objects.append(picture);
    Select({picture});
    OnModalOf<TrpGEditorForm>([](TrpGEditorForm* g) {
        g->Button5->click();
        g->Button2->click();
    });
    OnModalOf<TrpEditorForm>([](TrpEditorForm* e) {
        EXPECT_FALSE(e->Button5->isVisible()) << "a picture has no display format";
        QTest::keyClicks(e->M1, QStringLiteral("caption"));
        e->Button1->click();
    });
    form->ShowEditor();
    EXPECT_EQ(picture->Memo, QStringList{QStringLiteral("caption")});
}

TEST_F(MemoEditorTest, TheGroupDialogPicksItsFieldWithTheFieldPicker)
{
    TMemDataSet table;
    table.AddFieldDef("TOWN", ftString, 20);
    table.Open();
    TrpDBDataSet rpTable;
    rpTable.SetDataSet(&table);
    TrpOwner owner(QStringLiteral("fmClients"));
    owner.Add("rpClients", &rpTable);
    report->Owner = &owner;
    TrpBandView* group = Band(btGroupHeader, 100, 30);
    Select({group});
    OnModalOf<TrpGroupEditorForm>([](TrpGroupEditorForm* g) {
        g->rpSpeedButton1->OnClick();
        EXPECT_EQ(g->Edit1->text(), QStringLiteral("rpClients.\"TOWN\""));
        g->Button1->click();
    });
    OnModalOf<TrpFieldsForm>([](TrpFieldsForm* picker) {
        picker->ValCombo->setCurrentIndex(picker->ValCombo->findText(QStringLiteral("rpClients")));
        emit picker->ValCombo->activated(picker->ValCombo->currentIndex());
        picker->ValList->setCurrentRow(0);
        QTest::keyClick(picker->ValList, Qt::Key_Return);
    });
    form->ShowEditor();
    EXPECT_EQ(group->FormatStr, QStringLiteral("rpClients.\"TOWN\""));
    report->Owner = nullptr;
}

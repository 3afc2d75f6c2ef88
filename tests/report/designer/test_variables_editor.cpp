// The report variables editor: bindings, the list editor, its own clipboard, and Cancel.
#include "designerfixture.h"
#include "designerdialogs.h"

#include "report/rpCtrls.h"
#include <QPlainTextEdit>

#include "platform/data/MemDataSet.h"
#include "report/designer/rpEvForm.h"
#include "report/designer/rpVaredForm.h"
#include "report/rpComponents.h"
#include "report/rpInterpretator.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace destest;

namespace {

class VariablesEditorTest : public DesignerTest {
protected:
    DialogScript script;
    VariablesEditorTest()
    {
        table.AddFieldDef("NAME", ftString, 20);
        table.AddFieldDef("RESULT", ftFloat);
        table.Open();
        other.AddFieldDef("PLACE", ftString, 20);
        other.Open();
        owner.Add("Journal", &table);
        otherForm.Add("Places", &other);
        report->Owner = &owner;
        report->Variables = QStringList{QStringLiteral("Person"), QStringLiteral(" Name"), QStringLiteral(" Result"),
                                        QStringLiteral("Page"), QStringLiteral(" Number")};
        for (const char* name : {"Name", "Result", "Number"})
            report->Values.SetName(report->Values.AddValue(), QString::fromLatin1(name));
        rpVariablesClipboard().clear();
    }
    ~VariablesEditorTest() override
    {
        report->Owner = nullptr;
        rpVariablesClipboard().clear();
    }

    static void ChooseVariable(TrpEvForm* e, const QString& category, const QString& name)
    {
        e->VarCombo->setCurrentIndex(e->VarCombo->findText(category));
        emit e->VarCombo->activated(e->VarCombo->currentIndex());
        const QRect r = e->VarList->visualItemRect(e->VarList->findItems(name, Qt::MatchExactly).first());
        QTest::mouseClick(e->VarList->viewport(), Qt::LeftButton, {}, r.center());
    }
    static void ChooseValue(TrpEvForm* e, const QString& source, const QString& item)
    {
        e->ValCombo->setCurrentIndex(e->ValCombo->findText(source));
        emit e->ValCombo->activated(e->ValCombo->currentIndex());
        const QRect r = e->ValList->visualItemRect(e->ValList->findItems(item, Qt::MatchExactly).first());
        QTest::mouseClick(e->ValList->viewport(), Qt::LeftButton, {}, r.center());
    }

    QByteArray ValuesBytes() const
    {
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        report->Values.WriteBinaryData(b);
        return b.data();
    }

    TMemDataSet table, other;
    TrpOwner owner{QStringLiteral("fmJournal")};
    TrpOwner otherForm{QStringLiteral("fmPlaces")};
};

} // namespace

TEST_F(VariablesEditorTest, BindingsAreStoredAndKeptBySavingThroughTheFileMenu)
{
    OnModalOf<TrpEvForm>([](TrpEvForm* e) {
        EXPECT_EQ(e->ValCombo->itemText(0), QStringLiteral("Journal"));
        EXPECT_EQ(e->ValCombo->itemText(1), QStringLiteral("fmPlaces.Places"));
        ChooseVariable(e, QStringLiteral("Person"), QStringLiteral("Name"));
        ChooseValue(e, QStringLiteral("Journal"), QStringLiteral("NAME"));
        ChooseVariable(e, QStringLiteral("Person"), QStringLiteral("Result"));
        ChooseValue(e, QStringLiteral("Other"), QStringLiteral("Expression"));
        EXPECT_TRUE(e->Edit1->isEnabled());
        QTest::keyClicks(e->Edit1, QStringLiteral("[RESULT] * 2"));
        ChooseVariable(e, QStringLiteral("Page"), QStringLiteral("Number"));
        ChooseValue(e, QStringLiteral("Other"), QStringLiteral("Page#"));
        EXPECT_FALSE(e->Edit1->isEnabled());
        // Back on a bound variable: its source and item are shown again.
        ChooseVariable(e, QStringLiteral("Person"), QStringLiteral("Result"));
        EXPECT_EQ(e->ValList->currentItem()->text(), QStringLiteral("Expression"));
        EXPECT_EQ(e->Edit1->text(), QStringLiteral("[RESULT] * 2"));
        e->Button1->click();
    });
    form->N42->trigger();
    EXPECT_TRUE(form->FileModified);
    TrpValue* name = report->Values.FindVariable(QStringLiteral("Name"));
    EXPECT_EQ(name->Typ, vtDBField);
    EXPECT_EQ(name->DataSet, QStringLiteral("Journal"));
    EXPECT_EQ(name->Field, QStringLiteral("NAME"));
    TrpValue* result = report->Values.FindVariable(QStringLiteral("Result"));
    EXPECT_EQ(result->Typ, vtOther);
    EXPECT_EQ(result->OtherKind, int(svExpression));
    EXPECT_EQ(result->Field, QStringLiteral("[RESULT] * 2"));
    EXPECT_EQ(report->Values.FindVariable(QStringLiteral("Number"))->OtherKind, int(svPage));

    QBuffer buffer;
    buffer.setData(Saved());
    buffer.open(QIODevice::ReadOnly);
    TrpReport back;
    ASSERT_TRUE(back.LoadFromStream(buffer));
    EXPECT_EQ(back.Variables, report->Variables);
    EXPECT_EQ(back.Values.FindVariable(QStringLiteral("Result"))->Field, QStringLiteral("[RESULT] * 2"));
    EXPECT_EQ(back.Values.FindVariable(QStringLiteral("Name"))->Typ, vtDBField);
}

TEST_F(VariablesEditorTest, CancelRestoresValuesAndVariablesExactly)
{
    TrpValue* number = report->Values.FindVariable(QStringLiteral("Number"));
    number->Typ = vtOther;
    number->OtherKind = svExpression;
    number->Field = QStringLiteral("x").repeated(300); // longer than the stream's short strings
    const QByteArray values = ValuesBytes();
    const QStringList variables = report->Variables;
    OnModalOf<TrpEvForm>([](TrpEvForm* e) {
        ChooseVariable(e, QStringLiteral("Person"), QStringLiteral("Name"));
        ChooseValue(e, QStringLiteral("Journal"), QStringLiteral("RESULT"));
        e->SB1->OnClick();
        OnModalOf<TrpVaredForm>([](TrpVaredForm* list) {
            list->Memo1->setPlainText(QStringLiteral("Other\n Thing"));
            list->Button4->click();
        });
        e->Button3->click();
        EXPECT_EQ(e->VarList->count(), 1);
        e->SB2->OnClick();
        QTest::keyClick(e, Qt::Key_Escape);
    });
    EXPECT_FALSE(ShowEvEditor(report.get(), form.get()));
    EXPECT_EQ(report->Variables, variables);
    EXPECT_EQ(ValuesBytes(), values);
    EXPECT_EQ(report->Values.FindVariable(QStringLiteral("Number"))->Field.size(), 300);
    EXPECT_EQ(report->Values.FindVariable(QStringLiteral("Name"))->Typ, vtNotAssigned);
}

TEST_F(VariablesEditorTest, AFieldOfAnotherFormShowsThatFormsDataSet)
{
    struct Case {
        const char* dataSet;
        const char* source;
    };
    const Case cases[] = {
        {"fmPlaces.Places", "fmPlaces.Places"},
        {"FMJOURNAL.Journal", "Journal"}, // the report's own form, named in any case
    };
    for (const Case& c : cases) {
        TrpValue* v = report->Values.FindVariable(QStringLiteral("Name"));
        v->Typ = vtDBField;
        v->DataSet = QString::fromLatin1(c.dataSet);
        v->Field = c.source == QStringLiteral("Journal") ? QStringLiteral("NAME") : QStringLiteral("PLACE");
        TrpEvForm e(report.get());
        e.Init();
        e.show();
        ChooseVariable(&e, QStringLiteral("Person"), QStringLiteral("Name"));
        EXPECT_EQ(e.ValCombo->currentText(), QString::fromLatin1(c.source));
        ASSERT_NE(e.ValList->currentItem(), nullptr);
        EXPECT_EQ(e.ValList->currentItem()->text(), v->Field);
        e.reject();
    }
}

TEST_F(VariablesEditorTest, RenamingInTheListDropsTheOldBindingAndAddsAnUnboundEntry)
{
    TrpValue* name = report->Values.FindVariable(QStringLiteral("Name"));
    name->Typ = vtRPVar;
    name->Field = QStringLiteral("Counter");
    OnModalOf<TrpEvForm>([](TrpEvForm* e) {
        OnModalOf<TrpVaredForm>([](TrpVaredForm* list) {
            EXPECT_EQ(list->Memo1->toPlainText(), QStringLiteral("Person\n Name\n Result\nPage\n Number"));
            list->Memo1->setPlainText(QStringLiteral("Person\n FullName\n Result\nPage\n Number\n"));
            list->Button4->click();
        });
        e->Button3->click();
        EXPECT_EQ(e->VarCombo->currentText(), QStringLiteral("Person"));
        EXPECT_EQ(e->VarList->item(0)->text(), QStringLiteral("FullName"));
        e->Button1->click();
    });
    EXPECT_TRUE(ShowEvEditor(report.get()));
    EXPECT_EQ(report->Values.FindVariable(QStringLiteral("Name")), nullptr);
    TrpValue* renamed = report->Values.FindVariable(QStringLiteral("FullName"));
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(renamed->Typ, vtNotAssigned);
    EXPECT_EQ(report->Values.Count(), 3);
    EXPECT_EQ(report->Variables.size(), 5) << "no empty line for the text's last line end";
}

TEST_F(VariablesEditorTest, PasteIsDisabledUntilACopyAndCarriesBindingsToAnotherReport)
{
    report->Values.FindVariable(QStringLiteral("Number"))->Typ = vtOther;
    report->Values.FindVariable(QStringLiteral("Number"))->OtherKind = svTotalPages;
    OnModalOf<TrpEvForm>([](TrpEvForm* e) {
        EXPECT_FALSE(e->SB2->isEnabled());
        e->SB1->OnClick();
        EXPECT_TRUE(e->SB2->isEnabled());
        e->Button1->click();
    });
    EXPECT_TRUE(ShowEvEditor(report.get()));

    TrpReport second(&owner);
    OnModalOf<TrpEvForm>([](TrpEvForm* e) {
        EXPECT_TRUE(e->SB2->isEnabled()) << "the clipboard outlives the editor";
        e->SB2->OnClick();
        EXPECT_EQ(e->VarCombo->count(), 2);
        ChooseVariable(e, QStringLiteral("Page"), QStringLiteral("Number"));
        EXPECT_EQ(e->ValCombo->currentText(), QStringLiteral("Other"));
        EXPECT_EQ(e->ValList->currentItem()->text(), QStringLiteral("TotalPages"));
        e->Button1->click();
    });
    EXPECT_TRUE(ShowEvEditor(&second));
    EXPECT_EQ(second.Variables, report->Variables);
    EXPECT_EQ(second.Values.FindVariable(QStringLiteral("Number"))->OtherKind, int(svTotalPages));
    CurReport = report.get();
}

// The display format editor and the highlight editor, from the designer.
#include "designerfixture.h"
#include "dialogsupport.h"

#include "report/rpCtrls.h"
#include <QPlainTextEdit>

#include "platform/controls/MessageBox.h"
#include "report/designer/rpEditorForm.h"
#include "report/designer/rpFmtForm.h"
#include "report/designer/rpHilightForm.h"

#include "report/rpStrings.h"

#include <QAction>
#include <QBuffer>
#include <QMenu>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace destest;

namespace {

class FormatEditorTest : public EngineDesignerTest {
protected:
    DialogScript script;
    // Picks entry of a combo box as a user would: choose it, and the box reports the choice.
    static void Choose(QComboBox* box, const QString& text)
    {
        box->setCurrentIndex(box->findText(text));
        emit box->activated(box->currentIndex());
    }
};

} // namespace

TEST_F(FormatEditorTest, ACodeOpensAsItsCategoryFormatDigitsAndSymbol)
{
    struct Case {
        quint32 code;
        const char* category;
        const char* format;
        bool numbers, custom;
        const char* decimals;
        QString symbol;
    };
    const Case cases[] = {
        {0x0102022C, "Number", "1 234,5", true, false, "2", ","},
        {0x01000300 | 0x2E, "Number", "1234,5", true, false, "3", "."},
        {0x01040000, "Number", "Custom", false, true, "", ""},
        {0x02010000, "Date", "11.15.1998", false, false, "", ""},
        {0x03030000, "Time", "2:43", false, false, "", ""},
        {0x04020000, "Boolean", "_;x", false, false, "", ""},
        {0xF0000000, "Text", "[None]", false, false, "", ""}, // the top bits are not the editor's
        {0x010100C0, "Number", "1234,50", true, false, "0", QString(QChar(0x0410))}, // cp1251 byte of "А"
    };
    for (const Case& c : cases) {
        TrpFmtForm f;
        f.Format = qint32(c.code);
        f.show();
        SCOPED_TRACE(c.format);
        EXPECT_EQ(f.ComboBox1->currentText(), QString::fromLatin1(c.category));
        EXPECT_EQ(f.ComboBox2->currentText(), QString::fromLatin1(c.format));
        EXPECT_EQ(f.Panel1->isVisible(), c.numbers);
        EXPECT_EQ(f.Panel2->isVisible(), c.custom);
        if (c.numbers) {
            EXPECT_EQ(f.Edit3->text(), QString::fromLatin1(c.decimals));
            EXPECT_EQ(f.SplEdit->text(), c.symbol);
        }
        f.accept();
        EXPECT_EQ(quint32(f.Format), c.code) << "opening and OK change nothing";
    }
}

TEST_F(FormatEditorTest, ChoicesBuildTheCodeAndKeepTheTopBits)
{
    TrpFmtForm f;
    f.Format = qint32(0x50000000u | 0x0102022Cu);
    f.Edit1->setText(QStringLiteral("0.000"));
    f.show();
    Choose(f.ComboBox2, QStringLiteral("Custom"));
    EXPECT_FALSE(f.Panel1->isVisible());
    EXPECT_TRUE(f.Panel2->isVisible());
    EXPECT_EQ(quint32(f.Format), 0x5104022Cu);
    Choose(f.ComboBox1, QStringLiteral("Date"));
    EXPECT_TRUE(f.Edit1->text().isEmpty()) << "another category empties the custom text";
    EXPECT_FALSE(f.Panel2->isVisible());
    EXPECT_EQ(quint32(f.Format), 0x5200022Cu);
    Choose(f.ComboBox1, QStringLiteral("Number"));
    Choose(f.ComboBox2, QStringLiteral("1 234,50"));
    EXPECT_TRUE(f.Panel1->isVisible());
    f.Edit3->selectAll();
    QTest::keyClicks(f.Edit3, QStringLiteral("4"));
    f.SplEdit->selectAll();
    QTest::keyClick(f.SplEdit, Qt::Key_Delete);
    EXPECT_EQ(quint32(f.Format), 0x5103042Cu) << "an empty symbol is stored as a comma";
    QTest::keyClicks(f.SplEdit, QStringLiteral("."));
    EXPECT_EQ(quint32(f.Format), 0x5103042Eu);
}

TEST_F(FormatEditorTest, ANonNumberInTheDigitsIsToldAndKeepsTheDialogOpen)
{
    ctl::TScriptedMessageBoxPort boxes;
    TrpFmtForm f;
    f.Format = 0x0102022C;
    f.show();
    for (const char* bad : {"two", "", "300", "-1"}) {
        f.Edit3->setText(QString::fromLatin1(bad));
        EXPECT_EQ(quint32(f.Format), 0x0102022Cu) << bad;
        f.Button1->click();
        EXPECT_TRUE(f.isVisible()) << bad;
    }
    ASSERT_EQ(boxes.Count(), 4);
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(boxes.AskedSoFar()[0].text.contains(QStringLiteral("'two'")));
    f.Edit3->setText(QStringLiteral("0"));
    f.Button1->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(quint32(f.Format), 0x0102002Cu);
}

TEST_F(FormatEditorTest, VariableFormatGoesToEverySelectedViewAsOneUndoStep)
{
    TrpMemoView* a = Memo(10, 10, 80, 20, QStringLiteral("[A]"));
    TrpMemoView* b = Memo(10, 40, 80, 20, QStringLiteral("[B]"));
    Select({a, b});
    OnModalOf<TrpFmtForm>([](TrpFmtForm* f) {
        Choose(f->ComboBox1, QStringLiteral("Time"));
        Choose(f->ComboBox2, QStringLiteral("Custom"));
        QTest::keyClicks(f->Edit1, QStringLiteral("hh:nn"));
        f->Button1->click();
    });
    const quint32 digits = quint32(a->Format) & 0xFFFF; // a new text's digits and symbol stay
    PopupItem(rpLoadStr(55191))->trigger();
    EXPECT_EQ(quint32(b->Format), 0x03040000u | digits);
    EXPECT_EQ(b->FormatStr, QStringLiteral("hh:nn"));
    form->Undo(form->UndoBuffer);
    EXPECT_EQ(quint32(dynamic_cast<TrpMemoView*>(objects()[1])->Format), digits);
    form->Undo(form->RedoBuffer);
    auto copy = Reloaded();
    EXPECT_EQ(Find(*copy, objects()[0]->Name)->FormatStr, QStringLiteral("hh:nn"));
    EXPECT_EQ(quint32(Find(*copy, objects()[1]->Name)->Format), 0x03040000u | digits);

    // Cancel changes no format.
    Select({objects()[1]});
    OnModalOf<TrpFmtForm>([](TrpFmtForm* f) {
        Choose(f->ComboBox1, QStringLiteral("Date"));
        f->Button2->click();
    });
    PopupItem(rpLoadStr(55191))->trigger();
    EXPECT_EQ(quint32(objects()[1]->Format), 0x03040000u | digits);
}

TEST_F(FormatEditorTest, TheMemoEditorsFormatButtonChangesTheViewsFormat)
{
    TrpMemoView* m = Memo(10, 10, 80, 20, QStringLiteral("[SUM]"));
    Select({m});
    OnModalOf<TrpEditorForm>([](TrpEditorForm* editor) {
        OnModalOf<TrpFmtForm>([](TrpFmtForm* f) {
            Choose(f->ComboBox1, QStringLiteral("Boolean"));
            Choose(f->ComboBox2, QStringLiteral("No;Yes"));
            f->Button1->click();
        });
        QTest::keyClick(editor->M1, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(editor->M1, Qt::Key_Escape);
    });
    const quint32 digits = quint32(m->Format) & 0xFFFF;
    form->ShowMemoEditor();
    EXPECT_EQ(quint32(m->Format), 0x04010000u | digits) << "the format stays when the text is cancelled";
}

TEST_F(FormatEditorTest, HighlightEditorFromTheTextToolBar)
{
    TrpMemoView* m = Memo(10, 10, 80, 20, QStringLiteral("[RESULT]"));
    m->HighlightFillColor = gfx::clNone;
    m->HighlightFontStyle = 2;
    Select({m});
    EXPECT_TRUE(form->HlB1->isEnabled());
    OnModalOf<TrpHilightForm>([](TrpHilightForm* h) {
        EXPECT_TRUE(h->RB1->isChecked());
        EXPECT_FALSE(h->SpeedButton2->isEnabled());
        EXPECT_TRUE(h->CB1->isChecked());
        QTest::keyClicks(h->Edit1, QStringLiteral("[RESULT] > 0.5"));
        h->CB1->click();
        h->CB3->click();
        h->RB2->click();
        EXPECT_TRUE(h->SpeedButton2->isEnabled());
        OnModalOf<QColorDialog>([](QColorDialog* d) {
            d->setCurrentColor(QColor(255, 0, 0));
            d->accept();
        });
        h->SpeedButton2->click();
        OnModalOf<QColorDialog>([](QColorDialog* d) { d->reject(); });
        h->SpeedButton1->click();
        h->Button3->click();
    });
    form->HlB1->OnClick();
    EXPECT_EQ(m->HighlightStr, QStringLiteral("[RESULT] > 0.5"));
    EXPECT_EQ(m->HighlightFontStyle, 4);
    EXPECT_EQ(m->HighlightFillColor, gfx::TColor(0x0000FF));
    EXPECT_EQ(m->HighlightFontColor, gfx::clBlack) << "a cancelled colour dialog changes nothing";
    EXPECT_TRUE(form->UndoB->isEnabled());
    auto copy = Reloaded();
    auto* back = dynamic_cast<TrpMemoView*>(Find(*copy, m->Name));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->HighlightStr, QStringLiteral("[RESULT] > 0.5"));
    EXPECT_EQ(back->HighlightFillColor, gfx::TColor(0x0000FF));

    // "Transparent" drops the background colour again.
    Select({m});
    OnModalOf<TrpHilightForm>([](TrpHilightForm* h) {
        EXPECT_TRUE(h->RB2->isChecked());
        h->RB1->click();
        EXPECT_FALSE(h->SpeedButton2->isEnabled());
        h->Button3->click();
    });
    form->HlB1->OnClick();
    EXPECT_EQ(m->HighlightFillColor, gfx::clNone);
}

// The object inspector (rows, editing, the "..." editors, rolling up) and the colour selector, alone and
// in the designer.
#include "dialogsupport.h"

#include "report/designer/rpColorSelector.h"
#include "report/designer/rpInspForm.h"
#include "report/rpCtrls.h"

#include <QColorDialog>
#include <QDir>
#include <QLineEdit>
#include <QTest>

using namespace destest;

namespace {

// A property editor that answers at once and remembers the view it was given.
class FakeEditor : public TPropEditor {
public:
    int ShowEditor() override
    {
        ++shown;
        seen = View;
        return answer;
    }
    int answer = QDialog::Accepted;
    int shown = 0;
    TrpView* seen = nullptr;
};

class InspectorTest : public ::testing::Test {
protected:
    InspectorTest()
    {
        insp.SetItems({{"Name", new TProp(&values[0], csEdit, nullptr)},
                       {"Left", new TProp(&values[1], csEdit, nullptr)},
                       {"Memo", new TProp(&values[2], csDefEditor, &editor)}});
        insp.OnModify = [this](int row) { modified.append(row); };
        insp.show();
    }
    void ClickRow(int row) { QTest::mouseClick(insp.PaintBox1, Qt::LeftButton, {}, QPoint(20, row * insp.ItemHeight + 4)); }

    QString values[3] = {"Memo1", "10", ""};
    FakeEditor editor;
    TrpInspForm insp;
    QList<int> modified;
};

} // namespace

TEST(InspectorAlone, WithoutRowsNothingIsEditable)
{
    TrpInspForm insp;
    insp.SetItems({});
    insp.show();
    EXPECT_FALSE(insp.Edit1->isVisible());
    EXPECT_FALSE(insp.SpeedButton1->isVisible());
    EXPECT_EQ(insp.CurItem(), nullptr);
    EXPECT_EQ(insp.GetItemValue(0), QString());
    insp.SetItemValue("x"); // no row: nothing to store, nothing raised
    EXPECT_EQ(insp.ItemHeight, 5 + std::abs(gfx::TFont().Height()));
}

TEST_F(InspectorTest, ClicksChooseRowsAndTheEditorRowGetsItsButton)
{
    EXPECT_EQ(insp.ItemIndex, 0);
    EXPECT_EQ(insp.Edit1->text(), "Memo1");
    ClickRow(1);
    EXPECT_EQ(insp.ItemIndex, 1);
    EXPECT_EQ(insp.Edit1->text(), "10");
    EXPECT_FALSE(insp.SpeedButton1->isVisible());
    EXPECT_EQ(insp.Edit1->x(), insp.W1 + 2);
    EXPECT_EQ(insp.Edit1->y(), insp.ItemHeight + 3);

    // Below the last row: the last row.
    QTest::mouseClick(insp.PaintBox1, Qt::LeftButton, {}, QPoint(20, insp.PaintBox1->height() - 2));
    EXPECT_EQ(insp.ItemIndex, 2);
    EXPECT_EQ(insp.Edit1->text(), "(Memo)");
    EXPECT_TRUE(insp.Edit1->isReadOnly());
    EXPECT_TRUE(insp.SpeedButton1->isVisible());
    EXPECT_EQ(insp.SpeedButton1->width(), 14);
    EXPECT_EQ(insp.Edit1->width(), insp.W - insp.W1 - 4 - 15);

    // A disabled row cannot be chosen.
    insp.EnableItem(1, false);
    ClickRow(1);
    EXPECT_EQ(insp.ItemIndex, 2);
}

TEST_F(InspectorTest, TypedValuesAreCommittedByEnterAndByLeavingTheRow)
{
    ClickRow(1);
    QTest::keyClicks(insp.Edit1, "25"); // the row's text comes selected: typing replaces it
    QTest::keyClick(insp.Edit1, Qt::Key_Return);
    EXPECT_EQ(values[1], "25");
    EXPECT_EQ(modified, QList<int>{1});
    EXPECT_FALSE(insp.Edit1->isModified());

    // Up moves a row and commits the changed one on the way.
    insp.Edit1->selectAll();
    QTest::keyClicks(insp.Edit1, "7");
    QTest::keyClick(insp.Edit1, Qt::Key_Up);
    EXPECT_EQ(insp.ItemIndex, 0);
    EXPECT_EQ(values[1], "7");
    EXPECT_EQ(modified, (QList<int>{1, 1}));

    // An unchanged row is not reported.
    QTest::keyClick(insp.Edit1, Qt::Key_Down);
    QTest::keyClick(insp.Edit1, Qt::Key_Down);
    EXPECT_EQ(insp.ItemIndex, 2);
    QTest::keyClick(insp.Edit1, Qt::Key_Down); // the last row stays
    EXPECT_EQ(insp.ItemIndex, 2);
    EXPECT_EQ(modified.size(), 2);
}

TEST_F(InspectorTest, ValuesAreCutTo255Characters)
{
    insp.SetItemValue(QString(300, QLatin1Char('a')));
    EXPECT_EQ(values[0].size(), 255);
    EXPECT_EQ(insp.Edit1->text().size(), 255);
    insp.Busy = true; // while busy nothing is taken
    insp.SetItemValue("b");
    EXPECT_EQ(values[0].size(), 255);
}

TEST_F(InspectorTest, TheEditorRowOpensItsEditorOnTheCurrentView)
{
    TrpMemoView view;
    insp.CurView = &view;
    insp.SetItemIndex(2);
    insp.SpeedButton1->OnClick();
    EXPECT_EQ(editor.shown, 1);
    EXPECT_EQ(editor.seen, &view);
    EXPECT_EQ(modified, QList<int>{2});
    editor.answer = QDialog::Rejected;
    QTest::keyClick(insp.Edit1, Qt::Key_Return);
    QTest::mouseDClick(insp.Edit1, Qt::LeftButton);
    EXPECT_EQ(editor.shown, 3);
    EXPECT_EQ(modified, QList<int>{2}) << "a cancelled editor changes nothing";
}

TEST_F(InspectorTest, TheCaptionsDoubleClickRollsTheWindowUpAndDown)
{
    const QSize size = insp.size();
    insp.RollUp();
    EXPECT_TRUE(insp.Panel1->isHidden());
    EXPECT_EQ(insp.width(), insp.SavedWidth / 2);
    insp.RollUp();
    EXPECT_FALSE(insp.Panel1->isHidden());
    EXPECT_EQ(insp.size(), size);
}

// ---- colour selector ----------------------------------------------------------------------------------

TEST(ColorSelector, PaletteTransparentAndOtherColours)
{
    QWidget owner;
    TColorSelector sel(&owner);
    EXPECT_EQ(sel.size(), QSize(96, 132));
    EXPECT_EQ(sel.Button(6)->geometry(), QRect(4 + 22 * 2, 4 + 22, 22, 22));
    EXPECT_EQ(sel.Button(16)->geometry(), QRect(4, 92, 88, 18));
    EXPECT_EQ(sel.Button(17)->geometry(), QRect(4, 110, 88, 18));
    for (int tag : {16, 17})
        EXPECT_LE(sel.Button(tag)->fontMetrics().horizontalAdvance(sel.Button(tag)->Caption()) + 4, 88);

    sel.SetColor(gfx::clNavy);
    EXPECT_TRUE(sel.Button(5)->Down());
    sel.SetColor(0x123456); // outside the palette: navy stays pressed, "Other..." shows the colour
    EXPECT_TRUE(sel.Button(5)->Down());
    const QImage other = sel.Button(17)->Glyph();
    ASSERT_EQ(other.size(), QSize(12, 13));
    EXPECT_EQ(gfx::FromQColor(other.pixelColor(5, 5)), gfx::TColor(0x123456));
    sel.SetColor(gfx::clNone);
    EXPECT_TRUE(sel.Button(16)->Down());
    sel.SetColor(gfx::clRed);
    EXPECT_TRUE(sel.Button(10)->Down());
    EXPECT_TRUE(sel.Button(17)->Glyph().isNull());
}

TEST(ColorSelector, ChoosingHidesTheSelectorAndTellsTheOwner_CancelChangesNothing)
{
    QWidget owner;
    TColorSelector sel(&owner);
    owner.show();
    QList<gfx::TColor> told;
    sel.OnColorSelected = [&told](TColorSelector* s) { told.append(s->Color); };
    sel.show();
    sel.Button(3)->OnClick();
    EXPECT_EQ(told, QList<gfx::TColor>{gfx::clGreen});
    EXPECT_TRUE(sel.isHidden());

    sel.show();
    DialogScript script;
    auto chooseOther = [&script](bool accept) {
        script.Then<QColorDialog>([accept](QColorDialog* d) {
            d->setCurrentColor(gfx::ToQColor(0x0A0B0C));
            accept ? d->accept() : d->reject();
        });
    };
    chooseOther(false);
    sel.ButtonClick(17);
    EXPECT_EQ(sel.Color, gfx::clGreen);
    EXPECT_TRUE(sel.isVisible());
    EXPECT_EQ(told.size(), 1);
    chooseOther(true);
    sel.ButtonClick(17);
    EXPECT_EQ(sel.Color, gfx::TColor(0x0A0B0C));
    EXPECT_TRUE(sel.isHidden());
    sel.ButtonClick(16);
    EXPECT_EQ(told, (QList<gfx::TColor>{gfx::clGreen, 0x0A0B0C, gfx::clNone}));
}

// ---- in the designer -----------------------------------------------------------------------------------

using DesignerInspector = EngineDesignerTest;

TEST_F(DesignerInspector, RowsFollowTheSelectionAndEditsReachTheViews)
{
    TrpMemoView* a = Memo(40, 40, 80, 20);
    TrpMemoView* b = Memo(40, 80, 80, 20);
    TrpInspForm* insp = form->InspForm;
    EXPECT_TRUE(insp->isVisible()) << "shown with the designer";
    Select({a});
    EXPECT_FALSE(insp->Busy);
    EXPECT_EQ(insp->CurView, a);
    EXPECT_EQ(insp->GetItemValue(0), a->Name);
    EXPECT_EQ(insp->GetItemValue(1), "40");
    EXPECT_TRUE(insp->Items[6].second->Enabled);

    // Left "10+5" with Enter: the sum, and the row shows it.
    insp->SetItemIndex(1);
    insp->Edit1->selectAll();
    QTest::keyClicks(insp->Edit1, "10+5");
    QTest::keyClick(insp->Edit1, Qt::Key_Return);
    EXPECT_EQ(a->x, 15);
    EXPECT_EQ(insp->ItemIndex, 1);
    EXPECT_EQ(insp->Edit1->text(), "15");

    // A name another view has is refused, and the row shows the name kept.
    insp->SetItemIndex(0);
    insp->Edit1->selectAll();
    QTest::keyClicks(insp->Edit1, b->Name);
    QTest::keyClick(insp->Edit1, Qt::Key_Return);
    EXPECT_NE(a->Name, b->Name);
    EXPECT_EQ(insp->Edit1->text(), a->Name);
    insp->Edit1->selectAll();
    QTest::keyClicks(insp->Edit1, "Title");
    QTest::keyClick(insp->Edit1, Qt::Key_Return);
    EXPECT_EQ(a->Name, "Title");

    // Two views: the memo row is off; nothing selected: the rows are not shown.
    Select({a, b});
    EXPECT_FALSE(insp->Items[6].second->Enabled);
    EXPECT_EQ(insp->GetItemValue(1), "") << "the views differ in x";
    Select({});
    EXPECT_TRUE(insp->Busy);
    EXPECT_FALSE(insp->Edit1->isVisible());

    form->FormHide();
    EXPECT_FALSE(insp->isVisible());

    auto copy = Reloaded();
    ASSERT_TRUE(Find(*copy, "Title"));
    EXPECT_EQ(Find(*copy, "Title")->x, 15);
}

TEST_F(DesignerInspector, ColourButtonsDropTheSelectorDownAndApplyTheChoice)
{
    TrpMemoView* a = Memo(40, 40, 80, 20);
    form->show();
    Select({a});
    TColorSelector* sel = form->ColorSelector;
    form->ClB1->OnClick();
    EXPECT_TRUE(sel->isVisible());
    EXPECT_EQ(sel->pos(), form->ClB1->mapTo(form.get(), QPoint(0, 26)));
    EXPECT_TRUE(sel->Button(16)->Down()) << "a fresh memo has no fill";
    sel->Button(10)->OnClick();
    EXPECT_EQ(a->FillColor, gfx::clRed);
    EXPECT_TRUE(sel->isHidden());

    // The same button twice takes the selector away again.
    form->ClB2->OnClick();
    EXPECT_TRUE(sel->isVisible());
    form->ClB2->OnClick();
    EXPECT_TRUE(sel->isHidden());
    form->ClB2->OnClick();
    sel->Button(13)->OnClick();
    EXPECT_EQ(a->Font.Color(), gfx::clBlue);

    auto copy = Reloaded();
    auto* m = dynamic_cast<TrpMemoView*>(Find(*copy, a->Name));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->FillColor, gfx::clRed);
    EXPECT_EQ(m->Font.Color(), gfx::clBlue);
    form->hide();
}

TEST(DesignerTools, InspectorAndColourSelectorLayout)
{
    QWidget owner;
    TColorSelector sel(&owner);
    owner.resize(200, 200);
    sel.setObjectName("ColorSelector");
    owner.show();
    sel.show();
    const QString folder = QStringLiteral(VELT_BINARY_DIR) + QStringLiteral("/shots");
    QDir().mkpath(folder);
    EXPECT_TRUE(sel.grab().save(folder + "/color-selector.png"));

    QString values[3] = {"Memo1", "10", ""};
    TrpInspForm insp;
    insp.SetItems({{"Name", new TProp(&values[0], csEdit, nullptr)},
                   {"Left", new TProp(&values[1], csEdit, nullptr)},
                   {"Memo", new TProp(&values[2], csDefEditor, nullptr)}});
    insp.show();
    EXPECT_TRUE(insp.grab().save(folder + "/inspector.png"));
    for (int i = 0; i < insp.GetCount(); ++i)
        EXPECT_LE(insp.fontMetrics().horizontalAdvance(insp.Items[i].first) + 7, insp.W1);
}

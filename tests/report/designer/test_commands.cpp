// Clipboard and object commands, the keyboard, the selection status, the alignment palette and the
// style tool bars of the designer window.
#include "designerfixture.h"

#include "platform/controls/MessageBox.h"
#include "report/rpCtrls.h"
#include "report/rpSubReportView.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>

using namespace destest;

namespace {

class CommandTest : public DesignerTest {
protected:
    QList<int> Types()
    {
        QList<int> t;
        for (TrpView* v : objects())
            t.append(v->Typ == gtBand ? v->FrameTyp & 0xFF : 100 + v->Typ);
        return t;
    }
};

} // namespace

TEST_F(CommandTest, PasteSkipsBandsThePageHasOnlyOnceAndRenamesWhatItRepeats)
{
    TrpView* header = Band(btPageHeader, 40, 40);
    TrpView* data = Band(btMasterData, 100, 40);
    TrpView* memo = Memo(50, 110, 60, 20);
    Select({header, data, memo});
    form->CopyBClick();
    form->PstBClick();
    EXPECT_EQ(objects().size(), 5) << "the second page header is left out";
    EXPECT_EQ(SelectedCount, 2);
    // The group lands at the page's origin, selected, and bands stay in front of the other views.
    EXPECT_EQ(Types(), (QList<int>{btPageHeader, btMasterData, btMasterData, 100, 100}));
    TrpView* pasted = objects().last();
    EXPECT_TRUE(pasted->Selected);
    EXPECT_EQ(pasted->x, 50);
    EXPECT_EQ(pasted->y, 70);
    EXPECT_NE(pasted->Name, memo->Name);
    EXPECT_EQ(form->UndoBufferLength, 1);
    // Pasted twice, both groups have their top-left view at the origin.
    Select({data, memo});
    form->CopyBClick();
    form->PstBClick();
    EXPECT_EQ(objects().last()->y, 10);
    form->PstBClick();
    EXPECT_EQ(objects().size(), 9);
    EXPECT_EQ(objects().last()->y, 10);
    EXPECT_EQ(objects()[3]->y, 0);
}

TEST_F(CommandTest, PasteOfAnEmptyClipboardClearsTheSelectionAndRecordsNothingButAStep)
{
    TrpView* m = Memo(10, 10, 20, 20);
    Select({m});
    form->PstBClick();
    EXPECT_FALSE(m->Selected);
    EXPECT_EQ(SelectedCount, 0);
    EXPECT_EQ(form->UndoBufferLength, 1);
}

TEST_F(CommandTest, ReorderingKeepsBandsFirstWithOverlayFirstAndCrossBandsLast)
{
    Memo(10, 10, 20, 20);
    Band(btCrossData, 0, 40);
    Band(btPageHeader, 40, 40);
    TrpView* top = Memo(50, 50, 20, 20);
    Band(btOverlay, 200, 40);
    Band(btMasterData, 100, 40);
    Select({});
    form->ZB1Click();
    EXPECT_EQ(Types(), (QList<int>{btOverlay, btPageHeader, btMasterData, btCrossData, 100, 100}));
    Select({top});
    form->ZB2Click();
    EXPECT_EQ(objects()[4], top) << "sent behind the other text, still after the bands";
    form->ZB1Click();
    EXPECT_EQ(objects().last(), top);
}

TEST_F(CommandTest, FitToGridRoundsHalvesToEvenAndNeverToNothing)
{
    form->GridSize = 8;
    TrpView* m = Memo(12, 20, 3, 44);
    Select({m});
    form->GB3Click();
    EXPECT_EQ(m->x, 16);  // 1.5 steps: to 2
    EXPECT_EQ(m->y, 16);  // 2.5 steps: to 2
    EXPECT_EQ(m->dx, 8);  // rounds to 0: one step
    EXPECT_EQ(m->dy, 48); // 5.5 steps: to 6
}

TEST_F(CommandTest, FrameWidthSpinButtons)
{
    TrpView* m = Memo(10, 10, 20, 20);
    Select({m});
    struct Case { const char* text; int delta; const char* result; } cases[] = {
        {"1", -1, "1"}, {"2.5", -1, "1.5"}, {"2,5", 1, "3.5"}, {"junk", 1, "2"}};
    for (const Case& c : cases) {
        form->E1->setText(c.text);
        form->SpinFrameWidth(c.delta);
        EXPECT_EQ(form->E1->text(), QString(c.result)) << c.text;
        EXPECT_EQ(m->FrameWidth, QString(c.result).toDouble()) << c.text;
    }
}

TEST_F(CommandTest, RemovingPagesRenumbersSubReports)
{
    report->Pages->Add();
    report->Pages->Add();
    auto sub = [this](int target) {
        auto* s = new TrpSubReportView;
        s->SubPage = target;
        s->SetBounds(10, 10 + target * 30, 50, 20);
        s->CreateUniqueName();
        objects().append(s);
        return s;
    };
    TrpSubReportView* toTwo = sub(2);
    sub(1);
    form->SetCurPage(1);
    form->RemovePage(1);
    ASSERT_EQ(report->Pages->Count(), 2);
    ASSERT_EQ(report->Pages->Pages(0)->Objects.size(), 1);
    EXPECT_EQ(report->Pages->Pages(0)->Objects[0], toTwo);
    EXPECT_EQ(toTwo->SubPage, 1);
    EXPECT_EQ(form->CurPage, 0);
    EXPECT_EQ(form->Tab1->count(), 2);
    EXPECT_EQ(form->Tab1->tabText(1), toTwo->Name);
    // The only page is cleared instead of removed; asked first.
    form->RemovePage(1);
    ctl::TScriptedMessageBoxPort boxes;
    boxes.Answer(ctl::IDYES);
    form->PgB2Click();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QStringLiteral("Remove this page?"));
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(report->Pages->Count(), 1);
    EXPECT_TRUE(report->Pages->Pages(0)->Objects.isEmpty());
}

TEST_F(CommandTest, UnitsConvertBothWays)
{
    struct Case { TrpReportUnits u; int px; double value; } cases[] = {{ruPixels, 36, 36}, {ruMM, 36, 10}, {ruInches, 18 * 127, 25}};
    for (const Case& c : cases) {
        form->SetUnits(c.u);
        EXPECT_DOUBLE_EQ(form->PointsToUnits(c.px), c.value);
        EXPECT_EQ(form->UnitsToPoints(c.value), c.px);
    }
}

TEST_F(CommandTest, SelectionStatusDecidesWhichCommandsAreOpen)
{
    TrpView* band = Band(btPageHeader, 40, 40);
    TrpView* memo = Memo(10, 100, 20, 20);
    TrpView* line = Line(10, 200, 100, 0);
    struct Case { std::vector<TrpView*> sel; unsigned status; bool rect, font, edit; } cases[] = {
        {{}, 0, false, false, false},
        {{band}, ssBand, false, false, true},
        {{memo}, ssMemo, true, true, true},
        {{line}, ssOther, true, false, true},
        {{memo, line}, ssMultiple, true, true, false},
    };
    for (const Case& c : cases) {
        form->Unselect();
        for (TrpView* v : c.sel) {
            v->Selected = true;
            ++SelectedCount;
        }
        form->EnableControls();
        EXPECT_EQ(form->SelStatus(), c.status);
        EXPECT_EQ(form->FrB1->isEnabled(), c.rect);
        EXPECT_EQ(form->C2->isEnabled(), c.font);
        EXPECT_EQ(form->N36->isEnabled(), c.edit);
        EXPECT_EQ(form->CutB->isEnabled(), !c.sel.empty());
    }
    form->CopyBClick();
    EXPECT_TRUE(form->SelStatus() & ssClipboardFull);
    EXPECT_TRUE(form->PstB->isEnabled());
}

TEST_F(CommandTest, ArrowsSelectTheNearestObjectOrWithAltMoveUpToIt)
{
    TrpView* s = Memo(100, 100, 50, 20);
    TrpView* near = Memo(200, 110, 50, 20);
    TrpView* far = Memo(300, 100, 50, 20);
    TrpView* above = Memo(100, 20, 50, 20);
    Select({s});
    form->FormKeyDown(Qt::Key_Right, Qt::NoModifier);
    EXPECT_TRUE(near->Selected);
    EXPECT_FALSE(s->Selected);
    form->FormKeyDown(Qt::Key_Right, Qt::NoModifier);
    EXPECT_TRUE(far->Selected);
    form->FormKeyDown(Qt::Key_Right, Qt::NoModifier);
    EXPECT_TRUE(far->Selected) << "nothing further right: the selection stays";
    Select({s});
    form->FormKeyDown(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(s->x, 150) << "touches the nearest one";
    form->FormKeyDown(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(s->y, 40);
    EXPECT_EQ(above->y, 20);
    // Two selected: a bare arrow does nothing; Ctrl moves, Shift sizes.
    Select({s, near});
    form->FormKeyDown(Qt::Key_Left, Qt::NoModifier);
    EXPECT_TRUE(s->Selected && near->Selected);
    form->FormKeyDown(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(near->x, 199);
    form->FormKeyDown(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(near->dy, 21);
    // Nothing selected: arrows do nothing.
    Select({});
    EXPECT_TRUE(form->FormKeyDown(Qt::Key_Right, Qt::NoModifier));
    EXPECT_EQ(SelectedCount, 0);
}

TEST_F(CommandTest, KeysForFramesAndTheGrid)
{
    TrpView* band = Band(btPageHeader, 40, 40);
    TrpView* memo = Memo(10, 100, 20, 20);
    Select({band});
    form->FormKeyDown(Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(band->FrameWidth, 1) << "style keys skip bands";
    Select({memo});
    form->FormKeyDown(Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(memo->FrameWidth, 5);
    form->FormKeyDown(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(memo->FrameTyp & frAll, frAll);
    EXPECT_TRUE(form->FrB1->Down());
    form->FormKeyDown(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(memo->FrameTyp & frAll, 0);
    const bool show = form->GridShow, align = form->GridAlign;
    form->FormKeyDown(Qt::Key_G, Qt::ControlModifier);
    form->FormKeyDown(Qt::Key_B, Qt::ControlModifier);
    EXPECT_NE(form->GridShow, show);
    EXPECT_NE(form->GridAlign, align);
    form->FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(objects().size(), 1);
}

TEST_F(CommandTest, AlignmentPalette)
{
    struct Case { int button; std::vector<int> xs; std::vector<int> expected; } cases[] = {
        {1, {0}, {0}},                 // needs two
        {1, {30, 10, 50}, {50, 50, 50}}, // to the reference (the topmost selected)
        {4, {0, 10, 100}, {0, 50, 100}},
        {4, {0, 50, 100}, {0, 50, 100}},
        {3, {100}, {300}},             // alone, centred on a 700 wide page: see below
    };
    for (const Case& c : cases) {
        qDeleteAll(objects());
        objects().clear();
        page->PrnInfo.Pgw = 700;
        std::vector<TrpView*> views;
        for (int x : c.xs)
            views.push_back(Memo(x, 10, 100, 10));
        form->Unselect();
        for (TrpView* v : views) {
            v->Selected = true;
            ++SelectedCount;
        }
        ReferenceView = nullptr;
        form->AlignClick(c.button);
        for (size_t i = 0; i < views.size(); ++i)
            EXPECT_EQ(views[i]->x, c.expected[i]) << c.button << " #" << i;
    }
}

TEST_F(CommandTest, StyleButtonsChangeTheSelectionAndBecomeTheStyleOfNewObjects)
{
    TrpMemoView* a = Memo(10, 10, 50, 20);
    TrpMemoView* b = Memo(10, 40, 50, 20);
    TrpView* band = Band(btPageHeader, 100, 40);
    Select({a, b, band});
    form->FnB1->SetDown(true);
    form->DoClick(form->FnB1);
    form->AlB3->SetDown(true);
    form->DoClick(form->AlB3);
    form->ColorButton = form->ClB1;
    form->ColorSelected(gfx::clYellow);
    for (TrpMemoView* m : {a, b}) {
        EXPECT_TRUE(m->Font.Style() & gfx::fsBold);
        EXPECT_EQ(m->Adjust & 3, adCenter);
        EXPECT_EQ(m->FillColor, gfx::clYellow);
    }
    EXPECT_EQ(band->FillColor, gfx::clNone) << "bands keep their look";
    EXPECT_EQ(form->ButtonColor(form->ClB1), gfx::clYellow);
    form->ColorSelected(gfx::clNone);
    EXPECT_EQ(form->ButtonColor(form->ClB1), gfx::clNone);
    form->ObjectButtonDown(form->OB2, false);
    Drag(300, 300, 400, 320);
    auto* made = dynamic_cast<TrpMemoView*>(objects().last());
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->Font.Style() & gfx::fsBold);
    EXPECT_EQ(made->Adjust & 3, adCenter);
    EXPECT_EQ(made->FillColor, gfx::clNone);
    // The tool bars follow the selection.
    Select({a});
    EXPECT_TRUE(form->FnB1->Down());
    EXPECT_TRUE(form->AlB3->Down());
}

TEST_F(CommandTest, InspectorRowsEvaluateAndCheckWhatIsTyped)
{
    TrpView* a = Memo(10, 10, 50, 20);
    TrpView* b = Memo(30, 40, 50, 20);
    Select({a, b});
    EXPECT_EQ(form->InspValues[1], QString()) << "different lefts";
    EXPECT_EQ(form->InspValues[3], QStringLiteral("50"));
    form->OnModify(1, QStringLiteral("10+5"));
    EXPECT_EQ(a->x, 15);
    EXPECT_EQ(b->x, 15);
    EXPECT_EQ(form->InspValues[1], QStringLiteral("15"));
    form->OnModify(1, QStringLiteral("0"));
    form->OnModify(1, QStringLiteral("5000"));
    EXPECT_EQ(a->x, 15) << "outside the page: ignored";
    form->OnModify(5, QStringLiteral("0"));
    EXPECT_FALSE(a->Visible);
    Select({a});
    form->OnModify(0, b->Name);
    EXPECT_NE(a->Name, b->Name) << "a name another object holds is refused";
    form->SetUnits(ruMM);
    form->OnModify(2, QStringLiteral("10"));
    EXPECT_EQ(a->y, 36);
    EXPECT_EQ(form->InspValues[2], QStringLiteral("10.00"));
    QString position, size, scale;
    form->PositionParts(position, size, scale);
    EXPECT_EQ(position, QStringLiteral("4.17; 10.00"));
}

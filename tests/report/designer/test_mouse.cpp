// Mouse editing on the design surface, driven without a window system: presses, moves and releases in,
// the report model, the overlays and the repaint requests out.
#include "designerfixture.h"
#include "designerdialogs.h"

#include "report/rpCtrls.h"

#include <QMenu>
#include <QTabBar>

using namespace destest;

namespace {

class MouseTest : public DesignerTest {
protected:
    void Tool(TrpTBButton* button, bool sticky = false) { form->ObjectButtonDown(button, sticky); }
    gfx::TRect Bounds(const TrpView* v) { return gfx::Rect(v->x, v->y, v->dx, v->dy); }
};

} // namespace

TEST_F(MouseTest, GridAlignedMovesGoInWholeStepsAndKeepTheRest)
{
    form->GridAlign = true;
    form->GridSize = 8;
    TrpView* m = Memo(80, 80, 40, 16);
    Hover(90, 90);
    surface->MDown(Qt::LeftButton, Qt::NoModifier, 90, 90);
    EXPECT_TRUE(m->Selected);
    surface->MMove(Qt::NoModifier, 97, 90);
    EXPECT_EQ(m->x, 80) << "7 pixels is less than one step";
    EXPECT_EQ(form->UndoBufferLength, 0);
    surface->MMove(Qt::NoModifier, 99, 90);
    EXPECT_EQ(m->x, 88) << "9 pixels moves one step";
    EXPECT_EQ(form->UndoBufferLength, 1) << "the first real move records the undo step";
    surface->MMove(Qt::NoModifier, 106, 90);
    EXPECT_EQ(m->x, 96) << "the pending pixel counts towards the next step";
    surface->MUp(Qt::LeftButton, Qt::NoModifier, 106, 90);
    EXPECT_EQ(form->UndoBufferLength, 1);
}

TEST_F(MouseTest, InsertedObjectIsTheSameWhicheverWayItsRectangleIsDrawn)
{
    for (bool backwards : {false, true}) {
        Tool(form->OB2);
        if (backwards)
            Drag(200, 150, 100, 100);
        else
            Drag(100, 100, 200, 150);
        ASSERT_FALSE(objects().isEmpty());
        TrpView* v = objects().last();
        EXPECT_EQ(v->Typ, gtMemo);
        EXPECT_EQ(Bounds(v), gfx::Rect(100, 100, 100, 50)) << backwards;
        EXPECT_TRUE(v->Selected);
        EXPECT_EQ(SelectedCount, 1);
        EXPECT_TRUE(form->OB1->Down()) << "back to the arrow after one insertion";
    }
    EXPECT_EQ(objects().size(), 2);
    EXPECT_NE(objects()[0]->Name, objects()[1]->Name);
    EXPECT_EQ(form->UndoBufferLength, 2);
}

TEST_F(MouseTest, AClickWithAnInsertToolUsesTheOutlineThatFollowedTheMouse)
{
    struct Case { TrpTBButton* TrpDesignerForm::*tool; int w, h; } cases[] = {
        {&TrpDesignerForm::OB2, 96, 18},  // the default text size
        {&TrpDesignerForm::OB3, -1, 40},  // a band: as wide as the page, 40 high
    };
    DialogScript script;
    ChooseBandType(script, btMasterData);
    for (const Case& c : cases) {
        Tool(form.get()->*c.tool);
        Hover(50, 300);
        Hover(60, 310);
        EXPECT_TRUE(surface->OutlineShown());
        Click(60, 310);
        EXPECT_FALSE(surface->OutlineShown());
        TrpView* v = c.w < 0 ? objects().first() : objects().last(); // bands go first
        EXPECT_EQ(v->dx, c.w < 0 ? surface->width() : c.w);
        EXPECT_EQ(v->dy, c.h);
    }
    EXPECT_EQ(objects().first()->Typ, gtBand) << "bands go behind the other objects";
    EXPECT_EQ(objects().first()->Name, QStringLiteral("MasterData1"));
}

TEST_F(MouseTest, StickyInsertKeepsTheToolAfterAnInsertion)
{
    Tool(form->OB2, true);
    Drag(10, 10, 50, 50);
    Drag(60, 60, 90, 90);
    EXPECT_EQ(objects().size(), 2);
    EXPECT_TRUE(form->OB2->Down());
    EXPECT_TRUE(surface->OutlineShown());
}

TEST_F(MouseTest, LinesAreDrawnWithThePencil)
{
    Tool(form->OB6);
    Hover(300, 300);
    EXPECT_EQ(surface->DesignCursor(), dcPencil);
    Drag(300, 300, 200, 310);
    ASSERT_EQ(objects().size(), 1);
    TrpView* line = objects().last();
    EXPECT_EQ(line->Typ, gtLine);
    // A right-to-left line starts at its second point; a mostly horizontal one is drawn flat.
    EXPECT_EQ(Bounds(line), gfx::Rect(200, 300, 100, 0));
    EXPECT_EQ(line->FrameWidth, LastStyle.LineWidth);
    EXPECT_FALSE(surface->LineShown());
}

TEST_F(MouseTest, MovingABandDragsAlongWhatLiesWhollyInsideItUnlessAltIsHeld)
{
    for (bool alt : {false, true}) {
        qDeleteAll(objects());
        objects().clear();
        TrpView* band = Band(btMasterData, 100, 60);
        TrpView* inside = Memo(10, 110, 50, 20);
        TrpView* across = Memo(10, 150, 50, 20); // reaches below the band
        Click(300, 130);
        ASSERT_TRUE(band->Selected);
        const Qt::KeyboardModifiers mods = alt ? Qt::AltModifier : Qt::NoModifier;
        Drag(300, 130, 300, 170, mods);
        EXPECT_EQ(band->y, 140);
        EXPECT_EQ(inside->y, alt ? 110 : 150) << alt;
        EXPECT_EQ(across->y, 150);
        // One undo step brings everything back.
        form->Undo(form->UndoBuffer);
        EXPECT_EQ(objects()[0]->y, 100);
        EXPECT_EQ(objects()[1]->y, 110);
    }
}

TEST_F(MouseTest, GroupResizeScalesMembersFromTheGroupsLeftTop)
{
    TrpView* a = Memo(100, 100, 50, 20);
    TrpView* b = Memo(150, 100, 51, 40);
    TrpView* c = Memo(120, 150, 25, 30);
    Select({a, b, c});
    ASSERT_EQ(surface->RightBottom, objects().indexOf(b));
    // The group is 101 wide and 80 high; drag its bottom-right handle to half the width.
    Hover(201, 140);
    EXPECT_EQ(surface->DesignCursor(), dcSizeNWSE);
    surface->MDown(Qt::LeftButton, Qt::NoModifier, 201, 140);
    surface->MMove(Qt::NoModifier, 201 - 50, 140);
    const double k = 51.0 / 101.0;
    auto expectScaled = [k](TrpView* v, int x0, int dx0) {
        const double a = (x0 - 100) * k, w = dx0 * k;
        EXPECT_EQ(v->x, rpRound(a) + 100);
        EXPECT_EQ(v->x + v->dx, rpRound(a + w) + 100);
    };
    expectScaled(a, 100, 50);
    expectScaled(b, 150, 51);
    expectScaled(c, 120, 25);
    EXPECT_EQ(a->dy, 20) << "no vertical change";
    surface->MUp(Qt::LeftButton, Qt::NoModifier, 151, 140);
    form->Undo(form->UndoBuffer);
    EXPECT_EQ(objects()[1]->dx, 51);
}

TEST_F(MouseTest, SplitterMovesTheSharedEdgeUnlessANeighbourWouldVanish)
{
    struct Case { int to; int leftWidth, rightX, rightWidth; } cases[] = {
        {160, 60, 160, 40}, // moved 10 right
        {200, 50, 150, 50}, // the right one would be 0 wide: refused
        {100, 50, 150, 50}, // the left one would be 0 wide: refused
    };
    for (const Case& c : cases) {
        qDeleteAll(objects());
        objects().clear();
        TrpView* l = Memo(100, 100, 50, 20);
        TrpView* r = Memo(150, 100, 50, 20);
        Select({l, r});
        Hover(151, 110);
        ASSERT_EQ(surface->DesignCursor(), dcHSplit);
        surface->MDown(Qt::LeftButton, Qt::NoModifier, 151, 110);
        surface->MMove(Qt::NoModifier, c.to + 1, 110);
        surface->MUp(Qt::LeftButton, Qt::NoModifier, c.to + 1, 110);
        EXPECT_EQ(l->dx, c.leftWidth) << c.to;
        EXPECT_EQ(r->x, c.rightX) << c.to;
        EXPECT_EQ(r->dx, c.rightWidth) << c.to;
    }
}

TEST_F(MouseTest, ResizeHandlesChangeTheRightEdges)
{
    struct Case { int px, py; TrpDesignCursor cursor; int mx, my; gfx::TRect result; } cases[] = {
        {100, 100, dcSizeNWSE, 10, 5, gfx::Rect(110, 105, 90, 45)},  // top-left
        {200, 150, dcSizeNWSE, 10, 5, gfx::Rect(100, 100, 110, 55)}, // bottom-right
        {200, 100, dcSizeNESW, 10, 5, gfx::Rect(100, 105, 110, 45)}, // top-right
        {100, 150, dcSizeNESW, 10, 5, gfx::Rect(110, 100, 90, 55)},  // bottom-left
        {100, 125, dcSizeWE, 10, 5, gfx::Rect(110, 100, 90, 50)},    // left
        {200, 125, dcSizeWE, 10, 5, gfx::Rect(100, 100, 110, 50)},   // right
        {150, 100, dcSizeNS, 10, 5, gfx::Rect(100, 105, 100, 45)},   // top
        {150, 150, dcSizeNS, 10, 5, gfx::Rect(100, 100, 100, 55)},   // bottom
        {200, 150, dcSizeNWSE, -150, -80, gfx::Rect(50, 70, 50, 30)}, // through the opposite corner: normalised
    };
    for (const Case& c : cases) {
        qDeleteAll(objects());
        objects().clear();
        TrpView* v = Memo(100, 100, 100, 50);
        Select({v});
        Hover(c.px, c.py);
        ASSERT_EQ(surface->DesignCursor(), c.cursor) << c.px << "," << c.py;
        surface->MDown(Qt::LeftButton, Qt::NoModifier, c.px, c.py);
        surface->MMove(Qt::NoModifier, c.px + c.mx, c.py + c.my);
        surface->MUp(Qt::LeftButton, Qt::NoModifier, c.px + c.mx, c.py + c.my);
        EXPECT_EQ(Bounds(v), c.result) << c.px << "," << c.py;
    }
}

TEST_F(MouseTest, SelectingByClickShiftClickAndRubberBand)
{
    TrpView* a = Memo(100, 100, 50, 20);
    TrpView* b = Memo(200, 100, 50, 20);
    TrpView* band = Band(btPageHeader, 300, 40);
    Click(110, 110);
    EXPECT_TRUE(a->Selected);
    EXPECT_EQ(ReferenceView, a);
    Click(210, 110, Qt::ShiftModifier);
    EXPECT_EQ(SelectedCount, 2);
    EXPECT_TRUE(GroupFrame);
    Click(210, 110, Qt::ShiftModifier);
    EXPECT_FALSE(b->Selected);
    EXPECT_EQ(SelectedCount, 1);
    // A rubber band from empty paper takes every object it meets, bands excepted.
    Drag(90, 90, 260, 320);
    EXPECT_TRUE(a->Selected && b->Selected);
    EXPECT_FALSE(band->Selected);
    EXPECT_EQ(SelectedCount, 2);
    EXPECT_FALSE(surface->OutlineShown());
    // Ctrl starts a rubber band even over an object.
    Drag(110, 110, 120, 115, Qt::ControlModifier);
    EXPECT_TRUE(a->Selected);
    EXPECT_FALSE(b->Selected);
    EXPECT_EQ(a->x, 100) << "nothing moved";
    // A click on empty paper clears the selection.
    Click(600, 600);
    EXPECT_EQ(SelectedCount, 0);
}

TEST_F(MouseTest, OutlinesFollowTheMouseAsOverlaysAndAskForRepaints)
{
    form->ShapeMode = smFrame;
    TrpView* m = Memo(100, 100, 50, 20);
    form->RedrawPage();
    const QImage before = surface->Snapshot();
    surface->TakeRepaints();
    Hover(110, 110);
    surface->MDown(Qt::LeftButton, Qt::NoModifier, 110, 110);
    EXPECT_TRUE(surface->ShapesShown());
    surface->MMove(Qt::NoModifier, 140, 130);
    EXPECT_EQ(m->x, 130);
    EXPECT_FALSE(surface->TakeRepaints().isEmpty());
    // The outline is drawn over the cached page at the new place; the cache still shows the object where it was.
    const QImage during = surface->Snapshot();
    EXPECT_EQ(during.pixel(130, 125), qRgb(63, 63, 63));
    surface->MUp(Qt::LeftButton, Qt::NoModifier, 140, 130);
    EXPECT_FALSE(surface->ShapesShown());
    const QImage after = surface->Snapshot();
    EXPECT_NE(after, before);
    // Undo puts the page back pixel for pixel (marks hidden on both).
    form->Undo(form->UndoBuffer);
    surface->ShowMarks(false);
    EXPECT_EQ(surface->Snapshot(), before);
}

TEST_F(MouseTest, ObjectsShownInPlaceMoveWithTheMouse)
{
    form->ShapeMode = smAll;
    TrpMemoView* m = Memo(100, 100, 50, 20);
    m->FillColor = gfx::clRed;
    TrpMemoView* still = Memo(300, 100, 50, 20);
    still->FillColor = gfx::clBlue;
    form->RedrawPage();
    Hover(110, 110);
    surface->MDown(Qt::LeftButton, Qt::NoModifier, 110, 110);
    surface->MMove(Qt::NoModifier, 150, 140);
    const QImage during = surface->Snapshot();
    EXPECT_EQ(during.pixel(160, 140), qRgb(255, 0, 0)) << "at the new place";
    EXPECT_NE(during.pixel(110, 110), qRgb(255, 0, 0)) << "gone from the old one";
    EXPECT_EQ(during.pixel(320, 110), qRgb(0, 0, 255));
    surface->MUp(Qt::LeftButton, Qt::NoModifier, 150, 140);
    surface->ShowMarks(false);
    EXPECT_EQ(surface->Snapshot(), during);
    EXPECT_EQ(m->x, 140);
}

TEST_F(MouseTest, RightClickSelectsAndOpensThePopup)
{
    TrpView* a = Memo(100, 100, 50, 20);
    DialogScript script;
    script.Menu([this](QMenu& menu) { EXPECT_EQ(&menu, form->Popup1); });
    Hover(110, 110);
    surface->MDown(Qt::RightButton, Qt::NoModifier, 110, 110);
    surface->MUp(Qt::RightButton, Qt::NoModifier, 110, 110);
    EXPECT_EQ(script.Popups, 1);
    EXPECT_TRUE(a->Selected);
    EXPECT_TRUE(form->N5->isEnabled());
    EXPECT_FALSE(surface->Pressed);
}

TEST_F(MouseTest, DoubleClickOnASubReportShowsItsPage)
{
    Tool(form->OB5);
    Drag(100, 100, 200, 140);
    ASSERT_EQ(report->Pages->Count(), 2);
    Click(150, 120);
    surface->DClick();
    surface->MDown(Qt::LeftButton, Qt::NoModifier, 150, 120); // the press of the double click is skipped
    EXPECT_EQ(form->CurPage, 1);
    EXPECT_EQ(form->Tab1->count(), 2);
    EXPECT_EQ(form->Tab1->tabText(1), page->Objects.last()->Name) << "a page is titled after its sub-report";
    EXPECT_EQ(form->Tab1->tabText(0), QStringLiteral("Page1"));
}

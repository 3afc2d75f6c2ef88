// The design surface: grid snapping, corner search, the group rectangle, and what it paints.
#include "designerfixture.h"

using namespace destest;

namespace {

class SurfaceTest : public DesignerTest {};

int blackPixels(const QImage& img, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.pixel(x, y) == qRgb(0, 0, 0))
                ++n;
    return n;
}

} // namespace

TEST_F(SurfaceTest, RoundCoordTruncatesToTheGridOnlyWhenAligning)
{
    struct Case { int grid; bool align; int x, y, ex, ey; } cases[] = {
        {4, true, -5, 7, -4, 4}, {8, true, 15, 16, 8, 16}, {18, true, 35, 36, 18, 36}, {4, false, -5, 7, -5, 7}};
    for (const Case& c : cases) {
        form->GridSize = c.grid;
        form->GridAlign = c.align;
        int x = c.x, y = c.y;
        surface->RoundCoord(x, y);
        EXPECT_EQ(x, c.ex) << c.grid;
        EXPECT_EQ(y, c.ey) << c.grid;
    }
}

TEST_F(SurfaceTest, FindNearestEdgeTakesOnlyCornersStrictlyCloserThanTheGrid)
{
    form->GridSize = 8;
    Memo(100, 100, 50, 20);
    int x = 108, y = 100; // exactly one grid step from the top-left corner
    EXPECT_FALSE(surface->FindNearestEdge(x, y));
    EXPECT_EQ(x, 108);
    x = 147, y = 123; // 3 and 3 from the bottom-right corner
    EXPECT_TRUE(surface->FindNearestEdge(x, y));
    EXPECT_EQ(x, 150);
    EXPECT_EQ(y, 120);
}

TEST_F(SurfaceTest, GroupRectangleAndItsRightBottomObject)
{
    TrpView* a = Memo(10, 10, 50, 20);  // right 60, bottom 30
    TrpView* b = Memo(20, 40, 40, 30);  // right 60, bottom 70: same right, lower
    TrpView* c = Memo(5, 80, 30, 10);
    Select({a, b, c});
    EXPECT_TRUE(GroupFrame);
    EXPECT_EQ(surface->RightBottom, objects().indexOf(b));
    EXPECT_EQ(OldRect, gfx::Rect(5, 10, 60, 70));
    Select({a});
    EXPECT_FALSE(GroupFrame);
    EXPECT_EQ(surface->RightBottom, -1);
}

TEST_F(SurfaceTest, GridIsPaintedAsDotsOfItsSize)
{
    const QRect area(40, 40, 72, 72); // free of margins and objects
    form->GridShow = true;
    form->GridSize = 18;
    form->RedrawPage();
    QImage img = surface->Snapshot();
    EXPECT_EQ(img.pixel(54, 54), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(55, 54), qRgb(255, 255, 255));
    EXPECT_EQ(blackPixels(img, area), 16);
    form->GridSize = 4;
    form->RedrawPage();
    EXPECT_EQ(blackPixels(surface->Snapshot(), area), 18 * 18);
    form->GridSize = 8;
    form->RedrawPage();
    EXPECT_EQ(blackPixels(surface->Snapshot(), area), 9 * 9);
    form->GridShow = false;
    form->RedrawPage();
    EXPECT_EQ(blackPixels(surface->Snapshot(), area), 0);
}

TEST_F(SurfaceTest, SelectionMarksAreOverlaysAndGroupsShowTheirResizeHandle)
{
    TrpView* a = Memo(100, 100, 60, 30);
    TrpView* b = Memo(200, 100, 60, 30);
    form->RedrawPage();
    const QImage plain = surface->Snapshot();
    Select({a});
    surface->ShowMarks(true);
    QImage one = surface->Snapshot();
    // Eight marks: corners and side middles.
    for (QPoint p : {QPoint(100, 100), QPoint(160, 130), QPoint(130, 100), QPoint(100, 115), QPoint(160, 115)})
        EXPECT_EQ(one.pixel(p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
    Select({a, b});
    surface->ShowMarks(true);
    QImage group = surface->Snapshot();
    EXPECT_EQ(group.pixel(130, 100), plain.pixel(130, 100)); // no side marks in a group
    EXPECT_EQ(group.pixel(260, 130), qRgb(0, 128, 128));     // the group's handle
    EXPECT_EQ(group.pixel(160, 130), qRgb(0, 0, 0));
    // Hiding the marks gives back the page exactly: nothing was inverted into it.
    surface->ShowMarks(false);
    EXPECT_EQ(surface->Snapshot(), plain);
}

TEST_F(SurfaceTest, AnObjectIsPaintedOnlyWhereNothingAboveItLies)
{
    TrpMemoView* under = Memo(100, 100, 100, 100);
    under->FillColor = gfx::clRed;
    TrpMemoView* over = Memo(150, 150, 100, 100);
    over->FillColor = gfx::clBlue;
    Select({over});
    form->RedrawPage();
    under->FillColor = gfx::clGreen;
    // Repaint only the lower object's area: the upper one still hides it.
    const QRegion area = under->GetClipRgn(rtNormal);
    surface->Draw(0, &area);
    const QImage img = surface->Snapshot();
    EXPECT_EQ(img.pixel(120, 120), qRgb(0, 128, 0));
    EXPECT_EQ(img.pixel(180, 180), qRgb(0, 0, 255));
}

TEST_F(SurfaceTest, BandsAndMarginsAreDrawn)
{
    Band(btPageHeader, 40, 40);
    form->RedrawPage();
    const QImage img = surface->Snapshot();
    // The band's checkerboard and its grey title tab above it.
    EXPECT_EQ(img.pixel(300, 51), qRgb(192, 192, 192));
    EXPECT_EQ(img.pixel(300, 50), qRgb(255, 255, 255));
    EXPECT_NE(img.pixel(50, 30), qRgb(255, 255, 255));
    // The margin rectangle in grey.
    EXPECT_EQ(img.pixel(page->LeftMargin(), 300), qRgb(128, 128, 128));
}

// Docking tool bars: rows of the dock areas, floating, docking by position, and their places in the registry.
#include "report/designer/rpDock.h"
#include "report/rpCtrls.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class DockTest : public ::testing::Test {
protected:
    DockTest()
    {
        qputenv("VELT_REGISTRY_FILE", dir.filePath("registry.ini").toLocal8Bit());
        form = std::make_unique<QWidget>();
        form->resize(800, 600);
        top = new TrpDock(Qt::AlignTop, form.get());
        top->setObjectName("top");
        top->setGeometry(0, 0, 800, 3 * 26 + 1);
        left = new TrpDock(Qt::AlignLeft, form.get());
        left->setObjectName("left");
        left->setGeometry(0, 100, 27, 400);
    }
    ~DockTest() override { rpFreeFloatingToolBars(); }

    TrpToolBar* Bar(TrpDock* dock, const QString& name, int x, int y, int buttons = 3)
    {
        auto* bar = new TrpToolBar(name, dock);
        for (int i = 0; i < buttons; ++i)
            (new TrpTBButton(bar))->setGeometry(100 + i * 30, 1, 22, 22);
        bar->move(x, y);
        bar->AdjustBounds();
        return bar;
    }

    QTemporaryDir dir;
    std::unique_ptr<QWidget> form;
    TrpDock* top;
    TrpDock* left;
};

} // namespace

TEST_F(DockTest, ToolBarIsAsLongAsItsControlsAndTheDockDropsEmptyRows)
{
    TrpToolBar* a = Bar(top, "a", 0, 0);
    TrpToolBar* b = Bar(top, "b", 0, 26);
    TrpToolBar* c = Bar(top, "c", 0, 52);
    EXPECT_EQ(a->width(), 11 + 3 * 22 + 4);
    top->AdjustBounds();
    EXPECT_EQ(top->height(), 3 * 26 + 1);
    b->hide();
    top->AdjustBounds();
    EXPECT_EQ(top->height(), 2 * 26 + 1);
    EXPECT_EQ(c->y(), 26);
    a->hide();
    c->hide();
    top->AdjustBounds();
    EXPECT_EQ(top->height(), 1) << "no visible tool bar: one pixel";
    EXPECT_EQ(left->width(), 27);
    left->AdjustBounds();
    EXPECT_EQ(left->width(), 1);
}

TEST_F(DockTest, DraggedFarAboveItsDockATooBarFloatsUnlessItMayNot)
{
    TrpToolBar* a = Bar(top, "a", 0, 0);
    a->CanFloat = false;
    EXPECT_TRUE(a->MoveTo(40, -21));
    EXPECT_FALSE(a->IsFloat);
    EXPECT_EQ(a->y(), 0) << "clamped to the first row";
    EXPECT_EQ(a->x(), 40);
    a->CanFloat = true;
    EXPECT_TRUE(a->MoveTo(40, -21));
    EXPECT_TRUE(a->IsFloat);
    ASSERT_NE(a->GetFloatWindow(), nullptr);
    EXPECT_EQ(a->GetFloatWindow()->ClientRect().width(), a->width() - 11) << "the hidden grip is not shown";
    EXPECT_TRUE(a->Grip->isHidden());
    a->DockTo(top, 0, 0);
    EXPECT_FALSE(a->IsFloat);
    EXPECT_EQ(a->parentWidget(), top);
    EXPECT_FALSE(a->Grip->isHidden());
}

TEST_F(DockTest, OrientationDecidesWhichDocksTakeATooBar)
{
    TrpToolBar* a = Bar(top, "a", 0, 0);
    a->Orientation = toHorzOnly;
    a->FloatTo(300, 300);
    EXPECT_FALSE(a->FindDock(form.get(), QPoint(10, 200)));
    EXPECT_TRUE(a->IsFloat);
    a->Orientation = toAny;
    EXPECT_TRUE(a->FindDock(form.get(), QPoint(10, 200)));
    a->releaseMouse();
    EXPECT_EQ(a->parentWidget(), left);
    EXPECT_GT(a->height(), a->width()) << "turned to stand in the column";
}

TEST_F(DockTest, PlacesAreKeptInTheRegistry)
{
    TrpToolBar* a = Bar(top, "a", 0, 0);
    TrpToolBar* b = Bar(top, "b", 0, 26);
    // Nothing stored yet: the tool bar stays where it is, visible.
    RestoreToolbarPosition(b);
    EXPECT_EQ(b->pos(), QPoint(0, 26));
    EXPECT_TRUE(b->IsVisible());

    a->FloatTo(250, 120);
    SaveToolbarPosition(a);
    b->DockTo(left, 0, 30);
    SaveToolbarPosition(b);
    a->DockTo(top, 0, 0);
    b->DockTo(top, 100, 0);
    RestoreToolbarPosition(a);
    RestoreToolbarPosition(b);
    EXPECT_TRUE(a->IsFloat);
    EXPECT_EQ(a->GetFloatWindow()->pos(), QPoint(250, 120));
    EXPECT_FALSE(b->IsFloat);
    EXPECT_EQ(b->parentWidget(), left);
    EXPECT_EQ(b->y(), 30);
}

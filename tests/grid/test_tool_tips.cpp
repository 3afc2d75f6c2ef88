// Cell tool tips: a title or data cell whose text does not fit shows the whole text over the cell at once,
// in the cell's font; a fitting text shows none; a title's own hint is shown as it is.
#include "GridFixture.h"
#include "grid/ToolTipsWindow.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
struct Tipped : JournalGrid {
    Tipped()
    {
        for (int i = 0; i < grid.Columns().Count(); ++i) {
            grid.Columns()[i]->SetToolTips(true);
            grid.Columns()[i]->Title().SetToolTips(true);
        }
        show();
    }
    bool hint(QPoint p, TCustomDBGridEx::THintInfo& info)
    {
        info = {};
        info.CursorPos = p;
        return grid.CMHintShow(info);
    }
    QPoint title(int dataCol) const { return grid.CellRect(grid.DataToRawColumn(dataCol), 0).center(); }
    // The pointer moved with no button held.
    void hover(QPoint p, Qt::KeyboardModifiers m = {})
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), vp()->mapToGlobal(QPointF(p)), Qt::NoButton, Qt::NoButton, m);
        QApplication::sendEvent(vp(), &e);
    }
};
} // namespace

TEST(ToolTips, OnlyTextsThatDoNotFitShowTheirWholeText)
{
    Tipped t;
    TCustomDBGridEx::THintInfo info;
    EXPECT_FALSE(t.hint(t.cell(1, 1), info)) << "\"Петров Пётр\" fits 150 pixels";
    EXPECT_EQ(t.grid.CMHintsShowPause(t.cell(1, 1), 500), 0) << "a tool-tip cell shows at once";
    t.grid.Columns()[1]->SetWidth(40);
    ASSERT_TRUE(t.hint(t.cell(1, 1), info));
    EXPECT_EQ(info.HintStr, QString::fromUtf8("Петров Пётр"));
    const QRect cell = t.grid.CellRect(t.grid.DataToRawColumn(1), t.grid.TitleOffset() + 1);
    EXPECT_EQ(info.CursorRect, cell);
    EXPECT_EQ(info.HintPos, t.vp()->mapToGlobal(cell.topLeft())) << "left-aligned: over the cell's corner";
    ASSERT_NE(info.HintData, nullptr);
    EXPECT_EQ(info.HintData->Name(), t.grid.Columns()[1]->Font().Name());

    // A right-aligned number starts left of its narrow cell, where its whole text begins.
    t.grid.Columns()[4]->SetWidth(6);
    ASSERT_TRUE(t.hint(t.cell(1, 4), info));
    EXPECT_EQ(info.HintStr, "2");
    EXPECT_LT(info.HintPos.x(), t.vp()->mapToGlobal(t.grid.CellRect(t.grid.DataToRawColumn(4), 2).topLeft()).x() + 6);

    // Titles: a narrow caption, a title's own hint, and columns without tool tips.
    EXPECT_FALSE(t.hint(t.title(0), info));
    t.grid.Columns()[2]->SetWidth(30);
    ASSERT_TRUE(t.hint(t.title(2), info));
    EXPECT_EQ(info.HintStr, QString::fromUtf8("измерение (мг/л)"));
    t.grid.Columns()[0]->Title().SetHint(QStringLiteral("when measured"));
    ASSERT_TRUE(t.hint(t.title(0), info));
    EXPECT_EQ(info.HintStr, "when measured");
    EXPECT_EQ(t.grid.CMHintsShowPause(t.title(0), 500), 500) << "a title hint waits the usual pause";
    t.grid.Columns()[1]->SetToolTips(false);
    EXPECT_FALSE(t.hint(t.cell(1, 1), info));
    EXPECT_FALSE(t.hint(t.grid.CellRect(0, 2).center(), info)) << "the indicator";
}

TEST(ToolTips, KeyListCellsAlwaysShowTheirPickText)
{
    Tipped t;
    TColumnEx* c = t.grid.Columns()[4];
    const QStringList keys = {QStringLiteral("1"), QStringLiteral("2")};
    const QStringList picks = {QStringLiteral("first"), QStringLiteral("second")};
    c->SetKeyList(&keys);
    c->SetPickList(&picks);
    TCustomDBGridEx::THintInfo info;
    ASSERT_TRUE(t.hint(t.cell(1, 4), info));
    EXPECT_EQ(info.HintStr, "second");
    EXPECT_FALSE(t.hint(t.cell(2, 4), info)) << "a key outside the list has no text";
}

// As a user moves the mouse: the tip appears over a clipped cell without a pause, and goes when the
// pointer moves on to a cell that fits or leaves the grid; Ctrl held shows none.
TEST(ToolTips, TheMouseShowsAndHidesTheTipWindow)
{
    Tipped t;
    t.grid.Columns()[1]->SetWidth(40);
    t.hover(t.cell(0, 1));
    TToolTipsWindow* w = t.grid.ToolTipWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Hint(), QString::fromUtf8("Иванов Иван Иванович"));
    EXPECT_GT(w->width(), 40);
    t.hover(t.cell(0, 3));
    EXPECT_EQ(t.grid.ToolTipWindow(), nullptr);
    t.hover(t.cell(1, 1), Qt::ControlModifier);
    EXPECT_EQ(t.grid.ToolTipWindow(), nullptr);
    t.hover(t.cell(2, 1));
    ASSERT_NE(t.grid.ToolTipWindow(), nullptr);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(t.vp(), &leave);
    EXPECT_EQ(t.grid.ToolTipWindow(), nullptr);
}

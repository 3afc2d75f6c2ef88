// Rectangles of cells and whole columns, in a grid that selects cells (no row select, multi-select).
#include "GridFixture.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {

struct CellGrid : JournalGrid {
    CellGrid() : JournalGrid(10)
    {
        grid.SetOptions(grid.Options() & ~bit(dgRowSelect));
        show();
    }
    bool selected(int dataRow, int dataCol)
    {
        // The bookmark of a window row: move there and back.
        TDataSet* ds = grid.DataLink()->DataSet();
        const QByteArray here = ds->GetBookmark();
        ds->MoveBy(dataRow - grid.DataLink()->ActiveRecord());
        const QByteArray row = ds->GetBookmark();
        ds->GotoBookmark(here);
        return grid.Selection().DataCellSelected(dataCol, row);
    }
};

std::vector<int> selectedColumns(TDBGridEx& g)
{
    std::vector<int> out;
    for (int i = 0; i < g.Selection().Columns().Count(); ++i)
        out.push_back(g.Selection().Columns().Items(i)->Index());
    return out;
}

} // namespace

TEST(CellSelection, ShiftClickSpansARectangle)
{
    CellGrid j;
    click(j.vp(), j.cell(1, 1));
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstNon) << "one cell is no selection";
    click(j.vp(), j.cell(3, 2), Qt::ShiftModifier);
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstRectangle);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(j.selected(r, c), r >= 1 && r <= 3 && c >= 1 && c <= 2) << r << "," << c;
    // Painted highlighted (the grid has the focus).
    const QImage img = j.image();
    const QRect inside = j.grid.CellRect(j.grid.DataToRawColumn(1), 1 + 2);
    EXPECT_EQ(img.pixelColor(inside.left() + 1, inside.center().y()), gfx::ToQColor(gfx::clHighlight));
    // Marking a record switches to records and drops the rectangle; a plain click clears.
    j.grid.SelectedRows().SetCurrentRowSelected(true);
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstRecordBookmarks);
    EXPECT_FALSE(j.selected(1, 1));
    click(j.vp(), j.cell(5, 1));
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstNon);
}

TEST(CellSelection, ShiftArrowsGrowTheRectangle)
{
    CellGrid j;
    click(j.vp(), j.cell(2, 1));
    key(&j.grid, Qt::Key_Down, Qt::ShiftModifier);
    key(&j.grid, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstRectangle);
    EXPECT_TRUE(j.selected(2, 1));
    EXPECT_TRUE(j.selected(3, 2));
    EXPECT_FALSE(j.selected(4, 2));
}

TEST(CellSelection, ColumnsBySelectShiftStayInColumnOrder)
{
    CellGrid j;
    TDBGridExSelectionCols& cols = j.grid.Selection().Columns();
    TDBGridColumnsEx& c = j.grid.Columns();
    cols.Select(c[2], false);
    cols.SelectShift(c[5]);
    EXPECT_EQ(selectedColumns(j.grid), (std::vector<int>{2, 3, 4, 5}));
    cols.SelectShift(c[3]);
    EXPECT_EQ(selectedColumns(j.grid), (std::vector<int>{2, 3}));
    cols.SelectShift(c[0]);
    EXPECT_EQ(selectedColumns(j.grid), (std::vector<int>{0, 1, 2}));
    cols.InvertSelect(c[4]);
    cols.InvertSelect(c[1]);
    EXPECT_EQ(selectedColumns(j.grid), (std::vector<int>{0, 2, 4}));
    EXPECT_TRUE(j.selected(3, 4));
    EXPECT_FALSE(j.selected(3, 1));
    j.grid.Columns().Delete(4);
    EXPECT_EQ(selectedColumns(j.grid), (std::vector<int>{0, 2}));
}

TEST(CellSelection, TitleStripClicksSelectColumns)
{
    CellGrid j;
    const QRect t1 = j.grid.CellRect(2, 0), t3 = j.grid.CellRect(4, 0);
    const int stripY = t1.top() + t1.height() - 3;
    click(j.vp(), {t1.center().x(), stripY});
    EXPECT_EQ(selectedColumns(j.grid), std::vector<int>{1});
    click(j.vp(), {t3.center().x(), stripY}, Qt::ShiftModifier);
    EXPECT_EQ(selectedColumns(j.grid), (std::vector<int>{1, 2, 3}));
    // Selected titles turn dark.
    const QImage img = j.image();
    EXPECT_EQ(img.pixelColor(t3.left() + 2, t3.top() + 3), QColor(64, 64, 64));
    // The upper part of a title still moves columns, not selects them.
    click(j.vp(), {t1.center().x(), t1.top() + 2});
    EXPECT_EQ(j.grid.Selection().SelectionType(), gstColumns);
}

// Small behaviours of the grid: title buttons with sort marking, the pointer over the indicator, edit
// action checks, the saved window place, drag scrolling, leaving the grid during an insert, and column
// changes while the columns are fitted to the width.
#include "GridFixture.h"
#include "grid/GridMath.h"
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
struct ProbeGrid : TDBGridEx {
    using TCustomDBGridEx::TimerScroll;
    using TCustomDBGridEx::CellHave3DRect;
};
} // namespace

TEST(GridBehaviours, TitleButtonsClickAndMarkTheSortOrder)
{
    JournalGrid j(5);
    j.grid.SetOptionsEx(j.grid.OptionsEx() | bit(dghAutoSortMarking));
    j.grid.ColumnDefValues().Title().SetTitleButton(true);
    std::vector<int> clicked;
    int announced = 0;
    j.grid.OnTitleBtnClick = [&](TCustomDBGridEx*, int col, TColumnEx*) { clicked.push_back(col); };
    j.grid.OnSortMarkingChanged = [&](TCustomDBGridEx*) { ++announced; };
    j.grid.OnCheckButton = [](TCustomDBGridEx*, int col, TColumnEx*, bool& enabled) { enabled = enabled && col != 3; };
    j.show();
    const QPoint title = j.grid.CellRect(2, 0).center();
    click(j.vp(), title);
    EXPECT_EQ(clicked, std::vector<int>{1});
    EXPECT_EQ(j.grid.Columns()[1]->Title().SortMarker(), smDownEx);
    EXPECT_EQ(announced, 1);
    // With Ctrl the announcement waits for the Ctrl key's release, and other markers stay.
    click(j.vp(), j.grid.CellRect(1, 0).center(), Qt::ControlModifier);
    EXPECT_EQ(announced, 1);
    key(&j.grid, Qt::Key_Control);
    EXPECT_EQ(announced, 2);
    // A column whose check says no is no button; a press that leaves the title releases nothing.
    click(j.vp(), j.grid.CellRect(4, 0).center());
    EXPECT_EQ(clicked.size(), 2u);
    mouse(j.vp(), QEvent::MouseButtonPress, title);
    mouse(j.vp(), QEvent::MouseButtonRelease, j.cell(2, 1));
    EXPECT_EQ(clicked.size(), 2u);
}

TEST(GridBehaviours, PointerOverTheIndicatorMarksRows)
{
    JournalGrid j(5);
    j.show();
    const QPoint indicator = j.grid.CellRect(0, 2).center();
    mouse(j.vp(), QEvent::MouseMove, indicator);
    EXPECT_FALSE(j.vp()->cursor().pixmap().isNull());
    mouse(j.vp(), QEvent::MouseMove, j.cell(1, 1));
    EXPECT_EQ(j.vp()->cursor().shape(), Qt::ArrowCursor);
}

TEST(GridBehaviours, EditActionChecks)
{
    JournalGrid j(5);
    j.show();
    EXPECT_FALSE(j.grid.CheckCopyAction()) << "nothing selected";
    EXPECT_TRUE(j.grid.CheckSelectAllAction());
    EXPECT_TRUE(j.grid.CheckDeleteAction());
    j.grid.SelectedRows().SetCurrentRowSelected(true);
    EXPECT_TRUE(j.grid.CheckCopyAction());
    EXPECT_TRUE(j.grid.CheckCutAction());
    j.grid.SetAllowedOperations(j.grid.AllowedOperations() & ~bit(alopDeleteEx));
    EXPECT_FALSE(j.grid.CheckDeleteAction());
    EXPECT_FALSE(j.grid.CheckCutAction());
    EXPECT_TRUE(j.grid.CheckPasteAction(true));
    EXPECT_FALSE(j.grid.CheckPasteAction(false));
    j.grid.SetReadOnly(true);
    EXPECT_FALSE(j.grid.CheckPasteAction(true));
    j.grid.SetAllowedSelections(bit(gstRecordBookmarks));
    EXPECT_FALSE(j.grid.CheckSelectAllAction());
}

TEST(GridBehaviours, SavedPlaceBringsTheRecordBack)
{
    JournalGrid j(100);
    j.show();
    j.ds->MoveBy(40);
    const int recNo = j.ds->RecNo();
    j.grid.SaveBookmark();
    j.ds->Last();
    j.grid.RestoreBookmark();
    EXPECT_EQ(j.ds->RecNo(), recNo);
}

TEST(GridBehaviours, DragBelowTheRowsScrollsFasterTheFartherItIs)
{
    auto ds = makeJournal(200);
    TDataSource src(ds.get());
    ProbeGrid g;
    g.resize(500, 300);
    g.SetOptions(g.Options() | bit(dgRowSelect) | bit(dgMultiSelect));
    g.SetDataSource(&src);
    g.show();
    QApplication::processEvents();
    const int bottom = g.CellRect(1, g.RowCount() - 1).bottom() + 1 + 1;
    struct Case { int below; int rows; int interval; };
    for (const Case c : {Case{60, 8, 0}, Case{12, 2, 20}}) {
        ds->SetRecNo(50);
        const QPoint start = g.CellRect(1, g.Row()).center();
        mouse(g.viewport(), QEvent::MouseButtonPress, start);
        mouse(g.viewport(), QEvent::MouseMove, {start.x(), bottom + c.below - 1});
        const int before = ds->RecNo();
        g.TimerScroll();
        EXPECT_EQ(ds->RecNo() - before, c.rows) << c.below;
        EXPECT_EQ(g.ScrollTimerInterval(), c.interval) << c.below;
        mouse(g.viewport(), QEvent::MouseButtonRelease, {start.x(), bottom + c.below - 1});
        EXPECT_EQ(g.ScrollTimerInterval(), -1);
    }
}

TEST(GridBehaviours, LeavingTheGridCancelsAnUntouchedInsert)
{
    JournalGrid j(5);
    QWidget other;
    j.show();
    j.ds->Insert();
    ASSERT_EQ(j.ds->State(), dsInsert);
    other.show();
    other.setFocus();
    j.grid.clearFocus();
    QApplication::processEvents();
    EXPECT_EQ(j.ds->State(), dsBrowse);
    EXPECT_EQ(j.ds->RecordCount(), 5);
}

TEST(GridBehaviours, HiddenColumnChangeUnderAutoFitKeepsWidthsSound)
{
    JournalGrid j(5);
    j.grid.SetOptions(j.grid.Options() & ~bit(dgColLines));
    j.show();
    j.grid.SetAutoFitColWidths(true);
    TColumnEx* c = j.grid.Columns()[3];
    c->SetVisible(false);
    ASSERT_EQ(j.grid.ColWidths(j.grid.DataToRawColumn(3)), 0);
    // A change of the hidden column: its grid width 0 is no scale to rescale by.
    c->SetColor(gfx::clRed);
    EXPECT_GE(c->InitialWidth(), 0);
    for (int i = 0; i < j.grid.Columns().Count(); ++i)
        EXPECT_GE(j.grid.Columns()[i]->InitialWidth(), 0) << i;
}

TEST(GridBehaviours, ThreeDimensionalCells)
{
    ProbeGrid g;
    struct Case { unsigned optionsEx; int footers; int c, r; TGridDrawState st; bool edge; };
    // Rows: 0 title, 1..2 data; with footers the last rows are footers after a separator row.
    const Case cases[] = {
        {bit(dghFixed3D), 0, 1, 0, gdFixed, true},    // title
        {bit(dghFixed3D), 0, 0, 1, gdFixed, true},    // indicator
        {bit(dghFixed3D), 0, 1, 1, 0, false},         // data cell
        {bit(dghData3D), 0, 1, 1, 0, true},
        {bit(dghFooter3D), 1, 1, 4, 0, true},         // footer row
        {bit(dghFooter3D), 1, 1, 2, 0, false},
        {bit(dghFrozen3D), 0, 1, 1, gdFixed, true},   // frozen data cell
    };
    for (const Case& k : cases) {
        g.SetOptionsEx(k.optionsEx);
        g.SetFooterRowCount(k.footers);
        g.SetRowCount(k.footers ? 5 : 3);
        EXPECT_EQ(g.CellHave3DRect(k.c, k.r, k.st), k.edge) << k.optionsEx << " " << k.c << "," << k.r;
    }
}

TEST(GridBehaviours, SizingARowFromTheIndicatorSetsEveryRowsHeight)
{
    JournalGrid j(20);
    j.grid.SetRowSizingAllowed(true);
    j.show();
    const QRect ind = j.grid.CellRect(0, 2);
    const int border = ind.top() + ind.height();  // the line under the row
    mouse(j.vp(), QEvent::MouseButtonPress, {ind.center().x(), border});
    mouse(j.vp(), QEvent::MouseMove, {ind.center().x(), border + 10});
    mouse(j.vp(), QEvent::MouseButtonRelease, {ind.center().x(), border + 10});
    const int h = ind.height() + 10;
    EXPECT_EQ(j.grid.RowHeight(), h);
    EXPECT_EQ(j.grid.RowLines(), 0);
    EXPECT_EQ(j.grid.DefaultRowHeight(), h);
    EXPECT_EQ(j.grid.RowHeights(1), h);
    EXPECT_EQ(j.grid.RowHeights(5), h);
    // Elsewhere than the indicator rows are not sized.
    const QRect cell = j.grid.CellRect(2, 3);
    mouse(j.vp(), QEvent::MouseButtonPress, {cell.center().x(), cell.top() + cell.height()});
    EXPECT_NE(j.grid.GridState(), gsRowSizing);
    mouse(j.vp(), QEvent::MouseButtonRelease, {cell.center().x(), cell.top() + cell.height()});
}

TEST(GridBehaviours, ScalingKeepsTheSumOfWidths)
{
    JournalGrid j(3);
    int total = 0;
    for (int i = 0; i < 6; ++i)
        total += j.grid.Columns()[i]->Width();
    const int titleHeight = j.grid.TitleFont().Height();
    j.grid.ChangeScale(4, 3);
    int scaled = 0;
    for (int i = 0; i < 6; ++i)
        scaled += j.grid.Columns()[i]->Width();
    EXPECT_EQ(scaled, gridmath::MulDiv(total, 4, 3)) << "no rounding piles up";
    EXPECT_EQ(j.grid.TitleFont().Height(), gridmath::MulDiv(titleHeight, 4, 3));
}

TEST(GridBehaviours, FrozenColumnsStayAndTakeTheFocus)
{
    JournalGrid j(10, {400, 200});
    j.grid.SetOptions(j.grid.Options() & ~bit(dgRowSelect));
    j.grid.SetFrozenCols(1);
    j.show();
    EXPECT_EQ(j.grid.FixedCols(), 2);
    j.grid.SetLeftCol(4);
    EXPECT_FALSE(j.grid.CellRect(1, 1).isEmpty()) << "the frozen column does not scroll away";
    click(j.vp(), j.cell(2, 0));
    EXPECT_EQ(j.grid.SelectedIndex(), 0);
    key(&j.grid, Qt::Key_Down);
    EXPECT_EQ(j.grid.SelectedIndex(), 0) << "moving rows keeps the frozen column current";
}

TEST(GridBehaviours, ImageColumnsAndTitleImages)
{
    JournalGrid j(4);
    TImageListEx images;
    for (QColor c : {QColor(Qt::red), QColor(Qt::green)}) {
        QImage img(8, 8, QImage::Format_ARGB32);
        img.fill(c);
        images.push_back(img);
    }
    TColumnEx* c = j.grid.Columns()[3];
    c->KeyList() = QStringList{"VELT-A", "VELT-B"};
    c->SetImageList(&images);
    j.grid.SetTitleImages(&images);
    j.grid.Columns()[0]->Title().SetImageIndex(1);
    j.show();
    EXPECT_EQ(c->GetColumnType(), ctKeyImageList);
    EXPECT_EQ(c->GetImageIndex(), 0);
    const QImage shot = j.image();
    EXPECT_EQ(shot.pixelColor(j.grid.CellRect(4, 2).center()), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(j.grid.CellRect(1, 0).center()), QColor(Qt::green));
}

TEST(GridBehaviours, ColumnMenuOnRightClickAndTheDataArea)
{
    JournalGrid j(5);
    QMenu menu;
    menu.addAction("Акт");
    j.grid.Columns()[1]->SetPopupMenu(&menu);
    j.show();
    mouse(j.vp(), QEvent::MouseButtonPress, j.cell(1, 1), {}, Qt::RightButton);
    mouse(j.vp(), QEvent::MouseButtonRelease, j.cell(1, 1), {}, Qt::RightButton);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    mouse(j.vp(), QEvent::MouseButtonPress, j.cell(1, 2), {}, Qt::RightButton);
    mouse(j.vp(), QEvent::MouseButtonRelease, j.cell(1, 2), {}, Qt::RightButton);
    EXPECT_FALSE(menu.isVisible());
    const TGridRect box = j.grid.DataBox();
    EXPECT_EQ(box.Left, 1);
    EXPECT_EQ(box.Top, 1);
    EXPECT_EQ(box.Bottom, 5);
    EXPECT_EQ(j.grid.DataRect().Top, j.grid.CellRect(1, 1).top());
}

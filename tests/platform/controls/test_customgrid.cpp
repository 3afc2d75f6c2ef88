// The custom grid base: cell geometry with fixed and hidden cells, scrolling by cells, keyboard moves,
// mouse sizing and moving, timers and the in-place editor, driven offscreen by synthetic events.
#include "platform/controls/CustomGrid.h"
#include "platform/controls/InplaceEdit.h"
#include <gtest/gtest.h>
#include <QScrollBar>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <vector>

namespace {

class ProbeGrid : public TCustomGrid {
public:
    ProbeGrid()
    {
        resize(300 + 2 * frameWidth(), 200 + 2 * frameWidth());
        SetColCount(10);
        SetRowCount(30);
        SetDefaultColWidth(50);
        SetDefaultRowHeight(20);
    }
    struct Drawn { int c, r; QRect rect; TGridDrawState st; QRect clip; };
    std::vector<Drawn> drawn;
    int widthChanges = 0;
    std::vector<std::pair<int, int>> moved;
    std::vector<int> timerTicks;
    QString typed;
    QString editText = "abc";
    bool modifiable = true;
    int modifyAsked = 0;
    using TCustomGrid::CalcDrawInfo;

protected:
    void DrawCell(int c, int r, const QRect& rect, TGridDrawState st) override
    {
        QPainter* p = CurrentPainter();
        drawn.push_back({c, r, rect, st, p && p->hasClipping() ? p->clipBoundingRect().toAlignedRect() : QRect()});
    }
    void ColWidthsChanged() override { ++widthChanges; }
    void ColumnMoved(int from, int to) override { moved.emplace_back(from, to); }
    void WMTimer(int id) override { timerTicks.push_back(id); }
    QString GetEditText(int, int) override { return editText; }
    void SetEditText(int, int, const QString& v) override { typed = v; }
    bool CanEditModify() override { ++modifyAsked; return modifiable; }
};

QPoint at(int x, int y) { return {x, y}; }

// Synthetic input, delivered as the window system would.
void key(QWidget* w, int k, Qt::KeyboardModifiers m = {}, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, k, m, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, m, text);
    QApplication::sendEvent(w, &release);
}
void mouse(QWidget* w, QEvent::Type t, QPoint p, Qt::MouseButton b = Qt::LeftButton)
{
    const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b);
    QMouseEvent e(t, QPointF(p), w->mapToGlobal(QPointF(p)), t == QEvent::MouseMove ? Qt::NoButton : b, held, {});
    QApplication::sendEvent(w, &e);
}
void wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}
void showFocused(QWidget* w)
{
    w->show();
    w->activateWindow();
    w->setFocus();
    QApplication::processEvents();
}

} // namespace

TEST(CustomGrid, GeometryOfFixedScrolledAndHiddenCells)
{
    ProbeGrid g;
    g.SetScrollBars(ssNone);
    showFocused(&g);
    // Cell extents are size plus the one-pixel line.
    EXPECT_EQ(g.CellRect(0, 0), QRect(0, 0, 50, 20));
    EXPECT_EQ(g.CellRect(2, 1), QRect(102, 21, 50, 20));
    g.SetLeftCol(3);
    EXPECT_EQ(g.CellRect(3, 1), QRect(51, 21, 50, 20));
    EXPECT_TRUE(g.CellRect(2, 1).isEmpty()) << "a column scrolled out of view has no rectangle";
    EXPECT_EQ(g.MouseCoord(60, 25), (TGridCoord{3, 1}));
    EXPECT_EQ(g.MouseCoord(10, 5), (TGridCoord{0, 0}));
    // A hidden column (width -1 with lines) takes no pixel.
    g.SetLeftCol(1);
    g.SetColWidths(2, -1);
    EXPECT_EQ(g.CellRect(3, 1).left(), 102);
    // Without lines the extents are the bare sizes.
    g.SetGridOptions(0);
    g.SetColWidths(2, 50);
    EXPECT_EQ(g.CellRect(2, 1), QRect(100, 20, 50, 20));
}

TEST(CustomGrid, ScrollsByWholeCellsWithinItsRange)
{
    ProbeGrid g;
    showFocused(&g);
    // Below the fixed row, rows of 21 px (20 and the line) fill the client height.
    const int visible = (g.ClientHeight() - 21) / 21;
    EXPECT_EQ(g.VisibleRowCount(), visible);
    g.SetTopRow(1000);
    EXPECT_EQ(g.TopRow(), 30 - visible) << "the last rows fill the window, no further";
    g.SetTopRow(-5);
    EXPECT_EQ(g.TopRow(), 1);
    // Moving the current row below the window scrolls it into view.
    g.setFocus();
    for (int i = 0; i < 10; ++i)
        key(&g, Qt::Key_Down);
    EXPECT_EQ(g.Row(), 11);
    EXPECT_EQ(g.TopRow(), 11 - visible + 1);
    key(&g, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.TopRow(), 1);
    // The horizontal bar scrolls by columns.
    QScrollBar* h = g.horizontalScrollBar();
    EXPECT_EQ(h->minimum(), 1);
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(g.LeftCol(), 2);
}

TEST(CustomGrid, PaintsEveryVisibleCellOnceWithItsState)
{
    ProbeGrid g;
    showFocused(&g);
        g.drawn.clear();
    g.viewport()->repaint();
    int fixed = 0, focused = 0;
    for (const auto& d : g.drawn) {
        if (d.st & gdFixed) ++fixed;
        if (d.st & gdFocused) { ++focused; EXPECT_EQ(d.c, 1); EXPECT_EQ(d.r, 1); }
        // The whole cell, also where only a part of it is visible; the painter keeps to the visible part.
        EXPECT_EQ(d.rect, QRect(d.c * 51, d.r * 21, 50, 20));
        EXPECT_EQ(d.rect & QRect(0, 0, g.ClientWidth(), g.ClientHeight()), g.CellRect(d.c, d.r));
        EXPECT_FALSE(d.clip.isNull());
        EXPECT_TRUE(QRect(0, 0, g.ClientWidth(), g.ClientHeight()).contains(d.clip));
    }
    // Every column and row that starts inside the client area, the last ones partly.
    const int cols = (g.ClientWidth() + 50) / 51, rows = (g.ClientHeight() + 20) / 21;
    EXPECT_EQ(int(g.drawn.size()), cols * rows);
    EXPECT_EQ(fixed, cols + rows - 1);
    EXPECT_EQ(focused, 1);
}

TEST(CustomGrid, MouseSizesAndMovesColumnsInTheFixedRow)
{
    ProbeGrid g;
    g.SetGridOptions(g.GridOptions() | gridOpt(goColSizing) | gridOpt(goColMoving));
    showFocused(&g);
        QWidget* vp = g.viewport();
    g.widthChanges = 0;
    // The border between columns 1 and 2 lies at x = 101 (the line after 51 + 50).
    mouse(vp, QEvent::MouseButtonPress, at(101, 10));
    EXPECT_EQ(g.GridState(), gsColSizing);
    mouse(vp, QEvent::MouseMove, at(131, 10));
    mouse(vp, QEvent::MouseButtonRelease, at(131, 10));
    EXPECT_EQ(g.ColWidths(1), 80);
    EXPECT_EQ(g.widthChanges, 1);
    EXPECT_EQ(g.GridState(), gsNormal);
    // A press inside a title and a release over another title moves the column.
    mouse(vp, QEvent::MouseButtonPress, at(100, 10));
    mouse(vp, QEvent::MouseMove, at(200, 10));
    mouse(vp, QEvent::MouseButtonRelease, at(200, 10));
    ASSERT_EQ(g.moved.size(), 1u);
    EXPECT_EQ(g.moved[0], std::make_pair(1, 3));
    EXPECT_EQ(g.ColWidths(3), 80) << "the width travels with the column";
}

TEST(CustomGrid, TimersReachTheGridByIdentifier)
{
    ProbeGrid g;
    g.SetTimer(2, 5);
    EXPECT_TRUE(g.TimerActive(2));
    wait(40);
    g.KillTimer(2);
    EXPECT_FALSE(g.TimerActive(2));
    ASSERT_FALSE(g.timerTicks.empty());
    EXPECT_EQ(g.timerTicks.front(), 2);
    const size_t n = g.timerTicks.size();
    wait(20);
    EXPECT_EQ(g.timerTicks.size(), n);
}

TEST(CustomGrid, HostsTheInplaceEditorOverTheCurrentCell)
{
    ProbeGrid g;
    g.SetGridOptions(g.GridOptions() | gridOpt(goEditing));
    showFocused(&g);
        key(&g, Qt::Key_Right);
    key(&g, Qt::Key_F2);
    ASSERT_TRUE(g.InplaceEditor());
    EXPECT_TRUE(g.InplaceEditor()->isVisible());
    EXPECT_EQ(g.InplaceEditor()->geometry(), g.CellRect(2, 1));
    EXPECT_EQ(g.InplaceEditor()->text(), "abc");
    key(g.InplaceEditor(), Qt::Key_D, {}, "d");
    EXPECT_EQ(g.typed, "abcd");
    // Navigation keys typed into the editor move the grid's cell, and the editor follows.
    key(g.InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.InplaceEditor()->geometry(), g.CellRect(2, 2));
    key(g.InplaceEditor(), Qt::Key_Escape);
    EXPECT_FALSE(g.InplaceEditor()->isVisible());
}

TEST(CustomGrid, TheEditorAsksTheGridBeforeAKeyChangesTheText)
{
    ProbeGrid g;
    g.SetGridOptions(g.GridOptions() | gridOpt(goEditing));
    showFocused(&g);
    key(&g, Qt::Key_F2);
    ASSERT_TRUE(g.InplaceEditor());
    key(g.InplaceEditor(), Qt::Key_End);
    key(g.InplaceEditor(), Qt::Key_D, {}, "d");
    EXPECT_EQ(g.typed, "abcd");
    EXPECT_GT(g.modifyAsked, 0);
    // A cell that may not change keeps its text: typed characters and deleting keys are refused.
    g.modifiable = false;
    g.typed.clear();
    key(g.InplaceEditor(), Qt::Key_E, {}, "e");
    key(g.InplaceEditor(), Qt::Key_Backspace);
    key(g.InplaceEditor(), Qt::Key_Home);
    key(g.InplaceEditor(), Qt::Key_Delete);
    EXPECT_EQ(g.InplaceEditor()->text(), "abcd");
    EXPECT_EQ(g.typed, QString());
}

// Text that comes without a key, dropped or pasted from the editor's context menu, asks the grid as a key
// does: refused, the text stays; allowed, it goes in and reaches the grid.
TEST(CustomGrid, TheEditorAsksTheGridBeforeADropOrItsMenuChangesTheText)
{
    ProbeGrid g;
    g.SetGridOptions(g.GridOptions() | gridOpt(goEditing));
    showFocused(&g);
    key(&g, Qt::Key_F2);
    QLineEdit* editor = g.InplaceEditor();
    ASSERT_TRUE(editor);
    auto drop = [&] {
        QMimeData data;
        data.setText("xyz");
        QDragEnterEvent enter(QPoint(2, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor, &enter);
        QDropEvent e(QPointF(2, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor, &e);
    };
    auto pasteFromMenu = [&] {
        QApplication::clipboard()->setText("uvw");
        bool found = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* a : menu->actions())
                if (a->text().startsWith(QCoreApplication::translate("QLineEdit", "&Paste")) && a->isEnabled()) {
                    found = true;
                    a->trigger();
                }
            menu->close();
        });
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), editor->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(editor, &e);
        return found;
    };
    for (bool modifiable : {false, true}) {
        SCOPED_TRACE(modifiable ? "allowed" : "refused");
        g.modifiable = modifiable;
        g.typed.clear();
        editor->setText("abc");
        g.typed.clear();
        drop();
        EXPECT_EQ(editor->text().contains("xyz"), modifiable);
        EXPECT_EQ(g.typed.contains("xyz"), modifiable);
        editor->selectAll();
        EXPECT_TRUE(pasteFromMenu());
        EXPECT_EQ(editor->text() == "uvw", modifiable);
        EXPECT_EQ(g.typed == "uvw", modifiable);
    }
}

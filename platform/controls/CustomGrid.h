#pragma once
// The platform's custom grid on a scroll area: a table of cells with fixed (non-scrolling) rows and
// columns, per-column widths and per-row heights, scrolling by whole cells, mouse sizing and moving of
// columns and rows, keyboard navigation of the current cell, window timers by identifier and hosting of
// one in-place editor. Subclasses paint every cell through DrawCell and refine the input handlers.
//
// Geometry follows the platform's rules: a cell's extent is its size plus the grid line; a hidden
// column has width -1 with lines (so it takes no pixel) or 0 without; rectangles are right/bottom
// exclusive (QRect built from left, top, width, height).
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QCursor>
#include <QRect>
#include <map>
#include <vector>

class TInplaceEdit;

// Scroll bar requests in the platform's codes, as VerticalScrollAction receives them.
enum TScrollCode { SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_THUMBPOSITION = 4,
                   SB_THUMBTRACK = 5, SB_TOP = 6, SB_BOTTOM = 7 };

struct TGridCoord {
    int X = 0;
    int Y = 0;
    bool operator==(const TGridCoord&) const = default;
};

struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TGridRect&) const = default;
};

// Cell draw state bits.
enum TGridDrawStateItem : unsigned { gdSelected = 1u, gdFocused = 2u, gdFixed = 4u };
using TGridDrawState = unsigned;

// Options, bit numbers in the platform's order.
enum TGridOption : unsigned {
    goFixedVertLine = 0, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = unsigned;
constexpr TGridOptions gridOpt(TGridOption o) { return 1u << o; }

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };
enum TGridScrollDirection : unsigned { sdLeft = 1, sdRight = 2, sdUp = 4, sdDown = 8 };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Shift state bits as the platform's input events report them.
enum TShiftStateItem : unsigned {
    ssShift = 1u, ssAlt = 2u, ssCtrl = 4u, ssLeft = 8u, ssRight = 16u, ssMiddle = 32u, ssDouble = 64u
};
using TShiftState = unsigned;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Virtual key codes of the keys the grids handle.
namespace vk {
enum : int {
    Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D, Shift = 0x10, Control = 0x11, Menu = 0x12,
    Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24, Left = 0x25,
    Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E, F2 = 0x71
};
}

// Per-axis geometry of one paint or hit test.
struct TGridAxisDrawInfo {
    int EffectiveLineWidth = 0;
    int FixedBoundary = 0;
    int GridBoundary = 0;
    int GridExtent = 0;
    int LastFullVisibleCell = 0;
    int FullVisBoundary = 0;
    int FixedCellCount = 0;
    int FirstGridCell = 0;
    int GridCellCount = 0;
    std::vector<int> const* Extents = nullptr;  // sizes of the cells along the axis
    int extent(int i) const { return (*Extents)[size_t(i)]; }
};
struct TGridDrawInfo {
    TGridAxisDrawInfo Horz, Vert;
};

class TCustomGrid : public QAbstractScrollArea {
    Q_OBJECT
    friend class TInplaceEdit;  // asks CanEditModify before a key changes the cell's text
public:
    explicit TCustomGrid(QWidget* parent = nullptr);
    ~TCustomGrid() override;

    // Dimensions.
    int ColCount() const { return int(colWidths_.size()); }
    int RowCount() const { return int(rowHeights_.size()); }
    void SetColCount(int n);
    void SetRowCount(int n);
    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    void SetFixedCols(int n);
    void SetFixedRows(int n);
    int DefaultColWidth() const { return defaultColWidth_; }
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultColWidth(int w);
    void SetDefaultRowHeight(int h);
    int GridLineWidth() const { return gridLineWidth_; }
    int ColWidths(int c) const { return colWidths_.at(size_t(c)); }
    int RowHeights(int r) const { return rowHeights_.at(size_t(r)); }
    void SetColWidths(int c, int w);
    void SetRowHeights(int r, int h);

    TGridOptions GridOptions() const { return options_; }
    void SetGridOptions(TGridOptions o);
    bool HasOption(TGridOption o) const { return options_ & gridOpt(o); }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool v) { defaultDrawing_ = v; }

    // Current cell, scroll position and selection.
    int Col() const { return currentCol_; }
    int Row() const { return currentRow_; }
    void SetCol(int c);
    void SetRow(int r);
    int LeftCol() const { return leftCol_; }
    int TopRow() const { return topRow_; }
    void SetLeftCol(int c);
    void SetTopRow(int r);
    TGridRect Selection() const;
    int VisibleColCount() const;
    int VisibleRowCount() const;
    TGridState GridState() const { return gridState_; }

    // Geometry.
    QRect CellRect(int c, int r) const;
    QRect BoxRect(int left, int top, int right, int bottom) const;
    TGridCoord MouseCoord(int x, int y) const;
    void CalcDrawInfo(TGridDrawInfo& info) const;
    int ClientWidth() const;
    int ClientHeight() const;

    // Invalidation.
    void InvalidateCell(int c, int r);
    void InvalidateCol(int c);
    void InvalidateRow(int r);
    void InvalidateGrid();
    void InvalidateRect(const QRect& r);

    // In-place editor.
    bool EditorMode() const;
    void SetEditorMode(bool v);
    TInplaceEdit* InplaceEditor() const { return editor_; }
    void ShowEditor();
    void HideEditor();
    void UpdateEditorText();
    void InvalidateEditor();

    // Window timers by identifier; the grid receives them in WMTimer.
    void SetTimer(int id, int intervalMs);
    void KillTimer(int id);
    bool TimerActive(int id) const;

    // Moving a column or a row as the user's drag does.
    void MoveColumn(int fromIndex, int toIndex);
    void MoveRow(int fromIndex, int toIndex);

    // Whether the grid or its editor has the keyboard focus.
    bool GridFocused() const;
    // Translates a Qt key event into the platform's key code and shift state.
    static int VirtualKeyOf(int qtKey);
    static TShiftState ShiftOf(Qt::KeyboardModifiers m, Qt::MouseButtons b = Qt::NoButton);

protected:
    // Painting: the viewport paints through Paint, which draws the lines, then runs the one loop over the
    // visible cells (PaintCells), then PaintOverCells, then fills the area beyond the last column and row.
    // Subclasses shape the loop through its hooks: the state of each cell (CellState), its background
    // (FillCell) and its content (DrawCell).
    virtual void Paint(QPainter& painter, const QRect& clip);
    virtual TGridDrawState CellState(int c, int r, bool fixed, bool focused) const;
    virtual void FillCell(QPainter& p, int c, int r, const QRect& rect, bool fixed);
    virtual void DrawCell(int c, int r, const QRect& rect, TGridDrawState state) = 0;
    virtual void PaintOverCells(QPainter& /*p*/, const TGridDrawInfo& /*di*/) {}
    // Fills a part of the client area that no cell covers.
    virtual void FillBackground(QPainter& p, const QRect& rect);
    // Line colours of the fixed and the scrolling areas, and fill colours of both.
    virtual QColor FixedLineColor() const { return Qt::black; }
    virtual QColor DataLineColor() const { return QColor(192, 192, 192); }
    virtual QColor FixedFillColor() const;
    virtual QColor DataFillColor() const;
    void PaintCells(QPainter& p, const QRect& clip, const TGridDrawInfo& di);
    void DrawLines(QPainter& p, const TGridDrawInfo& di);
    QPainter* CurrentPainter() const { return painter_; }

    // Selection of cells.
    virtual bool SelectCell(int c, int r);
    void FocusCell(int c, int r, bool moveAnchor);
    void MoveColRow(int c, int r, bool moveAnchor, bool show);
    void ClampInView(int c, int r);
    // Makes a fixed (non-scrolling) column current, which the user's moves never do.
    void FocusFixedCol(int c);

    // Notifications.
    virtual void ColWidthsChanged() {}
    virtual void RowHeightsChanged() {}
    virtual void TopLeftChanged() {}
    virtual void ColumnMoved(int /*from*/, int /*to*/) {}
    virtual void RowMoved(int /*from*/, int /*to*/) {}
    virtual void SizeChanged(int /*oldColCount*/, int /*oldRowCount*/) {}
    virtual void GridFocusChanged(bool /*focused*/) {}
    virtual void GridResized() {}

    // Input, in the platform's terms.
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyUp(int& /*key*/, TShiftState /*shift*/) {}
    virtual void KeyPress(QChar& /*ch*/) {}
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DblClick() {}
    virtual bool MouseWheel(int steps, TShiftState shift);
    virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                 int& sizingOfs, const TGridDrawInfo& di);
    virtual void TimedScroll(unsigned direction);
    // The pointer's shape over a point of the client area while no gesture runs.
    virtual QCursor CursorAt(int x, int y);
    virtual void WMTimer(int id);
    // Scroll bar requests; the base scrolls the top row or left column by cells.
    virtual void VerticalScrollAction(int action, int trackPos);
    virtual void HorizontalScrollAction(int action, int trackPos);
    virtual void UpdateScrollRange();
    void SetVerticalScrollInfo(int min, int max, int page, int pos);

    // Editing hooks.
    virtual TInplaceEdit* CreateEditor();
    virtual bool CanEditShow() const;
    virtual bool CanEditModify() { return HasOption(goEditing); }
    virtual bool CanEditAcceptKey(QChar) { return true; }
    virtual QString GetEditText(int /*c*/, int /*r*/) { return {}; }
    virtual void SetEditText(int /*c*/, int /*r*/, const QString& /*v*/) {}
    virtual int GetEditLimit() { return 0; }

    // Sizing line feedback.
    void DrawSizingLine(const TGridDrawInfo& di);
    void CancelGesture();
    void ScrollDataArea(int dy);

    // QAbstractScrollArea.
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    bool focusNextPrevChild(bool next) override { return HasOption(goTabs) ? false : QAbstractScrollArea::focusNextPrevChild(next); }
    bool event(QEvent* e) override;

    TGridState gridState_ = gsNormal;
    int sizingIndex_ = -1;
    int sizingPos_ = 0;
    int sizingOfs_ = 0;
    bool sizedByUser_ = false;  // set while a width or height changes by the user's drag
    int moveIndex_ = -1;
    int movePos_ = -1;
    bool inScrollUpdate_ = false;

private:
    void axisInfo(TGridAxisDrawInfo& a, int extent, int fixedCount, int first, bool vertical) const;
    int calcMaxTopLeft(bool vertical) const;
    void moveTopLeft(int c, int r);
    void updateEditorGeometry();
    void timedScrollFromPoint(int x, int y);

    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    int fixedCols_ = 1, fixedRows_ = 1;
    int defaultColWidth_ = 64, defaultRowHeight_ = 24;
    int gridLineWidth_ = 1;
    TGridOptions options_;
    TScrollStyle scrollBars_ = ssBoth;
    bool defaultDrawing_ = true;
    int currentCol_ = 1, currentRow_ = 1;
    int anchorCol_ = 1, anchorRow_ = 1;
    int leftCol_ = 1, topRow_ = 1;
    TInplaceEdit* editor_ = nullptr;
    bool editorMode_ = false;
    QPainter* painter_ = nullptr;
    std::map<int, QBasicTimer> timers_;
    std::map<int, int> timerIdsByQt_;
    int lastMouseX_ = 0, lastMouseY_ = 0;
    bool inViewportResize_ = false;
};

#include "platform/controls/CustomGrid.h"
#include "platform/controls/InplaceEdit.h"
#include "platform/rtl/ScopeGuard.h"
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <algorithm>

namespace {
int platformAction(int qtAction)
{
    switch (qtAction) {
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    case QAbstractSlider::SliderMove: return SB_THUMBTRACK;
    default: return -1;
    }
}

} // namespace

TCustomGrid::TCustomGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    options_ = gridOpt(goFixedVertLine) | gridOpt(goFixedHorzLine) | gridOpt(goVertLine) | gridOpt(goHorzLine)
               | gridOpt(goRangeSelect);
    colWidths_.assign(5, defaultColWidth_);
    rowHeights_.assign(5, defaultRowHeight_);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::StyledPanel);
    horizontalScrollBar()->setTracking(false);
    verticalScrollBar()->setTracking(false);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int a) {
        if (inScrollUpdate_)
            return;
        const int code = platformAction(a);
        if (code >= 0 && code != SB_THUMBTRACK)
            VerticalScrollAction(code, verticalScrollBar()->sliderPosition());
    });
    // While the thumb is dragged the bar reports each position (the value follows only on release).
    connect(verticalScrollBar(), &QAbstractSlider::sliderMoved, this, [this](int pos) {
        if (!inScrollUpdate_)
            VerticalScrollAction(SB_THUMBTRACK, pos);
    });
    connect(horizontalScrollBar(), &QAbstractSlider::sliderMoved, this, [this](int pos) {
        if (!inScrollUpdate_)
            HorizontalScrollAction(SB_THUMBTRACK, pos);
    });
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, [this] {
        VerticalScrollAction(SB_THUMBPOSITION, verticalScrollBar()->sliderPosition());
    });
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int a) {
        if (inScrollUpdate_)
            return;
        const int code = platformAction(a);
        if (code >= 0 && code != SB_THUMBTRACK)
            HorizontalScrollAction(code, horizontalScrollBar()->sliderPosition());
    });
    connect(horizontalScrollBar(), &QAbstractSlider::sliderReleased, this, [this] {
        HorizontalScrollAction(SB_THUMBPOSITION, horizontalScrollBar()->sliderPosition());
    });
    // The wheel over a scroll bar turns the grid as over its cells: a bar moving on its own would show a
    // position the grid is not at.
    verticalScrollBar()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);
    UpdateScrollRange();
}

TCustomGrid::~TCustomGrid() = default;

// ---- dimensions ----

void TCustomGrid::SetColCount(int n)
{
    n = std::max(n, 1);
    if (n == ColCount())
        return;
    const int oldCols = ColCount();
    colWidths_.resize(size_t(n), defaultColWidth_);
    if (fixedCols_ >= n)
        fixedCols_ = n - 1;
    currentCol_ = std::clamp(currentCol_, fixedCols_, n - 1);
    anchorCol_ = std::clamp(anchorCol_, fixedCols_, n - 1);
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, n - 1));
    SizeChanged(oldCols, RowCount());
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetRowCount(int n)
{
    n = std::max(n, 1);
    if (n == RowCount())
        return;
    const int oldRows = RowCount();
    rowHeights_.resize(size_t(n), defaultRowHeight_);
    if (fixedRows_ >= n)
        fixedRows_ = n - 1;
    currentRow_ = std::clamp(currentRow_, fixedRows_, n - 1);
    anchorRow_ = std::clamp(anchorRow_, fixedRows_, n - 1);
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, n - 1));
    SizeChanged(ColCount(), oldRows);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetFixedCols(int n)
{
    n = std::clamp(n, 0, ColCount() - 1);
    if (n == fixedCols_)
        return;
    fixedCols_ = n;
    currentCol_ = std::max(currentCol_, n);
    anchorCol_ = std::max(anchorCol_, n);
    leftCol_ = std::max(leftCol_, n);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int n)
{
    n = std::clamp(n, 0, RowCount() - 1);
    if (n == fixedRows_)
        return;
    fixedRows_ = n;
    currentRow_ = std::max(currentRow_, n);
    anchorRow_ = std::max(anchorRow_, n);
    topRow_ = std::max(topRow_, n);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultColWidth(int w)
{
    defaultColWidth_ = w;
    std::fill(colWidths_.begin(), colWidths_.end(), w);
    ColWidthsChanged();
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultRowHeight(int h)
{
    defaultRowHeight_ = h;
    std::fill(rowHeights_.begin(), rowHeights_.end(), h);
    RowHeightsChanged();
    UpdateScrollRange();
    InvalidateGrid();
}


void TCustomGrid::SetColWidths(int c, int w)
{
    if (c < 0 || c >= ColCount() || colWidths_[size_t(c)] == w)
        return;
    colWidths_[size_t(c)] = w;
    ColWidthsChanged();
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetRowHeights(int r, int h)
{
    if (r < 0 || r >= RowCount() || rowHeights_[size_t(r)] == h)
        return;
    rowHeights_[size_t(r)] = h;
    RowHeightsChanged();
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetGridOptions(TGridOptions o)
{
    if (o == options_)
        return;
    if (o & gridOpt(goRowSelect))
        o &= ~gridOpt(goAlwaysShowEditor);
    options_ = o;
    if (!(o & gridOpt(goEditing)) || (o & gridOpt(goRowSelect)))
        HideEditor();
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle s)
{
    if (s == scrollBars_)
        return;
    // Without a vertical bar of its own the grid leaves the vertical bar to its subclass.
    if (s == ssNone || s == ssHorizontal)
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBars_ = s;
    UpdateScrollRange();
}

// ---- geometry ----

int TCustomGrid::ClientWidth() const { return viewport()->width(); }
int TCustomGrid::ClientHeight() const { return viewport()->height(); }

void TCustomGrid::axisInfo(TGridAxisDrawInfo& a, int extent, int fixedCount, int first, bool vertical) const
{
    const auto& ext = vertical ? rowHeights_ : colWidths_;
    const bool lines = vertical ? (options_ & (gridOpt(goFixedHorzLine) | gridOpt(goHorzLine)))
                                : (options_ & (gridOpt(goFixedVertLine) | gridOpt(goVertLine)));
    a.EffectiveLineWidth = lines ? gridLineWidth_ : 0;
    a.Extents = &ext;
    a.FixedCellCount = fixedCount;
    a.FirstGridCell = first;
    a.GridCellCount = int(ext.size());
    a.GridExtent = extent;
    int pos = 0;
    for (int i = 0; i < fixedCount; ++i)
        pos += ext[size_t(i)] + a.EffectiveLineWidth;
    a.FixedBoundary = pos;
    a.FullVisBoundary = pos;
    a.GridBoundary = std::min(pos, extent);
    a.LastFullVisibleCell = first;
    for (int i = first; i < a.GridCellCount; ++i) {
        pos += ext[size_t(i)] + a.EffectiveLineWidth;
        if (pos > extent) {
            a.GridBoundary = extent;
            break;
        }
        a.LastFullVisibleCell = i;
        a.FullVisBoundary = pos;
        a.GridBoundary = pos;
    }
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& info) const
{
    axisInfo(info.Horz, ClientWidth(), fixedCols_, leftCol_, false);
    axisInfo(info.Vert, ClientHeight(), fixedRows_, topRow_, true);
}

namespace {
// Pixel span of cells gmin..gmax on one axis; false when none of it is visible.
bool calcAxis(const TGridAxisDrawInfo& a, int gmin, int gmax, int& smin, int& smax)
{
    if (gmin >= a.FixedCellCount && gmin < a.FirstGridCell)
        gmin = a.FirstGridCell;
    if (gmax >= a.FixedCellCount && gmax < a.FirstGridCell)
        return false;
    if (gmin < 0 || gmax >= a.GridCellCount || gmin > gmax)
        return false;
    auto startOf = [&a](int cell) {
        int pos = 0;
        if (cell < a.FixedCellCount) {
            for (int i = 0; i < cell; ++i)
                pos += a.extent(i) + a.EffectiveLineWidth;
        } else {
            pos = a.FixedBoundary;
            for (int i = a.FirstGridCell; i < cell; ++i)
                pos += a.extent(i) + a.EffectiveLineWidth;
        }
        return pos;
    };
    smin = startOf(gmin);
    if (smin >= a.GridExtent)
        return false;
    smax = startOf(gmax) + a.extent(gmax);
    smax = std::min(smax, a.GridExtent);
    return smax > smin || a.extent(gmax) <= 0;
}

int cellAt(const TGridAxisDrawInfo& a, int pos)
{
    if (pos < 0)
        return -1;
    if (pos < a.FixedBoundary) {
        int p = 0;
        for (int i = 0; i < a.FixedCellCount; ++i) {
            p += a.extent(i) + a.EffectiveLineWidth;
            if (pos < p)
                return i;
        }
        return -1;
    }
    if (pos >= a.GridBoundary)
        return -1;
    int p = a.FixedBoundary;
    for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
        p += a.extent(i) + a.EffectiveLineWidth;
        if (pos < p)
            return i;
    }
    return -1;
}
} // namespace

QRect TCustomGrid::BoxRect(int left, int top, int right, int bottom) const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    int x1, x2, y1, y2;
    if (!calcAxis(di.Horz, std::min(left, right), std::max(left, right), x1, x2)
        || !calcAxis(di.Vert, std::min(top, bottom), std::max(top, bottom), y1, y2))
        return {};
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

QRect TCustomGrid::CellRect(int c, int r) const { return BoxRect(c, r, c, r); }

TGridCoord TCustomGrid::MouseCoord(int x, int y) const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord res{cellAt(di.Horz, x), cellAt(di.Vert, y)};
    if (res.X < 0 || res.Y < 0)
        res = {-1, -1};
    return res;
}

int TCustomGrid::calcMaxTopLeft(bool vertical) const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const TGridAxisDrawInfo& a = vertical ? di.Vert : di.Horz;
    const int avail = a.GridExtent - a.FixedBoundary;
    int sum = 0;
    int i = a.GridCellCount - 1;
    for (; i >= a.FixedCellCount; --i) {
        sum += a.extent(i) + a.EffectiveLineWidth;
        if (sum > avail)
            break;
    }
    return std::clamp(i + 1, a.FixedCellCount, std::max(a.FixedCellCount, a.GridCellCount - 1));
}

int TCustomGrid::VisibleColCount() const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return std::max(0, di.Horz.LastFullVisibleCell - leftCol_ + 1);
}

int TCustomGrid::VisibleRowCount() const
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return std::max(0, di.Vert.LastFullVisibleCell - topRow_ + 1);
}

TGridRect TCustomGrid::Selection() const
{
    return {std::min(anchorCol_, currentCol_), std::min(anchorRow_, currentRow_),
            std::max(anchorCol_, currentCol_), std::max(anchorRow_, currentRow_)};
}

// ---- scrolling ----

void TCustomGrid::moveTopLeft(int c, int r)
{
    c = std::clamp(c, fixedCols_, calcMaxTopLeft(false));
    r = std::clamp(r, fixedRows_, calcMaxTopLeft(true));
    if (c == leftCol_ && r == topRow_)
        return;
    leftCol_ = c;
    topRow_ = r;
    TopLeftChanged();
    UpdateScrollRange();
    updateEditorGeometry();
    InvalidateGrid();
}

void TCustomGrid::SetLeftCol(int c) { moveTopLeft(c, topRow_); }
void TCustomGrid::SetTopRow(int r) { moveTopLeft(leftCol_, r); }

void TCustomGrid::ClampInView(int c, int r)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    int newLeft = leftCol_, newTop = topRow_;
    if (c >= fixedCols_) {
        if (c < leftCol_)
            newLeft = c;
        else if (c > di.Horz.LastFullVisibleCell) {
            // Scroll right until the cell fits.
            int sum = colWidths_[size_t(c)] + di.Horz.EffectiveLineWidth;
            const int avail = di.Horz.GridExtent - di.Horz.FixedBoundary;
            newLeft = c;
            while (newLeft - 1 >= fixedCols_ && sum + colWidths_[size_t(newLeft - 1)] + di.Horz.EffectiveLineWidth <= avail) {
                --newLeft;
                sum += colWidths_[size_t(newLeft)] + di.Horz.EffectiveLineWidth;
            }
            newLeft = std::max(newLeft, leftCol_);
        }
    }
    if (r >= fixedRows_) {
        if (r < topRow_)
            newTop = r;
        else if (r > di.Vert.LastFullVisibleCell) {
            int sum = rowHeights_[size_t(r)] + di.Vert.EffectiveLineWidth;
            const int avail = di.Vert.GridExtent - di.Vert.FixedBoundary;
            newTop = r;
            while (newTop - 1 >= fixedRows_ && sum + rowHeights_[size_t(newTop - 1)] + di.Vert.EffectiveLineWidth <= avail) {
                --newTop;
                sum += rowHeights_[size_t(newTop)] + di.Vert.EffectiveLineWidth;
            }
            newTop = std::max(newTop, topRow_);
        }
    }
    moveTopLeft(newLeft, newTop);
}

void TCustomGrid::UpdateScrollRange()
{
    inScrollUpdate_ = true;
    const int maxLeft = calcMaxTopLeft(false);
    QScrollBar* h = horizontalScrollBar();
    const bool hWanted = (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && maxLeft > fixedCols_;
    h->setRange(fixedCols_, maxLeft);
    h->setPageStep(std::max(1, VisibleColCount()));
    h->setValue(leftCol_);
    setHorizontalScrollBarPolicy(hWanted ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
        const int maxTop = calcMaxTopLeft(true);
        SetVerticalScrollInfo(fixedRows_, std::max(fixedRows_, maxTop + VisibleRowCount() - 1),
                              std::max(1, VisibleRowCount()), topRow_);
        setVerticalScrollBarPolicy(maxTop > fixedRows_ ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    }
    inScrollUpdate_ = false;
}

void TCustomGrid::SetVerticalScrollInfo(int min, int max, int page, int pos)
{
    // The platform's maximum includes the page; the slider's maximum is the last top position.
    const bool old = inScrollUpdate_;
    inScrollUpdate_ = true;
    QScrollBar* v = verticalScrollBar();
    const int qtMax = page > 0 ? std::max(min, max - page + 1) : max;
    v->setRange(min, qtMax);
    v->setPageStep(std::max(1, page));
    v->setSliderPosition(pos);
    v->setValue(pos);
    inScrollUpdate_ = old;
}

void TCustomGrid::VerticalScrollAction(int action, int trackPos)
{
    const int page = std::max(1, VisibleRowCount());
    switch (action) {
    case SB_LINEUP: SetTopRow(topRow_ - 1); break;
    case SB_LINEDOWN: SetTopRow(topRow_ + 1); break;
    case SB_PAGEUP: SetTopRow(topRow_ - page); break;
    case SB_PAGEDOWN: SetTopRow(topRow_ + page); break;
    case SB_TOP: SetTopRow(fixedRows_); break;
    case SB_BOTTOM: SetTopRow(RowCount() - 1); break;
    case SB_THUMBTRACK:
        if (HasOption(goThumbTracking))
            SetTopRow(trackPos);
        break;
    case SB_THUMBPOSITION: SetTopRow(trackPos); break;
    default: break;
    }
    UpdateScrollRange();
}

void TCustomGrid::HorizontalScrollAction(int action, int trackPos)
{
    const int page = std::max(1, VisibleColCount());
    switch (action) {
    case SB_LINEUP: SetLeftCol(leftCol_ - 1); break;
    case SB_LINEDOWN: SetLeftCol(leftCol_ + 1); break;
    case SB_PAGEUP: SetLeftCol(leftCol_ - page); break;
    case SB_PAGEDOWN: SetLeftCol(leftCol_ + page); break;
    case SB_TOP: SetLeftCol(fixedCols_); break;
    case SB_BOTTOM: SetLeftCol(ColCount() - 1); break;
    case SB_THUMBTRACK:
        if (HasOption(goThumbTracking))
            SetLeftCol(trackPos);
        break;
    case SB_THUMBPOSITION: SetLeftCol(trackPos); break;
    default: break;
    }
    UpdateScrollRange();
}

void TCustomGrid::ScrollDataArea(int dy)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const QRect area(0, di.Vert.FixedBoundary, ClientWidth(), di.Vert.GridBoundary - di.Vert.FixedBoundary);
    if (area.isEmpty())
        return;
    viewport()->scroll(0, dy, area);
}

// ---- current cell ----

bool TCustomGrid::SelectCell(int, int) { return true; }

void TCustomGrid::FocusCell(int c, int r, bool moveAnchor)
{
    MoveColRow(c, r, moveAnchor, true);
}

void TCustomGrid::MoveColRow(int c, int r, bool moveAnchor, bool show)
{
    // A fixed column that a subclass focused itself stays current while rows change.
    if (c != currentCol_ || c >= ColCount())
        c = std::clamp(c, fixedCols_, ColCount() - 1);
    r = std::clamp(r, fixedRows_, RowCount() - 1);
    if (!SelectCell(c, r))
        return;
    const TGridRect oldSel = Selection();
    const int oldC = currentCol_, oldR = currentRow_;
    currentCol_ = c;
    currentRow_ = r;
    if (moveAnchor || !HasOption(goRangeSelect)) {
        anchorCol_ = c;
        anchorRow_ = r;
    }
    if (HasOption(goRowSelect)) {
        anchorCol_ = fixedCols_;
        currentCol_ = std::max(c, fixedCols_);
    }
    if (show)
        ClampInView(c, r);
    if (oldC != currentCol_ || oldR != currentRow_ || !(oldSel == Selection())) {
        InvalidateRect(BoxRect(oldSel.Left, oldSel.Top, oldSel.Right, oldSel.Bottom));
        if (HasOption(goRowSelect)) {
            InvalidateRow(oldR);
            InvalidateRow(currentRow_);
        }
        InvalidateCell(oldC, oldR);
        const TGridRect s = Selection();
        InvalidateRect(BoxRect(s.Left, s.Top, s.Right, s.Bottom));
        InvalidateCell(currentCol_, currentRow_);
    }
    if (EditorMode()) {
        if (CanEditShow())
            ShowEditor();
        else
            HideEditor();
    }
}

void TCustomGrid::FocusFixedCol(int c)
{
    if (c < 0 || c >= ColCount() || c == currentCol_)
        return;
    InvalidateCell(currentCol_, currentRow_);
    currentCol_ = anchorCol_ = c;
    InvalidateCell(currentCol_, currentRow_);
}

void TCustomGrid::SetCol(int c)
{
    if (c != currentCol_)
        FocusCell(c, currentRow_, true);
}

void TCustomGrid::SetRow(int r)
{
    if (r != currentRow_)
        FocusCell(currentCol_, r, true);
}

// ---- invalidation ----

void TCustomGrid::InvalidateRect(const QRect& r)
{
    if (!r.isEmpty())
        viewport()->update(r.adjusted(0, 0, gridLineWidth_, gridLineWidth_));
}

void TCustomGrid::InvalidateCell(int c, int r) { InvalidateRect(CellRect(c, r)); }

void TCustomGrid::InvalidateCol(int c)
{
    const QRect r = BoxRect(c, 0, c, RowCount() - 1);
    InvalidateRect(r);
}

void TCustomGrid::InvalidateRow(int r)
{
    const QRect rc = BoxRect(0, r, ColCount() - 1, r);
    if (!rc.isEmpty())
        viewport()->update(QRect(0, rc.top(), ClientWidth(), rc.height() + gridLineWidth_));
}

void TCustomGrid::InvalidateGrid() { viewport()->update(); }

// ---- painting ----

QColor TCustomGrid::FixedFillColor() const { return palette().color(QPalette::Button); }
QColor TCustomGrid::DataFillColor() const { return palette().color(QPalette::Base); }

void TCustomGrid::paintEvent(QPaintEvent* e)
{
    QPainter p(viewport());
    painter_ = &p;
    Paint(p, e->rect());
    painter_ = nullptr;
    if (gridState_ == gsColSizing || gridState_ == gsRowSizing) {
        // The sizing line: a dotted line across the client area.
        QPainter lp(viewport());
        lp.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        lp.setPen(QPen(Qt::white, 1, Qt::DotLine));
        if (gridState_ == gsColSizing)
            lp.drawLine(sizingPos_, 0, sizingPos_, ClientHeight());
        else
            lp.drawLine(0, sizingPos_, ClientWidth(), sizingPos_);
    }
}

void TCustomGrid::DrawLines(QPainter& p, const TGridDrawInfo& di)
{
    // Lines run along the right and bottom edge of every cell: fixed ones in the fixed colour.
    const int lwH = di.Horz.EffectiveLineWidth, lwV = di.Vert.EffectiveLineWidth;
    auto vLines = [&](int firstCell, int lastCell, int startX, int y1, int y2, const QColor& c) {
        if (lwH <= 0)
            return;
        int x = startX;
        for (int i = firstCell; i <= lastCell && x < di.Horz.GridExtent; ++i) {
            x += di.Horz.extent(i);
            p.fillRect(QRect(x, y1, lwH, y2 - y1), c);
            x += lwH;
        }
    };
    auto hLines = [&](int firstCell, int lastCell, int startY, int x1, int x2, const QColor& c) {
        if (lwV <= 0)
            return;
        int y = startY;
        for (int i = firstCell; i <= lastCell && y < di.Vert.GridExtent; ++i) {
            y += di.Vert.extent(i);
            p.fillRect(QRect(x1, y, x2 - x1, lwV), c);
            y += lwV;
        }
    };
    const QColor fixedC = FixedLineColor(), dataC = DataLineColor();
    const int lastCol = di.Horz.GridCellCount - 1, lastRow = di.Vert.GridCellCount - 1;
    const bool fv = HasOption(goFixedVertLine), fh = HasOption(goFixedHorzLine);
    const bool dv = HasOption(goVertLine), dh = HasOption(goHorzLine);
    // Fixed rows across all columns, fixed columns across all rows.
    if (fv) {
        vLines(0, fixedCols_ - 1, 0, 0, di.Vert.GridBoundary, fixedC);
        vLines(leftCol_, lastCol, di.Horz.FixedBoundary, 0, di.Vert.FixedBoundary, fixedC);
    }
    if (fh) {
        hLines(0, fixedRows_ - 1, 0, 0, di.Horz.GridBoundary, fixedC);
        hLines(topRow_, lastRow, di.Vert.FixedBoundary, 0, di.Horz.FixedBoundary, fixedC);
    }
    if (dv)
        vLines(leftCol_, lastCol, di.Horz.FixedBoundary, di.Vert.FixedBoundary, di.Vert.GridBoundary, dataC);
    if (dh)
        hLines(topRow_, lastRow, di.Vert.FixedBoundary, di.Horz.FixedBoundary, di.Horz.GridBoundary, dataC);
}

TGridDrawState TCustomGrid::CellState(int c, int r, bool fixed, bool focused) const
{
    if (fixed)
        return gdFixed;
    const TGridRect sel = Selection();
    TGridDrawState st = 0;
    if (focused && c == currentCol_ && r == currentRow_)
        st |= gdFocused;
    if (c >= sel.Left && c <= sel.Right && r >= sel.Top && r <= sel.Bottom)
        st |= gdSelected;
    return st;
}

void TCustomGrid::FillCell(QPainter& p, int, int, const QRect& rect, bool fixed)
{
    if (defaultDrawing_)
        p.fillRect(rect, fixed ? FixedFillColor() : DataFillColor());
}

void TCustomGrid::FillBackground(QPainter& p, const QRect& rect) { p.fillRect(rect, DataFillColor()); }

void TCustomGrid::PaintCells(QPainter& p, const QRect& clip, const TGridDrawInfo& di)
{
    const bool focused = GridFocused();
    // Cells are drawn whole (a right-aligned text of a cut cell stays where the whole cell puts it); the
    // painter keeps them to the visible part of the grid.
    const QRect visible(0, 0, di.Horz.GridExtent, di.Vert.GridExtent);
    p.save();
    const rtl::TScopeGuard saved([&p] { p.restore(); });
    p.setClipRect(visible, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    auto region = [&](int c0, int c1, int x0, int r0, int r1, int y0, bool fixed) {
        int y = y0;
        for (int r = r0; r <= r1 && y < di.Vert.GridExtent; ++r) {
            const int h = di.Vert.extent(r);
            int x = x0;
            for (int c = c0; c <= c1 && x < di.Horz.GridExtent; ++c) {
                const int w = di.Horz.extent(c);
                const QRect rc(x, y, std::max(0, w), std::max(0, h));
                if (w > 0 && h > 0 && rc.intersects(clip & visible)) {
                    const TGridDrawState st = CellState(c, r, fixed, focused);
                    FillCell(p, c, r, rc, fixed);
                    DrawCell(c, r, rc, st);
                }
                x += w + di.Horz.EffectiveLineWidth;
            }
            y += h + di.Vert.EffectiveLineWidth;
        }
    };
    const int lastCol = ColCount() - 1, lastRow = RowCount() - 1;
    region(0, fixedCols_ - 1, 0, 0, fixedRows_ - 1, 0, true);
    region(leftCol_, lastCol, di.Horz.FixedBoundary, 0, fixedRows_ - 1, 0, true);
    region(0, fixedCols_ - 1, 0, topRow_, lastRow, di.Vert.FixedBoundary, true);
    region(leftCol_, lastCol, di.Horz.FixedBoundary, topRow_, lastRow, di.Vert.FixedBoundary, false);
}

void TCustomGrid::Paint(QPainter& p, const QRect& clip)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    DrawLines(p, di);
    PaintCells(p, clip, di);
    PaintOverCells(p, di);
    // The area right of the last column and below the last row.
    if (di.Horz.GridBoundary < ClientWidth())
        FillBackground(p, QRect(di.Horz.GridBoundary, 0, ClientWidth() - di.Horz.GridBoundary, ClientHeight()));
    if (di.Vert.GridBoundary < ClientHeight())
        FillBackground(p, QRect(0, di.Vert.GridBoundary, di.Horz.GridBoundary, ClientHeight() - di.Vert.GridBoundary));
}

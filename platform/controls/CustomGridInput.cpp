// TCustomGrid: the in-place editor, window timers, moving columns and rows, and input from keys and mouse.
#include "platform/controls/CustomGrid.h"
#include "platform/controls/InplaceEdit.h"
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

namespace {
TMouseButton buttonOf(Qt::MouseButton b)
{
    return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}
} // namespace

// ---- editor ----

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this, viewport()); }

bool TCustomGrid::CanEditShow() const
{
    return HasOption(goEditing) && !HasOption(goRowSelect) && editorMode_;
}

bool TCustomGrid::EditorMode() const { return editorMode_; }

void TCustomGrid::SetEditorMode(bool v)
{
    if (v == editorMode_)
        return;
    editorMode_ = v;
    if (v)
        ShowEditor();
    else
        HideEditor();
}

void TCustomGrid::ShowEditor()
{
    editorMode_ = true;
    if (!CanEditShow()) {
        HideEditor();
        return;
    }
    if (!editor_) {
        editor_ = CreateEditor();
        connect(editor_, &TInplaceEdit::textTyped, this, [this](const QString& t) {
            SetEditText(currentCol_, currentRow_, t);
        });
    }
    // The limit first, so that the previous cell's does not cut the text; no limit means none at all, not
    // the line editor's own default.
    const int limit = GetEditLimit();
    editor_->setMaxLength(limit > 0 ? limit : std::numeric_limits<int>::max());
    editor_->SetTextQuietly(GetEditText(currentCol_, currentRow_));
    editor_->UpdateContents();
    updateEditorGeometry();
    if (hasFocus())
        editor_->setFocus();
}

void TCustomGrid::HideEditor()
{
    editorMode_ = false;
    if (editor_ && editor_->isVisible()) {
        const bool hadFocus = editor_->hasFocus();
        editor_->Hide();
        if (hadFocus)
            setFocus();
    }
}

void TCustomGrid::UpdateEditorText()
{
    if (editor_ && editor_->isVisible())
        editor_->SetTextQuietly(GetEditText(currentCol_, currentRow_));
}

void TCustomGrid::InvalidateEditor()
{
    if (editor_ && editor_->isVisible()) {
        updateEditorGeometry();
        UpdateEditorText();
    }
}

void TCustomGrid::updateEditorGeometry()
{
    if (!editor_ || !editorMode_)
        return;
    const QRect r = CellRect(currentCol_, currentRow_);
    if (r.isEmpty())
        editor_->Hide();
    else
        editor_->Move(r);
}

bool TCustomGrid::GridFocused() const
{
    return hasFocus() || (editor_ && editor_->hasFocus());
}

// ---- timers ----

void TCustomGrid::SetTimer(int id, int intervalMs)
{
    QBasicTimer& t = timers_[id];
    t.start(std::max(0, intervalMs), this);
    timerIdsByQt_[t.timerId()] = id;
}

void TCustomGrid::KillTimer(int id)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    timerIdsByQt_.erase(it->second.timerId());
    it->second.stop();
    timers_.erase(it);
}

bool TCustomGrid::TimerActive(int id) const
{
    auto it = timers_.find(id);
    return it != timers_.end() && it->second.isActive();
}

void TCustomGrid::timerEvent(QTimerEvent* e)
{
    auto it = timerIdsByQt_.find(e->timerId());
    if (it == timerIdsByQt_.end()) {
        QAbstractScrollArea::timerEvent(e);
        return;
    }
    WMTimer(it->second);
}

void TCustomGrid::WMTimer(int id)
{
    if (id == 1 && gridState_ == gsSelecting)
        timedScrollFromPoint(lastMouseX_, lastMouseY_);
}

void TCustomGrid::timedScrollFromPoint(int x, int y)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    unsigned dir = 0;
    if (x < di.Horz.FixedBoundary) dir |= sdLeft;
    else if (x > di.Horz.FullVisBoundary) dir |= sdRight;
    if (y < di.Vert.FixedBoundary) dir |= sdUp;
    else if (y > di.Vert.FullVisBoundary) dir |= sdDown;
    if (dir)
        TimedScroll(dir);
}

void TCustomGrid::TimedScroll(unsigned direction)
{
    int c = currentCol_, r = currentRow_;
    if ((direction & sdLeft) && leftCol_ > fixedCols_) { SetLeftCol(leftCol_ - 1); c = leftCol_; }
    if ((direction & sdRight)) { SetLeftCol(leftCol_ + 1); c = std::min(ColCount() - 1, c + 1); }
    if ((direction & sdUp) && topRow_ > fixedRows_) { SetTopRow(topRow_ - 1); r = topRow_; }
    if ((direction & sdDown)) { SetTopRow(topRow_ + 1); r = std::min(RowCount() - 1, r + 1); }
    MoveColRow(c, r, false, false);
}

// ---- moving columns and rows ----

void TCustomGrid::MoveColumn(int fromIndex, int toIndex)
{
    if (fromIndex == toIndex || fromIndex < 0 || toIndex < 0 || fromIndex >= ColCount() || toIndex >= ColCount())
        return;
    const int w = colWidths_[size_t(fromIndex)];
    colWidths_.erase(colWidths_.begin() + fromIndex);
    colWidths_.insert(colWidths_.begin() + toIndex, w);
    ColumnMoved(fromIndex, toIndex);
    if (currentCol_ == fromIndex)
        currentCol_ = toIndex;
    InvalidateGrid();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex)
{
    if (fromIndex == toIndex || fromIndex < 0 || toIndex < 0 || fromIndex >= RowCount() || toIndex >= RowCount())
        return;
    const int h = rowHeights_[size_t(fromIndex)];
    rowHeights_.erase(rowHeights_.begin() + fromIndex);
    rowHeights_.insert(rowHeights_.begin() + toIndex, h);
    RowMoved(fromIndex, toIndex);
    if (currentRow_ == fromIndex)
        currentRow_ = toIndex;
    InvalidateGrid();
}

// ---- input ----

int TCustomGrid::VirtualKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Backspace: return vk::Back;
    case Qt::Key_Tab: case Qt::Key_Backtab: return vk::Tab;
    case Qt::Key_Clear: return vk::Clear;
    case Qt::Key_Return: case Qt::Key_Enter: return vk::Return;
    case Qt::Key_Shift: return vk::Shift;
    case Qt::Key_Control: return vk::Control;
    case Qt::Key_Alt: return vk::Menu;
    case Qt::Key_Escape: return vk::Escape;
    case Qt::Key_Space: return vk::Space;
    case Qt::Key_PageUp: return vk::Prior;
    case Qt::Key_PageDown: return vk::Next;
    case Qt::Key_End: return vk::End;
    case Qt::Key_Home: return vk::Home;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Insert: return vk::Insert;
    case Qt::Key_Delete: return vk::Delete;
    default: break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 0x70 + (qtKey - Qt::Key_F1);
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    return 0;
}

TShiftState TCustomGrid::ShiftOf(Qt::KeyboardModifiers m, Qt::MouseButtons b)
{
    TShiftState s = 0;
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::AltModifier) s |= ssAlt;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    if (b & Qt::LeftButton) s |= ssLeft;
    if (b & Qt::RightButton) s |= ssRight;
    if (b & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

bool TCustomGrid::event(QEvent* e)
{
    // Tab is a grid key, not a focus move.
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && HasOption(goTabs)) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void TCustomGrid::keyPressEvent(QKeyEvent* e)
{
    int key = VirtualKeyOf(e->key());
    TShiftState shift = ShiftOf(e->modifiers());
    if (e->key() == Qt::Key_Backtab)
        shift |= ssShift;
    if (key)
        KeyDown(key, shift);
    const QString text = e->text();
    if (!text.isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QChar ch = text.at(0);
        if (ch.unicode() >= 32 || ch == QChar('\r') || ch == QChar(27))
            KeyPress(ch);
    }
    e->accept();
}

void TCustomGrid::keyReleaseEvent(QKeyEvent* e)
{
    int key = VirtualKeyOf(e->key());
    if (key)
        KeyUp(key, ShiftOf(e->modifiers()));
    e->accept();
}

void TCustomGrid::KeyDown(int& key, TShiftState shift)
{
    const bool ctrl = shift & ssCtrl;
    const int page = std::max(1, VisibleRowCount());
    int c = currentCol_, r = currentRow_;
    switch (key) {
    case vk::Up: r = ctrl ? topRow_ : r - 1; break;
    case vk::Down: r = ctrl ? topRow_ + page - 1 : r + 1; break;
    case vk::Left: c = ctrl ? leftCol_ : c - 1; break;
    case vk::Right: c = ctrl ? leftCol_ + VisibleColCount() - 1 : c + 1; break;
    case vk::Prior: r = ctrl ? topRow_ : r - page; break;
    case vk::Next: r = ctrl ? topRow_ + page - 1 : r + page; break;
    case vk::Home: if (ctrl) r = fixedRows_; c = fixedCols_; break;
    case vk::End: if (ctrl) r = RowCount() - 1; c = ColCount() - 1; break;
    case vk::Tab:
        if (!HasOption(goTabs))
            return;
        if (shift & ssShift) {
            if (--c < fixedCols_) { c = ColCount() - 1; --r; }
        } else if (++c >= ColCount()) {
            c = fixedCols_;
            ++r;
        }
        if (r < fixedRows_ || r >= RowCount())
            return;
        break;
    case vk::F2: if (HasOption(goEditing)) ShowEditor(); return;
    case vk::Escape: HideEditor(); return;
    default: return;
    }
    const bool extend = (shift & ssShift) && HasOption(goRangeSelect) && key != vk::Tab;
    MoveColRow(c, r, !extend, true);
}

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                  int& sizingOfs, const TGridDrawInfo& di)
{
    state = gsNormal;
    index = -1;
    auto hit = [](const TGridAxisDrawInfo& a, int pos, int& idx, int& line, int& ofs) {
        // The border of each visible cell is a hot zone a few pixels wide.
        int p = 0;
        auto test = [&](int i) {
            p += a.extent(i);
            const int centre = p + a.EffectiveLineWidth / 2;
            p += a.EffectiveLineWidth;
            if (std::abs(pos - centre) <= 2) {
                idx = i;
                line = centre;
                ofs = centre - pos;
                return true;
            }
            return false;
        };
        for (int i = 0; i < a.FixedCellCount; ++i)
            if (test(i)) return true;
        for (int i = a.FirstGridCell; i < a.GridCellCount && p <= a.GridExtent; ++i)
            if (test(i)) return true;
        return false;
    };
    if (HasOption(goColSizing) && y >= 0 && y < di.Vert.FixedBoundary) {
        if (hit(di.Horz, x, index, sizingPos, sizingOfs))
            state = gsColSizing;
    } else if (HasOption(goRowSizing) && x >= 0 && x < di.Horz.FixedBoundary) {
        if (hit(di.Vert, y, index, sizingPos, sizingOfs))
            state = gsRowSizing;
    }
}

void TCustomGrid::DrawSizingLine(const TGridDrawInfo&)
{
    if (gridState_ == gsColSizing)
        viewport()->update(QRect(sizingPos_ - 1, 0, 3, ClientHeight()));
    else if (gridState_ == gsRowSizing)
        viewport()->update(QRect(0, sizingPos_ - 1, ClientWidth(), 3));
}

void TCustomGrid::CancelGesture()
{
    if (gridState_ == gsColSizing || gridState_ == gsRowSizing) {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        const TGridState s = gridState_;
        DrawSizingLine(di);
        gridState_ = gsNormal;
        (void)s;
    }
    KillTimer(1);
    gridState_ = gsNormal;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!hasFocus() && !(editor_ && editor_->hasFocus()))
        setFocus();
    if (button != mbLeft)
        return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridState st;
    CalcSizingState(x, y, st, sizingIndex_, sizingPos_, sizingOfs_, di);
    if (st != gsNormal) {
        gridState_ = st;
        DrawSizingLine(di);
        return;
    }
    const TGridCoord hit = MouseCoord(x, y);
    if (hit.X < 0)
        return;
    if (hit.Y < fixedRows_ && hit.X >= fixedCols_ && HasOption(goColMoving)) {
        gridState_ = gsColMoving;
        moveIndex_ = movePos_ = hit.X;
        return;
    }
    if (hit.X < fixedCols_ && hit.Y >= fixedRows_ && HasOption(goRowMoving)) {
        gridState_ = gsRowMoving;
        moveIndex_ = movePos_ = hit.Y;
        return;
    }
    if (hit.X >= fixedCols_ && hit.Y >= fixedRows_) {
        MoveColRow(hit.X, hit.Y, !(shift & ssShift), true);
        gridState_ = gsSelecting;
        SetTimer(1, 60);
        if (HasOption(goEditing) && HasOption(goAlwaysShowEditor))
            ShowEditor();
    }
}

void TCustomGrid::MouseMove(TShiftState, int x, int y)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    switch (gridState_) {
    case gsColSizing: case gsRowSizing:
        DrawSizingLine(di);
        sizingPos_ = (gridState_ == gsColSizing ? x : y) + sizingOfs_;
        DrawSizingLine(di);
        break;
    case gsColMoving: {
        const TGridCoord hit = MouseCoord(x, std::max(0, std::min(y, di.Vert.FixedBoundary - 1)));
        if (hit.X >= fixedCols_)
            movePos_ = hit.X;
        break;
    }
    case gsRowMoving: {
        const TGridCoord hit = MouseCoord(std::max(0, std::min(x, di.Horz.FixedBoundary - 1)), y);
        if (hit.Y >= fixedRows_)
            movePos_ = hit.Y;
        break;
    }
    case gsSelecting: {
        const TGridCoord hit = MouseCoord(x, y);
        if (hit.X >= fixedCols_ && hit.Y >= fixedRows_)
            MoveColRow(hit.X, hit.Y, false, false);
        break;
    }
    default:
        break;
    }
}

void TCustomGrid::MouseUp(TMouseButton, TShiftState, int x, int y)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    switch (gridState_) {
    case gsColSizing: {
        DrawSizingLine(di);
        int start = 0;
        const int lw = di.Horz.EffectiveLineWidth;
        if (sizingIndex_ < fixedCols_)
            for (int i = 0; i < sizingIndex_; ++i) start += colWidths_[size_t(i)] + lw;
        else {
            start = di.Horz.FixedBoundary;
            for (int i = leftCol_; i < sizingIndex_; ++i) start += colWidths_[size_t(i)] + lw;
        }
        gridState_ = gsNormal;
        sizedByUser_ = true;
        SetColWidths(sizingIndex_, std::max(0, x + sizingOfs_ - start - lw / 2));
        sizedByUser_ = false;
        break;
    }
    case gsRowSizing: {
        DrawSizingLine(di);
        int start = 0;
        const int lw = di.Vert.EffectiveLineWidth;
        if (sizingIndex_ < fixedRows_)
            for (int i = 0; i < sizingIndex_; ++i) start += rowHeights_[size_t(i)] + lw;
        else {
            start = di.Vert.FixedBoundary;
            for (int i = topRow_; i < sizingIndex_; ++i) start += rowHeights_[size_t(i)] + lw;
        }
        gridState_ = gsNormal;
        sizedByUser_ = true;
        SetRowHeights(sizingIndex_, std::max(0, y + sizingOfs_ - start - lw / 2));
        sizedByUser_ = false;
        break;
    }
    case gsColMoving:
        gridState_ = gsNormal;
        if (movePos_ != moveIndex_)
            MoveColumn(moveIndex_, movePos_);
        break;
    case gsRowMoving:
        gridState_ = gsNormal;
        if (movePos_ != moveIndex_)
            MoveRow(moveIndex_, movePos_);
        break;
    default:
        break;
    }
    KillTimer(1);
    gridState_ = gsNormal;
}

QCursor TCustomGrid::CursorAt(int x, int y)
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridState st;
    int idx, pos, ofs;
    CalcSizingState(x, y, st, idx, pos, ofs, di);
    return QCursor(st == gsColSizing ? Qt::SplitHCursor : st == gsRowSizing ? Qt::SplitVCursor : Qt::ArrowCursor);
}

bool TCustomGrid::MouseWheel(int steps, TShiftState)
{
    SetTopRow(topRow_ - steps);
    return true;
}

void TCustomGrid::mousePressEvent(QMouseEvent* e)
{
    lastMouseX_ = int(e->position().x());
    lastMouseY_ = int(e->position().y());
    MouseDown(buttonOf(e->button()), ShiftOf(e->modifiers(), e->buttons()), lastMouseX_, lastMouseY_);
}

void TCustomGrid::mouseMoveEvent(QMouseEvent* e)
{
    lastMouseX_ = int(e->position().x());
    lastMouseY_ = int(e->position().y());
    MouseMove(ShiftOf(e->modifiers(), e->buttons()), lastMouseX_, lastMouseY_);
    if (gridState_ == gsNormal)
        viewport()->setCursor(CursorAt(lastMouseX_, lastMouseY_));
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent* e)
{
    lastMouseX_ = int(e->position().x());
    lastMouseY_ = int(e->position().y());
    MouseUp(buttonOf(e->button()), ShiftOf(e->modifiers(), e->buttons()), lastMouseX_, lastMouseY_);
}

void TCustomGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The platform reports a double click as a press with the double flag, then the click event.
    lastMouseX_ = int(e->position().x());
    lastMouseY_ = int(e->position().y());
    MouseDown(buttonOf(e->button()), ShiftOf(e->modifiers(), e->buttons()) | ssDouble, lastMouseX_, lastMouseY_);
    DblClick();
}

void TCustomGrid::wheelEvent(QWheelEvent* e)
{
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0 && MouseWheel(steps, ShiftOf(e->modifiers())))
        e->accept();
    else
        e->ignore();
}

bool TCustomGrid::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Wheel && (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
        wheelEvent(static_cast<QWheelEvent*>(e));
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, e);
}

void TCustomGrid::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
}

bool TCustomGrid::viewportEvent(QEvent* e)
{
    const bool res = QAbstractScrollArea::viewportEvent(e);
    // The client area is the viewport: its size decides how many cells show.
    if ((e->type() == QEvent::Resize || e->type() == QEvent::Show) && !inViewportResize_) {
        inViewportResize_ = true;
        GridResized();
        UpdateScrollRange();
        updateEditorGeometry();
        inViewportResize_ = false;
    }
    return res;
}

void TCustomGrid::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    if (editorMode_ && editor_ && editor_->isVisible())
        editor_->setFocus();
    GridFocusChanged(true);
    InvalidateCell(currentCol_, currentRow_);
}

void TCustomGrid::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    GridFocusChanged(false);
    InvalidateCell(currentCol_, currentRow_);
}

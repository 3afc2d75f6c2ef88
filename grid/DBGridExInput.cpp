// TCustomDBGridEx: the mouse: clicks and drags that select, title buttons, drag scrolling, the pointer.
#include "grid/DBGridEx.h"
#include "grid/GridGlyphs.h"
#include "grid/GridSettings.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"
#include <QApplication>

void TCustomDBGridEx::selectRowAt(int dataRow, TShiftState shift, TMouseButton button)
{
    TDataSet* ds = dataLink_.DataSet();
    const int distance = dataRow - dataLink_.ActiveRecord();
    const bool shiftRows = (shift & ssShift) && has(options_, dgMultiSelect);
    if (shiftRows && distance != 0) {
        selecting_ = true;
        toggle_ = true;
        if (anchor_.isEmpty() || !ds->BookmarkValid(anchor_)) {
            anchor_ = ds->GetBookmark();
            anchorSelected_ = false;
        }
        DoSelection(true, distance, true, false);
        return;
    }
    selecting_ = false;
    if (distance != 0)
        ds->MoveBy(distance);
    if (!CanSelectType(gstRecordBookmarks))
        return;
    if ((shift & ssCtrl) || !has(optionsEx_, dghClearSelection)) {
        if (button == mbLeft)
            setCurrentRowSelected(!currentRowSelected());
    } else if (button == mbLeft) {
        ClearSelection();
        setCurrentRowSelected(true);
    }
    // A drag from here extends the selection row by row.
    anchor_ = ds->GetBookmark();
    anchorSelected_ = !currentRowSelected();
    toggle_ = (shift & ssCtrl) || !has(optionsEx_, dghClearSelection);
    selecting_ = true;
    mouseState_ = 1;
}

void TCustomDBGridEx::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    pressedTitle_ = -1;
    lastX_ = x;
    lastY_ = y;
    if (!AcquireFocus())
        return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridState st;
    int idx, pos, ofs;
    CalcSizingState(x, y, st, idx, pos, ofs, di);
    const TGridCoord hit = MouseCoord(x, y);
    if (st == gsNormal && columnStripAt(x, y)) {
        // The lowest pixels of a title select whole columns.
        TColumnEx* column = columns_->Items(RawToDataColumn(hit.X));
        if (shift & ssShift)
            selection_.Columns().SelectShift(column);
        else if (shift & ssCtrl)
            selection_.Columns().InvertSelect(column);
        else
            selection_.Columns().Select(column, false);
        InvalidateGrid();
        mouseState_ = 2;
        ResetTimer(60);
        return;
    }
    if (st == gsNormal && hit.Y >= 0 && hit.Y < titleOffset_ && hit.X >= indicatorOffset_
        && RawToDataColumn(hit.X) < columns_->Count()) {
        // A title that acts as a button is tracked while the button is held.
        const TMouseButton b = button == mbRight && has(options_, dgColumnResize) ? mbLeft : button;
        TColumnEx* column = columns_->Items(RawToDataColumn(hit.X));
        if (b == mbLeft && CheckTitleButton(hit.X, column->Title().TitleButton())) {
            pressedTitle_ = hit.X;
            trackingTitle_ = true;
            pressX_ = x;
            pressY_ = y;
            TrackButton(x, y);
            return;
        }
    }
    if (st != gsNormal || (hit.Y >= 0 && hit.Y < titleOffset_)) {
        // Titles: sizing and moving as the base grid does, a press in the corner selects everything.
        if (st == gsNormal && hit.X == 0 && indicatorOffset_ > 0 && has(options_, dgMultiSelect) && linkActive()
            && CanSelectType(gstAll)) {
            if (selection_.SelectionType() != gstNon)
                selection_.Clear();
            else
                selection_.SelectAll();
            return;
        }
        if (has(options_, dgColumnResize) || st != gsNormal) {
            if (linkActive())
                dataLink_.UpdateRecord();
            TCustomGrid::MouseDown(button == mbRight && has(options_, dgColumnResize) ? mbLeft : button, shift, x, y);
        }
        if (hit.X >= indicatorOffset_)
            pressedTitle_ = -1;
        return;
    }
    if (!linkActive() || hit.X < 0 || hit.Y < 0)
        return;
    const int dataRow = hit.Y - titleOffset_;
    if (dataRow >= dataLink_.RecordCount())
        return;  // footer or empty rows
    pressedCell_ = hit;
    pressedDouble_ = (shift & ssDouble) != 0;
    BeginUpdate();
    {
        const rtl::TScopeGuard endUpdate([this] { EndUpdate(); });
        TDataSet* ds = dataLink_.DataSet();
        if (ds->State() == dsEdit || ds->State() == dsInsert)
            dataLink_.UpdateRecord();
        HideEditor();
        const bool rowGesture = has(options_, dgRowSelect) || hit.X < indicatorOffset_;
        const bool cellRects = !has(options_, dgRowSelect) && CanSelectType(gstRectangle);
        if (rowGesture || !cellRects) {
            selectRowAt(dataRow, shift, button);
            if (hit.X >= indicatorOffset_)
                MoveCol(hit.X, 0, false);
        } else {
            // Cells: a rectangle anchored at the clicked cell, or extended to it with Shift.
            const int oldCol = SelectedIndex();
            const QByteArray oldRow = ds->GetBookmark();
            ds->MoveBy(dataRow - dataLink_.ActiveRecord());
            MoveCol(hit.X, 0, false);
            const bool onSelected = selection_.DataCellSelected(SelectedIndex(), ds->GetBookmark());
            if (!(shift & (ssCtrl | ssShift)) && has(optionsEx_, dghClearSelection)
                && (button != mbRight || !onSelected))
                ClearSelection();
            if (button == mbLeft && !ds->IsEmpty()) {
                if ((shift & ssShift) && selection_.SelectionType() != gstRectangle)
                    selection_.Rect().Select(oldCol, oldRow, false);
                selection_.Rect().Select(SelectedIndex(), ds->GetBookmark(), (shift & ssShift) != 0);
            }
            mouseState_ = 3;
        }
    }
    InvalidateGrid();
    if (mouseState_ == 1)
        ResetTimer(60);
    if (button == mbLeft && (shift & ssDouble)) {
        const int i = SelectedIndex();
        if (i >= 0 && i < columns_->Count()) {
            TColumnEx* c = columns_->Items(i);
            const TColumnExType t = c->GetColumnType();
            if ((t == ctKeyImageList || t == ctCheckboxes) && c->DblClickNextVal())
                c->SetNextFieldValue((shift & ssShift) ? -1.0 : 1.0);
        }
    }
}

void TCustomDBGridEx::MouseMove(TShiftState shift, int x, int y)
{
    lastX_ = x;
    lastY_ = y;
    if (trackingTitle_) {
        if (has(options_, dgColumnResize) && (std::abs(x - pressX_) > 3 || std::abs(y - pressY_) > 3)) {
            // The press turns into moving the column.
            StopTracking();
            TCustomGrid::MouseDown(mbLeft, 0, pressX_, pressY_);
            TCustomGrid::MouseMove(shift, x, y);
        } else {
            TrackButton(x, y);
        }
        return;
    }
    if (mouseState_ == 2) {
        const TGridCoord hit = MouseCoord(std::clamp(x, 0, ClientWidth() - 1), 0);
        const int dc = RawToDataColumn(hit.X);
        if (dc >= 0 && dc < columns_->Count())
            selection_.Columns().SelectShift(columns_->Items(dc));
        return;
    }
    if (mouseState_ == 3 && linkActive()) {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        const int cy = std::clamp(y, di.Vert.FixedBoundary, std::max(di.Vert.FixedBoundary, di.Vert.GridBoundary - 1));
        const int cx = std::clamp(x, di.Horz.FixedBoundary, std::max(di.Horz.FixedBoundary, di.Horz.GridBoundary - 1));
        const TGridCoord hit = MouseCoord(cx, cy);
        if (hit.Y >= titleOffset_) {
            const int dataRow = std::min(hit.Y - titleOffset_, dataLink_.RecordCount() - 1);
            const int diff = dataRow - dataLink_.ActiveRecord();
            if (diff != 0)
                dataLink_.MoveBy(diff > 0 ? 1 : -1);
        }
        if (hit.X >= indicatorOffset_ && hit.X != Col())
            MoveCol(Col() + (hit.X > Col() ? 1 : -1), hit.X > Col() ? 1 : -1, false);
        if (CanSelectType(gstRectangle))
            selection_.Rect().Select(SelectedIndex(), dataLink_.DataSet()->GetBookmark(), true);
        return;
    }
    if (mouseState_ == 1 && linkActive()) {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        const int cy = std::clamp(y, di.Vert.FixedBoundary, std::max(di.Vert.FixedBoundary, di.Vert.GridBoundary - 1));
        // Right of the last column is no cell: the row is all that counts here.
        const int cx = std::clamp(x, 0, std::max(0, di.Horz.GridBoundary - 1));
        const TGridCoord hit = MouseCoord(cx, cy);
        if (hit.Y >= titleOffset_) {
            const int dataRow = std::min(hit.Y - titleOffset_, dataLink_.RecordCount() - 1);
            const int diff = dataRow - dataLink_.ActiveRecord();
            if (diff != 0)
                DoSelection(true, diff > 0 ? 1 : -1, true, false);
        }
        return;
    }
    TCustomGrid::MouseMove(shift, x, y);
}

void TCustomDBGridEx::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (trackingTitle_) {
        const int col = pressedTitle_;
        const TGridCoord hit = MouseCoord(x, y);
        StopTracking();
        if (hit.X == col && hit.Y >= 0 && hit.Y < titleOffset_) {
            TColumnEx* column = columns_->Items(RawToDataColumn(col));
            DoTitleClick(RawToDataColumn(col), column);
            if (has(optionsEx_, dghAutoSortMarking)) {
                const bool ctrl = shift & ssCtrl;
                column->Title().SetNextSortMarkerValue(ctrl);
                if (ctrl)
                    sortMarkingPending_ = true;
                else
                    DoSortMarkingChanged();
            }
            TitleClick(column);
        }
        return;
    }
    TGridState state = GridState();
    // A title pressed and released in place was clicked, not moved.
    if (state == gsColMoving && moveIndex_ == movePos_)
        state = gsNormal;
    const int wasMouseState = mouseState_;
    mouseState_ = 0;
    StopTimer();
    if (wasMouseState == 1)
        selecting_ = false;
    TCustomGrid::MouseUp(button, shift, x, y);
    if (state == gsColSizing || state == gsColMoving)
        return;
    const TGridCoord hit = MouseCoord(x, y);
    if (button == mbRight && hit.Y >= titleOffset_ && hit.X >= indicatorOffset_ && linkActive()
        && hit.Y - titleOffset_ < dataLink_.RecordCount()) {
        // A column with a menu of its own shows it instead of the grid's.
        const int dc = RawToDataColumn(hit.X);
        if (dc < columns_->Count())
            if (QMenu* menu = columns_->Items(dc)->PopupMenu())
                menu->popup(viewport()->mapToGlobal(QPoint(x, y)));
        return;
    }
    if (hit.X < 0 || hit.Y < 0 || button != mbLeft)
        return;
    const TGridCoord pressed = pressedCell_;
    pressedCell_ = {-1, -1};
    if (hit.Y >= titleOffset_ && linkActive() && hit.Y - titleOffset_ < dataLink_.RecordCount()) {
        // A click on an image or check-box cell steps its value (a double click does that itself).
        if (hit.X == pressed.X && hit.Y == pressed.Y && !pressedDouble_ && !has(options_, dgRowSelect)
            && hit.X >= indicatorOffset_) {
            TColumnEx* c = columns_->Items(RawToDataColumn(hit.X));
            const TColumnExType t = c->GetColumnType();
            if ((t == ctKeyImageList || t == ctCheckboxes) && !c->DblClickNextVal() && c->CanModify(false))
                c->SetNextFieldValue((shift & ssShift) ? -1.0 : 1.0);
        }
        int dc = RawToDataColumn(hit.X);
        if (dc < 0)
            dc = SelectedIndex();
        if (dc >= 0 && dc < columns_->Count())
            CellClick(columns_->Items(dc));
    } else if (hit.Y < titleOffset_) {
        const int dc = RawToDataColumn(hit.X);
        if (dc >= 0 && dc < columns_->Count())
            TitleClick(columns_->Items(dc));
    }
}

void TCustomDBGridEx::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

bool TCustomDBGridEx::MouseWheel(int steps, TShiftState)
{
    if (linkActive())
        dataLink_.MoveBy(steps > 0 ? -1 : 1);
    return true;
}

void TCustomDBGridEx::ResetTimer(int interval)
{
    if (!TimerActive(1) || interval != timerInterval_) {
        KillTimer(1);
        SetTimer(1, interval);
    }
    timerInterval_ = interval;
}

void TCustomDBGridEx::StopTimer()
{
    KillTimer(1);
    timerInterval_ = -1;
}

void TCustomDBGridEx::WMTimer(int id)
{
    if (id == 2)
        StopInplaceSearch();
    else if (id == 1 && mouseState_ != 0)
        TimerScroll();
    else if (id == 1)
        StopTimer();
}

void TCustomDBGridEx::TimerScroll()
{
    TGridDrawInfo di;
    CalcDrawInfo(di);
    if (mouseState_ == 2) {
        // Selecting columns beyond the data area scrolls sideways and extends to the edge column.
        int interval = -1;
        if (lastX_ < di.Horz.FixedBoundary) {
            if (LeftCol() > FixedCols())
                SetLeftCol(LeftCol() - 1);
            const int dc = RawToDataColumn(LeftCol());
            if (dc >= 0 && dc < columns_->Count())
                selection_.Columns().SelectShift(columns_->Items(dc));
            interval = 200 - 10 * (di.Horz.FixedBoundary - lastX_);
        } else if (lastX_ > di.Horz.GridBoundary) {
            SetLeftCol(LeftCol() + 1);
            TGridDrawInfo now;
            CalcDrawInfo(now);
            const int dc = RawToDataColumn(now.Horz.LastFullVisibleCell);
            if (dc >= 0 && dc < columns_->Count())
                selection_.Columns().SelectShift(columns_->Items(dc));
            interval = 200 - 10 * (lastX_ - di.Horz.GridBoundary);
        }
        if (interval >= 0)
            ResetTimer(std::max(0, interval));
        return;
    }
    const int top = di.Vert.FixedBoundary;
    const int bottom = footerRowCount_ > 0 ? top + VisibleDataRowCount() * (DefaultRowHeight() + di.Vert.EffectiveLineWidth)
                                           : di.Vert.GridBoundary;
    int vdir = 0, d = 0;
    if (lastY_ < top) {
        vdir = -1;
        d = top - lastY_;
    } else if (lastY_ >= bottom) {
        vdir = 1;
        d = lastY_ - bottom + 1;
    }
    int hdir = 0;
    if (lastX_ < di.Horz.FixedBoundary) {
        hdir = -1;
        d = std::max(d, di.Horz.FixedBoundary - lastX_);
    } else if (lastX_ >= di.Horz.GridBoundary) {
        hdir = 1;
        d = std::max(d, lastX_ - di.Horz.GridBoundary);
    }
    if (vdir == 0 && hdir == 0) {
        StopTimer();
        return;
    }
    BeginUpdate();
    {
        const rtl::TScopeGuard endUpdate([this] { EndUpdate(); });
        const int rows = vdir * std::min(d / 6, 8);
        if (mouseState_ == 3) {
            if (rows != 0)
                dataLink_.MoveBy(rows);
            if (hdir != 0)
                MoveCol(Col() + hdir, hdir, false);
            if (CanSelectType(gstRectangle))
                selection_.Rect().Select(SelectedIndex(), dataLink_.DataSet()->GetBookmark(), true);
        } else if (rows != 0) {
            DoSelection(true, rows, true, false);
        }
    }
    InvalidateGrid();
    ResetTimer(std::max(0, 200 - 15 * d));
}

bool TCustomDBGridEx::CheckTitleButton(int aCol, bool enabled)
{
    const int dc = RawToDataColumn(aCol);
    if (dc < 0 || dc >= columns_->Count())
        return false;
    if (OnCheckButton)
        OnCheckButton(this, dc, columns_->Items(dc), enabled);
    return enabled;
}

void TCustomDBGridEx::TrackButton(int x, int y)
{
    const TGridCoord hit = MouseCoord(x, y);
    const bool down = hit.X == pressedTitle_ && hit.Y >= 0 && hit.Y < titleOffset_;
    if (down != titlePressedDown_) {
        titlePressedDown_ = down;
        InvalidateRow(0);
    }
}

void TCustomDBGridEx::StopTracking()
{
    if (trackingTitle_ || titlePressedDown_)
        InvalidateRow(0);
    trackingTitle_ = false;
    titlePressedDown_ = false;
    pressedTitle_ = -1;
    StopTimer();
}

void TCustomDBGridEx::DoSortMarkingChanged()
{
    if (has(optionsEx_, dghAutoSortMarking) && OnSortMarkingChanged)
        OnSortMarkingChanged(this);
}

bool TCustomDBGridEx::columnStripAt(int x, int y)
{
    if (has(options_, dgRowSelect) || !CanSelectType(gstColumns) || !has(options_, dgTitles))
        return false;
    const TGridCoord hit = MouseCoord(x, y);
    if (hit.Y != 0 || hit.X < indicatorOffset_ || RawToDataColumn(hit.X) >= columns_->Count())
        return false;
    const QRect r = CellRect(hit.X, 0);
    return y >= r.top() + r.height() - DBGridExSettings().ColSelectionAreaHeight;
}

QCursor TCustomDBGridEx::CursorAt(int x, int y)
{
    if (columnStripAt(x, y))
        return gridglyphs::ColumnSelectCursor();
    // Over the indicator of a grid that marks rows, the pointer says so.
    if (indicatorOffset_ > 0 && linkActive() && !dataLink_.DataSet()->IsEmpty() && has(options_, dgMultiSelect)
        && CanSelectType(gstRecordBookmarks)) {
        const TGridCoord hit = MouseCoord(x, y);
        if (hit.X == 0 && hit.Y >= titleOffset_)
            return gridglyphs::RowSelectCursor();
    }
    return TCustomGrid::CursorAt(x, y);
}

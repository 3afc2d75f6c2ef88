// TCustomDBGridEx: keys and mouse turned into record moves, column moves and selections.
#include "grid/DBGridEx.h"
#include "grid/GridGlyphs.h"
#include "grid/GridSettings.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include <QApplication>


bool TCustomDBGridEx::currentRowSelected()
{
    return linkActive() && selectedRows_.CurrentRowSelected();
}

void TCustomDBGridEx::setCurrentRowSelected(bool v)
{
    if (linkActive())
        selectedRows_.SetCurrentRowSelected(v);
}

void TCustomDBGridEx::DoSelection(bool select, int direction, bool rowMode, bool toEnd)
{
    if (!linkActive())
        return;
    TDataSet* ds = dataLink_.DataSet();
    BeginUpdate();
    try {
        if (!rowMode && !has(options_, dgRowSelect)) {
            const bool rect = select && CanSelectType(gstRectangle);
            if (rect && selection_.SelectionType() != gstRectangle) {
                selection_.Rect().Clear();
                selection_.Rect().Select(SelectedIndex(), ds->GetBookmark(), false);
            }
            if (toEnd)
                direction == 1 ? ds->Last() : ds->First();
            else
                ds->MoveBy(direction);
            if (rect)
                selection_.Rect().Select(SelectedIndex(), ds->GetBookmark(), true);
        } else {
            const bool canRows = select && CanSelectType(gstRecordBookmarks);
            int remaining = direction;
            const int sign = direction < 0 ? -1 : 1;
            while (toEnd || remaining != 0) {
                bool addAfter = false;
                if (has(options_, dgMultiSelect)) {
                    if (!canRows) {
                        ClearSelection();
                    } else if (selecting_) {
                        const int cmp = selectedRows_.Compare(ds->GetBookmark(), anchor_);
                        addAfter = cmp != -sign;
                        if (!addAfter)
                            setCurrentRowSelected(toggle_ ? anchorSelected_ : false);
                    } else {
                        anchor_ = ds->GetBookmark();
                        anchorSelected_ = currentRowSelected();
                        setCurrentRowSelected(toggle_ ? !anchorSelected_ : true);
                        selecting_ = true;
                        addAfter = true;
                    }
                }
                if (ds->MoveBy(sign) == 0)
                    break;
                if (addAfter && canRows)
                    setCurrentRowSelected(toggle_ ? !anchorSelected_ : true);
                if (!toEnd)
                    remaining -= sign;
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    if (updateLock_ == 0)
        InvalidateGrid();
}

void TCustomDBGridEx::deleteSelectedOrCurrent()
{
    TDataSet* ds = dataLink_.DataSet();
    if (!ds || readOnly_ || ds->IsEmpty() || !ds->CanModify() || !has(allowedOperations_, alopDeleteEx))
        return;
    const int n = selectedRows_.Count();
    const QString text = n < 2 ? QStringLiteral("Delete record?") : QStringLiteral("Delete all selected records?");
    if (has(options_, dgConfirmDelete) && ConfirmDelete && !ConfirmDelete(text))
        return;
    if (n > 0)
        selectedRows_.Delete();
    else
        ds->Delete();
}

void TCustomDBGridEx::tabStep(bool backward)
{
    ClearSelection();
    const int start = Col();
    int c = start;
    const int first = indicatorOffset_, last = ColCount() - 1;
    TDataSet* ds = dataLink_.DataSet();
    for (int guard = 0; guard < 2 * ColCount() + 2; ++guard) {
        if (backward) {
            if (--c < first) {
                if (!ds || ds->Bof() || ds->MoveBy(-1) == 0)
                    return;
                c = last;
            }
        } else if (++c > last) {
            if (!ds || ds->MoveBy(1) == 0)
                return;
            c = first;
        }
        if (c == start)
            return;
        if (ColWidths(c) > 0) {
            MoveCol(c, 0, false);
            return;
        }
    }
}

void TCustomDBGridEx::KeyDown(int& key, TShiftState shift)
{
    toggle_ = (shift & ssCtrl) || !has(optionsEx_, dghClearSelection);
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
    if (key == 0 || !linkActive())
        return;
    TDataSet* ds = dataLink_.DataSet();
    const bool ctrl = shift & ssCtrl;
    const bool shiftHeld = shift & ssShift;
    const bool multi = has(options_, dgMultiSelect);
    const int page = VisibleDataRowCount();
    const bool rowMode = has(options_, dgRowSelect) || ColCount() - indicatorOffset_ <= 1;
    const bool cellRects = !has(options_, dgRowSelect) && CanSelectType(gstRectangle);
    if (!ctrl) {
        switch (key) {
        case vk::Tab: tabStep(shiftHeld); break;
        case vk::Return:
            if (has(optionsEx_, dghEnterAsTab))
                tabStep(shiftHeld);
            break;
        case vk::Escape:
            dataLink_.Reset();
            ClearSelection();
            if (!has(options_, dgAlwaysShowEditor))
                HideEditor();
            if (GridState() == gsColSizing || GridState() == gsColMoving)
                CancelGesture();
            break;
        case vk::Up:
        case vk::Down: {
            const int dir = key == vk::Up ? -1 : 1;
            if (ds->State() == dsInsert && !ds->Modified()) {
                if (dir < 0 || !ds->Eof()) {
                    ds->Cancel();
                    break;
                }
                break;
            }
            if (!(shiftHeld && multi))
                ClearSelection();
            DoSelection(shiftHeld && multi, dir, !cellRects, false);
            if (dir > 0 && ds->Eof() && has(options_, dgEditing) && !readOnly_ && ds->CanModify()
                && has(allowedOperations_, alopAppendEx))
                ds->Append();
            break;
        }
        case vk::Prior:
        case vk::Next: {
            const int dir = key == vk::Prior ? -page : page;
            if (shiftHeld && multi) {
                DoSelection(true, dir, true, false);
            } else {
                ClearSelection();
                ds->MoveBy(dir);
            }
            break;
        }
        case vk::Home:
        case vk::End:
            if (rowMode) {
                if (shiftHeld && multi) {
                    DoSelection(true, key == vk::End ? 1 : -1, true, true);
                } else {
                    ClearSelection();
                    key == vk::Home ? ds->First() : ds->Last();
                }
            } else {
                if (!(shiftHeld && multi))
                    ClearSelection();
                MoveCol(key == vk::Home ? indicatorOffset_ : ColCount() - 1, 0, false);
            }
            break;
        case vk::Left:
        case vk::Right: {
            const int dir = key == vk::Left ? -1 : 1;
            if (has(options_, dgRowSelect)) {
                SetLeftCol(LeftCol() + dir);
            } else {
                if (!(shiftHeld && multi))
                    ClearSelection();
                MoveCol(Col() + dir, dir, shiftHeld && multi && cellRects);
            }
            break;
        }
        case vk::Insert:
            if (!shiftHeld && ds->CanModify() && !readOnly_ && has(options_, dgEditing)) {
                ClearSelection();
                if (has(allowedOperations_, alopInsertEx))
                    ds->Insert();
                else if (has(allowedOperations_, alopAppendEx))
                    ds->Append();
            }
            break;
        case vk::F2:
            SetEditorMode(true);
            break;
        case vk::Delete: {
            // Clearing an image or check-box cell.
            const int i = SelectedIndex();
            if (!has(options_, dgRowSelect) && i >= 0 && i < columns_->Count()) {
                TColumnEx* c = columns_->Items(i);
                const TColumnExType t = c->GetColumnType();
                if ((t == ctKeyImageList || t == ctCheckboxes) && c->GetField() && c->CanModify(true))
                    c->UpdateDataValues(QString(), QVariant(), false);
            }
            break;
        }
        default:
            break;
        }
        return;
    }
    switch (key) {
    case vk::Up:
    case vk::Prior:
        if (shiftHeld && multi)
            DoSelection(true, -dataLink_.ActiveRecord(), true, false);
        else {
            ClearSelection();
            ds->MoveBy(-dataLink_.ActiveRecord());
        }
        break;
    case vk::Down:
    case vk::Next: {
        const int toLast = dataLink_.RecordCount() - 1 - dataLink_.ActiveRecord();
        if (shiftHeld && multi)
            DoSelection(true, toLast, true, false);
        else {
            ClearSelection();
            ds->MoveBy(toLast);
        }
        break;
    }
    case vk::Home:
    case vk::End:
        if (shiftHeld && multi)
            DoSelection(true, key == vk::End ? 1 : -1, true, true);
        else {
            ClearSelection();
            key == vk::Home ? ds->First() : ds->Last();
        }
        break;
    case vk::Left:
        MoveCol(indicatorOffset_, 1, false);
        break;
    case vk::Right:
        MoveCol(ColCount() - 1, -1, false);
        break;
    case vk::Delete:
        deleteSelectedOrCurrent();
        break;
    case 'A':
        if (has(editActions_, geaSelectAllEx))
            selection_.SelectAll();
        break;
    default:
        break;
    }
}

void TCustomDBGridEx::KeyUp(int& key, TShiftState shift)
{
    if (key == vk::Control && sortMarkingPending_) {
        sortMarkingPending_ = false;
        DoSortMarkingChanged();
    }
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TCustomDBGridEx::KeyPress(QChar& ch)
{
    if (ch == QChar('\r') && has(optionsEx_, dghEnterAsTab))
        ch = QChar('\t');
    if (ch == QChar('\r') && !has(options_, dgAlwaysShowEditor) && linkActive())
        dataLink_.UpdateRecord();
    if (ch == QChar(' ') && !has(options_, dgRowSelect)) {
        const int i = SelectedIndex();
        if (i >= 0 && i < columns_->Count()) {
            TColumnEx* c = columns_->Items(i);
            const TColumnExType t = c->GetColumnType();
            if (t == ctKeyImageList || t == ctCheckboxes) {
                const bool back = QApplication::keyboardModifiers() & Qt::ShiftModifier;
                c->SetNextFieldValue(back ? -1.0 : 1.0);
            }
        }
    }
}

void TCustomDBGridEx::MoveCol(int rawCol, int direction, bool select)
{
    select = select && linkActive() && CanSelectType(gstRectangle) && !has(options_, dgRowSelect);
    if (select && selection_.SelectionType() != gstRectangle) {
        selection_.Rect().Clear();
        selection_.Rect().Select(SelectedIndex(), dataLink_.DataSet()->GetBookmark(), false);
    }
    if (linkActive()) {
        TDataSet* ds = dataLink_.DataSet();
        if (ds->State() == dsEdit || ds->State() == dsInsert)
            dataLink_.UpdateRecord();
    }
    rawCol = std::clamp(rawCol, indicatorOffset_, ColCount() - 1);
    if (direction != 0) {
        while (rawCol >= indicatorOffset_ && rawCol < ColCount() && ColWidths(rawCol) <= 0)
            rawCol += direction;
        if (rawCol < indicatorOffset_ || rawCol >= ColCount())
            return;
    }
    if (rawCol == Col())
        return;
    if (!inColExit_) {
        inColExit_ = true;
        const int before = Col();
        if (OnColExit)
            OnColExit(this);
        inColExit_ = false;
        if (Col() != before)
            return;
    }
    if (!has(options_, dgAlwaysShowEditor))
        HideEditor();
    if (has(options_, dgRowSelect))
        ClampInView(rawCol, Row());
    else
        MoveColRow(rawCol, Row(), true, true);
    if (OnColEnter)
        OnColEnter(this);
    if (select)
        selection_.Rect().Select(SelectedIndex(), dataLink_.DataSet()->GetBookmark(), true);
}

bool TCustomDBGridEx::SelectCell(int, int) { return true; }

void TCustomDBGridEx::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                      const TGridDrawInfo& di)
{
    TCustomGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, di);
    // Rows are sized only from the indicator column.
    if (state == gsRowSizing && x >= ColWidths(0) + di.Horz.EffectiveLineWidth)
        state = gsNormal;
    // The indicator column keeps its width.
    if (state == gsColSizing && index < indicatorOffset_)
        state = gsNormal;
}

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
    BeginUpdate();
    try {
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
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
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
        const TGridCoord hit = MouseCoord(std::max(x, 0), cy);
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
    if (hit.X < 0 || hit.Y < 0 || button != mbLeft)
        return;
    if (hit.Y >= titleOffset_ && linkActive() && hit.Y - titleOffset_ < dataLink_.RecordCount()) {
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
    if (id == 1 && mouseState_ != 0)
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
    try {
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
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
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

// TCustomDBGridEx: keys turned into record moves, column moves and selections, and the selection steps
// both keys and mouse use.
#include "grid/DBGridEx.h"
#include "grid/DBGridExClipboard.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"
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
    {
        const rtl::TScopeGuard endUpdate([this] { EndUpdate(); });
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
                    } else if (selecting_ && ds->BookmarkValid(anchor_)) {
                        // An anchor whose record was deleted meanwhile orders nothing; then the gesture
                        // starts anew below.
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
    }
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
    if (!ConfirmDelete(text))
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
    if (handleSearchKey(key, shift)) {
        key = 0;
        return;
    }
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
            if (shiftHeld && has(editActions_, geaPasteEx)) {
                if (CheckPasteAction(DBGridEx_ClipboardHasGridData()))
                    DBGridEx_DoPasteAction(this, false);
            } else if (!shiftHeld && ds->CanModify() && !readOnly_ && has(options_, dgEditing)) {
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
            if (shiftHeld && has(editActions_, geaCutEx)) {
                if (CheckCutAction())
                    DBGridEx_DoCutAction(this, false);
                break;
            }
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
    case vk::Insert:
    case 'C':
        if (has(editActions_, geaCopyEx) && CheckCopyAction())
            DBGridEx_DoCopyAction(this, false);
        break;
    case 'X':
        if (has(editActions_, geaCutEx) && CheckCutAction())
            DBGridEx_DoCutAction(this, false);
        break;
    case 'V':
        if (has(editActions_, geaPasteEx) && CheckPasteAction(DBGridEx_ClipboardHasGridData()))
            DBGridEx_DoPasteAction(this, false);
        break;
    case vk::Delete:
        if (has(editActions_, geaDeleteEx) && selection_.SelectionType() != gstNon) {
            if (CheckDeleteAction())
                DBGridEx_DoDeleteAction(this, false);
        } else {
            deleteSelectedOrCurrent();
        }
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
    if (linkActive() && startSearchByTyping(ch))
        return;
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
    StopInplaceSearch();
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
    else if (rawCol < FixedCols())
        FocusFixedCol(rawCol);  // a frozen column is focused in the current row
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


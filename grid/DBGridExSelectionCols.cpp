#include "grid/DBGridExSelectionCols.h"
#include "grid/DBGridEx.h"

void TDBGridExSelectionCols::invalidate(TColumnEx* c)
{
    const int i = c->Index();
    if (i >= 0)
        grid_->InvalidateCol(grid_->DataToRawColumn(i));
}

void TDBGridExSelectionCols::Add(TColumnEx* column)
{
    const int idx = column->Index();
    for (int i = 0; i < list_.size(); ++i)
        if (list_[i]->Index() > idx) {
            list_.insert(i, column);
            return;
        }
    list_.append(column);
}

void TDBGridExSelectionCols::remove(TColumnEx* c) { list_.removeAll(c); }

void TDBGridExSelectionCols::Forget(TColumnEx* c)
{
    list_.removeAll(c);
    shiftSelected_.removeAll(c);
    if (anchor_ == c)
        anchor_ = nullptr;
    if (shift_ == c)
        shift_ = nullptr;
}

void TDBGridExSelectionCols::Clear()
{
    for (TColumnEx* c : list_)
        invalidate(c);
    list_.clear();
    anchor_ = nullptr;
}

void TDBGridExSelectionCols::Select(TColumnEx* column, bool addToSelection)
{
    TDBGridExSelection& sel = grid_->Selection();
    if (sel.SelectionType() != gstColumns)
        sel.Clear();
    if (!addToSelection)
        Clear();
    if (!Contains(column))
        Add(column);
    invalidate(column);
    anchor_ = shift_ = column;
    sel.SetSelectionType(gstColumns);
    shiftSelected_.clear();
}

void TDBGridExSelectionCols::InvertSelect(TColumnEx* column)
{
    TDBGridExSelection& sel = grid_->Selection();
    if (sel.SelectionType() != gstColumns)
        sel.Clear();
    if (Contains(column))
        remove(column);
    else
        Add(column);
    invalidate(column);
    anchor_ = shift_ = column;
    sel.SetSelectionType(list_.isEmpty() ? gstNon : gstColumns);
    shiftSelected_.clear();
}

void TDBGridExSelectionCols::SelectShift(TColumnEx* column)
{
    TDBGridExSelection& sel = grid_->Selection();
    if (sel.SelectionType() != gstColumns)
        sel.Clear();
    if (!anchor_) {
        Select(column, true);
        return;
    }
    TDBGridColumnsEx& cols = grid_->Columns();
    const int a = anchor_->Index(), s = (shift_ ? shift_ : anchor_)->Index(), n = column->Index();
    const bool anchorSelected = Contains(anchor_);
    auto apply = [&](int i, bool spread) {
        TColumnEx* c = cols[i];
        const bool selected = Contains(c);
        if (spread && anchorSelected) {
            if (c->Visible() && !selected) {
                Add(c);
                shiftSelected_.append(c);
                invalidate(c);
            }
        } else if (spread) {
            if (selected && c != anchor_) {
                remove(c);
                shiftSelected_.append(c);
                invalidate(c);
            }
        } else if (anchorSelected) {
            if (selected && c != anchor_ && shiftSelected_.contains(c)) {
                remove(c);
                shiftSelected_.removeAll(c);
                invalidate(c);
            }
        } else if (c->Visible() && !selected && shiftSelected_.contains(c)) {
            Add(c);
            shiftSelected_.removeAll(c);
            invalidate(c);
        }
    };
    auto walk = [&](int from, int to, bool revertUntilAnchor, bool spread) {
        const int d = to >= from ? 1 : -1;
        for (int i = from;; i += d) {
            bool mode = spread;
            if (revertUntilAnchor)
                mode = (d > 0 ? i >= a : i <= a);
            apply(i, mode);
            if (i == to)
                break;
        }
    };
    if (s == a) {
        walk(a, n, false, true);
    } else if ((s - a) * (n - a) > 0 && std::abs(n - a) > std::abs(s - a)) {
        walk(s, n, false, true);
    } else if ((s - a) * (n - a) > 0 || n == a) {
        // Back toward the anchor: undo what the extension did, up to just before the new column.
        const int d = n > s ? 1 : -1;
        if (s != n)
            walk(s, n - d, false, false);
    } else {
        walk(s, n, true, false);
    }
    shift_ = column;
    sel.SetSelectionType(list_.isEmpty() ? gstNon : gstColumns);
}

void TDBGridExSelectionCols::Refresh()
{
    TDBGridColumnsEx& cols = grid_->Columns();
    for (int i = list_.size() - 1; i >= 0; --i)
        if (cols.IndexOf(list_[i]) < 0)
            list_.removeAt(i);
    std::sort(list_.begin(), list_.end(), [](TColumnEx* x, TColumnEx* y) { return x->Index() < y->Index(); });
}

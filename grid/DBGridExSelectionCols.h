#pragma once
// Selected whole columns, kept in column order, with the anchor and shift column of a Shift-extension and
// the columns the current extension changed (so that moving back undoes exactly those).
#include "grid/DBGridExTypes.h"

class TCustomDBGridEx;

class TDBGridExSelectionCols {
public:
    explicit TDBGridExSelectionCols(TCustomDBGridEx* grid) : grid_(grid) {}
    int Count() const { return int(list_.size()); }
    TColumnEx* Items(int i) const { return list_.at(i); }
    bool Contains(const TColumnEx* c) const { return list_.contains(const_cast<TColumnEx*>(c)); }
    void Add(TColumnEx* column);
    void Clear();
    void Select(TColumnEx* column, bool addToSelection);
    void InvertSelect(TColumnEx* column);
    void SelectShift(TColumnEx* column);
    void Refresh();
    void Forget(TColumnEx* column);

private:
    void remove(TColumnEx* c);
    void invalidate(TColumnEx* c);
    TColumnsExList list_;
    TColumnEx* anchor_ = nullptr;
    TCustomDBGridEx* grid_;
    TColumnEx* shift_ = nullptr;
    TColumnsExList shiftSelected_;
};

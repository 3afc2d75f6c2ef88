#pragma once
// The grid's Columns: persistent columns (Add, from the form) or default columns made from the fields
// (InternalAdd). A change of a column reaches the grid through Update.
#include "grid/ColumnEx.h"
#include <functional>
#include <memory>
#include <vector>

class TCustomDBGridEx;

// The published column of TDBGridEx.
class TDBGridColumnEx : public TColumnEx {
public:
    using TColumnEx::TColumnEx;
};

class TDBGridColumnsEx {
public:
    explicit TDBGridColumnsEx(TCustomDBGridEx* grid) : grid_(grid) {}
    virtual ~TDBGridColumnsEx();
    TCustomDBGridEx* Grid() const { return grid_; }
    // Makes the items; a grid of another column class sets its own.
    using TItemFactory = std::function<std::unique_ptr<TColumnEx>(TDBGridColumnsEx* columns, bool stored)>;
    void SetItemFactory(TItemFactory factory) { factory_ = std::move(factory); }

    TColumnEx* Add();
    TColumnEx* InternalAdd();
    int Count() const { return int(items_.size()); }
    TColumnEx* Items(int i) const { return items_.at(size_t(i)).get(); }
    TColumnEx* GetColumn(int i) const { return Items(i); }
    TColumnEx* operator[](int i) const { return Items(i); }
    void SetColumn(int i, TColumnEx& c) { Items(i)->Assign(c); }
    int IndexOf(const TColumnEx* c) const;
    void Delete(int i);
    void Clear();
    void Move(int from, int to);
    // How many columns were ever made here: tells a set of columns from one built anew in its place.
    quint64 MadeCount() const { return made_; }

    TDBGridColumnsState State() const;
    void SetState(TDBGridColumnsState s);
    void RebuildColumns() { AddAllColumns(true); }
    void AddAllColumns(bool deleteExisting);
    void RestoreDefaults();
    bool ExistFooterValueType(TFooterValueType t) const;
    void Assign(TDBGridColumnsEx& source);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // A column changed (null: all of them).
    void Changed(TColumnEx* item);

protected:
    virtual void Update(TColumnEx* item);

private:
    std::unique_ptr<TColumnEx> make(bool stored);
    TCustomDBGridEx* grid_;
    TItemFactory factory_;
    std::vector<std::unique_ptr<TColumnEx>> items_;
    int updateCount_ = 0;
    quint64 made_ = 0;
    bool pendingAll_ = false;
};

#include "grid/DBGridColumnsEx.h"
#include "grid/DBGridEx.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "grid/GridMath.h"
#include "platform/rtl/ScopeGuard.h"
#include <algorithm>

TDBGridColumnsEx::~TDBGridColumnsEx()
{
    updateCount_ = 1;  // no notifications while the columns go
    items_.clear();
}

std::unique_ptr<TColumnEx> TDBGridColumnsEx::make(bool stored)
{
    ++made_;
    if (factory_)
        return factory_(this, stored);
    return std::make_unique<TDBGridColumnEx>(this, stored);
}

TColumnEx* TDBGridColumnsEx::Add()
{
    items_.push_back(make(true));
    Changed(nullptr);
    return items_.back().get();
}

TColumnEx* TDBGridColumnsEx::InternalAdd()
{
    items_.push_back(make(false));
    Changed(nullptr);
    return items_.back().get();
}

int TDBGridColumnsEx::IndexOf(const TColumnEx* c) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == c)
            return int(i);
    return -1;
}

void TDBGridColumnsEx::Delete(int i)
{
    if (i < 0 || i >= Count())
        return;
    std::unique_ptr<TColumnEx> gone = std::move(items_[size_t(i)]);
    items_.erase(items_.begin() + i);
    if (grid_) {
        grid_->SortMarkedColumns().removeAll(gone.get());
        grid_->visibleColumns_.removeAll(gone.get());
        grid_->Selection().Columns().Forget(gone.get());
    }
    gone.reset();
    Changed(nullptr);
}

void TDBGridColumnsEx::Clear()
{
    if (items_.empty())
        return;
    BeginUpdate();
    while (!items_.empty())
        Delete(Count() - 1);
    EndUpdate();
}

void TDBGridColumnsEx::Move(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= Count() || to >= Count())
        return;
    std::unique_ptr<TColumnEx> c = std::move(items_[size_t(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(c));
    Changed(nullptr);
}

TDBGridColumnsState TDBGridColumnsEx::State() const
{
    return !items_.empty() && items_.front()->Stored() ? csCustomized : csDefault;
}

void TDBGridColumnsEx::SetState(TDBGridColumnsState s)
{
    if (s == State())
        return;
    if (s == csCustomized)
        RebuildColumns();
    else
        Clear();
}

void TDBGridColumnsEx::AddAllColumns(bool deleteExisting)
{
    TDataSet* ds = grid_ ? grid_->DataLink()->DataSet() : nullptr;
    if (!ds) {
        if (deleteExisting)
            Clear();
        return;
    }
    grid_->BeginLayout();
    const rtl::TScopeGuard endLayout([this] { grid_->EndLayout(); });
    if (deleteExisting)
        Clear();
    const QStringList names = ds->FieldNames();
    for (const QString& n : names)
        Add()->SetFieldName(n);
}

void TDBGridColumnsEx::RestoreDefaults()
{
    BeginUpdate();
    for (auto& c : items_)
        c->RestoreDefaults();
    EndUpdate();
}

bool TDBGridColumnsEx::ExistFooterValueType(TFooterValueType t) const
{
    for (const auto& c : items_)
        if (c->Footer().ValueType() == t)
            return true;
    return false;
}

void TDBGridColumnsEx::Assign(TDBGridColumnsEx& source)
{
    BeginUpdate();
    Clear();
    for (int i = 0; i < source.Count(); ++i) {
        TColumnEx* c = source.Items(i)->Stored() ? Add() : InternalAdd();
        c->Assign(*source.Items(i));
    }
    EndUpdate();
}

void TDBGridColumnsEx::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0 && pendingAll_) {
        pendingAll_ = false;
        Update(nullptr);
    }
}

void TDBGridColumnsEx::Changed(TColumnEx* item)
{
    if (updateCount_ > 0) {
        pendingAll_ = true;
        return;
    }
    Update(item);
}

void TDBGridColumnsEx::Update(TColumnEx* item)
{
    TCustomDBGridEx* g = grid_;
    if (!g)
        return;
    if (!item) {
        g->LayoutChanged();
    } else {
        const int raw = g->DataToRawColumn(IndexOf(item));
        if (raw < g->ColCount()) {
            g->InvalidateCol(raw);
            const int gridWidth = g->ColWidths(raw);
            if (!g->AutoFitColWidths()) {
                const int want = item->Visible() ? item->Width() : (has(g->Options(), dgColLines) ? -1 : 0);
                if (gridWidth != want)
                    g->SetColWidths(raw, want);
                else if (g->UseMultiTitle())
                    g->LayoutChanged();
            } else {
                // A hidden column has no width to scale from.
                if (gridWidth > 0) {
                    const int oldInitial = item->InitialWidth();
                    item->SetInitialWidth(gridmath::MulDiv(oldInitial, item->Width(), gridWidth));
                    const int idx = IndexOf(item);
                    if (idx + 1 < Count()) {
                        TColumnEx* right = Items(idx + 1);
                        right->SetInitialWidth(std::max(0, right->InitialWidth() + oldInitial - item->InitialWidth()));
                    }
                }
                g->LayoutChanged();
            }
        } else {
            g->LayoutChanged();
        }
    }
    if (g->Col() < g->ColCount()) {
        TColumnEx* sel = g->SelectedIndex() >= 0 && g->SelectedIndex() < Count() ? Items(g->SelectedIndex()) : nullptr;
        if (sel && !sel->Visible())
            for (int i = 0; i < Count(); ++i)
                if (Items(i)->Visible()) {
                    g->SetSelectedIndex(i);
                    break;
                }
    }
    if (!g->inLayout_)
        g->InvalidateEditor();
}

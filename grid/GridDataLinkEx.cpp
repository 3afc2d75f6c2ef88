#include "grid/GridDataLinkEx.h"
#include "grid/DBGridEx.h"
#include "grid/GridError.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeGuard.h"

bool TGridDataLinkEx::AddMapping(const QString& fieldName)
{
    if (count_ >= MaxMapSize)
        throw EInvalidGridOperation("Grid requested to display more than 256 columns");
    TDataSet* ds = DataSet();
    TField* field = nullptr;
    if (ds)
        field = sparse_ ? ds->FindField(fieldName) : ds->FieldByName(fieldName);
    if (count_ == capacity_) {
        int cap = capacity_ == 0 ? 8 : capacity_ * 2;
        if (count_ > cap)
            cap = count_ + 1;
        capacity_ = std::min(cap, MaxMapSize);
        map_.reserve(size_t(capacity_));
    }
    map_.push_back(field ? field->Index() : -1);
    ++count_;
    return true;
}

void TGridDataLinkEx::ClearMapping()
{
    map_.clear();
    map_.shrink_to_fit();
    capacity_ = count_ = 0;
}

int TGridDataLinkEx::GetMappedIndex(int column) const
{
    return column >= 0 && column < count_ ? map_[size_t(column)] : -1;
}

TField* TGridDataLinkEx::Fields(int i) const
{
    const int idx = GetMappedIndex(i);
    TDataSet* ds = DataSet();
    return idx >= 0 && ds ? ds->Fields(idx) : nullptr;
}

bool TGridDataLinkEx::DefaultFields() const
{
    TDataSet* ds = DataSet();
    if (!ds)
        return true;
    if (sparse_)
        for (int i = 0; i < count_; ++i)
            if (map_[size_t(i)] < 0)
                return false;
    return ds->DefaultFields();
}

void TGridDataLinkEx::Reset()
{
    if (modified_)
        RecordChanged(nullptr);
    else if (TDataSet* ds = DataSet())
        ds->Cancel();
}

void TGridDataLinkEx::ActiveChanged()
{
    grid_->LinkActive(Active());
    modified_ = false;
}

void TGridDataLinkEx::DataSetChanged()
{
    grid_->DataChanged();
    modified_ = false;
}

void TGridDataLinkEx::DataSetScrolled(int distance) { grid_->Scroll(distance); }

void TGridDataLinkEx::EditingChanged() { grid_->EditingChanged(); }

void TGridDataLinkEx::FocusControl(TField** field)
{
    if (!field || !*field)
        return;
    grid_->SetSelectedField(*field);
    if (grid_->SelectedField() == *field && grid_->AcquireFocus()) {
        *field = nullptr;
        grid_->ShowEditor();
    }
}

void TGridDataLinkEx::LayoutChanged()
{
    {
        const bool saved = grid_->layoutFromDataSet_;
        grid_->layoutFromDataSet_ = true;
        const rtl::TScopeGuard back([this, saved] { grid_->layoutFromDataSet_ = saved; });
        grid_->LayoutChanged();
    }
    TDataLink::LayoutChanged();
}

void TGridDataLinkEx::RecordChanged(TField* field)
{
    grid_->RecordChanged(field);
    modified_ = false;
}

void TGridDataLinkEx::UpdateData()
{
    inUpdateData_ = true;
    const rtl::TScopeGuard done([this] { inUpdateData_ = false; });
    if (modified_)
        grid_->UpdateData();
    modified_ = false;
}

#include "platform/data/DataLink.h"

#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/ScopeGuard.h"

#include <algorithm>

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    if (dataSource_)
        dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source)
{
    if (dataSource_ == source)
        return;
    if (dataSource_)
        dataSource_->RemoveDataLink(this);
    dataSource_ = source;
    if (dataSource_)
        dataSource_->AddDataLink(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const
{
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool readOnly)
{
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    UpdateState();
}

void TDataLink::SetBufferCount(int count)
{
    bufferCount_ = std::max(1, count);
    UpdateRange();
}

int TDataLink::ActiveRecord() const
{
    const TDataSet* ds = DataSet();
    return active_ && ds ? ds->ActiveRow() - first_ : 0;
}

void TDataLink::SetActiveRecord(int record)
{
    if (TDataSet* ds = DataSet(); active_ && ds)
        ds->SetActiveRow(first_ + record);
}

int TDataLink::RecordCount() const
{
    const TDataSet* ds = DataSet();
    if (!active_ || !ds)
        return 0;
    return std::clamp(ds->RowTotal() - first_, 0, bufferCount_);
}

bool TDataLink::Bof() const
{
    const TDataSet* ds = DataSet();
    return !active_ || !ds || ds->Bof();
}

bool TDataLink::Eof() const
{
    const TDataSet* ds = DataSet();
    return !active_ || !ds || ds->Eof();
}

int TDataLink::MoveBy(int distance)
{
    TDataSet* ds = DataSet();
    return active_ && ds ? ds->MoveBy(distance) : 0;
}

bool TDataLink::Edit()
{
    if (!readOnly_ && active_ && dataSource_ && dataSource_->Enabled())
        DataSet()->Edit();
    return editing_;
}

void TDataLink::UpdateRecord()
{
    updating_ = true;
    const rtl::TScopeGuard done([this] { updating_ = false; });
    UpdateData();
}

int TDataLink::UpdateRange()
{
    const TDataSet* ds = DataSet();
    const int old = first_;
    if (!active_ || !ds || ds->CurrentRow() < 0) {
        first_ = 0;
        return first_ - old;
    }
    const int cur = ds->CurrentRow();
    const int n = ds->RowTotal();
    if (cur < first_)
        first_ = cur;
    if (cur >= first_ + bufferCount_)
        first_ = cur - bufferCount_ + 1;
    if (first_ + bufferCount_ > n)
        first_ = std::max(0, std::min(cur, n - bufferCount_));
    return first_ - old;
}

void TDataLink::CenterRange()
{
    const TDataSet* ds = DataSet();
    if (!active_ || !ds || ds->CurrentRow() < 0)
        return;
    const int n = ds->RowTotal();
    first_ = std::clamp(ds->CurrentRow() - (bufferCount_ - 1) / 2, 0, std::max(0, n - bufferCount_));
}

void TDataLink::UpdateState()
{
    const TDataSet* ds = DataSet();
    const bool active = dataSource_ && dataSource_->Enabled() && ds && ds->Active();
    if (active != active_) {
        active_ = active;
        first_ = 0;
        UpdateRange();
        ActiveChanged();
    }
    const bool editing = active_ && !readOnly_ && (ds->State() == dsEdit || ds->State() == dsInsert);
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_)
            RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
        if (info == kCenterCurrentRecord)
            CenterRange();
        UpdateRange();
        UpdateState();
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled(UpdateRange());
        break;
    case deLayoutChange:
        UpdateRange();
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField**>(info));
        break;
    case deUpdateState:
        break;
    }
}

#include "platform/data/DataSource.h"

#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"

#include <algorithm>

TDataSource::TDataSource(TDataSet* dataSet)
{
    SetDataSet(dataSet);
}

TDataSource::~TDataSource()
{
    if (dataSet_)
        dataSet_->DetachDataSource(this);
    dataSet_ = nullptr;
    for (TDataLink* link : std::vector<TDataLink*>(links_))
        link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet_ == dataSet)
        return;
    if (dataSet_)
        dataSet_->DetachDataSource(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->AttachDataSource(this);
    DataEvent(deUpdateState, 0);
}

void TDataSource::SetEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    for (TDataLink* link : std::vector<TDataLink*>(links_))
        link->DataEvent(deUpdateState, 0);
}

TDataSetState TDataSource::State() const
{
    return dataSet_ && enabled_ ? dataSet_->State() : dsInactive;
}

void TDataSource::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deUpdateState && OnStateChange)
        OnStateChange(this);
    if (!enabled_ && event != deUpdateState)
        return;
    for (TDataLink* link : std::vector<TDataLink*>(links_))
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->DataEvent(event, info);
    if (OnDataChange && (event == deFieldChange || event == deRecordChange || event == deDataSetChange || event == deDataSetScroll))
        OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
}

void TDataSource::AddDataLink(TDataLink* link)
{
    if (std::find(links_.begin(), links_.end(), link) == links_.end())
        links_.push_back(link);
}

void TDataSource::RemoveDataLink(TDataLink* link)
{
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

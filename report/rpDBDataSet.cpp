#include "report/rpDBDataSet.h"

#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/DatabaseError.h"

void TrpDBDataSet::SetDataSet(TDataSet* dataSet)
{
    dataSet_ = dataSet;
    dataSource_ = nullptr;
}

void TrpDBDataSet::SetDataSource(TDataSource* source)
{
    dataSource_ = source;
    if (source)
        dataSet_ = nullptr;
}

TDataSet* TrpDBDataSet::GetDataSet() const
{
    if (dataSource_ && dataSource_->DataSet())
        return dataSource_->DataSet();
    if (dataSet_)
        return dataSet_;
    throw EDatabaseError(QStringLiteral("Unable to open dataset ") + Name());
}

void TrpDBDataSet::Open()
{
    if (OpenDataSource)
        GetDataSet()->Open();
    if (OnOpen)
        OnOpen(this);
}

void TrpDBDataSet::Close()
{
    if (OnClose)
        OnClose(this);
    if (CloseDataSource)
        GetDataSet()->Close();
}

void TrpDBDataSet::Init()
{
    Open();
    bookmark_ = GetDataSet()->GetBookmark();
    atBookmark_ = false;
}

void TrpDBDataSet::Exit()
{
    if (!bookmark_.isEmpty()) {
        if (RangeBegin == rbCurrent || RangeEnd == reCurrent) {
            TDataSet* d = GetDataSet();
            if (d->BookmarkValid(bookmark_))
                d->GotoBookmark(bookmark_);
        }
        bookmark_.clear();
    }
    Close();
}

void TrpDBDataSet::First()
{
    TDataSet* d = GetDataSet();
    if (RangeBegin == rbFirst)
        d->First();
    else if (!bookmark_.isEmpty() && d->BookmarkValid(bookmark_))
        d->GotoBookmark(bookmark_);
    atBookmark_ = false;
    TrpDataset::First();
}

void TrpDBDataSet::Next()
{
    atBookmark_ = false;
    TDataSet* d = GetDataSet();
    if (RangeEnd != reCurrent) {
        d->Next();
        TrpDataset::Next();
    } else {
        atBookmark_ = d->CompareBookmarks(d->GetBookmark(), bookmark_) == 0;
    }
}

bool TrpDBDataSet::Eof()
{
    return TrpDataset::Eof() || GetDataSet()->Eof() || atBookmark_;
}

void TrpDBDataSet::Notification(TDataSet* removed)
{
    if (removed && removed == dataSet_)
        dataSet_ = nullptr;
}

void TrpDBDataSet::Notification(TDataSource* removed)
{
    if (removed && removed == dataSource_)
        dataSource_ = nullptr;
}

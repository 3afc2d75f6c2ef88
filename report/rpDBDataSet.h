#pragma once
// A report data set over a database data set, given directly or through a data source.
#include "platform/data/DataSetTypes.h"
#include "report/rpDataset.h"

class TDataSet;
class TDataSource;

class TrpDBDataSet : public TrpDataset {
public:
    using TrpDataset::TrpDataset;

    // The last one set wins: setting one clears the other.
    void SetDataSet(TDataSet* dataSet);
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return dataSet_; }
    TDataSource* DataSource() const { return dataSource_; }
    // The source's data set, else DataSet; "Unable to open dataset <name>" with neither.
    TDataSet* GetDataSet() const;

    void Open();
    void Close();
    void Init() override;
    void Exit() override;
    void First() override;
    void Next() override;
    bool Eof() override;

    // The component named is going away: forget it.
    void Notification(TDataSet* removed);
    void Notification(TDataSource* removed);

    bool OpenDataSource = true;
    bool CloseDataSource = false;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

private:
    TDataSet* dataSet_ = nullptr;
    TDataSource* dataSource_ = nullptr;
    TBookmark bookmark_;
    bool atBookmark_ = false;
};

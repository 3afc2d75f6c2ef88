#pragma once
// TDataSource: the hinge between one data set and the data links (grids, report adapters) bound to it.
// Destroying either side unbinds it from the other.
#include "platform/data/DataSetTypes.h"

#include <functional>
#include <vector>

class TDataSet;
class TDataLink;
class TField;

class TDataSource {
public:
    explicit TDataSource(TDataSet* dataSet = nullptr);
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TDataSetState State() const;

    std::function<void(TDataSource*, TField*)> OnDataChange;
    std::function<void(TDataSource*)> OnStateChange;

    // --- for data sets and data links ---
    void DataEvent(TDataEvent event, qintptr info);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

private:
    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    std::vector<TDataLink*> links_;
};

#pragma once
// Connects one data grid to its data source: forwards the data set's notifications to the grid and keeps
// the field map from grid data columns to the data set's fields.
#include "platform/data/DataLink.h"
#include <QString>
#include <vector>

class TCustomDBGridEx;
class TField;

class TGridDataLinkEx : public TDataLink {
public:
    explicit TGridDataLinkEx(TCustomDBGridEx* grid) : grid_(grid) {}
    ~TGridDataLinkEx() override { ClearMapping(); }

    static constexpr int MaxMapSize = 0x0FFFFFFF;
    bool AddMapping(const QString& fieldName);
    void ClearMapping();
    int GetMappedIndex(int column) const;
    TField* Fields(int i) const;
    int FieldCount() const { return count_; }
    int MapCapacity() const { return capacity_; }
    bool DefaultFields() const;
    void SetSparseMap(bool v) { sparse_ = v; }
    void Modified() { modified_ = true; }
    void Reset();
    bool InUpdateData() const { return inUpdateData_; }

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    std::vector<int> map_;
    int capacity_ = 0;
    int count_ = 0;
    TCustomDBGridEx* grid_;
    bool inUpdateData_ = false;
    bool modified_ = false;
    bool sparse_ = false;
};

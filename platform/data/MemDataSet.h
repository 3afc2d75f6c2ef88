#pragma once
// An in-memory data set: define fields, open, then add rows with Append/Post or AppendRecord. Used for
// look-up lists and by tests of controls that read data sets.
#include "platform/data/DataSet.h"

class TMemDataSet : public TDataSet {
public:
    void AddFieldDef(const QString& name, TFieldType dataType, int size = 0);
    void ClearFieldDefs() { defs_.clear(); }
    // Append, the values in field order (missing ones NULL), Post: the new row becomes current.
    void AppendRecord(const std::vector<QVariant>& values);

protected:
    std::vector<TFieldDef> InternalOpen() override;
    void InternalClose() override;
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    quint64 RowId(int row) const override { return rows_[row].id; }
    QVariant RowValue(int row, int field) const override { return rows_[row].values[field]; }
    int InternalPost(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed) override;
    void InternalDelete(int row) override;

private:
    struct Row {
        quint64 id;
        std::vector<QVariant> values;
    };
    std::vector<TFieldDef> defs_;
    std::vector<Row> rows_;
    quint64 nextId_ = 1;
};

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
    int RowCount() const override { return static_cast<int>(ids_.size()); }
    quint64 RowId(int row) const override { return ids_[row]; }
    QVariant RowValue(int row, int field) const override { return columns_[field][row]; }
    const QVariant* PeekRowValue(int row, int field) const override { return &columns_[field][row]; }
    int InternalPost(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed) override;
    void InternalDelete(int row) override;

private:
    std::vector<TFieldDef> defs_;
    // Kept by column: a search down one field reads its values one after another.
    std::vector<quint64> ids_;
    std::vector<std::vector<QVariant>> columns_;
    quint64 nextId_ = 1;
};

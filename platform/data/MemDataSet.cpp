#include "platform/data/MemDataSet.h"

#include "platform/data/DatabaseError.h"
#include "platform/data/Field.h"

void TMemDataSet::AddFieldDef(const QString& name, TFieldType dataType, int size)
{
    if (Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
    defs_.push_back({name, dataType, size});
}

void TMemDataSet::AppendRecord(const std::vector<QVariant>& values)
{
    Append();
    for (std::size_t i = 0; i < values.size() && static_cast<int>(i) < FieldCount(); ++i)
        Fields(static_cast<int>(i))->SetValue(values[i]);
    Post();
}

std::vector<TFieldDef> TMemDataSet::InternalOpen()
{
    columns_.assign(defs_.size(), {});
    return defs_;
}

void TMemDataSet::InternalClose()
{
    ids_.clear();
    columns_.clear();
}

int TMemDataSet::InternalPost(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed)
{
    if (row < 0) {
        ids_.push_back(nextId_++);
        for (std::size_t i = 0; i < columns_.size(); ++i)
            columns_[i].push_back(i < values.size() ? values[i] : QVariant());
        return RowCount() - 1;
    }
    for (std::size_t i = 0; i < values.size() && i < columns_.size(); ++i)
        if (changed[i])
            columns_[i][row] = values[i];
    return row;
}

void TMemDataSet::InternalDelete(int row)
{
    ids_.erase(ids_.begin() + row);
    for (auto& column : columns_)
        column.erase(column.begin() + row);
}

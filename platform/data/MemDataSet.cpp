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
    return defs_;
}

void TMemDataSet::InternalClose()
{
    rows_.clear();
}

int TMemDataSet::InternalPost(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed)
{
    if (row < 0) {
        rows_.push_back({nextId_++, values});
        return RowCount() - 1;
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        if (changed[i])
            rows_[row].values[i] = values[i];
    return row;
}

void TMemDataSet::InternalDelete(int row)
{
    rows_.erase(rows_.begin() + row);
}

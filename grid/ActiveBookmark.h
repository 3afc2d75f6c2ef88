#pragma once
// The bookmark of the record the data set's fields read now (the data link's active record while a row
// of the window is painted), which is not always the cursor's record.
#include "platform/data/DataSet.h"
#include <QtEndian>

namespace gridbookmark {

struct RowAccess : TDataSet {
    static quint64 idOf(const TDataSet* ds, int row) { return (ds->*(&RowAccess::RowId))(row); }
};

inline TBookmark ActiveBookmark(const TDataSet* ds)
{
    if (!ds || !ds->Active())
        return {};
    const int row = ds->ActiveRow();
    if (row == ds->CurrentRow() || row < 0 || row >= ds->RowTotal())
        return ds->GetBookmark();
    // Same form as the data set's own bookmarks: the row's identity, 8 bytes little-endian.
    TBookmark b(8, '\0');
    qToLittleEndian(RowAccess::idOf(ds, row), b.data());
    return b;
}

} // namespace gridbookmark

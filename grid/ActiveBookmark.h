#pragma once
// The bookmark of the record the data set's fields read now (the data link's active record while a row
// of the window is painted), which is not always the cursor's record.
#include "platform/data/DataSet.h"

namespace gridbookmark {

inline TBookmark ActiveBookmark(const TDataSet* ds)
{
    return ds ? ds->ActiveBookmark() : TBookmark();
}

} // namespace gridbookmark

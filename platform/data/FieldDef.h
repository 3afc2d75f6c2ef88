#pragma once
// What a data set's field list is made from when it opens: name, kind and width.
#include "platform/data/DataSetTypes.h"

#include <QString>

struct TFieldDef {
    QString name;
    TFieldType dataType = ftUnknown;
    int size = 0;

    bool operator==(const TFieldDef&) const = default;
};

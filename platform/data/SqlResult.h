#pragma once
// What a statement gives back: for SELECT the result columns and rows, either record numbers of the
// table (values read live from it) or computed values (aggregates, DISTINCT); for the others the number
// of rows they touched.
#include "platform/data/DataSetTypes.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace dbf {
class Table;
}

namespace sql {

struct ResultColumn {
    QString name;
    TFieldType type = ftString;
    int size = 0;
    int source = -1;  // the table column of record rows
};

struct Result {
    bool isSelect = false;
    bool computed = false;
    std::shared_ptr<dbf::Table> table;
    std::vector<ResultColumn> columns;
    std::vector<quint32> records;
    std::vector<std::vector<QVariant>> values;
    int rowsAffected = 0;
};

} // namespace sql

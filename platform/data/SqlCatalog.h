#pragma once
// Where the interpreter finds tables by name: the connection's data folder.
#include "platform/data/DbfColumn.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace dbf {
class Table;
}

namespace sql {

class Catalog {
public:
    virtual ~Catalog() = default;
    // Raises when the table does not exist or cannot be opened.
    virtual std::shared_ptr<dbf::Table> openTable(const QString& name) = 0;
    // Raises when it exists already.
    virtual std::shared_ptr<dbf::Table> createTable(const QString& name, const std::vector<dbf::Column>& columns) = 0;
};

// The value bound to a named parameter; raises when none was given.
using ParamValue = std::function<QVariant(const QString& name)>;

} // namespace sql

#pragma once
// SELECT: plans the scan (an index range, an index walk in ORDER BY order, or the records in file
// order), filters, orders with NULLs first and ties in file order, then projects, aggregates or
// removes duplicates.
#include "platform/data/SqlCatalog.h"
#include "platform/data/SqlResult.h"
#include "platform/data/SqlStatement.h"

namespace sql {

Result select(const Statement& statement, Catalog& catalog, const ParamValue& params);

} // namespace sql

#pragma once
// Runs a parsed statement. Errors raise EDatabaseError whose text ends with the statement.
#include "platform/data/SqlCatalog.h"
#include "platform/data/SqlResult.h"
#include "platform/data/SqlStatement.h"

namespace sql {

Result execute(const Statement& statement, Catalog& catalog, const ParamValue& params);

// The data-set field type of a table column: N/F without decimals are integers, with decimals floats,
// M memo, everything else text.
TFieldType fieldTypeOf(const dbf::Column& column);

} // namespace sql

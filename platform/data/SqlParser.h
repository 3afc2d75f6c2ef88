#pragma once
// Parses one statement of the supported set; anything else raises EDatabaseError quoting the statement.
#include "platform/data/SqlStatement.h"

namespace sql {

Statement parse(const QString& statement);

} // namespace sql

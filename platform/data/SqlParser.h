#pragma once
// Parses one statement of the supported set; anything else raises EDatabaseError quoting the statement.
#include "platform/data/SqlStatement.h"

#include <QStringList>
#include <exception>
#include <memory>

namespace sql {

Statement parse(const QString& statement);

// A statement text parsed once: the statement (or the error parsing it raised, for when it runs) and its
// parameter names (none when the text does not even split into words). The last texts parsed are kept:
// the program issues the same texts again and again. Safe on any thread.
struct ParsedText {
    Statement statement;
    std::exception_ptr error;
    QStringList parameters;
};
std::shared_ptr<const ParsedText> parseKept(const QString& text);

} // namespace sql

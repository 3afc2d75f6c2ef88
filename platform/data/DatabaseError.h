#pragma once
// The exception types of the data layer: storage, SQL and data-set errors alike. The text is complete
// and fit for a log line; SQL errors quote the statement.
//
// Warnings (damage the layer reads around, such as a memo pointer past the end of its file) go to one
// process-wide handler, which the program points at its log; without one they are dropped.
#include <QString>
#include <functional>
#include <stdexcept>

class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString& message);
    QString Message() const { return message_; }

private:
    QString message_;
};

// A table whose header disagrees with itself or with its file: it is never read or written.
class EDamagedTable : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

namespace dbf {

using WarningHandler = std::function<void(const QString&)>;
// Sets the handler and returns the one it replaces.
WarningHandler SetWarningHandler(WarningHandler handler);
void Warn(const QString& text);

} // namespace dbf

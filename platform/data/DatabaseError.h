#pragma once
// The one exception type of the data layer: storage, SQL and data-set errors alike. The text is complete
// and fit for a log line; SQL errors quote the statement.
#include <QString>
#include <stdexcept>

class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString& message);
    QString Message() const { return message_; }

private:
    QString message_;
};

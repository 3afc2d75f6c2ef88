#pragma once
// Errors the data grid raises, with their fixed texts.
#include <QString>
#include <stdexcept>

class EInvalidGridOperation : public std::runtime_error {
public:
    explicit EInvalidGridOperation(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    QString Message() const { return text_; }

private:
    QString text_;
};

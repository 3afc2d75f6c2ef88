#pragma once
// Splits a statement into tokens. A ':' starts a parameter only outside quoted texts, so the times in
// '2009.05.12 10:22:33' stay text.
#include <QString>
#include <QStringList>
#include <vector>

namespace sql {

struct Token {
    enum class Kind { Word, Number, Text, Param, Symbol, End };
    Kind kind = Kind::End;
    QString text;  // the word, digits, unquoted text, parameter name or symbol
    int position = 0;
};

// Raises EDatabaseError quoting the statement for an unclosed quote or a character outside the language.
std::vector<Token> tokenize(const QString& statement);

// The parameter names in order of first appearance (each once, as first written).
QStringList parameterNames(const QString& statement);
QStringList parameterNames(const std::vector<Token>& tokens);

} // namespace sql

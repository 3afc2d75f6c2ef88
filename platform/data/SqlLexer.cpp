#include "platform/data/SqlLexer.h"

#include "platform/data/DatabaseError.h"
#include "platform/rtl/SameText.h"

namespace sql {
namespace {

bool isWordStart(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || c == QLatin1Char('_');
}

bool isWordChar(QChar c)
{
    return isWordStart(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

[[noreturn]] void fail(const QString& statement, int at, const QString& why)
{
    throw EDatabaseError(QStringLiteral("Syntax error in SQL statement at position %1 (%2): %3").arg(at + 1).arg(why, statement));
}

} // namespace

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> out;
    const int n = static_cast<int>(s.size());
    int i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.position = i;
        if (isWordStart(c)) {
            int j = i;
            while (j < n && isWordChar(s[j]))
                ++j;
            t.kind = Token::Kind::Word;
            t.text = s.mid(i, j - i);
            i = j;
        } else if (isDigit(c) || (c == QLatin1Char('.') && i + 1 < n && isDigit(s[i + 1]))) {
            int j = i;
            while (j < n && isDigit(s[j]))
                ++j;
            if (j < n && s[j] == QLatin1Char('.')) {
                ++j;
                while (j < n && isDigit(s[j]))
                    ++j;
            }
            if (j < n && isWordChar(s[j]))
                fail(s, j, QStringLiteral("a number runs into a word"));
            t.kind = Token::Kind::Number;
            t.text = s.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const QChar quote = c;
            QString text;
            int j = i + 1;
            for (;;) {
                if (j >= n)
                    fail(s, i, QStringLiteral("a quoted text is not closed"));
                if (s[j] == quote) {
                    if (j + 1 < n && s[j + 1] == quote) {  // a doubled quote stands for one
                        text += quote;
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += s[j++];
            }
            t.kind = Token::Kind::Text;
            t.text = text;
            i = j + 1;
        } else if (c == QLatin1Char(':') && i + 1 < n && isWordChar(s[i + 1])) {
            int j = i + 1;
            while (j < n && isWordChar(s[j]))
                ++j;
            t.kind = Token::Kind::Param;
            t.text = s.mid(i + 1, j - i - 1);
            i = j;
        } else {
            // Symbols share their texts: a statement has many and each would be a string made anew.
            static const QString two[] = {QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>")};
            static const QString one[] = {QStringLiteral("("), QStringLiteral(")"), QStringLiteral(","), QStringLiteral("*"),
                                          QStringLiteral("="), QStringLiteral("<"), QStringLiteral(">"), QStringLiteral(";"),
                                          QStringLiteral("-"), QStringLiteral("+")};
            t.kind = Token::Kind::Symbol;
            const QStringView here = QStringView(s).sliced(i);
            for (const QString& op : two)
                if (here.startsWith(op))
                    t.text = op;
            if (t.text.isEmpty()) {
                for (const QString& op : one)
                    if (op[0] == c)
                        t.text = op;
                if (t.text.isEmpty())
                    fail(s, i, QStringLiteral("unexpected character '%1'").arg(c));
            }
            i += static_cast<int>(t.text.size());
        }
        out.push_back(t);
    }
    Token end;
    end.position = n;
    out.push_back(end);
    return out;
}

QStringList parameterNames(const QString& statement)
{
    return parameterNames(tokenize(statement));
}

QStringList parameterNames(const std::vector<Token>& tokens)
{
    QStringList names;
    for (const Token& t : tokens) {
        if (t.kind != Token::Kind::Param)
            continue;
        bool seen = false;
        for (const QString& n : names)
            seen = seen || rtl::SameText(n, t.text);
        if (!seen)
            names << t.text;
    }
    return names;
}

} // namespace sql

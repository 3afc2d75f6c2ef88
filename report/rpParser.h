#pragma once
// Expressions of report texts, conditions and scripts. Str2OPZ turns the infix text into a postfix text
// with one character per operator; CalcOPZ evaluates it. Names and functions are answered by callbacks
// that the report (or the script interpreter while a script runs) installs.
//
// Operator levels (lower binds tighter, equal levels group to the left):
//   0 INT FRAC STR ROUND   1 * / AND OR NOT MOD   2 + - (binary and unary)   3 < = > >= <= <>
// AND and OR sit with multiplication, so comparisons joined by them need their own parentheses.
// IF(c, a, b), COPY(s, start, count) and every other name(...) are worked out while translating.
#include "report/rpGlobals.h"

#include <QString>
#include <QVariant>
#include <functional>

// Control characters that stand for operators in the postfix text.
namespace rpop {
constexpr char16_t GreaterEq = 1;
constexpr char16_t LessEq = 2;
constexpr char16_t NotEq = 3;
constexpr char16_t Or = 4;
constexpr char16_t And = 5;
constexpr char16_t Int = 6;
constexpr char16_t Frac = 7;
constexpr char16_t Neg = 9;
constexpr char16_t Plus = 10;
constexpr char16_t Str = 11;
constexpr char16_t Not = 12;
constexpr char16_t Mod = 13;
constexpr char16_t Round = 14;
} // namespace rpop

class TrpParser : public TrpParserBase {
public:
    using TGetValueEvent = std::function<void(const QString& name, QVariant& value)>;
    using TFunctionEvent =
        std::function<void(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3, QString& value)>;

    TGetValueEvent OnGetValue;
    TFunctionEvent OnFunction;

    QVariant Calc(const QString& expression) override;
    QString Str2OPZ(const QString& expression);
    QVariant CalcOPZ(const QString& postfix);

    // Scanning helpers: pos is a 0-based index that they advance past what they read.
    // A name: up to a blank or one of ( ) * + - / < = > outside double quotes.
    static QString GetIdentify(const QString& s, int& pos);
    // The quoted literal starting at pos ("''" inside is one quote), without its quotes.
    static QString GetString(const QString& s, int& pos);
    // pos at "(": up to three comma-separated parameter texts (commas at bracket depth 1 outside
    // quotes), trimmed; pos ends after the matching ")".
    static void Get3Parameters(const QString& s, int& pos, QString& p1, QString& p2, QString& p3);

private:
    // Calculations in progress inside each other; beyond rplimits::ExpressionDepth the expression is
    // refused instead of overflowing the stack.
    int depth_ = 0;

};

// pos at "[": the text up to the matching "]" (nested brackets counted, brackets inside quotes
// ignored), without the outer brackets; pos ends after the "]".
QString GetBrackedVariable(const QString& s, int& pos);

// The engine's parser (rpParser points to it once the building has set itself up).
TrpParser& rpTheParser();

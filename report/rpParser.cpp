#include "report/rpParser.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/FormatFloat.h"
#include "platform/rtl/ScopeGuard.h"
#include "report/rpFormat.h"

#include <QDate>
#include <QTime>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= ' ';
}

bool isOperatorChar(QChar c)
{
    switch (c.unicode()) {
    case '*': case '+': case '-': case '/': case '<': case '=': case '>':
        return true;
    default:
        return false;
    }
}

bool endsName(QChar c)
{
    return isBlank(c) || c == u'(' || c == u')' || isOperatorChar(c);
}

int level(char16_t op)
{
    switch (op) {
    case rpop::Int: case rpop::Frac: case rpop::Str: case rpop::Round:
        return 0;
    case u'*': case u'/': case rpop::And: case rpop::Or: case rpop::Not: case rpop::Mod:
        return 1;
    case u'+': case u'-': case rpop::Neg: case rpop::Plus:
        return 2;
    case u'<': case u'=': case u'>': case rpop::GreaterEq: case rpop::LessEq: case rpop::NotEq:
        return 3;
    case u')':
        return 4;
    default: // "("
        return 5;
    }
}

bool isPrefix(char16_t op)
{
    switch (op) {
    case rpop::Neg: case rpop::Plus: case rpop::Not: case rpop::Int: case rpop::Frac: case rpop::Str: case rpop::Round:
        return true;
    default:
        return false;
    }
}

// Word operators; 0 for any other name.
char16_t wordOperator(const QString& upper)
{
    static const struct {
        const char* word;
        char16_t op;
    } words[] = {{"INT", rpop::Int}, {"FRAC", rpop::Frac}, {"ROUND", rpop::Round}, {"OR", rpop::Or},
                 {"AND", rpop::And}, {"NOT", rpop::Not},   {"STR", rpop::Str},     {"MOD", rpop::Mod}};
    for (const auto& w : words)
        if (upper == QLatin1String(w.word))
            return w.op;
    return 0;
}

QString quoted(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

// ---- values: the arithmetic of the run time's variants, on QVariant ----------------------------------

enum class Kind { Empty, Int, Float, Str, Date };

Kind kindOf(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return Kind::Empty;
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::ULong:
        return Kind::Int;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Float;
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
        return Kind::Date;
    default:
        return Kind::Str;
    }
}

qlonglong asInt(const QVariant& v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? -1 : 0; // the platform's true
    return v.toLongLong();
}

// A numeric operand: integers stay integers, everything else becomes a double (texts in the settings'
// form; a text that is no number raises the conversion error).
struct Num {
    bool isInt;
    qlonglong i;
    double d;
    double value() const { return isInt ? double(i) : d; }
};

Num toNum(const QVariant& v)
{
    switch (kindOf(v)) {
    case Kind::Empty:
        return {true, 0, 0};
    case Kind::Int:
        return {true, asInt(v), 0};
    case Kind::Str:
        return {false, 0, rpVarToFloat(v.toString())};
    default:
        return {false, 0, rpVarToFloat(v)};
    }
}

QVariant arith(char16_t op, const QVariant& a, const QVariant& b)
{
    const Num x = toNum(a);
    const Num y = toNum(b);
    if (x.isInt && y.isInt) {
        qlonglong r = 0;
        bool overflow = false;
        switch (op) {
        case u'+': overflow = __builtin_add_overflow(x.i, y.i, &r); break;
        case u'-': overflow = __builtin_sub_overflow(x.i, y.i, &r); break;
        default: overflow = __builtin_mul_overflow(x.i, y.i, &r); break;
        }
        if (!overflow)
            return r;
    }
    switch (op) {
    case u'+': return x.value() + y.value();
    case u'-': return x.value() - y.value();
    default: return x.value() * y.value();
    }
}

QVariant add(const QVariant& a, const QVariant& b)
{
    const Kind ka = kindOf(a), kb = kindOf(b);
    if (ka == Kind::Empty)
        return b;
    if (kb == Kind::Empty)
        return a;
    if (ka == Kind::Str && kb == Kind::Str)
        return a.toString() + b.toString();
    return arith(u'+', a, b);
}

QVariant divide(const QVariant& a, const QVariant& b)
{
    const double divisor = toNum(b).value();
    if (divisor == 0)
        return qlonglong(0);
    return toNum(a).value() / divisor;
}

qlonglong roundHalfEven(double v)
{
    const double r = std::nearbyint(v); // the default rounding mode: halves to the even neighbour
    if (!(r >= double(std::numeric_limits<qlonglong>::min()) && r < double(std::numeric_limits<qlonglong>::max())))
        throw ErpError(QStringLiteral("Invalid variant operation"));
    return qlonglong(r);
}

QVariant modulo(const QVariant& a, const QVariant& b)
{
    const Num x = toNum(a), y = toNum(b);
    const qlonglong i = x.isInt ? x.i : roundHalfEven(x.d);
    const qlonglong j = y.isInt ? y.i : roundHalfEven(y.d);
    if (j == 0)
        throw ErpError(QStringLiteral("Division by zero"));
    if (j == -1)
        return qlonglong(0);
    return i % j;
}

int compare(const QVariant& a, const QVariant& b)
{
    const Kind ka = kindOf(a), kb = kindOf(b);
    if (ka == Kind::Empty && kb == Kind::Empty)
        return 0;
    if ((ka == Kind::Str || ka == Kind::Empty) && (kb == Kind::Str || kb == Kind::Empty)) {
        const int c = QString::compare(a.toString(), b.toString(), Qt::CaseSensitive);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    const Num x = toNum(a), y = toNum(b);
    if (x.isInt && y.isInt)
        return x.i < y.i ? -1 : x.i > y.i ? 1 : 0;
    const double p = x.value(), q = y.value();
    return p < q ? -1 : p > q ? 1 : 0;
}

QVariant negate(const QVariant& v)
{
    const Num n = toNum(v);
    if (n.isInt && n.i != std::numeric_limits<qlonglong>::min())
        return -n.i;
    return -n.value();
}

// A number written in an expression: "," and "." both stand for the decimal point.
QVariant number(const QString& text)
{
    QByteArray bytes = text.toLatin1();
    for (char& c : bytes)
        if (c == ',')
            c = '.';
    double v = 0;
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    const auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last || bytes.size() != text.size())
        throw rtl::EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text).toStdString());
    return v;
}

QVariant castLiteral(char16_t cast, const QString& text)
{
    if (cast == u'D') {
        int y = 0, m = 0, d = 0;
        rtl::DecodeDate(rtl::StrToDate(text), y, m, d);
        return QDate(y, m, d);
    }
    int h = 0, n = 0, s = 0, ms = 0;
    rtl::DecodeTime(rtl::StrToTime(text), h, n, s, ms);
    return QTime(h, n, s, ms);
}

QString substring(const QString& s, qlonglong start, qlonglong count)
{
    if (start < 1)
        start = 1;
    if (count <= 0 || start > s.size())
        return QString();
    return s.mid(qsizetype(start - 1), qsizetype(std::min<qlonglong>(count, s.size() - start + 1)));
}

qlonglong toInteger(const QVariant& v)
{
    const Num n = toNum(v);
    return n.isInt ? n.i : roundHalfEven(n.d);
}

[[noreturn]] void syntaxError()
{
    throw ErpError(QStringLiteral("Invalid expression"));
}

} // namespace

// ---- scanning -----------------------------------------------------------------------------------------

QString TrpParser::GetIdentify(const QString& s, int& pos)
{
    const int start = pos;
    bool inQuotes = false;
    while (pos < s.size()) {
        const QChar c = s[pos];
        if (c == u'"')
            inQuotes = !inQuotes;
        else if (!inQuotes && endsName(c))
            break;
        ++pos;
    }
    return s.mid(start, pos - start);
}

QString TrpParser::GetString(const QString& s, int& pos)
{
    QString text;
    ++pos; // the opening quote
    while (pos < s.size()) {
        if (s[pos] == u'\'') {
            if (pos + 1 < s.size() && s[pos + 1] == u'\'') {
                text += QLatin1Char('\'');
                pos += 2;
                continue;
            }
            ++pos;
            return text;
        }
        text += s[pos++];
    }
    return text; // unterminated: the rest of the text
}

namespace {

// Quoted text is passed over whole: brackets and commas inside quotes never count.
struct QuoteSkipper {
    QChar quote;
    // Whether c belongs to quoted text, its own quotes included.
    bool Inside(QChar c)
    {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            return true;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            return true;
        }
        return false;
    }
};

} // namespace

QString GetBrackedVariable(const QString& s, int& pos)
{
    const int start = ++pos; // after "["
    int depth = 1;
    QuoteSkipper quotes;
    while (pos < s.size()) {
        const QChar c = s[pos];
        if (quotes.Inside(c)) {
        } else if (c == u'[') {
            ++depth;
        } else if (c == u']') {
            if (--depth == 0)
                return s.mid(start, pos++ - start);
        }
        ++pos;
    }
    return s.mid(start);
}

void TrpParser::Get3Parameters(const QString& s, int& pos, QString& p1, QString& p2, QString& p3)
{
    QString* params[3] = {&p1, &p2, &p3};
    for (QString* p : params)
        p->clear();
    int n = 0;
    int depth = 0;
    QuoteSkipper quotes;
    int start = pos + 1;
    auto take = [&](int end) {
        if (n < 3)
            *params[n] = s.mid(start, end - start).trimmed();
        ++n;
        start = end + 1;
    };
    while (pos < s.size()) {
        const QChar c = s[pos];
        if (quotes.Inside(c)) {
        } else if (c == u'(' || c == u'[') {
            ++depth;
        } else if (c == u')' || c == u']') {
            if (--depth == 0) {
                take(pos);
                ++pos;
                return;
            }
        } else if (c == u',' && depth == 1) {
            take(pos);
        }
        ++pos;
    }
    take(pos); // no closing bracket: the call runs to the end of the text
}

// ---- translation --------------------------------------------------------------------------------------

QString TrpParser::Str2OPZ(const QString& expression)
{
    QString s = expression;
    QString out;
    std::vector<char16_t> stack; // back() is the top
    bool expectOperand = true;
    int replacements = 0;

    auto pushOperator = [&](char16_t op) {
        // A prefix operator has nothing to its left to bind, so it never moves pending operators out:
        // "2 * -3" keeps "*" waiting for its second operand.
        if (!isPrefix(op))
            while (!stack.empty() && level(op) >= level(stack.back())) {
                out += QChar(stack.back());
                stack.pop_back();
            }
        stack.push_back(op);
        expectOperand = true;
    };

    int i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (isBlank(c)) {
            ++i;
        } else if (c == u';') {
            break;
        } else if (c == u'(') {
            stack.push_back(u'(');
            expectOperand = true;
            ++i;
        } else if (c == u')') {
            while (!stack.empty() && stack.back() != u'(') {
                out += QChar(stack.back());
                stack.pop_back();
            }
            if (!stack.empty())
                stack.pop_back();
            expectOperand = false;
            ++i;
        } else if (isOperatorChar(c)) {
            char16_t op = c.unicode();
            ++i;
            const QChar next = i < s.size() ? s[i] : QChar();
            if (c == u'>' && next == u'=') {
                op = rpop::GreaterEq;
                ++i;
            } else if (c == u'<' && next == u'=') {
                op = rpop::LessEq;
                ++i;
            } else if (c == u'<' && next == u'>') {
                op = rpop::NotEq;
                ++i;
            } else if (expectOperand && c == u'-') {
                op = rpop::Neg;
            } else if (expectOperand && c == u'+') {
                op = rpop::Plus;
            }
            pushOperator(op);
        } else if (c == u'%') {
            out += s.mid(i, 2);
            i += 2;
        } else if (c == u'\'') {
            // Written back closed, with a blank that keeps two literals in a row from reading as one.
            out += quoted(GetString(s, i)) + QLatin1Char(' ');
            expectOperand = false;
        } else if (c == u'[') {
            const int start = i;
            GetBrackedVariable(s, i);
            out += s.mid(start, i - start);
            expectOperand = false;
        } else {
            const int start = i;
            const QString name = GetIdentify(s, i);
            const QString upper = name.toUpper();
            if (const char16_t op = wordOperator(upper)) {
                pushOperator(op);
            } else if (i < s.size() && s[i] == u'(') {
                // A call is worked out now and its text replaced by "(" + result + ")"; scanning goes on
                // at the replacement, which may hold further calls.
                if (++replacements > rplimits::CallReplacements)
                    throw ErpError(QStringLiteral("Invalid expression"));
                int end = i;
                QString p1, p2, p3;
                Get3Parameters(s, end, p1, p2, p3);
                QString replacement;
                if (upper == QLatin1String("IF")) {
                    const QString condition = rpVarToStr(Calc(p1));
                    replacement = std::trunc(rtl::StrToFloat(condition)) > 0 ? p2 : p3;
                } else if (upper == QLatin1String("COPY")) {
                    const QString text = rpVarToStr(Calc(p1));
                    replacement = quoted(substring(text, toInteger(Calc(p2)), toInteger(Calc(p3))));
                } else if (OnFunction) {
                    OnFunction(upper, p1, p2, p3, replacement);
                }
                s = s.left(start) + QLatin1Char('(') + replacement + QLatin1Char(')') + s.mid(end);
                i = start;
            } else {
                out += name + QLatin1Char(' ');
                expectOperand = false;
            }
        }
    }
    while (!stack.empty()) {
        if (stack.back() != u'(')
            out += QChar(stack.back());
        stack.pop_back();
    }
    return out;
}

// ---- evaluation ---------------------------------------------------------------------------------------

QVariant TrpParser::CalcOPZ(const QString& p)
{
    std::vector<QVariant> stack;
    stack.reserve(rplimits::OperandStack);
    char16_t cast = 0;

    auto push = [&](QVariant v) {
        if (int(stack.size()) >= rplimits::OperandStack)
            throw ErpError(QStringLiteral("Expression too complex"));
        stack.push_back(std::move(v));
    };
    auto pop = [&]() {
        if (stack.empty())
            syntaxError();
        QVariant v = std::move(stack.back());
        stack.pop_back();
        return v;
    };
    auto value = [&](const QString& name) {
        QVariant v;
        if (OnGetValue)
            OnGetValue(name, v);
        return v;
    };

    int i = 0;
    while (i < p.size()) {
        const QChar c = p[i];
        const char16_t op = c.unicode();
        if (c == u' ') {
            ++i;
        } else if (c == u'\'') {
            const QString text = GetString(p, i);
            push(cast ? castLiteral(cast, text) : QVariant(text));
            cast = 0;
        } else if (c == u'[') {
            push(value(GetBrackedVariable(p, i)));
        } else if (c == u'%') {
            cast = i + 1 < p.size() ? p[i + 1].toUpper().unicode() : 0;
            if (cast != u'D' && cast != u'T')
                cast = 0;
            i += 2;
        } else if (op == rpop::Plus) {
            ++i;
        } else if (op == rpop::Neg || op == rpop::Not || op == rpop::Int || op == rpop::Frac || op == rpop::Str ||
                   op == rpop::Round) {
            ++i;
            const QVariant a = pop();
            switch (op) {
            case rpop::Neg: push(negate(a)); break;
            case rpop::Not: push(qlonglong(compare(a, qlonglong(0)) == 0 ? 1 : 0)); break;
            case rpop::Int: push(std::trunc(toNum(a).value())); break;
            case rpop::Frac: {
                const double v = toNum(a).value();
                push(v - std::trunc(v));
                break;
            }
            case rpop::Round: push(roundHalfEven(toNum(a).value())); break;
            default: push(rpVarToStr(a)); break;
            }
        } else if (isOperatorChar(c) || (op >= rpop::GreaterEq && op <= rpop::And) || op == rpop::Mod) {
            ++i;
            const QVariant b = pop();
            const QVariant a = pop();
            switch (op) {
            case u'+': case rpop::Or: push(add(a, b)); break;
            case u'-': push(arith(u'-', a, b)); break;
            case u'*': case rpop::And: push(arith(u'*', a, b)); break;
            case u'/': push(divide(a, b)); break;
            case rpop::Mod: push(modulo(a, b)); break;
            case u'<': push(qlonglong(compare(a, b) < 0)); break;
            case u'=': push(qlonglong(compare(a, b) == 0)); break;
            case u'>': push(qlonglong(compare(a, b) > 0)); break;
            case rpop::GreaterEq: push(qlonglong(compare(a, b) >= 0)); break;
            case rpop::LessEq: push(qlonglong(compare(a, b) <= 0)); break;
            default: push(qlonglong(compare(a, b) != 0)); break;
            }
        } else {
            // A name runs to the blank the translation put after it (blanks inside double quotes belong
            // to it: Query."Last Name").
            const int start = i;
            bool inQuotes = false;
            while (i < p.size() && (inQuotes || p[i] != u' ')) {
                if (p[i] == u'"')
                    inQuotes = !inQuotes;
                ++i;
            }
            const QString name = p.mid(start, i - start);
            if ((op >= u'0' && op <= u'9') || c == u',' || c == u'.')
                push(number(name));
            else
                push(value(name.toUpper()));
        }
    }
    return stack.empty() ? QVariant() : stack.front();
}

QVariant TrpParser::Calc(const QString& expression)
{
    if (depth_ >= rplimits::ExpressionDepth)
        throw ErpError(QStringLiteral("Expression too complex"));
    ++depth_;
    const rtl::TScopeGuard level([this] { --depth_; });
    return CalcOPZ(Str2OPZ(expression));
}

TrpParser& rpTheParser()
{
    static TrpParser parser;
    if (!rpParser)
        rpParser = &parser;
    return parser;
}

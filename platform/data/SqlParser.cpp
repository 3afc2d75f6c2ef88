#include "platform/data/SqlParser.h"

#include "platform/data/DataLimits.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/SqlLexer.h"
#include "platform/rtl/SameText.h"

#include <QHash>
#include <mutex>

namespace sql {
namespace {

class Parser {
public:
    explicit Parser(const QString& text) : text_(text), tokens_(tokenize(text)) {}
    Parser(const QString& text, std::vector<Token> tokens) : text_(text), tokens_(std::move(tokens)) {}

    Statement statement()
    {
        Statement st;
        st.text = text_;
        if (acceptWord("SELECT"))
            select(st);
        else if (acceptWord("INSERT"))
            insert(st);
        else if (acceptWord("UPDATE"))
            update(st);
        else if (acceptWord("DELETE"))
            remove(st);
        else if (acceptWord("CREATE"))
            create(st);
        else
            fail(QStringLiteral("only SELECT, INSERT, UPDATE, DELETE and CREATE TABLE are supported"));
        acceptSymbol(";");
        if (peek().kind != Token::Kind::End)
            fail(QStringLiteral("unexpected '%1'").arg(peek().text));
        return st;
    }

private:
    const Token& peek(int ahead = 0) const { return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)]; }
    const Token& next() { return tokens_[std::min(pos_++, tokens_.size() - 1)]; }

    bool isWord(const char* w, int ahead = 0) const
    {
        const Token& t = peek(ahead);
        return t.kind == Token::Kind::Word && rtl::SameText(t.text, QLatin1String(w));
    }
    bool acceptWord(const char* w)
    {
        if (!isWord(w))
            return false;
        ++pos_;
        return true;
    }
    void expectWord(const char* w)
    {
        if (!acceptWord(w))
            fail(QStringLiteral("%1 expected").arg(QLatin1String(w)));
    }
    bool isSymbol(const char* s, int ahead = 0) const
    {
        const Token& t = peek(ahead);
        return t.kind == Token::Kind::Symbol && t.text == QLatin1String(s);
    }
    bool acceptSymbol(const char* s)
    {
        if (!isSymbol(s))
            return false;
        ++pos_;
        return true;
    }
    void expectSymbol(const char* s)
    {
        if (!acceptSymbol(s))
            fail(QStringLiteral("'%1' expected").arg(QLatin1String(s)));
    }

    QString name(const char* what)
    {
        static const QLatin1String reserved[] = {
            QLatin1String("SELECT"), QLatin1String("FROM"),   QLatin1String("WHERE"),  QLatin1String("AND"),
            QLatin1String("OR"),     QLatin1String("NOT"),    QLatin1String("ORDER"),  QLatin1String("BY"),
            QLatin1String("INSERT"), QLatin1String("INTO"),   QLatin1String("VALUES"), QLatin1String("UPDATE"),
            QLatin1String("SET"),    QLatin1String("DELETE"), QLatin1String("CREATE"), QLatin1String("TABLE"),
            QLatin1String("LIKE"),   QLatin1String("DISTINCT"), QLatin1String("AS"),   QLatin1String("NULL"),
            QLatin1String("IS"),     QLatin1String("IN"),     QLatin1String("BETWEEN"), QLatin1String("JOIN"),
            QLatin1String("GROUP")};
        const Token& t = peek();
        if (t.kind != Token::Kind::Word)
            fail(QStringLiteral("%1 expected").arg(QLatin1String(what)));
        for (const QLatin1String r : reserved)
            if (rtl::SameText(t.text, r))
                fail(QStringLiteral("%1 expected, not the word %2").arg(QLatin1String(what), t.text));
        ++pos_;
        return t.text;
    }

    Operand operand()
    {
        Operand o;
        const Token& t = peek();
        if (t.kind == Token::Kind::Param) {
            o.isParam = true;
            o.param = next().text;
        } else if (t.kind == Token::Kind::Text) {
            o.literal = next().text;
        } else if (isWord("NULL")) {
            ++pos_;
        } else if (t.kind == Token::Kind::Number || ((isSymbol("-") || isSymbol("+")) && peek(1).kind == Token::Kind::Number)) {
            const bool negative = acceptSymbol("-");
            acceptSymbol("+");
            const QString digits = next().text;
            if (digits.contains(QLatin1Char('.'))) {
                const double d = digits.toDouble();  // digits and one '.': QString parsing is locale-free
                o.literal = negative ? -d : d;
            } else {
                bool ok = false;
                const qlonglong v = digits.toLongLong(&ok);
                if (!ok)
                    fail(QStringLiteral("the number %1 is too large").arg(digits));
                o.literal = QVariant::fromValue<qlonglong>(negative ? -v : v);
            }
        } else {
            fail(QStringLiteral("a value or a :parameter expected"));
        }
        return o;
    }

    void conjunction(std::vector<Condition>& out, int depth = 0)
    {
        for (;;) {
            if (acceptSymbol("(")) {
                if (depth >= kMaxNesting)
                    fail(QStringLiteral("parentheses nested deeper than %1").arg(kMaxNesting));
                conjunction(out, depth + 1);
                expectSymbol(")");
            } else {
                out.push_back(comparison());
            }
            if (isWord("OR"))
                fail(QStringLiteral("OR is not supported"));
            if (!acceptWord("AND"))
                return;
        }
    }

    Condition comparison()
    {
        Condition c;
        c.column = name("a column name");
        if (acceptWord("LIKE")) {
            c.op = Condition::Op::Like;
        } else {
            const Token& t = peek();
            static const std::pair<const char*, Condition::Op> ops[] = {
                {"=", Condition::Op::Eq}, {"<>", Condition::Op::Ne}, {"<", Condition::Op::Lt},
                {"<=", Condition::Op::Le}, {">", Condition::Op::Gt}, {">=", Condition::Op::Ge}};
            bool found = false;
            for (const auto& [sym, op] : ops)
                if (t.kind == Token::Kind::Symbol && t.text == QLatin1String(sym)) {
                    c.op = op;
                    found = true;
                }
            if (!found)
                fail(QStringLiteral("a comparison (=, <>, <, <=, >, >=, LIKE) expected"));
            ++pos_;
        }
        c.value = operand();
        return c;
    }

    void select(Statement& st)
    {
        st.kind = Statement::Kind::Select;
        st.distinct = acceptWord("DISTINCT");
        if (acceptSymbol("*")) {
            st.items.push_back({});
        } else {
            do {
                st.items.push_back(selectItem());
            } while (acceptSymbol(","));
        }
        expectWord("FROM");
        st.table = name("a table name");
        if (acceptWord("WHERE"))
            conjunction(st.where);
        if (acceptWord("ORDER")) {
            expectWord("BY");
            do {
                OrderItem o;
                o.column = name("a column name");
                if (acceptWord("DESC"))
                    o.descending = true;
                else
                    acceptWord("ASC");
                st.orderBy.push_back(o);
            } while (acceptSymbol(","));
        }
    }

    SelectItem selectItem()
    {
        SelectItem item;
        static const std::pair<const char*, SelectItem::Kind> aggregates[] = {
            {"MAX", SelectItem::Kind::Max}, {"MIN", SelectItem::Kind::Min}, {"COUNT", SelectItem::Kind::Count}};
        bool aggregate = false;
        for (const auto& [fn, kind] : aggregates)
            if (isWord(fn) && isSymbol("(", 1)) {
                pos_ += 2;
                item.kind = kind;
                aggregate = true;
            }
        if (aggregate) {
            if (acceptSymbol("*")) {
                if (item.kind != SelectItem::Kind::Count)
                    fail(QStringLiteral("only COUNT takes *"));
                item.kind = SelectItem::Kind::CountStar;
            } else {
                item.column = name("a column name");
            }
            expectSymbol(")");
        } else {
            item.kind = SelectItem::Kind::Column;
            item.column = name("a column name");
        }
        if (acceptWord("AS"))
            item.alias = name("an alias");
        return item;
    }

    void insert(Statement& st)
    {
        st.kind = Statement::Kind::Insert;
        expectWord("INTO");
        st.table = name("a table name");
        expectSymbol("(");
        do {
            st.insertColumns.push_back(name("a column name"));
        } while (acceptSymbol(","));
        expectSymbol(")");
        expectWord("VALUES");
        expectSymbol("(");
        do {
            st.insertValues.push_back(operand());
        } while (acceptSymbol(","));
        expectSymbol(")");
        if (st.insertColumns.size() != st.insertValues.size())
            fail(QStringLiteral("%1 columns but %2 values").arg(st.insertColumns.size()).arg(st.insertValues.size()));
    }

    void update(Statement& st)
    {
        st.kind = Statement::Kind::Update;
        st.table = name("a table name");
        expectWord("SET");
        do {
            const QString column = name("a column name");
            expectSymbol("=");
            st.assignments.emplace_back(column, operand());
        } while (acceptSymbol(","));
        if (acceptWord("WHERE"))
            conjunction(st.where);
    }

    void remove(Statement& st)
    {
        st.kind = Statement::Kind::Delete;
        expectWord("FROM");
        st.table = name("a table name");
        if (acceptWord("WHERE"))
            conjunction(st.where);
    }

    void create(Statement& st)
    {
        st.kind = Statement::Kind::CreateTable;
        expectWord("TABLE");
        st.table = name("a table name");
        expectSymbol("(");
        do {
            ColumnDef d;
            d.name = name("a column name");
            d.type = name("a column type").toUpper();
            if (acceptSymbol("(")) {
                if (peek().kind != Token::Kind::Number)
                    fail(QStringLiteral("a width expected"));
                d.length = next().text.toInt();
                expectSymbol(")");
            }
            st.definitions.push_back(d);
        } while (acceptSymbol(","));
        expectSymbol(")");
    }

    [[noreturn]] void fail(const QString& why) const
    {
        throw EDatabaseError(QStringLiteral("Syntax error in SQL statement at position %1 (%2): %3")
                                 .arg(peek().position + 1)
                                 .arg(why, text_));
    }

    QString text_;
    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
};

} // namespace

Statement parse(const QString& statement)
{
    return Parser(statement).statement();
}

std::shared_ptr<const ParsedText> parseKept(const QString& text)
{
    static std::mutex lock;
    static QHash<QString, std::shared_ptr<const ParsedText>> kept;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (auto it = kept.constFind(text); it != kept.cend())
            return *it;
    }
    auto parsed = std::make_shared<ParsedText>();
    try {
        std::vector<Token> tokens = tokenize(text);
        parsed->parameters = parameterNames(tokens);
        parsed->statement = Parser(text, std::move(tokens)).statement();
    } catch (...) {
        // Raised when the statement runs.
        parsed->error = std::current_exception();
    }
    std::lock_guard<std::mutex> guard(lock);
    // Texts with values pasted in (a search by date) come once each: the kept ones are let go now and then.
    if (kept.size() >= 64)
        kept.clear();
    kept.insert(text, parsed);
    return parsed;
}

} // namespace sql

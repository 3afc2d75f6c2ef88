#include "report/rpInterpretator.h"

#include "platform/rtl/ScopeGuard.h"
#include "report/rpFormat.h"
#include "report/rpParser.h"

#include <QHash>
#include <cmath>

// ---- script variables ---------------------------------------------------------------------------------

int TrpVariables::IndexOf(const QString& name) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void TrpVariables::SetVariable(const QString& name, const QVariant& value)
{
    const int i = IndexOf(name);
    if (i >= 0)
        items_[size_t(i)].second = value;
    else
        items_.emplace_back(name, value);
}

QVariant TrpVariables::GetVariable(const QString& name) const
{
    const int i = IndexOf(name);
    return i >= 0 ? items_[size_t(i)].second : QVariant();
}

QVariant TrpVariables::GetValue(int index) const
{
    if (index < 0 || index >= GetCount())
        return 0;
    return items_[size_t(index)].second;
}

void TrpVariables::SetValue(int index, const QVariant& value)
{
    if (index >= 0 && index < GetCount())
        items_[size_t(index)].second = value;
}

QString TrpVariables::GetName(int index) const
{
    if (index < 0 || index >= GetCount())
        return QString();
    return items_[size_t(index)].first;
}

void TrpVariables::Delete(int index)
{
    if (index >= 0 && index < GetCount())
        items_.erase(items_.begin() + index);
}

bool TrpVariables::Find(const QString& name, QVariant& value) const
{
    const int i = IndexOf(name);
    if (i < 0)
        return false;
    value = items_[size_t(i)].second;
    return true;
}

TrpVariables& rpTheVariables()
{
    static TrpVariables variables;
    if (!rpVariables)
        rpVariables = &variables;
    return variables;
}

// ---- compiler -----------------------------------------------------------------------------------------

namespace {

const char16_t kJumpIfFalse = 1;
const char16_t kJump = 2;
const char16_t kCall = 3;

enum class Tok { End, Name, Number, String, Symbol };

struct Token {
    Tok kind = Tok::End;
    QString text; // symbols and names as written
    int pos = 0;  // index in the joined script
};

struct CompileError {
    int pos;
    QString message;
};

class Compiler {
public:
    Compiler(const QStringList& lines, QStringList& out) : out_(out)
    {
        for (const QString& line : lines) {
            lineStarts_.push_back(int(text_.size()));
            text_ += line;
            text_ += QLatin1Char('\n');
        }
        next();
    }

    void Program()
    {
        StatementList();
        if (tok_.kind != Tok::End)
            fail(QStringLiteral("Здесь требуется \";\" или \"end\""));
        for (const auto& [line, label] : gotos_) {
            // A goto to a label the script never sets leaves the script.
            const int target = labels_.value(label, int(out_.size()));
            out_[line] = TrpInterpretator::JumpLine(kJump, target);
        }
    }

    QString Position(int pos) const
    {
        int line = 0;
        while (line + 1 < int(lineStarts_.size()) && lineStarts_[size_t(line + 1)] <= pos)
            ++line;
        const int column = lineStarts_.empty() ? 0 : pos - lineStarts_[size_t(line)];
        return QStringLiteral("Строка %1/%2: ").arg(line + 1).arg(column);
    }

private:
    // ---- tokens ----
    static bool isNameStart(QChar c) { return c.isLetter() || c == u'_'; }
    static bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'.'; }
    static bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

    void skipBlanksAndComments()
    {
        for (;;) {
            while (pos_ < text_.size() && text_[pos_].unicode() <= ' ')
                ++pos_;
            if (pos_ + 1 < text_.size() && text_[pos_] == u'/' && text_[pos_ + 1] == u'/') {
                while (pos_ < text_.size() && text_[pos_] != u'\n')
                    ++pos_;
            } else if (pos_ < text_.size() && text_[pos_] == u'{') {
                while (pos_ < text_.size() && text_[pos_] != u'}')
                    ++pos_;
                if (pos_ < text_.size())
                    ++pos_;
            } else {
                return;
            }
        }
    }

    void next()
    {
        const int previousEnd = pos_;
        skipBlanksAndComments();
        tok_ = Token();
        tok_.pos = pos_;
        if (pos_ >= text_.size()) {
            tok_.pos = previousEnd; // errors at the end point just past the last word
            return;
        }
        const int start = pos_;
        const QChar c = text_[pos_];
        if (isNameStart(c)) {
            tok_.kind = Tok::Name;
            while (pos_ < text_.size()) {
                if (isNameChar(text_[pos_])) {
                    ++pos_;
                } else if (text_[pos_] == u'"' && text_[pos_ - 1] == u'.') {
                    // Data."Field name"
                    const int close = int(text_.indexOf(QLatin1Char('"'), pos_ + 1));
                    pos_ = close < 0 ? int(text_.size()) : close + 1;
                } else {
                    break;
                }
            }
        } else if (isDigit(c)) {
            tok_.kind = Tok::Number;
            while (pos_ < text_.size() && (isDigit(text_[pos_]) || text_[pos_] == u'.'))
                ++pos_;
        } else if (c == u'\'') {
            tok_.kind = Tok::String;
            ++pos_;
            while (pos_ < text_.size()) {
                if (text_[pos_] == u'\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\'') {
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                ++pos_;
            }
        } else {
            tok_.kind = Tok::Symbol;
            ++pos_;
            const QChar d = pos_ < text_.size() ? text_[pos_] : QChar();
            if ((c == u':' && d == u'=') || (c == u'<' && (d == u'=' || d == u'>')) || (c == u'>' && d == u'='))
                ++pos_;
        }
        tok_.text = text_.mid(start, pos_ - start);
    }

    bool isSymbol(const char* s) const { return tok_.kind == Tok::Symbol && tok_.text == QLatin1String(s); }
    bool isKeyword(const char* k) const
    {
        return tok_.kind == Tok::Name && tok_.text.compare(QLatin1String(k), Qt::CaseInsensitive) == 0;
    }
    bool isKeyword() const
    {
        static const char* const keywords[] = {"BEGIN", "END",    "IF",    "THEN", "ELSE",
                                               "WHILE", "DO",     "REPEAT", "UNTIL", "GOTO"};
        for (const char* k : keywords)
            if (isKeyword(k))
                return true;
        return false;
    }
    // Where a statement may end.
    bool atStatementEnd() const
    {
        return tok_.kind == Tok::End || isSymbol(";") || isKeyword("END") || isKeyword("ELSE") || isKeyword("UNTIL");
    }

    [[noreturn]] void fail(const QString& message) { throw CompileError{tok_.pos, message}; }

    // ---- output ----
    int put(const QString& line)
    {
        if (int(out_.size()) >= rplimits::ScriptLines)
            throw CompileError{tok_.pos, QStringLiteral("Script too long")};
        out_.append(line);
        return int(out_.size()) - 1;
    }
    void patch(int line, int target)
    {
        out_[line] = TrpInterpretator::JumpLine(out_[line][0].unicode(), target, out_[line].mid(3));
    }

    // ---- statements ----
    void StatementList()
    {
        Statement();
        while (isSymbol(";")) {
            next();
            Statement();
        }
    }

    void Statement()
    {
        if (tok_.kind == Tok::Number) {
            const QString label = tok_.text;
            next();
            if (!isSymbol(":"))
                fail(QStringLiteral("Здесь требуется \":=\""));
            next();
            if (!labels_.contains(label))
                labels_.insert(label, int(out_.size()));
            Statement();
            return;
        }
        if (atStatementEnd())
            return;
        if (isKeyword("BEGIN")) {
            next();
            StatementList();
            if (!isKeyword("END"))
                fail(QStringLiteral("Здесь требуется \";\" или \"end\""));
            next();
        } else if (isKeyword("IF")) {
            next();
            const QString condition = Expression();
            if (!isKeyword("THEN"))
                fail(QStringLiteral("Здесь требуется \"then\""));
            next();
            const int jump = put(TrpInterpretator::JumpLine(kJumpIfFalse, 0, condition));
            Statement();
            if (isKeyword("ELSE")) {
                next();
                const int skip = put(TrpInterpretator::JumpLine(kJump, 0));
                patch(jump, int(out_.size()));
                Statement();
                patch(skip, int(out_.size()));
            } else {
                patch(jump, int(out_.size()));
            }
        } else if (isKeyword("WHILE")) {
            next();
            const int test = int(out_.size());
            const QString condition = Expression();
            if (!isKeyword("DO"))
                fail(QStringLiteral("Здесь требуется \"do\""));
            next();
            const int jump = put(TrpInterpretator::JumpLine(kJumpIfFalse, 0, condition));
            Statement();
            put(TrpInterpretator::JumpLine(kJump, test));
            patch(jump, int(out_.size()));
        } else if (isKeyword("REPEAT")) {
            next();
            const int start = int(out_.size());
            StatementList();
            if (!isKeyword("UNTIL"))
                fail(QStringLiteral("Здесь требуется \";\" или \"until\""));
            next();
            put(TrpInterpretator::JumpLine(kJumpIfFalse, start, Expression()));
        } else if (isKeyword("GOTO")) {
            next();
            if (tok_.kind != Tok::Number)
                fail(QStringLiteral("Метка в goto должна быть числом"));
            gotos_.emplace_back(put(TrpInterpretator::JumpLine(kJump, 0)), tok_.text);
            next();
        } else if (tok_.kind == Tok::Name && !isKeyword()) {
            AssignmentOrCall();
        } else {
            fail(QStringLiteral("Здесь требуется \";\" или \"end\""));
        }
    }

    void AssignmentOrCall()
    {
        const QString name = tok_.text;
        next();
        if (isSymbol(":=")) {
            next();
            put(name + QLatin1Char(' ') + Expression());
        } else if (isSymbol("[")) {
            next();
            const QString index = Expression();
            if (!isSymbol("]"))
                fail(QStringLiteral("Здесь требуется \"]\""));
            next();
            if (!isSymbol(":="))
                fail(QStringLiteral("Здесь требуется \":=\""));
            next();
            const QString value = Expression();
            put(QChar(kCall) + QStringLiteral("SETARRAY(%1, %2, %3)").arg(name, index, value));
        } else if (isSymbol("(")) {
            put(QChar(kCall) + name + Parameters());
        } else if (atStatementEnd()) {
            put(QChar(kCall) + name + QStringLiteral("(0)"));
        } else {
            fail(QStringLiteral("Здесь требуется \":=\""));
        }
    }

    // ---- expressions: checked for shape and rebuilt as text for the parser ----
    QString Expression()
    {
        QString e;
        for (;;) {
            e += Operand();
            if (const QString op = BinaryOperator(); !op.isEmpty()) {
                e += QLatin1Char(' ') + op + QLatin1Char(' ');
                next();
            } else {
                return e;
            }
        }
    }

    QString BinaryOperator() const
    {
        static const char* const symbols[] = {"+", "-", "*", "/", "<", ">", "=", "<=", ">=", "<>"};
        for (const char* s : symbols)
            if (isSymbol(s))
                return tok_.text;
        if (isKeyword("AND") || isKeyword("OR") || isKeyword("MOD"))
            return tok_.text;
        return QString();
    }

    QString Operand()
    {
        QString e;
        // Prefix operators.
        while (isSymbol("-") || isSymbol("+") || isKeyword("NOT") || isKeyword("INT") || isKeyword("FRAC") ||
               isKeyword("STR") || isKeyword("ROUND")) {
            e += tok_.text + QLatin1Char(' ');
            next();
        }
        if (tok_.kind == Tok::Number || tok_.kind == Tok::String) {
            e += tok_.text;
            next();
        } else if (tok_.kind == Tok::Name && !isKeyword()) {
            e += tok_.text;
            next();
            if (isSymbol("("))
                e += Parameters();
        } else if (isSymbol("(")) {
            next();
            e += QLatin1Char('(') + Expression();
            if (!isSymbol(")"))
                fail(QStringLiteral("Здесь требуется \")\""));
            next();
            e += QLatin1Char(')');
        } else if (isSymbol("[")) {
            // A bracketed variable is handed over as written.
            int p = tok_.pos;
            const QString inner = GetBrackedVariable(text_, p);
            if (p > text_.size() || text_[p - 1] != u']') {
                tok_.pos = int(text_.size()) - 1;
                fail(QStringLiteral("Здесь требуется \"]\""));
            }
            pos_ = p;
            next();
            e += QLatin1Char('[') + inner + QLatin1Char(']');
        }
        return e;
    }

    // At "(": "(" p1, p2, ... ")".
    QString Parameters()
    {
        QString e = QStringLiteral("(");
        next();
        if (isSymbol(")")) {
            next();
            return e + QLatin1Char(')');
        }
        for (;;) {
            e += Expression();
            if (isSymbol(")")) {
                next();
                return e + QLatin1Char(')');
            }
            if (!isSymbol(","))
                fail(QStringLiteral("Здесь требуется \",\" или \")\""));
            e += QStringLiteral(", ");
            next();
        }
    }

    QStringList& out_;
    QString text_;
    std::vector<int> lineStarts_;
    int pos_ = 0;
    Token tok_;
    QHash<QString, int> labels_;
    std::vector<std::pair<int, QString>> gotos_;
};

// A condition is false when its value is 0 (comparisons give 1 or 0); an empty value is false too.
bool isFalse(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return true;
    if (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty())
        return true;
    return rpVarToFloat(v) == 0;
}

} // namespace

// ---- interpreter --------------------------------------------------------------------------------------

TrpInterpretator::TrpInterpretator(TrpParser* parser) : Parser(parser ? parser : &rpTheParser()) {}

void TrpInterpretator::GetValue(const QString&, QVariant&) {}
void TrpInterpretator::SetValue(const QString&, const QVariant&) {}
void TrpInterpretator::DoFunction(const QString&, const QVariant&, const QVariant&, const QVariant&, QString&) {}

void TrpInterpretator::OuterGetValue(const QString& name, QVariant& value)
{
    if (outerGetValue_)
        outerGetValue_(name, value);
}

void TrpInterpretator::OuterFunction(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                                     QString& value)
{
    if (outerFunction_)
        outerFunction_(name, p1, p2, p3, value);
}

QString TrpInterpretator::JumpLine(char16_t code, int target, const QString& condition)
{
    QString line;
    line += QChar(code);
    line += QChar(char16_t(target & 0xFF));
    line += QChar(char16_t((target >> 8) & 0xFF));
    return line + condition;
}

int TrpInterpretator::JumpTarget(const QString& line)
{
    if (line.size() < 3)
        return 0;
    return int(line[1].unicode() & 0xFF) | int(line[2].unicode() & 0xFF) << 8;
}

void TrpInterpretator::PrepareScript(const QStringList& memoFrom, QStringList& memoTo, QStringList& memoErr)
{
    memoTo.clear();
    Compiler compiler(memoFrom, memoTo);
    try {
        compiler.Program();
    } catch (const CompileError& e) {
        // A half-compiled list (jumps not yet patched) must never run.
        memoTo.clear();
        memoErr.append(compiler.Position(e.pos) + e.message);
    }
}

void TrpInterpretator::DoScript(const QStringList& memo)
{
    if (memo.isEmpty())
        return;
    // While scripts run the parser asks the interpreter; its own callbacks come back when the outermost
    // script ends, also when it ends by an error.
    if (running_++ == 0) {
        outerGetValue_ = Parser->OnGetValue;
        outerFunction_ = Parser->OnFunction;
        Parser->OnGetValue = [this](const QString& name, QVariant& value) { GetValue(name, value); };
        Parser->OnFunction = [this](const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                                    QString& value) { DoFunction(name, p1, p2, p3, value); };
    }
    const rtl::TScopeGuard hooksBack([this, parser = Parser] {
        if (--running_ > 0)
            return;
        parser->OnGetValue = std::move(outerGetValue_);
        parser->OnFunction = std::move(outerFunction_);
        outerGetValue_ = nullptr;
        outerFunction_ = nullptr;
    });
    int i = 0;
    while (i < memo.size()) {
        const QString& line = memo[i];
        const char16_t code = line.isEmpty() ? 0 : line[0].unicode();
        switch (code) {
        case kJumpIfFalse:
            i = isFalse(Parser->Calc(line.mid(3))) ? JumpTarget(line) : i + 1;
            break;
        case kJump:
            i = JumpTarget(line);
            break;
        case kCall:
            Parser->Calc(line.mid(1));
            ++i;
            break;
        default: {
            const int blank = int(line.indexOf(QLatin1Char(' ')));
            if (blank > 0)
                SetValue(line.left(blank), Parser->Calc(line.mid(blank + 1)));
            ++i;
            break;
        }
        }
    }
}

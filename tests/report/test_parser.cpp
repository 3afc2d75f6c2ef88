// Expression parser: precedence as the engine fixes it, calls worked out while translating, literals,
// numbers, division by zero, the resolvers it asks, and clean errors.
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpParser.h"

#include <gtest/gtest.h>
#include <QDate>
#include <QMap>
#include <QTime>

namespace {

class ParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        parser.OnGetValue = [this](const QString& name, QVariant& value) {
            asked << name;
            value = vars.value(name);
        };
    }
    void TearDown() override { rtl::setFormatSettings(rtl::TFormatSettings::russian()); }

    TrpParser parser;
    QMap<QString, QVariant> vars;
    QStringList asked;
};

bool isInteger(const QVariant& v)
{
    return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
}

struct ValueCase {
    const char* expression;
    QVariant expected;
};

TEST_F(ParserTest, EvaluatesTableOfExpressions)
{
    vars = {{"A", 1}, {"B", 5}, {"S", QStringLiteral("abc")}};
    const ValueCase cases[] = {
        {"1 + 2 * 3", 7.0},
        {"(1 + 2) * 3", 9.0},
        {"10 - 4 - 3", 3.0},             // equal levels group to the left
        {"12 / 2 / 3", 2.0},
        {"7 / 2", 3.5},
        {"-5 + 2", -3.0},                 // unary minus
        {"+4", 4.0},                      // a leading plus does nothing
        {"- -3", 3.0},
        {"2 * -3", -6.0},                 // a sign after a binary operator
        {"2 * -3 + 1", -5.0},
        {"-2 * 3", -6.0},
        {"2,5 * 2", 5.0},                 // a comma is a decimal point in a number
        {".5 + 1", 1.5},
        {"'it''s'", QStringLiteral("it's")},
        {"'ab' + 'cd'", QStringLiteral("abcd")},
        {"'10' + 1", 11.0},               // a text meets a number: the text is read as a number
        {"[S] + 'd'", QStringLiteral("abcd")},
        {"INT(7.9)", 7.0},
        {"INT(-7.9)", -7.0},
        {"FRAC(2.25)", 0.25},
        {"ROUND(2.5)", qlonglong(2)},     // halves to the even neighbour
        {"ROUND(3.5)", qlonglong(4)},
        {"INT 3.5 * 2", 6.0},             // INT binds tightest
        {"STR(2.5)", QStringLiteral("2,5")}, // the settings' decimal separator
        {"STR(1 + 1) + 'x'", QStringLiteral("2x")},
        {"", QVariant()},
        {"1 + 2 ; 5", 3.0},               // ";" ends the expression
        {"1 and not 0", 1.0},             // a NOT after a binary operator
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression);
        const QVariant v = parser.Calc(QString::fromUtf8(c.expression));
        if (c.expected.typeId() == QMetaType::Double) {
            ASSERT_EQ(v.typeId(), QMetaType::Double);
            EXPECT_DOUBLE_EQ(v.toDouble(), c.expected.toDouble());
        } else {
            EXPECT_EQ(v, c.expected);
        }
    }
}

TEST_F(ParserTest, LogicIsArithmeticWithIntegerResults)
{
    vars = {{"A", 1}, {"B", 5}};
    const struct {
        const char* expression;
        qlonglong expected;
    } cases[] = {
        {"10 / 0", 0},                  // division by zero gives the integer 0
        {"7 mod 3", 1},
        {"-7 mod 3", -1},
        {"7.6 mod 3", 2},               // operands rounded to integers first
        {"(1 = 1) or (2 = 2)", 2},      // OR adds
        {"(1 = 1) and (2 = 3)", 0},     // AND multiplies
        {"not 0", 1},
        {"not 5", 0},
        {"not 1 = 0", 1},               // (not 1) = 0
        {"1 >= 1", 1},
        {"1 <= 0", 0},
        {"1 <> 2", 1},
        {"'abc' < 'abd'", 1},
        {"'b' > 'a'", 1},
        {"'x' = 'x'", 1},
        {"[A] = 1", 1},
        // Comparisons bind loosest: a > 1 and b < 2 is a > (1 and b) < 2.
        {"a > 1 and b < 2", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression);
        const QVariant v = parser.Calc(QString::fromUtf8(c.expression));
        EXPECT_TRUE(isInteger(v)) << v.typeName();
        EXPECT_EQ(v.toLongLong(), c.expected);
    }
}

TEST_F(ParserTest, PostfixFormHasOneCharacterPerOperator)
{
    EXPECT_EQ(parser.Str2OPZ("1 + 2 * 3"), QStringLiteral("1 2 3 *+"));
    EXPECT_EQ(parser.Str2OPZ("a >= 'x'"), QStringLiteral("a 'x' ") + QChar(rpop::GreaterEq));
    EXPECT_EQ(parser.Str2OPZ("-[Sum]"), QStringLiteral("[Sum]") + QChar(rpop::Neg));
    EXPECT_EQ(parser.Str2OPZ("%D'01.02.2020'"), QStringLiteral("%D'01.02.2020' "));
}

TEST_F(ParserTest, IfAndCopyAreWorkedOutWhileTranslating)
{
    vars = {{"A", 1}, {"B", 2}};
    EXPECT_EQ(parser.Calc("IF(1 > 0, 'yes', 'no')"), QVariant(QStringLiteral("yes")));
    EXPECT_EQ(parser.Calc("IF(0, 1 + 1, 'no')"), QVariant(QStringLiteral("no")));
    EXPECT_DOUBLE_EQ(parser.Calc("IF(2 > 1, 2 * 3, 0) + 1").toDouble(), 7.0);
    EXPECT_EQ(parser.Calc("if(0.4, 'a', 'b')"), QVariant(QStringLiteral("b"))); // integer part above 0
    EXPECT_EQ(parser.Calc("COPY('abcdef', 2, 3)"), QVariant(QStringLiteral("bcd")));
    EXPECT_EQ(parser.Calc("COPY('abc' + 'def', 1 + 1, 2)"), QVariant(QStringLiteral("bc")));
    EXPECT_EQ(parser.Calc("COPY('abc', 3, 10)"), QVariant(QStringLiteral("c")));
    EXPECT_EQ(parser.Calc("COPY('it''s', 2, 2)"), QVariant(QStringLiteral("t'")));
    EXPECT_EQ(parser.Calc("IF(1, IF(0, 'a', 'b'), 'c')"), QVariant(QStringLiteral("b")));

    // The text of the chosen branch is substituted: the other one is never looked at.
    asked.clear();
    EXPECT_EQ(parser.Calc("IF(1, [A], [B])").toInt(), 1);
    EXPECT_EQ(asked, QStringList{"A"});
}

TEST_F(ParserTest, NamesGoToTheValueResolver)
{
    vars = {{"Price", 2}, {"PRICE", 3}, {"QUERY.\"LAST NAME\"", QStringLiteral("Иванов")},
            {"Sum('a]b')", 10}};
    EXPECT_EQ(parser.Calc("[Price] + price").toLongLong(), 5);
    EXPECT_EQ(asked, (QStringList{"Price", "PRICE"})); // bracketed as written, bare upper-cased
    EXPECT_EQ(parser.Calc("Query.\"Last Name\""), QVariant(QStringLiteral("Иванов")));
    EXPECT_EQ(parser.Calc("[Sum('a]b')] * 2").toLongLong(), 20); // "]" inside quotes does not end it
    EXPECT_EQ(parser.Calc("[[x]]"), QVariant());
    EXPECT_EQ(asked.last(), QStringLiteral("[x]"));
    EXPECT_EQ(parser.Calc("unknown"), QVariant()); // the resolver decides what unknown names give
}

TEST_F(ParserTest, FunctionsGoToTheFunctionResolverEachTimeTheyAreEvaluated)
{
    QStringList calls;
    parser.OnFunction = [&](const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                            QString& value) {
        calls << name + '|' + p1.toString() + '|' + p2.toString() + '|' + p3.toString();
        value = name == "UPPERCASE" ? "'X'" : "5";
    };
    EXPECT_DOUBLE_EQ(parser.Calc("SUM([Price], MasterData1) + 1").toDouble(), 6.0);
    EXPECT_EQ(parser.Calc("uppercase('x, y')"), QVariant(QStringLiteral("X")));
    EXPECT_DOUBLE_EQ(parser.Calc("F(COPY('a,b', 1, 1), (1, 2), [x #N0,00], 4)").toDouble(), 5.0);
    EXPECT_DOUBLE_EQ(parser.Calc("SUM([Price], MasterData1)").toDouble(), 5.0);
    EXPECT_EQ(calls, (QStringList{"SUM|[Price]|MasterData1|", "UPPERCASE|'x, y'||",
                                  "F|COPY('a,b', 1, 1)|(1, 2)|[x #N0,00]", "SUM|[Price]|MasterData1|"}));

    // Without a function resolver a call yields nothing.
    parser.OnFunction = nullptr;
    EXPECT_EQ(parser.Calc("F(1)"), QVariant());
}

TEST_F(ParserTest, DateAndTimeCastsReadTheSettingsForm)
{
    EXPECT_EQ(parser.Calc("%D'01.02.2020'"), QVariant(QDate(2020, 2, 1)));
    EXPECT_EQ(parser.Calc("%t'12:30:15'"), QVariant(QTime(12, 30, 15)));
    EXPECT_EQ(parser.Calc("%D'01.02.2020' < %D'02.02.2020'").toLongLong(), 1);
    EXPECT_THROW(parser.Calc("%D'2020-99-99'"), rtl::EConvertError);
}

TEST_F(ParserTest, BadExpressionsRaiseCleanErrors)
{
    EXPECT_THROW(parser.Calc("'abc' * 2"), rtl::EConvertError); // a text that is no number
    EXPECT_THROW(parser.Calc("1x + 1"), rtl::EConvertError);
    EXPECT_THROW(parser.Calc("7 mod 0"), ErpError);
    EXPECT_THROW(parser.Calc("1 +"), ErpError);   // an operator short of operands
    EXPECT_THROW(parser.Calc("* 2"), ErpError);
    // Eight pending operands are the limit; a ninth is refused rather than written past the stack.
    EXPECT_DOUBLE_EQ(parser.Calc("1+(2+(3+(4+(5+(6+(7+(8)))))))").toDouble(), 36.0);
    EXPECT_THROW(parser.Calc("1+(2+(3+(4+(5+(6+(7+(8+(9))))))))"), ErpError);
    // A function whose result calls itself again cannot translate for ever.
    parser.OnFunction = [](const QString&, const QVariant&, const QVariant&, const QVariant&, QString& value) {
        value = "F(1)";
    };
    EXPECT_THROW(parser.Calc("F(1)"), ErpError);
    // Calls nested inside conditions recurse in the translation: deep nesting is refused, not a stack
    // overflow (a template held IF( 14,000 deep); nesting a template really uses still works.
    auto nestedIf = [](int depth) {
        QString s = "1";
        for (int i = 0; i < depth; ++i)
            s = "IF(" + s + ", 1, 0)";
        return s;
    };
    EXPECT_EQ(parser.Calc(nestedIf(20)).toInt(), 1);
    EXPECT_THROW(parser.Calc(nestedIf(14000)), ErpError);
    EXPECT_EQ(parser.Calc("IF(1, 2, 3)").toInt(), 2); // the depth count is back at zero after the error
    // Unterminated texts end at the end of the expression.
    EXPECT_EQ(parser.Calc("'abc"), QVariant(QStringLiteral("abc")));
    EXPECT_EQ(parser.Calc("COPY('abc', 1, 2"), QVariant(QStringLiteral("ab")));
}

TEST_F(ParserTest, ScanningHelpersAdvanceThePosition)
{
    int pos = 0;
    EXPECT_EQ(TrpParser::GetIdentify("Query.\"a (b)\"+1", pos), QStringLiteral("Query.\"a (b)\""));
    EXPECT_EQ(pos, 13);
    pos = 2;
    EXPECT_EQ(TrpParser::GetString("x 'a''b' y", pos), QStringLiteral("a'b"));
    EXPECT_EQ(pos, 8);
    pos = 0;
    EXPECT_EQ(GetBrackedVariable("[a[b]'c]'] rest", pos), QStringLiteral("a[b]'c]'"));
    EXPECT_EQ(pos, 10);
    QString p1, p2, p3;
    pos = 1;
    TrpParser::Get3Parameters("f( a , 'b,c' , g(1,2), d) + 1", pos, p1, p2, p3);
    EXPECT_EQ(p1, "a");
    EXPECT_EQ(p2, "'b,c'");
    EXPECT_EQ(p3, "g(1,2)");
    EXPECT_EQ(pos, 25);
}

} // namespace

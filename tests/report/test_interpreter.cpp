// Script interpreter: the language's statements run as compiled, calls happen when the script runs,
// syntax errors carry their Russian texts with line and column, and the script variables list.
#include "platform/rtl/FormatSettings.h"
#include "report/rpInterpretator.h"
#include "report/rpParser.h"

#include <gtest/gtest.h>

namespace {

// Names live in a variables list; calls are logged and answer "0".
class TestInterpretator : public TrpInterpretator {
public:
    explicit TestInterpretator(TrpParser* parser) : TrpInterpretator(parser) {}
    void GetValue(const QString& name, QVariant& value) override { value = vars.GetVariable(name); }
    void SetValue(const QString& name, const QVariant& value) override
    {
        vars.SetVariable(name, value);
        assigned << name;
    }
    void DoFunction(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                    QString& value) override
    {
        calls << name + '(' + p1.toString() + '|' + p2.toString() + '|' + p3.toString() + ')';
        value = "0";
    }
    TrpVariables vars;
    QStringList assigned;
    QStringList calls;
};

class InterpreterTest : public ::testing::Test {
protected:
    void SetUp() override { rtl::setFormatSettings(rtl::TFormatSettings::russian()); }

    // Compiles and runs; the compile errors, if any.
    QStringList run(const QString& script)
    {
        QStringList compiled, errors;
        interp.PrepareScript(script.split('\n'), compiled, errors);
        if (errors.isEmpty())
            interp.DoScript(compiled);
        return errors;
    }
    double var(const char* name) { return interp.vars.GetVariable(name).toDouble(); }

    TrpParser parser;
    TestInterpretator interp{&parser};
};

TEST_F(InterpreterTest, RunsStatementsOfTheLanguage)
{
    const struct {
        const char* script;
        const char* name;
        double expected;
    } cases[] = {
        {"i := 0; s := 0; while i < 4 do begin i := i + 1; s := s + i end", "S", 10},
        {"a := 5; if a > 1 then b := 1 else b := 2", "B", 1},
        {"a := 0; if a > 1 then b := 1 else b := 2", "B", 2},
        {"a := 0; b := 7; if a > 1 then b := 1", "B", 7},
        {"i := 0; repeat i := i + 2 until i >= 6", "I", 6},
        {"n := 0;\n1: n := n + 1;\nif n < 3 then goto 1", "N", 3},
        {"n := 0; goto 5; n := 1; 5: m := 2", "N", 0},
        {"BEGIN x := 1; BEGIN x := x * 10 END; END", "X", 10},
        {"x := 1; // x := 2\n{ x := 3;\n x := 4 } y := x", "Y", 1},
        {"i := 0; c := 0; while i < 3 do begin i := i + 1; if i mod 2 = 0 then c := c + 10 else c := c + 1 end", "C", 12},
        {"s := 'a'; t := s + 'b''c'", "T", 0}, // checked below as text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        interp.vars.Clear();
        ASSERT_TRUE(run(QString::fromUtf8(c.script)).isEmpty());
        if (QByteArray(c.name) != "T") {
            EXPECT_DOUBLE_EQ(var(c.name), c.expected);
        }
    }
    EXPECT_EQ(interp.vars.GetVariable("t"), QVariant(QStringLiteral("ab'c")));
}

TEST_F(InterpreterTest, RunsExactlyTheBranchAndLoopBodiesThatApply)
{
    ASSERT_TRUE(run("a := 5; if a > 1 then b := 1 else c := 2").isEmpty());
    EXPECT_EQ(interp.assigned, (QStringList{"a", "b"}));

    interp.assigned.clear();
    ASSERT_TRUE(run("while 0 do x := 1; y := 2").isEmpty()); // false at the start: never runs
    EXPECT_EQ(interp.assigned, QStringList{"y"});

    QStringList compiled, errors;
    interp.PrepareScript(QStringList(), compiled, errors);
    EXPECT_TRUE(compiled.isEmpty());
    EXPECT_TRUE(errors.isEmpty());
    interp.PrepareScript(QStringList{"", "  // nothing", "{ }"}, compiled, errors);
    EXPECT_TRUE(compiled.isEmpty());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(InterpreterTest, CompiledLinesKeepTheirLayout)
{
    QStringList compiled, errors;
    interp.PrepareScript(QStringList{"if a > 1 then NewPage else b := f(1, 'x')"}, compiled, errors);
    ASSERT_TRUE(errors.isEmpty());
    ASSERT_EQ(compiled.size(), 4);
    EXPECT_EQ(compiled[0][0].unicode(), 1);
    EXPECT_EQ(TrpInterpretator::JumpTarget(compiled[0]), 3);
    EXPECT_EQ(compiled[0].mid(3), "a > 1");
    EXPECT_EQ(compiled[1], QChar(3) + QStringLiteral("NewPage(0)"));
    EXPECT_EQ(compiled[2][0].unicode(), 2);
    EXPECT_EQ(TrpInterpretator::JumpTarget(compiled[2]), 4);
    EXPECT_EQ(compiled[3], "b f(1, 'x')");

    interp.PrepareScript(QStringList{"a[i + 1] := 2"}, compiled, errors);
    EXPECT_EQ(compiled, QStringList{QChar(3) + QStringLiteral("SETARRAY(a, i + 1, 2)")});

    EXPECT_EQ(TrpInterpretator::JumpTarget(TrpInterpretator::JumpLine(1, 65535, "x")), 65535);
}

TEST_F(InterpreterTest, CallsRunWhenTheScriptRunsNotWhenItIsCompiled)
{
    QStringList compiled, errors;
    interp.PrepareScript(QStringList{"NewPage; x := Sum([Price], Band1) + 1"}, compiled, errors);
    EXPECT_TRUE(interp.calls.isEmpty());
    interp.DoScript(compiled);
    interp.DoScript(compiled);
    EXPECT_EQ(interp.calls, (QStringList{"NEWPAGE(0||)", "SUM([Price]|Band1|)", "NEWPAGE(0||)", "SUM([Price]|Band1|)"}));
    EXPECT_DOUBLE_EQ(var("x"), 1.0);
}

TEST_F(InterpreterTest, ParserAsksTheInterpreterOnlyWhileAScriptRuns)
{
    int outside = 0;
    parser.OnGetValue = [&](const QString&, QVariant& v) {
        ++outside;
        v = 100;
    };
    interp.vars.SetVariable("a", 1);
    ASSERT_TRUE(run("b := a + 1").isEmpty());
    EXPECT_DOUBLE_EQ(var("b"), 2.0);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(parser.Calc("a").toInt(), 100); // the parser's own resolver is back

    QStringList compiled, errors;
    interp.PrepareScript(QStringList{"b := 'x' * 2"}, compiled, errors);
    EXPECT_THROW(interp.DoScript(compiled), std::exception); // run-time errors reach the caller
    EXPECT_EQ(parser.Calc("a").toInt(), 100);               // and the resolver is back all the same
}

TEST_F(InterpreterTest, SyntaxErrorsCarryLineColumnAndRussianText)
{
    const struct {
        const char* script;
        const char* error;
    } cases[] = {
        {"goto x", "Строка 1/5: Метка в goto должна быть числом"},
        {"if a b := 1", "Строка 1/5: Здесь требуется \"then\""},
        {"x = 1", "Строка 1/2: Здесь требуется \":=\""},
        {"f(1", "Строка 1/3: Здесь требуется \",\" или \")\""},
        {"f(1 2)", "Строка 1/4: Здесь требуется \",\" или \")\""},
        {"while a x := 1", "Строка 1/8: Здесь требуется \"do\""},
        {"repeat x := 1", "Строка 1/13: Здесь требуется \";\" или \"until\""},
        {"begin x := 1", "Строка 1/12: Здесь требуется \";\" или \"end\""},
        {"a := (1 + 2", "Строка 1/11: Здесь требуется \")\""},
        {"a := [x + 1", "Строка 1/11: Здесь требуется \"]\""},
        {"a[1 := 2", "Строка 1/4: Здесь требуется \"]\""},
        {"a := 1;\n  b := 2 c := 3", "Строка 2/9: Здесь требуется \";\" или \"end\""},
        {"a := 1;\n{ skipped\n b := }\nc := 1 d", "Строка 4/7: Здесь требуется \";\" или \"end\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        QStringList compiled, errors;
        interp.PrepareScript(QString::fromUtf8(c.script).split('\n'), compiled, errors);
        ASSERT_EQ(errors.size(), 1); // only the first error is reported
        EXPECT_EQ(errors[0], QString::fromUtf8(c.error));
        EXPECT_TRUE(compiled.isEmpty()); // nothing half-compiled is left to run
    }
}

TEST_F(InterpreterTest, ErrorsAreAddedToTheCallersList)
{
    QStringList compiled, errors{"earlier"};
    interp.PrepareScript(QStringList{"goto"}, compiled, errors);
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0], "earlier");
}

TEST(rpVariablesTest, ListByNameIgnoringCase)
{
    TrpVariables v;
    EXPECT_EQ(v.IndexOf("a"), -1);
    EXPECT_FALSE(v.GetVariable("a").isValid());
    v.SetVariable("Total", 1);
    v.SetVariable("name", "x");
    v.SetVariable("TOTAL", 5); // replaces
    EXPECT_EQ(v.GetCount(), 2);
    EXPECT_EQ(v.GetName(0), "Total");
    EXPECT_EQ(v.GetVariable("total").toInt(), 5);
    EXPECT_EQ(v.IndexOf("NAME"), 1);
    QVariant found;
    EXPECT_TRUE(v.Find("Name", found));
    EXPECT_EQ(found.toString(), "x");
    EXPECT_FALSE(v.Find("other", found));

    EXPECT_EQ(v.GetValue(7).toInt(), 0); // out of range reads 0
    v.SetValue(7, 9);                    // and writes nothing
    v.SetValue(1, "y");
    EXPECT_EQ(v.GetValue(1).toString(), "y");
    EXPECT_EQ(v.GetName(-1), QString());
    v.Delete(0);
    EXPECT_EQ(v.GetCount(), 1);
    EXPECT_EQ(v.GetName(0), "name");
    v.Clear();
    EXPECT_EQ(v.GetCount(), 0);
}

} // namespace

#pragma once
// Scripts of report objects: a small Pascal-like language (begin/end, if/then/else, while/do,
// repeat/until, goto to numeric labels, ":=", calls) compiled once into operation lines and run many
// times. Expressions stay as text in the compiled lines and are evaluated by the parser each time a
// line runs, so calls in a script happen when it runs, never when it is compiled.
//
// Compiled line, first character the operation:
//   1, target (2 characters, low byte first), condition  - jump to target when the condition is 0
//   2, target                                            - jump
//   3, expression                                        - evaluate and discard (a call)
//   name, blank, expression                              - assignment
#include "report/rpGlobals.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <utility>
#include <vector>

class TrpParser;

// Script variables: (name, value) in order, names compared ignoring case.
class TrpVariables : public TrpScriptVariablesBase {
public:
    void SetVariable(const QString& name, const QVariant& value);
    // Empty when there is none.
    QVariant GetVariable(const QString& name) const;
    // Out of range reads 0 and writes nothing.
    QVariant GetValue(int index) const;
    void SetValue(int index, const QVariant& value);
    int IndexOf(const QString& name) const;
    int GetCount() const { return int(items_.size()); }
    // Empty out of range.
    QString GetName(int index) const;
    void Delete(int index);
    void Clear() { items_.clear(); }

    bool Find(const QString& name, QVariant& value) const override;

private:
    std::vector<std::pair<QString, QVariant>> items_;
};

class TrpInterpretator : public TrpInterpretatorBase {
public:
    // Expressions go through parser (the engine's parser when none is given).
    explicit TrpInterpretator(TrpParser* parser = nullptr);

    // The names a script reads and writes, and the calls it makes; the base knows none of them.
    virtual void GetValue(const QString& name, QVariant& value);
    virtual void SetValue(const QString& name, const QVariant& value);
    virtual void DoFunction(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                            QString& value);
    // Compiles memoFrom into memoTo; the first syntax error ends compiling and is added to memoErr as
    // "Строка <line>/<column>: <message>" (line from 1, column from 0).
    virtual void PrepareScript(const QStringList& memoFrom, QStringList& memoTo, QStringList& memoErr);
    // Runs a compiled list. The parser asks this interpreter for names and calls while it runs.
    void DoScript(const QStringList& memo) override;

    // Compiled-line helpers.
    static QString JumpLine(char16_t code, int target, const QString& condition = QString());
    static int JumpTarget(const QString& line);

protected:
    // What the parser asked before the outermost running script took it over: names and calls a
    // script does not know go there.
    void OuterGetValue(const QString& name, QVariant& value);
    void OuterFunction(const QString& name, const QVariant& p1, const QVariant& p2, const QVariant& p3, QString& value);

    TrpParser* Parser;

private:
    std::function<void(const QString&, QVariant&)> outerGetValue_;
    std::function<void(const QString&, const QVariant&, const QVariant&, const QVariant&, QString&)> outerFunction_;
    int running_ = 0;
};

// The engine's script variables and interpreter (rpVariables and rpInterpretator point to them once
// the building has set itself up).
TrpVariables& rpTheVariables();

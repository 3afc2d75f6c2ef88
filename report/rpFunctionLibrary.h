#pragma once
// Base of the libraries of functions callable from expressions: the report asks each registered
// library in turn, and the first that holds the name answers.
#include <QString>
#include <QStringList>
#include <QVariant>

class TrpFunctionLibrary {
public:
    TrpFunctionLibrary() = default;
    virtual ~TrpFunctionLibrary() = default;
    TrpFunctionLibrary(const TrpFunctionLibrary&) = delete;
    TrpFunctionLibrary& operator=(const TrpFunctionLibrary&) = delete;

    // When the list holds fName, DoFunction runs with its index and the result is true; otherwise
    // value is left alone and the result is false. p1..p3 are the parameter texts of the call.
    bool OnFunction(const QString& fName, const QVariant& p1, const QVariant& p2, const QVariant& p3, QString& value);
    virtual void DoFunction(int fNo, const QVariant& p1, const QVariant& p2, const QVariant& p3, QString& value) = 0;

    // Upper-case names, kept sorted: a name's index is its function number.
    void AddFunction(const QString& name);
    const QStringList& List() const { return list_; }

private:
    QStringList list_;
};

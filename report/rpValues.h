#pragma once
// The report's value table: what each report variable is bound to (a data-set field, a special value,
// an expression or a script variable), kept in order under the variable names.
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TDataSet;

enum TrpValueType : quint8 { vtNotAssigned = 0, vtDBField = 1, vtOther = 2, vtRPVar = 3 };

// Special values by OtherKind.
enum TrpSpecialValue { svPage = 0, svExpression = 1, svDate, svTime, svLine, svLineThrough, svColumn, svCurrent, svTotalPages };

// Names of the special values in expressions, by kind ("" for the expression kind).
QString rpSpecFuncName(int kind);

class TrpValue {
public:
    TrpValueType Typ = vtNotAssigned;
    qint32 OtherKind = 0;
    QString DataSet;
    QString Field;
    TDataSet* DSet = nullptr;
};

class TrpValues {
public:
    TrpValues();
    ~TrpValues();
    TrpValues(const TrpValues&) = delete;
    TrpValues& operator=(const TrpValues&) = delete;

    int Count() const { return int(items_.size()); }
    QString Name(int i) const { return items_[i].name; }
    void SetName(int i, const QString& name) { items_[i].name = name; }
    // Appends an entry with an empty name; its index.
    int AddValue();
    TrpValue* GetValue(int i) const { return items_[i].value.get(); }
    void Delete(int i) { items_.erase(items_.begin() + i); }
    // The first entry named name, ignoring case; null when none.
    TrpValue* FindVariable(const QString& name) const;
    void Clear();
    void Assign(const TrpValues& other);

    // int32 count, then per value: byte Typ, int32 OtherKind, short strings DataSet, Field and name.
    void WriteBinaryData(QIODevice& stream) const;
    void ReadBinaryData(QIODevice& stream);

private:
    struct Item {
        QString name;
        std::unique_ptr<TrpValue> value;
    };
    std::vector<Item> items_;
};

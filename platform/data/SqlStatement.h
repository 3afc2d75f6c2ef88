#pragma once
// The parsed form of the statements the program issues: SELECT (columns, aggregates, DISTINCT, WHERE as
// a conjunction of comparisons, ORDER BY), INSERT, UPDATE, DELETE and CREATE TABLE.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>
#include <vector>

namespace sql {

// A literal (NULL, number or text) or a named parameter.
struct Operand {
    bool isParam = false;
    QVariant literal;
    QString param;
};

struct Condition {
    enum class Op { Eq, Ne, Lt, Le, Gt, Ge, Like };
    QString column;
    Op op = Op::Eq;
    Operand value;
};

struct SelectItem {
    enum class Kind { Star, Column, Max, Min, Count, CountStar };
    Kind kind = Kind::Star;
    QString column;
    QString alias;
};

struct OrderItem {
    QString column;
    bool descending = false;
};

struct ColumnDef {
    QString name;
    QString type;  // upper case: INTEGER, FLOAT, CHAR, MEMO
    int length = 0;
};

struct Statement {
    enum class Kind { Select, Insert, Update, Delete, CreateTable };
    Kind kind = Kind::Select;
    QString text;
    QString table;
    bool distinct = false;
    std::vector<SelectItem> items;
    std::vector<Condition> where;
    std::vector<OrderItem> orderBy;
    std::vector<QString> insertColumns;
    std::vector<Operand> insertValues;
    std::vector<std::pair<QString, Operand>> assignments;
    std::vector<ColumnDef> definitions;
};

} // namespace sql

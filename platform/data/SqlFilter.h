#pragma once
// A WHERE clause compiled against one table: each comparison becomes a collation key (or a LIKE pattern
// of weights) checked against the raw record bytes, with the engine rules the program relies on: NULL never compares true, texts
// compare without regard to case, numbers by value. Also proposes the index range that narrows a scan.
#include "platform/data/SqlCatalog.h"
#include "platform/data/SqlStatement.h"

#include <QVector>
#include <string>

namespace dbf {
class Table;
}

namespace sql {

class Filter {
public:
    // The caller holds the table's lock. Raises for an unknown column or a value that cannot be compared.
    Filter(const std::vector<Condition>& conditions, const dbf::Table& table, const ParamValue& params);

    bool matches(const char* record) const;
    // Nothing can match (a comparison with NULL).
    bool never() const { return never_; }

    // Bounds (inclusive) of one column that every matching record lies within; column -1 when none.
    // An equality is preferred; then a range on preferColumn, a LIKE with a fixed start, other ranges.
    // covered: the tests that every record within the bounds passes, so they need no record read.
    struct Range {
        int column = -1;
        bool hasLow = false, hasHigh = false;
        std::string low, high;
        std::vector<bool> covered;
    };
    Range range(int preferColumn) const;
    // Nothing to test: every live record matches.
    bool empty() const { return tests_.empty() && !never_; }
    // The tests the range leaves are all passed: the index entries within it are the answer.
    bool settledBy(const Range& range) const;
    // The tests the range does not cover.
    bool matchesBeyond(const Range& range, const char* record) const;

private:
    struct Test {
        int column = 0;
        Condition::Op op = Condition::Op::Eq;
        std::string key;
        QVector<int> pattern;  // LIKE: weights, -1 for '%', -2 for '_'
        // LIKE on a text column: the key every match starts with (its fixed start); whole when the
        // pattern is that start and '%' alone, so the keys that start so are exactly the matches.
        std::string startKey;
        bool startIsWhole = false;
    };
    bool like(const Test& t, const char* record) const;
    bool passes(const Test& t, const char* record) const;

    const dbf::Table& table_;
    std::vector<Test> tests_;
    // Room for the key and the LIKE weights of the widest tested field.
    mutable std::vector<uchar> key_;
    mutable std::vector<quint16> text_;
    bool never_ = false;
};

// The table column of a name; raises naming the statement part when absent.
int columnOf(const dbf::Table& table, const QString& name);

// The live records of a column's index within the range (the whole index when it bounds nothing) that
// satisfy the filter, in the index's order. The caller holds the table's lock.
std::vector<quint32> rangeOf(const dbf::Table& table, const Filter& filter, int column, const Filter::Range& range);

// The live records within the range (which bounds a column) that satisfy the filter: in the index's order
// when the column's index is built, else in file order, found by a scan of the file that gathers the
// index's makings too (the index is made aside for the next time).
std::vector<quint32> matchingInRange(const dbf::Table& table, const Filter& filter, const Filter::Range& range);
// Records back in file order.
void toFileOrder(std::vector<quint32>& records);

} // namespace sql

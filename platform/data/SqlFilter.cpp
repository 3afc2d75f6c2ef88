#include "platform/data/SqlFilter.h"

#include "platform/data/DatabaseError.h"
#include "platform/data/DbfCollation.h"
#include "platform/data/DbfTable.h"

#include <algorithm>
#include <string_view>

namespace sql {
namespace {

// A text column's key is 1 and the weights of its letters with the same blanks trimmed as LIKE trims, so a
// pattern's letters before its first wildcard are the start of every matching key.
template <class Test>
void startOf(const dbf::Column& col, Test& t)
{
    if (col.isNumeric() || col.isMemo())
        return;
    qsizetype fixed = 0;
    while (fixed < t.pattern.size() && t.pattern[fixed] >= 0) {
        if (t.pattern[fixed] == 0xFFFF)
            return;  // a letter no field holds: nothing to narrow to
        ++fixed;
    }
    if (fixed == 0)
        return;
    t.startKey.assign(1, '\1');
    for (qsizetype i = 0; i < fixed; ++i) {
        t.startKey.push_back(static_cast<char>(t.pattern[i] >> 8));
        t.startKey.push_back(static_cast<char>(t.pattern[i] & 0xFF));
    }
    t.startIsWhole = fixed < t.pattern.size() && std::all_of(t.pattern.begin() + fixed, t.pattern.end(), [](int w) { return w == -1; });
}

} // namespace

int columnOf(const dbf::Table& table, const QString& name)
{
    const int c = table.columnIndex(name);
    if (c < 0)
        throw EDatabaseError(QStringLiteral("The table %1 has no column %2").arg(table.path(), name));
    return c;
}

std::vector<quint32> rangeOf(const dbf::Table& table, const Filter& filter, int column, const Filter::Range& range)
{
    const dbf::ColumnIndex& index = table.indexUnlocked(column);
    const bool bounded = range.column == column;
    const auto& order = index.records();
    const std::size_t begin = bounded && range.hasLow ? index.lowerBound(range.low) : 0;
    const std::size_t end = bounded && range.hasHigh ? index.upperBound(range.high) : order.size();
    std::vector<quint32> out;
    if (begin >= end)
        return out;
    out.reserve(end - begin);
    const bool all = bounded ? filter.settledBy(range) : filter.empty();
    for (std::size_t i = begin; i < end; ++i) {
        const quint32 r = order[i];
        if (table.isDeletedUnlocked(r))
            continue;
        if (all || (bounded ? filter.matchesBeyond(range, table.recordUnlocked(r)) : filter.matches(table.recordUnlocked(r))))
            out.push_back(r);
    }
    return out;
}

std::vector<quint32> matchingInRange(const dbf::Table& table, const Filter& filter, const Filter::Range& range)
{
    if (table.readyIndexUnlocked(range.column))
        return rangeOf(table, filter, range.column, range);
    dbf::TextIndexTest test;
    test.make = [&filter] { return [own = filter](const char* record) { return own.matches(record); }; };
    // Keys outside the range cannot match; their prefixes tell most of them at once.
    const dbf::Column& c = table.columns()[static_cast<std::size_t>(range.column)];
    auto prefixOf = [&](const std::string& key) { return dbf::keyPrefix(c, reinterpret_cast<const uchar*>(key.data()), int(key.size()), table.codePage()); };
    if (range.hasLow)
        test.lowPrefix = prefixOf(range.low);
    if (range.hasHigh)
        test.highPrefix = prefixOf(range.high);
    return table.liveMatchingIndexingUnlocked(test, range.column);
}

void toFileOrder(std::vector<quint32>& records)
{
    // Matches of one key come from an index in file order already.
    if (!std::is_sorted(records.begin(), records.end()))
        std::sort(records.begin(), records.end());
}

Filter::Filter(const std::vector<Condition>& conditions, const dbf::Table& table, const ParamValue& params)
    : table_(table)
{
    for (const Condition& c : conditions) {
        Test t;
        t.column = columnOf(table, c.column);
        t.op = c.op;
        const dbf::Column& col = table.columns()[static_cast<std::size_t>(t.column)];
        const QVariant value = c.value.isParam ? params(c.value.param) : c.value.literal;
        if (value.isNull()) {
            never_ = true;  // NULL compares true with nothing
        } else if (c.op == Condition::Op::Like) {
            const QString text = value.toString();
            const QVector<quint16> weights = dbf::textWeights(text, table.codePage());
            for (qsizetype i = 0; i < text.size(); ++i)
                t.pattern.append(text[i] == QLatin1Char('%') ? -1 : text[i] == QLatin1Char('_') ? -2 : weights[i]);
            startOf(col, t);
        } else {
            QByteArray key;
            if (!dbf::valueKey(col, value, table.codePage(), &key))
                throw EDatabaseError(QStringLiteral("Data type mismatch in criteria expression: column %1 against '%2'")
                                         .arg(c.column, value.toString()));
            t.key = key.toStdString();
        }
        key_.resize(std::max(key_.size(), static_cast<std::size_t>(dbf::keyRoom(col))));
        text_.resize(std::max(text_.size(), static_cast<std::size_t>(col.length)));
        tests_.push_back(std::move(t));
    }
}

bool Filter::matches(const char* record) const
{
    if (never_)
        return false;
    for (const Test& t : tests_)
        if (!passes(t, record))
            return false;
    return true;
}

bool Filter::matchesBeyond(const Range& range, const char* record) const
{
    if (never_)
        return false;
    for (std::size_t i = 0; i < tests_.size(); ++i)
        if (!range.covered[i] && !passes(tests_[i], record))
            return false;
    return true;
}

bool Filter::settledBy(const Range& range) const
{
    return !never_ && range.column >= 0 && std::all_of(range.covered.begin(), range.covered.end(), [](bool c) { return c; });
}

bool Filter::passes(const Test& t, const char* record) const
{
    if (t.op == Condition::Op::Like)
        return like(t, record);
    uchar* buf = key_.data();
    const dbf::Column& col = table_.columns()[static_cast<std::size_t>(t.column)];
    const int n = dbf::fieldKey(col, record + col.offset, table_.codePage(), buf);
    if (buf[0] == 0)
        return false;
    const int cmp = std::string_view(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n)).compare(t.key);
    switch (t.op) {
    case Condition::Op::Eq: return cmp == 0;
    case Condition::Op::Ne: return cmp != 0;
    case Condition::Op::Lt: return cmp < 0;
    case Condition::Op::Le: return cmp <= 0;
    case Condition::Op::Gt: return cmp > 0;
    case Condition::Op::Ge: return cmp >= 0;
    case Condition::Op::Like: break;
    }
    return false;
}

bool Filter::like(const Test& t, const char* record) const
{
    const dbf::Column& col = table_.columns()[static_cast<std::size_t>(t.column)];
    if (col.isMemo())
        return false;
    quint16* text = text_.data();
    const int n = dbf::fieldWeights(col, record + col.offset, table_.codePage(), text);
    if (n == 0)
        return false;  // blank is NULL
    // Wildcard match with one back-track point: the last '%'.
    const int m = static_cast<int>(t.pattern.size());
    int i = 0, p = 0, starP = -1, starI = 0;
    while (i < n) {
        if (p < m && (t.pattern[p] == -2 || t.pattern[p] == text[i])) {
            ++i;
            ++p;
        } else if (p < m && t.pattern[p] == -1) {
            starP = p++;
            starI = i;
        } else if (starP >= 0) {
            p = starP + 1;
            i = ++starI;
        } else {
            return false;
        }
    }
    while (p < m && t.pattern[p] == -1)
        ++p;
    return p == m;
}

Filter::Range Filter::range(int preferColumn) const
{
    Range r;
    r.covered.assign(tests_.size(), false);
    if (never_)
        return r;
    for (std::size_t i = 0; i < tests_.size(); ++i)
        if (tests_[i].op == Condition::Op::Eq) {
            r.column = tests_[i].column;
            r.hasLow = r.hasHigh = true;
            r.low = r.high = tests_[i].key;
            r.covered[i] = true;
            return r;
        }
    // Inclusive bounds cover the tests they come from; strict ones still test the records at the bound.
    auto boundsOf = [&](int column) {
        Range b;
        b.covered.assign(tests_.size(), false);
        for (std::size_t i = 0; i < tests_.size(); ++i) {
            const Test& t = tests_[i];
            if (t.column != column)
                continue;
            if ((t.op == Condition::Op::Ge || t.op == Condition::Op::Gt) && !b.hasLow) {
                b.hasLow = true;
                b.low = t.key;
                b.covered[i] = t.op == Condition::Op::Ge;
            } else if ((t.op == Condition::Op::Le || t.op == Condition::Op::Lt) && !b.hasHigh) {
                b.hasHigh = true;
                b.high = t.key;
                b.covered[i] = t.op == Condition::Op::Le;
            }
        }
        if (b.hasLow || b.hasHigh)
            b.column = column;
        return b;
    };
    if (preferColumn >= 0) {
        Range b = boundsOf(preferColumn);
        if (b.column >= 0)
            return b;
    }
    for (std::size_t i = 0; i < tests_.size(); ++i) {
        const Test& t = tests_[i];
        if (t.op == Condition::Op::Like && !t.startKey.empty()) {
            r.column = t.column;
            r.hasLow = r.hasHigh = true;
            r.low = t.startKey;
            r.high = t.startKey + std::string("\xFF\xFF", 2);  // above every key that goes on from the start
            r.covered[i] = t.startIsWhole;
            return r;
        }
    }
    for (const Test& t : tests_)
        if (t.op != Condition::Op::Like && t.op != Condition::Op::Ne)
            return boundsOf(t.column);
    return r;
}

} // namespace sql

#include "platform/data/SqlFilter.h"

#include "platform/data/DatabaseError.h"
#include "platform/data/DbfCollation.h"
#include "platform/data/DbfTable.h"

#include <algorithm>
#include <string_view>

namespace sql {

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
    const std::vector<quint32>& order = index.records();
    const std::size_t begin = bounded && range.hasLow ? index.lowerBound(range.low) : 0;
    const std::size_t end = bounded && range.hasHigh ? index.upperBound(range.high) : order.size();
    std::vector<quint32> out;
    if (begin >= end)
        return out;
    out.reserve(end - begin);
    const bool all = filter.empty();
    for (std::size_t i = begin; i < end; ++i) {
        const quint32 r = order[i];
        if (!table.isDeletedUnlocked(r) && (all || filter.matches(table.recordUnlocked(r))))
            out.push_back(r);
    }
    return out;
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
    uchar* buf = key_.data();
    for (const Test& t : tests_) {
        if (t.op == Condition::Op::Like) {
            if (!like(t, record))
                return false;
            continue;
        }
        const dbf::Column& col = table_.columns()[static_cast<std::size_t>(t.column)];
        const int n = dbf::fieldKey(col, record + col.offset, table_.codePage(), buf);
        if (buf[0] == 0)
            return false;
        const int cmp = std::string_view(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n)).compare(t.key);
        bool ok = false;
        switch (t.op) {
        case Condition::Op::Eq: ok = cmp == 0; break;
        case Condition::Op::Ne: ok = cmp != 0; break;
        case Condition::Op::Lt: ok = cmp < 0; break;
        case Condition::Op::Le: ok = cmp <= 0; break;
        case Condition::Op::Gt: ok = cmp > 0; break;
        case Condition::Op::Ge: ok = cmp >= 0; break;
        case Condition::Op::Like: break;
        }
        if (!ok)
            return false;
    }
    return true;
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
    if (never_)
        return r;
    for (const Test& t : tests_)
        if (t.op == Condition::Op::Eq) {
            r.column = t.column;
            r.hasLow = r.hasHigh = true;
            r.low = r.high = t.key;
            return r;
        }
    auto boundsOf = [&](int column) {
        Range b;
        for (const Test& t : tests_) {
            if (t.column != column)
                continue;
            if ((t.op == Condition::Op::Ge || t.op == Condition::Op::Gt) && !b.hasLow) {
                b.hasLow = true;
                b.low = t.key;
            } else if ((t.op == Condition::Op::Le || t.op == Condition::Op::Lt) && !b.hasHigh) {
                b.hasHigh = true;
                b.high = t.key;
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
    for (const Test& t : tests_)
        if (t.op != Condition::Op::Like && t.op != Condition::Op::Ne)
            return boundsOf(t.column);
    return r;
}

} // namespace sql

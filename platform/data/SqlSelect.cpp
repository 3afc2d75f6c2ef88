#include "platform/data/SqlSelect.h"

#include "platform/data/DatabaseError.h"
#include "platform/data/DbfTable.h"
#include "platform/data/SqlExecutor.h"
#include "platform/data/SqlFilter.h"

#include <QSet>
#include <set>
#include <algorithm>

namespace sql {
namespace {

// Matches of an index range on another column than the order's are sorted by their keys while they are
// at most this fraction of the table; more are taken from the order column's index.
constexpr quint32 kSortAtMost = 256;

bool isAggregate(const SelectItem& item)
{
    return item.kind == SelectItem::Kind::Max || item.kind == SelectItem::Kind::Min || item.kind == SelectItem::Kind::Count ||
           item.kind == SelectItem::Kind::CountStar;
}

// Records that satisfy the filter, in ORDER BY order when the plan could give it (*ordered set).
std::vector<quint32> candidates(const dbf::Table& table, const Filter& filter, int orderColumn, bool* ordered)
{
    std::vector<quint32> out;
    *ordered = false;
    if (filter.never())
        return out;
    const Filter::Range range = filter.range(orderColumn);
    if (range.column >= 0 || orderColumn >= 0) {
        const int column = range.column >= 0 ? range.column : orderColumn;
        *ordered = column == orderColumn;
        if (*ordered)
            return rangeOf(table, filter, column, range);
        out = matchingInRange(table, filter, range);
        // Many matches: marked, then taken in order from the order column's index, which reads no
        // record; few: sorted by their keys.
        if (orderColumn >= 0 && out.size() >= table.recordCountUnlocked() / kSortAtMost) {
            std::vector<quint64> marked((table.recordCountUnlocked() + 63) / 64, 0);
            for (quint32 r : out)
                marked[r >> 6] |= quint64(1) << (r & 63);
            const auto& order = table.indexUnlocked(orderColumn).records();
            std::size_t n = 0;
            for (quint32 r : order)
                if ((marked[r >> 6] >> (r & 63)) & 1)
                    out[n++] = r;
            *ordered = true;
            return out;
        }
        toFileOrder(out);  // before any sorting
        return out;
    }
    table.forEachLiveUnlocked([&](quint32 r, const char* bytes) {
        if (filter.matches(bytes))
            out.push_back(r);
    });
    return out;
}

void orderRecords(const dbf::Table& table, const std::vector<OrderItem>& order, const std::vector<int>& columns, std::vector<quint32>& records)
{
    std::vector<std::pair<std::vector<std::string>, quint32>> keyed;
    keyed.reserve(records.size());
    for (quint32 r : records) {
        std::vector<std::string> keys;
        for (int c : columns)
            keys.push_back(table.keyUnlocked(r, c));
        keyed.emplace_back(std::move(keys), r);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const int cmp = a.first[i].compare(b.first[i]);
            if (cmp != 0)
                return order[i].descending ? cmp > 0 : cmp < 0;
        }
        return false;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        records[i] = keyed[i].second;
}

ResultColumn columnOfTable(const dbf::Table& table, int c, const QString& alias)
{
    const dbf::Column& col = table.columns()[static_cast<std::size_t>(c)];
    ResultColumn rc;
    rc.name = alias.isEmpty() ? col.name : alias;
    rc.type = fieldTypeOf(col);
    rc.size = col.type == 'C' ? col.length : 0;
    rc.source = c;
    return rc;
}

// max/min over the records (or over the column's index when nothing filters).
QVariant extreme(const dbf::Table& table, int c, bool max, const std::vector<quint32>* records)
{
    if (!records) {
        const dbf::ColumnIndex& index = table.indexUnlocked(c);
        const auto& order = index.records();
        // NULL keys sort first: the largest entry is NULL only when all are, the smallest non-NULL may not exist.
        if (max) {
            for (std::size_t i = order.size(); i-- > 0;)
                if (!table.isDeletedUnlocked(order[i]))
                    return index.keyAt(i)[0] == '\0' ? QVariant() : table.valueUnlocked(order[i], c);
            return {};
        }
        for (std::size_t i = index.lowerBound(std::string_view("\1", 1)); i < order.size(); ++i)
            if (!table.isDeletedUnlocked(order[i]))
                return table.valueUnlocked(order[i], c);
        return {};
    }
    bool found = false;
    std::string best;
    quint32 bestRecord = 0;
    for (quint32 r : *records) {
        const std::string key = table.keyUnlocked(r, c);
        if (key[0] == '\0')
            continue;
        if (!found || (max ? key > best : key < best)) {
            best = key;
            bestRecord = r;
            found = true;
        }
    }
    return found ? table.valueUnlocked(bestRecord, c) : QVariant();
}

} // namespace

Result select(const Statement& st, Catalog& catalog, const ParamValue& params)
{
    Result result;
    result.isSelect = true;
    result.table = catalog.openTable(st.table);
    const dbf::Table& table = *result.table;
    auto guard = table.lock();

    std::vector<int> orderColumns;
    for (const OrderItem& o : st.orderBy)
        orderColumns.push_back(columnOf(table, o.column));
    const bool aggregates = std::any_of(st.items.begin(), st.items.end(), isAggregate);
    if (aggregates && !std::all_of(st.items.begin(), st.items.end(), isAggregate))
        throw EDatabaseError(QStringLiteral("Columns cannot be selected beside aggregates without GROUP BY"));

    const Filter filter(st.where, table, params);
    const int orderColumn = orderColumns.size() == 1 && !st.orderBy[0].descending ? orderColumns[0] : -1;

    if (aggregates) {
        result.computed = true;
        std::vector<QVariant> row;
        std::vector<quint32> records;
        bool scanned = false;
        auto matching = [&]() -> const std::vector<quint32>& {
            if (!scanned) {
                bool ordered = false;
                records = candidates(table, filter, -1, &ordered);
                scanned = true;
            }
            return records;
        };
        int unnamed = 1000;
        for (const SelectItem& item : st.items) {
            ResultColumn rc;
            rc.name = !item.alias.isEmpty() ? item.alias : QStringLiteral("Expr%1").arg(unnamed++);
            if (item.kind == SelectItem::Kind::CountStar || item.kind == SelectItem::Kind::Count) {
                rc.type = ftInteger;
                qlonglong n = 0;
                if (item.kind == SelectItem::Kind::CountStar) {
                    n = static_cast<qlonglong>(matching().size());
                } else {
                    const int c = columnOf(table, item.column);
                    for (quint32 r : matching())
                        n += table.keyUnlocked(r, c)[0] != '\0';
                }
                row.push_back(QVariant::fromValue<qlonglong>(n));
            } else {
                const int c = columnOf(table, item.column);
                const ResultColumn of = columnOfTable(table, c, rc.name);
                rc.type = of.type;
                rc.size = of.size;
                row.push_back(extreme(table, c, item.kind == SelectItem::Kind::Max, st.where.empty() ? nullptr : &matching()));
            }
            result.columns.push_back(rc);
        }
        result.values.push_back(std::move(row));
        return result;
    }

    bool ordered = false;
    result.records = candidates(table, filter, orderColumn, &ordered);
    if (!orderColumns.empty() && !ordered)
        orderRecords(table, st.orderBy, orderColumns, result.records);

    for (const SelectItem& item : st.items) {
        if (item.kind == SelectItem::Kind::Star) {
            for (int c = 0; c < static_cast<int>(table.columns().size()); ++c)
                result.columns.push_back(columnOfTable(table, c, QString()));
        } else {
            result.columns.push_back(columnOfTable(table, columnOf(table, item.column), item.alias));
        }
    }

    if (st.distinct) {
        // The first row of each distinct combination, in the order the rows come.
        result.computed = true;
        std::set<std::vector<std::string>> seen;
        for (quint32 r : result.records) {
            std::vector<std::string> keys;
            for (const ResultColumn& rc : result.columns)
                keys.push_back(table.keyUnlocked(r, rc.source));
            if (!seen.insert(keys).second)
                continue;
            std::vector<QVariant> row;
            for (const ResultColumn& rc : result.columns)
                row.push_back(table.valueUnlocked(r, rc.source));
            result.values.push_back(std::move(row));
        }
        result.records.clear();
    }
    return result;
}

} // namespace sql

#include "platform/data/SqlExecutor.h"

#include "platform/data/DataLimits.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfTable.h"
#include "platform/data/SqlFilter.h"
#include "platform/data/SqlSelect.h"

namespace sql {
namespace {

QVariant valueOf(const Operand& o, const ParamValue& params)
{
    return o.isParam ? params(o.param) : o.literal;
}

std::vector<quint32> matching(const dbf::Table& table, const std::vector<Condition>& where, const ParamValue& params)
{
    const Filter filter(where, table, params);
    std::vector<quint32> out;
    if (filter.never())
        return out;
    const Filter::Range range = filter.range(-1);
    if (range.column >= 0) {
        out = matchingInRange(table, filter, range);
        toFileOrder(out);
        return out;
    }
    table.forEachLiveUnlocked([&](quint32 r, const char* bytes) {
        if (filter.matches(bytes))
            out.push_back(r);
    });
    return out;
}

Result insert(const Statement& st, Catalog& catalog, const ParamValue& params)
{
    Result result;
    auto table = catalog.openTable(st.table);
    std::vector<QVariant> values(table->columns().size());
    std::vector<bool> given(values.size(), false);
    for (std::size_t i = 0; i < st.insertColumns.size(); ++i) {
        const int c = columnOf(*table, st.insertColumns[i]);
        if (given[static_cast<std::size_t>(c)])
            throw EDatabaseError(QStringLiteral("The column %1 is given twice").arg(st.insertColumns[i]));
        given[static_cast<std::size_t>(c)] = true;
        values[static_cast<std::size_t>(c)] = valueOf(st.insertValues[i], params);
    }
    table->append(values);
    result.rowsAffected = 1;
    return result;
}

Result update(const Statement& st, Catalog& catalog, const ParamValue& params)
{
    Result result;
    auto table = catalog.openTable(st.table);
    auto guard = table->lock();
    std::vector<std::pair<int, QVariant>> changes;
    for (const auto& [column, operand] : st.assignments)
        changes.emplace_back(columnOf(*table, column), valueOf(operand, params));
    for (quint32 r : matching(*table, st.where, params)) {
        table->update(r, changes);
        ++result.rowsAffected;
    }
    return result;
}

Result remove(const Statement& st, Catalog& catalog, const ParamValue& params)
{
    Result result;
    auto table = catalog.openTable(st.table);
    auto guard = table->lock();
    for (quint32 r : matching(*table, st.where, params)) {
        table->remove(r);
        ++result.rowsAffected;
    }
    return result;
}

Result create(const Statement& st, Catalog& catalog)
{
    std::vector<dbf::Column> columns;
    for (const ColumnDef& d : st.definitions) {
        dbf::Column c;
        if (d.type == QLatin1String("INTEGER") && d.length == 0) {
            c = {d.name, 'N', 11, 0};  // room for every 32-bit value, signed or not
        } else if (d.type == QLatin1String("FLOAT") && d.length == 0) {
            c = {d.name, 'N', 19, 6};  // thousandths round-trip exactly
        } else if (d.type == QLatin1String("CHAR") && d.length >= 1 && d.length <= dbf::kMaxTextWidth) {
            c = {d.name, 'C', d.length, 0};
        } else if (d.type == QLatin1String("MEMO") && d.length == 0) {
            c = {d.name, 'M', dbf::kMaxMemoWidth, 0};
        } else {
            throw EDatabaseError(QStringLiteral("Unsupported column type %1%2 for column %3")
                                     .arg(d.type, d.length ? QStringLiteral("(%1)").arg(d.length) : QString(), d.name));
        }
        columns.push_back(c);
    }
    catalog.createTable(st.table, columns);
    return {};
}

} // namespace

TFieldType fieldTypeOf(const dbf::Column& column)
{
    if (column.isNumeric())
        return column.decimals == 0 ? ftInteger : ftFloat;
    if (column.isMemo())
        return ftMemo;
    return ftString;
}

Result execute(const Statement& st, Catalog& catalog, const ParamValue& params)
{
    try {
        switch (st.kind) {
        case Statement::Kind::Select:
            return select(st, catalog, params);
        case Statement::Kind::Insert:
            return insert(st, catalog, params);
        case Statement::Kind::Update:
            return update(st, catalog, params);
        case Statement::Kind::Delete:
            return remove(st, catalog, params);
        case Statement::Kind::CreateTable:
            return create(st, catalog);
        }
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(QStringLiteral("%1. Statement: %2").arg(e.Message(), st.text));
    }
    return {};
}

} // namespace sql

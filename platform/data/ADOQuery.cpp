#include "platform/data/ADOQuery.h"

#include "platform/data/ADOConnection.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfCodec.h"
#include "platform/data/DbfCollation.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"
#include "platform/data/SqlExecutor.h"
#include "platform/data/SqlLexer.h"
#include "platform/data/SqlParser.h"

#include <algorithm>

namespace {

// The rows of a closed view kept, not given back, from this size on.
constexpr std::size_t kKeptRowBytes = std::size_t(1) << 20;

// Views of at most this many places find a record's row by searching them.
constexpr std::size_t kSearchedPlaces = 2048;

} // namespace

TADOQuery::TADOQuery(TADOConnection* connection)
    : connection_(connection)
{
}

TADOQuery::~TADOQuery()
{
    Close();
}

void TADOQuery::SetConnection(TADOConnection* connection)
{
    Close();
    connection_ = connection;
}

void TADOQuery::SetSQL(const QString& text)
{
    Close();
    sql_ = text;
    parsed_ = sql::parseKept(text);
    parameters_.Reset(parsed_->parameters);
}

sql::Result TADOQuery::run(bool selectOnly)
{
    if (!connection_)
        throw EDatabaseError(QStringLiteral("The query has no connection: %1").arg(sql_));
    if (sql_.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("The query has no SQL text"));
    if (parsed_->error)
        std::rethrow_exception(parsed_->error);
    const sql::Statement& statement = parsed_->statement;
    if (selectOnly && statement.kind != sql::Statement::Kind::Select)
        throw EDatabaseError(QStringLiteral("The statement returns no rows to open (run it with ExecSQL): %1").arg(sql_));
    auto params = [this](const QString& name) -> QVariant {
        const TParameter* p = parameters_.FindParam(name);
        if (!p || !p->IsSet())
            throw EDatabaseError(QStringLiteral("No value given for the parameter :%1").arg(name));
        return p->Value();
    };
    connection_->Open();
    sql::Result result = sql::execute(statement, *connection_, params);
    if (!connection_->KeepConnection() && !result.isSelect)
        connection_->ReleaseFiles();
    return result;
}

int TADOQuery::ExecSQL()
{
    Close();
    const sql::Result result = run(false);
    return result.isSelect ? -1 : result.rowsAffected;
}

std::vector<TFieldDef> TADOQuery::InternalOpen()
{
    sql::Result result = run(true);
    result_ = std::move(result);
    rows_ = sql::ViewRows(std::move(result_.records));
    result_.records.clear();
    if (rows_.places().capacity() * sizeof(quint32) >= kKeptRowBytes)
        std::vector<quint32>().swap(keptRows_);
    placeOfRecord_.clear();
    placesMapped_ = 0;
    columnOf_.clear();
    std::vector<TFieldDef> defs;
    for (const sql::ResultColumn& c : result_.columns) {
        defs.push_back({c.name, c.type, c.size});
        const bool read = !result_.computed && result_.table && c.source >= 0;
        columnOf_.push_back(read ? &result_.table->columns().at(static_cast<std::size_t>(c.source)) : nullptr);
    }
    return defs;
}

void TADOQuery::InternalClose()
{
    result_ = {};
    // A whole view's rows are megabytes, which the system unmaps while the one who gives them back waits
    // (a third of a millisecond at a million rows): the first filing after the journal's first view closes
    // that view. They are kept until a view as large opens (the whole view read again after the filings).
    std::vector<quint32> places = rows_.release();
    if (places.capacity() * sizeof(quint32) >= kKeptRowBytes)
        keptRows_ = std::move(places);
    columnOf_.clear();
    shownTable_ = nullptr;
    std::vector<int>().swap(placeOfRecord_);
    placesMapped_ = 0;
}

bool TADOQuery::CanModify() const
{
    return Active() && !result_.computed && result_.table;
}

int TADOQuery::RowCount() const
{
    return static_cast<int>(result_.computed ? result_.values.size() : rows_.size());
}

quint64 TADOQuery::RowId(int row) const
{
    return result_.computed ? quint64(row) + 1 : quint64(rows_[static_cast<std::size_t>(row)]) + 1;
}

QVariant TADOQuery::RowValue(int row, int field) const
{
    // Kept short for the read a whole scan makes of each field: the record whose bytes were copied last,
    // the table not written since, a field in the record itself.
    if (!result_.computed) {
        const quint32 record = rows_[static_cast<std::size_t>(row)];
        const dbf::Column& column = *columnOf_[static_cast<std::size_t>(field)];
        if (shownRecord_ == record && shownTable_ == result_.table.get() && shownWrites_ == shownTable_->writes() && !column.isMemo())
            return dbf::decodeField(column, shown_.data() + column.offset, shownTable_->codePage());
    }
    return readValue(row, field);
}

QVariant TADOQuery::readValue(int row, int field) const
{
    if (result_.computed)
        return result_.values[static_cast<std::size_t>(row)][static_cast<std::size_t>(field)];
    const dbf::Table& table = *result_.table;
    const quint32 record = rows_[static_cast<std::size_t>(row)];
    if (shownTable_ != &table || shownRecord_ != record || shownWrites_ != table.writes())
        showRecord(record);
    const dbf::Column& column = *columnOf_[static_cast<std::size_t>(field)];
    if (column.isMemo())
        return memoValue(record, field);
    return dbf::decodeField(column, shown_.data() + column.offset, table.codePage());
}

void TADOQuery::showRecord(quint32 record) const
{
    const dbf::Table& table = *result_.table;
    shownTable_ = nullptr;  // a failed read leaves no record behind
    shown_.resize(static_cast<std::size_t>(table.recordLength()));
    table.copyRecord(record, shown_.data(), &shownWrites_);
    shownTable_ = &table;
    shownRecord_ = record;
}

QVariant TADOQuery::memoValue(quint32 record, int field) const
{
    // The memo file is read only when the record points at an entry.
    const dbf::Column& column = *columnOf_[static_cast<std::size_t>(field)];
    const QVariant block = dbf::decodeField(column, shown_.data() + column.offset, result_.table->codePage());
    if (block.isNull() || block.toLongLong() == 0)
        return {};
    return result_.table->value(record, result_.columns[static_cast<std::size_t>(field)].source);
}

int TADOQuery::RowOfId(quint64 id) const
{
    if (result_.computed)
        return id >= 1 && id <= result_.values.size() ? static_cast<int>(id - 1) : -1;
    if (id < 1 || id > UINT32_MAX)
        return -1;
    const quint32 record = static_cast<quint32>(id - 1);
    const std::vector<quint32>& places = rows_.places();
    if (places.size() <= kSearchedPlaces) {
        // A small view of a large table: searched, instead of a map as long as the table.
        const auto it = std::find(places.begin(), places.end(), record);
        return it == places.end() ? -1 : rows_.rowAt(static_cast<std::size_t>(it - places.begin()));
    }
    auto placed = [&]() {
        if (record >= placeOfRecord_.size())
            return -1;
        const int place = placeOfRecord_[record];
        if (place < 0 || std::size_t(place) >= placesMapped_ || places[std::size_t(place)] != record)
            return -1;
        return rows_.rowAt(std::size_t(place));
    };
    int row = placed();
    if (row >= 0 || placesMapped_ >= places.size())
        return row;
    for (std::size_t i = placesMapped_; i < places.size(); ++i) {
        if (places[i] >= placeOfRecord_.size())
            placeOfRecord_.resize(std::max<std::size_t>(places[i] + 1, placeOfRecord_.size() * 2), -1);
        placeOfRecord_[places[i]] = static_cast<int>(i);
    }
    placesMapped_ = places.size();
    return placed();
}

int TADOQuery::InternalPost(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed)
{
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("The rows of this query cannot be changed: %1").arg(sql_));
    if (row < 0) {
        std::vector<QVariant> record(result_.table->columns().size());
        for (std::size_t f = 0; f < values.size(); ++f)
            record[static_cast<std::size_t>(result_.columns[f].source)] = values[f];
        rows_.push_back(result_.table->append(record));
        if (placesMapped_ + 1 == rows_.places().size())
            RowOfId(quint64(rows_.places().back()) + 1);  // maps the new place with the others
        return RowCount() - 1;
    }
    std::vector<std::pair<int, QVariant>> changes;
    for (std::size_t f = 0; f < values.size(); ++f)
        if (changed[f])
            changes.emplace_back(result_.columns[f].source, values[f]);
    if (!changes.empty())
        result_.table->update(rows_[static_cast<std::size_t>(row)], changes);
    return row;
}

void TADOQuery::InternalDelete(int row)
{
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("The rows of this query cannot be deleted: %1").arg(sql_));
    result_.table->remove(rows_[static_cast<std::size_t>(row)]);
    if (rows_.erase(static_cast<std::size_t>(row)))
        placesMapped_ = 0;  // the places were folded: mapped again when asked for
}

int TADOQuery::FindRow(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) const
{
    // One numeric or text field: the column's index narrows the search to the records whose keys could
    // match (its collation ignores case and trailing blanks; a partial key is a range of keys), and each
    // candidate is checked as a row-by-row search would check it.
    const TField* field = keyFields.contains(QLatin1Char(';')) ? nullptr : FindField(keyFields.trimmed());
    if (!field || result_.computed || !result_.table || keyValues.isNull())
        return TDataSet::FindRow(keyFields, keyValues, options);
    const int fieldNo = FieldNo(field);
    const int source = result_.columns[static_cast<std::size_t>(fieldNo)].source;
    const dbf::Column& column = result_.table->columns()[static_cast<std::size_t>(source)];
    const bool text = column.type == 'C';
    if (!text && !column.isNumeric())
        return TDataSet::FindRow(keyFields, keyValues, options);
    const bool partial = text && options.testFlag(loPartialKey);
    QByteArray key;
    if (!dbf::valueKey(column, keyValues, result_.table->codePage(), &key))
        return -1;
    if (key.size() <= 1)
        return TDataSet::FindRow(keyFields, keyValues, options);  // a blank text: NULL rows or, partial, every row
    QByteArray high = key;
    if (partial)
        high.append("\xFF\xFF", 2);  // above every key that starts with the wanted letters
    auto guard = result_.table->lock();
    const dbf::ColumnIndex& index = result_.table->indexUnlocked(source);
    const std::string_view low(key.constData(), std::size_t(key.size())), top(high.constData(), std::size_t(high.size()));
    std::vector<int> rows;
    for (std::size_t i = index.lowerBound(low), end = index.upperBound(top); i < end; ++i) {
        const quint32 record = index.records()[i];
        if (result_.table->isDeletedUnlocked(record))
            continue;
        const int row = RowOfId(quint64(record) + 1);
        if (row >= 0)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    for (int row : rows)
        if (LocateMatches(field, RowValue(row, fieldNo), keyValues, options))
            return row;
    return -1;
}

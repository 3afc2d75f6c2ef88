#include "platform/data/ADOQuery.h"

#include "platform/data/ADOConnection.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfCollation.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"
#include "platform/data/SqlExecutor.h"
#include "platform/data/SqlLexer.h"
#include "platform/data/SqlParser.h"

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
    QStringList names;
    try {
        names = sql::parameterNames(text);
    } catch (const EDatabaseError&) {
        // The statement's own error is raised when it runs.
    }
    parameters_.Reset(names);
}

sql::Result TADOQuery::run(bool selectOnly)
{
    if (!connection_)
        throw EDatabaseError(QStringLiteral("The query has no connection: %1").arg(sql_));
    if (sql_.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("The query has no SQL text"));
    const sql::Statement statement = sql::parse(sql_);
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
    rowsAffected_ = result.isSelect ? -1 : result.rowsAffected;
    return rowsAffected_;
}

std::vector<TFieldDef> TADOQuery::InternalOpen()
{
    sql::Result result = run(true);
    result_ = std::move(result);
    std::vector<TFieldDef> defs;
    for (const sql::ResultColumn& c : result_.columns)
        defs.push_back({c.name, c.type, c.size});
    return defs;
}

void TADOQuery::InternalClose()
{
    result_ = {};
}

bool TADOQuery::CanModify() const
{
    return Active() && !result_.computed && result_.table;
}

int TADOQuery::RowCount() const
{
    return static_cast<int>(result_.computed ? result_.values.size() : result_.records.size());
}

quint64 TADOQuery::RowId(int row) const
{
    return result_.computed ? quint64(row) + 1 : quint64(result_.records[static_cast<std::size_t>(row)]) + 1;
}

QVariant TADOQuery::RowValue(int row, int field) const
{
    if (result_.computed)
        return result_.values[static_cast<std::size_t>(row)][static_cast<std::size_t>(field)];
    return result_.table->value(result_.records[static_cast<std::size_t>(row)], result_.columns[static_cast<std::size_t>(field)].source);
}

int TADOQuery::RowOfId(quint64 id) const
{
    if (result_.computed)
        return id >= 1 && id <= result_.values.size() ? static_cast<int>(id - 1) : -1;
    return TDataSet::RowOfId(id);
}

int TADOQuery::InternalPost(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed)
{
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("The rows of this query cannot be changed: %1").arg(sql_));
    if (row < 0) {
        std::vector<QVariant> record(result_.table->columns().size());
        for (std::size_t f = 0; f < values.size(); ++f)
            record[static_cast<std::size_t>(result_.columns[f].source)] = values[f];
        result_.records.push_back(result_.table->append(record));
        return RowCount() - 1;
    }
    std::vector<std::pair<int, QVariant>> changes;
    for (std::size_t f = 0; f < values.size(); ++f)
        if (changed[f])
            changes.emplace_back(result_.columns[f].source, values[f]);
    if (!changes.empty())
        result_.table->update(result_.records[static_cast<std::size_t>(row)], changes);
    return row;
}

void TADOQuery::InternalDelete(int row)
{
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("The rows of this query cannot be deleted: %1").arg(sql_));
    result_.table->remove(result_.records[static_cast<std::size_t>(row)]);
    result_.records.erase(result_.records.begin() + row);
}

int TADOQuery::FindRow(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) const
{
    // One numeric field, or one text field matched whole without regard to case: the column's index
    // holds exactly the candidates (its collation ignores case and trailing blanks).
    const TField* field = keyFields.contains(QLatin1Char(';')) ? nullptr : FindField(keyFields.trimmed());
    if (!field || result_.computed || !result_.table || keyValues.isNull())
        return TDataSet::FindRow(keyFields, keyValues, options);
    const int source = result_.columns[static_cast<std::size_t>(FieldNo(field))].source;
    const dbf::Column& column = result_.table->columns()[static_cast<std::size_t>(source)];
    const bool text = column.type == 'C';
    if (column.isMemo() ||
        (text && (options.testFlag(loPartialKey) || !options.testFlag(loCaseInsensitive))) ||
        (!text && !column.isNumeric()))
        return TDataSet::FindRow(keyFields, keyValues, options);
    QByteArray key;
    if (!dbf::valueKey(column, keyValues, result_.table->codePage(), &key))
        return -1;
    auto guard = result_.table->lock();
    const dbf::ColumnIndex& index = result_.table->indexUnlocked(source);
    int best = -1;
    for (auto it = index.lowerBound(key.toStdString()), end = index.upperBound(key.toStdString()); it != end; ++it) {
        const int row = RowOfId(quint64(it->second) + 1);
        if (row >= 0 && (best < 0 || row < best))
            best = row;
    }
    return best;
}

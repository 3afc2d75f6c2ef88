#pragma once
// TADOQuery: a data set made by an SQL statement on a TADOConnection. Open runs a SELECT and shows its
// rows; ExecSQL runs any statement. ':name' in the text (outside quoted texts) is a parameter, set through
// Parameters() before running. Rows of a plain SELECT read the table live, so Edit/Post, blob streams and
// Delete write to the table and bookmarks are record numbers that outlive deletes; rows of aggregates and
// DISTINCT are computed and read-only.
#include "platform/data/DataSet.h"
#include "platform/data/Parameters.h"
#include "platform/data/SqlParser.h"
#include "platform/data/SqlResult.h"
#include "platform/data/ViewRows.h"

class TADOConnection;
namespace dbf {
struct Column;
}

class TADOQuery : public TDataSet {
public:
    explicit TADOQuery(TADOConnection* connection = nullptr);
    ~TADOQuery() override;

    TADOConnection* Connection() const { return connection_; }
    void SetConnection(TADOConnection* connection);

    // The statement text; setting it closes the query and remakes the parameters.
    QString SQL() const { return sql_; }
    void SetSQL(const QString& text);
    void ClearSQL() { SetSQL(QString()); }
    TParameters& Parameters() { return parameters_; }
    bool Prepared() const { return prepared_; }
    void SetPrepared(bool prepared) { prepared_ = prepared; }

    // Runs the statement (a SELECT's rows are not kept); returns the rows it touched.
    int ExecSQL();

    bool CanModify() const override;

protected:
    std::vector<TFieldDef> InternalOpen() override;
    void InternalClose() override;
    int RowCount() const override;
    quint64 RowId(int row) const override;
    QVariant RowValue(int row, int field) const override;
    int InternalPost(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed) override;
    void InternalDelete(int row) override;
    int RowOfId(quint64 id) const override;
    int FindRow(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) const override;

private:
    sql::Result run(bool selectOnly);
    // A row's value when RowValue's short way does not hold.
    QVariant readValue(int row, int field) const;
    // Takes a copy of the record's bytes, the one the fields read.
    void showRecord(quint32 record) const;
    QVariant memoValue(quint32 record, int field) const;

    TADOConnection* connection_ = nullptr;
    QString sql_;
    std::shared_ptr<const sql::ParsedText> parsed_ = sql::parseKept(QString());
    TParameters parameters_;
    bool prepared_ = false;
    sql::Result result_;
    sql::ViewRows rows_;  // the records of record rows
    std::vector<quint32> keptRows_;  // the rows of a large view closed since the last large one opened
    // Place (in rows_) of each table record, exact for the places below placesMapped_: a map as compact
    // as the result itself, for bookmarks and Locate on large views. Deletes leave places alone.
    mutable std::vector<int> placeOfRecord_;
    mutable std::size_t placesMapped_ = 0;
    // The table column each field of record rows reads, found once when the query opens.
    std::vector<const dbf::Column*> columnOf_;
    // The bytes of the record last read: its other fields are decoded from them without the table's lock
    // while the table has not been written since.
    mutable std::vector<char> shown_;
    mutable const dbf::Table* shownTable_ = nullptr;
    mutable quint32 shownRecord_ = 0;
    mutable quint64 shownWrites_ = 0;
};

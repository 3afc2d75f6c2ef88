#pragma once
// The journal table's conversion, without a window: detects the generation of Base.DBF, moves the old table
// to oldBASE.DBF and back, and copies its rows into a new table of the schema the application type needs,
// telling its progress after each row. It shows nothing: every step returns its outcome for the caller to
// tell. It works on the main window's database objects, which the caller sets before the first step.
#include "db/ConversionFiles.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class TADOConnection;
class TADOQuery;
class TField;

namespace db {

class TJournalConverter {
public:
    // The generation (1..7) of Base.DBF, by its column names; only the header is read. 0 when the file is
    // missing, its columns match no generation or it cannot be read.
    int DetectFormat();

    // A copy of the text with every ':' replaced by '.', for a date inside a file name.
    static QString ReplaceColons(const QString& text);

    enum class Target { Default, DefaultMp };
    // The row converter of a conversion from generation `detected` to `required`; none when there is none.
    static std::optional<Target> TargetFor(int required, int detected);
    // Whether an application type needing generation `required` keeps a journal at all ("medic" and "police"
    // keep none: their table stays as it is).
    static bool KeepsJournal(int required);

    // Moves Base.DBF (and its memo) to oldBASE.DBF, the connection let go of the files meanwhile.
    TConversionFiles::MoveResult MoveToOld();
    // Moves the half-made new table aside and puts the old one back.
    TConversionFiles::RestoreResult PutOldBack();
    // At start-up, before the journal is opened: puts the old journal back when a crash cut a conversion
    // short. Restored also when there was nothing to do.
    static TConversionFiles::RestoreResult RecoverInterrupted(const QString& databaseFolder);
    // Why the last move, put-back or row copy failed, for the log.
    QString LastError() const { return error_; }

    enum class Rows {
        Converted, // every row is in the new table, which stands
        Empty,     // the old table has no rows: no table was made
        Stopped,   // the progress asked to stop
        Failed,    // an error (LastError) stopped the copy
    };
    // Told after each row written: rows done and the total. False stops the copy after that row.
    using Progress = std::function<bool(int done, int total)>;
    // Creates the new table of the target's schema and copies every row of oldBASE.DBF of generation `source`
    // into it, numbered 1..n in the order of its date text, with its photo from PHOTOS for "default_mp".
    Rows ConvertRows(Target target, int source, const Progress& progress);

    // Building an INSERT: column and parameter lists.
    static void AddSqlField(const QString& name, const QString& value, QString& cols, QString& params, bool first);
    static void AddSqlFieldChar(const QString& name, QChar value, QString& cols, QString& params, bool first);
    static void AddSqlFieldValue(const QString& name, const QVariant& value, QString& cols, QString& params, bool first);
    static void ReplaceParam(QString& text, const QString& name, int value);
    void SetSqlParam(const QString& name, const QString& value);
    void SetSqlParamChar(const QString& name, QChar value);
    void SetSqlParamValue(const QString& name, const QVariant& value);

    QString WorkDir;
    TADOQuery* ADOQuery = nullptr;            // the main window's journal query, not owned
    TADOQuery* ADOQueryP = nullptr;           // the main window's look-up query, not owned
    TADOConnection* ADOConnection = nullptr;  // the main window's connection, not owned

private:
    struct SourceColumns;
    struct Row;
    Rows copyRows(Target target, int source, const SourceColumns& in, int total, const Progress& progress);
    void insertRow(Target target, int source, const Row& row);
    void createTable(Target target);
    QString databaseFolder() const;
    int targetWidth(const QString& column) const;
    QString fitted(const QString& column, const QString& text) const;
    QString photoFile(const QString& name) const;

    QString error_;
    std::vector<std::pair<QString, int>> widths_;
    // The files of PHOTOS, listed once: by name, and by name in lower case for a name of another case.
    QHash<QString, QString> photos_, photosFolded_;
};

} // namespace db

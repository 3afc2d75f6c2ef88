#pragma once
// The files of a journal conversion and their moves, made so that a crash at any moment leaves a state
// the next start can finish: either the old journal back under its own name, or the finished conversion.
//
// Before the first move a marker file (CONVERT.STATE, written whole and made durable) records the names the
// old table and its memo had. While the marker exists the conversion is not finished; only its removal,
// after the new table is on disk, makes the conversion stand. A start that finds the marker puts the old
// journal back (Restore). No move ever replaces an existing file.
#include <QDateTime>
#include <QString>

#include <functional>

namespace db {

// Renames a file to a name that must be free: never replaces an existing file (false, errno EEXIST).
bool RenameNoReplace(const QString& from, const QString& to);

class TConversionFiles {
public:
    // folder: the folder of the journal tables (DATABASE).
    explicit TConversionFiles(const QString& folder);

    static constexpr const char* kMarker = "CONVERT.STATE";

    // The existing file of that name, whatever its case; empty when there is none.
    QString Find(const QString& name) const;
    // Whether a conversion was begun and neither finished nor rolled back.
    bool InProgress() const;

    enum class MoveResult { Moved, NoTable, OldTableExists, OldMemoExists, Failed };
    // Writes the marker, then moves the journal (Base.DBF and its memo file) to oldBASE.DBF and oldBASE.DBT.
    // On failure nothing is left moved and no marker stays.
    MoveResult MoveToOld();

    enum class RestoreResult { Restored, NewTableAsideFailed, NewMemoAsideFailed, OldTableBackFailed, OldMemoBackFailed };
    // Moves the new table (and its memo) aside as "BASE_del (yyyy.mm.dd hh.nn.ss)" and puts the old table and its
    // memo back under their own names; then the marker goes. Can be repeated after a crash at any step.
    RestoreResult Restore(const QDateTime& now);

    // Makes the finished conversion stand: the folder's entries are made durable and the marker removed.
    bool Commit();

    // The reason of the last failure, for the log.
    QString LastError() const { return error_; }

    // Called at every step after which a crash must leave a recoverable folder. Tests end the process there;
    // the program leaves it empty.
    static std::function<void(const char* step)> CrashPoint;
    static void Reached(const char* step)
    {
        if (CrashPoint)
            CrashPoint(step);
    }

private:
    bool writeMarker(const QString& table, const QString& memo);
    bool readMarker(QString* table, QString* memo) const;
    bool removeMarker();
    bool moveAside(const QString& path, const QString& target);
    QString stampFree(const QDateTime& now) const;
    QString path(const QString& name) const;
    bool fail(const QString& what);

    QString folder_;
    QString error_;
};

} // namespace db

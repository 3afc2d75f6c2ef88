#pragma once
// Helpers of the db tests: a work folder with its DATABASE folder, and tables written by python3-dbf, a
// writer that is not ours.
#include "common/testutil.h"
#include "db/JournalConverter.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"

#include <QDir>
#include <QDirIterator>
#include <QMap>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

namespace dbfixture {

// A fresh work folder; the connection finds its tables in DATABASE (no connect.udl).
struct WorkFolder {
    testutil::TempDir dir;
    WorkFolder() { QDir(dir.path()).mkpath(QStringLiteral("DATABASE")); }
    QString path() const { return dir.path(); }
    QString database(const QString& file) const { return dir.path() + QStringLiteral("/DATABASE/") + file; }
};

// The main window's objects as start-up hands them to the converter: the engine, or its window.
template <class Converter>
struct MainWindowDbOf {
    TADOConnection connection;
    TADOQuery query{&connection};
    TADOQuery lookup{&connection};
    Converter converter;

    explicit MainWindowDbOf(const QString& workDir)
    {
        connection.SetConnectionString(QStringLiteral("FILE NAME=") + workDir + QStringLiteral("/connect.udl"));
        connection.SetLoginPrompt(false);
        connection.Open();
        query.SetSQL(QStringLiteral("SELECT * FROM BASE"));
        converter.WorkDir = workDir;
        converter.ADOQuery = &query;
        converter.ADOQueryP = &lookup;
        converter.ADOConnection = &connection;
        if constexpr (requires { converter.RollbackDelay; })
            converter.RollbackDelay = 0;
    }

    void exec(const QString& sql)
    {
        TADOQuery q(&connection);
        q.SetSQL(sql);
        q.ExecSQL();
    }
};

using MainWindowDb = MainWindowDbOf<db::TJournalConverter>;

// Every file of a folder (names as they stand) with its bytes.
inline QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden); it.hasNext();) {
        it.next();
        files.insert(it.fileName(), testutil::readFile(it.filePath()));
    }
    return files;
}

inline bool havePythonDbf()
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import dbf")});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Writes a dBASE III table with python3-dbf: `fields` is its field list ("ID N(11,0); DATA C(19)"), `rows`
// a Python list of tuples. Returns false (with the script's errors added as a failure) when it did not.
inline bool writeWithPythonDbf(const QString& path, const QString& fields, const QString& rows = QStringLiteral("[]"))
{
    const QString script = QStringLiteral(
        "import dbf, sys\n"
        "t = dbf.Table(sys.argv[1], sys.argv[2], dbf_type='db3', codepage='cp1251')\n"
        "t.open(dbf.READ_WRITE)\n"
        "for r in %1:\n"
        "    t.append(r)\n"
        "t.close()\n").arg(rows);
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path, fields});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "python3-dbf: " << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

using testutil::runPython;

// A column list with one more name, or with one taken out.
inline QStringList plus(QStringList names, const QString& extra)
{
    names << extra;
    return names;
}

inline QStringList minus(QStringList names, const QString& gone)
{
    names.removeAll(gone);
    return names;
}

} // namespace dbfixture

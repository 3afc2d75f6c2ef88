#include "JournalSchemas.h"
#include "KillAtSyscall.h"
#include "common/testutil.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Field.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

QByteArray utf16le(const QString& text)
{
    QByteArray bytes("\xFF\xFE");
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace

TEST(Connection, DataLinkFileChoosesTheFolder)
{
    struct Case {
        const char* what;
        QByteArray udl;  // empty: no file
        const char* folder;
    };
    const QString header = "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n";
    const Case cases[] = {
        {"no file", QByteArray(), "DATABASE"},
        {"utf-16 with a Windows path", utf16le(header + "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Program Files\\VELT\\MyDocuments\\Journal;Extended Properties=dBASE IV;\r\n"), "Journal"},
        {"8-bit with a relative folder", (header + "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=DATABASE;Persist Security Info=False\r\n").toLatin1(), "DATABASE"},
        {"no data source", utf16le(header + "Provider=Microsoft.Jet.OLEDB.4.0\r\n"), "DATABASE"},
        {"quoted value", (header + "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"base;2\"\r\n").toLatin1(), "base;2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testutil::TempDir dir;
        if (!c.udl.isEmpty())
            testutil::writeFile(dir.file("connect.udl"), c.udl);
        TADOConnection conn;
        conn.SetConnectionString("FILE NAME=" + QDir::toNativeSeparators(dir.file("connect.udl")));
        conn.SetProvider(dir.file("connect.udl"));
        conn.Open();
        EXPECT_EQ(conn.DataFolder(), dir.file(c.folder));
        EXPECT_TRUE(QDir(conn.DataFolder()).exists());
    }
}

TEST(Connection, AnExistingFolderIsFoundWhateverItsCase)
{
    testutil::TempDir dir;
    QDir(dir.path()).mkdir("Database");
    TADOConnection conn;
    conn.SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
    conn.Open();
    EXPECT_EQ(conn.DataFolder(), dir.file("Database"));
}

TEST(Connection, ReleasedFilesCanBeRenamedAndANewTableTakesTheName)
{
    testutil::TempDir dir;
    TADOConnection conn;
    conn.SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
    TADOQuery q(&conn);
    q.SetSQL(fixtures::defaultMpCreate());
    q.ExecSQL();
    q.SetSQL("INSERT INTO Base ( ID ) VALUES ( 7 )");
    q.ExecSQL();
    conn.SetKeepConnection(false);
    ASSERT_TRUE(QDir(conn.DataFolder()).rename("Base.DBF", "oldBASE.DBF"));
    ASSERT_TRUE(QDir(conn.DataFolder()).rename("Base.DBT", "oldBASE.DBT"));
    conn.SetKeepConnection(true);
    q.SetSQL(fixtures::defaultMpCreate());
    q.ExecSQL();
    q.SetSQL("SELECT COUNT(*) as cnt FROM Base");
    q.Open();
    EXPECT_EQ(q.FieldByName("cnt")->AsInteger(), 0);
    q.SetSQL("SELECT max(ID) as maxid FROM oldBase");
    q.Open();
    EXPECT_EQ(q.FieldByName("maxid")->AsInteger(), 7);
}

TEST(Connection, ThreadsWritingOneTableThroughTheirOwnConnectionsLoseNothing)
{
    testutil::TempDir dir;
    {
        TADOConnection conn;
        conn.SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
        TADOQuery q(&conn);
        q.SetSQL(fixtures::infoPribCreate());
        q.ExecSQL();
    }
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            TADOConnection conn;
            conn.SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
            TADOQuery q(&conn);
            for (int i = 0; i < 50; ++i) {
                try {
                    q.SetSQL("INSERT INTO InfoPrib ( ID, PRIBOR, DATECONST ) VALUES ( :ID, :PRIBOR, :DATECONST )");
                    q.Parameters().ParamByName("ID")->SetValue(t * 50 + i + 1);
                    q.Parameters().ParamByName("PRIBOR")->SetValue(t);
                    q.Parameters().ParamByName("DATECONST")->SetValue(QString("2010.01.01 00:00:%1").arg(i, 2, 10, QChar('0')));
                    q.ExecSQL();
                    q.SetSQL("SELECT COUNT (*) AS POISK FROM InfoPrib WHERE PRIBOR = " + QString::number(t));
                    q.Open();
                    if (q.FieldByName("POISK")->AsInteger() != i + 1)
                        ++failures;
                    q.Close();
                } catch (const EDatabaseError& e) {
                    ADD_FAILURE() << e.what();
                    ++failures;
                }
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(failures, 0);
    TADOConnection conn;
    conn.SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
    TADOQuery q(&conn);
    q.SetSQL("SELECT * FROM InfoPrib ORDER BY DATECONST");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 200);
    QSet<int> ids;
    for (q.First(); !q.Eof(); q.Next())
        ids.insert(q.FieldByName("ID")->AsInteger());
    EXPECT_EQ(ids.size(), 200);
}

TEST(Connection, CreatingTheJournalSurvivesAKillAtAnyInstant)
{
    // The first start creates Base (with its memo file) and is killed at every system call in turn; the
    // next start, whatever it finds, comes up with a journal that files a record with a photo.
    const QByteArray photo("\xFF\xD8\x1A\x1A\x00\xFF\xD9", 7);
    auto connect = [](TADOConnection& conn, const QString& dir) {
        conn.SetConnectionString("FILE NAME=" + dir + "/connect.udl");
        conn.Open();
    };
    int killed = 0;
    bool finished = false;
    for (int stop = 1; stop < 3000 && !finished; ++stop) {
        SCOPED_TRACE(stop);
        // In memory where the machine has it: every step syncs, and a disk makes that slow.
        QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/velt-kill-XXXXXX" : QDir::tempPath() + "/velt-kill-XXXXXX");
        ASSERT_TRUE(dir.isValid());
        const killat::Outcome outcome = killat::run(stop, [&] {
            TADOConnection conn;
            connect(conn, dir.path());
            TADOQuery q(&conn);
            q.SetSQL(fixtures::defaultMpCreate());
            q.ExecSQL();
        });
        ASSERT_NE(outcome, killat::Outcome::Failed);
        finished = outcome == killat::Outcome::Finished;
        killed += outcome == killat::Outcome::Killed;

        TADOConnection conn;
        connect(conn, dir.path());
        TADOQuery q(&conn);
        if (!conn.TableExists("Base")) {
            q.SetSQL(fixtures::defaultMpCreate());
            q.ExecSQL();
        }
        q.SetSQL("INSERT INTO Base (ID, OBSL_PHOTO) VALUES (1, :PH)");
        q.Parameters().ParamByName("PH")->SetValue(photo);
        q.ExecSQL();
        q.SetSQL("SELECT * FROM Base");
        q.Open();
        ASSERT_EQ(q.RecordCount(), 1);
        EXPECT_EQ(q.FieldByName("OBSL_PHOTO")->AsBytes(), photo);
        q.Close();
        conn.Close();
        // Nothing half-made is left beside the journal.
        EXPECT_EQ(QDir(dir.filePath("DATABASE")).entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList({"Base.DBF", "Base.DBT"}));
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(killed, 10);
}

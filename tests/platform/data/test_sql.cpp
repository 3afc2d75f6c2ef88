// Every statement shape the program issues, with its own texts, on real tables.
#include "BookmarkWalk.h"
#include "JournalSchemas.h"
#include "common/testutil.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/BlobStream.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"
#include "platform/data/SqlFilter.h"
#include "platform/data/SqlParser.h"
#include "platform/rtl/CodePage.h"

#include <QDir>
#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <gtest/gtest.h>

namespace {

using Params = std::vector<std::pair<QString, QVariant>>;

struct Row {
    int id;
    int pribor;
    const char* date;
    const char* fam;
    double izm;
    const char* stat;
    qlonglong numVidoh;
    int typeRecord;
};

class Journal : public ::testing::Test {
protected:
    testutil::TempDir dir;
    TADOConnection conn;
    TADOQuery q{&conn};

    void SetUp() override
    {
        conn.SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
        conn.SetLoginPrompt(false);
        conn.SetMode(TADOConnection::cmShareExclusive);
        conn.Open();
        exec(fixtures::defaultMpCreate());
    }

    int exec(const QString& text, const Params& params = {})
    {
        q.Close();
        q.ClearSQL();
        q.SetSQL(text);
        for (const auto& [name, value] : params)
            q.Parameters().ParamByName(name)->SetValue(value);
        return q.ExecSQL();
    }

    TADOQuery& open(const QString& text, const Params& params = {})
    {
        q.Close();
        q.SetSQL(text);
        for (const auto& [name, value] : params)
            q.Parameters().ParamByName(name)->SetValue(value);
        q.Open();
        return q;
    }

    void insert(const Row& r)
    {
        QString cols = "ID, PRIBOR, DATA_IZM, IZM, STAT, NUM_VIDOH, TYPERECORD", params = ":ID, :PRIBOR, :DATA_IZM, :IZM, :STAT, :NUM_VIDOH, :TYPERECORD";
        Params values{{"ID", r.id}, {"PRIBOR", r.pribor}, {"DATA_IZM", QString(r.date)}, {"IZM", r.izm}, {"STAT", QString(r.stat)},
                      {"NUM_VIDOH", r.numVidoh}, {"TYPERECORD", r.typeRecord}};
        if (*r.fam) {
            cols += ", OBSL_FAM";
            params += ", :OBSL_FAM";
            values.emplace_back("OBSL_FAM", QString::fromUtf8(r.fam));
        }
        exec("INSERT INTO Base ( " + cols + " ) VALUES ( " + params + " )", values);
    }

    void fill()
    {
        const Row rows[] = {
            {1, 17, "2010.12.28 10:00:00", "ИВАНОВ", 0.0, "0", 5, 1},
            {2, 17, "2010.12.27 09:30:00", "Иванова", 0.123, "1", 6, 1},
            {3, 23, "2010.12.28 23:59:59", "петров", 0.5, "2", 0, 1},
            {4, 23, "2010.12.29 00:00:00", "", 0.0, "0", -2147483647LL, 2},
            {5, 17, "2010.12.28 12:00:00", "ёлкин", 0.2, "3", 7, 1},
        };
        for (const Row& r : rows)
            insert(r);
    }

    QList<int> ids(TADOQuery& query)
    {
        QList<int> out;
        for (query.First(); !query.Eof(); query.Next())
            out << query.FieldByName("ID")->AsInteger();
        return out;
    }

    // The records (by number from 1) a SELECT finds by testing every live record in file order, stably sorted
    // by the order column's key.
    QList<int> byTestingEveryRecord(const QString& text)
    {
        const sql::Statement st = sql::parse(text);
        auto t = conn.openTable("Base");
        auto guard = t->lock();
        const sql::Filter filter(st.where, *t, [](const QString&) { return QVariant(); });
        std::vector<quint32> records;
        for (quint32 r = 0; r < t->recordCountUnlocked(); ++r)
            if (!t->isDeletedUnlocked(r) && filter.matches(t->recordUnlocked(r)))
                records.push_back(r);
        if (!st.orderBy.empty()) {
            const int c = t->columnIndex(st.orderBy[0].column);
            std::stable_sort(records.begin(), records.end(), [&](quint32 a, quint32 b) { return t->keyUnlocked(a, c) < t->keyUnlocked(b, c); });
        }
        QList<int> out;
        for (quint32 r : records)
            out << int(r) + 1;
        return out;
    }

    QString errorOf(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const EDatabaseError& e) {
            return e.Message();
        }
        return {};
    }
};

} // namespace

TEST_F(Journal, CreateTextsMakeTheSchemasWithTheirWidths)
{
    open("SELECT * FROM BASE");
    EXPECT_EQ(q.FieldNames().join(","),
              "ID,TYPE_PRIB,PRIBOR,DATA_IZM,NUM_VIDOH,IZM,STAT,NORMA,IZM_AIR,DATA_POVER,MEAS_PLACE,OBSL_FAM,OBSL_NAME,OBSL_PAT,"
              "OBSL_NAUTO,OBSL_PHOTO,INSP_FAM,INSP_NAME,INSP_PAT,INSP_DEPR,INSP_NUMB,SATURDATA,TYPERECORD,DATA_REC,OPER");
    EXPECT_EQ(q.FieldByName("OBSL_FAM")->Size(), 23);
    EXPECT_EQ(q.FieldByName("ID")->DataType(), ftInteger);
    EXPECT_EQ(q.FieldByName("IZM")->DataType(), ftFloat);
    EXPECT_EQ(q.FieldByName("OBSL_PHOTO")->DataType(), ftMemo);
    EXPECT_EQ(q.RecordCount(), 0);
    q.Close();

    exec(fixtures::infoPribCreate());
    auto info = dbf::Table::open(conn.TablePath("InfoPrib"));
    EXPECT_EQ(info->columns().size(), 15u);
    EXPECT_EQ(info->version(), 0x03);  // no memo
    EXPECT_EQ(info->columns()[2].length, 19);
    info.reset();

    conn.ReleaseFiles();
    ASSERT_TRUE(QDir(conn.DataFolder()).rename("Base.DBF", "NEWBASE.DBF"));
    ASSERT_TRUE(QDir(conn.DataFolder()).rename("Base.DBT", "NEWBASE.DBT"));
    exec(fixtures::defaultCreate());
    open("SELECT * FROM Base");
    EXPECT_EQ(q.FieldCount(), 11);
    EXPECT_EQ(q.FieldByName("OBSL_FAM")->Size(), 20);

    // Creating over an existing table, or with a placeholder left in, fails and names the statement.
    EXPECT_TRUE(errorOf([&] { exec(fixtures::defaultCreate()); }).contains("already exists"));
    const QString raw = "CREATE TABLE X(A CHAR(:MAX_FAM))";
    EXPECT_TRUE(errorOf([&] { exec(raw); }).contains(raw));
}

TEST_F(Journal, MaxMinAndCountOnEmptyAndFilledTables)
{
    open("SELECT max(ID) as maxid FROM Base");
    EXPECT_TRUE(q.FieldByName("maxid")->IsNull());
    EXPECT_EQ(q.FieldByName("MAXID")->AsInteger() + 1, 1);
    open("SELECT min(DATA_IZM) as mindate FROM Base");
    EXPECT_TRUE(q.FieldByName("mindate")->IsNull());
    open("SELECT COUNT(*) as cnt FROM Base");
    EXPECT_EQ(q.FieldByName("cnt")->AsInteger(), 0);

    fill();
    open("SELECT max(ID) as maxid FROM Base");
    EXPECT_EQ(q.FieldByName("maxid")->AsInteger(), 5);
    open("SELECT min(DATA_IZM) as mindate FROM Base");
    EXPECT_EQ(q.FieldByName("mindate")->AsString(), "2010.12.27 09:30:00");
    open("SELECT COUNT(*) as cnt FROM Base");
    EXPECT_EQ(q.FieldByName("cnt")->AsString(), "5");
    open("SELECT COUNT(*) as cnt FROM Base WHERE  ( DATA_IZM >= '2010.12.28 00:00:00' AND DATA_IZM <= '2010.12.28 23:59:59' ) AND  (PRIBOR = :PRB)",
         {{"PRB", 17}});
    EXPECT_EQ(q.FieldByName("cnt")->AsInteger(), 2);
    exec("DELETE FROM Base WHERE ID = 5");
    open("SELECT max(ID) as maxid FROM Base");
    EXPECT_EQ(q.FieldByName("maxid")->AsInteger(), 4);
}

TEST_F(Journal, AggregatesOverAColumnOfOnlyNullsGiveNull)
{
    // Rows exist, but none has a surname: the column's index holds only NULL keys.
    insert({1, 17, "2010.12.28 10:00:00", "", 0.0, "0", 5, 1});
    insert({2, 17, "2010.12.28 11:00:00", "", 0.0, "0", 6, 1});
    for (const char* where : {"", " WHERE PRIBOR = 17"}) {
        SCOPED_TRACE(where);
        open(QString("SELECT min(OBSL_FAM) as lo, max(OBSL_FAM) as hi, COUNT(OBSL_FAM) as n FROM Base") + where);
        EXPECT_TRUE(q.FieldByName("lo")->IsNull());
        EXPECT_TRUE(q.FieldByName("hi")->IsNull());
        EXPECT_EQ(q.FieldByName("n")->AsInteger(), 0);
    }
}

TEST_F(Journal, TextFieldsLongerThan255CompareSortAndMatch)
{
    // A table from elsewhere with a 300-character text field (the width's high byte in the decimals byte).
    const int width = 300, recordLength = 1 + 5 + width;
    QByteArray dbf(32 * 3 + 1, '\0');
    dbf[0] = 0x03;
    dbf[4] = 3;
    dbf[8] = char((32 * 3 + 1) & 0xFF);
    dbf[10] = char(recordLength & 0xFF);
    dbf[11] = char(recordLength >> 8);
    dbf[29] = 0x57;
    dbf.replace(32, 2, "ID");
    dbf[32 + 11] = 'N';
    dbf[32 + 16] = 5;
    dbf.replace(64, 4, "NOTE");
    dbf[64 + 11] = 'C';
    dbf[64 + 16] = char(width & 0xFF);
    dbf[64 + 17] = char(width >> 8);
    dbf[96] = 0x0D;
    const QString notes[] = {QString(280, QChar(u'Б')) + QString::fromUtf8("конец"), QString(280, QChar(u'А')) + QString::fromUtf8("КОНЕЦ"), QString()};
    for (int id = 1; id <= 3; ++id) {
        QByteArray record = ' ' + QByteArray::number(id).rightJustified(5, ' ') + rtl::toCp1251(notes[id - 1]);
        dbf += record.leftJustified(recordLength, ' ');
    }
    dbf += '\x1A';
    testutil::writeFile(QDir(conn.DataFolder()).filePath("NOTES.DBF"), dbf);

    struct Case {
        QString sql;
        QList<int> ids;
    };
    const Case cases[] = {
        {"SELECT * FROM NOTES ORDER BY NOTE", {3, 2, 1}},
        {"SELECT * FROM NOTES ORDER BY NOTE DESC", {1, 2, 3}},
        {QString::fromUtf8("SELECT * FROM NOTES WHERE NOTE LIKE '%конец' ORDER BY ID"), {1, 2}},
        {"SELECT * FROM NOTES WHERE NOTE = '" + notes[1].toLower() + "'", {2}},
        {"SELECT * FROM NOTES WHERE NOTE > '" + notes[1] + "'", {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql.left(60).toStdString());
        open(c.sql);
        EXPECT_EQ(ids(q), c.ids);
    }
    open("SELECT * FROM NOTES WHERE ID = 1");
    EXPECT_EQ(q.FieldByName("NOTE")->AsString(), notes[0]);
}

TEST_F(Journal, InsertLeavesUnlistedColumnsNullAndRoundsNothingItShouldNot)
{
    exec("INSERT INTO Base ( ID, PRIBOR, IZM ) VALUES ( :ID, :PRIBOR, :IZM )", {{"ID", 1}, {"PRIBOR", 123}, {"IZM", "0,123"}});
    open("SELECT * FROM Base WHERE ID = :ID ORDER BY DATA_IZM", {{"ID", 1}});
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_DOUBLE_EQ(q.FieldByName("IZM")->AsFloat(), 0.123);
    EXPECT_TRUE(q.FieldByName("DATA_IZM")->IsNull());
    EXPECT_TRUE(q.FieldByName("OBSL_PHOTO")->IsNull());
    EXPECT_EQ(q.FieldByName("TYPERECORD")->AsInteger(), 0);
    // A parameter left without a value is an error, not a NULL.
    EXPECT_TRUE(errorOf([&] { exec("INSERT INTO Base ( ID, PRIBOR ) VALUES ( :ID, :PRIBOR )", {{"ID", 2}}); }).contains(":PRIBOR"));
    EXPECT_TRUE(errorOf([&] { exec("INSERT INTO Base ( ID, NOPE ) VALUES ( 1, 2 )"); }).contains("NOPE"));
}

TEST_F(Journal, TheViewStatementsFilterAndSortLikeTheOriginalEngine)
{
    fill();
    struct Case {
        const char* sql;
        Params params;
        QList<int> ids;
    };
    const Case cases[] = {
        {"SELECT * FROM Base ORDER BY DATA_IZM", {}, {2, 1, 5, 3, 4}},
        {"SELECT * FROM Base WHERE ID >= :IDp_min AND ID <= :IDp_max ORDER BY DATA_IZM", {{"IDp_min", 2}, {"IDp_max", 4}}, {2, 3, 4}},
        {"SELECT * FROM Base WHERE DATA_IZM >= '2010.12.28 00:00:00' AND DATA_IZM <= '2010.12.28 23:59:59' ORDER BY DATA_IZM", {}, {1, 5, 3}},
        // LIKE and comparisons ignore case, Cyrillic included; the pattern comes upper-cased.
        {"SELECT * FROM Base WHERE OBSL_FAM LIKE 'ИВАНОВ%' ORDER BY DATA_IZM", {}, {2, 1}},
        {"SELECT * FROM Base WHERE OBSL_FAM LIKE 'иванов' ORDER BY DATA_IZM", {}, {1}},
        {"SELECT * FROM Base WHERE OBSL_FAM LIKE 'ЁЛКИН%' ORDER BY DATA_IZM", {}, {5}},
        {"SELECT * FROM Base WHERE OBSL_FAM LIKE '_ЕТРОВ' ORDER BY DATA_IZM", {}, {3}},
        {"SELECT * FROM Base WHERE OBSL_FAM = 'ПЕТРОВ   ' ORDER BY DATA_IZM", {}, {3}},
        {"SELECT * FROM Base WHERE PRIBOR = 17 ORDER BY DATA_IZM", {}, {2, 1, 5}},
        {"SELECT * FROM Base WHERE IZM >= :MinIzmp ORDER BY DATA_IZM", {{"MinIzmp", 0.2}}, {5, 3}},
        {"SELECT * FROM Base WHERE IZM >= :MinIzmp AND IZM <= :MaxIzmp ORDER BY DATA_IZM", {{"MinIzmp", 0.1}, {"MaxIzmp", 0.2}}, {2, 5}},
        {"SELECT * FROM Base WHERE ID >= :IDp_min AND ID <= :IDp_max AND DATA_IZM >= '2010.12.28 00:00:00' AND DATA_IZM <= '2010.12.28 23:59:59' "
         "AND OBSL_FAM LIKE 'П%' AND PRIBOR = 23 AND IZM >= :MinIzmp AND IZM <= :MaxIzmp ORDER BY DATA_IZM",
         {{"IDp_min", 0}, {"IDp_max", 9}, {"MinIzmp", 0.5}, {"MaxIzmp", 0.5}}, {3}},
        // Consolidated report: parentheses, a parameter, ordering by a signed number.
        {"SELECT * FROM Base WHERE  ( DATA_IZM >= '2010.12.28 00:00:00' AND DATA_IZM <= '2010.12.29 23:59:59' ) AND  (PRIBOR = :PRB) ORDER BY DATA_IZM",
         {{"PRB", 23}}, {3, 4}},
        {"SELECT * FROM Base WHERE  (PRIBOR = :PRB) ORDER BY NUM_VIDOH", {{"PRB", 23}}, {4, 3}},
        {"SELECT * FROM Base WHERE ID = 99 ORDER BY DATA_IZM", {}, {}},
        {"SELECT * FROM Base WHERE IZM >= :MinIzmp ORDER BY DATA_IZM", {{"MinIzmp", QVariant()}}, {}},  // NULL matches nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        open(QString::fromUtf8(c.sql), c.params);
        EXPECT_EQ(ids(q), c.ids);
        EXPECT_EQ(q.RecordCount(), c.ids.size());
    }
}

TEST_F(Journal, NullsSortFirstAndTiesKeepFileOrder)
{
    insert({1, 1, "2010.01.02 00:00:00", "", 0, "0", 0, 1});
    exec("INSERT INTO Base ( ID, PRIBOR ) VALUES ( 2, 1 )");
    insert({3, 1, "2010.01.01 00:00:00", "", 0, "0", 0, 1});
    insert({4, 1, "2010.01.02 00:00:00", "", 0, "0", 0, 1});
    exec("INSERT INTO Base ( ID, PRIBOR ) VALUES ( 5, 1 )");
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    EXPECT_EQ(ids(q), (QList<int>{2, 5, 3, 1, 4}));
    open("SELECT * FROM Base ORDER BY DATA_IZM DESC");
    EXPECT_EQ(q.FieldByName("ID")->AsInteger(), 1);
}

TEST_F(Journal, DuplicateSearchComparesTheValueTextAsANumber)
{
    fill();
    for (const char* izm : {"0,123", "0.123", "0.1230"}) {
        SCOPED_TRACE(izm);
        const QString cond = " WHERE DATA_IZM = '2010.12.27 09:30:00' AND PRIBOR = 17 AND IZM = :IZMp AND STAT = '1'";
        open("SELECT COUNT (*) AS POISK FROM Base" + cond, {{"IZMp", izm}});
        EXPECT_EQ(q.FieldByName("POISK")->AsString(), "1");
        open("SELECT ID FROM Base" + cond + " AND NUM_VIDOH = 6", {{"IZMp", izm}});
        EXPECT_EQ(q.FieldCount(), 1);
        EXPECT_EQ(q.FieldByName("ID")->AsInteger(), 2);
    }
    open("SELECT ID FROM Base WHERE DATA_IZM = '2010.12.27 09:30:00' AND IZM = :IZMp", {{"IZMp", 0.124}});
    EXPECT_EQ(q.FieldByName("ID")->AsInteger(), 0);  // no row: 0
    EXPECT_TRUE(errorOf([&] { open("SELECT ID FROM Base WHERE IZM = :IZMp", {{"IZMp", "abc"}}); }).contains("mismatch"));
}

TEST_F(Journal, UpdatesWithParametersAndLiterals)
{
    fill();
    const int n = exec("UPDATE Base  SET OBSL_FAM = :OBSL_FAM , OBSL_NAME = :OBSL_NAME  , NUM_VIDOH = 12 ,  OPER = 'Д''АРТАНЬЯН'  WHERE ID = :ID",
                       {{"OBSL_FAM", QString::fromUtf8("СИДОРОВ")}, {"OBSL_NAME", QString::fromUtf8("ИВАН")}, {"ID", 3}});
    EXPECT_EQ(n, 1);
    open("SELECT * FROM Base WHERE ID = 3");
    EXPECT_EQ(q.FieldByName("OBSL_FAM")->AsString(), QString::fromUtf8("СИДОРОВ"));
    EXPECT_EQ(q.FieldByName("NUM_VIDOH")->AsInteger(), 12);
    EXPECT_EQ(q.FieldByName("OPER")->AsString(), QString::fromUtf8("Д'АРТАНЬЯН"));
    exec("UPDATE Base  SET OPER = :OPER WHERE ID = :ID", {{"OPER", QString()}, {"ID", 3}});
    open("SELECT * FROM Base WHERE ID = 3");
    EXPECT_TRUE(q.FieldByName("OPER")->IsNull());

    exec(fixtures::infoPribCreate());
    exec("INSERT INTO InfoPrib ( ID, PRIBOR, DATECONST, LIFEZAPIS ) VALUES ( :ID, :PRIBOR, :DATECONST, :LIFEZAPIS )",
         {{"ID", 1}, {"PRIBOR", 4294967295LL}, {"DATECONST", "2009.03.15 00:00:00"}, {"LIFEZAPIS", 100}});
    exec("UPDATE InfoPrib  SET  LIFEZAPIS = :LIFEZAPIS WHERE ID = :ID", {{"LIFEZAPIS", 120}, {"ID", 1}});
    open("SELECT COUNT (*) AS POISK FROM InfoPrib WHERE DATECONST = '2009.03.15 00:00:00' AND PRIBOR = 4294967295");
    EXPECT_EQ(q.FieldByName("POISK")->AsInteger(), 1);
    open("SELECT ID FROM InfoPrib WHERE DATECONST = '2009.03.15 00:00:00' AND PRIBOR = 4294967295");
    EXPECT_EQ(q.FieldByName("ID")->AsInteger(), 1);
    open("SELECT max(ID) as maxid FROM InfoPrib");
    EXPECT_EQ(q.FieldByName("maxid")->AsInteger(), 1);
    open("SELECT * FROM InfoPrib WHERE ID = 1");
    EXPECT_EQ(q.FieldByName("LIFEZAPIS")->AsInteger(), 120);
    EXPECT_EQ(q.FieldByName("PRIBOR")->AsLargeInt(), 4294967295LL);
    open("SELECT * FROM InfoPrib  ORDER BY DATECONST");
    EXPECT_EQ(q.RecordCount(), 1);
}

TEST_F(Journal, DistinctKeepsTheOrderTheRowsCome)
{
    fill();
    open("SELECT DISTINCT PRIBOR FROM Base");
    QList<int> pribors;
    for (q.First(); !q.Eof(); q.Next())
        pribors << q.FieldByName("PRIBOR")->AsInteger();
    EXPECT_EQ(pribors, (QList<int>{17, 23}));
    exec("UPDATE Base SET OBSL_FAM = 'иванов' WHERE ID = 2");
    open("SELECT DISTINCT OBSL_FAM FROM Base");
    EXPECT_EQ(q.RecordCount(), 4);  // ИВАНОВ and иванов are one value; NULL is one too
}

TEST_F(Journal, ColonInsideQuotesIsNoParameter)
{
    q.SetSQL("SELECT COUNT (*) AS POISK FROM Base WHERE DATA_IZM = '2009.05.12 10:22:33' AND PRIBOR = 5 AND IZM = :IZMp");
    ASSERT_EQ(q.Parameters().Count(), 1);
    EXPECT_EQ(q.Parameters().Items(0)->Name(), "IZMp");
    EXPECT_THROW(q.Parameters().ParamByName("22"), EDatabaseError);
}

TEST_F(Journal, StatementsOutsideTheSetFailQuotingThemselves)
{
    fill();
    const char* bad[] = {
        "SELECT * FROM Base WHERE ID = 1 OR ID = 2",
        "DROP TABLE Base",
        "SELECT * FROM Base ORDER BY DATA",
        "SELECT * FROM Base, InfoPrib",
        "SELECT ID, max(ID) FROM Base",
        "SELECT * FROM Base WHERE NOPE = 1",
        "SELECT * FROM Nowhere",
        "SELECT * FROM Base WHERE DATA_IZM = '2010",
        "SELECT * FROM Base GROUP BY PRIBOR",
        "UPDATE Base SET ID = 1 WHERE ID IN (1, 2)",
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        const QString message = errorOf([&] { open(text); });
        EXPECT_TRUE(message.contains(text)) << message.toStdString();
    }
    EXPECT_TRUE(errorOf([&] { open("DELETE FROM Base WHERE ID = 1"); }).contains("ExecSQL"));
    // Parentheses nested past any statement the program builds are refused, not recursed into without end.
    const QString deep = "SELECT * FROM Base WHERE " + QString(100000, '(') + "ID = 1" + QString(100000, ')');
    EXPECT_TRUE(errorOf([&] { open(deep); }).contains("nested deeper"));
    open("SELECT COUNT(*) as cnt FROM Base WHERE ((ID >= 1) AND (ID <= 5))");
    EXPECT_EQ(q.FieldByName("cnt")->AsInteger(), 5);
    open("SELECT COUNT(*) as cnt FROM Base");
    EXPECT_EQ(q.FieldByName("cnt")->AsInteger(), 5);  // nothing was run
}

TEST_F(Journal, DeleteThroughTheDataSetByBookmarks)
{
    fill();
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    QList<TBookmark> marks;
    for (int recNo : {2, 4}) {
        q.SetRecNo(recNo);
        marks << q.GetBookmark();  // IDs 1 and 3
    }
    q.DisableControls();
    for (const TBookmark& b : marks) {
        q.GotoBookmark(b);
        q.Delete();
    }
    q.EnableControls();
    EXPECT_EQ(ids(q), (QList<int>{2, 5, 4}));
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    EXPECT_EQ(ids(q), (QList<int>{2, 5, 4}));
    exec("DELETE FROM Base WHERE ID = 5");
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    EXPECT_EQ(ids(q), (QList<int>{2, 4}));
}

TEST_F(Journal, BookmarksFollowDeletesAndAppendsInEveryOrder)
{
    for (int i = 1; i <= 12; ++i)
        insert({i, 17, "2010.12.28 10:00:00", "", 0.1 * i, "0", i, 1});
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    fixtures::walkBookmarks(q, [&](int id) {
        q.Append();
        q.FieldByName("ID")->SetAsInteger(id);
        q.FieldByName("DATA_IZM")->SetAsString("2011.01.01 00:00:00");
        q.Post();
    });
}

// Deleting rows of a view leaves marks that are folded away once there are thousands: rows, bookmarks
// and appends stay true on both sides of the fold.
TEST_F(Journal, ManyDeletesOfAViewKeepItsRowsAndBookmarks)
{
    constexpr int kRecords = 5000;
    auto table = conn.openTable("Base");
    for (int i = 0; i < kRecords; ++i) {
        std::vector<QVariant> v(table->columns().size());
        v[0] = i + 1;
        v[3] = QString::asprintf("2010.01.%02d %02d:%02d:00", 1 + i % 28, i / 60 % 24, i % 60);
        table->append(v);
    }
    table.reset();
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    std::vector<std::pair<TBookmark, int>> live;
    for (q.First(); !q.Eof(); q.Next())
        live.emplace_back(q.GetBookmark(), q.FieldByName("ID")->AsInteger());
    std::vector<TBookmark> gone;
    auto check = [&](int deleted) {
        SCOPED_TRACE(deleted);
        ASSERT_EQ(q.RecordCount(), int(live.size()));
        for (std::size_t i = 0; i < live.size(); i += 1 + live.size() / 300) {
            q.SetRecNo(int(i) + 1);
            ASSERT_EQ(q.FieldByName("ID")->AsInteger(), live[i].second) << i;
            ASSERT_TRUE(q.BookmarkValid(live[i].first)) << i;
            q.GotoBookmark(live[i].first);
            ASSERT_EQ(q.RecNo(), int(i) + 1);
        }
        for (std::size_t i = 0; i < gone.size(); i += 1 + gone.size() / 50)
            EXPECT_FALSE(q.BookmarkValid(gone[i]));
    };
    unsigned step = 12345;
    for (int deleted = 1; deleted <= 4200; ++deleted) {
        step = step * 1103515245u + 12345u;
        const std::size_t i = (step >> 8) % live.size();
        if (deleted % 3 == 0) {
            q.SetRecNo(int(i) + 1);
        } else {
            ASSERT_TRUE(q.BookmarkValid(live[i].first));
            q.GotoBookmark(live[i].first);
        }
        q.Delete();
        gone.push_back(live[i].first);
        live.erase(live.begin() + std::ptrdiff_t(i));
        if (deleted % 700 == 0 || deleted == 4095 || deleted == 4096 || deleted == 4097)
            check(deleted);
        if (deleted == 4000 || deleted == 4150) {
            q.Append();
            q.FieldByName("ID")->SetAsInteger(10000 + deleted);
            q.FieldByName("DATA_IZM")->SetAsString("2011.01.01 00:00:00");
            q.Post();
            live.emplace_back(q.GetBookmark(), 10000 + deleted);
            check(deleted);
        }
    }
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    EXPECT_EQ(q.RecordCount(), int(live.size()));
}

TEST_F(Journal, PhotoWrittenThroughABlobStreamReadsBackExactly)
{
    fill();
    QByteArray jpeg("\xFF\xD8\xFF\xE0", 4);
    for (int i = 0; i < 3000; ++i)
        jpeg.append(char(i % 7 == 0 ? 0x1A : i & 0xFF));
    open("SELECT * FROM Base WHERE ID = :ID ORDER BY DATA_IZM", {{"ID", 3}});
    q.Edit();
    {
        auto stream = q.CreateBlobStream(q.FieldByName("OBSL_PHOTO"), bmWrite);
        stream->write(jpeg);
    }
    q.Post();
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    ASSERT_TRUE(q.Locate("ID", 3, loPartialKey));
    auto in = q.CreateBlobStream(q.FieldByName("OBSL_PHOTO"), bmRead);
    EXPECT_EQ(in->readAll(), jpeg);
    EXPECT_TRUE(q.FieldByName("OBSL_PHOTO")->IsBlob());
    q.Next();
    EXPECT_TRUE(q.FieldByName("OBSL_PHOTO")->IsNull());
    // Rows of aggregates are computed: they cannot be changed.
    open("SELECT max(ID) as maxid FROM Base");
    EXPECT_THROW(q.Edit(), EDatabaseError);
}

TEST_F(Journal, AfterOpenHandlerIsReplaceableAndSeesTheCount)
{
    fill();
    QStringList seen;
    q.AfterOpen = [&](TDataSet* ds) { seen << QString("normal %1").arg(ds->RecordCount()); };
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    q.AfterOpen = [&](TDataSet*) { seen << "burst"; };
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    EXPECT_EQ(seen, (QStringList{"normal 5", "burst"}));
}

TEST_F(Journal, ValuesAreLiveAndTheCursorStaysOnUpdatedRows)
{
    fill();
    TADOQuery view(&conn);
    view.SetSQL("SELECT * FROM Base ORDER BY DATA_IZM");
    view.Open();
    view.Last();
    exec("UPDATE Base SET OBSL_FAM = 'Z' WHERE ID = 4");
    EXPECT_EQ(view.FieldByName("OBSL_FAM")->AsString(), "Z");
}

TEST_F(Journal, LocateFindsTheFirstRowInViewOrder)
{
    fill();
    insert({6, 17, "2010.12.26 00:00:00", "ИВАНОВ", 0.0, "0", 5, 1});  // the same surname, earlier
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    q.FieldByName("ID")->SetIndex(3);  // moved fields still read their own column
    struct Case {
        const char* field;
        QVariant value;
        TLocateOptions options;
        int id;  // 0: not found
    };
    const Case cases[] = {
        {"ID", 3, loPartialKey, 3},
        {"ID", "4", {}, 4},
        {"ID", 42, {}, 0},
        {"OBSL_FAM", QString::fromUtf8("иванов"), loCaseInsensitive, 6},
        {"OBSL_FAM", QString::fromUtf8("иванов"), {}, 0},
        {"OBSL_FAM", QString::fromUtf8("ИВАН"), TLocateOptions(loCaseInsensitive) | loPartialKey, 6},
        {"OBSL_FAM", QString::fromUtf8("Иван"), loPartialKey, 2},  // the case of every letter counts
        {"OBSL_FAM", QString::fromUtf8("ЁЛ"), TLocateOptions(loCaseInsensitive) | loPartialKey, 5},
        {"OBSL_FAM", QString::fromUtf8("ИВАНОВЫ"), TLocateOptions(loCaseInsensitive) | loPartialKey, 0},
        {"IZM", 0.123, {}, 2},
        {"PRIBOR", 23, {}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        q.First();
        EXPECT_EQ(q.Locate(c.field, c.value, c.options), c.id != 0);
        if (c.id)
            EXPECT_EQ(q.FieldByName("ID")->AsInteger(), c.id);
    }
    exec("DELETE FROM Base WHERE ID = 3");
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    EXPECT_FALSE(q.Locate("ID", 3, {}));
}

// More records than the table keeps in memory at once: views, filters, aggregates and Locate stay true
// while records are rewritten into another place of the order, deleted and appended.
TEST_F(Journal, ALargeTableStaysTrueThroughRewritesDeletesAndAppends)
{
    constexpr int kRecords = 12000;
    auto table = conn.openTable("Base");
    struct Model {
        QString date;
        bool live = true;
    };
    std::vector<Model> model;
    auto dateOf = [](int i) { return QString::asprintf("2010.%02d.%02d %02d:00:00", 1 + i % 12, 1 + i / 12 % 28, i / 336 % 24); };
    for (int i = 0; i < kRecords; ++i) {
        std::vector<QVariant> v(table->columns().size());
        v[0] = i + 1;
        v[3] = dateOf(i);
        v[11] = QString::fromUtf8(i % 3 ? "ПЕТРОВ" : "Иванов");
        table->append(v);
        model.push_back({dateOf(i)});
    }
    table.reset();
    auto expected = [&](const std::function<bool(int)>& keep) {
        std::vector<int> order;
        for (int i = 0; i < int(model.size()); ++i)
            if (model[i].live && keep(i))
                order.push_back(i);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return model[a].date < model[b].date; });
        QList<int> out;
        for (int i : order)
            out << i + 1;
        return out;
    };
    auto all = [](int) { return true; };
    EXPECT_EQ(ids(open("SELECT * FROM Base ORDER BY DATA_IZM")), expected(all));

    // Rewrites move records through the order; deletes leave gaps; appends land among the old ones.
    for (int id = 5; id <= kRecords; id += 997) {
        model[id - 1].date = "2009.06.15 12:00:00";
        exec("UPDATE Base SET DATA_IZM = '2009.06.15 12:00:00' WHERE ID = :ID", {{"ID", id}});
    }
    for (int id = 7; id <= kRecords; id += 1201) {
        model[id - 1].live = false;
        exec("DELETE FROM Base WHERE ID = :ID", {{"ID", id}});
    }
    model[kRecords - 1].live = false;
    exec("DELETE FROM Base WHERE ID = :ID", {{"ID", kRecords}});
    for (int i = 0; i < 50; ++i) {
        const int id = kRecords + 1 + i;
        insert({id, 17, "2010.03.03 03:00:00", "", 0.0, "0", 0, 1});
        model.push_back({"2010.03.03 03:00:00"});
    }
    EXPECT_EQ(ids(open("SELECT * FROM Base ORDER BY DATA_IZM")), expected(all));
    EXPECT_EQ(ids(open("SELECT * FROM Base WHERE DATA_IZM >= '2010.03.03 00:00:00' AND DATA_IZM <= '2010.03.03 23:59:59' ORDER BY DATA_IZM")),
              expected([&](int i) { return model[i].date.startsWith("2010.03.03"); }));
    EXPECT_EQ(ids(open(QString::fromUtf8("SELECT * FROM Base WHERE OBSL_FAM LIKE 'иван%' ORDER BY DATA_IZM"))),
              expected([&](int i) { return i < kRecords && i % 3 == 0; }));
    EXPECT_EQ(open("SELECT max(ID) AS M FROM Base").FieldByName("M")->AsInteger(), kRecords + 50);
    exec("DELETE FROM Base WHERE ID > :ID", {{"ID", kRecords - 2}});
    EXPECT_EQ(open("SELECT max(ID) AS M FROM Base").FieldByName("M")->AsInteger(), kRecords - 2);
    // The record holding the smallest value changes, one holding another value takes the largest.
    exec("UPDATE Base SET ID = :N WHERE ID = 1", {{"N", 2 * kRecords}});
    exec("UPDATE Base SET ID = :N WHERE ID = 2", {{"N", 3 * kRecords}});
    EXPECT_EQ(open("SELECT min(ID) AS M FROM Base").FieldByName("M")->AsInteger(), 3);
    EXPECT_EQ(open("SELECT max(ID) AS M FROM Base").FieldByName("M")->AsInteger(), 3 * kRecords);
    exec("UPDATE Base SET ID = 1 WHERE ID = :N", {{"N", 3 * kRecords}});
    EXPECT_EQ(open("SELECT min(ID) AS M FROM Base").FieldByName("M")->AsInteger(), 1);
    EXPECT_EQ(open("SELECT max(ID) AS M FROM Base").FieldByName("M")->AsInteger(), 2 * kRecords);
    exec("UPDATE Base SET ID = 2 WHERE ID = 1");
    exec("UPDATE Base SET ID = 1 WHERE ID = :N", {{"N", 2 * kRecords}});

    // Locate finds the first row of the view, far from where the table was last read.
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    q.Last();
    ASSERT_TRUE(q.Locate("DATA_IZM", "2009.06.15 12:00:00", {}));
    EXPECT_EQ(q.FieldByName("ID")->AsInteger(), 5);
    ASSERT_TRUE(q.Locate("OBSL_FAM", QString::fromUtf8("ИВ"), TLocateOptions(loCaseInsensitive) | loPartialKey));
    EXPECT_EQ(q.FieldByName("OBSL_FAM")->AsString(), QString::fromUtf8("Иванов"));
    EXPECT_EQ(q.RecNo(), expected(all).indexOf(q.FieldByName("ID")->AsInteger()) + 1);
    const TBookmark mark = q.GetBookmark();
    q.First();
    q.GotoBookmark(mark);
    EXPECT_EQ(q.FieldByName("OBSL_FAM")->AsString(), QString::fromUtf8("Иванов"));
}

// The index ranges a WHERE is narrowed to (an equality, inclusive and strict bounds, a LIKE's fixed start,
// with and without the order column's index) find the same records in the same order as testing every
// record. Enough records that a rare match is sorted by its keys and a common one is taken from the index.
TEST_F(Journal, IndexRangesFindWhatTestingEveryRecordFinds)
{
    const char* surnames[] = {"ИВАНОВ", "Иванова", "иванов", " ИВАНОВ", "ИВАНОВ ПЕТР", "ИВАНОВ%", "ИВА_ОВ", "ЕЛКИН", "Ёлкин",
                              "", "IVANOV", "ivanova", "ЯКОВЛЕВ"};
    auto table = conn.openTable("Base");
    constexpr int kRecords = 1300;
    for (int i = 0; i < kRecords; ++i) {
        std::vector<QVariant> v(table->columns().size());
        v[0] = i + 1;
        v[2] = 100 + i % 7;
        v[3] = QString::asprintf("2010.%02d.%02d 10:00:00", 1 + i * 7 % 12, 1 + i % 28);  // out of file order, with ties
        v[5] = (i % 9) / 10.0;
        // One record alone holds its surname: a match too small to take from the order's index.
        v[11] = i == 700 ? QString::fromUtf8("ЩЕРБАКОВ") : QString::fromUtf8(surnames[i % std::size(surnames)]);
        table->append(v);
    }
    for (quint32 r = 3; r < kRecords; r += 97)
        table->remove(r);
    table.reset();

    const char* wheres[] = {
        "OBSL_FAM LIKE 'ИВАНОВ%'", "OBSL_FAM LIKE 'иван%'", "OBSL_FAM LIKE 'ИВАНОВ'", "OBSL_FAM LIKE 'ИВАНОВ %'",
        "OBSL_FAM LIKE ' ИВ%'", "OBSL_FAM LIKE 'ИВ_Н%'", "OBSL_FAM LIKE 'ИВА_ОВ%'", "OBSL_FAM LIKE 'ИВАНОВ%%'",
        "OBSL_FAM LIKE 'ИВАНОВ%А'", "OBSL_FAM LIKE '%ОВ'", "OBSL_FAM LIKE '%'", "OBSL_FAM LIKE 'Е%'", "OBSL_FAM LIKE 'ё%'",
        "OBSL_FAM LIKE 'iv%'", "OBSL_FAM LIKE '☺%'", "OBSL_FAM LIKE 'ЩЕРБ%'", "OBSL_FAM = 'ИВАНОВ'", "OBSL_FAM = 'ЩЕРБАКОВ'",
        "OBSL_FAM >= 'ИВАНОВ' AND OBSL_FAM < 'ИВАНОВА'", "OBSL_FAM > 'ИВАНОВ' AND OBSL_FAM <= 'ЯКОВЛЕВ'",
        "OBSL_FAM LIKE 'ИВАН%' AND PRIBOR = 101", "OBSL_FAM LIKE 'ИВАН%' AND IZM >= 0.3 AND IZM < 0.6",
        "DATA_IZM >= '2010.03.01 00:00:00' AND DATA_IZM <= '2010.05.31 23:59:59' AND OBSL_FAM LIKE 'ИВАНОВ%'",
        "ID > 5 AND ID < 900 AND OBSL_FAM LIKE 'иванов%'",
    };
    const char* orders[] = {"", " ORDER BY DATA_IZM", " ORDER BY ID", " ORDER BY OBSL_FAM"};
    for (const char* where : wheres)
        for (const char* order : orders) {
            const QString text = QString::fromUtf8("SELECT * FROM Base WHERE ") + QString::fromUtf8(where) + order;
            SCOPED_TRACE(text.toStdString());
            const QList<int> expected = byTestingEveryRecord(text);
            EXPECT_EQ(ids(open(text)), expected);
            EXPECT_EQ(open("SELECT COUNT(*) AS N FROM Base WHERE " + QString::fromUtf8(where)).FieldByName("N")->AsInteger(), expected.size());
        }
    EXPECT_EQ(ids(open(QString::fromUtf8("SELECT * FROM Base WHERE OBSL_FAM LIKE 'ЩЕРБ%' ORDER BY DATA_IZM"))), QList<int>{701});
}

// An index built beside another in one scan is the same index: ranges on it stay true through deletes and
// appends.
TEST_F(Journal, AnIndexBuiltAlongsideAnotherFindsWhatItsOwnWould)
{
    auto table = conn.openTable("Base");
    for (int i = 0; i < 300; ++i) {
        std::vector<QVariant> v(table->columns().size());
        v[0] = (i * 37) % 300 + 1;  // identifiers out of file order
        v[3] = QString::asprintf("2010.01.01 %02d:%02d:00", i / 60, i % 60);
        table->append(v);
    }
    table->indexAlongside(table->columnIndex("ID"));
    table->remove(5);
    table.reset();
    open("SELECT * FROM Base ORDER BY DATA_IZM");  // builds both
    insert({301, 1, "2009.01.01 00:00:00", "", 0, "0", 0, 1});
    const QList<int> window = ids(open("SELECT * FROM Base WHERE ID >= :IDp_min AND ID <= :IDp_max ORDER BY ID", {{"IDp_min", 290}, {"IDp_max", 310}}));
    QList<int> expected;
    for (int id = 290; id <= 301; ++id)
        if (id != (5 * 37) % 300 + 1)
            expected << id;
    EXPECT_EQ(window, expected);
    EXPECT_EQ(open("SELECT COUNT(*) AS N FROM Base WHERE ID >= 1").FieldByName("N")->AsInteger(), 300);
}

// The first read of a large table, made on many threads, orders its dates and identifiers and finds its
// extremes as one scan does: keys in file order with ties across the threads' ranges, NULL dates first,
// deleted records (the largest identifier among them); and a table whose keys break file order anywhere
// is sorted all the same. The indexes so made stay true through the writes after them.
TEST_F(Journal, TheFirstReadOnManyThreadsOrdersAndFindsWhatOneScanDoes)
{
    struct Case {
        const char* name;
        std::function<QString(int)> date;  // of record i
        std::function<int(int)> id;
    };
    const Case cases[] = {
        {"in file order", [](int i) { return i < 40 ? QString() : QString::asprintf("2010.01.%02d 10:00:00", 1 + i / 33); },
         [](int i) { return i + 1; }},
        {"one date late", [](int i) { return QString::asprintf("2010.01.%02d 10:00:00", i == 517 ? 2 : 1 + i / 33); },
         [](int i) { return i + 1; }},
        {"the last date earliest", [](int i) { return QString::asprintf("2010.01.%02d 10:00:00", i == 999 ? 1 : 2 + i / 33); },
         [](int i) { return i + 1; }},
        {"the halves swapped", [](int i) { return QString::asprintf("2010.01.%02d 10:00:00", (i + 500) % 1000 / 40 + 1); },
         [](int i) { return i + 1; }},
        {"identifiers out of order", [](int i) { return QString::asprintf("2010.01.%02d 10:00:00", 1 + i / 33); },
         [](int i) { return (i * 37) % 1000 + 1; }},
    };
    const QString queries[] = {
        "SELECT * FROM Base ORDER BY DATA_IZM",
        "SELECT * FROM Base ORDER BY ID",
        "SELECT * FROM Base WHERE DATA_IZM >= '2010.01.05 00:00:00' AND DATA_IZM <= '2010.01.09 23:59:59' ORDER BY DATA_IZM",
        "SELECT * FROM Base WHERE ID >= 400 AND ID <= 1010 ORDER BY ID",
    };
    // Each record keeps its number (from 1) in TYPE_PRIB, as byTestingEveryRecord gives them.
    auto records = [&](TADOQuery& query) {
        QList<int> out;
        for (query.First(); !query.Eof(); query.Next())
            out << query.FieldByName("TYPE_PRIB")->AsInteger();
        return out;
    };
    auto aggregate = [&](const char* what) { return open(QString("SELECT %1 AS X FROM Base").arg(what)).FieldByName("X")->AsInteger(); };
    {
        auto empty = conn.openTable("Base");
        empty->tuneScans({0, 100});
        EXPECT_TRUE(records(open(queries[0])).isEmpty());
        EXPECT_TRUE(open("SELECT MAX(ID) AS X FROM Base").FieldByName("X")->IsNull());
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool manyThreads : {false, true}) {
            SCOPED_TRACE(manyThreads ? "many threads" : "one thread");
            q.Close();
            conn.ReleaseFiles();
            ASSERT_TRUE(QDir(conn.DataFolder()).remove("Base.DBF") && QDir(conn.DataFolder()).remove("Base.DBT"));
            exec(fixtures::defaultMpCreate());
            auto table = conn.openTable("Base");
            std::map<int, int> live;  // identifier: NUM_VIDOH
            quint32 holderOfLargest = 0;
            for (int i = 0; i < 1000; ++i) {
                std::vector<QVariant> v(table->columns().size());
                v[0] = c.id(i);
                v[1] = i + 1;
                v[3] = c.date(i);
                v[4] = 10 + i % 5;
                table->append(v);
                live[c.id(i)] = 10 + i % 5;
                if (c.id(i) == 1000)
                    holderOfLargest = quint32(i);
            }
            for (quint32 r : {0u, 1u, 250u, 251u, 997u, holderOfLargest}) {
                table->remove(r);
                live.erase(c.id(int(r)));
            }
            auto expectExtremes = [&] {
                int low = INT_MAX, high = INT_MIN;
                for (const auto& [id, vidoh] : live) {
                    low = std::min(low, vidoh);
                    high = std::max(high, vidoh);
                }
                EXPECT_EQ(aggregate("MAX(ID)"), live.rbegin()->first);
                EXPECT_EQ(aggregate("MIN(ID)"), live.begin()->first);
                EXPECT_EQ(aggregate("MAX(NUM_VIDOH)"), high);
                EXPECT_EQ(aggregate("MIN(NUM_VIDOH)"), low);
            };
            table.reset();
            table = conn.openTable("Base");
            if (manyThreads)
                table->tuneScans({0, 100});  // a first read in ranges even of a small table
            table->indexAlongside(table->columnIndex("ID"));
            for (const QString& query : queries) {
                SCOPED_TRACE(query.toStdString());
                EXPECT_EQ(records(open(query)), byTestingEveryRecord(query));
            }
            expectExtremes();

            // Written after: a record filed, one moved to the front, the holders of the extremes deleted.
            exec("INSERT INTO Base ( ID, TYPE_PRIB, DATA_IZM, NUM_VIDOH ) VALUES ( 1001, 1001, '2010.02.01 00:00:00', 20 )");
            exec("UPDATE Base SET DATA_IZM = '2009.12.31 00:00:00', NUM_VIDOH = 5 WHERE ID = 600");
            live[1001] = 20;
            live[600] = 5;
            for (int id : {1001, 999, live.begin()->first}) {
                exec("DELETE FROM Base WHERE ID = :ID", {{"ID", id}});
                live.erase(id);
            }
            for (const QString& query : queries) {
                SCOPED_TRACE(query.toStdString());
                EXPECT_EQ(records(open(query)), byTestingEveryRecord(query));
            }
            expectExtremes();
        }
    }
}

// A view read field by field gives every value that was written, of every kind of field, over a table
// read through many blocks: in file order and backwards, past deleted records, after the table was written
// behind the view, and with the records appended since once it is opened again.
TEST(QueryRead, EveryFieldOfEveryRecordReadsAsWritten)
{
    testutil::TempDir dir;
    QDir(dir.path()).mkdir("DATABASE");
    const std::vector<dbf::Column> columns = {{"NAME", 'C', 30}, {"ID", 'N', 11}, {"IZM", 'N', 19, 6}, {"RATE", 'F', 20, 4},
                                              {"OK", 'L', 1},    {"DAY", 'D', 8},  {"PHOTO", 'M', 10}};
    auto table = dbf::Table::create(dir.file("DATABASE/KINDS.DBF"), columns);
    const QString names[] = {QString::fromUtf8("ИВАНОВ"), QString::fromUtf8("Д'Артаньян-Ёжиков №1"), "  lead blanks", "x"};
    std::vector<std::vector<QVariant>> model;  // values as a reader gets them; record number = index
    std::vector<bool> live;
    auto valuesOf = [&](int i) -> std::vector<QVariant> {
        return {i % 7 == 3 ? QVariant() : QVariant(names[i % 4] + QString::number(i)),
                i % 11 == 5 ? QVariant() : QVariant(qlonglong(i % 2 ? -i : i) * 1000003),
                i % 13 == 1 ? QVariant() : QVariant(double(i % 997 - 500) / 1000.0),
                QVariant(double(i * 2500 + 1) / 10000.0),
                i % 5 == 0 ? QVariant() : QVariant(QString(i % 2 ? "T" : "F")),
                QVariant(QString::asprintf("2024%02d%02d", 1 + i % 12, 1 + i % 28)),
                i % 97 == 0 ? QVariant(QByteArray("\xFF\xD8 photo ") + QByteArray::number(i) + QByteArray(i % 300, '\x1A')) : QVariant()};
    };
    auto add = [&](int i) {
        const std::vector<QVariant> v = valuesOf(i);
        table->append(v);
        model.push_back(v);
        live.push_back(true);
    };
    for (int i = 0; i < 3000; ++i)  // about twenty blocks' worth of records
        add(i);
    for (int r = 0; r < 3000; r += 211) {
        table->remove(quint32(r));
        live[std::size_t(r)] = false;
    }
    TADOConnection conn;
    conn.SetConnectionString("FILE NAME=" + dir.file("connect.udl"));
    TADOQuery view(&conn);
    view.SetSQL("SELECT * FROM KINDS");
    view.Open();

    auto liveRecords = [&]() {
        std::vector<int> out;
        for (int r = 0; r < int(model.size()); ++r)
            if (live[std::size_t(r)])
                out.push_back(r);
        return out;
    };
    auto expectRow = [&](int record) {
        for (int f = 0; f < view.FieldCount(); ++f)
            ASSERT_EQ(view.Fields(f)->Value(), model[std::size_t(record)][std::size_t(f)]) << "record " << record << " field " << f;
    };
    auto expectForward = [&]() {
        const std::vector<int> records = liveRecords();
        ASSERT_EQ(view.RecordCount(), int(records.size()));
        std::size_t row = 0;
        for (view.First(); !view.Eof(); view.Next(), ++row)
            expectRow(records[row]);
        EXPECT_EQ(row, records.size());
    };
    expectForward();
    std::vector<int> records = liveRecords();
    std::size_t row = records.size();
    for (view.Last(); !view.Bof(); view.Prior())
        expectRow(records[--row]);
    EXPECT_EQ(row, 0u);

    // Written behind the view: the record being read, and one further on.
    view.First();
    view.MoveBy(10);
    const int current = records[10], later = records[2500];
    expectRow(current);
    for (int r : {current, later}) {
        table->update(quint32(r), {{0, QString::fromUtf8("ПЕРЕПИСАН")}, {2, 7.25}, {6, QByteArray("new photo")}});
        model[std::size_t(r)][0] = QString::fromUtf8("ПЕРЕПИСАН");
        model[std::size_t(r)][2] = 7.25;
        model[std::size_t(r)][6] = QByteArray("new photo");
    }
    expectRow(current);
    expectForward();
    for (int i = 3000; i < 3400; ++i)
        add(i);
    view.Close();
    view.Open();
    expectForward();
}

// Text indexes made straight from the file on many threads, at once or aside of the read that answers a
// first filter, order their records as their keys do, ties in file order, and stay in step with the records
// written while one is made; that read finds what testing every record finds. Surnames: few, shared by many records and told apart past their
// eighth letter or by case, Ё, blanks; first names: many, most told apart by their prefixes.
TEST_F(Journal, TextIndexesMadeFromTheFileFindWhatTestingEveryRecordFinds)
{
    auto table = conn.openTable("Base");
    table->tuneScans({0, 100});  // a scan and an index build in parts, aside even for a small table
    const char* surnames[] = {"КОНСТАНТИНОВ", "Константинова", "КОНСТАНТИН", "КОНСТАНТ", "КОНСТАНТИНОВ ПЕТР", "ИВАНОВ", "иванов",
                              " ИВАНОВ", "Ёлкин", "ЕЛКИН", "", "IVANOV", "ЯКОВЛЕВ-ЩЕРБАКОВ"};
    const QString letters = QString::fromUtf8("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЭЮЯ");
    auto nameOf = [&](int i) {
        if (i % 3 == 0)
            return QString::fromUtf8("АЛЕКСАНДР") + letters[(i * 7) % letters.size()];
        return QString(letters[i % letters.size()]) + letters[(i / 7) % letters.size()] + letters[(i / 31) % letters.size()];
    };
    auto fill = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            std::vector<QVariant> v(table->columns().size());
            v[0] = i + 1;
            v[3] = QString::asprintf("2010.%02d.%02d 10:00:00", 1 + i * 5 % 12, 1 + i % 28);
            v[11] = QString::fromUtf8(surnames[(i * 7) % std::size(surnames)]);
            v[12] = nameOf(i);
            table->append(v);
        }
    };
    fill(0, 1500);
    for (quint32 r = 3; r < 1500; r += 97)
        table->remove(r);
    // The read that answers a first filter tests only the records whose prefixes lie in the filter's range:
    // starts shorter and longer than a prefix, of other case, ending on Ё, a start no record has.
    for (const char* first : {"КОНСТАНТИНОВ%", "константинова%", "Ё%", "КОНСТАНТИНОВ П%", "ИВАНОВ%", "ЯЯ%"}) {
        SCOPED_TRACE(first);
        q.Close();
        table.reset();
        conn.ReleaseFiles();
        table = conn.openTable("Base");
        table->tuneScans({0, 100});
        open("SELECT * FROM Base ORDER BY DATA_IZM");
        const QString text = QString::fromUtf8("SELECT * FROM Base WHERE OBSL_FAM LIKE '%1' ORDER BY DATA_IZM").arg(QString::fromUtf8(first));
        EXPECT_EQ(ids(open(text)), byTestingEveryRecord(text));
    }
    q.Close();
    table.reset();
    conn.ReleaseFiles();
    table = conn.openTable("Base");
    table->tuneScans({0, 100});
    open("SELECT * FROM Base ORDER BY DATA_IZM");  // the first whole scan

    const QString konst = QString::fromUtf8("SELECT * FROM Base WHERE OBSL_FAM LIKE 'КОНСТ%' ORDER BY DATA_IZM");
    EXPECT_EQ(ids(open(konst)), byTestingEveryRecord(konst));
    // Written while the surname index is being made: appended, rewritten into other places, deleted.
    fill(1500, 1540);
    for (int id = 2; id <= 1500; id += 61)
        exec(QString::fromUtf8("UPDATE Base SET OBSL_FAM = 'Константинов' WHERE ID = :ID"), {{"ID", id}});
    for (int id = 5; id <= 1540; id += 173)
        exec("DELETE FROM Base WHERE ID = :ID", {{"ID", id}});

    const char* queries[] = {
        "SELECT * FROM Base ORDER BY OBSL_FAM",
        "SELECT * FROM Base ORDER BY OBSL_NAME",
        "SELECT * FROM Base WHERE OBSL_FAM LIKE 'КОНСТ%' ORDER BY DATA_IZM",
        "SELECT * FROM Base WHERE OBSL_FAM LIKE 'константинов%' ORDER BY OBSL_FAM",
        "SELECT * FROM Base WHERE OBSL_FAM = 'КОНСТАНТ' ORDER BY ID",
        "SELECT * FROM Base WHERE OBSL_FAM LIKE 'ЕЛК%'",
        "SELECT * FROM Base WHERE OBSL_NAME LIKE 'АЛЕКСАНДРЯ%' ORDER BY DATA_IZM",
        "SELECT * FROM Base WHERE OBSL_NAME >= 'Б' AND OBSL_NAME < 'В' ORDER BY OBSL_NAME",
    };
    for (const char* query : queries) {
        const QString text = QString::fromUtf8(query);
        SCOPED_TRACE(query);
        EXPECT_EQ(ids(open(text)), byTestingEveryRecord(text));
    }
}

// A file cut short behind the table's back fails a scan or an index build on many threads with a clear
// error, the same as a read of one thread would: no crash, no hang, no records made up.
TEST_F(Journal, AFileCutShortFailsAScanOnManyThreadsClearly)
{
    auto table = conn.openTable("Base");
    table->tuneScans({0, 100});
    for (int i = 0; i < 1000; ++i) {
        std::vector<QVariant> v(table->columns().size());
        v[0] = i + 1;
        v[3] = QString::asprintf("2010.01.01 %02d:%02d:00", i / 60 % 24, i % 60);
        v[11] = QString::fromUtf8(i % 2 ? "ИВАНОВ" : "ПЕТРОВ");
        table->append(v);
    }
    open("SELECT * FROM Base ORDER BY DATA_IZM");
    ASSERT_TRUE(QFile::resize(table->path(), QFileInfo(table->path()).size() / 2));
    for (const char* query : {"SELECT * FROM Base WHERE OBSL_FAM LIKE 'ИВАН%' ORDER BY DATA_IZM", "SELECT * FROM Base ORDER BY OBSL_NAME"}) {
        SCOPED_TRACE(query);
        EXPECT_TRUE(errorOf([&] { open(QString::fromUtf8(query)); }).contains("the file ends before them"));
    }
}

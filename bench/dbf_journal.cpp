// The journal database at its working size: a generated 100,000-record default_mp journal with a photo
// in 1% of the rows. Opening it with the whole view, the filtered views, the statements that file one
// measurement, a full scan through the data set, and the same full scan by dbfread for comparison.
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace {

constexpr int kRecords = 100000;

const char* kCreate =
    "CREATE TABLE Base(ID INTEGER, TYPE_PRIB INTEGER, PRIBOR INTEGER, DATA_IZM CHAR(19), NUM_VIDOH INTEGER, IZM FLOAT, STAT CHAR(1), "
    "NORMA FLOAT, IZM_AIR FLOAT, DATA_POVER CHAR(19), MEAS_PLACE CHAR(23), OBSL_FAM CHAR(23), OBSL_NAME CHAR(23), OBSL_PAT CHAR(23), "
    "OBSL_NAUTO CHAR(23), OBSL_PHOTO MEMO, INSP_FAM CHAR(23), INSP_NAME CHAR(23), INSP_PAT CHAR(23), INSP_DEPR CHAR(23), "
    "INSP_NUMB CHAR(23), SATURDATA INTEGER, TYPERECORD INTEGER, DATA_REC CHAR(19), OPER CHAR(19))";

const char* kSurnames[] = {"ИВАНОВ", "ПЕТРОВ", "СИДОРОВ", "КУЗНЕЦОВ", "СМИРНОВ", "ПОПОВ", "ВАСИЛЬЕВ", "СОКОЛОВ", "МИХАЙЛОВ", "НОВИКОВ",
                           "ФЕДОРОВ", "МОРОЗОВ", "ВОЛКОВ", "АЛЕКСЕЕВ", "ЛЕБЕДЕВ", "СЕМЕНОВ", "ЕГОРОВ", "ПАВЛОВ", "КОЗЛОВ", "СТЕПАНОВ"};

QString dateOf(int i)
{
    // About 27 records a day over ten years, in filing order.
    const int minutes = i * 53;
    const int day = minutes / 1440, minute = minutes % 1440;
    const int year = 2005 + day / 365, dayOfYear = day % 365;
    return QString("%1.%2.%3 %4:%5:%6")
        .arg(year)
        .arg(dayOfYear / 31 % 12 + 1, 2, 10, QChar('0'))
        .arg(dayOfYear % 28 + 1, 2, 10, QChar('0'))
        .arg(minute / 60, 2, 10, QChar('0'))
        .arg(minute % 60, 2, 10, QChar('0'))
        .arg(i % 60, 2, 10, QChar('0'));
}

struct Journal {
    QTemporaryDir dir;
    QString connectionString;
    QString dbfPath;

    Journal()
    {
        connectionString = "FILE NAME=" + dir.filePath("connect.udl");
        TADOConnection conn;
        conn.SetConnectionString(connectionString);
        TADOQuery q(&conn);
        q.SetSQL(kCreate);
        q.ExecSQL();
        auto table = conn.openTable("Base");
        QByteArray photo(30000, '\0');
        for (int i = 0; i < photo.size(); ++i)
            photo[i] = char((i * 131) ^ (i >> 3));
        for (int i = 0; i < kRecords; ++i) {
            std::vector<QVariant> v(25);
            v[0] = i + 1;
            v[1] = 2;
            v[2] = 100 + i % 7;
            v[3] = dateOf(i);
            v[4] = i;
            v[5] = (i % 1000) / 1000.0;
            v[6] = QString::number(i % 4);
            v[7] = 0.15;
            v[11] = QString::fromUtf8(kSurnames[i % 20]);
            v[12] = QString::fromUtf8("ИВАН");
            v[13] = QString::fromUtf8("ИВАНОВИЧ");
            if (i % 100 == 0)
                v[15] = photo;
            v[22] = 1;
            v[23] = dateOf(i);
            v[24] = QString::fromUtf8("Оператор");
            table->append(v);
        }
        dbfPath = table->path();
    }
};

Journal& journal()
{
    static Journal j;
    return j;
}

// A connection and view query kept open between iterations, as the program keeps them.
struct Open {
    TADOConnection conn;
    TADOQuery view{&conn};
    TADOQuery search{&conn};
    Open() { conn.SetConnectionString(journal().connectionString); }
};

void BM_OpenAndWholeView(benchmark::State& state)
{
    journal();
    for (auto _ : state) {
        TADOConnection conn;  // a fresh connection reads the files again
        conn.SetConnectionString(journal().connectionString);
        TADOQuery view(&conn);
        view.SetSQL("SELECT * FROM Base ORDER BY DATA_IZM");
        view.Open();
        view.Last();
        // The rows a grid shows.
        for (int i = 0; i < 40; ++i, view.Prior())
            benchmark::DoNotOptimize(view.FieldByName("OBSL_FAM")->AsString());
        benchmark::DoNotOptimize(view.RecordCount());
    }
}
BENCHMARK(BM_OpenAndWholeView)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_WholeViewReRun(benchmark::State& state)
{
    Open o;
    for (auto _ : state) {
        o.view.Close();
        o.view.SetSQL("SELECT * FROM Base ORDER BY DATA_IZM");
        o.view.Open();
        o.view.Last();
    }
}
BENCHMARK(BM_WholeViewReRun)->Unit(benchmark::kMillisecond);

void BM_FilteredView(benchmark::State& state)
{
    Open o;
    const char* texts[] = {
        "SELECT * FROM Base WHERE DATA_IZM >= '2009.03.01 00:00:00' AND DATA_IZM <= '2009.05.31 23:59:59' AND OBSL_FAM LIKE 'ИВАНОВ%' ORDER BY DATA_IZM",
        "SELECT * FROM Base WHERE OBSL_FAM LIKE 'ИВАНОВ%' ORDER BY DATA_IZM",
        "SELECT * FROM Base WHERE DATA_IZM >= '2009.03.01 00:00:00' AND DATA_IZM <= '2009.03.01 23:59:59' ORDER BY DATA_IZM",
    };
    const QString text = QString::fromUtf8(texts[state.range(0)]);
    int rows = 0;
    for (auto _ : state) {
        o.view.Close();
        o.view.SetSQL(text);
        o.view.Open();
        o.view.Last();
        rows = o.view.RecordCount();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_FilteredView)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_FileOneMeasurement(benchmark::State& state)
{
    Open o;
    static int n = 0;  // dates new to the journal across repeated runs
    for (auto _ : state) {
        const QString date = QString("2030.01.%1 %2:%3:%4")
                                 .arg(n / 86400 % 28 + 1, 2, 10, QChar('0'))
                                 .arg(n / 3600 % 24, 2, 10, QChar('0'))
                                 .arg(n / 60 % 60, 2, 10, QChar('0'))
                                 .arg(n % 60, 2, 10, QChar('0'));
        ++n;
        const QString cond = " WHERE DATA_IZM = '" + date + "' AND PRIBOR = 101 AND IZM = :IZMp AND STAT = '0'";
        o.search.SetSQL("SELECT COUNT (*) AS POISK FROM Base" + cond);
        o.search.Parameters().ParamByName("IZMp")->SetValue("0,123");
        o.search.Open();
        const bool found = o.search.FieldByName("POISK")->AsString() != "0";
        o.search.Close();
        o.search.SetSQL("SELECT ID FROM Base" + cond);
        o.search.Parameters().ParamByName("IZMp")->SetValue("0,123");
        o.search.Open();
        benchmark::DoNotOptimize(o.search.FieldByName("ID")->AsInteger());
        o.search.Close();
        if (found)
            state.SkipWithError("duplicate");
        o.view.Close();
        o.view.SetSQL("SELECT max(ID) as maxid FROM Base");
        o.view.Open();
        const int id = o.view.FieldByName("maxid")->AsInteger() + 1;
        o.view.Close();
        o.view.SetSQL("INSERT INTO Base ( ID, TYPE_PRIB, PRIBOR, DATA_IZM, NUM_VIDOH, IZM, STAT, NORMA, IZM_AIR, OBSL_FAM, SATURDATA, TYPERECORD, "
                      "DATA_REC, OPER ) VALUES ( :ID, :TYPE_PRIB, :PRIBOR, :DATA_IZM, :NUM_VIDOH, :IZM, :STAT, :NORMA, :IZM_AIR, :OBSL_FAM, "
                      ":SATURDATA, :TYPERECORD, :DATA_REC, :OPER )");
        TParameters& p = o.view.Parameters();
        p.ParamByName("ID")->SetValue(id);
        p.ParamByName("TYPE_PRIB")->SetValue(2);
        p.ParamByName("PRIBOR")->SetValue(101);
        p.ParamByName("DATA_IZM")->SetValue(date);
        p.ParamByName("NUM_VIDOH")->SetValue(n);
        p.ParamByName("IZM")->SetValue(0.123);
        p.ParamByName("STAT")->SetValue("0");
        p.ParamByName("NORMA")->SetValue(0.15);
        p.ParamByName("IZM_AIR")->SetValue(0.0);
        p.ParamByName("OBSL_FAM")->SetValue(QString::fromUtf8("ИВАНОВ"));
        p.ParamByName("SATURDATA")->SetValue(0);
        p.ParamByName("TYPERECORD")->SetValue(1);
        p.ParamByName("DATA_REC")->SetValue(date);
        p.ParamByName("OPER")->SetValue(QString::fromUtf8("Оператор"));
        o.view.ExecSQL();
    }
}
BENCHMARK(BM_FileOneMeasurement)->Unit(benchmark::kMicrosecond);

void BM_IdentifierWindowView(benchmark::State& state)
{
    Open o;
    for (auto _ : state) {
        o.view.Close();
        o.view.SetSQL("SELECT * FROM Base WHERE ID >= :IDp_min AND ID <= :IDp_max ORDER BY DATA_IZM");
        o.view.Parameters().ParamByName("IDp_min")->SetValue(kRecords - 40);
        o.view.Parameters().ParamByName("IDp_max")->SetValue(kRecords);
        o.view.Open();
        o.view.Last();
    }
}
BENCHMARK(BM_IdentifierWindowView)->Unit(benchmark::kMicrosecond);

void BM_LocateInWholeView(benchmark::State& state)
{
    Open o;
    o.view.SetSQL("SELECT * FROM Base ORDER BY DATA_IZM");
    o.view.Open();
    int id = 1;
    for (auto _ : state) {
        id = id * 7919 % kRecords + 1;
        benchmark::DoNotOptimize(o.view.Locate("ID", id, loPartialKey));
    }
}
BENCHMARK(BM_LocateInWholeView)->Unit(benchmark::kMicrosecond);

void BM_FullScanEveryField(benchmark::State& state)
{
    Open o;
    o.view.SetSQL("SELECT * FROM Base");
    o.view.Open();
    for (auto _ : state) {
        for (o.view.First(); !o.view.Eof(); o.view.Next())
            for (int f = 0; f < o.view.FieldCount(); ++f)
                benchmark::DoNotOptimize(o.view.Fields(f)->Value());
    }
}
BENCHMARK(BM_FullScanEveryField)->Unit(benchmark::kMillisecond);

// Shift+End over the whole view, as the grid's selection does it: every record's bookmark is checked and
// ordered against the anchor's.
void BM_OrderBookmarksToTheEnd(benchmark::State& state)
{
    Open o;
    o.view.SetSQL("SELECT * FROM Base ORDER BY DATA_IZM");
    o.view.Open();
    for (auto _ : state) {
        o.view.First();
        const TBookmark anchor = o.view.GetBookmark();
        int after = 0;
        for (; !o.view.Eof(); o.view.Next())
            if (o.view.BookmarkValid(anchor) && o.view.CompareBookmarks(o.view.GetBookmark(), anchor) >= 0)
                ++after;
        if (after != o.view.RecordCount())
            state.SkipWithError("order");
    }
}
BENCHMARK(BM_OrderBookmarksToTheEnd)->Unit(benchmark::kMillisecond);

// Deleting 1,000 records marked across the whole view, as the grid deletes its marked rows: from the last
// mark to the first, each checked, gone to and deleted. Each iteration works on a fresh copy of the journal.
void BM_DeleteMarkedRecords(benchmark::State& state)
{
    journal();
    const int marked = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir copy;
        const QDir from(QFileInfo(journal().dbfPath).absolutePath());
        QDir(copy.path()).mkpath("DATABASE");
        for (const QString& name : from.entryList(QDir::Files))
            QFile::copy(from.filePath(name), copy.filePath("DATABASE/" + name));
        TADOConnection conn;
        conn.SetConnectionString("FILE NAME=" + copy.filePath("connect.udl"));
        TADOQuery view(&conn);
        view.SetSQL("SELECT * FROM Base ORDER BY DATA_IZM");
        view.Open();
        const int before = view.RecordCount();
        std::vector<TBookmark> marks;
        for (int i = 0; i < marked; ++i) {
            view.SetRecNo(1 + int(qint64(i) * before / marked));
            marks.push_back(view.GetBookmark());
        }
        state.ResumeTiming();
        view.DisableControls();
        for (auto it = marks.rbegin(); it != marks.rend(); ++it)
            if (view.BookmarkValid(*it)) {
                view.GotoBookmark(*it);
                view.Delete();
            }
        view.EnableControls();
        state.PauseTiming();
        if (view.RecordCount() != before - marked)
            state.SkipWithError("count");
        view.Close();
        conn.Close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteMarkedRecords)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same full scan by dbfread (every field of every record, the memo included), timed as a whole
// process; its start-up is measured alone and taken off.
void BM_FullScanByDbfread(benchmark::State& state)
{
    journal();
    auto run = [](const QString& script) {
        QProcess p;
        const auto t0 = std::chrono::steady_clock::now();
        p.start("/usr/bin/python3", {"-c", script});
        p.waitForFinished(600000);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    const QString scan = QString("import dbfread\nn=0\nfor r in dbfread.DBF(%1, encoding='cp1251', char_decode_errors='replace'):\n    n+=len(r)\n")
                             .arg("'" + journal().dbfPath + "'");
    const double startup = run("import dbfread");
    for (auto _ : state) {
        const double seconds = run(scan) - startup;
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_FullScanByDbfread)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

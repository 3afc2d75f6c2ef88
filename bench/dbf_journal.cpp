// The journal database: the shared generated journal (fixture.h; VELT_BENCH_RECORDS records). Opening it
// with the first whole view and the first filing (cold, once each), then the warm views, filings and scans,
// a full read of every field beside the same read by dbfread on the same file.
#include "fixture.h"
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
#include <unistd.h>

namespace {

// A private copy of the shared journal: the filing benchmarks write into it.
struct Journal {
    QTemporaryDir dir;
    QString connectionString;
    QString dbfPath;
    qint64 bytes = 0;
    int records = benchfx::Records();

    Journal()
    {
        const QString cached = benchfx::CachedJournal(records);
        benchfx::CopyJournal(cached, dir.path());
        connectionString = "FILE NAME=" + dir.filePath("connect.udl");
        dbfPath = benchfx::DbfFile(dir.path()).absoluteFilePath();
        bytes = benchfx::DbfFile(dir.path()).size();
    }
};

Journal& journal()
{
    static Journal j;
    return j;
}

// A connection and view query kept open between iterations, as the program keeps them; its table's
// identifiers indexed by the first read of it, as the journal has them for its first filing.
struct Open {
    TADOConnection conn;
    TADOQuery view{&conn};
    TADOQuery search{&conn};
    Open()
    {
        conn.SetConnectionString(journal().connectionString);
        auto table = conn.openTable("Base");
        table->indexAlongside(table->columnIndex("ID"));
    }
};

const char* kWholeView = "SELECT * FROM Base ORDER BY DATA_IZM";

// The whole view as the journal shows it: ordered by date, the last page of rows read.
void ShowWholeView(TADOQuery& view)
{
    view.Close();
    view.SetSQL(kWholeView);
    view.Open();
    view.Last();
    for (int i = 0; i < 40; ++i, view.Prior())
        benchmark::DoNotOptimize(view.FieldByName("OBSL_FAM")->AsString());
    benchmark::DoNotOptimize(view.RecordCount());
}

// The journal's view after an insert: the newest identifiers, ten below the new one.
void ShowIdentifierWindow(TADOQuery& view, int id)
{
    view.Close();
    view.SetSQL("SELECT * FROM Base WHERE ID >= :IDp_min AND ID <= :IDp_max ORDER BY DATA_IZM");
    view.Parameters().ParamByName("IDp_min")->SetValue(id - 10);
    view.Parameters().ParamByName("IDp_max")->SetValue(id);
    view.Open();
    view.Last();
}

// The statements the journal issues to file one measurement: the duplicate search, the next identifier, the
// insert and the view of the newest records. n makes the date new to the journal.
bool FileOne(Open& o, int n)
{
    const QString date = QString("2030.01.%1 %2:%3:%4")
                             .arg(n / 86400 % 28 + 1, 2, 10, QChar('0'))
                             .arg(n / 3600 % 24, 2, 10, QChar('0'))
                             .arg(n / 60 % 60, 2, 10, QChar('0'))
                             .arg(n % 60, 2, 10, QChar('0'));
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
        return false;
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
    ShowIdentifierWindow(o.view, id);
    return true;
}

int nextFiling = 0; // dates new to the journal across all filings of the run

// Cold figures: each is the first of its kind in the process, so it runs once and must stay registered first.
// "Cold" is the process's own first time; the page cache holds the journal (its copy was just made). The
// disk-cold start is bench_program_open's.

// Start-up to the first whole view: the connection opened, the tables read as far as the view needs them,
// the identifiers indexed by the same read as the journal's first view has them (for its first filing).
void BM_ColdOpenAndFirstView(benchmark::State& state)
{
    journal();
    const double before = benchfx::ResidentMB();
    for (auto _ : state) {
        Open o;
        ShowWholeView(o.view);
        state.PauseTiming(); // closing is not what the user waits for
        state.counters["rss_mb"] = benchfx::ResidentMB();
        state.counters["rss_growth_mb"] = benchfx::ResidentMB() - before;
        o.view.Close();
        o.conn.Close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ColdOpenAndFirstView)->Unit(benchmark::kMillisecond)->Iterations(1)->MeasureProcessCPUTime();

// The first filing after start-up: the program has opened the journal and shown it; the timed part is
// the filing alone.
void BM_ColdFirstFiling(benchmark::State& state)
{
    Open o;
    ShowWholeView(o.view);
    for (auto _ : state)
        if (!FileOne(o, nextFiling++))
            state.SkipWithError("duplicate");
}
BENCHMARK(BM_ColdFirstFiling)->Unit(benchmark::kMicrosecond)->Iterations(1)->MeasureProcessCPUTime();

const char* kSurnameFilter = "SELECT * FROM Base WHERE OBSL_FAM LIKE 'ИВАНОВ%' ORDER BY DATA_IZM";

void ShowSurnameFilter(TADOQuery& view)
{
    view.Close();
    view.SetSQL(QString::fromUtf8(kSurnameFilter));
    view.Open();
    view.Last();
}

// The first surname filter after start-up: the view shown, then the filter the journal's filter window
// makes, answered by a scan of the file while the surname index is built aside. second_ms: the same filter
// at once after it, which meets that index still being made (a user's next filter comes later), with its
// processor time; rss_mb with it.
void BM_ColdFilteredView(benchmark::State& state)
{
    Open o;
    ShowWholeView(o.view);
    for (auto _ : state)
        ShowSurnameFilter(o.view);
    state.counters["rows"] = o.view.RecordCount();
    const benchfx::Stopwatch second;
    ShowSurnameFilter(o.view);
    state.counters["second_ms"] = second.WallMs();
    state.counters["second_cpu_ms"] = second.CpuMs();
    state.counters["rss_mb"] = benchfx::ResidentMB();
}
BENCHMARK(BM_ColdFilteredView)->Unit(benchmark::kMillisecond)->Iterations(1)->MeasureProcessCPUTime();

// Warm figures: the connection is open before the timing starts, as in a running program.

void BM_WarmWholeView(benchmark::State& state)
{
    Open o;
    ShowWholeView(o.view);
    for (auto _ : state)
        ShowWholeView(o.view);
}
BENCHMARK(BM_WarmWholeView)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_WarmFilteredView(benchmark::State& state)
{
    Open o;
    ShowWholeView(o.view);
    const char* texts[] = {
        "SELECT * FROM Base WHERE DATA_IZM >= '2009.03.01 00:00:00' AND DATA_IZM <= '2009.05.31 23:59:59' AND OBSL_FAM LIKE 'ИВАНОВ%' ORDER BY DATA_IZM",
        "SELECT * FROM Base WHERE OBSL_FAM LIKE 'ИВАНОВ%' ORDER BY DATA_IZM",
        "SELECT * FROM Base WHERE DATA_IZM >= '2009.03.01 00:00:00' AND DATA_IZM <= '2009.03.01 23:59:59' ORDER BY DATA_IZM",
    };
    const QString text = QString::fromUtf8(texts[state.range(0)]);
    int rows = 0;
    // The first runs build the indexes the filter needs (the first scans and builds aside, the next takes
    // the index in): those are cold figures (BM_ColdFilteredView).
    for (int i = 0; i < 2; ++i) {
        o.view.Close();
        o.view.SetSQL(text);
        o.view.Open();
    }
    for (auto _ : state) {
        o.view.Close();
        o.view.SetSQL(text);
        o.view.Open();
        o.view.Last();
        rows = o.view.RecordCount();
    }
    state.counters["rows"] = rows;
}
// 0: a season and a surname, 1: a surname alone, 2: one day.
BENCHMARK(BM_WarmFilteredView)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_WarmFileOneMeasurement(benchmark::State& state)
{
    Open o;
    ShowWholeView(o.view);
    FileOne(o, nextFiling++);
    for (auto _ : state)
        if (!FileOne(o, nextFiling++))
            state.SkipWithError("duplicate");
}
BENCHMARK(BM_WarmFileOneMeasurement)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_IdentifierWindowView(benchmark::State& state)
{
    Open o;
    for (auto _ : state) {
        o.view.Close();
        o.view.SetSQL("SELECT * FROM Base WHERE ID >= :IDp_min AND ID <= :IDp_max ORDER BY DATA_IZM");
        o.view.Parameters().ParamByName("IDp_min")->SetValue(journal().records - 40);
        o.view.Parameters().ParamByName("IDp_max")->SetValue(journal().records);
        o.view.Open();
        o.view.Last();
    }
}
BENCHMARK(BM_IdentifierWindowView)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_LocateInWholeView(benchmark::State& state)
{
    Open o;
    o.view.SetSQL("SELECT * FROM Base ORDER BY DATA_IZM");
    o.view.Open();
    int id = 1;
    for (auto _ : state) {
        id = id * 7919 % journal().records + 1;
        benchmark::DoNotOptimize(o.view.Locate("ID", id, loPartialKey));
    }
}
BENCHMARK(BM_LocateInWholeView)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

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
    state.SetBytesProcessed(state.iterations() * journal().bytes);
}
BENCHMARK(BM_FullScanEveryField)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The same full scan by dbfread (every field of every record, the memo included), timed as a whole
// process; its start-up is measured alone and taken off.
void BM_FullScanByDbfread(benchmark::State& state)
{
    journal();
    bool failed = false;
    auto run = [&failed](const QString& script) {
        QProcess p;
        const auto t0 = std::chrono::steady_clock::now();
        p.start("/usr/bin/python3", {"-c", script});
        failed |= !p.waitForFinished(3600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    const QString scan = QString("import dbfread\nn=0\nfor r in dbfread.DBF(%1, encoding='cp1251', char_decode_errors='replace'):\n    n+=len(r)\n")
                             .arg("'" + journal().dbfPath + "'");
    const double startup = run("import dbfread");
    for (auto _ : state) {
        const double seconds = run(scan) - startup;
        state.SetIterationTime(seconds);
    }
    if (failed)
        state.SkipWithError("dbfread failed");
    state.SetBytesProcessed(state.iterations() * journal().bytes);
}
BENCHMARK(BM_FullScanByDbfread)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

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
BENCHMARK(BM_OrderBookmarksToTheEnd)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Deleting 1,000 records marked across the whole view, as the grid deletes its marked rows: from the last
// mark to the first, each checked, gone to and deleted. Each iteration works on a fresh copy of the journal.
void BM_DeleteMarkedRecords(benchmark::State& state)
{
    journal();
    const int marked = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir copy;
        benchfx::CopyJournal(journal().dir.path(), copy.path());
        ::sync();  // the copy written out first: its write-back would hold up the deletes' writes
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
BENCHMARK(BM_DeleteMarkedRecords)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();

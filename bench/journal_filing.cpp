// Both journals at VELT_BENCH_RECORDS records (100,000 unless set). A burst of 1,000 new measurements filed
// through the controller as the manager delivers them ("default_mp": duplicate search, insert, identifier-window
// view after each, the full view at the end of the burst; "default": duplicate search, insert, the whole view
// after each), timed with its end-of-burst refresh, and a repeated download of the same burst (every record
// found, none filed). Filing (the controller's calls) and the main loop between them (the grid painting the
// view, and the view reads a pause deferred) are counted apart; one repaint of the whole grid is timed alone.
#include "bench/support/BenchMain.h"
#include "Devices/Measurement.h"
#include "fixture.h"
#include "db/DBInfoPribors.h"
#include "grid/DBGridEx.h"
#include "journal/Default_Akt.h"
#include "journal/Default_MP_Akt.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DataSource.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"
#include "platform/rtl/DateTime.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

// VELT_BENCH_RECORDS (100,000 unless set), filed over twenty years from 2005 on.
const int kRecords = benchfx::Records();
constexpr int kBurst = 1000;

const char* kSurnames[] = {"ИВАНОВ", "ПЕТРОВ", "СИДОРОВ", "КУЗНЕЦОВ", "СМИРНОВ", "ПОПОВ", "ВАСИЛЬЕВ", "СОКОЛОВ"};

QString dateOf(int i)
{
    return benchfx::DateOf(i, kRecords);
}

struct Program {
    QTemporaryDir dir;
    std::unique_ptr<TADOConnection> conn;
    std::unique_ptr<TADOQuery> view;
    std::unique_ptr<TADOQuery> lookup;
    std::unique_ptr<TDataSource> ds;
    std::unique_ptr<QWidget> window;
    TDBGridEx* grid = nullptr;
    QLabel* viewPanel = nullptr;
    QLabel* count = nullptr;
    QPushButton* buttons[3] = {};
    std::unique_ptr<TDBInfoPribors> info;
    std::unique_ptr<TJournalControllerBase> journal;
    bool mp;
    uint32_t burstCounter = 0;
    int nextMinute = 0;

    explicit Program(bool defaultMp) : mp(defaultMp)
    {
        QDir(dir.path()).mkpath("DATABASE");
        conn = std::make_unique<TADOConnection>();
        conn->SetConnectionString("FILE NAME=" + dir.filePath("connect.udl"));
        conn->Open();
        view = std::make_unique<TADOQuery>(conn.get());
        lookup = std::make_unique<TADOQuery>(conn.get());
        ds = std::make_unique<TDataSource>(view.get());
        window = std::make_unique<QWidget>();
        window->resize(1200, 700);
        grid = new TDBGridEx(window.get());
        grid->setGeometry(0, 0, 1200, 600);
        grid->SetDataSource(ds.get());
        viewPanel = new QLabel(window.get());
        count = new QLabel(window.get());
        for (auto& b : buttons)
            b = new QPushButton(window.get());
        info = std::make_unique<TDBInfoPribors>(dir.path());
        if (mp)
            journal = std::make_unique<TfmDefault_MP_Akt>();
        else
            journal = std::make_unique<TfmDefault_Akt>();
        journal->SetDirs(dir.path(), dir.path());
        journal->SetOperator("Оператор");
        TJournalBinding b;
        b.Query = view.get();
        b.Connection = conn.get();
        b.DS = ds.get();
        b.LookupQuery = lookup.get();
        b.Grid = grid;
        b.ViewPanel = viewPanel;
        b.InfoPribors = info.get();
        journal->InitJournal(b); // creates Base
        journal->SetControls(buttons[0], buttons[1], count, buttons[2]);
        journal->SetBurstCounter(&burstCounter);

        view->Close();
        auto table = conn->openTable("Base");
        for (int i = 0; i < kRecords; ++i) {
            std::vector<QVariant> v(mp ? 25 : 11);
            if (mp) {
                v[0] = i + 1;
                v[1] = 2;
                v[2] = 100 + i % 7;
                v[3] = dateOf(i);
                v[4] = i;
                v[5] = (i % 1000) / 1000.0;
                v[6] = QString::number(i % 4);
                v[7] = 0.0;
                v[11] = QString::fromUtf8(kSurnames[i % 8]);
                v[22] = 1;
                v[23] = dateOf(i);
                v[24] = QString::fromUtf8("Оператор");
            } else {
                v[0] = i + 1;
                v[1] = 100 + i % 7;
                v[2] = dateOf(i);
                v[3] = QString::fromUtf8(kSurnames[i % 8]);
                v[6] = (i % 1000) / 1000.0;
                v[7] = QString::number(i % 2);
                v[8] = QString::fromUtf8("ИНСПЕКТОР");
                v[9] = i;
                v[10] = QStringLiteral("0");
            }
            table->append(v);
        }
        table.reset();
        // The program starts over the filled journal: its table opened afresh, as at start-up.
        lookup->Close();
        conn->ReleaseFiles();
        journal->InitJournal(b);
        journal->QueryAfterOpenInstall();
        journal->ShowAll();
        window->show();
    }

    // A burst of new measurements, later than anything filed.
    std::vector<TVELTMeasurement> Burst()
    {
        std::vector<TVELTMeasurement> burst;
        for (int i = 0; i < kBurst; ++i, ++nextMinute) {
            TVELTMeasurement m = ZeroMeasurement();
            m.SerialNumber = 4321;
            m.Probe.Timestamp = rtl::EncodeDate(2030, 1, 1) + nextMinute / 1440.0;
            m.VerificationDate = rtl::EncodeDate(2029, 6, 1);
            m.Probe.AlcResult = (nextMinute % 500) / 1000.0;
            m.Probe.nMeasure = uint32_t(nextMinute + 1);
            m.Probe.RecordType = 1;
            m.ModelCode = 10;
            m.DeviceType = 3;
            burst.push_back(m);
        }
        return burst;
    }

    using Clock = std::chrono::steady_clock;
    Clock::duration filing{}; // in the controller's calls
    Clock::duration loop{};   // in the main loop between them: painting, deferred view reads

    void File(const std::vector<TVELTMeasurement>& burst)
    {
        burstCounter = 0;
        journal->QueryAfterOpenBurstInstall();
        // Each record comes in its own call from the main loop, which runs between them.
        for (const TVELTMeasurement& m : burst) {
            ++burstCounter;
            const auto t0 = Clock::now();
            journal->NewMeasure(&m, 0);
            const auto t1 = Clock::now();
            QCoreApplication::processEvents();
            filing += t1 - t0;
            loop += Clock::now() - t1;
        }
        // "default" has read its whole view once the last record is filed and the pause is over ("default_mp"
        // reads its whole view at the end of the burst, in place of a waiting read).
        if (!mp) {
            const auto t0 = Clock::now();
            while (journal->IsViewPending())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            loop += Clock::now() - t0;
        }
    }

    void EndBurst()
    {
        const auto t0 = Clock::now();
        journal->QueryAfterOpenInstall();
        journal->NewMeasure(nullptr, 1);
        filing += Clock::now() - t0;
    }

    void ResetClocks() { filing = loop = {}; }
    void Report(benchmark::State& state) const
    {
        const double n = double(state.iterations());
        state.counters["filing_ms"] = std::chrono::duration<double, std::milli>(filing).count() / n;
        state.counters["loop_ms"] = std::chrono::duration<double, std::milli>(loop).count() / n;
    }
};

// One program at a time: each holds its own table.
std::unique_ptr<Program> g_program;

Program& program(bool mp)
{
    if (!g_program || g_program->mp != mp)
        g_program = std::make_unique<Program>(mp);
    return *g_program;
}

// The first measurement filed after the journal was opened and shown ("default_mp": the duplicate search, the
// insert and the identifier-window view), timed alone. Registered first: it must be the program's first filing.
void BM_ColdFirstFiling(benchmark::State& state)
{
    Program& p = program(true);
    const auto burst = p.Burst();
    for (auto _ : state)
        p.journal->NewMeasure(&burst[0], 0);
    state.counters["records"] = double(p.view->RecordCount());
}
BENCHMARK(BM_ColdFirstFiling)->Unit(benchmark::kMicrosecond)->Iterations(1);

void BM_FileBurstOf1000(benchmark::State& state)
{
    Program& p = program(state.range(0) != 0);
    p.ResetClocks();
    for (auto _ : state) {
        state.PauseTiming();
        const auto burst = p.Burst();
        state.ResumeTiming();
        p.File(burst);
        p.EndBurst(); // the end-of-burst refresh is part of the wait
    }
    state.counters["records"] = double(p.view->RecordCount());
    p.Report(state);
}
BENCHMARK(BM_FileBurstOf1000)->ArgName("default_mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RedownloadedBurstOf1000(benchmark::State& state)
{
    Program& p = program(state.range(0) != 0);
    const auto burst = p.Burst();
    p.File(burst);
    p.EndBurst();
    p.ResetClocks();
    for (auto _ : state) {
        p.File(burst);
        p.EndBurst();
    }
    p.Report(state);
}
BENCHMARK(BM_RedownloadedBurstOf1000)->ArgName("default_mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole view rebuilt and the grid laid out: "default_mp" at the end of a burst, "default" after each
// insert.
void BM_WholeViewRefresh(benchmark::State& state)
{
    Program& p = program(state.range(0) != 0);
    for (auto _ : state)
        p.journal->RefreshView(-1);
    state.counters["records"] = double(p.view->RecordCount());
}
BENCHMARK(BM_WholeViewRefresh)->ArgName("default_mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// One paint of the whole grid over the journal's view, as the main loop paints it after a filing.
void BM_GridRepaint(benchmark::State& state)
{
    Program& p = program(state.range(0) != 0);
    p.view->Last();
    for (auto _ : state)
        benchmark::DoNotOptimize(p.grid->RenderToImage().cacheKey());
}
BENCHMARK(BM_GridRepaint)->ArgName("default_mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The view after one insert: the identifier window of the newest records.
void BM_IdentifierWindowView(benchmark::State& state)
{
    Program& p = program(true);
    p.view->Close();
    p.view->SetSQL("SELECT max(ID) as maxid FROM Base");
    p.view->Open();
    const int maxId = p.view->FieldByName("maxid")->AsInteger();
    for (auto _ : state)
        p.journal->RefreshView(maxId);
}
BENCHMARK(BM_IdentifierWindowView)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv, {}, [] {
        g_program.reset();
        return 0;
    });
}

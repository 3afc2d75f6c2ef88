// Both journals at VELT_BENCH_RECORDS records (100,000 unless set). A burst of 1,000 new measurements filed
// through the controller as the manager delivers them ("default_mp": duplicate search, insert, identifier-window
// view after each, the full view at the end of the burst; "default": duplicate search, insert, the whole view
// after each), timed with its end-of-burst refresh, and a repeated download of the same burst (every record
// found, none filed). Filing (the controller's calls) and the main loop between them (the grid painting the
// view through the journal's cell painter, and the view reads and moves a pause deferred) are counted apart;
// one repaint of the whole grid is timed alone.
#include "bench/support/BenchMain.h"
#include "core/Measurement.h"
#include "fixture.h"
#include "journal_window.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"
#include "platform/rtl/DateTime.h"

#include <QApplication>
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
    benchfx::JournalWindow w;
    TADOQuery* view;
    TDBGridEx* grid;
    TJournalControllerBase* journal;
    bool mp;
    uint32_t burstCounter = 0;
    int nextMinute = 0;

    explicit Program(bool defaultMp)
        : w(dir.path(), defaultMp), view(w.view.get()), grid(w.grid), journal(w.journal.get()), mp(defaultMp)
    {
        w.Open(); // creates Base
        w.Release();
        auto table = w.conn->openTable("Base");
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
        w.Release();
        w.Open();
        journal->SetBurstCounter(&burstCounter);
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
        // "default" has read its whole view and stands on the last record once the pause is over ("default_mp"
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

// The first measurement filed after the journal was opened and shown, as the manager delivers the first of a
// burst ("default_mp": the burst's view handler installed, the duplicate search, the insert and the
// identifier-window view), timed alone. Registered first: it must be the program's first filing.
void BM_ColdFirstFiling(benchmark::State& state)
{
    Program& p = program(true);
    const auto burst = p.Burst();
    for (auto _ : state) {
        p.journal->QueryAfterOpenBurstInstall();
        p.journal->NewMeasure(&burst[0], 0);
    }
    state.counters["records"] = double(p.view->RecordCount());
}
BENCHMARK(BM_ColdFirstFiling)->Unit(benchmark::kMicrosecond)->Iterations(1)->MeasureProcessCPUTime();

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
BENCHMARK(BM_FileBurstOf1000)->ArgName("default_mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

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
BENCHMARK(BM_RedownloadedBurstOf1000)->ArgName("default_mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

// The whole view rebuilt and the grid laid out: "default_mp" at the end of a burst, "default" after each
// insert.
void BM_WholeViewRefresh(benchmark::State& state)
{
    Program& p = program(state.range(0) != 0);
    for (auto _ : state)
        p.journal->RefreshView(-1);
    state.counters["records"] = double(p.view->RecordCount());
}
BENCHMARK(BM_WholeViewRefresh)->ArgName("default_mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// One paint of the whole grid over the journal's view, as the main loop paints it after a filing.
void BM_GridRepaint(benchmark::State& state)
{
    Program& p = program(state.range(0) != 0);
    p.view->Last();
    for (auto _ : state)
        benchmark::DoNotOptimize(p.grid->RenderToImage().cacheKey());
}
BENCHMARK(BM_GridRepaint)->ArgName("default_mp")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

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
BENCHMARK(BM_IdentifierWindowView)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv, {}, [] {
        g_program.reset();
        return 0;
    });
}

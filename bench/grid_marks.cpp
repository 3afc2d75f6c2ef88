// Marking and deleting rows of the grid over a memory data set: Shift+End across every record, and deleting
// the marked rows. The grid's painting over the journal itself is in grid_paint.cpp.
#include "bench/support/BenchMain.h"
#include "grid/DBGridEx.h"
#include "platform/data/DataSource.h"
#include "platform/data/MemDataSet.h"
#include <QApplication>
#include <QKeyEvent>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

struct Journal {
    TMemDataSet ds;
    TDataSource source;
    TDBGridEx grid;

    explicit Journal(int records)
    {
        ds.AddFieldDef("DATA_IZM", ftString, 19);
        ds.AddFieldDef("FIO", ftString, 40);
        ds.AddFieldDef("IZM", ftFloat);
        ds.AddFieldDef("PRIBOR", ftString, 12);
        ds.AddFieldDef("NUM_VIDOH", ftInteger);
        ds.AddFieldDef("PAGE_FOOT", ftString, 10);
        ds.Open();
        for (int i = 0; i < records; ++i)
            ds.AppendRecord({QStringLiteral("2026.12.10 10:%1:00").arg(i % 60, 2, 10, QLatin1Char('0')),
                             QStringLiteral("Иванов Иван %1").arg(i), 0.001 * (i % 997), QStringLiteral("VELT-A"), i,
                             QStringLiteral("акт")});
        ds.First();
        source.SetDataSet(&ds);
        grid.resize(900, 700);
        grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColumnResize) | bit(dgColLines) | bit(dgRowLines)
                        | bit(dgTabs) | bit(dgRowSelect) | bit(dgConfirmDelete) | bit(dgCancelOnExit)
                        | bit(dgMultiSelect));
        grid.SetDataSource(&source);
        grid.show();
        QApplication::processEvents();
    }
};

// Grids are widgets: the cache is emptied before the application object goes.
std::map<int, std::unique_ptr<Journal>> cache;

Journal& journal(int records)
{
    auto& j = cache[records];
    if (!j)
        j = std::make_unique<Journal>(records);
    return *j;
}

void key(QWidget* w, int key, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(w, &release);
}

// Shift+End from the first record: every step orders the current record against the gesture's anchor and
// files its bookmark among the marked ones, so each bookmark look-up is paid once a record.
void BM_ShiftEndMarksEveryRecord(benchmark::State& state)
{
    Journal& j = journal(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        j.grid.SelectedRows().Clear();
        key(j.grid.viewport(), Qt::Key_Home);  // ends any gesture: the next one anchors at the first record
        state.ResumeTiming();
        key(j.grid.viewport(), Qt::Key_End, Qt::ShiftModifier);
    }
    state.counters["marked"] = j.grid.SelectedRows().Count();
    j.grid.SelectedRows().Clear();
    j.ds.First();
}

// Deleting the marked rows (Ctrl+Delete) of a 100,000-record journal: 1,000 rows marked across it. The
// journal gets its records back between iterations, untimed.
void BM_DeleteMarkedRows(benchmark::State& state)
{
    const int records = 100000, marked = int(state.range(0));
    Journal j(records);
    int next = records;
    for (auto _ : state) {
        state.PauseTiming();
        while (j.ds.RecordCount() < records) {
            j.ds.AppendRecord({QStringLiteral("2026.12.11 10:00:00"), QStringLiteral("Петров %1").arg(next), 0.1,
                               QStringLiteral("VELT-B"), next, QString()});
            ++next;
        }
        j.grid.SelectedRows().Clear();
        for (int i = 0; i < marked; ++i) {
            j.ds.SetRecNo(1 + int(qint64(i) * records / marked));
            j.grid.SelectedRows().SetCurrentRowSelected(true);
        }
        state.ResumeTiming();
        j.grid.SelectedRows().Delete();
    }
    state.counters["left"] = j.ds.RecordCount();
}

} // namespace

BENCHMARK(BM_ShiftEndMarksEveryRecord)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_DeleteMarkedRows)->Arg(1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv, {}, [] {
        cache.clear();
        return 0;
    });
}

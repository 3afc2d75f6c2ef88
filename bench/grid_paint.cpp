// Painting the journal's grid as the main window shows it: the "default_mp" journal's columns and cell
// painter over the shared journal of VELT_BENCH_RECORDS records (a copy of it). A full window of rows, one page
// scrolled by the keyboard (the move and the repaint), the thumb dragged into a part not read before, and a
// window holding marked rows. The grid reads only the records of its window, so none of these should grow
// with the journal.
#include "bench/support/BenchMain.h"
#include "fixture.h"
#include "journal_window.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Journal {
    QTemporaryDir dir;
    std::unique_ptr<benchfx::JournalWindow> w;
    QImage image;

    Journal()
    {
        benchfx::CopyJournal(benchfx::CachedJournal(benchfx::Records()), dir.path());
        w = std::make_unique<benchfx::JournalWindow>(dir.path(), true);
        w->Open();
        image = QImage(w->grid->viewport()->size(), QImage::Format_RGB32);
    }
    // The grid's rows as the main loop paints them after a change.
    void paint() { w->grid->viewport()->render(&image); }
    void middle()
    {
        w->view->First();
        w->view->MoveBy(w->view->RecordCount() / 2);
    }
};

// A widget: gone before the application object goes.
std::unique_ptr<Journal> g_journal;

Journal& journal()
{
    if (!g_journal)
        g_journal = std::make_unique<Journal>();
    return *g_journal;
}

void key(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// The window as the journal opens: the whole view, standing on its last row.
void BM_PaintFullWindow(benchmark::State& state)
{
    Journal& j = journal();
    j.w->view->Last();
    for (auto _ : state)
        j.paint();
    state.counters["rows"] = j.w->grid->VisibleDataRowCount();
    state.counters["records"] = j.w->view->RecordCount();
}
BENCHMARK(BM_PaintFullWindow)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Page Down onward from the journal's first record, each page rows the grid has not shown before (read
// ahead with the page before it, as a user paging through reads them), followed by the repaint.
void BM_ScrollOnePage(benchmark::State& state)
{
    Journal& j = journal();
    j.w->view->First();
    for (auto _ : state) {
        if (j.w->view->RecNo() + 2 * j.w->grid->VisibleDataRowCount() > j.w->view->RecordCount()) {
            state.PauseTiming();
            j.w->view->First();
            state.ResumeTiming();
        }
        key(j.w->grid->viewport(), Qt::Key_PageDown);
        j.paint();
    }
    state.counters["records"] = j.w->view->RecordCount();
}
BENCHMARK(BM_ScrollOnePage)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The scroll bar's thumb dragged into a part of the journal not read before, followed by the repaint: 50
// places spread over the whole journal, visited out of order (below about 100,000 records the parts lie
// close enough that some were read with an earlier one).
void BM_DragIntoUnreadPart(benchmark::State& state)
{
    constexpr int kPlaces = 50;
    Journal& j = journal();
    QScrollBar* bar = j.w->grid->verticalScrollBar();
    int visit = 0;
    for (auto _ : state) {
        const int place = (visit++ * 17) % kPlaces;  // 17 and 50 share no divisor: every place once
        const int to = bar->minimum() + int(qint64(bar->maximum() - bar->minimum()) * (2 * place + 1) / (2 * kPlaces));
        bar->setSliderDown(true);
        bar->setSliderPosition(to);
        bar->setSliderDown(false);
        j.paint();
    }
    state.counters["records"] = j.w->view->RecordCount();
}
BENCHMARK(BM_DragIntoUnreadPart)->Unit(benchmark::kMillisecond)->Iterations(50)->MeasureProcessCPUTime();

// The journal marks rows: every painted row asks whether its record is marked.
void BM_PaintWithMarkedRows(benchmark::State& state)
{
    Journal& j = journal();
    j.middle(); // marks in the middle of the journal, where finding them costs most
    for (int i = 0; i < 10; ++i) {
        j.w->grid->SelectedRows().SetCurrentRowSelected(true);
        j.w->view->MoveBy(3);
    }
    for (auto _ : state)
        j.paint();
    state.counters["marked"] = j.w->grid->SelectedRows().Count();
    j.w->grid->SelectedRows().Clear();
}
BENCHMARK(BM_PaintWithMarkedRows)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv, {}, [] {
        g_journal.reset();
        return 0;
    });
}

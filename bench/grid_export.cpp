// Exporting the journal as the main window shows it: the "default_mp" journal's grid (its columns and painter)
// over the journal table of 100,000 records (a copy of the shared generated journal), to each format; the
// spreadsheet records number rows in 16 bits, so that export runs over a view of the 65,535 first records.
// And importing the text and GRIDBIF forms of 100,000 records back into an empty data set.
#include "bench/support/BenchMain.h"
#include "fixture.h"
#include "grid/DBGridEx.h"
#include "grid/DBGridExExportGRIDBIF.h"
#include "grid/DBGridExExportHTML.h"
#include "grid/DBGridExExportRTF.h"
#include "grid/DBGridExExportText.h"
#include "grid/DBGridExExportXLS.h"
#include "grid/DBGridExImportGRIDBIF.h"
#include "grid/DBGridExImportText.h"
#include "journal_window.h"
#include "platform/data/DataSource.h"
#include "platform/data/MemDataSet.h"
#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kJournalRecords = 100000;

// The journal window over its own copy of the journal table; a widget: gone before the application.
struct JournalTable {
    QTemporaryDir dir;
    std::unique_ptr<benchfx::JournalWindow> w;
    JournalTable()
    {
        benchfx::CopyJournal(benchfx::CachedJournal(kJournalRecords), dir.path());
        w = std::make_unique<benchfx::JournalWindow>(dir.path(), true);
        w->Open();
    }
    // The view of the journal's records up to the given identifier (the whole view when that is all of
    // them), in date order.
    void Show(int upTo)
    {
        TADOQuery& view = *w->view;
        view.Close();
        view.SetSQL(upTo < kJournalRecords ? QStringLiteral("SELECT * FROM Base WHERE ID <= %1 ORDER BY DATA_IZM").arg(upTo)
                                           : QStringLiteral("SELECT * FROM Base ORDER BY DATA_IZM"));
        view.Open();
        view.First();
    }
};
std::unique_ptr<JournalTable> g_table;

// An in-memory data set of 11 columns, the import's target (and, filled, the source of what it imports).
struct Journal {
    TMemDataSet ds;
    TDataSource source;
    TDBGridEx grid;

    explicit Journal(int records)
    {
        const char* names[] = {"ID", "DATA_IZM", "FIO", "IZM", "PRIBOR", "NUM_VIDOH", "OPER", "MESTO", "AVTO", "NORMA", "PRIM"};
        const TFieldType types[] = {ftInteger, ftString, ftString, ftFloat, ftString, ftInteger,
                                    ftString,  ftString, ftString, ftFloat, ftString};
        for (int i = 0; i < 11; ++i)
            ds.AddFieldDef(QString::fromLatin1(names[i]), types[i], types[i] == ftString ? 40 : 0);
        ds.Open();
        for (int i = 0; i < records; ++i)
            ds.AppendRecord({i + 1, QStringLiteral("2026.12.10 10:%1:00").arg(i % 60, 2, 10, QLatin1Char('0')),
                             QStringLiteral("Иванов Иван %1").arg(i), 0.001 * (i % 997), QStringLiteral("VELT-A"), i % 5000,
                             QStringLiteral("Петров"), QStringLiteral("пост 3"), QStringLiteral("А123ВС"), 0.16,
                             i % 3 ? QVariant() : QVariant(QStringLiteral("повторно"))});
        ds.First();
        source.SetDataSet(&ds);
        grid.SetOptions(bit(dgTitles) | bit(dgColLines) | bit(dgRowLines) | bit(dgMultiSelect) | bit(dgEditing));
        grid.SetDataSource(&source);
        grid.Columns().Clear();
        for (int i = 0; i < 11; ++i) {
            TColumnEx* c = grid.Columns().Add();
            c->SetFieldName(QString::fromLatin1(names[i]));
            c->Title().SetCaption(QString::fromLatin1(names[i]));
        }
    }
};

QByteArray exportTo(Journal& j, TDBGridExExportClass cls)
{
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    WriteDBGridExToExportStream(cls, &j.grid, b, true);
    return bytes;
}

// The journal's view of as many records as the argument to a file, as the export commands write.
void runExport(benchmark::State& state, TDBGridExExportClass cls)
{
    if (!g_table)
        g_table = std::make_unique<JournalTable>();
    g_table->Show(int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export"));
    for (auto _ : state)
        SaveDBGridExToExportFile(cls, g_table->w->grid, path, true);
    state.counters["records"] = g_table->w->view->RecordCount();
    state.counters["bytes"] = double(QFileInfo(path).size());
}

void runImport(benchmark::State& state, TDBGridExExportClass ex, TDBGridExImportClass im)
{
    Journal source(int(state.range(0)));
    source.grid.SetOptions(source.grid.Options() & ~bit(dgTitles));
    QByteArray bytes = exportTo(source, ex);
    for (auto _ : state) {
        state.PauseTiming();
        auto target = std::make_unique<Journal>(0);
        state.ResumeTiming();
        QBuffer b(&bytes);
        b.open(QIODevice::ReadOnly);
        ReadDBGridExFromImportStream(im, &target->grid, b, false);
        if (target->ds.RecordCount() != state.range(0))
            state.SkipWithError("records lost");
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
}

void BM_ExportText(benchmark::State& s) { runExport(s, &TDBGridExExportAsText::Create); }
void BM_ExportCSV(benchmark::State& s) { runExport(s, &TDBGridExExportAsCSV::Create); }
void BM_ExportHTML(benchmark::State& s) { runExport(s, &TDBGridExExportAsHTML::Create); }
void BM_ExportRTF(benchmark::State& s) { runExport(s, &TDBGridExExportAsRTF::Create); }
void BM_ExportXLS(benchmark::State& s) { runExport(s, &TDBGridExExportAsXLS::Create); }
void BM_ExportGRIDBIF(benchmark::State& s) { runExport(s, &TDBGridExExportAsGRIDBIF::Create); }
void BM_ImportText(benchmark::State& s) { runImport(s, &TDBGridExExportAsText::Create, &TDBGridExImportAsText::Create); }
void BM_ImportGRIDBIF(benchmark::State& s)
{
    runImport(s, &TDBGridExExportAsGRIDBIF::Create, &TDBGridExImportAsGRIDBIF::Create);
}

} // namespace

BENCHMARK(BM_ExportText)->Arg(kJournalRecords)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ExportCSV)->Arg(kJournalRecords)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ExportHTML)->Arg(kJournalRecords)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ExportRTF)->Arg(kJournalRecords)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ExportXLS)->Arg(65535)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ExportGRIDBIF)->Arg(kJournalRecords)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ImportText)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ImportGRIDBIF)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv, {}, [] {
        g_table.reset();
        return 0;
    });
}

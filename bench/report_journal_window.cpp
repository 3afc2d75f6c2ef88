// The journal's report window over the shipped "default_mp" journal template (tools/velt-templates):
// preparing and showing a 100,000-record journal (target: under 5 s, memory growing only with the
// prepared pages), and painting the preview's first page (target: under 50 ms).
#include "bench/support/BenchMain.h"
#include "journal/Default_MP_Report.h"
#include "platform/data/MemDataSet.h"
#include "report/rpEMFPages.h"
#include "report/rpPreview.h"
#include "report/rpReport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

// A work folder holding the shipped templates beside this program's build.
QString workFolder()
{
    static const QString dir = [] {
        const QString work = QDir::tempPath() + QStringLiteral("/velt-bench-report");
        QDir().mkpath(work + QStringLiteral("/REPORTS"));
        const QString source = QApplication::applicationDirPath() + QStringLiteral("/../templates/REPORTS/Report_MP.rpf");
        QFile::remove(work + QStringLiteral("/REPORTS/Report_MP.rpf"));
        QFile::copy(source, work + QStringLiteral("/REPORTS/Report_MP.rpf"));
        return work;
    }();
    return dir;
}

void fill(TMemDataSet& t, int records)
{
    for (const char* f : {"DATA_IZM", "OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "STAT", "OPER", "MEAS_PLACE", "OBSL_NAUTO",
                          "INSP_FAM", "INSP_NAME", "INSP_PAT", "INSP_DEPR", "INSP_NUMB"})
        t.AddFieldDef(f, ftString, 23);
    for (const char* f : {"PRIBOR", "NUM_VIDOH", "TYPERECORD", "SATURDATA"})
        t.AddFieldDef(f, ftInteger);
    t.AddFieldDef("IZM", ftFloat);
    t.AddFieldDef("IZM_AIR", ftFloat);
    t.Open();
    for (int n = 1; n <= records; ++n)
        t.AppendRecord({QStringLiteral("2026.12.%1 %2:%3:00").arg(n % 28 + 1, 2, 10, QChar('0')).arg(n / 60 % 24, 2, 10, QChar('0')).arg(n % 60, 2, 10, QChar('0')),
                        QString::fromUtf8("ИВАНОВ"), QString::fromUtf8("ИВАН"), QString::fromUtf8("ИВАНОВИЧ"),
                        QString::number(n % 4), QString::fromUtf8("ОПЕРАТОР"), QString::fromUtf8("МОСКВА"),
                        QString::fromUtf8("А123ВС77"), QString::fromUtf8("ПЕТРОВ"), QString::fromUtf8("ПЁТР"), QString(),
                        QString::fromUtf8("ДПС"), QStringLiteral("1234"), qlonglong(1000 + n % 7), qlonglong(n),
                        qlonglong(n % 50 == 0 ? 2 : 1), qlonglong(20), (n % 100) / 100.0, 0.01});
    t.First();
}

void BM_JournalWindowShow(benchmark::State& state)
{
    TMemDataSet table;
    fill(table, int(state.range(0)));
    int pages = 0;
    long grownKiB = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        const long before = residentKiB();
        TfmDefault_MP_Report w;
        w.rpRep->ShowProgress = false;
        if (!w.ShowJournal(&table, nullptr, nullptr, workFolder(), QString::fromUtf8("Петров")))
            state.SkipWithError("template missing");
        pages = w.PreviewPages();
        grownKiB = residentKiB() - before;
        TrpEMFPages& shown = *w.rpPreview->Window()->Pages;
        bytes = 0;
        for (int i = 0; i < shown.Count(); ++i)
            bytes += shown.Pages(i).Stream->size();
    }
    state.counters["pages"] = pages;
    state.counters["prepared_MB"] = double(bytes) / (1024 * 1024);
    state.counters["rss_growth_MB"] = double(grownKiB) / 1024;
}
BENCHMARK(BM_JournalWindowShow)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->MeasureProcessCPUTime();

void BM_PreviewFirstPagePaint(benchmark::State& state)
{
    TMemDataSet table;
    fill(table, 2000);
    TfmDefault_MP_Report w;
    w.rpRep->ShowProgress = false;
    w.show();
    if (!w.ShowJournal(&table, nullptr, nullptr, workFolder(), QString::fromUtf8("Петров")))
        state.SkipWithError("template missing");
    TrpPageView* view = w.rpPreview->Window();
    for (auto _ : state) {
        view->RedrawAll(); // the page's objects are made again from its stream
        const QPixmap shot = view->PBox->grab();
        benchmark::DoNotOptimize(shot.cacheKey());
    }
}
BENCHMARK(BM_PreviewFirstPagePaint)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}

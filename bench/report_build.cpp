// Preparing a journal-like report: a title, a page header and footer and a master band of six text
// objects over an in-memory table of 100,000 records (about 2,000 pages). Reports pages per second.
#include "bench/support/BenchMain.h"
#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include "report/rpBandView.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"
#include "report/rpEMFPages.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPrepare.h"
#include "report/rpReport.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

namespace {

struct Journal {
    TrpOwner owner{QStringLiteral("BenchForm"), TrpOwner::Form, false};
    TMemDataSet table;
    TrpDBDataSet rpTable;
    std::unique_ptr<TrpReport> report;

    explicit Journal(int records)
    {
        table.AddFieldDef("ID", ftInteger);
        table.AddFieldDef("DATETIME", ftString, 19);
        table.AddFieldDef("FAM", ftString, 40);
        table.AddFieldDef("IZM", ftFloat);
        table.AddFieldDef("PRIB", ftString, 20);
        table.AddFieldDef("OPER", ftString, 40);
        table.Open();
        for (int n = 1; n <= records; ++n)
            table.AppendRecord({qlonglong(n), QStringLiteral("2026.12.10 %1:%2:00").arg(n / 60 % 24, 2, 10, QChar('0')).arg(n % 60, 2, 10, QChar('0')),
                                QString::fromUtf8("Иванов Иван %1").arg(n), (n % 100) / 100.0, QStringLiteral("VELT-A 1234"),
                                QString::fromUtf8("Петров")});
        table.First();
        rpTable.SetName("rpJournal");
        rpTable.SetDataSet(&table);
        owner.Add("Journal", &table);
        owner.Add("rpJournal", &rpTable);
        report = std::make_unique<TrpReport>(&owner, QStringLiteral("JournalReport"));
        report->ShowProgress = false;
        report->OnProgress = [](int) {};
        CurReport = report.get();
        report->Pages->Clear();
        TrpPage* page = report->Pages->Add();
        band(page, btReportTitle, 0, 40);
        memo(page, 40, 0, 600, 30, QString::fromUtf8("Журнал измерений"));
        band(page, btPageHeader, 60, 20, bfPrintOnFirstPage | bfPrintOnLastPage);
        memo(page, 40, 60, 600, 20, QString::fromUtf8("№   Дата   Фамилия   Результат   Прибор   Оператор"));
        band(page, btMasterData, 100, 18, 0, "rpJournal");
        memo(page, 40, 100, 50, 18, "[ID]");
        memo(page, 90, 100, 130, 18, "[DATETIME]");
        memo(page, 220, 100, 180, 18, "[FAM]");
        memo(page, 400, 100, 60, 18, "[IZM #N0.000]");
        memo(page, 460, 100, 100, 18, "[PRIB]");
        memo(page, 560, 100, 100, 18, "[Operator]");
        band(page, btPageFooter, 200, 20, bfPrintOnFirstPage | bfPrintOnLastPage);
        memo(page, 40, 200, 300, 20, QString::fromUtf8("Страница [PAGE#]"));
        report->OnGetValue = [this](const QString& name, QVariant& value) {
            if (name == QLatin1String("Operator"))
                value = table.FieldByName("OPER")->Value();
        };
    }

    static void band(TrpPage* page, int type, int y, int h, quint16 flags = 48, const QString& source = {})
    {
        auto* b = new TrpBandView;
        b->SetBandType(type);
        b->SetBounds(0, y, 700, h);
        b->Flags = flags;
        b->FormatStr = source;
        b->Name = QStringLiteral("Band%1").arg(page->Objects.size());
        page->Objects.append(b);
    }
    static void memo(TrpPage* page, int x, int y, int w, int h, const QString& text)
    {
        auto* m = new TrpMemoView;
        m->SetBounds(x, y, w, h);
        m->Flags = mfWordWrap; // fixed height, as the journal's columns
        m->Memo = QStringList{text};
        m->Name = QStringLiteral("Memo%1").arg(page->Objects.size());
        page->Objects.append(m);
    }
};

void BM_PrepareJournalReport(benchmark::State& state)
{
    Journal journal(int(state.range(0)));
    int pages = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        if (!rpPrepareReport(journal.report.get()))
            state.SkipWithError("build failed");
        pages = journal.report->EMFPages->Count();
        bytes = 0;
        for (int i = 0; i < pages; ++i)
            bytes += journal.report->EMFPages->Pages(i).Stream->size();
    }
    state.counters["pages"] = pages;
    state.counters["pages_per_s"] = benchmark::Counter(pages, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["prepared_MB"] = double(bytes) / (1024 * 1024);
}
BENCHMARK(BM_PrepareJournalReport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}

// The report designer: one step of moving a selection of 200 objects with the mouse, painted (the page
// repainted where the objects were and are, then the window's picture made), and opening a template of
// 20 pages in the designer (read from the file, shown, its first page painted).
#include "bench/support/BenchMain.h"
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/rpBandView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpParser.h"
#include "report/rpReport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void fillPage(TrpPage* page, int count)
{
    for (int i = 0; i < count; ++i) {
        auto* memo = new TrpMemoView;
        memo->SetBounds(20 + 70 * (i % 10), 120 + 40 * (i / 10), 64, 30);
        memo->Memo = {QString::fromUtf8("Поле %1").arg(i), QStringLiteral("[Q.TXT]")};
        memo->FrameTyp = 15;
        memo->CreateUniqueName();
        page->Objects.append(memo);
    }
    auto* band = new TrpBandView;
    band->SetBandType(btMasterData);
    band->SetBounds(0, 100, page->PrnInfo.Pgw, 900);
    band->CreateUniqueName();
    page->Objects.prepend(band);
}

void BM_MoveSelectionOf200(benchmark::State& state)
{
    TrpReport report;
    CurReport = &report;
    fillPage(report.Pages->Add(), 200);
    TrpDesignerForm form;
    form.FormShow();
    form.GridAlign = false;
    form.ShapeMode = TrpShapeMode(state.range(0));
    TrpDesignerPage* s = form.PageSurface;
    form.SelAllBClick();
    form.Page->Objects[0]->Selected = false; // the band stays
    --SelectedCount;
    s->MMove(Qt::NoModifier, 50, 135);
    s->MDown(Qt::LeftButton, Qt::NoModifier, 50, 135);
    int x = 50;
    int dir = 1;
    for (auto _ : state) {
        x += dir;
        if (x > 60 || x < 40)
            dir = -dir;
        s->MMove(Qt::NoModifier, x, 135);
        s->TakeRepaints();
        benchmark::DoNotOptimize(s->Snapshot());
    }
    s->MUp(Qt::LeftButton, Qt::NoModifier, x, 135);
    state.SetLabel(state.range(0) == smAll ? "objects redrawn in place" : "outlines");
    form.FormHide();
    CurReport = nullptr;
}
BENCHMARK(BM_MoveSelectionOf200)->Arg(smAll)->Arg(smFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// What starting such a drag and ending it cost: the whole page painted once each.
void BM_RedrawPageOf200(benchmark::State& state)
{
    TrpReport report;
    CurReport = &report;
    fillPage(report.Pages->Add(), 200);
    TrpDesignerForm form;
    form.FormShow();
    for (auto _ : state)
        form.RedrawPage();
    form.FormHide();
    CurReport = nullptr;
}
BENCHMARK(BM_RedrawPageOf200)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_OpenTwentyPageTemplate(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("twenty.rpf");
    {
        TrpReport report;
        CurReport = &report;
        for (int p = 0; p < 20; ++p)
            fillPage(report.Pages->Add(), 40);
        report.SaveToFile(file);
        CurReport = nullptr;
    }
    TrpDesignerForm form;
    for (auto _ : state) {
        TrpReport report;
        report.LoadFromFile(file);
        CurReport = &report;
        form.FormShow();
        benchmark::DoNotOptimize(form.PageSurface->Snapshot());
        form.FormHide();
        CurReport = nullptr;
        form.Page = nullptr;
    }
}
BENCHMARK(BM_OpenTwentyPageTemplate)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir registry;
    qputenv("VELT_REGISTRY_FILE", registry.filePath("registry.ini").toLocal8Bit());
    return benchfx::RunBenchmarks(argc, argv, [] { rpTheParser(); });
}

// Loading report templates: a well-formed one, and damaged ones (flipped bytes, cut tails) that must be
// refused quickly and without harm.
#include "bench/support/BenchMain.h"
#include "platform/controls/MessageBox.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpReport.h"

#include <QApplication>
#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

class SilentBoxes : public ctl::TMessageBoxPort {
public:
    int Show(const QString&, const QString&, unsigned) override { return ctl::IDOK; }
};

QByteArray sampleTemplate()
{
    TrpReport report;
    CurReport = &report;
    for (int p = 0; p < 2; ++p) {
        TrpPage* page = report.Pages->Add();
        for (int i = 0; i < 40; ++i) {
            auto* memo = new TrpMemoView;
            memo->SetBounds(10 + 20 * (i % 10), 10 + 30 * (i / 10), 180, 25);
            memo->Memo = {QStringLiteral("[Query.\"OBSL_FAM\"] [Query.IZM #N12,3]"), QString::fromUtf8("Оператор")};
            memo->FrameTyp = 15;
            memo->CreateUniqueName();
            page->Objects.append(memo);
        }
    }
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    report.SaveToStream(b);
    CurReport = nullptr;
    return bytes;
}

void load(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    TrpReport report;
    benchmark::DoNotOptimize(report.LoadFromStream(b));
}

void BM_LoadTemplate(benchmark::State& state)
{
    const QByteArray bytes = sampleTemplate();
    for (auto _ : state)
        load(bytes);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_LoadTemplate)->MeasureProcessCPUTime();

void BM_LoadDamagedTemplates(benchmark::State& state)
{
    SilentBoxes boxes;
    ctl::TMessageBoxPort* previous = ctl::SetMessageBoxPort(&boxes);
    const QByteArray good = sampleTemplate();
    quint32 seed = 7;
    for (auto _ : state) {
        QByteArray bytes = good;
        seed = seed * 1103515245u + 12345u;
        const int pos = 1 + int(seed % quint32(bytes.size() - 1));
        if (seed & 0x10000)
            bytes[pos] = char(seed >> 24);
        else
            bytes.truncate(pos);
        load(bytes);
    }
    ctl::SetMessageBoxPort(previous);
}
BENCHMARK(BM_LoadDamagedTemplates)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}

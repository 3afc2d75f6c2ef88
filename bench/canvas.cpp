// Speed of the drawing paths the grid and the report engine use most: one grid cell (fill, clipped
// opaque text, a line), word-broken text layout, and the photo's JPEG round trip.
#include "bench/support/BenchMain.h"
#include "grid/TextWriters.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/JPEGImage.h"
#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

using namespace gfx;

namespace {

void GridCells(benchmark::State& state)
{
    TBitmap surface(800, 600);
    TCanvas& c = surface.Canvas();
    c.Font().SetName(QStringLiteral("Tahoma"));
    c.Font().SetSize(8);
    const QString text = QStringLiteral("2024.01.02 10:11:12");
    int row = 0;
    for (auto _ : state) {
        const TRect cell = Bounds(64, (row % 30) * 18, 120, 18);
        c.Brush().SetColor((row & 1) ? clWindow : clHighlight);
        c.TextRect(cell, cell.Left + 2, cell.Top + 2, text);
        c.Pen().SetColor(clSilver);
        c.MoveTo(cell.Left, cell.Bottom - 1);
        c.LineTo(cell.Right, cell.Bottom - 1);
        ++row;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(GridCells)->MeasureProcessCPUTime();

void WordBreakLayout(benchmark::State& state)
{
    TBitmap scratch(8, 8);
    TCanvas& c = scratch.Canvas();
    c.Font().SetName(QStringLiteral("Arial"));
    c.Font().SetSize(10);
    const QString text = QStringLiteral("Результат измерения концентрации паров этанола в выдыхаемом воздухе, "
                                        "миллиграммов на литр, с поправкой на температуру окружающей среды");
    for (auto _ : state) {
        TRect r = Rect(0, 0, 180, 0);
        benchmark::DoNotOptimize(c.DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX));
    }
}
BENCHMARK(WordBreakLayout)->MeasureProcessCPUTime();

// A long memo drawn into one grid cell, as the grid draws it: wrapped with an end ellipsis (arg 1), or on one
// line cut with "..." (arg 0). Only a few lines fit whatever the text's length.
void LongTextInCell(benchmark::State& state)
{
    TBitmap surface(400, 200);
    TCanvas& c = surface.Canvas();
    c.Font().SetName(QStringLiteral("Tahoma"));
    c.Font().SetSize(8);
    QString text;
    while (text.size() < state.range(1))
        text += QStringLiteral("в присутствии понятых составлен акт освидетельствования ");
    text.truncate(qsizetype(state.range(1)));
    const bool wrapped = state.range(0) != 0;
    for (auto _ : state) {
        TRect r = Rect(10, 10, 180, 64);
        if (wrapped)
            benchmark::DoNotOptimize(c.DrawText(text, r, DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK | DT_END_ELLIPSIS));
        else
            benchmark::DoNotOptimize(MakeEllipsisText(text, c, r.Width()));
    }
}
BENCHMARK(LongTextInCell)->ArgsProduct({{0, 1}, {200, 20000}})->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void JpegRoundTrip(benchmark::State& state)
{
    QImage frame(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, qRgb(x & 255, y & 255, (x * y) & 255));
    const TBitmap bitmap(frame);
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.SetCompressionQuality(int(state.range(0)));
        jpeg.Assign(bitmap);
        const QByteArray bytes = jpeg.SaveToBytes();
        TJPEGImage back;
        back.LoadFromBytes(bytes);
        benchmark::DoNotOptimize(back.Width());
    }
}
BENCHMARK(JpegRoundTrip)->Arg(30)->Arg(90)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}

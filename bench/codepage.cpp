// Encoding and decoding a journal-sized amount of Cyrillic text.
#include "platform/rtl/CodePage.h"

#include <benchmark/benchmark.h>

static void BM_EncodeCp1251(benchmark::State& state)
{
    const QString text = QString::fromUtf8("ИВАНОВ ИВАН ИВАНОВИЧ, г. Москва, ул. Ленина 1 ").repeated(1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(rtl::toCp1251(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_EncodeCp1251)->MeasureProcessCPUTime();

static void BM_DecodeCp1251(benchmark::State& state)
{
    const QByteArray bytes = rtl::toCp1251(QString::fromUtf8("ИВАНОВ ИВАН ИВАНОВИЧ, г. Москва ").repeated(1000));
    for (auto _ : state)
        benchmark::DoNotOptimize(rtl::fromCp1251(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeCp1251)->MeasureProcessCPUTime();

BENCHMARK_MAIN();

// Lines per second through the log into a file, from one thread and from several at once.
#include "core/Debug.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

static void BM_LogLines(benchmark::State& state)
{
    static QTemporaryDir dir;
    static TDebug& log = []() -> TDebug& {
        static TDebug instance;
        instance.SetBaseName(dir.filePath("bench"));
        return instance;
    }();
    int i = 0;
    for (auto _ : state)
        log.Print("GETEEPROM_Thread: record %d of %d, value %s mg/l", ++i, 5460, "0.123");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogLines)->Threads(1)->Threads(4)->Threads(16)->UseRealTime()->MeasureProcessCPUTime();

BENCHMARK_MAIN();

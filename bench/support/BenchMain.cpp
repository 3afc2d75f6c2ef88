#include "bench/support/BenchMain.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace benchfx {

int RunBenchmarks(int argc, char** argv, const std::function<void()>& before, const std::function<int()>& after)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (before)
        before();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return after ? after() : 0;
}

} // namespace benchfx

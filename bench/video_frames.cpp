// The live picture of the act window: frames of 640 x 480 x 4 from the capture server's test pattern at 25 a
// second, each read over the link, copied into the view and painted. Reported: frames painted a second and the
// client's share of one core (process CPU time over wall time; the server is a process of its own).
#include "bench/support/BenchMain.h"
#include "journal/VideoCapture.h"
#include "journal/VideoPhotoPanel.h"
#include "platform/ipc/ClientIPC.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

namespace {

double cpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Counts the frame notices the panel takes and the paints of its live picture.
class Counter : public QObject {
public:
    int frames = 0, paints = 0;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == ipc::kServerMessage && (static_cast<ipc::TServerMessage*>(e)->WParam & 0xFFFF) == 100)
            ++frames;
        else if (e->type() == QEvent::Paint && o->objectName() == QLatin1String("pbVideoPhoto"))
            ++paints;
        return false;
    }
};

void BM_LivePicture640x480x4At25(benchmark::State& state)
{
    const QString bin = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    QTemporaryDir dir;
    const QString sock = dir.filePath(QStringLiteral("capture.sock"));
    QProcess server;
    server.start(bin + QStringLiteral("/velt-capture"),
                 {QStringLiteral("--socket"), sock, QStringLiteral("--test-pattern"), QStringLiteral("640x480x4"),
                  QStringLiteral("--fps"), QStringLiteral("25")});
    if (!server.waitForStarted(3000)) {
        state.SkipWithError("velt-capture did not start (build it first)");
        return;
    }
    qputenv("VELT_CAPTURE_SOCKET", sock.toLocal8Bit());
    critsection_t photoLock;
    TVideoPhotoPanel panel(photoLock, nullptr);
    panel.CreateClient = [](QObject* window, const QString& folder) {
        return std::make_unique<TVideoCapture>(window, folder, ipc::CreateClientIPC(), TVideoCapture::Timing{3500, 5, 0});
    };
    Counter counter;
    panel.installEventFilter(&counter);
    for (QWidget* w : panel.findChildren<QWidget*>())
        w->installEventFilter(&counter);
    panel.show();
    if (!panel.StartVideo(bin)) {
        state.SkipWithError("the capture server did not answer");
        return;
    }
    panel.bNewPhotoClick();
    const int seconds = int(state.range(0));
    for (auto _ : state) {
        counter.frames = counter.paints = 0;
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = cpuSeconds();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = cpuSeconds() - cpu0;
        const double elapsed = double(wall.nsecsElapsed()) * 1e-9;
        state.SetIterationTime(elapsed);
        state.counters["frames_per_s"] = counter.frames / elapsed;
        state.counters["paints_per_s"] = counter.paints / elapsed;
        state.counters["cpu_pct_of_core"] = 100.0 * cpu / elapsed;
        state.counters["cpu_ms_per_frame"] = counter.frames ? 1000.0 * cpu / counter.frames : 0.0;
    }
    panel.StopVideo();
    server.terminate();
    server.waitForFinished(2000);
}

} // namespace

BENCHMARK(BM_LivePicture640x480x4At25)->Arg(5)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond)->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}

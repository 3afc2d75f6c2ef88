// The program's own start over the shared journal (VELT_BENCH_RECORDS records, a private copy): the main
// window made, its connection opened and the journal checked as start-up does before the login; then, timed,
// what start-up does from "Инициализация БД" on: the journal facade and its controller bound to the window's
// grid and queries, the settings read, the controls given, the view's count handler installed (init_ms, the
// span the log shows, with its processor time init_cpu_ms), and the window shown with its grid painted: the
// first view.
//
// Disk-cold: the page cache dropped before the open (as root; disk_cold 0 says it could not be), beside a
// sequential read of the same file, cold too, with read_ms and ratio (goal: at most 1.5 times that read).
// And the first measurement filed after the start, as the manager delivers it.
// Every figure's processor time counts all the program's threads.
#include "app/Interface.h"
#include "app/MainForm.h"
#include "bench/support/BenchMain.h"
#include "core/Measurement.h"
#include "db/DBInfoPribors.h"
#include "fixture.h"
#include "grid/DBGridEx.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfTable.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/IniFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The program folder: MyDocuments beside the program, holding a copy of the shared journal and the settings
// an installation delivers.
struct Installation {
    QTemporaryDir dir;
    QString work;

    Installation()
    {
        work = dir.filePath(QStringLiteral("MyDocuments"));
        benchfx::CopyJournal(benchfx::CachedJournal(benchfx::Records()), work);
        QFile ini(work + QStringLiteral("/VELT.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Methods]\r\nAppType=default_mp\r\nVideo=0\r\nJpegQuality=75\r\nProgUseOnlyForAlkozamok=0\r\n\r\n"
                      "[SizeTable]\r\nDATA_IZM=125\r\nFIO=560\r\nIZM=100\r\nIZM_AIR=110\r\nPRIBOR=50\r\n");
        ::sync(); // the copy written out: its write-back would share the disk with the timed reads
    }
    QString table() const { return benchfx::DbfFile(work).absoluteFilePath(); }
};

// Whether the page cache could be dropped (root only).
bool dropPageCache()
{
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool done = ::write(fd, "3", 1) == 1;
    ::close(fd);
    return done;
}

// The program as start-up leaves it before the login: the window, the connection over the work folder, the
// journal file checked (opened) and its generation read; the instruments' table made.
struct Program {
    std::unique_ptr<TfmMain> main;
    std::unique_ptr<rtl::TIniFile> ini;
    double initMs = 0, initCpuMs = 0;

    explicit Program(const Installation& inst)
    {
        main = std::make_unique<TfmMain>(inst.dir.path(), TfmMain::Options());
        main->ADOConnection->SetConnectionString("FILE NAME=" + main->WorkDir + "/connect.udl");
        main->ADOConnection->Open();
        benchmark::DoNotOptimize(main->ADOConnection->openTable(QStringLiteral("Base"))->columns().size());
        main->DBInfoPribors = std::make_unique<TDBInfoPribors>(main->WorkDir);
        main->Interface = std::make_unique<TInterface>(TInterface::DefaultMP, TInterface::DefaultFactory());
        main->Interface->SetDirs(main->AppDir, main->WorkDir);
        main->Interface->SetOperator(QString::fromUtf8("ОПЕРАТОР"));
        ini = std::make_unique<rtl::TIniFile>(main->WorkDir + "/VELT.ini");
    }

    // From "Инициализация БД" to the window shown with the journal in its grid.
    void Start()
    {
        const benchfx::Stopwatch init;
        main->Interface->InitDB(main->ADOQuery.get(), main->ADOConnection.get(), main->DS.get(), main->ADOQueryP.get(),
                                main->DBGrid, main->pStat, main->pEditButtom, main->DBInfoPribors.get());
        main->Interface->ReadSettings(*ini);
        main->Interface->SetControls(main->dUpdate, main->bDelete, main->StatusPanels[3], main->bNew);
        main->Interface->EndBurst();
        initMs = init.WallMs();
        initCpuMs = init.CpuMs();
        main->show();
        QCoreApplication::processEvents();
        // The grid's rows painted as the window shows them.
        QImage rows(main->DBGrid->viewport()->size(), QImage::Format_RGB32);
        main->DBGrid->viewport()->render(&rows);
    }

    ~Program()
    {
        main->hide();
        main->FormDestroy();
    }
};

void report(benchmark::State& state, const Program& p)
{
    state.counters["init_ms"] = p.initMs;
    state.counters["init_cpu_ms"] = p.initCpuMs;
    state.counters["records"] = p.main->ADOQuery->RecordCount();
    state.counters["rss_mb"] = benchfx::ResidentMB();
}

// The first measurement after the start, delivered as the manager delivers the first of a burst: the burst
// begun through the journal facade, then the record filed (the duplicate search, the insert, the view of the
// newest records). Timed alone; the grid's repaint that follows is the main loop's.
void BM_ProgramFirstFiling(benchmark::State& state)
{
    Installation inst;
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<Program>(inst);
        p->Start();
        TVELTMeasurement m = ZeroMeasurement();
        m.SerialNumber = 4321;
        m.Probe.Timestamp = rtl::EncodeDate(2030, 1, 1);
        m.VerificationDate = rtl::EncodeDate(2029, 6, 1);
        m.Probe.AlcResult = 0.123;
        m.Probe.nMeasure = 1;
        m.Probe.RecordType = 1;
        m.ModelCode = 10;
        m.DeviceType = 3;
        state.ResumeTiming();
        p->main->Interface->BeginBurst();
        p->main->Interface->OnMeasurements(&m, 0);
        state.PauseTiming();
        if (!p->main->Interface->LastRecordFiled())
            state.SkipWithError("not filed");
        state.counters["records"] = p->main->ADOQuery->RecordCount();
        p.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ProgramFirstFiling)->Unit(benchmark::kMicrosecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

// Reads a file from start to end in 128 KiB pieces, as a plain copy does; its time in ms.
double readWhole(const QString& path)
{
    const auto t0 = Clock::now();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        std::vector<char> buffer(128 << 10);
        while (::read(fd, buffer.data(), buffer.size()) > 0) {
        }
        ::close(fd);
    }
    return msSince(t0);
}

// Disk-cold first: the page cache dropped before the program opens the journal, then again before a plain
// read of the same file.
void BM_ProgramOpenDiskCold(benchmark::State& state)
{
    Installation inst;
    bool cold = true;
    double openMs = 0, readMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<Program>(inst);
        cold = dropPageCache();
        state.ResumeTiming();
        const auto t0 = Clock::now();
        p->Start();
        openMs = msSince(t0);
        state.PauseTiming();
        report(state, *p);
        p.reset();
        cold = dropPageCache() && cold;
        readMs = readWhole(inst.table());
        state.ResumeTiming();
    }
    state.counters["disk_cold"] = cold ? 1 : 0;
    state.counters["read_ms"] = readMs;
    state.counters["ratio"] = openMs / readMs;
}
BENCHMARK(BM_ProgramOpenDiskCold)->Unit(benchmark::kMillisecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

// The page cache warm (the journal read just before), as at a restart of the program.
void BM_ProgramOpenAndFirstView(benchmark::State& state)
{
    Installation inst;
    for (auto _ : state) {
        state.PauseTiming();
        readWhole(inst.table());
        auto p = std::make_unique<Program>(inst);
        state.ResumeTiming();
        p->Start();
        state.PauseTiming();
        report(state, *p);
        p.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ProgramOpenAndFirstView)->Unit(benchmark::kMillisecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}

// Sixteen measurement sources at once through the real manager: twelve networked lines of 32 instruments each
// and four VELT-C lines, each line played by velt-sim on its own pseudo-terminal.
//
// BM_SixteenSourcesFileEveryResult: every networked instrument has results queued (and every VELT-C a memory
// to download); counts what reached the journal's entry, each distinct record once ("filed" against
// "expected", "duplicates" must be 0), and the time it took.
// BM_SixteenIdleSources: the same sources with nothing new, at the default poll period, over a ten-second idle
// window: "cpu_percent" is the program's processor time (all its threads) over the wall time, in percent of one
// core (under 2 wanted); "system_share" the kernel's part of it; "waits_per_s" how often a thread went to sleep
// (each wait is a wake-up to pay for; this figure does not change with the machine's load).
// Run from the build tree: velt-sim is looked for in ../bin beside bench/.
#include "bench/support/BenchMain.h"
#include "Devices/DevicesSources.h"
#include "Devices/Manager.h"
#include "Devices/MeasurementsFacade.h"
#include "Devices/VELT_B/RqPanel.h"
#include "Devices/VELT_C/Velt_c.h"
#include "platform/controls/Synchronize.h"
#include "platform/rtl/CodePage.h"
#include "platform/system/SerialPorts.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <memory>
#include <poll.h>
#include <set>
#include <string>
#include <thread>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

// VELT_BENCH_NET_LINES and VELT_BENCH_C_LINES change the mix (12 and 4).
const int kNetLines = qEnvironmentVariableIsSet("VELT_BENCH_NET_LINES") ? qEnvironmentVariableIntValue("VELT_BENCH_NET_LINES") : 12;
const int kVeltCLines = qEnvironmentVariableIsSet("VELT_BENCH_C_LINES") ? qEnvironmentVariableIntValue("VELT_BENCH_C_LINES") : 4;
constexpr int kFirstPort = 180;
constexpr int kResultsEach = 3, kVeltCLife = 40;

std::string simPath()
{
    char self[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, size_t(n)) : std::string("./x");
    return dir.substr(0, dir.rfind('/')) + "/../bin/velt-sim";
}

// velt-sim on a line of its own, reached as COM<number>.
class Line {
public:
    Line(int number, const std::vector<std::string>& args) : number_(number)
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        const std::string program = simPath();
        pid_ = ::fork();
        if (pid_ == 0) {
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::dup2(out[1], 1);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        std::string path;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            path += c;
        ::close(out[0]);
        ok_ = path.rfind("/dev/", 0) == 0;
        if (ok_)
            sys::SetSerialPortOverride(number_, QString::fromStdString(path));
    }
    ~Line()
    {
        sys::SetSerialPortOverride(number_, QString());
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool ok() const { return ok_; }

private:
    int number_;
    pid_t pid_ = -1;
    bool ok_ = false;
};

class CountingFacade : public TMeasurementsFacade {
public:
    void OnMeasurements(const TVELTMeasurement* r, int) override
    {
        if (!r)
            return;
        ++filed;
        if (!seen.insert({r->DeviceType, r->NetNumber, r->SerialNumber, r->Probe.Timestamp, r->Probe.AlcResult}).second)
            ++duplicates;
    }
    void BeginBurst() override {}
    void EndBurst() override {}
    void SetBurstCounter(const uint32_t*) override {}
    int filed = 0, duplicates = 0;
    std::set<std::tuple<uint32_t, int, int, double, double>> seen;
};

struct Rig {
    explicit Rig(bool withResults)
    {
        QString ini;
        std::string numbers;
        for (int n = 1; n <= 32; ++n)
            numbers += (n > 1 ? "," : "") + std::to_string(n);
        for (int i = 0; i < kNetLines; ++i) {
            const int port = kFirstPort + i;
            // Instruments of different lines are different instruments: serial numbers of their own.
            std::vector<std::string> args{"--net", "--serial-base", std::to_string(100 * (i + 1)), "--at", numbers};
            if (withResults)
                args.insert(args.end(), {"--results", std::to_string(kResultsEach)});
            lines.push_back(std::make_unique<Line>(port, args));
            ini += QString::fromUtf8("[Device_%1]\r\nTypeDev=VELT-A СЕТЕВЫЕ (тип 1)\r\nCOM=COM%2\r\nnetnums=%3\r\n%4\r\n")
                       .arg(i, 3, 10, QLatin1Char('0'))
                       .arg(port)
                       .arg(QString::fromStdString(numbers))
                       .arg(withResults ? QStringLiteral("PollPeriod=5\r\n") : QString());
        }
        for (int i = 0; i < kVeltCLines; ++i) {
            const int port = kFirstPort + kNetLines + i;
            lines.push_back(std::make_unique<Line>(
                port, std::vector<std::string>{"--rq", "--velt-c", "--serial", std::to_string(500 + i), "--life",
                                               std::to_string(withResults ? kVeltCLife : 0)}));
            ini += QStringLiteral("[Device_%1]\r\nTypeDev=VELT-C\r\nCOM=COM%2\r\nAutoEnum=0\r\n")
                       .arg(kNetLines + i, 3, 10, QLatin1Char('0'))
                       .arg(port);
        }
        QFile f(dir.filePath("VELT.ini"));
        if (f.open(QIODevice::WriteOnly))
            f.write(rtl::toCp1251(ini));
        f.close();
        manager = std::make_unique<TManager>(true, dir.path(), nullptr);
        manager->CreateControlMeasure(&facade);
        manager->Resume();
    }
    bool ok() const
    {
        for (const auto& l : lines)
            if (!l->ok())
                return false;
        return manager->GetSourceCount() == kNetLines + kVeltCLines;
    }
    TVelt_C* veltC(int i) const
    {
        return dynamic_cast<TVelt_C*>(manager->Source(kNetLines + i)->GetDevice());
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<Line>> lines;
    CountingFacade facade;
    std::unique_ptr<TManager> manager;
};

// The process's (all its threads') processor time, split, and the times its threads gave the processor up to
// wait: the second figure does not move with the machine's load, the first does.
struct Usage {
    double user = 0, system = 0, waits = 0;
    static Usage Now()
    {
        rusage u{};
        ::getrusage(RUSAGE_SELF, &u);
        return {double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6,
                double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6, double(u.ru_nvcsw)};
    }
};

void BM_SixteenSourcesFileEveryResult(benchmark::State& state)
{
    for (auto _ : state) {
        Rig rig(true);
        if (!rig.ok()) {
            state.SkipWithError("the sources did not start");
            return;
        }
        const auto t0 = std::chrono::steady_clock::now();
        // Each VELT-C is read once it has been identified.
        std::vector<bool> asked(kVeltCLines, false);
        const int expected = kNetLines * 32 * kResultsEach + kVeltCLines * kVeltCLife;
        ctl::WaitServing(
            [&] {
                for (int i = 0; i < kVeltCLines; ++i) {
                    TVelt_C* d = rig.veltC(i);
                    if (!asked[size_t(i)] && d && d->Panel()->bGetEEPROM && d->Panel()->bGetEEPROM->isEnabled()) {
                        asked[size_t(i)] = true;
                        rig.manager->Source(kNetLines + i)->Read();
                    }
                }
                return rig.facade.filed >= expected;
            },
            std::chrono::seconds(120));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        // A while longer: nothing may come twice.
        ctl::WaitServing([] { return false; }, std::chrono::milliseconds(1500));
        state.counters["expected"] = expected;
        state.counters["filed"] = rig.facade.filed;
        state.counters["distinct"] = double(rig.facade.seen.size());
        state.counters["duplicates"] = rig.facade.duplicates;
        state.counters["seconds"] = seconds;
        rig.manager.reset();
    }
}

void BM_SixteenIdleSources(benchmark::State& state)
{
    for (auto _ : state) {
        Rig rig(false);
        if (!rig.ok()) {
            state.SkipWithError("the sources did not start");
            return;
        }
        // Settled: every line open and polled, every VELT-C identified. Then the main thread sits in its event
        // loop, as the program's does.
        ctl::WaitServing([] { return false; }, std::chrono::seconds(5));
        const Usage u0 = Usage::Now();
        const auto t0 = std::chrono::steady_clock::now();
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const Usage u1 = Usage::Now();
        const double cpu = (u1.user - u0.user) + (u1.system - u0.system);
        state.counters["cpu_percent"] = cpu / wall * 100.0;
        state.counters["system_share"] = cpu > 0 ? (u1.system - u0.system) / cpu : 0.0;
        state.counters["waits_per_s"] = (u1.waits - u0.waits) / wall;
        state.counters["sources"] = rig.manager->GetSourceCount();
        rig.manager.reset();
    }
}

// The floor under the idle figure: threads that do nothing but go to sleep and wake up, as often as the idle
// sources' threads do (waits_per_s), each wake one poll() with a time-out. What this costs on the machine is what
// the idle sources must cost at least, whatever their code.
void BM_WakeUpsAlone(benchmark::State& state)
{
    const int threads = kNetLines, perThread = int(state.range(0));
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::vector<std::thread> pool;
        const Usage u0 = Usage::Now();
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < threads; ++i)
            pool.emplace_back([&] {
                while (!stop)
                    ::poll(nullptr, 0, 1000 / perThread);
            });
        std::this_thread::sleep_for(std::chrono::seconds(10));
        stop = true;
        for (std::thread& t : pool)
            t.join();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const Usage u1 = Usage::Now();
        state.counters["cpu_percent"] = ((u1.user - u0.user) + (u1.system - u0.system)) / wall * 100.0;
        state.counters["waits_per_s"] = (u1.waits - u0.waits) / wall;
    }
}

} // namespace

BENCHMARK(BM_WakeUpsAlone)->Arg(27)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_SixteenSourcesFileEveryResult)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_SixteenIdleSources)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime()->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
    return benchfx::RunBenchmarks(argc, argv);
}

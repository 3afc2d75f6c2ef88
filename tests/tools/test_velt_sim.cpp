// End to end: the simulator prints on a pseudo-terminal, the printout listener hears it on a COM port mapped to
// that terminal, and the manager hands every record to the journal facade on the main thread.
#include "Devices/DevicesSources.h"
#include "Devices/Manager.h"
#include "Devices/MeasurementsFacade.h"
#include "Devices/VELT_A/Printout.h"
#include "Devices/VELT_A/Velt_A.h"
#include "common/testutil.h"
#include "core/Debug.h"
#include "platform/controls/MessageBox.h"
#include "platform/controls/Synchronize.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/system/SerialPorts.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono;

namespace {

struct Call {
    std::string what;
    TVELTMeasurement record;
    uint32_t counter;
};

class Facade : public TMeasurementsFacade {
public:
    std::vector<Call> calls;
    const uint32_t* counter = nullptr;
    bool offMainThread = false;
    void OnMeasurements(const TVELTMeasurement* r, int flag) override
    {
        offMainThread |= !ctl::IsMainThread();
        calls.push_back({r ? "record" : (flag ? "endburst" : "null"), r ? *r : ZeroMeasurement(), counter ? *counter : 0});
    }
    void BeginBurst() override { offMainThread |= !ctl::IsMainThread(); calls.push_back({"begin", ZeroMeasurement(), 0}); }
    void EndBurst() override { offMainThread |= !ctl::IsMainThread(); calls.push_back({"end", ZeroMeasurement(), 0}); }
    void SetBurstCounter(const uint32_t* c) override { counter = c; }
    std::vector<TVELTMeasurement> Records() const
    {
        std::vector<TVELTMeasurement> r;
        for (const Call& c : calls)
            if (c.what == "record")
                r.push_back(c.record);
        return r;
    }
    int Count(const char* what) const
    {
        return int(std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.what == what; }));
    }
};

// The simulator on its own pseudo-terminal, mapped as COMn for as long as it lives.
// Started with posix_spawn, not QProcess: QProcess starts its child in the parent's memory (a vfork-like clone)
// and runs intercepted library calls there, after which ThreadSanitizer no longer sees the main thread's locks
// and reports races in code that holds them; a run of these tests under it would prove nothing.
class Simulator {
public:
    Simulator(int number, const QStringList& args) : number_(number)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<QByteArray> bytes{QByteArrayLiteral(VELT_BINARY_DIR "/bin/velt-sim")};
        for (const QString& a : args)
            bytes.push_back(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& b : bytes)
            argv.push_back(b.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // The first line of its output is the path of the line.
        QByteArray line;
        const auto deadline = steady_clock::now() + seconds(5);
        while (pid_ > 0 && !line.contains('\n') && steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char c[256];
            const ssize_t n = ::read(out[0], c, sizeof c);
            if (n <= 0)
                break;
            line.append(c, n);
        }
        ::close(out[0]);
        path_ = QString::fromLocal8Bit(line.left(line.indexOf('\n'))).trimmed();
        if (!path_.isEmpty())
            sys::SetSerialPortOverride(number_, path_);
    }
    ~Simulator()
    {
        sys::SetSerialPortOverride(number_, QString());
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Ready() const { return path_.startsWith("/dev/"); }

private:
    int number_;
    pid_t pid_ = -1;
    QString path_;
};

struct EndToEnd : ::testing::Test {
    testutil::TempDir dir;
    ctl::TScriptedMessageBoxPort boxes;
    Facade facade;
    QString logPath;

    EndToEnd()
    {
        Dbg().SetBaseName(dir.file("velt"));
        logPath = dir.file("velt.log");
    }
    ~EndToEnd() override { Dbg().SetBaseName(dir.file("after")); }

    std::unique_ptr<TManager> Start(int com, const char* type = "VELT-A (тип 1)")
    {
        testutil::writeFile(dir.file("VELT.ini"),
                            rtl::toCp1251(QString::fromUtf8("[Device_000]\nTypeDev=%1\nCOM=COM%2\n").arg(QString::fromUtf8(type)).arg(com)));
        auto m = std::make_unique<TManager>(true, dir.path(), nullptr);
        m->CreateControlMeasure(&facade);
        m->Resume();
        return m;
    }
    bool Pump(const std::function<bool()>& done, int ms)
    {
        return ctl::WaitServing(done, milliseconds(ms));
    }
    QString Log() const
    {
        QFile f(logPath);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

QString JournalDate(double t)
{
    return rtl::FormatDateTime(QStringLiteral("yyyy.mm.dd hh:nn:ss"), t);
}

} // namespace

TEST_F(EndToEnd, PrintedResultsReachTheJournalWithTheirValuesDatesAndStates)
{
    Simulator sim(240, {"--printouts", "2", "--count", "3", "--interval", "600", "--serial", "4321", "--verification",
                        "01.02.2023", "--time", "2024-12-31 23:58", "--values", "0.150,0.3,0,1.234", "--status", "0,1,0",
                        "--linger", "3000"});
    ASSERT_TRUE(sim.Ready());
    auto m = Start(240, "VELT-B (тип 1)");
    ASSERT_TRUE(Pump([&] { return facade.Count("endburst") >= 1 && facade.Records().size() >= 6; }, 30000))
        << Log().toStdString();

    auto records = facade.Records();
    ASSERT_EQ(records.size(), 6u);
    // Records pushed between two pops arrive newest first; the journal orders them by their dates.
    std::sort(records.begin(), records.end(),
              [](const TVELTMeasurement& a, const TVELTMeasurement& b) { return a.Probe.Timestamp < b.Probe.Timestamp; });
    const char* dates[] = {"2024.12.31 23:58:00", "2024.12.31 23:59:00", "2025.01.01 00:00:00",
                           "2025.01.01 00:01:00", "2025.01.01 00:02:00", "2025.01.01 00:03:00"};
    const double values[] = {0.150, 0.300, 0.0, 1.234, 0.150, 0.300};
    const int states[] = {0, 1, 0, 0, 1, 0};
    for (size_t i = 0; i < 6; ++i) {
        const TVELTMeasurement& r = records[i];
        EXPECT_EQ(JournalDate(r.Probe.Timestamp), dates[i]) << i;
        EXPECT_DOUBLE_EQ(r.Probe.AlcResult, values[i]) << i;
        EXPECT_EQ(r.Probe.Exhale, states[i]) << i;
        EXPECT_EQ(r.SerialNumber, 4321);
        EXPECT_EQ(JournalDate(r.VerificationDate), "2023.02.01 00:00:00");
        EXPECT_EQ(QByteArray(r.Model), QByteArray(kPrintoutProductWord, 4));
        EXPECT_EQ(r.DeviceType, 4u);
        EXPECT_EQ(r.ModelCode, 1u);
        EXPECT_EQ(r.Probe.RecordType, 1u);
    }
    // Every record is inside a burst, counted from 1, and every burst is closed.
    int open = 0;
    uint32_t expected = 0;
    for (const Call& c : facade.calls) {
        if (c.what == "begin") { EXPECT_EQ(open, 0); open = 1; expected = 0; }
        else if (c.what == "record") { EXPECT_EQ(open, 1); EXPECT_EQ(c.counter, ++expected); }
        else if (c.what == "end") { EXPECT_EQ(open, 1); open = 2; }
        else if (c.what == "endburst") { EXPECT_EQ(open, 2); open = 0; }
    }
    EXPECT_EQ(open, 0);
    EXPECT_FALSE(facade.offMainThread);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(EndToEnd, SpoiltPrintoutsAreLoggedAndSkippedAndTheListenerGoesOn)
{
    // Printout 1 noisy with a skipped and a bad record; 2 with a wrong product word; 3 with a short serial;
    // 4 with a bad verification date; 5 broken off inside a record; 6 sound. Printouts are told apart by the line's
    // silence between them: the pause is long enough that a listener held off the processor by a loaded machine
    // still meets each on its own.
    Simulator sim(241, {"--printouts", "6", "--count", "1", "--interval", "2500", "--time", "2024-01-01 10:00",
                        "--fault", "noise@1", "--fault", "empty-record@1", "--fault", "bad-record@1", "--fault",
                        "bad-word@2", "--fault", "short-ident@3", "--fault", "bad-date@4", "--fault", "partial@5",
                        "--linger", "3000"});
    ASSERT_TRUE(sim.Ready());
    auto m = Start(241);
    ASSERT_TRUE(Pump([&] { return facade.Records().size() >= 4 && Log().contains("probe trash (5 bytes)"); }, 60000))
        << Log().toStdString();
    Pump([] { return false; }, 1300); // one more burst end, and nothing else comes
    const auto records = facade.Records();
    // A wrong product word ends that pass; the listener then meets the rest of the header, which starts with
    // the header end byte: a header without a model, as the format allows. So printout 2 is heard too.
    ASSERT_EQ(records.size(), 4u) << "results of printouts 1, 2, 5 and 6";
    std::vector<std::pair<QString, QByteArray>> heard;
    for (const auto& r : records)
        heard.push_back({JournalDate(r.Probe.Timestamp), QByteArray(r.Model)});
    std::sort(heard.begin(), heard.end());
    const QByteArray word(kPrintoutProductWord, 4);
    EXPECT_EQ(heard, (std::vector<std::pair<QString, QByteArray>>{{"2024.01.01 10:00:00", word},
                                                                  {"2024.01.01 10:01:00", QByteArray()},
                                                                  {"2024.01.01 10:04:00", word},
                                                                  {"2024.01.01 10:05:00", word}}));
    const QString log = Log();
    EXPECT_TRUE(log.contains("incorrect date or time ( 48.2.2018 16:0)"));
    EXPECT_TRUE(log.contains("bad header XXXX"));
    EXPECT_TRUE(log.contains("header trash (4 bytes)"));
    EXPECT_TRUE(log.contains("incorrect date ('1234310210')"));
    EXPECT_TRUE(log.contains("probe trash (5 bytes)"));
    EXPECT_EQ(facade.Count("begin"), facade.Count("endburst"));
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(EndToEnd, TheSimulatorRefusesBadArguments)
{
    for (const QStringList& args : {QStringList{"--values", "0.1,99"}, QStringList{"--fault", "smoke"},
                                    QStringList{"--time", "2024-02-30 10:00"}, QStringList{"--count"}}) {
        QProcess p;
        p.start(QStringLiteral(VELT_BINARY_DIR "/bin/velt-sim"), args);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
    }
}

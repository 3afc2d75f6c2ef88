#pragma once
// Fixtures shared by the tests of the instrument side.
#include "Devices/MeasurementsFacade.h"
#include "core/Debug.h"
#include "common/testutil.h"
#include "platform/controls/Synchronize.h"

#include <QFile>

#include <chrono>
#include <functional>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace devtest {

// Records every facade call in order; checks that each comes on the main thread.
class RecordingFacade : public TMeasurementsFacade {
public:
    struct Call {
        std::string what; // "begin", "end", "record", "endburst"
        TVELTMeasurement record;
        uint32_t counter;
        std::chrono::steady_clock::time_point at;
    };
    std::vector<Call> calls;
    const uint32_t* counter = nullptr;
    bool offMainThread = false;
    std::function<void()> onRecord; // runs inside OnMeasurements with a record

    void OnMeasurements(const TVELTMeasurement* record, int flag) override
    {
        check();
        Call c{record ? "record" : (flag == 1 ? "endburst" : "null"), record ? *record : ZeroMeasurement(),
               counter ? *counter : 0, std::chrono::steady_clock::now()};
        calls.push_back(c);
        if (record && onRecord)
            onRecord();
    }
    void BeginBurst() override { check(); calls.push_back({"begin", ZeroMeasurement(), 0, std::chrono::steady_clock::now()}); }
    void EndBurst() override { check(); calls.push_back({"end", ZeroMeasurement(), 0, std::chrono::steady_clock::now()}); }
    void SetBurstCounter(const uint32_t* c) override { counter = c; }

    std::vector<std::string> Sequence() const
    {
        std::vector<std::string> s;
        for (const Call& c : calls)
            s.push_back(c.what);
        return s;
    }
    int Records() const
    {
        int n = 0;
        for (const Call& c : calls)
            n += c.what == "record";
        return n;
    }

private:
    void check()
    {
        if (!ctl::IsMainThread())
            offMainThread = true;
    }
};

// Runs the main thread's queue until done() or the time-out.
inline bool Pump(const std::function<bool()>& done, int ms = 30000)
{
    return ctl::WaitServing(done, std::chrono::milliseconds(ms));
}

// Waits on the main thread for done() without running the calls workers hand it, as a main thread busy elsewhere
// would: whatever happens meanwhile needed no main thread.
inline bool WaitUnserved(const std::function<bool()>& done, int ms = 30000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Sends the log into a file of a fresh folder and reads it back.
class LogCapture {
public:
    LogCapture() { Dbg().SetBaseName(dir_.file("test")); }
    ~LogCapture() { Dbg().SetBaseName(dir_.file("after")); }
    QString Text() const
    {
        QFile f(dir_.file("test.log"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll());
    }
    bool Contains(const char* utf8) const { return Text().contains(QString::fromUtf8(utf8)); }

private:
    testutil::TempDir dir_;
};

// A pseudo-terminal pair in raw mode; the slave's path stands in for a serial device.
struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        termios t{};
        tcgetattr(master, &t);
        cfmakeraw(&t);
        tcsetattr(master, TCSANOW, &t);
        path = QString::fromLocal8Bit(name);
        // The slave end is opened again by the port under test; this descriptor only keeps the pair alive.
    }
    ~Pty() { CloseMaster(); if (slave >= 0) ::close(slave); }
    void CloseMaster() { if (master >= 0) ::close(master); master = -1; }
    bool Write(const QByteArray& bytes) const
    {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
};

} // namespace devtest

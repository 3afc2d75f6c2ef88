#pragma once
// Fixtures of the request-and-answer tests: the simulator on a pseudo-terminal mapped to a COM number, and a
// driver on a panel with a real measurement stack emptied by a consumer thread, as the manager empties it.
#include "Devices/MeasurementStack.h"
#include "Devices/VELT_B/RqPanel.h"
#include "DevicesTestUtil.h"
#include "common/SimProcess.h"
#include "platform/controls/MessageBox.h"
#include "platform/system/SerialPorts.h"

#include <QFile>
#include <QWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <memory>
#include <mutex>
#include <functional>
#include <thread>
#include <vector>

namespace rqtest {

inline QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// velt-sim (--rq) on its own pseudo-terminal, seen by the program as COM<number>.
class Sim {
public:
    // rq false: a type 1 instrument printing its results, or the mode its first argument names ("--net").
    Sim(int number, const QStringList& args, bool rq = true)
        : process_(number, rq ? QStringList{QStringLiteral("--rq")} + args : args,
                   dir_.file(QStringLiteral("requests.txt")))
    {
        if (!process_.Ready())
            ADD_FAILURE() << "velt-sim did not start";
    }
    // A command on the simulator's stdin ("off 5").
    void Tell(const QByteArray& line) const { process_.Tell(line); }
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;
    // What the instrument heard, one request a line ("req 7 3"), and what it did ("cleared").
    QStringList Heard() const
    {
        QFile f(dir_.file(QStringLiteral("requests.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    int Count(const QString& line) const { return int(Heard().count(line)); }
    bool HeardBlocks() const
    {
        for (const QString& l : Heard())
            if (l.startsWith(QStringLiteral("req 7 ")) && l != QStringLiteral("req 7 65535"))
                return true;
        return false;
    }

private:
    testutil::TempDir dir_;
    testutil::SimProcess process_;
};

// A COM number on a line where nobody answers.
struct SilentPort : devtest::Pty {
    int number;
    explicit SilentPort(int n) : number(n) { sys::SetSerialPortOverride(n, path); }
    ~SilentPort() { sys::SetSerialPortOverride(number, QString()); }
};

// A real measurement stack emptied by a thread, as the manager empties it.
class Consumer {
public:
    ~Consumer() { StopConsumer(); }

    void StartConsumer()
    {
        stop_ = false;
        consumer_ = std::thread([this] {
            TVELTMeasurement m;
            while (!stop_) {
                if (PopMeasurement(stack.Hooks(), &m)) {
                    std::lock_guard<std::mutex> g(lock_);
                    records_.push_back(m);
                    // As the manager tells it: each record reached the journal, filed or refused.
                    stack.Tally().Unfiled += refuse && refuse(m) ? 1 : 0;
                    ++stack.Tally().Delivered;
                } else {
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
            }
        });
    }
    void StopConsumer()
    {
        stop_ = true;
        if (consumer_.joinable())
            consumer_.join();
    }
    std::vector<TVELTMeasurement> Records()
    {
        std::lock_guard<std::mutex> g(lock_);
        return records_;
    }
    size_t RecordCount()
    {
        std::lock_guard<std::mutex> g(lock_);
        return records_.size();
    }

    // Records the journal plays refusing to file.
    std::function<bool(const TVELTMeasurement&)> refuse;
    TMeasurementStack stack;

private:
    std::thread consumer_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<TVELTMeasurement> records_;
};

class Rig : public Consumer {
public:
    Rig() = default;
    ~Rig()
    {
        if (driver)
            driver->Stop();
        driver.reset();
        StopConsumer();
    }

    template <class Driver = TVelt_B>
    Driver* Make(const char* name, int typeId, TDBInfoPribors* db = nullptr, bool fast = true)
    {
        auto* d = new Driver(U(name), typeId);
        if (fast)
            d->Pauses = {0, 0, 1, 0, 0};
        driver.reset(d);
        d->Init(&panel, stack.Hooks(), db);
        return d;
    }

    // Picks COM<number> in the port list as the operator would.
    void Choose(int number, bool autoSearch = false)
    {
        TRqPanel* p = driver->Panel();
        p->cbAutoEnum->setChecked(autoSearch);
        p->cbPort->Fill();
        const int i = p->cbPort->findText(QStringLiteral("COM%1").arg(number));
        ASSERT_GE(i, 0);
        p->cbPort->setCurrentIndex(i);
        p->PortChange();
    }
    bool LogHas(const char* utf8, int ms = 30000)
    {
        return devtest::Pump([&] { return driver->Panel()->LogText().contains(U(utf8)); }, ms);
    }
    bool Identified(int ms = 30000) { return LogHas("Всего произведено выдохов:", ms); }

    devtest::LogCapture log;
    ctl::TScriptedMessageBoxPort boxes;
    QWidget panel;
    std::unique_ptr<TVelt_B> driver;
};

} // namespace rqtest

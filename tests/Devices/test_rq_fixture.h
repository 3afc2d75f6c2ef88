#pragma once
// Fixtures of the request-and-answer tests: the simulator on a pseudo-terminal mapped to a COM number, and a
// driver on a panel with a real measurement stack emptied by a consumer thread, as the manager empties it.
#include "Devices/MeasurementStack.h"
#include "Devices/VELT_B/Velt_B.h"
#include "DevicesTestUtil.h"
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

// velt-sim (--rq) on its own pseudo-terminal, seen by the program as COM<number>. Started with fork and exec: a
// thread sanitizer loses track of this process's locks across the way QProcess starts programs.
class Sim {
public:
    // rq false: a type 1 instrument printing its results, or the mode its first argument names ("--net").
    Sim(int number, const QStringList& args, bool rq = true) : number_(number)
    {
        const QByteArray program = QByteArrayLiteral(VELT_BINARY_DIR "/bin/velt-sim");
        std::vector<QByteArray> words{program};
        if (rq)
            words.push_back(QByteArrayLiteral("--rq"));
        for (const QString& a : args)
            words.push_back(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        const QByteArray errors = dir_.file(QStringLiteral("requests.txt")).toLocal8Bit();
        int out[2], in[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            const int err = ::open(errors.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::dup2(err, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(in[0]);
        out_ = out[0];
        in_ = in[1];
        // The first line is the line's path.
        QByteArray line;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!line.endsWith('\n') && std::chrono::steady_clock::now() < end) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char c;
            if (::read(out_, &c, 1) != 1)
                break;
            line.append(c);
        }
        if (pid_ < 0 || !line.endsWith('\n')) {
            ADD_FAILURE() << "velt-sim did not start";
            return;
        }
        path_ = QString::fromLocal8Bit(line).trimmed();
        sys::SetSerialPortOverride(number_, path_);
    }
    ~Sim()
    {
        sys::SetSerialPortOverride(number_, QString());
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            ::close(out_);
        if (in_ >= 0)
            ::close(in_);
    }
    // A command on the simulator's stdin ("off 5").
    void Tell(const QByteArray& line) const
    {
        const QByteArray l = line + '\n';
        if (::write(in_, l.constData(), size_t(l.size())) != l.size())
            ADD_FAILURE() << "velt-sim: " << line.constData();
    }
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
    int number_;
    testutil::TempDir dir_;
    pid_t pid_ = -1;
    int out_ = -1;
    int in_ = -1;
    QString path_;
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
        driver->cbAutoEnum->setChecked(autoSearch);
        driver->cbPort->Fill();
        const int i = driver->cbPort->findText(QStringLiteral("COM%1").arg(number));
        ASSERT_GE(i, 0);
        driver->cbPort->setCurrentIndex(i);
        driver->PortChange();
    }
    bool LogHas(const char* utf8, int ms = 10000)
    {
        return devtest::Pump([&] { return driver->LogText().contains(U(utf8)); }, ms);
    }
    bool Identified(int ms = 10000) { return LogHas("Всего произведено выдохов:", ms); }

    devtest::LogCapture log;
    ctl::TScriptedMessageBoxPort boxes;
    QWidget panel;
    std::unique_ptr<TVelt_B> driver;
};

} // namespace rqtest

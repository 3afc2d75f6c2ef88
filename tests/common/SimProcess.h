#pragma once
// velt-sim on its own pseudo-terminal, reached by the program under test as COM<number> for the life of the object.
// Started with posix_spawn rather than QProcess: the way QProcess starts programs makes a thread sanitizer lose
// track of this process's locks for the rest of the run, so every later lock looks like a race.
#include "platform/system/SerialPorts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testutil {

class SimProcess {
public:
    // errorsFile: where the simulator's standard error goes (its account of what it heard); empty keeps ours.
    SimProcess(int number, const QStringList& args, const QString& errorsFile = QString()) : number_(number)
    {
        std::vector<QByteArray> words{QByteArrayLiteral(VELT_BINARY_DIR "/bin/velt-sim")};
        for (const QString& a : args)
            words.push_back(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);

        int out[2], in[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const QByteArray errors = errorsFile.toLocal8Bit();
        if (!errors.isEmpty())
            posix_spawn_file_actions_addopen(&actions, 2, errors.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(in[0]);
        out_ = out[0];
        in_ = in[1];

        // The first line it prints is the path of its line.
        QByteArray line;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (pid_ > 0 && !line.endsWith('\n') && std::chrono::steady_clock::now() < end) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char c;
            if (::read(out_, &c, 1) != 1)
                break;
            line.append(c);
        }
        path_ = QString::fromLocal8Bit(line).trimmed();
        if (Ready())
            sys::SetSerialPortOverride(number_, path_);
    }
    ~SimProcess()
    {
        if (Ready())
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
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Ready() const { return path_.startsWith(QLatin1String("/dev/")); }
    QString Path() const { return path_; }
    // A command on the simulator's standard input ("off 5").
    void Tell(const QByteArray& line) const
    {
        const QByteArray l = line + '\n';
        if (::write(in_, l.constData(), size_t(l.size())) != l.size())
            ADD_FAILURE() << "velt-sim: " << line.constData();
    }

private:
    int number_;
    pid_t pid_ = -1;
    int out_ = -1;
    int in_ = -1;
    QString path_;
};

} // namespace testutil

#include "testutil.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <clocale>
#include <gtest/gtest.h>

namespace testutil {

void PumpEvents(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

TempDir::TempDir()
{
    EXPECT_TRUE(dir_.isValid()) << "cannot create a temporary folder";
}

TempHome::TempHome() : savedHome_(qgetenv("HOME")), savedConfig_(qgetenv("XDG_CONFIG_HOME"))
{
    qputenv("HOME", QFile::encodeName(dir_.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.file(QStringLiteral(".config"))));
}

TempHome::~TempHome()
{
    qputenv("HOME", savedHome_);
    if (savedConfig_.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedConfig_);
}

CommaLocale::CommaLocale()
{
    saved_ = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") && dir_.isValid() &&
        QProcess::execute(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("ru_RU"), QStringLiteral("-f"),
                                                         QStringLiteral("UTF-8"), dir_.filePath(QStringLiteral("ru_RU.UTF-8"))}) == 0) {
        qputenv("LOCPATH", QFile::encodeName(dir_.path()));
        std::setlocale(LC_NUMERIC, "ru_RU.UTF-8");
    }
    ok_ = std::localeconv()->decimal_point[0] == ',';
}

CommaLocale::~CommaLocale()
{
    std::setlocale(LC_NUMERIC, saved_.c_str());
    qunsetenv("LOCPATH");
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

} // namespace testutil

namespace testutil {

QString runPython(const QString& script, const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << "python: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace testutil

namespace testutil {

bool RealX()
{
    return qgetenv("VELT_REAL_X") == "1";
}

} // namespace testutil

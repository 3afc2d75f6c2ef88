#include "platform/system/SystemInfo.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>
#include <vector>

#ifndef VELT_FILE_VERSION
#define VELT_FILE_VERSION ""
#endif

namespace sys {

std::optional<QString> DocumentsFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        return std::nullopt;
    return docs;
}

QString UserName()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? size_t(size) : 16384);
    passwd pw{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    return qEnvironmentVariable("USER");
}

QString AppVersion()
{
    const QString v = QStringLiteral(VELT_FILE_VERSION);
    return v.isEmpty() ? QStringLiteral("No") : v;
}

bool OpenWithProgram(const QString& path, std::function<void(int exitCode)> failed)
{
    // A child of the application, so its end is heard; the opener may wait for the program it runs, which
    // must not lose its output to a closed pipe when the application ends first.
    auto* opener = new QProcess(QCoreApplication::instance());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(opener, &QProcess::finished, opener, [opener, failed](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if ((code != 0 || status != QProcess::NormalExit) && failed)
            failed(status == QProcess::NormalExit ? code : -1);
    });
    opener->start(QStringLiteral("xdg-open"), {path});
    if (opener->waitForStarted(-1))
        return true;
    delete opener;
    return false;
}

} // namespace sys

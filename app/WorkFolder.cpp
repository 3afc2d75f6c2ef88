#include "app/WorkFolder.h"

#include "platform/controls/MessageBox.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

QString ResolveWorkDir(const QString& appDir, const std::optional<QString>& documents)
{
    const QString mine = WorkFile(appDir, QStringLiteral("MyDocuments"));
    if (QFileInfo(mine).isDir())
        return mine;
    QString base;
    if (documents && !documents->isEmpty()) {
        base = *documents;
    } else {
        ctl::MessageBox(QString::fromUtf8("Не удалось определить путь к пользовательской папке 'Мои документы//Документы'"
                                          "Рабочая папка будет создана внутри каталога программы."),
                        QString::fromUtf8("Ошибка!"), ctl::MB_OK | ctl::MB_ICONERROR);
        base = appDir;
    }
    const QString work = QDir(base).filePath(QStringLiteral("VELT"));
    if (!QFileInfo(work).isDir() && !QDir().mkpath(work))
        throw std::runtime_error(("Cannot create " + work + " directory.").toStdString());
    return work;
}

QString WorkFile(const QString& folder, const QString& name)
{
    return rtl::resolveCaseInsensitive(QDir(folder).filePath(name));
}

void PrivateFilesFromNowOn()
{
    ::umask(077);
}

void CheckWorkDir(const QString& workDir)
{
    const QByteArray dir = QFile::encodeName(workDir);
    struct stat st {};
    if (::stat(dir.constData(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ::chmod(dir.constData(), st.st_mode & 0700);
    // Writable is what a file made there shows, whatever the mode bits, mounts and access lists say.
    QByteArray probe = dir + "/.velt-write-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd >= 0) {
        const bool written = ::write(fd, "x", 1) == 1;
        const int err = errno;
        ::close(fd);
        ::unlink(probe.constData());
        if (written)
            return;
        errno = err;
    }
    const QString why = QString::fromLocal8Bit(std::strerror(errno));
    throw std::runtime_error(QString::fromUtf8("В рабочую папку %1 нельзя записывать (%2).\n"
                                               "Без неё программа не может вести журнал измерений и будет закрыта.")
                                 .arg(workDir, why)
                                 .toStdString());
}

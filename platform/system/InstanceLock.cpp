#include "platform/system/InstanceLock.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace sys {

TInstanceLock::TInstanceLock(const QString& name, const QString& folder)
{
    QString dir = folder;
    QString file = name + QStringLiteral(".lock");
    if (dir.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
            dir = runtime;
        } else {
            // The temporary folder is shared by every user: the uid keeps their locks apart.
            dir = QDir::tempPath();
            file = name + QStringLiteral("-%1.lock").arg(::getuid());
        }
    }
    path_ = QDir(dir).filePath(file);
}

TInstanceLock::~TInstanceLock()
{
    Release();
}

TInstanceLock::Result TInstanceLock::Acquire()
{
    if (fd_ >= 0)
        return Result::Acquired;
    const QByteArray native = QFile::encodeName(path_);
    // The file itself is never removed: unlinking it could let a third process lock a fresh file
    // while the first still holds the old one.
    int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ = errno;
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error_ = errno;
        ::close(fd);
        return error_ == EWOULDBLOCK ? Result::AlreadyExists : Result::Failed;
    }
    fd_ = fd;
    error_ = 0;
    return Result::Acquired;
}

void TInstanceLock::Release()
{
    if (fd_ < 0)
        return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

} // namespace sys

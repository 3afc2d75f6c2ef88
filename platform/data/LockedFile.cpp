#include "platform/data/LockedFile.h"

#include "platform/data/DatabaseError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace dbf {

LockedFile::LockedFile(const QString& path, Mode mode)
    : path_(path)
{
    const QByteArray native = path.toLocal8Bit();
    if (mode == Mode::CreateNew) {
        fd_ = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0)
            fail(errno == EEXIST ? "cannot create, the file exists:" : "cannot create");
    } else {
        fd_ = ::open(native.constData(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0 && (errno == EACCES || errno == EROFS)) {
            fd_ = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
            writable_ = false;
        }
        if (fd_ < 0)
            fail("cannot open");
    }
    struct flock lock {};
    lock.l_type = writable_ ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        if (err == EAGAIN || err == EACCES)
            throw EDatabaseError(QStringLiteral("The table file %1 is in use by another program: it is opened exclusively").arg(path_));
        errno = err;
        fail("cannot lock");
    }
    struct stat st {};
    if (::fstat(fd_, &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
}

LockedFile::~LockedFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void LockedFile::fail(const char* what) const
{
    throw EDatabaseError(QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path_, QString::fromLocal8Bit(std::strerror(errno))));
}

qint64 LockedFile::size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        fail("cannot read the size of");
    return st.st_size;
}

qint64 LockedFile::readAt(qint64 offset, char* data, qint64 n) const
{
    iovec part{data, static_cast<std::size_t>(n)};
    return readAt(offset, &part, 1);
}

qint64 LockedFile::readAt(qint64 offset, iovec* parts, int count) const
{
    qint64 done = 0;
    while (count > 0) {
        const ssize_t r = ::preadv(fd_, parts, count, offset + done);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot read");
        }
        if (r == 0)
            break;
        done += r;
        std::size_t left = static_cast<std::size_t>(r);
        for (; count > 0 && left >= parts->iov_len; ++parts, --count)
            left -= parts->iov_len;
        if (count > 0) {  // a part read partly goes on from where the read stopped
            parts->iov_base = static_cast<char*>(parts->iov_base) + left;
            parts->iov_len -= left;
        }
    }
    return done;
}

void LockedFile::writeAt(qint64 offset, const char* data, qint64 n)
{
    if (!writable_)
        throw EDatabaseError(QStringLiteral("The table file %1 is read-only").arg(path_));
    qint64 done = 0;
    while (done < n) {
        const ssize_t r = ::pwrite(fd_, data + done, static_cast<size_t>(n - done), offset + done);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot write");
        }
        done += r;
    }
}

void LockedFile::truncate(qint64 size)
{
    if (!writable_)
        throw EDatabaseError(QStringLiteral("The table file %1 is read-only").arg(path_));
    if (::ftruncate(fd_, size) != 0)
        fail("cannot cut");
}

void LockedFile::sync()
{
    if (writable_ && ::fdatasync(fd_) != 0)
        fail("cannot flush");
}

bool LockedFile::isAt(const QString& path) const
{
    // An open file keeps its device and inode whatever its names do.
    struct stat there {};
    return ::stat(path.toLocal8Bit().constData(), &there) == 0 && quint64(there.st_dev) == device_ && quint64(there.st_ino) == inode_;
}

void syncFolder(const QString& folder)
{
    const int fd = ::open(folder.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace dbf

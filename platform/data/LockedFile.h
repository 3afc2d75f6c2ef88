#pragma once
// A file opened for the life of a table, held with an exclusive lock on the open file description
// (another process, or another open of the same file, is refused), with whole reads and writes at
// offsets. Errors raise EDatabaseError naming the file. New files are private to their owner.
#include <QByteArray>
#include <QString>

struct iovec;

namespace dbf {

class LockedFile {
public:
    enum class Mode { OpenExisting, CreateNew };
    LockedFile(const QString& path, Mode mode);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    QString path() const { return path_; }
    bool writable() const { return writable_; }
    qint64 size() const;
    // Reads up to n bytes at offset; fewer only at the end of the file.
    qint64 readAt(qint64 offset, char* data, qint64 n) const;
    // The same into several buffers in turn, in one call where it can (the parts are used up).
    qint64 readAt(qint64 offset, struct iovec* parts, int count) const;
    void writeAt(qint64 offset, const char* data, qint64 n);
    void truncate(qint64 size);
    void sync();
    // Whether the name still leads to this file (it may have been renamed or replaced).
    bool isAt(const QString& path) const;
    // The file now has this name (it was moved while open).
    void movedTo(const QString& path) { path_ = path; }

private:
    [[noreturn]] void fail(const char* what) const;
    QString path_;
    int fd_ = -1;
    bool writable_ = true;
    quint64 device_ = ~quint64(0), inode_ = ~quint64(0);
};

// fsync of a folder, so that a new or renamed entry in it survives power loss.
void syncFolder(const QString& folder);

} // namespace dbf

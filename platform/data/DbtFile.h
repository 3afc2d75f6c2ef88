#pragma once
// The memo file beside a table. Entries we write are dBASE IV ones (FF FF 08 00, then the entry's
// length including these 8 bytes, then the bytes), so any byte sequence round-trips, 0x1A included.
// dBASE III entries (ended by 0x1A 0x1A) are read too. Writes only append; a re-saved value takes new
// blocks, and a crash between the writes leaves at worst unused blocks.
#include "platform/data/LockedFile.h"

#include <memory>

namespace dbf {

class DbtFile {
public:
    // Opens (raises when missing or locked); dBaseIII selects the old entry form for reading.
    DbtFile(const QString& path, bool dBaseIII);
    // Creates a new empty memo file for the table whose base name is given.
    static std::unique_ptr<DbtFile> create(const QString& path, const QString& tableBaseName);

    // Whether a memo file has no entries (no more than its header block).
    static bool holdsNothing(const QString& path);

    QString path() const { return file_->path(); }
    void movedTo(const QString& path);
    // The bytes of the entry at block; empty, with a warning, when the block or the entry's length lies
    // past the end of the file.
    QByteArray read(qint64 block) const;
    // Appends an entry and returns its first block.
    qint64 append(const QByteArray& bytes);
    void sync() { file_->sync(); }

private:
    explicit DbtFile(std::unique_ptr<LockedFile> file);
    void readHeader();
    std::unique_ptr<LockedFile> file_;
    bool dBaseIII_ = false;
    qint64 blockSize_ = 512;
    quint32 nextFree_ = 1;
};

} // namespace dbf

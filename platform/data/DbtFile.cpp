#include "platform/data/DbtFile.h"

#include "platform/data/DataLimits.h"
#include "platform/data/DatabaseError.h"
#include "platform/rtl/ScopeGuard.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <unistd.h>

namespace dbf {
namespace {
constexpr qint64 kDefaultBlock = kMemoBlock;
constexpr quint32 kMaxEntry = kMaxMemoEntry;
// Entries up to this length are read without asking the file's size first: a short read tells damage.
constexpr quint32 kTrustedEntry = 1u << 20;
}

DbtFile::DbtFile(std::unique_ptr<LockedFile> file)
    : file_(std::move(file))
{
}

DbtFile::DbtFile(const QString& path, bool dBaseIII)
    : file_(std::make_unique<LockedFile>(path, LockedFile::Mode::OpenExisting)), dBaseIII_(dBaseIII)
{
    readHeader();
}

void DbtFile::readHeader()
{
    char head[24] = {};
    if (file_->readAt(0, head, sizeof head) < 8)
        throw EDatabaseError(QStringLiteral("The memo file %1 is truncated: its header is incomplete").arg(file_->path()));
    nextFree_ = qFromLittleEndian<quint32>(head);
    const quint16 ivBlock = qFromLittleEndian<quint16>(head + 20);
    const quint32 altBlock = qFromLittleEndian<quint32>(head + 4);
    if (!dBaseIII_ && ivBlock >= kMinMemoBlock && ivBlock % kMinMemoBlock == 0)
        blockSize_ = ivBlock;
    else if (!dBaseIII_ && altBlock >= kMinMemoBlock && altBlock <= kMaxMemoBlock && altBlock % kMinMemoBlock == 0)
        blockSize_ = altBlock;
    else
        blockSize_ = kDefaultBlock;
    // New entries go right after the file's last block, whatever the header claims: below it they would
    // overwrite entries, beyond it they would leave a hole of up to terabytes. Entries are written before
    // the header's number, so nothing that is ours ever lies past the end.
    const qint64 used = std::max<qint64>(1, (file_->size() + blockSize_ - 1) / blockSize_);
    if (used > std::numeric_limits<quint32>::max())
        throw EDatabaseError(QStringLiteral("The memo file %1 is too large").arg(file_->path()));
    nextFree_ = static_cast<quint32>(used);
}

std::unique_ptr<DbtFile> DbtFile::create(const QString& path, const QString& tableBaseName)
{
    auto file = std::make_unique<LockedFile>(path, LockedFile::Mode::CreateNew);
    QByteArray block(kDefaultBlock, '\0');
    qToLittleEndian<quint32>(1, block.data());
    qToLittleEndian<quint32>(kDefaultBlock, block.data() + 4);
    const QByteArray name = tableBaseName.toUpper().toLatin1().left(8);
    std::copy(name.begin(), name.end(), block.data() + 8);
    qToLittleEndian<quint16>(kDefaultBlock, block.data() + 20);
    {
        // Created new above: a half header helps nobody.
        rtl::TScopeGuard failed([&] {
            file.reset();
            ::unlink(QFile::encodeName(path).constData());
        });
        file->writeAt(0, block.constData(), block.size());
        file->sync();
        failed.Dismiss();
    }
    std::unique_ptr<DbtFile> dbt(new DbtFile(std::move(file)));
    dbt->blockSize_ = kDefaultBlock;
    dbt->nextFree_ = 1;
    return dbt;
}

bool DbtFile::holdsNothing(const QString& path)
{
    return QFileInfo(path).size() <= kDefaultBlock;
}

void DbtFile::movedTo(const QString& path)
{
    file_->movedTo(path);
}

QByteArray DbtFile::read(qint64 block) const
{
    // A pointer or a length that leads past the end (a kill between a value and its pointer reaching the
    // disk, or damage) reads as no value: the record itself stays readable and nothing is written.
    // The reads tell where the file ends: no size is asked for on each value a scan reads.
    const qint64 offset = block * blockSize_;
    char head[8];
    if (block <= 0 || block > std::numeric_limits<qint64>::max() / blockSize_ - 1 || file_->readAt(offset, head, 8) < 8) {
        Warn(QStringLiteral("Memo block %1 lies past the end of the memo file %2: read as empty").arg(block).arg(file_->path()));
        return {};
    }
    if (!dBaseIII_ && static_cast<unsigned char>(head[0]) == 0xFF && static_cast<unsigned char>(head[1]) == 0xFF &&
        head[2] == 0x08 && head[3] == 0x00) {
        const quint32 length = qFromLittleEndian<quint32>(head + 4);
        // A long entry is held against the file's size before anything is sized by it.
        if (length >= 8 && length <= kMaxEntry && (length <= kTrustedEntry || offset + length <= file_->size())) {
            QByteArray bytes(length - 8, Qt::Uninitialized);
            if (file_->readAt(offset + 8, bytes.data(), bytes.size()) == bytes.size())
                return bytes;
        }
        Warn(QStringLiteral("The memo entry at block %1 of %2 is damaged: its length %3 runs past the end of the file; read as empty")
                 .arg(block)
                 .arg(file_->path())
                 .arg(length));
        return {};
    }
    // dBASE III: text up to 0x1A 0x1A (a lone 0x1A at the very end is accepted too).
    QByteArray bytes;
    char chunk[kMemoReadChunk];
    for (qint64 at = offset;;) {
        const qint64 n = file_->readAt(at, chunk, sizeof chunk);
        if (n <= 0)
            break;
        // Only the new bytes (and the last old one) can hold the end mark: a rescan from the start made a
        // long value quadratic, minutes for a damaged pointer into a memo file of photos.
        const qsizetype from = std::max<qsizetype>(0, bytes.size() - 1);
        bytes.append(chunk, n);
        const qsizetype end = bytes.indexOf("\x1A\x1A", from);
        if (end >= 0)
            return bytes.left(end);
        at += n;
        if (bytes.size() > static_cast<qsizetype>(kMaxEntry))
            break;
    }
    if (bytes.endsWith('\x1A'))
        bytes.chop(1);
    return bytes;
}

qint64 DbtFile::append(const QByteArray& bytes)
{
    if (dBaseIII_)
        throw EDatabaseError(QStringLiteral("The memo file %1 is in the dBASE III form, which cannot hold binary values; it is read-only here").arg(file_->path()));
    if (static_cast<quint64>(bytes.size()) + 8 > kMaxEntry)
        throw EDatabaseError(QStringLiteral("A memo value of %1 bytes is too large for %2").arg(bytes.size()).arg(file_->path()));
    const qint64 block = nextFree_;
    const qint64 total = bytes.size() + 8;
    const qint64 blocks = (total + blockSize_ - 1) / blockSize_;
    if (block + blocks > std::numeric_limits<quint32>::max())
        throw EDatabaseError(QStringLiteral("The memo file %1 is full").arg(file_->path()));
    QByteArray entry(blocks * blockSize_, '\0');
    entry[0] = char(0xFF);
    entry[1] = char(0xFF);
    entry[2] = 0x08;
    entry[3] = 0x00;
    qToLittleEndian<quint32>(static_cast<quint32>(total), entry.data() + 4);
    std::copy(bytes.begin(), bytes.end(), entry.data() + 8);
    // Entry first, then the header's next free block: a crash in between only wastes blocks.
    file_->writeAt(block * blockSize_, entry.constData(), entry.size());
    nextFree_ = static_cast<quint32>(block + blocks);
    char head[4];
    qToLittleEndian<quint32>(nextFree_, head);
    file_->writeAt(0, head, 4);
    return block;
}

} // namespace dbf

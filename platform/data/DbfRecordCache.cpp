#include "platform/data/DbfRecordCache.h"

#include "platform/data/DatabaseError.h"
#include "platform/data/DbfParallelScan.h"
#include "platform/data/LockedFile.h"

#include <cstring>
#include <sys/uio.h>

namespace dbf {

RecordCache::RecordCache(const LockedFile& file, qint64 headerLength, int recordLength)
    : file_(file),
      headerLength_(headerLength),
      recordLength_(recordLength),
      perBlock_(std::max<quint32>(1, quint32(kBlockBytes / recordLength))),
      blocks_(kBlocks)
{
}

void RecordCache::readRecords(quint32 first, quint32 n, char* to) const
{
    const qint64 bytes = qint64(n) * recordLength_;
    if (file_.readAt(headerLength_ + qint64(first) * recordLength_, to, bytes) != bytes)
        recordsCutShort(file_, first, n);
}

void RecordCache::load(quint32 block, quint32 count) const
{
    const quint32 first = block * perBlock_;
    if (first >= count)
        throw EDatabaseError(QStringLiteral("Record %1 does not exist in %2").arg(first + 1).arg(file_.path()));
    const quint32 blocks = block == lastLoaded_ + 1 ? std::min(kAhead, (count - 1) / perBlock_ - block + 1) : 1;
    iovec parts[kAhead];
    qint64 bytes = 0;
    for (quint32 i = 0; i < blocks; ++i) {
        Block& b = blocks_[(block + i) % kBlocks];
        if (!b.bytes)
            b.bytes = std::make_unique<char[]>(std::size_t(perBlock_) * recordLength_);
        b.number = UINT32_MAX;  // a failed read leaves no half block behind
        const quint32 n = std::min(perBlock_, count - (block + i) * perBlock_);
        parts[i] = {b.bytes.get(), std::size_t(n) * std::size_t(recordLength_)};
        bytes += qint64(parts[i].iov_len);
    }
    lastLoaded_ = UINT32_MAX;
    if (file_.readAt(headerLength_ + qint64(first) * recordLength_, parts, int(blocks)) != bytes)
        recordsCutShort(file_, first, quint32(bytes / recordLength_));
    for (quint32 i = 0; i < blocks; ++i) {
        Block& b = blocks_[(block + i) % kBlocks];
        b.number = block + i;
        b.first = (block + i) * perBlock_;
        b.count = std::min(perBlock_, count - b.first);
    }
    lastLoaded_ = block + blocks - 1;
}

void RecordCache::written(quint32 number, int offset, const char* bytes, int n)
{
    const quint32 block = number / perBlock_;
    Block& b = blocks_[block % kBlocks];
    if (b.number != block)
        return;
    if (number - b.first < b.count) {
        std::memcpy(b.bytes.get() + std::size_t(number - b.first) * recordLength_ + offset, bytes, std::size_t(n));
    } else if (number - b.first == b.count && offset == 0 && n == recordLength_) {
        std::memcpy(b.bytes.get() + std::size_t(b.count) * recordLength_, bytes, std::size_t(n));
        ++b.count;  // an append that extends the block
    }
}

} // namespace dbf

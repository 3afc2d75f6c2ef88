#include "platform/data/DbfRecordCache.h"

#include "platform/data/DatabaseError.h"
#include "platform/data/LockedFile.h"

#include <cstring>

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
        throw EDatabaseError(QStringLiteral("Cannot read records %1 to %2 of %3: the file ends before them")
                                 .arg(first + 1)
                                 .arg(first + n)
                                 .arg(file_.path()));
}

void RecordCache::load(quint32 block, quint32 count) const
{
    Block& b = blocks_[block % kBlocks];
    const quint32 first = block * perBlock_;
    if (first >= count)
        throw EDatabaseError(QStringLiteral("Record %1 does not exist in %2").arg(first + 1).arg(file_.path()));
    if (!b.bytes)
        b.bytes = std::make_unique<char[]>(std::size_t(perBlock_) * recordLength_);
    b.number = UINT32_MAX;  // a failed read leaves no half block behind
    const quint32 n = std::min(perBlock_, count - first);
    readRecords(first, n, b.bytes.get());
    b.number = block;
    b.first = first;
    b.count = n;
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

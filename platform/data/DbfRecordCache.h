#pragma once
// The records of an open table, read from its file as they are asked for: a few recently read blocks of
// whole records stay in memory, so memory does not grow with the table and a page of a view costs one
// read. Whole-table scans read through a window of their own and leave the blocks alone.
//
// A record pointer stays good until the next record is asked for: callers use it at once. Not
// thread-safe: the table's lock covers it.
#include <QtGlobal>
#include <algorithm>
#include <memory>
#include <vector>

namespace dbf {

class LockedFile;

class RecordCache {
public:
    RecordCache(const LockedFile& file, qint64 headerLength, int recordLength);

    // The bytes of a record below count (the table's record count).
    const char* record(quint32 number, quint32 count) const
    {
        const quint32 block = number / perBlock_;
        const Block& b = blocks_[block % kBlocks];
        if (b.number != block || number - b.first >= b.count)
            load(block, count);
        return b.bytes.get() + std::size_t(number - b.first) * recordLength_;
    }
    // A record was written (or appended): the block that holds it, if any, takes the new bytes.
    void written(quint32 number, int offset, const char* bytes, int n);

    // Calls f(number, bytes) for every record below count in file order, reading a window at a time.
    template <class F>
    void scan(quint32 count, F&& f) const
    {
        const quint32 window = std::max<quint32>(1, kScanWindow / quint32(recordLength_));
        std::vector<char> buffer(std::size_t(std::min(window, std::max<quint32>(count, 1))) * recordLength_);
        for (quint32 from = 0; from < count; from += window) {
            const quint32 n = std::min(count - from, window);
            readRecords(from, n, buffer.data());
            for (quint32 i = 0; i < n; ++i)
                f(from + i, buffer.data() + std::size_t(i) * recordLength_);
        }
    }

private:
    // Blocks of this many bytes (at least one record each); kBlocks of them stay. A block read right after
    // the one before it reads kAhead blocks in one call: a view read in file order costs one call a
    // quarter megabyte.
    static constexpr int kBlockBytes = 16 * 1024;
    static constexpr quint32 kBlocks = 256;
    static constexpr quint32 kAhead = 16;
    static constexpr quint32 kScanWindow = 512u << 10;  // stays in the cache while it is read

    struct Block {
        quint32 number = UINT32_MAX;
        quint32 first = 0;
        quint32 count = 0;
        std::unique_ptr<char[]> bytes;
    };
    void load(quint32 block, quint32 count) const;
    void readRecords(quint32 first, quint32 n, char* to) const;

    const LockedFile& file_;
    qint64 headerLength_;
    int recordLength_;
    quint32 perBlock_;
    mutable std::vector<Block> blocks_;
    mutable quint32 lastLoaded_ = UINT32_MAX;
};

} // namespace dbf

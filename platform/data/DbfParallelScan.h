#pragma once
// Reading a table's records straight from its file on several threads at once, each a range of records
// through a small window of its own, past the table's cache (which is not thread-safe). The file holds
// every write at once, so what is read is the table as it stands.
#include <QtGlobal>
#include <functional>
#include <vector>

namespace dbf {

class LockedFile;

struct RecordLayout {
    qint64 headerLength = 0;
    int recordLength = 0;
    quint32 count = 0;
};

// Records [0, count) split into ranges, one a thread: at most maxThreads of them (0: one a processor),
// each at least minPerThread records long.
std::vector<std::pair<quint32, quint32>> scanRanges(quint32 count, int maxThreads = 0, quint32 minPerThread = 1u << 16);

// Runs work(i) for every i below n, the first on this thread and the others each on a thread of its own;
// raises the first error once all have ended.
void runParallel(std::size_t n, const std::function<void(std::size_t)>& work);

// Raises the error of a read of n records from first that the file's end cut short.
[[noreturn]] void recordsCutShort(const LockedFile& file, quint32 first, quint32 n);

// Reads the records [from, to) in file order, a window of them at a time, and hands each window over:
// the bytes of its n records, the first of them record first.
void readRange(const LockedFile& file, const RecordLayout& layout, quint32 from, quint32 to,
               const std::function<void(const char* records, quint32 first, quint32 n)>& window);

// Calls f(record, bytes) for the records [from, to) in file order.
template <class F>
void forEachInRange(const LockedFile& file, const RecordLayout& layout, quint32 from, quint32 to, F&& f)
{
    readRange(file, layout, from, to, [&](const char* records, quint32 first, quint32 n) {
        for (quint32 i = 0; i < n; ++i)
            f(first + i, records + std::size_t(i) * std::size_t(layout.recordLength));
    });
}

} // namespace dbf

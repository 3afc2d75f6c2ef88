#include "platform/data/DbfParallelScan.h"

#include "platform/data/DatabaseError.h"
#include "platform/data/LockedFile.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <sched.h>
#include <system_error>
#include <thread>

namespace dbf {
namespace {

// Small enough that a thread's window stays in its cache and costs few fresh pages.
constexpr qint64 kWindowBytes = 128 << 10;

// The processors this process may run on: held to two (taskset), more threads would only take turns.
int processors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return std::max(1, int(std::thread::hardware_concurrency()));
}

} // namespace

std::vector<std::pair<quint32, quint32>> scanRanges(quint32 count, int maxThreads, quint32 minPerThread)
{
    static const int machine = processors();
    const quint32 wanted = std::max<quint32>(1, count / std::max<quint32>(1, minPerThread));
    const quint32 n = std::min<quint32>(wanted, quint32(maxThreads > 0 ? maxThreads : machine));
    std::vector<std::pair<quint32, quint32>> ranges(n);
    for (quint32 i = 0; i < n; ++i)
        ranges[i] = {quint32(quint64(count) * i / n), quint32(quint64(count) * (i + 1) / n)};
    return ranges;
}

void runParallel(std::size_t n, const std::function<void(std::size_t)>& work)
{
    std::vector<std::exception_ptr> errors(n);
    auto run = [&](std::size_t i) {
        try {
            work(i);
        } catch (...) {
            errors[i] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < n; ++i) {
        try {
            threads.emplace_back(run, i);
        } catch (const std::system_error&) {
            run(i);  // no thread to be had: this one does it
        }
    }
    if (n > 0)
        run(0);
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& e : errors)
        if (e)
            std::rethrow_exception(e);
}

void recordsCutShort(const LockedFile& file, quint32 first, quint32 n)
{
    throw EDatabaseError(QStringLiteral("Cannot read records %1 to %2 of %3: the file ends before them")
                             .arg(first + 1)
                             .arg(first + n)
                             .arg(file.path()));
}

void readRange(const LockedFile& file, const RecordLayout& layout, quint32 from, quint32 to,
               const std::function<void(const char* records, quint32 first, quint32 n)>& window)
{
    if (from >= to)
        return;
    const quint32 perWindow = std::max<quint32>(1, quint32(kWindowBytes / layout.recordLength));
    const std::size_t size = std::size_t(std::min(perWindow, to - from)) * std::size_t(layout.recordLength);
    const std::unique_ptr<char[]> buffer(new char[size]);
    for (quint32 first = from; first < to; first += perWindow) {
        const quint32 n = std::min(perWindow, to - first);
        const qint64 bytes = qint64(n) * layout.recordLength;
        if (file.readAt(layout.headerLength + qint64(first) * layout.recordLength, buffer.get(), bytes) != bytes)
            recordsCutShort(file, first, n);
        window(buffer.get(), first, n);
    }
}

} // namespace dbf

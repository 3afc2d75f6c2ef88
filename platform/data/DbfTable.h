#pragma once
// One dBASE table (.DBF with its .DBT memo file), open for the life of the object and held exclusively.
// Records are read from the file as they are asked for (DbfRecordCache), so opening costs the same at any
// size and memory does not grow with the table; writes go to the file and to the cached copy at once.
// One process-wide object per file: opening an open table again gives the same object.
//
// Write order keeps the files readable after a crash at any point: a new table and its memo are written
// under other names and moved into place whole; an insert writes the record bytes, then the header's
// count; a memo value is appended, then the record points at it. On open, a count beyond the file's end
// is cut to the records that are whole (missingOnOpen tells how many are not), and an uncounted record
// after the counted ones is cut off. A header that disagrees with itself or with the file raises
// EDamagedTable: such a table is neither read nor written.
//
// Thread-safe: every public member takes the table's (recursive) lock. The *Unlocked members are for the SQL
// interpreter, which holds lock() around a whole scan.
#include "platform/data/DbfHeader.h"
#include "platform/data/DbfIndex.h"
#include "platform/data/DbfRecordCache.h"
#include "platform/data/DbfTextIndex.h"
#include "platform/rtl/CodePage.h"

#include <QVariant>
#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace dbf {

class LockedFile;
class DbtFile;

class Table {
public:
    static std::shared_ptr<Table> open(const QString& path);
    // Creates a new table (and its memo file when a column is a memo); raises when the file exists.
    // The language driver byte is 0x57: cp1251 text.
    static std::shared_ptr<Table> create(const QString& path, const std::vector<Column>& columns);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    QString path() const { return path_; }
    QString memoPath() const;
    // Whether the path leads to this table's file (false after the file was renamed or replaced).
    bool isAt(const QString& path) const;
    rtl::CodePage codePage() const { return codePage_; }
    // False when the file could only be opened for reading.
    bool writable() const;
    quint8 version() const { return header_.version; }
    const std::vector<Column>& columns() const { return header_.columns; }
    int columnIndex(const QString& name) const;  // case-insensitive; -1 when absent
    // Records that the header counted but the file did not hold when it was opened.
    quint32 missingOnOpen() const { return missingOnOpen_; }
    // Bytes of an uncounted record (an insert a kill stopped before its count) cut off when it was opened.
    qint64 cutOnOpen() const { return cutOnOpen_; }

    quint32 recordCount() const;
    bool isDeleted(quint32 record) const;
    // The value of a field (memo fields: their bytes); NULL when blank.
    QVariant value(quint32 record, int column) const;
    // A copy of a record's bytes (recordLength of them) for reading many of its fields under one lock;
    // it holds while writes() stays as it was when it was taken.
    void copyRecord(quint32 record, char* out, quint64* writesThen) const;
    quint64 writes() const { return writes_.load(std::memory_order_acquire); }
    int recordLength() const { return header_.recordLength; }
    // Appends a record; values by column (missing or NULL ones blank). Returns its number.
    quint32 append(const std::vector<QVariant>& values);
    void update(quint32 record, const std::vector<std::pair<int, QVariant>>& changes);
    void remove(quint32 record);
    // Makes every write so far durable (fdatasync of both files).
    void sync();

    std::unique_lock<std::recursive_mutex> lock() const { return std::unique_lock<std::recursive_mutex>(mutex_); }
    quint32 recordCountUnlocked() const { return count_; }
    // Good until the next record is read.
    const char* recordUnlocked(quint32 record) const { return cache_->record(record, count_); }
    // Read from the deletion marks a whole scan gathered once they are known: an index walk then never
    // touches the records it skips.
    bool isDeletedUnlocked(quint32 record) const
    {
        return deletedKnown_ ? (deleted_[record >> 6] >> (record & 63)) & 1 : recordUnlocked(record)[0] == '*';
    }
    QVariant valueUnlocked(quint32 record, int column) const;
    // The collation key of a field (DbfCollation) and the column's index, built on first use.
    std::string keyUnlocked(quint32 record, int column) const;
    const ColumnIndex& indexUnlocked(int column) const;
    // The column's index when it is built (or being made: then it is waited for) or costs less than a
    // scan. nullptr for a text column of a large table whose deletion marks a whole scan has gathered: the
    // caller answers by liveMatchingIndexingUnlocked.
    const ColumnIndex* readyIndexUnlocked(int column) const;
    // How the file is read on many threads: a table of fewer than aside records builds a text column's
    // index at once (it costs less than a scan), and each thread takes perThread records at the least.
    struct Scans {
        quint32 aside = 1u << 16;
        quint32 perThread = 1u << 16;
    };
    void tuneScans(const Scans& scans) { scans_ = scans; }
    // The live records a test passes, in file order: the file read in ranges on every processor at once,
    // past the cache. The same read gathers what the text column's index is made of; the index is made of
    // it on a thread of its own and taken in, with the records written since filed again, when it is next
    // asked for.
    std::vector<quint32> liveMatchingIndexingUnlocked(const TextIndexTest& test, int column) const;
    // A column whose index the next index build makes in the same scan, so that its first use reads no
    // file (a journal's identifiers, asked for by its first filing, beside the dates of its first view).
    void indexAlongside(int column);
    // Calls f(record, bytes) for every record not deleted, in file order, reading the file a window at a
    // time past the cache.
    template <class F>
    void forEachLiveUnlocked(F&& f) const
    {
        // A large table's marks are gathered on every processor first: the pass below then only reads.
        if (!deletedKnown_ && count_ >= scans_.aside)
            scanOnEveryProcessorUnlocked({}, nullptr);
        const bool gather = !deletedKnown_;
        if (gather) {
            deleted_.reserve(markRoom());
            deleted_.assign((count_ + 63) / 64, 0);
        }
        cache_->scan(count_, [&](quint32 r, const char* bytes) {
            const bool deleted = bytes[0] == '*';
            if (gather && deleted)
                deleted_[r >> 6] |= quint64(1) << (r & 63);
            if (!deleted)
                f(r, bytes);
        });
        deletedKnown_ = true;
    }

private:
    Table(const QString& path, std::unique_ptr<LockedFile> file);
    // Words of deletion marks with room for the records filed next: growing them on a filing copied them.
    std::size_t markRoom() const { return ColumnIndex::roomFor(count_) / 64 + 1; }
    void load();
    void startCache();
    // Reads the file on every processor at once for what a first whole scan learns (the deletion marks),
    // and makes the indexes of the columns given in the same read: true, with them in made,
    // when each column's keys come in file order; false (nothing made) when not.
    bool scanOnEveryProcessorUnlocked(const std::vector<int>& columns, std::vector<std::unique_ptr<ColumnIndex>>* made) const;
    void checkRecord(quint32 record) const;
    void encodeInto(char* record, int column, const QVariant& value, std::vector<std::pair<int, QByteArray>>& memos) const;
    // Files the record in every index under the key its bytes have now.
    void reindex(quint32 record);
    void writeMemos(char* record, const std::vector<std::pair<int, QByteArray>>& memos);
    std::string keyOf(const char* record, int column) const;

    QString path_;
    std::unique_ptr<LockedFile> file_;
    std::unique_ptr<DbtFile> memo_;
    Header header_;
    rtl::CodePage codePage_ = rtl::CodePage::Cp1251;
    std::unique_ptr<RecordCache> cache_;
    mutable std::vector<quint64> deleted_;
    mutable bool deletedKnown_ = false;
    quint32 count_ = 0;
    std::atomic<quint64> writes_{0};  // every change of a record or the count adds one
    quint32 missingOnOpen_ = 0;
    qint64 cutOnOpen_ = 0;
    // collecting: to be built by collect() (room reserved), not given an order made elsewhere.
    std::unique_ptr<ColumnIndex> newIndex(int column, bool collecting) const;
    mutable std::map<int, std::unique_ptr<ColumnIndex>> indexes_;
    // An index being made on a thread of its own of what a read of the records below count gathered; the
    // records below count rewritten since are filed again when it is taken in.
    struct Pending {
        std::thread thread;
        quint32 count = 0;
        TextIndexOrder order;
        std::exception_ptr error;
        std::vector<quint32> touched;
    };
    mutable std::map<int, std::unique_ptr<Pending>> pending_;
    Scans scans_;
    RecordLayout layout() const { return {header_.headerLength, header_.recordLength, count_}; }
    void takeInPending(int column) const;
    void joinPending();
    std::vector<int> alongside_;
    mutable std::recursive_mutex mutex_;
};

// The code page a language driver byte names: cp866 for the DOS Russian drivers, cp1251 otherwise.
rtl::CodePage codePageOfDriver(quint8 driver);

} // namespace dbf

#include "platform/data/DbfTable.h"

#include "platform/data/DataLimits.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfCodec.h"
#include "platform/data/DbfCollation.h"
#include "platform/data/DbtFile.h"
#include "platform/data/LockedFile.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/SameText.h"
#include "platform/rtl/ScopeGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace dbf {
namespace {

// One object per open file in the process: a second open would be refused by the file lock. A table is
// also destroyed under this lock, so an open never meets a file whose last user is still closing it.
std::recursive_mutex registryMutex;

void destroy(Table* table)
{
    std::lock_guard<std::recursive_mutex> guard(registryMutex);
    delete table;
}
QHash<QString, std::weak_ptr<Table>>& registry()
{
    static QHash<QString, std::weak_ptr<Table>> tables;
    tables.removeIf([](const auto& entry) { return entry.value().expired(); });
    return tables;
}

// Keyed by the file itself (device and inode), not its name: after a rename, a new file under the old
// name is another table, and the renamed one is still the open object.
QString registryKey(const QString& path)
{
    struct stat st {};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0)
        return QFileInfo(path).absoluteFilePath();
    return QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino);
}

QString memoPathFor(const QString& tablePath)
{
    const QFileInfo info(tablePath);
    const QString suffix = info.suffix();
    const bool lower = !suffix.isEmpty() && suffix == suffix.toLower();
    return info.dir().filePath(info.completeBaseName() + (lower ? QStringLiteral(".dbt") : QStringLiteral(".DBT")));
}

} // namespace

rtl::CodePage codePageOfDriver(quint8 driver)
{
    return driver == 0x26 || driver == 0x65 ? rtl::CodePage::Cp866 : rtl::CodePage::Cp1251;
}

Table::Table(const QString& path, std::unique_ptr<LockedFile> file)
    : path_(path), file_(std::move(file))
{
}

Table::~Table()
{
    joinPending();
    try {
        sync();
    } catch (...) {
    }
}

void Table::startCache()
{
    cache_ = std::make_unique<RecordCache>(*file_, header_.headerLength, header_.recordLength);
}

namespace {

// Asks for large pages over a large buffer about to be filled: this machine's page faults cost more than
// the copy into it.
void adviseHuge(void* data, std::size_t bytes)
{
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + (2u << 20) - 1) & ~std::uintptr_t((2u << 20) - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~std::uintptr_t((2u << 20) - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// A buffer of n entries with room for the records filed next, the pages of the n asked for large. The room
// keeps small pages: a filing that first touches a large page waits while two megabytes are cleared.
template <class V>
V indexBuffer(std::size_t n)
{
    using T = typename V::value_type;
    V v;
    v.reserve(ColumnIndex::roomFor(n));
    adviseHuge(v.data(), n * sizeof(T));
    v.resize(n);
    return v;
}

} // namespace

bool Table::scanOnEveryProcessorUnlocked(const std::vector<int>& columns, std::vector<std::unique_ptr<ColumnIndex>>* made) const
{
    // Each range files its live records of each column straight into the index's buffers, from the place
    // of its first record on; the ranges' deleted records leave gaps, closed once all have ended. The
    // ranges' marks are put together in file order.
    const auto ranges = scanRanges(count_, 0, scans_.perThread);
    const bool gather = !deletedKnown_;
    const std::size_t nc = columns.size();
    struct Run {
        std::vector<char> first, last;  // the fields of the range's first and last live records
        quint64 firstPrefix = 0, lastPrefix = 0;
    };
    struct Part {
        std::vector<quint64> words;  // from the word of the range's first record
        std::vector<Run> runs;       // one a column
        quint32 live = 0;
    };
    std::vector<Part> parts(ranges.size());
    std::vector<IndexRecords> records(nc);
    std::vector<IndexPrefixes> prefixes(nc);
    for (std::size_t i = 0; i < nc; ++i) {
        records[i] = indexBuffer<IndexRecords>(count_);
        prefixes[i] = indexBuffer<IndexPrefixes>(count_);
    }
    std::atomic<bool> outOfOrder{false};
    const RecordLayout l = layout();
    runParallel(ranges.size(), [&](std::size_t k) {
        const auto [from, to] = ranges[k];
        Part& p = parts[k];
        p.runs.resize(nc);
        if (from >= to)
            return;  // an empty table
        const quint32 base = from >> 6;
        if (gather)
            p.words.assign(((to - 1) >> 6) - base + 1, 0);
        std::vector<FieldOrder> orders;
        std::vector<const Column*> cols;
        for (std::size_t i = 0; i < nc; ++i) {
            const Column& c = header_.columns[std::size_t(columns[i])];
            cols.push_back(&c);
            orders.emplace_back(c, codePage_);
            p.runs[i].first.resize(std::size_t(c.length));
            p.runs[i].last.resize(std::size_t(c.length));
        }
        forEachInRange(*file_, l, from, to, [&](quint32 r, const char* bytes) {
            if (bytes[0] == '*') {
                if (gather)
                    p.words[(r >> 6) - base] |= quint64(1) << (r & 63);
                return;
            }
            if (nc == 0 || outOfOrder.load(std::memory_order_relaxed))
                return;
            const std::size_t at = std::size_t(from) + p.live;
            for (std::size_t i = 0; i < nc; ++i) {
                const char* field = bytes + cols[i]->offset;
                Run& run = p.runs[i];
                const quint64 prefix = orders[i].prefix(field);
                if (p.live == 0) {
                    std::memcpy(run.first.data(), field, run.first.size());
                    run.firstPrefix = prefix;
                } else if (prefix < run.lastPrefix || (prefix == run.lastPrefix && orders[i].compareTies(field, run.last.data()) < 0)) {
                    outOfOrder = true;  // sorting is left to a single scan
                    return;
                }
                std::memcpy(run.last.data(), field, run.last.size());
                run.lastPrefix = prefix;
                records[i][at] = r;
                prefixes[i][at] = prefix;
            }
            ++p.live;
        });
    });
    if (gather) {
        std::vector<quint64> deleted;
        deleted.reserve(markRoom());
        deleted.assign((count_ + 63) / 64, 0);
        for (std::size_t k = 0; k < ranges.size(); ++k)
            for (std::size_t w = 0; w < parts[k].words.size(); ++w)
                deleted[(ranges[k].first >> 6) + w] |= parts[k].words[w];
        deleted_ = std::move(deleted);
        deletedKnown_ = true;
    }
    if (nc == 0 || outOfOrder)
        return false;
    // In order within each range: in order as a whole when each range begins where the one before ended.
    for (std::size_t i = 0; i < nc; ++i) {
        const FieldOrder order(header_.columns[std::size_t(columns[i])], codePage_);
        const Run* before = nullptr;
        for (const Part& p : parts) {
            if (p.live == 0)
                continue;
            const Run& run = p.runs[i];
            if (before && (run.firstPrefix < before->lastPrefix ||
                           (run.firstPrefix == before->lastPrefix && order.compareTies(run.first.data(), before->last.data()) < 0)))
                return false;
            before = &run;
        }
    }
    made->clear();
    for (std::size_t i = 0; i < nc; ++i) {
        std::size_t n = 0;
        for (std::size_t k = 0; k < ranges.size(); ++k) {
            const std::size_t from = ranges[k].first, live = parts[k].live;
            if (n != from) {
                std::memmove(records[i].data() + n, records[i].data() + from, live * sizeof(quint32));
                std::memmove(prefixes[i].data() + n, prefixes[i].data() + from, live * sizeof(quint64));
            }
            n += live;
        }
        records[i].resize(n);
        prefixes[i].resize(n);
        auto index = newIndex(columns[i], false);
        index->adopt(std::move(records[i]), std::move(prefixes[i]));
        made->push_back(std::move(index));
    }
    return true;
}

std::shared_ptr<Table> Table::open(const QString& requested)
{
    const QString path = rtl::resolveCaseInsensitive(requested);
    std::lock_guard<std::recursive_mutex> guard(registryMutex);
    if (!QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("The table file %1 does not exist").arg(requested));
    const QString key = registryKey(path);
    if (auto existing = registry().value(key).lock())
        return existing;
    std::shared_ptr<Table> table(new Table(path, std::make_unique<LockedFile>(path, LockedFile::Mode::OpenExisting)), destroy);
    table->load();
    registry().insert(key, table);
    return table;
}

namespace {

// The names a new table and its memo are written under until both are whole: a kill at any instant
// leaves either these (removed by the next create) or complete files under the real names.
QString creatingName(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".creating"));
}

void unlinkIfThere(const QString& path)
{
    ::unlink(QFile::encodeName(path).constData());
}

// Moves a finished file to its name; never over an existing file (another writer's table) unless allowed.
void moveIntoPlace(const QString& from, const QString& to, bool replace)
{
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    int r = ::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), replace ? 0 : RENAME_NOREPLACE);
    if (r != 0 && !replace && errno == EINVAL) {
        // A file system without the flag: a link fails on an existing name just the same.
        r = ::link(f.constData(), t.constData());
        if (r == 0)
            ::unlink(f.constData());
    }
    if (r != 0)
        throw EDatabaseError(QStringLiteral("Cannot move the new file %1 to %2: %3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

std::shared_ptr<Table> Table::create(const QString& requested, const std::vector<Column>& columns)
{
    const QString path = rtl::resolveCaseInsensitive(requested);
    Header h;
    h.columns = columns;
    h.layout();
    h.version = h.hasMemo() ? 0x8B : 0x03;
    h.languageDriver = 0x57;
    h.lastUpdate = QDate::currentDate();
    std::lock_guard<std::recursive_mutex> guard(registryMutex);
    if (QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("The table %1 already exists").arg(path));
    const QString memoPath = rtl::resolveCaseInsensitive(memoPathFor(path));
    // A memo file with no entries and no table is what a create killed between its two moves leaves:
    // it is replaced. One with entries holds someone's values and stays.
    if (h.hasMemo() && QFileInfo::exists(memoPath) && !DbtFile::holdsNothing(memoPath))
        throw EDatabaseError(QStringLiteral("The memo file %1 of a new table already exists").arg(memoPath));
    const QString tablePart = creatingName(path), memoPart = creatingName(memoPath);
    unlinkIfThere(tablePart);
    unlinkIfThere(memoPart);
    std::unique_ptr<DbtFile> memo;
    std::unique_ptr<LockedFile> file;
    bool placed = false;
    {
        // Half-made files would only be in the way of a retry.
        rtl::TScopeGuard failed([&] {
            file.reset();
            memo.reset();
            if (!placed) {
                unlinkIfThere(tablePart);
                unlinkIfThere(memoPart);
            }
        });
        if (h.hasMemo())
            memo = DbtFile::create(memoPart, QFileInfo(path).completeBaseName());
        file = std::make_unique<LockedFile>(tablePart, LockedFile::Mode::CreateNew);
        QByteArray bytes = h.build();
        bytes.append('\x1A');
        file->writeAt(0, bytes.constData(), bytes.size());
        file->sync();
        if (memo) {
            moveIntoPlace(memoPart, memoPath, true);
            memo->movedTo(memoPath);
        }
        moveIntoPlace(tablePart, path, false);
        placed = true;
        file->movedTo(path);
        syncFolder(QFileInfo(path).absolutePath());
        failed.Dismiss();
    }
    std::shared_ptr<Table> table(new Table(path, std::move(file)), destroy);
    table->header_ = h;
    table->memo_ = std::move(memo);
    table->codePage_ = codePageOfDriver(h.languageDriver);
    table->startCache();
    registry().insert(registryKey(path), table);
    return table;
}

void Table::load()
{
    QByteArray head(kHeaderPrefix, '\0');
    head.resize(file_->readAt(0, head.data(), kHeaderPrefix));
    if (head.size() == kHeaderPrefix) {
        const quint16 length = static_cast<quint16>(uchar(head[8]) | uchar(head[9]) << 8);
        if (length > kHeaderPrefix) {
            head.resize(length);
            head.resize(file_->readAt(0, head.data(), length));
        }
    }
    header_ = Header::parse(head, path_);
    codePage_ = codePageOfDriver(header_.languageDriver);
    const qint64 size = file_->size();
    const qint64 recordLength = header_.recordLength;
    const qint64 counted = qint64(header_.headerLength) + qint64(header_.recordCount) * recordLength;
    if (counted > kMaxTableBytes)
        throw EDamagedTable(QStringLiteral("%1 is not a readable dBASE table: it counts %2 records of %3 bytes, more than a table can hold")
                                .arg(path_)
                                .arg(header_.recordCount)
                                .arg(recordLength));
    const qint64 whole = (size - header_.headerLength) / recordLength;
    count_ = header_.recordCount;
    if (whole < static_cast<qint64>(count_)) {
        // The file was cut inside its records: the whole ones are kept, the caller tells how many are not.
        missingOnOpen_ = count_ - static_cast<quint32>(std::max<qint64>(whole, 0));
        count_ = static_cast<quint32>(std::max<qint64>(whole, 0));
        Warn(QStringLiteral("%1 counts %2 records but holds %3 whole ones: %4 missing").arg(path_).arg(header_.recordCount).arg(count_).arg(missingOnOpen_));
    } else if (size > counted) {
        char mark = 0;
        file_->readAt(counted, &mark, 1);
        const qint64 after = size - counted;
        // What follows the end mark is not part of the table. Without the mark, up to one record (and its
        // mark) is the insert a kill stopped before it was counted; more means the count is damaged.
        if (mark != '\x1A') {
            if (after > recordLength + 1)
                throw EDamagedTable(QStringLiteral("%1 is not a readable dBASE table: it counts %2 records but holds %3 more bytes after them")
                                        .arg(path_)
                                        .arg(header_.recordCount)
                                        .arg(after));
            if (file_->writable()) {
                file_->truncate(counted);
                file_->writeAt(counted, "\x1A", 1);
                file_->sync();
                cutOnOpen_ = after;
                Warn(QStringLiteral("%1: %2 bytes of an uncounted record after its %3 records were cut off").arg(path_).arg(after).arg(count_));
            }
        }
    }
    startCache();
    if (header_.hasMemo()) {
        const QString memoPath = rtl::resolveCaseInsensitive(memoPathFor(path_));
        if (!QFileInfo::exists(memoPath))
            throw EDatabaseError(QStringLiteral("The memo file %1 of the table %2 is missing").arg(memoPath, path_));
        memo_ = std::make_unique<DbtFile>(memoPath, header_.dBaseIIIMemo());
    }
}

bool Table::writable() const
{
    return file_->writable();
}

bool Table::isAt(const QString& path) const
{
    return file_->isAt(path);
}

QString Table::memoPath() const
{
    return memo_ ? memo_->path() : QString();
}

int Table::columnIndex(const QString& name) const
{
    for (std::size_t i = 0; i < header_.columns.size(); ++i)
        if (rtl::SameText(header_.columns[i].name, name))
            return static_cast<int>(i);
    return -1;
}

quint32 Table::recordCount() const
{
    auto guard = lock();
    return count_;
}

bool Table::isDeleted(quint32 record) const
{
    auto guard = lock();
    checkRecord(record);
    return isDeletedUnlocked(record);
}

void Table::checkRecord(quint32 record) const
{
    if (record >= count_)
        throw EDatabaseError(QStringLiteral("Record %1 does not exist in %2").arg(record + 1).arg(path_));
}

QVariant Table::value(quint32 record, int column) const
{
    auto guard = lock();
    return valueUnlocked(record, column);
}

void Table::copyRecord(quint32 record, char* out, quint64* writesThen) const
{
    auto guard = lock();
    checkRecord(record);
    std::memcpy(out, recordUnlocked(record), static_cast<std::size_t>(header_.recordLength));
    *writesThen = writes_.load(std::memory_order_relaxed);
}

QVariant Table::valueUnlocked(quint32 record, int column) const
{
    checkRecord(record);
    const Column& c = header_.columns.at(static_cast<std::size_t>(column));
    if (!c.isMemo())
        return decodeField(c, recordUnlocked(record) + c.offset, codePage_);
    const QVariant v = decodeField(c, recordUnlocked(record) + c.offset, codePage_);
    if (v.isNull() || v.toLongLong() == 0)
        return {};
    if (!memo_)
        throw EDatabaseError(QStringLiteral("The table %1 has no memo file").arg(path_));
    QByteArray bytes = memo_->read(v.toLongLong());
    if (bytes.isEmpty())
        return {};
    return bytes;
}

void Table::encodeInto(char* record, int column, const QVariant& value, std::vector<std::pair<int, QByteArray>>& memos) const
{
    const Column& c = header_.columns.at(static_cast<std::size_t>(column));
    if (!c.isMemo()) {
        encodeField(c, value, record + c.offset, codePage_);
        return;
    }
    std::memset(record + c.offset, ' ', c.length);
    if (value.isNull())
        return;
    const QByteArray bytes = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : encodeText(c, value.toString(), codePage_);
    if (!bytes.isEmpty())
        memos.emplace_back(column, bytes);
}

void Table::writeMemos(char* record, const std::vector<std::pair<int, QByteArray>>& memos)
{
    if (memos.empty())
        return;
    if (!memo_)
        throw EDatabaseError(QStringLiteral("The table %1 has no memo file").arg(path_));
    for (const auto& [column, bytes] : memos) {
        const qint64 block = memo_->append(bytes);
        encodeField(header_.columns[static_cast<std::size_t>(column)], QVariant::fromValue<qlonglong>(block), record + header_.columns[static_cast<std::size_t>(column)].offset, codePage_);
    }
}

quint32 Table::append(const std::vector<QVariant>& values)
{
    auto guard = lock();
    if (!file_->writable())
        throw EDatabaseError(QStringLiteral("The table file %1 is read-only").arg(path_));
    QByteArray record(header_.recordLength, ' ');
    std::vector<std::pair<int, QByteArray>> memos;
    for (std::size_t i = 0; i < header_.columns.size(); ++i)
        encodeInto(record.data(), static_cast<int>(i), i < values.size() ? values[i] : QVariant(), memos);
    writeMemos(record.data(), memos);
    // Record bytes (and the end-of-file mark) first, then the count: a crash between leaves the old count.
    QByteArray bytes = record;
    bytes.append('\x1A');
    file_->writeAt(header_.headerLength + qint64(count_) * header_.recordLength, bytes.constData(), bytes.size());
    writes_.fetch_add(1, std::memory_order_release);
    cache_->written(count_, 0, record.constData(), record.size());
    const QByteArray counts = Header::countBytes(QDate::currentDate(), count_ + 1);
    file_->writeAt(1, counts.constData(), counts.size());
    if (deletedKnown_ && count_ / 64 >= deleted_.size())
        deleted_.push_back(0);
    for (auto& [column, index] : indexes_)
        index->insert(keyOf(record.constData(), column), count_);
    return count_++;
}

void Table::update(quint32 record, const std::vector<std::pair<int, QVariant>>& changes)
{
    auto guard = lock();
    checkRecord(record);
    if (!file_->writable())
        throw EDatabaseError(QStringLiteral("The table file %1 is read-only").arg(path_));
    QByteArray bytes(recordUnlocked(record), header_.recordLength);
    for (auto& [column, pending] : pending_)
        if (record < pending->count)
            pending->touched.push_back(record);
    std::vector<std::pair<int, QByteArray>> memos;
    for (const auto& [column, value] : changes)
        encodeInto(bytes.data(), column, value, memos);
    writeMemos(bytes.data(), memos);
    // The indexes read keys from the records: they let go of the old keys before the new bytes come.
    for (auto& [column, index] : indexes_)
        index->erase(keyOf(recordUnlocked(record), column), record);
    // Written or not, the record's keys go back from the bytes it then holds.
    const rtl::TScopeGuard reindexed([&] { reindex(record); });
    file_->writeAt(header_.headerLength + qint64(record) * header_.recordLength, bytes.constData(), bytes.size());
    writes_.fetch_add(1, std::memory_order_release);
    cache_->written(record, 0, bytes.constData(), bytes.size());
}

void Table::reindex(quint32 record)
{
    for (auto& [column, index] : indexes_)
        index->insert(keyOf(recordUnlocked(record), column), record);
}

void Table::remove(quint32 record)
{
    auto guard = lock();
    checkRecord(record);
    if (isDeletedUnlocked(record))
        return;
    // The indexes keep the record: whoever walks them skips deleted ones.
    file_->writeAt(header_.headerLength + qint64(record) * header_.recordLength, "*", 1);
    writes_.fetch_add(1, std::memory_order_release);
    cache_->written(record, 0, "*", 1);
    if (deletedKnown_)
        deleted_[record >> 6] |= quint64(1) << (record & 63);
}

std::string Table::keyOf(const char* record, int column) const
{
    const Column& c = header_.columns.at(static_cast<std::size_t>(column));
    std::string key(static_cast<std::size_t>(keyRoom(c)), '\0');
    key.resize(static_cast<std::size_t>(fieldKey(c, record + c.offset, codePage_, reinterpret_cast<uchar*>(key.data()))));
    return key;
}

std::string Table::keyUnlocked(quint32 record, int column) const
{
    return keyOf(recordUnlocked(record), column);
}

std::unique_ptr<ColumnIndex> Table::newIndex(int column, bool collecting) const
{
    const Column& c = header_.columns.at(static_cast<std::size_t>(column));
    auto index = std::make_unique<ColumnIndex>([this](quint32 record) { return recordUnlocked(record); },
                                               [this, &c](const char* record, uchar* out) { return fieldKey(c, record + c.offset, codePage_, out); },
                                               [this, &c](const uchar* key, int n) { return keyPrefix(c, key, n, codePage_); }, keyRoom(c));
    if (collecting)
        index->reserve(count_);
    return index;
}

void Table::indexAlongside(int column)
{
    auto guard = lock();
    header_.columns.at(static_cast<std::size_t>(column));
    if (std::find(alongside_.begin(), alongside_.end(), column) == alongside_.end())
        alongside_.push_back(column);
}

const ColumnIndex& Table::indexUnlocked(int column) const
{
    if (auto it = indexes_.find(column); it != indexes_.end())
        return *it->second;
    if (pending_.count(column)) {
        takeInPending(column);
        return *indexes_.at(column);
    }
    // Once a whole scan has gathered the deletion marks, a text column's index is made from the file on
    // every processor at once, not in one more scan of this thread.
    const Column& col = header_.columns.at(static_cast<std::size_t>(column));
    if (deletedKnown_ && canBuildTextIndex(col, codePage_)) {
        TextIndexOrder order = buildTextIndex(*file_, layout(), col, codePage_, scanRanges(count_, 0, scans_.perThread));
        auto index = newIndex(column, false);
        index->adopt(std::move(order.records), std::move(order.prefixes));
        return *(indexes_[column] = std::move(index));
    }
    std::vector<int> wanted{column};
    for (int other : alongside_)
        if (!indexes_.count(other) && std::find(wanted.begin(), wanted.end(), other) == wanted.end())
            wanted.push_back(other);
    // A large table's indexes are first made on every processor, which holds while their keys come in file
    // order (a journal's dates and identifiers); else one scan sorts them.
    if (count_ >= scans_.aside) {
        std::vector<std::unique_ptr<ColumnIndex>> made;
        if (scanOnEveryProcessorUnlocked(wanted, &made)) {
            for (std::size_t i = 0; i < wanted.size(); ++i)
                indexes_[wanted[i]] = std::move(made[i]);
            return *indexes_.at(column);
        }
    }
    std::map<int, std::unique_ptr<ColumnIndex>> built;
    for (int c : wanted)
        built[c] = newIndex(c, true);
    forEachLiveUnlocked([&](quint32 r, const char* bytes) {
        for (auto& [c, index] : built)
            index->collect(r, bytes);
    });
    for (auto& [c, index] : built) {
        index->seal();
        indexes_[c] = std::move(index);
    }
    return *indexes_.at(column);
}

const ColumnIndex* Table::readyIndexUnlocked(int column) const
{
    if (auto it = indexes_.find(column); it != indexes_.end())
        return it->second.get();
    const Column& c = header_.columns.at(static_cast<std::size_t>(column));
    if (pending_.count(column) || !deletedKnown_ || !canBuildTextIndex(c, codePage_) || count_ < scans_.aside)
        return &indexUnlocked(column);
    return nullptr;
}

std::vector<quint32> Table::liveMatchingIndexingUnlocked(const TextIndexTest& test, int column) const
{
    const Column& c = header_.columns.at(static_cast<std::size_t>(column));
    auto read = std::make_shared<TextIndexRead>(readTextIndex(*file_, layout(), c, codePage_, scanRanges(count_, 0, scans_.perThread), test));
    std::vector<quint32> out = std::move(read->matching);
    if (indexes_.count(column) || pending_.count(column))
        return out;
    auto pending = std::make_unique<Pending>();
    Pending* p = pending.get();
    p->count = count_;
    try {
        p->thread = std::thread([p, read] {
            try {
                p->order = read->place();
            } catch (...) {
                p->error = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        return out;  // no thread to be had: it is built when it is next asked for
    }
    pending_[column] = std::move(pending);
    return out;
}

void Table::takeInPending(int column) const
{
    auto node = pending_.extract(column);
    Pending& p = *node.mapped();
    p.thread.join();
    if (p.error)
        std::rethrow_exception(p.error);
    auto index = newIndex(column, false);
    index->adopt(std::move(p.order.records), std::move(p.order.prefixes));
    std::sort(p.touched.begin(), p.touched.end());
    p.touched.erase(std::unique(p.touched.begin(), p.touched.end()), p.touched.end());
    index->eraseRecords(p.touched);
    for (quint32 r : p.touched)
        index->insert(keyOf(recordUnlocked(r), column), r);
    for (quint32 r = p.count; r < count_; ++r)
        index->insert(keyOf(recordUnlocked(r), column), r);
    indexes_[column] = std::move(index);
}

void Table::joinPending()
{
    for (auto& [column, p] : pending_)
        p->thread.join();
    pending_.clear();
}

void Table::sync()
{
    auto guard = lock();
    file_->sync();
    if (memo_)
        memo_->sync();
}

} // namespace dbf

#include "platform/data/DbfIndex.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace dbf {

ColumnIndex::ColumnIndex(RecordReader records, KeyOf keyOf, int room)
    : recordAt_(std::move(records)), keyOf_(std::move(keyOf)), room_(room), scratch_(static_cast<std::size_t>(room))
{
}

void ColumnIndex::Free::operator()(uchar* p) const
{
    std::free(p);
}

void ColumnIndex::reserve(std::size_t records)
{
    records_.reserve(records);
    starts_.reserve(records + 1);
}

void ColumnIndex::collect(quint32 record, const char* bytes)
{
    if (starts_.empty())
        starts_.push_back(0);
    const std::size_t at = starts_.back();
    if (arenaSize_ < at + static_cast<std::size_t>(room_)) {
        // realloc: a large block grows by remapping, without copying or clearing the keys so far.
        const std::size_t size = std::max(arenaSize_ * 2, at + static_cast<std::size_t>(room_) * 4096);
        auto* grown = static_cast<uchar*>(std::realloc(arena_.get(), size));
        if (!grown)
            throw std::bad_alloc();
        (void)arena_.release();
        arena_.reset(grown);
        arenaSize_ = size;
    }
    const int n = keyOf_(bytes, arena_.get() + at);
    starts_.push_back(at + static_cast<std::size_t>(n));
    records_.push_back(record);
}

void ColumnIndex::seal()
{
    const std::size_t n = records_.size();
    auto key = [this](std::size_t i) {
        return std::string_view(reinterpret_cast<const char*>(arena_.get() + starts_[i]), starts_[i + 1] - starts_[i]);
    };
    // A journal is filed mostly in the order of its dates and identifiers: most indexes are sorted already.
    bool sorted = true;
    for (std::size_t i = 1; i < n && sorted; ++i)
        sorted = key(i - 1) <= key(i);
    if (!sorted) {
        // The first eight bytes of each key beside it decide most comparisons without touching the keys.
        struct Entry {
            quint64 prefix;
            quint32 position;
        };
        std::vector<Entry> entries(n);
        for (std::size_t i = 0; i < n; ++i) {
            uchar head[8] = {};
            const std::string_view k = key(i);
            std::memcpy(head, k.data(), std::min<std::size_t>(8, k.size()));
            quint64 p = 0;
            for (uchar b : head)
                p = p << 8 | b;
            entries[i] = {p, static_cast<quint32>(i)};
        }
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            if (a.prefix != b.prefix)
                return a.prefix < b.prefix;
            const int cmp = key(a.position).compare(key(b.position));
            return cmp != 0 ? cmp < 0 : a.position < b.position;
        });
        std::vector<quint32> ordered(n);
        for (std::size_t i = 0; i < n; ++i)
            ordered[i] = records_[entries[i].position];
        records_.swap(ordered);
    }
    arena_.reset();
    arenaSize_ = 0;
    std::vector<std::size_t>().swap(starts_);
}

std::string_view ColumnIndex::read(quint32 record) const
{
    const int n = keyOf_(recordAt_(record), scratch_.data());
    return std::string_view(reinterpret_cast<const char*>(scratch_.data()), static_cast<std::size_t>(n));
}

std::string ColumnIndex::keyAt(std::size_t position) const
{
    return std::string(read(records_[position]));
}

std::size_t ColumnIndex::lowerBound(std::string_view key) const
{
    const auto it = std::partition_point(records_.begin(), records_.end(), [&](quint32 r) { return read(r) < key; });
    return static_cast<std::size_t>(it - records_.begin());
}

std::size_t ColumnIndex::upperBound(std::string_view key) const
{
    const auto it = std::partition_point(records_.begin(), records_.end(), [&](quint32 r) { return read(r) <= key; });
    return static_cast<std::size_t>(it - records_.begin());
}

std::size_t ColumnIndex::firstNotBelow(std::string_view key, quint32 record) const
{
    const auto below = [&](quint32 r) {
        const int cmp = read(r).compare(key);
        return cmp != 0 ? cmp < 0 : r < record;
    };
    // New records mostly come last: one comparison with the last entry settles it.
    if (records_.empty() || below(records_.back()))
        return records_.size();
    const auto it = std::partition_point(records_.begin(), records_.end(), below);
    return static_cast<std::size_t>(it - records_.begin());
}

void ColumnIndex::insert(std::string_view key, quint32 record)
{
    const std::size_t at = firstNotBelow(key, record);
    if (at < records_.size() && records_[at] == record)
        return;
    records_.insert(records_.begin() + static_cast<std::ptrdiff_t>(at), record);
}

void ColumnIndex::erase(std::string_view key, quint32 record)
{
    const std::size_t at = firstNotBelow(key, record);
    if (at < records_.size() && records_[at] == record)
        records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(at));
}

} // namespace dbf

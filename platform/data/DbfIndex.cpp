#include "platform/data/DbfIndex.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace dbf {

ColumnIndex::ColumnIndex(RecordReader records, KeyOf keyOf, PrefixOf prefixOf, int room)
    : recordAt_(std::move(records)), keyOf_(std::move(keyOf)), prefixOf_(std::move(prefixOf)), room_(room), scratch_(static_cast<std::size_t>(room))
{
}

void ColumnIndex::Free::operator()(uchar* p) const
{
    std::free(p);
}

void ColumnIndex::reserve(std::size_t records)
{
    records_.reserve(records);
    prefixes_.reserve(records);
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
    prefixes_.push_back(prefixOf_(arena_.get() + at, n));
}

void ColumnIndex::seal()
{
    const std::size_t n = records_.size();
    auto key = [this](std::size_t i) {
        return std::string_view(reinterpret_cast<const char*>(arena_.get() + starts_[i]), starts_[i + 1] - starts_[i]);
    };
    auto below = [&](std::size_t a, std::size_t b) {
        if (prefixes_[a] != prefixes_[b])
            return prefixes_[a] < prefixes_[b];
        const int cmp = key(a).compare(key(b));
        return cmp != 0 ? cmp < 0 : a < b;
    };
    // A journal is filed mostly in the order of its dates and identifiers: most indexes are sorted already.
    bool sorted = true;
    for (std::size_t i = 1; i < n && sorted; ++i)
        sorted = below(i - 1, i);
    if (!sorted) {
        std::vector<quint32> positions(n);
        for (std::size_t i = 0; i < n; ++i)
            positions[i] = static_cast<quint32>(i);
        std::sort(positions.begin(), positions.end(), below);
        std::vector<quint32> records(n);
        std::vector<quint64> prefixes(n);
        for (std::size_t i = 0; i < n; ++i) {
            records[i] = records_[positions[i]];
            prefixes[i] = prefixes_[positions[i]];
        }
        records_.swap(records);
        prefixes_.swap(prefixes);
    }
    // Room for the records filed next: growing a large index on a filing would copy it whole then.
    records_.reserve(n + n / 4 + 1024);
    prefixes_.reserve(n + n / 4 + 1024);
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

quint64 ColumnIndex::prefixOf(std::string_view key) const
{
    return prefixOf_(reinterpret_cast<const uchar*>(key.data()), static_cast<int>(key.size()));
}

std::size_t ColumnIndex::search(std::string_view key, bool after, const quint32* record) const
{
    const quint64 prefix = prefixOf(key);
    // Whether the entry at i comes before the place searched for.
    auto before = [&](std::size_t i) {
        if (prefixes_[i] != prefix)
            return prefixes_[i] < prefix;
        const int cmp = read(records_[i]).compare(key);
        if (cmp != 0)
            return cmp < 0;
        return after || (record && records_[i] < *record);
    };
    // New records mostly come last: one comparison with the last entry settles it.
    if (records_.empty() || before(records_.size() - 1))
        return records_.size();
    std::size_t low = 0, high = records_.size() - 1;  // the answer lies in [low, high]
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (before(mid))
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

std::size_t ColumnIndex::lowerBound(std::string_view key) const
{
    return search(key, false, nullptr);
}

std::size_t ColumnIndex::upperBound(std::string_view key) const
{
    return search(key, true, nullptr);
}

void ColumnIndex::insert(std::string_view key, quint32 record)
{
    const std::size_t at = search(key, false, &record);
    if (at < records_.size() && records_[at] == record)
        return;
    records_.insert(records_.begin() + static_cast<std::ptrdiff_t>(at), record);
    prefixes_.insert(prefixes_.begin() + static_cast<std::ptrdiff_t>(at), prefixOf(key));
}

void ColumnIndex::erase(std::string_view key, quint32 record)
{
    const std::size_t at = search(key, false, &record);
    if (at < records_.size() && records_[at] == record) {
        records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(at));
        prefixes_.erase(prefixes_.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

} // namespace dbf

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
    records_.reserve(roomFor(records));
    prefixes_.reserve(roomFor(records));
    last_.resize(static_cast<std::size_t>(room_));
}

void ColumnIndex::keep(const uchar* key, int n)
{
    if (starts_.empty())
        starts_.push_back(0);
    const std::size_t at = starts_.back();
    if (arenaSize_ < at + static_cast<std::size_t>(n)) {
        // realloc: a large block grows by remapping, without copying or clearing the keys so far.
        const std::size_t size = std::max(arenaSize_ * 2, at + static_cast<std::size_t>(room_) * 4096);
        auto* grown = static_cast<uchar*>(std::realloc(arena_.get(), size));
        if (!grown)
            throw std::bad_alloc();
        (void)arena_.release();
        arena_.reset(grown);
        arenaSize_ = size;
    }
    std::memcpy(arena_.get() + at, key, static_cast<std::size_t>(n));
    starts_.push_back(at + static_cast<std::size_t>(n));
}

void ColumnIndex::collect(quint32 record, const char* bytes)
{
    if (last_.size() < static_cast<std::size_t>(room_))
        last_.resize(static_cast<std::size_t>(room_));
    uchar* key = scratch_.data();
    const int n = keyOf_(bytes, key);
    const quint64 prefix = prefixOf_(key, n);
    if (inOrder_ && !records_.empty()) {
        if (keyBelow(prefix, std::string_view(reinterpret_cast<const char*>(key), std::size_t(n)), prefixes_.back(),
                     std::string_view(reinterpret_cast<const char*>(last_.data()), std::size_t(lastLength_)))) {
            // Out of order: the keys of the records so far are needed for sorting after all.
            inOrder_ = false;
            std::vector<uchar> earlier(static_cast<std::size_t>(room_));
            for (quint32 r : records_)
                keep(earlier.data(), keyOf_(recordAt_(r), earlier.data()));
        }
    }
    if (inOrder_) {
        std::memcpy(last_.data(), key, static_cast<std::size_t>(n));
        lastLength_ = n;
    } else {
        keep(key, n);
    }
    records_.push_back(record);
    prefixes_.push_back(prefix);
}

void ColumnIndex::seal()
{
    std::vector<uchar>().swap(last_);
    if (inOrder_)
        return;
    const std::size_t n = records_.size();
    auto key = [this](std::size_t i) {
        return std::string_view(reinterpret_cast<const char*>(arena_.get() + starts_[i]), starts_[i + 1] - starts_[i]);
    };
    // Sorted by prefix and place alone, side by side in memory; then each run of equal prefixes by its keys,
    // unless they are all the same key (a surname thousands of records share), which leaves it in place order.
    std::vector<std::pair<quint64, quint32>> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = {prefixes_[i], static_cast<quint32>(i)};
    std::sort(order.begin(), order.end());
    for (std::size_t from = 0; from < n;) {
        std::size_t to = from + 1;
        bool same = true;
        for (; to < n && order[to].first == order[from].first; ++to)
            same = same && key(order[to].second) == key(order[from].second);
        if (!same)
            std::stable_sort(order.begin() + std::ptrdiff_t(from), order.begin() + std::ptrdiff_t(to),
                             [&](const auto& a, const auto& b) { return key(a.second) < key(b.second); });
        from = to;
    }
    IndexRecords records;
    records.reserve(records_.capacity());
    for (const auto& [prefix, place] : order) {
        records.push_back(records_[place]);
        prefixes_[records.size() - 1] = prefix;
    }
    records_.swap(records);
    arena_.reset();
    arenaSize_ = 0;
    std::vector<std::size_t>().swap(starts_);
}

void ColumnIndex::adopt(IndexRecords records, IndexPrefixes prefixes)
{
    records_ = std::move(records);
    prefixes_ = std::move(prefixes);
    std::vector<uchar>().swap(last_);
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

void ColumnIndex::eraseRecords(const std::vector<quint32>& sorted)
{
    if (sorted.empty())
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (!std::binary_search(sorted.begin(), sorted.end(), records_[i])) {
            records_[kept] = records_[i];
            prefixes_[kept++] = prefixes_[i];
        }
    records_.resize(kept);
    prefixes_.resize(kept);
}

} // namespace dbf

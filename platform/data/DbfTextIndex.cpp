#include "platform/data/DbfTextIndex.h"

#include "platform/data/DbfCollation.h"
#include "platform/data/DbfIndex.h"

#include <algorithm>

namespace dbf {
namespace {

constexpr int kFirstTableBits = 10;
constexpr quint16 kDeleted = 0xFFFF;
constexpr std::size_t kMostGroups = 0xFFFE;

// A key its prefix does not hold: the field's trimmed bytes after the eighth.
struct LongKey {
    quint32 record;
    quint32 length;
    std::size_t offset;  // in the part's tails
};

// The records one thread reads and what it finds in them.
struct Part {
    quint32 from = 0, to = 0;
    // While grouping: the group of each record of the range (kDeleted for a deleted one), the groups'
    // prefixes and sizes, whether any key of a group goes on past its prefix, and a hash table of the
    // prefixes (group + 1, 0 when free).
    bool grouping = true;
    std::vector<quint16> groups;
    std::vector<quint64> groupPrefix;
    std::vector<quint32> groupSize;
    std::vector<uchar> groupLong;
    std::vector<quint32> table;
    int tableBits = kFirstTableBits;
    // Once not grouping: the live records and their prefixes.
    std::vector<quint32> records;
    std::vector<quint64> prefixes;
    std::vector<LongKey> longs;
    std::vector<char> tails;
    // Where each group's next record goes in the index.
    std::vector<quint32> next;
    // The live records the read's test passed.
    std::vector<quint32> found;
};

std::size_t slotOf(quint64 prefix, int bits)
{
    return static_cast<std::size_t>((prefix * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

void rehash(Part& p, int bits)
{
    p.tableBits = bits;
    p.table.assign(std::size_t(1) << bits, 0);
    const std::size_t mask = p.table.size() - 1;
    for (quint32 g = 0; g < p.groupPrefix.size(); ++g) {
        std::size_t s = slotOf(p.groupPrefix[g], bits);
        while (p.table[s])
            s = (s + 1) & mask;
        p.table[s] = g + 1;
    }
}

quint16 groupOf(Part& p, quint64 prefix, bool isLong)
{
    const std::size_t mask = p.table.size() - 1;
    std::size_t s = slotOf(prefix, p.tableBits);
    for (; p.table[s]; s = (s + 1) & mask) {
        const quint32 g = p.table[s] - 1;
        if (p.groupPrefix[g] == prefix) {
            ++p.groupSize[g];
            p.groupLong[g] |= isLong;
            return static_cast<quint16>(g);
        }
    }
    const auto g = static_cast<quint32>(p.groupPrefix.size());
    p.groupPrefix.push_back(prefix);
    p.groupSize.push_back(1);
    p.groupLong.push_back(isLong);
    p.table[s] = g + 1;
    if (p.groupPrefix.size() * 2 > p.table.size())
        rehash(p, p.tableBits + 1);
    return static_cast<quint16>(g);
}

void stopGrouping(Part& p)
{
    if (!p.grouping)
        return;
    p.grouping = false;
    p.records.reserve(p.to - p.from);
    p.prefixes.reserve(p.to - p.from);
    for (std::size_t i = 0; i < p.groups.size(); ++i)
        if (p.groups[i] != kDeleted) {
            p.records.push_back(p.from + quint32(i));
            p.prefixes.push_back(p.groupPrefix[p.groups[i]]);
        }
    std::vector<quint16>().swap(p.groups);
    std::vector<quint32>().swap(p.groupSize);
    std::vector<quint32>().swap(p.table);
    std::vector<quint64>().swap(p.groupPrefix);
    std::vector<uchar>().swap(p.groupLong);
}

void scan(Part& p, const LockedFile& file, const RecordLayout& layout, const Column& c, const ByteCollation& collation,
          const std::function<bool(const char*)>& test, quint64 lowPrefix, quint64 highPrefix)
{
    p.groups.reserve(p.to - p.from);
    p.table.assign(std::size_t(1) << p.tableBits, 0);
    // With more distinct prefixes than this, ordering them costs about what sorting the records does.
    const std::size_t mostGroups = std::min<std::size_t>(kMostGroups, std::max<std::size_t>(64, (p.to - p.from) / 8));
    readRange(file, layout, p.from, p.to, [&](const char* records, quint32 first, quint32 n) {
        for (quint32 i = 0; i < n; ++i) {
            const char* record = records + std::size_t(i) * std::size_t(layout.recordLength);
            if (record[0] == '*') {
                if (p.grouping)
                    p.groups.push_back(kDeleted);
                continue;
            }
            const char* field = record + c.offset;
            int begin = 0;
            const int end = trimText(c, field, &begin);
            const quint64 prefix = textPrefix(collation, field + begin, end - begin);
            if (test && prefix >= lowPrefix && prefix <= highPrefix && test(record))
                p.found.push_back(first + i);
            const bool isLong = end - begin > 8;
            if (p.grouping) {
                p.groups.push_back(groupOf(p, prefix, isLong));
                if (p.groupPrefix.size() > mostGroups)
                    stopGrouping(p);
            } else {
                p.records.push_back(first + i);
                p.prefixes.push_back(prefix);
            }
            if (isLong) {
                p.longs.push_back({first + i, quint32(end - begin - 8), p.tails.size()});
                p.tails.insert(p.tails.end(), field + begin + 8, field + end);
            }
        }
    });
}

// Orders the records of a run of equal prefixes (ascending, as placed) by their keys: keys the prefix
// holds whole are one key, below every longer one; the longer ones by the weights of their tails.
class Ties {
public:
    Ties(const std::vector<Part>& parts, const ByteCollation& collation) : collation_(collation)
    {
        for (const Part& p : parts)
            for (const LongKey& k : p.longs)
                longs_.push_back({k.record, k.length, p.tails.data() + k.offset});
    }
    bool any() const { return !longs_.empty(); }
    bool isLong(quint32 record) const { return find(record) != longs_.end(); }

    void settle(quint32* records, std::size_t n) const
    {
        std::vector<Tail> tails;
        std::size_t whole = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const auto it = find(records[i]);
            if (it == longs_.end())
                records[whole++] = records[i];
            else
                tails.push_back(*it);
        }
        auto less = [this](const Tail& a, const Tail& b) {
            const quint32 common = std::min(a.length, b.length);
            for (quint32 i = 0; i < common; ++i) {
                const quint16 x = collation_.weight[uchar(a.bytes[i])], y = collation_.weight[uchar(b.bytes[i])];
                if (x != y)
                    return x < y;
            }
            return a.length != b.length ? a.length < b.length : a.record < b.record;
        };
        // A column kept in file order (dates) needs no sorting.
        if (!std::is_sorted(tails.begin(), tails.end(), less))
            std::sort(tails.begin(), tails.end(), less);
        for (const Tail& t : tails)
            records[whole++] = t.record;
    }

private:
    struct Tail {
        quint32 record;
        quint32 length;
        const char* bytes;
    };
    std::vector<Tail>::const_iterator find(quint32 record) const
    {
        const auto it = std::lower_bound(longs_.begin(), longs_.end(), record, [](const Tail& t, quint32 r) { return t.record < r; });
        return it != longs_.end() && it->record == record ? it : longs_.end();
    }
    const ByteCollation& collation_;
    std::vector<Tail> longs_;  // by record
};

void placeByGroups(std::vector<Part>& parts, TextIndexOrder& out, const Ties& ties)
{
    std::vector<quint64> distinct;
    for (const Part& p : parts)
        distinct.insert(distinct.end(), p.groupPrefix.begin(), p.groupPrefix.end());
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<quint32> start(distinct.size() + 1, 0);
    std::vector<uchar> anyLong(distinct.size(), 0);
    for (Part& p : parts) {
        p.next.resize(p.groupPrefix.size());
        for (std::size_t g = 0; g < p.groupPrefix.size(); ++g) {
            const auto rank = static_cast<quint32>(std::lower_bound(distinct.begin(), distinct.end(), p.groupPrefix[g]) - distinct.begin());
            p.next[g] = rank;
            start[rank + 1] += p.groupSize[g];
            anyLong[rank] |= p.groupLong[g];
        }
    }
    for (std::size_t rank = 0; rank < distinct.size(); ++rank)
        start[rank + 1] += start[rank];
    // Each prefix's records part by part, so in file order.
    std::vector<quint32> cursor(start.begin(), start.end() - 1);
    for (Part& p : parts)
        for (std::size_t g = 0; g < p.next.size(); ++g) {
            const quint32 rank = p.next[g];
            p.next[g] = cursor[rank];
            cursor[rank] += p.groupSize[g];
        }
    runParallel(parts.size(), [&](std::size_t k) {
        Part& p = parts[k];
        for (std::size_t i = 0; i < p.groups.size(); ++i)
            if (p.groups[i] != kDeleted)
                out.records[p.next[p.groups[i]]++] = p.from + quint32(i);
    });
    for (std::size_t rank = 0; rank < distinct.size(); ++rank) {
        std::fill(out.prefixes.begin() + start[rank], out.prefixes.begin() + start[rank + 1], distinct[rank]);
        if (anyLong[rank] && start[rank + 1] - start[rank] > 1)
            ties.settle(out.records.data() + start[rank], start[rank + 1] - start[rank]);
    }
}

void placeBySorting(std::vector<Part>& parts, TextIndexOrder& out, const Ties& ties)
{
    // Each part sorts its own records in its place of the whole; the sorted parts are merged.
    std::vector<std::size_t> bounds{0};
    for (Part& p : parts) {
        stopGrouping(p);
        bounds.push_back(bounds.back() + p.records.size());
    }
    std::vector<std::pair<quint64, quint32>> all(bounds.back());
    runParallel(parts.size(), [&](std::size_t k) {
        const Part& p = parts[k];
        for (std::size_t i = 0; i < p.records.size(); ++i)
            all[bounds[k] + i] = {p.prefixes[i], p.records[i]};
        std::sort(all.begin() + std::ptrdiff_t(bounds[k]), all.begin() + std::ptrdiff_t(bounds[k + 1]));
    });
    for (std::size_t width = 1; width < parts.size(); width *= 2)
        for (std::size_t i = 0; i + width < parts.size(); i += 2 * width)
            std::inplace_merge(all.begin() + std::ptrdiff_t(bounds[i]), all.begin() + std::ptrdiff_t(bounds[i + width]),
                               all.begin() + std::ptrdiff_t(bounds[std::min(i + 2 * width, parts.size())]));
    for (std::size_t i = 0; i < all.size(); ++i) {
        out.prefixes[i] = all[i].first;
        out.records[i] = all[i].second;
    }
    if (!ties.any())
        return;
    for (std::size_t from = 0; from < all.size();) {
        std::size_t to = from + 1;
        bool anyLong = ties.isLong(all[from].second);
        for (; to < all.size() && all[to].first == all[from].first; ++to)
            anyLong = anyLong || ties.isLong(all[to].second);
        if (anyLong && to - from > 1)
            ties.settle(out.records.data() + from, to - from);
        from = to;
    }
}

} // namespace

bool canBuildTextIndex(const Column& column, rtl::CodePage codePage)
{
    return !column.isNumeric() && byteCollation(codePage).exactRanks;
}

struct TextIndexRead::Parts {
    std::vector<Part> parts;
    const ByteCollation* collation = nullptr;
};

TextIndexRead::TextIndexRead() = default;
TextIndexRead::~TextIndexRead() = default;
TextIndexRead::TextIndexRead(TextIndexRead&&) noexcept = default;
TextIndexRead& TextIndexRead::operator=(TextIndexRead&&) noexcept = default;

TextIndexRead readTextIndex(const LockedFile& file, const RecordLayout& layout, const Column& column, rtl::CodePage codePage,
                            const std::vector<std::pair<quint32, quint32>>& ranges, const TextIndexTest& test)
{
    TextIndexRead read;
    read.parts_ = std::make_unique<TextIndexRead::Parts>();
    read.parts_->collation = &byteCollation(codePage);
    std::vector<Part>& parts = read.parts_->parts;
    parts.resize(ranges.size());
    std::vector<std::function<bool(const char*)>> tests(ranges.size());
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        std::tie(parts[i].from, parts[i].to) = ranges[i];
        if (test.make)
            tests[i] = test.make();
    }
    runParallel(parts.size(), [&](std::size_t k) { scan(parts[k], file, layout, column, *read.parts_->collation, tests[k], test.lowPrefix, test.highPrefix); });
    for (Part& p : parts) {
        read.matching.insert(read.matching.end(), p.found.begin(), p.found.end());
        std::vector<quint32>().swap(p.found);
    }
    return read;
}

TextIndexOrder TextIndexRead::place()
{
    std::vector<Part>& parts = parts_->parts;
    TextIndexOrder out;
    std::size_t n = 0;
    for (const Part& p : parts)
        n += p.grouping ? p.groups.size() - std::size_t(std::count(p.groups.begin(), p.groups.end(), kDeleted)) : p.records.size();
    out.records.reserve(ColumnIndex::roomFor(n));
    out.records.resize(n);
    out.prefixes.reserve(ColumnIndex::roomFor(n));
    out.prefixes.resize(n);
    const Ties ties(parts, *parts_->collation);
    if (std::all_of(parts.begin(), parts.end(), [](const Part& p) { return p.grouping; }))
        placeByGroups(parts, out, ties);
    else
        placeBySorting(parts, out, ties);
    return out;
}

TextIndexOrder buildTextIndex(const LockedFile& file, const RecordLayout& layout, const Column& column, rtl::CodePage codePage,
                              const std::vector<std::pair<quint32, quint32>>& ranges)
{
    return readTextIndex(file, layout, column, codePage, ranges).place();
}

} // namespace dbf

#pragma once
// An ordered index of one column of a table: its record numbers in the collation order of DbfCollation,
// ties in record order. It keeps twelve bytes a record, the record number and a 64-bit prefix of its key
// (keyPrefix) that settles most comparisons; the whole key is read from the record only when the prefixes
// are equal. Built on first use and kept up to date by the table's writes; it lives only in memory.
//
// A deleted record may stay in the index (a delete only marks the record): whoever walks it skips them.
// Every record in it is filed under the key its bytes have now.
#include <QtGlobal>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dbf {

// Leaves the entries a vector grows by unset: an index's buffers are filled by the threads of a read, each
// its own part, so each part's fresh pages are first touched (and cleared by the system, which costs more
// than filling them on this machine) on its own thread, not all on the one that sized the buffer.
template <class T>
struct UnsetAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <class U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept
    {
    }
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... A>
    void construct(U* p, A&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<A>(args)...);
    }
};
using IndexRecords = std::vector<quint32, UnsetAllocator<quint32>>;
using IndexPrefixes = std::vector<quint64, UnsetAllocator<quint64>>;

class ColumnIndex {
public:
    // The bytes of a record (good until the next is read); the key of a record's bytes, written to out
    // (room bytes), and its length.
    using RecordReader = std::function<const char*(quint32 record)>;
    using KeyOf = std::function<int(const char* record, uchar* out)>;
    using PrefixOf = std::function<quint64(const uchar* key, int length)>;

    ColumnIndex(RecordReader records, KeyOf keyOf, PrefixOf prefixOf, int room);

    // Building: every record once, in record order, then seal(). The keys are kept only once a record
    // comes out of order (then those before it are read again): an index of a column the file is ordered
    // by, as a journal is by its dates, is built without holding a key a record.
    void reserve(std::size_t records);
    void collect(quint32 record, const char* bytes);
    void seal();
    // Or takes an order made elsewhere: the records in index order and each one's keyPrefix.
    void adopt(IndexRecords records, IndexPrefixes prefixes);
    // Capacity for an index of this many records: room for the records filed next too, since growing a
    // large index on a filing would copy it whole then.
    static std::size_t roomFor(std::size_t records) { return records + records / 4 + 1024; }
    // Whether a key (with its keyPrefix) goes before another in the index: by prefix, then by the whole key.
    static bool keyBelow(quint64 prefix, std::string_view key, quint64 otherPrefix, std::string_view other)
    {
        return prefix != otherPrefix ? prefix < otherPrefix : key < other;
    }

    const IndexRecords& records() const { return records_; }
    // Position of the first record whose key is not below / is above the given key.
    std::size_t lowerBound(std::string_view key) const;
    std::size_t upperBound(std::string_view key) const;
    // The key of the record at a position.
    std::string keyAt(std::size_t position) const;
    void insert(std::string_view key, quint32 record);
    // Takes the record out when it is there (under the key its bytes have now).
    void erase(std::string_view key, quint32 record);
    // Takes out the records of a sorted list wherever they stand, whatever their keys.
    void eraseRecords(const std::vector<quint32>& sorted);

private:
    std::string_view read(quint32 record) const;
    quint64 prefixOf(std::string_view key) const;
    // Position of the first entry whose key is not below the key (after, when it is equal: not above),
    // ties decided by the record number when one is given.
    std::size_t search(std::string_view key, bool after, const quint32* record) const;

    RecordReader recordAt_;
    KeyOf keyOf_;
    PrefixOf prefixOf_;
    IndexPrefixes prefixes_;
    int room_;
    IndexRecords records_;
    mutable std::vector<uchar> scratch_;
    void keep(const uchar* key, int n);
    // While building: whether the records came in order so far, and the last one's key.
    bool inOrder_ = true;
    std::vector<uchar> last_;
    int lastLength_ = 0;
    // While building, once out of order: the keys one after the other and where each starts.
    struct Free {
        void operator()(uchar* p) const;
    };
    std::unique_ptr<uchar, Free> arena_;
    std::size_t arenaSize_ = 0;
    std::vector<std::size_t> starts_;
};

} // namespace dbf

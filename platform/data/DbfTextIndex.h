#pragma once
// The order of a text column's index made straight from the table file, in one pass split over threads:
// each thread reads its range of records past the cache and takes every live record's keyPrefix off the
// field bytes (no key is made), counting the records of each prefix in a hash of its own. The distinct
// prefixes are then ordered and the records placed by counting, which keeps file order among equal keys.
// A key longer than its prefix keeps its bytes aside; they decide the order only among records whose
// prefixes are equal. A column of too many distinct prefixes is sorted by prefix and record instead.
#include "platform/data/DbfColumn.h"
#include "platform/data/DbfIndex.h"
#include "platform/data/DbfParallelScan.h"
#include "platform/rtl/CodePage.h"

#include <QtGlobal>
#include <functional>
#include <memory>
#include <vector>

namespace dbf {

struct TextIndexOrder {
    IndexRecords records;    // the live records by key, then by record
    IndexPrefixes prefixes;  // the keyPrefix of each
};

// Whether a column's index can be made so: a text column of a code page whose byte ranks are exact.
bool canBuildTextIndex(const Column& column, rtl::CodePage codePage);

// The records a read tests: a test for each thread, asked only of the records whose keyPrefix of the
// column lies within [lowPrefix, highPrefix] (every record that can pass does).
struct TextIndexTest {
    std::function<std::function<bool(const char*)>()> make;
    quint64 lowPrefix = 0, highPrefix = ~quint64(0);
};

// What one read of the file gathers for a text column's index, with the live records a test passed in the
// same read. place() makes the index's order of it without reading the file, on any thread.
class TextIndexRead {
public:
    TextIndexRead();
    ~TextIndexRead();
    TextIndexRead(TextIndexRead&&) noexcept;
    TextIndexRead& operator=(TextIndexRead&&) noexcept;

    std::vector<quint32> matching;  // in file order
    TextIndexOrder place();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    friend TextIndexRead readTextIndex(const LockedFile&, const RecordLayout&, const Column&, rtl::CodePage,
                                       const std::vector<std::pair<quint32, quint32>>&, const TextIndexTest&);
};

// Reads the live records below layout.count in the ranges given (scanRanges), one thread a range, for the
// column's index; the records that pass the test, when one is given, are kept in matching. Raises when
// the file cannot be read.
TextIndexRead readTextIndex(const LockedFile& file, const RecordLayout& layout, const Column& column, rtl::CodePage codePage,
                            const std::vector<std::pair<quint32, quint32>>& ranges, const TextIndexTest& test = {});

// The order of the live records below layout.count, read in the ranges given.
TextIndexOrder buildTextIndex(const LockedFile& file, const RecordLayout& layout, const Column& column, rtl::CodePage codePage,
                              const std::vector<std::pair<quint32, quint32>>& ranges);

} // namespace dbf

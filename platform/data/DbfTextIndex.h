#pragma once
// The order of a text column's index made straight from the table file, in one pass split over threads:
// each thread reads its range of records past the cache and takes every live record's keyPrefix off the
// field bytes (no key is made), counting the records of each prefix in a hash of its own. The distinct
// prefixes are then ordered and the records placed by counting, which keeps file order among equal keys.
// A key longer than its prefix keeps its bytes aside; they decide the order only among records whose
// prefixes are equal. A column of too many distinct prefixes is sorted by prefix and record instead.
#include "platform/data/DbfColumn.h"
#include "platform/data/DbfParallelScan.h"
#include "platform/rtl/CodePage.h"

#include <QtGlobal>
#include <atomic>
#include <vector>

namespace dbf {

struct TextIndexOrder {
    std::vector<quint32> records;   // the live records by key, then by record
    std::vector<quint64> prefixes;  // the keyPrefix of each
};

// Whether a column's index can be made so: a text column of a code page whose byte ranks are exact.
bool canBuildTextIndex(const Column& column, rtl::CodePage codePage);

// The order of the live records below layout.count, read in the ranges given (scanRanges). Raises when
// the file cannot be read. Once *stop turns true it ends early with an order of no use.
TextIndexOrder buildTextIndex(const LockedFile& file, const RecordLayout& layout, const Column& column, rtl::CodePage codePage,
                              const std::vector<std::pair<quint32, quint32>>& ranges, const std::atomic<bool>* stop = nullptr);

} // namespace dbf

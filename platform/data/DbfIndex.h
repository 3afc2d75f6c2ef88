#pragma once
// An ordered index of one column of a table: (key, record number) pairs of the live records, in the
// collation order of DbfCollation, ties in record order. Built on first use and kept up to date by the
// table's writes; it lives only in memory.
#include <QtGlobal>
#include <set>
#include <string>
#include <utility>

namespace dbf {

class ColumnIndex {
public:
    using Entry = std::pair<std::string, quint32>;
    using Set = std::set<Entry>;

    template <class It>
    ColumnIndex(It sortedBegin, It sortedEnd) : entries_(sortedBegin, sortedEnd) {}

    const Set& entries() const { return entries_; }
    void insert(const std::string& key, quint32 record) { entries_.emplace(key, record); }
    void erase(const std::string& key, quint32 record) { entries_.erase({key, record}); }
    // First entry whose key is not below / is above the given key.
    Set::const_iterator lowerBound(const std::string& key) const { return entries_.lower_bound({key, 0}); }
    Set::const_iterator upperBound(const std::string& key) const { return entries_.upper_bound({key, UINT32_MAX}); }

private:
    Set entries_;
};

} // namespace dbf

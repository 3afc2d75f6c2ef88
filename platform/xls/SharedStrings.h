#pragma once
// The workbook's shared string table (SST with its CONTINUE records) and the bucket index that follows it
// (EXTSST). Entries read from a file keep their formatting runs and phonetic data; texts added later are
// plain and shared when equal.
#include "platform/xls/BiffRecord.h"

#include <QHash>
#include <QString>

namespace xls {

class SharedStrings {
public:
    struct Entry {
        QString text;
        Bytes runs;  // formatting runs, 4 bytes each
        Bytes ext;   // phonetic block
    };

    // Reads the SST record and the CONTINUE records after it; false for a table that runs short.
    bool Read(const std::vector<const Bytes*>& parts);
    // The index of a plain text, added when new.
    uint32_t Add(const QString& text);
    int Count() const { return int(entries_.size()); }
    const Entry& At(uint32_t i) const { return entries_[i]; }
    // Cells that use the table, counting repeats (kept in the SST header).
    void AddReferences(int delta) { references_ += delta; }

    // Appends SST, its CONTINUE records and EXTSST to a stream whose first byte is stream offset 0.
    void Write(Bytes& stream) const;

private:
    std::vector<Entry> entries_;
    QHash<QString, uint32_t> plain_;
    int64_t references_ = 0;
};

} // namespace xls

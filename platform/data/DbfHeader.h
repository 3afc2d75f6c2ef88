#pragma once
// The header of a dBASE table: version, date of the last write, record count, lengths, the language
// driver byte (29) and the field descriptors.
#include "platform/data/DbfColumn.h"

#include <QByteArray>
#include <QDate>
#include <vector>

namespace dbf {

struct Header {
    quint8 version = 0x03;
    QDate lastUpdate;
    quint32 recordCount = 0;
    quint16 headerLength = 0;
    quint16 recordLength = 0;
    quint8 languageDriver = 0x57;
    std::vector<Column> columns;

    bool hasMemo() const;
    // dBASE III memo entries (version 0x83) rather than dBASE IV ones.
    bool dBaseIIIMemo() const { return version == 0x83; }

    // Reads the header from the file's first bytes; raises with `path` in the text when it is
    // truncated or not a dBASE table.
    static Header parse(const QByteArray& bytes, const QString& path);
    // Bytes 0..31 plus descriptors and the 0x0D terminator, with lengths and offsets filled in.
    QByteArray build() const;
    // Fills offsets, record and header lengths from the columns; raises for an invalid column list.
    void layout();
    // Bytes 1..7: date of the last write and record count, as written after each insert.
    static QByteArray countBytes(QDate date, quint32 count);
};

} // namespace dbf

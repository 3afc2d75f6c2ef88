#pragma once
// An Excel 97-2003 workbook (BIFF8 in a compound file), opened from a file, changed in the cells of its
// first worksheet and saved under another name. Everything else of the file (formats, fonts, styles, other
// sheets and streams, the first sheet's columns, rows, merged cells and window) goes back out as it came.
#include "platform/xls/BiffRecord.h"
#include "platform/xls/CompoundFile.h"
#include "platform/xls/SharedStrings.h"
#include "platform/xls/XlsLimits.h"

#include <QString>
#include <QVariant>

#include <map>

namespace xls {

class XlsWorkbook {
public:
    // The format of a cell nothing else gives one: the workbook's default cell format.
    static constexpr uint16_t kDefaultXf = 15;

    // False, with a reason, for a missing, damaged or older-than-BIFF8 file, or one without a worksheet.
    bool Load(const QString& path, QString* error = nullptr);
    bool Save(const QString& path, QString* error = nullptr) const;

    int SheetCount() const { return int(sheets_.size()); }
    QString SheetName(int index) const { return sheets_.at(size_t(index)).name; }

    // Cells of the first worksheet, rows and columns from 0. A written cell keeps the format the cell had;
    // a new one takes its row's or column's format. An empty text empties the cell, keeping its format.
    // False for a place outside the sheet.
    bool SetText(int row, int col, const QString& text);
    bool SetNumber(int row, int col, double value);
    // Text (QString), number (double), or invalid for an empty or other cell.
    QVariant Value(int row, int col) const;
    // Format index of the cell, -1 when there is none.
    int CellFormat(int row, int col) const;

private:
    struct Substream {
        size_t start = 0;
        std::vector<Record> records;
    };
    struct Sheet {
        QString name;
        size_t boundsheet = 0;  // index in globals_
        size_t substream = 0;   // index in subs_
    };
    using Key = uint32_t;  // row << 8 | column
    static Key key(int row, int col) { return Key(uint32_t(row) << 8 | uint32_t(col)); }

    bool load(const QString& path, QString* error);
    bool fail(QString* error, const QString& why);
    bool loadFirstSheet(const Substream& s, QString* error);
    bool place(int row, int col, Record cell);
    uint16_t formatForNew(int row, int col) const;
    void writeFirstSheet(Bytes& out) const;

    std::vector<CompoundStream> streams_;
    size_t workbookStream_ = 0;
    std::vector<Record> globals_;
    size_t sstAt_ = 0;  // globals_ index before which the string table goes
    SharedStrings sst_;
    std::vector<Substream> subs_;
    std::vector<Sheet> sheets_;
    size_t first_ = 0;  // subs_ index of the first worksheet

    // The first worksheet, taken apart: records before its dimensions and after its cell table, its rows and
    // cells.
    std::vector<Record> pre_;
    std::vector<Record> post_;
    std::map<uint32_t, Record> rows_;
    std::map<Key, std::vector<Record>> cells_;  // a cell record and the records that belong to it
    std::map<int, uint16_t> columnXf_;
};

} // namespace xls

#pragma once
// The spreadsheet application the journal drives, in process: a list of open workbooks, the first opened
// first, the last opened active.
#include "platform/xls/XlsWorkbook.h"

#include <memory>
#include <vector>

namespace xls {

class XlsApplication {
public:
    // Opens a workbook file and makes it the active one; false (nothing opened) when it cannot be read.
    bool Open(const QString& path, QString* error = nullptr);
    int Count() const { return int(books_.size()); }
    // A workbook by its place in the list, from 1; null when there is none.
    XlsWorkbook* Workbook(int index) const;
    XlsWorkbook* ActiveWorkbook() const { return books_.empty() ? nullptr : books_.back().get(); }
    // Closes a workbook, dropping its changes; false when there is none at that place.
    bool Close(int index);

private:
    std::vector<std::unique_ptr<XlsWorkbook>> books_;
};

} // namespace xls

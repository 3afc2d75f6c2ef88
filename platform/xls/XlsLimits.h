#pragma once
// The limits of a worksheet of the file format, named once: the workbook and every writer of the format
// keep to them.

namespace xls {

// Row numbers of a cell record are 16 bits: rows 0..65535.
constexpr int kMaxRows = 65536;
// Column numbers go up to 255.
constexpr int kMaxCols = 256;

} // namespace xls

#pragma once
// Reads a saved workbook back with libfreexl, a reader that is not ours: sheet names and every non-empty
// cell of a sheet as text or number.
#include <freexl.h>

#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <utility>

namespace xlstest {

struct FreexlSheet {
    bool ok = false;
    QStringList sheets;
    unsigned rows = 0;
    unsigned short cols = 0;
    std::map<std::pair<int, int>, QVariant> cells;  // (row, col) from 0 -> QString or double

    QVariant at(int row, int col) const
    {
        auto it = cells.find({row, col});
        return it == cells.end() ? QVariant() : it->second;
    }
};

inline FreexlSheet ReadWithFreexl(const QString& path, int sheet = 0)
{
    FreexlSheet out;
    const void* h = nullptr;
    if (freexl_open(path.toLocal8Bit().constData(), &h) != FREEXL_OK)
        return out;
    unsigned count = 0;
    freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned i = 0; i < count; ++i) {
        const char* name = nullptr;
        freexl_get_worksheet_name(h, (unsigned short)i, &name);
        out.sheets << QString::fromUtf8(name ? name : "");
    }
    if (freexl_select_active_worksheet(h, (unsigned short)sheet) == FREEXL_OK &&
        freexl_worksheet_dimensions(h, &out.rows, &out.cols) == FREEXL_OK) {
        out.ok = true;
        for (unsigned r = 0; r < out.rows; ++r) {
            for (unsigned short c = 0; c < out.cols; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK) {
                    out.ok = false;
                    continue;
                }
                if (v.type == FREEXL_CELL_INT)
                    out.cells[{int(r), int(c)}] = double(v.value.int_value);
                else if (v.type == FREEXL_CELL_DOUBLE)
                    out.cells[{int(r), int(c)}] = v.value.double_value;
                else if (v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT)
                    out.cells[{int(r), int(c)}] = QString::fromUtf8(v.value.text_value);
            }
        }
    }
    freexl_close(h);
    return out;
}

} // namespace xlstest

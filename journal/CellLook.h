#pragma once
// How a cell of the journal grid looks: its colours and the texts written into it, from the row's values
// alone. The painter of each journal variant draws what these give; tests read them without a grid.
#include "platform/graphics/Color.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// The current row's columns as the look reads them.
class TCellRow {
public:
    virtual ~TCellRow() = default;
    virtual bool IsNull(const char* column) const = 0;
    virtual QString Text(const char* column) const = 0;
    virtual int32_t Integer(const char* column) const = 0;
    virtual double Number(const char* column) const = 0;
};

struct TCellLook {
    bool Blank = false;         // a row without a date: the cell is filled white and nothing else
    gfx::TColor Brush = 0;
    gfx::TColor Font = 0;
    struct Piece {
        QString Text;
        bool Right;             // 30 pixels left of the right edge; else 2 right of the left edge
    };
    std::vector<Piece> Pieces;
};

// "default_mp": by TYPERECORD and the instrument's norm, eleven columns.
TCellLook Default_MP_CellLook(const TCellRow& row, int dataCol, bool selected,
                              const std::function<double(int serial, const QString& date)>& norma);
// "default": event rows (PAGE_FOOT "1") in yellow, the six design columns DATA_IZM, FIO, IZM, PRIBOR,
// NUM_VIDOH, PAGE_FOOT; no norm.
TCellLook DefaultCellLook(const TCellRow& row, int dataCol, bool selected);

// Texts of the cells: an interlock event by its code, the state mark beside a value.
QString EventText(int32_t code);
QString StateMark(const QString& stat);
// An event's text as "default" shows it: in its grid, and capitalised in its act.
QString DefaultEventText(int32_t code, bool capital);

namespace gfx { class TCanvas; struct TRect; }
class TDataSet;

// Fills the cell with the look's brush and writes its texts, each clipped to the cell.
void PaintCellLook(gfx::TCanvas& canvas, const gfx::TRect& rect, const TCellLook& look);

// The current record of a data set as a cell row.
class TDataSetRow : public TCellRow {
public:
    explicit TDataSetRow(const TDataSet& data) : Data(data) {}
    bool IsNull(const char* column) const override;
    QString Text(const char* column) const override;
    int32_t Integer(const char* column) const override;
    double Number(const char* column) const override;

private:
    const TDataSet& Data;
};

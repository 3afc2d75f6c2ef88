#pragma once
// The drawing parameters of one cell, as a column fills them and an OnGetCellParams handler may change
// them before the grid paints.
#include "grid/DBGridExTypes.h"
#include "platform/controls/CustomGrid.h"
#include "platform/data/DataSetTypes.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include <QString>

class TColCellParamsEx {
public:
    TAlignment Alignment = taLeftJustify;
    gfx::TColor Background = gfx::clWindow;
    TCheckBoxState CheckboxState = cbUnchecked;
    int Col = -1;
    gfx::TFont* Font = nullptr;  // not owned
    int ImageIndex = -1;
    bool ReadOnly = false;
    int Row = -1;
    TGridDrawState State = 0;
    QString Text;
};

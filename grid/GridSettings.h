#pragma once
// Settings the whole grid library shares, prepared when it is first used: the font of sort-order numbers,
// the height of the column-selection strip, the in-place search keys, time-out and colours, and the size
// of the check-box glyph.
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include <QKeyCombination>

struct TDBGridExUnitSettings {
    gfx::TFont SortMarkerFont;
    int ColSelectionAreaHeight = 7;
    QKeyCombination InplaceSearchKey{Qt::ControlModifier, Qt::Key_F};
    QKeyCombination InplaceSearchNextKey{Qt::ControlModifier, Qt::Key_Return};
    QKeyCombination InplaceSearchPriorKey{Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Return};
    int InplaceSearchTimeOut = 1500;
    gfx::TColor InplaceSearchColor = gfx::clYellow;
    gfx::TColor InplaceSearchTextColor = gfx::clBlack;
    int CheckBoxWidth = 0;
    int CheckBoxHeight = 0;
};

TDBGridExUnitSettings& DBGridExSettings();

#include "grid/GridSettings.h"
#include "grid/GridGlyphs.h"
#include "platform/graphics/CheckBox.h"

TDBGridExUnitSettings& DBGridExSettings()
{
    static TDBGridExUnitSettings settings = [] {
        TDBGridExUnitSettings s;
        // The sort numbers are as tall as the sort marker glyph.
        s.SortMarkerFont.SetName(QStringLiteral("Arial"));
        s.SortMarkerFont.SetHeight(1 - gridglyphs::SortGlyphs()[gridglyphs::SortDown].height());
        s.CheckBoxWidth = gfx::CheckBoxSize;
        s.CheckBoxHeight = gfx::CheckBoxSize;
        return s;
    }();
    return settings;
}

#include "Color.h"
#include <array>

namespace gfx {

namespace {

// One fixed scheme (the classic standard desktop), so that pictures and tests do not follow the theme.
constexpr std::array<TColor, COLOR_ENDCOLORS> kSystemColors = {
    RGB(212, 208, 200), // scroll bar
    RGB(58, 110, 165),  // desktop
    RGB(10, 36, 106),   // active caption
    RGB(128, 128, 128), // inactive caption
    RGB(212, 208, 200), // menu
    RGB(255, 255, 255), // window
    RGB(0, 0, 0),       // window frame
    RGB(0, 0, 0),       // menu text
    RGB(0, 0, 0),       // window text
    RGB(255, 255, 255), // caption text
    RGB(212, 208, 200), // active border
    RGB(212, 208, 200), // inactive border
    RGB(128, 128, 128), // application work space
    RGB(10, 36, 106),   // highlight
    RGB(255, 255, 255), // highlight text
    RGB(212, 208, 200), // button face
    RGB(128, 128, 128), // button shadow
    RGB(128, 128, 128), // grey text
    RGB(0, 0, 0),       // button text
    RGB(212, 208, 200), // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(64, 64, 64),    // 3D dark shadow
    RGB(212, 208, 200), // 3D light
    RGB(0, 0, 0),       // info text
    RGB(255, 255, 225), // info background
    RGB(181, 181, 181), // (unused index 25)
    RGB(0, 0, 128),     // hot light
    RGB(166, 202, 240), // gradient of the active caption
    RGB(192, 192, 192), // gradient of the inactive caption
    RGB(10, 36, 106),   // menu highlight
    RGB(212, 208, 200), // menu bar
};

} // namespace

TColor GetSysColor(int index)
{
    if (index < 0 || index >= int(kSystemColors.size()))
        return clBlack;
    return kSystemColors[size_t(index)];
}

TColor ColorToRGB(TColor c)
{
    if (IsSystemColor(c))
        return GetSysColor(c & 0xFF);
    return c;
}

QColor ToQColor(TColor c)
{
    const TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& c)
{
    return RGB(c.red(), c.green(), c.blue());
}

} // namespace gfx

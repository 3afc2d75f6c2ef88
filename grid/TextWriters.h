#pragma once
// The grid's text writers: one line written opaque and clipped into a cell at an offset (the common
// case), or laid out by the platform's text flags when the text wraps; and the shortening of a text
// with "..." until it fits.
#include "grid/DBGridExTypes.h"
#include "platform/data/DataSetTypes.h"
#include "platform/graphics/Canvas.h"
#include <QString>

QString MakeEllipsisText(const QString& text, gfx::TCanvas& canvas, int maxWidth);

void WriteTextEx(gfx::TCanvas& canvas, gfx::TRect rect, bool fillRect, int dx, int dy, const QString& text,
                 TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, int leftMarg,
                 int rightMarg, bool rightToLeft = false);

// Text turned 90 degrees, reading upward (titles written vertically).
void WriteTextVerticalEx(gfx::TCanvas& canvas, const gfx::TRect& rect, bool fillRect, int dx, int dy,
                         const QString& text, TAlignment alignment, TTextLayout layout, bool endEllipsis,
                         bool rightToLeft = false);

// The plain single-line writer behind DefaultDrawDataCell.
void WriteText(gfx::TCanvas& canvas, const gfx::TRect& rect, int dx, int dy, const QString& text,
               TAlignment alignment);

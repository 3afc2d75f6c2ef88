#pragma once
// Line attributes: colour, width in device pixels, style and the mix mode with what lies under it.
// Styled pens (dash, dot, ...) are one pixel wide; a wider styled pen draws solid, as the platform does.
#include "Color.h"
#include "GraphicsObject.h"
#include <QPainter>
#include <QVector>

namespace gfx {

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
using enum TPenStyle;

enum class TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
using enum TPenMode;

class TPen : public TGraphicsObject {
public:
    TPen() = default;
    TPen(const TPen&) = default;
    TPen& operator=(const TPen& other);
    void Assign(const TPen& source) { *this = source; }

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    // Widths below 1 draw as 1 pixel.
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);

    // The pen draws nothing (clear style or the no-operation mode).
    bool IsClear() const { return style_ == psClear || mode_ == pmNop; }
    // Width that is drawn (at least 1).
    int DrawnWidth() const { return width_ < 1 ? 1 : width_; }
    // On/off run lengths in pixels of a one-pixel styled pen; empty for solid lines.
    QVector<int> DashRuns() const;
    // The colour the pen puts down and the mix that goes with it (pmBlack and pmWhite become a
    // copy of black or white, pmNot ignores the colour).
    QColor DrawColor() const;
    QPainter::CompositionMode Composition() const;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
};

// The painter mix for a mode (also used by filled shapes drawn with the pen's mode).
QPainter::CompositionMode CompositionFor(TPenMode mode);

} // namespace gfx

#pragma once
// Fill attributes: colour and style (solid, clear or a hatch), or an 8 x 8 pattern image that
// replaces both (the designer's grid brush, the band checkerboard).
#include "Color.h"
#include "GraphicsObject.h"
#include <QBrush>
#include <QImage>

namespace gfx {

enum class TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
using enum TBrushStyle;

class TBrush : public TGraphicsObject {
public:
    TBrush() = default;
    TBrush(const TBrush&) = default;
    TBrush& operator=(const TBrush& other);
    void Assign(const TBrush& source) { *this = source; }

    TColor Color() const { return color_; }
    // Setting a colour on a clear brush makes it solid, as the platform does.
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    const QImage& Bitmap() const { return bitmap_; }
    // A pattern image; a null image removes it.
    void SetBitmap(const QImage& pattern);

    // True when the brush paints nothing (clear and no pattern).
    bool IsClear() const { return style_ == bsClear && bitmap_.isNull(); }
    QBrush ToQBrush() const;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    QImage bitmap_;
};

} // namespace gfx

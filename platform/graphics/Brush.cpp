#include "Brush.h"

namespace gfx {

TBrush& TBrush::operator=(const TBrush& other)
{
    if (this != &other) {
        color_ = other.color_;
        style_ = other.style_;
        bitmap_ = other.bitmap_;
        Changed();
    }
    return *this;
}

void TBrush::SetColor(TColor color)
{
    if (color == color_ && style_ != bsClear)
        return;
    color_ = color;
    if (style_ == bsClear)
        style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style)
{
    SetField(style_, style);
}

void TBrush::SetBitmap(const QImage& pattern)
{
    bitmap_ = pattern;
    Changed();
}

QBrush TBrush::ToQBrush() const
{
    if (!bitmap_.isNull())
        return QBrush(bitmap_);
    const QColor c = ToQColor(color_);
    switch (style_) {
    case bsSolid: return QBrush(c, Qt::SolidPattern);
    case bsClear: return QBrush(Qt::NoBrush);
    case bsHorizontal: return QBrush(c, Qt::HorPattern);
    case bsVertical: return QBrush(c, Qt::VerPattern);
    case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
    case bsCross: return QBrush(c, Qt::CrossPattern);
    case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
    }
    return QBrush(c);
}

} // namespace gfx

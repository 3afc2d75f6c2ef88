#include "Pen.h"

namespace gfx {

TPen& TPen::operator=(const TPen& other)
{
    if (this != &other) {
        color_ = other.color_;
        width_ = other.width_;
        style_ = other.style_;
        mode_ = other.mode_;
        Changed();
    }
    return *this;
}

void TPen::SetColor(TColor color)
{
    SetField(color_, color);
}

void TPen::SetWidth(int width)
{
    SetField(width_, width);
}

void TPen::SetStyle(TPenStyle style)
{
    SetField(style_, style);
}

void TPen::SetMode(TPenMode mode)
{
    SetField(mode_, mode);
}

QVector<int> TPen::DashRuns() const
{
    if (DrawnWidth() > 1)
        return {};
    switch (style_) {
    case psDash: return {18, 6};
    case psDot: return {3, 3};
    case psDashDot: return {9, 6, 3, 6};
    case psDashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
    }
}

QColor TPen::DrawColor() const
{
    switch (mode_) {
    case pmBlack: return QColor(0, 0, 0);
    case pmWhite: return QColor(255, 255, 255);
    case pmNot: return QColor(255, 255, 255);
    default: return ToQColor(color_);
    }
}

QPainter::CompositionMode TPen::Composition() const
{
    return CompositionFor(mode_);
}

QPainter::CompositionMode CompositionFor(TPenMode mode)
{
    switch (mode) {
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

} // namespace gfx

#include "ImageList.h"
#include "Bitmap.h"
#include "Canvas.h"
#include <algorithm>

namespace gfx {

TImageList::TImageList(int width, int height) : width_(std::max(1, width)), height_(std::max(1, height)) {}

int TImageList::AddMasked(const TBitmap& bitmap, TColor maskColor)
{
    return add(bitmap, true, maskColor);
}

int TImageList::Add(const TBitmap& bitmap)
{
    return add(bitmap, false, clNone);
}

int TImageList::add(const TBitmap& bitmap, bool masked, TColor maskColor)
{
    if (bitmap.Empty())
        return -1;
    const QImage& source = bitmap.Image();
    const QRgb key = ToQColor(maskColor).rgb() & 0xFFFFFF;
    const int first = Count();
    const int cells = std::max(1, source.width() / width_);
    for (int i = 0; i < cells; ++i) {
        QImage cell(width_, height_, QImage::Format_ARGB32);
        cell.fill(Qt::transparent);
        const QImage part = source.copy(i * width_, 0, width_, height_).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < std::min(height_, source.height()); ++y) {
            const QRgb* from = reinterpret_cast<const QRgb*>(part.constScanLine(y));
            QRgb* to = reinterpret_cast<QRgb*>(cell.scanLine(y));
            for (int x = 0; x < std::min(width_, source.width() - i * width_); ++x)
                to[x] = masked && (from[x] & 0xFFFFFF) == key ? 0 : (from[x] | 0xFF000000);
        }
        images_.push_back(cell);
    }
    return first;
}

void TImageList::Delete(int index)
{
    if (index >= 0 && index < Count())
        images_.erase(images_.begin() + index);
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) const
{
    if (index < 0 || index >= Count())
        return;
    canvas.DrawImage(Bounds(x, y, width_, height_), images_[size_t(index)]);
}

} // namespace gfx

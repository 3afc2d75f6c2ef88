// TCanvas: surfaces, state, clipping, pictures and pixels.
#include "Canvas.h"
#include "Graphic.h"
#include <QPaintEngine>
#include <QPixmap>

namespace gfx {

namespace {

void intersectClip(QPainter& p, const QRect& r)
{
    p.setClipRect(r, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

} // namespace

TCanvas::TCanvas()
{
    brush_.OnChange = [this] { onBrushChanged(); };
}

TCanvas::TCanvas(QPaintDevice* device) : TCanvas()
{
    SetDevice(device);
}

TCanvas::TCanvas(QPainter* painter) : TCanvas()
{
    SetPainter(painter);
}

TCanvas::~TCanvas()
{
    Release();
}

void TCanvas::SetDevice(QPaintDevice* device)
{
    Release();
    keptClip_.reset();
    painter_ = nullptr;
    paintSize_ = QSize();
    device_ = device;
    if (device)
        followResolution(device->logicalDpiY());
}

void TCanvas::SetPainter(QPainter* painter)
{
    Release();
    keptClip_.reset();
    device_ = nullptr;
    painter_ = painter;
    paintSize_ = QSize();
    if (painter && painter->device()) {
        followResolution(painter->device()->logicalDpiY());
        // A widget's size asked of the widget goes to its screen each time; it cannot change while it paints.
        if (painter->device()->devType() == QInternal::Widget)
            paintSize_ = QSize(painter->device()->width(), painter->device()->height());
    }
    if (painter)
        painter->setRenderHint(QPainter::Antialiasing, false);
}

void TCanvas::followResolution(int ppi)
{
    // The canvas font keeps its point size on a surface of another resolution.
    if (ppi <= 0 || ppi == font_.PixelsPerInch())
        return;
    const int size = font_.Size();
    font_.SetPixelsPerInch(ppi);
    font_.SetSize(size);
}

void TCanvas::Release()
{
    if (own_) {
        // The clip belongs to the canvas, not to the painter: it comes back with the next one.
        keptClip_ = own_->hasClipping() ? std::optional<QRegion>(own_->clipRegion()) : std::nullopt;
        own_->end();
        own_.reset();
        painter_ = nullptr;
    }
}

QPainter* TCanvas::Painter()
{
    if (painter_)
        return painter_;
    if (!device_)
        return nullptr;
    auto p = std::make_unique<QPainter>();
    if (!p->begin(device_))
        return nullptr;
    p->setRenderHint(QPainter::Antialiasing, false);
    if (keptClip_)
        p->setClipRegion(*keptClip_);
    own_ = std::move(p);
    painter_ = own_.get();
    return painter_;
}

QPaintDevice* TCanvas::surface() const
{
    if (device_)
        return device_;
    return painter_ ? painter_->device() : nullptr;
}

QImage* TCanvas::Image() const
{
    QPaintDevice* d = surface();
    if (d && d->devType() == QInternal::Image)
        return static_cast<QImage*>(d);
    return nullptr;
}

int TCanvas::PixelsPerInch() const
{
    QPaintDevice* d = surface();
    return d ? d->logicalDpiY() : ScreenPixelsPerInch;
}

QSize TCanvas::surfaceSize() const
{
    if (paintSize_.isValid())
        return paintSize_;
    QPaintDevice* d = surface();
    return d ? QSize(d->width(), d->height()) : QSize();
}

bool TCanvas::rasterOps()
{
    QPainter* p = Painter();
    return p && p->paintEngine() && p->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

void TCanvas::changed()
{
    if (OnChange)
        OnChange();
}

void TCanvas::onBrushChanged()
{
    // A solid brush gives text and styled lines an opaque background of its colour.
    bkColor_ = brush_.Color();
    bkMode_ = brush_.Style() == bsSolid && brush_.Bitmap().isNull() ? OPAQUE : TRANSPARENT;
}

void TCanvas::SetBkMode(int mode)
{
    bkMode_ = mode == TRANSPARENT ? TRANSPARENT : OPAQUE;
}

// ---- clipping ----------------------------------------------------------------------------

TRect TCanvas::ClipRect()
{
    const QRect whole(QPoint(0, 0), surfaceSize());
    QPainter* p = Painter();
    if (!p || !p->hasClipping())
        return TRect::fromQRect(whole);
    return TRect::fromQRect(p->clipBoundingRect().toAlignedRect() & whole);
}

QRegion TCanvas::ClipRegion()
{
    QPainter* p = Painter();
    if (!p || !p->hasClipping())
        return QRegion(QRect(QPoint(0, 0), surfaceSize()));
    return p->clipRegion();
}

bool TCanvas::HasClip()
{
    QPainter* p = Painter();
    return p && p->hasClipping();
}

void TCanvas::SetClipRect(const TRect& r)
{
    if (QPainter* p = Painter())
        p->setClipRect(r.toQRect(), Qt::ReplaceClip);
}

void TCanvas::SetClipRegion(const QRegion& region)
{
    if (QPainter* p = Painter())
        p->setClipRegion(region, Qt::ReplaceClip);
}

void TCanvas::IntersectClipRect(const TRect& r)
{
    if (QPainter* p = Painter())
        intersectClip(*p, r.toQRect());
}

void TCanvas::ExcludeClipRect(const TRect& r)
{
    SetClipRegion(ClipRegion().subtracted(QRegion(r.toQRect())));
}

void TCanvas::ClearClip()
{
    if (QPainter* p = Painter())
        p->setClipping(false);
}

// ---- pictures and pixels -----------------------------------------------------------------

void TCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    if (graphic.Empty())
        return;
    graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic& graphic)
{
    if (graphic.Empty())
        return;
    graphic.Draw(*this, r);
}

void TCanvas::DrawImage(const TRect& r, const QImage& image)
{
    QPainter* p = Painter();
    if (!p || image.isNull() || r.IsEmpty())
        return;
    const bool scaled = r.Width() != image.width() || r.Height() != image.height();
    // Scaling on a printer is smoothed; on screen pixels are repeated or dropped, as the platform does.
    const bool smooth = scaled && !rasterOps();
    p->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    p->drawImage(r.toQRect(), image);
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect)
{
    QImage part;
    if (QImage* img = source.Image()) {
        part = img->copy(sourceRect.toQRect());
    } else if (QPaintDevice* d = source.surface(); d && d->devType() == QInternal::Pixmap) {
        part = static_cast<QPixmap*>(d)->copy(sourceRect.toQRect()).toImage();
    }
    if (!part.isNull())
        DrawImage(dest, part);
}

TColor TCanvas::Pixel(int x, int y)
{
    QImage* img = Image();
    if (!img || !img->valid(x, y))
        return CLR_INVALID;
    return FromQColor(QColor::fromRgb(img->pixel(x, y)));
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    QPainter* p = Painter();
    if (!p)
        return;
    p->fillRect(QRect(x, y, 1, 1), ToQColor(color));
    changed();
}

} // namespace gfx

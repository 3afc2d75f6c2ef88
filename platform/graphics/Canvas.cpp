#include "Canvas.h"
#include "Graphic.h"
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPixmap>
#include <algorithm>
#include <cstdlib>

namespace gfx {

namespace {

QRect normalized(int l, int t, int r, int b)
{
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    return QRect(l, t, r - l, b - t);
}

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
    painter_ = nullptr;
    device_ = device;
    if (device)
        followResolution(device->logicalDpiY());
}

void TCanvas::SetPainter(QPainter* painter)
{
    Release();
    device_ = nullptr;
    painter_ = painter;
    if (painter && painter->device())
        followResolution(painter->device()->logicalDpiY());
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

void TCanvas::SetBkColor(TColor color)
{
    bkColor_ = color;
}

// ---- lines -------------------------------------------------------------------------------

void TCanvas::plotPixels(const std::vector<QPoint>& on, const std::vector<QPoint>& gaps)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const bool mix = pen_.Mode() != pmCopy && rasterOps();
    if (pen_.Mode() != pmCopy && !mix && pen_.Mode() != pmBlack && pen_.Mode() != pmWhite)
        return; // mixing is meaningless on a printer; the figure is left out
    if (mix)
        p->setCompositionMode(pen_.Composition());
    p->setPen(QPen(pen_.DrawColor(), 1));
    if (!on.empty())
        p->drawPoints(on.data(), int(on.size()));
    if (!gaps.empty() && bkMode_ == OPAQUE) {
        p->setPen(QPen(ToQColor(bkColor_), 1));
        p->drawPoints(gaps.data(), int(gaps.size()));
    }
    if (mix)
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::strokeLine(TPoint from, TPoint to, bool includeEnd, int* dashPhase)
{
    if (pen_.IsClear())
        return;
    QPainter* p = Painter();
    if (!p)
        return;
    if (pen_.DrawnWidth() > 1) {
        const bool mix = pen_.Mode() != pmCopy && rasterOps();
        if (mix)
            p->setCompositionMode(pen_.Composition());
        const int w = pen_.DrawnWidth();
        if (from == to) {
            // A line of no length leaves a square dot of the pen's width (the designer's handles).
            p->fillRect(QRect(from.X - w / 2, from.Y - w / 2, w, w), pen_.DrawColor());
        } else {
            p->setPen(QPen(pen_.DrawColor(), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p->drawLine(from.toQPoint(), to.toQPoint());
        }
        if (mix)
            p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    const QVector<int> runs = pen_.DashRuns();
    int period = 0;
    for (int r : runs)
        period += r;
    std::vector<QPoint> on, gaps;
    int x = from.X, y = from.Y;
    const int dx = std::abs(to.X - x), sx = x < to.X ? 1 : -1;
    const int dy = -std::abs(to.Y - y), sy = y < to.Y ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        const bool last = x == to.X && y == to.Y;
        if (last && !includeEnd)
            break;
        bool draw = true;
        if (period > 0) {
            int pos = *dashPhase % period;
            int i = 0;
            while (pos >= runs[i]) {
                pos -= runs[i];
                ++i;
            }
            draw = i % 2 == 0;
            ++*dashPhase;
        }
        (draw ? on : gaps).push_back(QPoint(x, y));
        if (last)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    plotPixels(on, gaps);
}

void TCanvas::LineTo(int x, int y)
{
    int phase = 0;
    strokeLine(penPos_, {x, y}, false, &phase);
    penPos_ = {x, y};
    changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points)
{
    if (points.size() < 2)
        return;
    if (pen_.DrawnWidth() > 1 && !pen_.IsClear()) {
        QPolygon poly;
        for (const TPoint& pt : points)
            poly << pt.toQPoint();
        shapeWithQt([&](QPainter& p) { p.setBrush(Qt::NoBrush); p.drawPolyline(poly); });
        changed();
        return;
    }
    int phase = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i)
        strokeLine(points[i], points[i + 1], false, &phase);
    changed();
}

void TCanvas::outlineClosed(const std::vector<TPoint>& points)
{
    int phase = 0;
    for (size_t i = 0; i < points.size(); ++i)
        strokeLine(points[i], points[(i + 1) % points.size()], false, &phase);
}

// ---- shapes ------------------------------------------------------------------------------

QPen TCanvas::shapePen() const
{
    if (pen_.IsClear())
        return QPen(Qt::NoPen);
    if (pen_.DrawnWidth() > 1)
        return QPen(pen_.DrawColor(), pen_.DrawnWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPen pen(pen_.DrawColor(), 1);
    const QVector<int> runs = pen_.DashRuns();
    if (!runs.isEmpty()) {
        QList<qreal> pattern;
        for (int r : runs)
            pattern << r;
        pen.setDashPattern(pattern);
    }
    return pen;
}

void TCanvas::setShapeBrush(QPainter& p)
{
    p.setBrush(brush_.ToQBrush());
    // Only hatches have gaps to fill; the opaque mode would also shift Qt's outline rasterising.
    const bool hatch = brush_.Bitmap().isNull() && brush_.Style() != bsSolid && brush_.Style() != bsClear;
    p.setBackgroundMode(hatch && bkMode_ == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p.setBackground(ToQColor(bkColor_));
}

void TCanvas::shapeWithQt(const std::function<void(QPainter&)>& draw)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const bool mix = pen_.Mode() != pmCopy && rasterOps();
    if (pen_.Mode() != pmCopy && !mix && pen_.Mode() != pmBlack && pen_.Mode() != pmWhite)
        return;
    if (mix)
        p->setCompositionMode(pen_.Composition());
    p->setPen(shapePen());
    setShapeBrush(*p);
    draw(*p);
    if (mix)
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setBackgroundMode(Qt::TransparentMode);
}

void TCanvas::FillRect(const TRect& r)
{
    if (r.IsEmpty() || brush_.IsClear())
        return;
    QPainter* p = Painter();
    if (!p)
        return;
    p->setBackgroundMode(bkMode_ == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p->setBackground(ToQColor(bkColor_));
    p->fillRect(r.toQRect(), brush_.ToQBrush());
    p->setBackgroundMode(Qt::TransparentMode);
    changed();
}

void TCanvas::FillSolid(const TRect& r, TColor color)
{
    if (r.IsEmpty())
        return;
    if (QPainter* p = Painter()) {
        p->fillRect(r.toQRect(), ToQColor(color));
        changed();
    }
}

void TCanvas::FrameRect(const TRect& r)
{
    if (r.IsEmpty() || brush_.IsClear())
        return;
    QPainter* p = Painter();
    if (!p)
        return;
    const QBrush b = brush_.ToQBrush();
    const int w = r.Width(), h = r.Height();
    p->fillRect(QRect(r.Left, r.Top, w, 1), b);
    if (h > 1)
        p->fillRect(QRect(r.Left, r.Bottom - 1, w, 1), b);
    if (h > 2) {
        p->fillRect(QRect(r.Left, r.Top + 1, 1, h - 2), b);
        if (w > 1)
            p->fillRect(QRect(r.Right - 1, r.Top + 1, 1, h - 2), b);
    }
    changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    QRect box = normalized(left, top, right, bottom);
    if (pen_.Style() == psInsideFrame && pen_.DrawnWidth() > 1) {
        const int half = pen_.DrawnWidth() / 2;
        box.adjust(half, half, -half, -half);
    }
    if (box.width() < 1 || box.height() < 1)
        return;
    const int l = box.left(), t = box.top(), r = l + box.width(), b = t + box.height();
    if (pen_.IsClear()) {
        // Without a pen the filled area loses the last column and row, as the platform draws it.
        if (!brush_.IsClear() && r - l > 1 && b - t > 1)
            shapeWithQt([&](QPainter& p) { p.fillRect(QRect(l, t, r - l - 1, b - t - 1), p.brush()); });
    } else if (pen_.DrawnWidth() > 1) {
        shapeWithQt([&](QPainter& p) { p.drawRect(QRect(l, t, r - l - 1, b - t - 1)); });
    } else {
        if (!brush_.IsClear() && r - l > 2 && b - t > 2)
            shapeWithQt([&](QPainter& p) { p.fillRect(QRect(l + 1, t + 1, r - l - 2, b - t - 2), p.brush()); });
        if (r - l == 1 || b - t == 1) {
            int phase = 0;
            strokeLine({l, t}, {r - 1, b - 1}, true, &phase);
        } else {
            outlineClosed({{l, t}, {r - 1, t}, {r - 1, b - 1}, {l, b - 1}});
        }
    }
    changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom)
{
    const QRect box = normalized(left, top, right, bottom);
    if (box.width() < 2 || box.height() < 2)
        return;
    shapeWithQt([&](QPainter& p) { p.drawEllipse(QRect(box.left(), box.top(), box.width() - 1, box.height() - 1)); });
    changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points)
{
    if (points.size() < 2)
        return;
    QPolygon poly;
    for (const TPoint& pt : points)
        poly << pt.toQPoint();
    if (pen_.DrawnWidth() > 1 || pen_.IsClear()) {
        shapeWithQt([&](QPainter& p) { p.drawPolygon(poly, Qt::OddEvenFill); });
    } else {
        if (!brush_.IsClear())
            shapeWithQt([&](QPainter& p) { p.setPen(Qt::NoPen); p.drawPolygon(poly, Qt::OddEvenFill); });
        outlineClosed(points);
    }
    changed();
}

void TCanvas::DrawFocusRect(const TRect& r)
{
    if (r.IsEmpty() || !rasterOps())
        return;
    std::vector<QPoint> dots;
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            dots.push_back(QPoint(x, y));
    };
    for (int x = r.Left; x < r.Right; ++x)
        dot(x, r.Top);
    if (r.Height() > 1)
        for (int x = r.Left; x < r.Right; ++x)
            dot(x, r.Bottom - 1);
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        dot(r.Left, y);
        if (r.Width() > 1)
            dot(r.Right - 1, y);
    }
    QPainter* p = Painter();
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p->setPen(QPen(QColor(255, 255, 255), 1));
    if (!dots.empty())
        p->drawPoints(dots.data(), int(dots.size()));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    changed();
}

// ---- text --------------------------------------------------------------------------------

QFont TCanvas::currentQFont()
{
    if (qfontGeneration_ != font_.Generation() || qfontExtra_ != charExtra_) {
        qfont_ = font_.ToQFont();
        if (charExtra_ != 0)
            qfont_.setLetterSpacing(QFont::AbsoluteSpacing, charExtra_);
        qfontGeneration_ = font_.Generation();
        qfontExtra_ = charExtra_;
    }
    return qfont_;
}

void TCanvas::fillBox(const QRect& box, const QColor& color)
{
    if (QPainter* p = Painter())
        p->fillRect(box, color);
}

void TCanvas::drawTextRun(int x, int y, const QString& text, const std::vector<int>* dx, bool opaqueBox, bool free)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const QFont f = currentQFont();
    const QFontMetrics fm(f, p->device());
    int width = 0;
    if (dx) {
        for (qsizetype i = 0; i < text.size() && i < qsizetype(dx->size()); ++i)
            width += (*dx)[size_t(i)];
    } else {
        width = fm.horizontalAdvance(text);
    }
    const int ascent = fm.ascent();
    const int height = ascent + fm.descent();
    int ox = 0, oy = 0;
    const unsigned align = free ? textAlign_ : (TA_LEFT | TA_TOP);
    if ((align & TA_CENTER) == TA_CENTER)
        ox = -width / 2;
    else if (align & TA_RIGHT)
        ox = -width;
    if ((align & TA_BASELINE) == TA_BASELINE)
        oy = -ascent;
    else if (align & TA_BOTTOM)
        oy = -height;

    p->save();
    p->translate(x, y);
    if (free && font_.Orientation() != 0)
        p->rotate(-font_.Orientation() / 10.0);
    if (opaqueBox && width > 0)
        p->fillRect(QRect(ox, oy, width, height), ToQColor(bkColor_));
    p->setFont(f);
    p->setPen(ToQColor(font_.Color()));
    if (!dx) {
        p->drawText(QPoint(ox, oy + ascent), text);
    } else {
        int cx = ox;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
            p->drawText(QPoint(cx, oy + ascent), text.mid(i, pair ? 2 : 1));
            cx += i < qsizetype(dx->size()) ? (*dx)[size_t(i)] : fm.horizontalAdvance(text.mid(i, pair ? 2 : 1));
            if (pair)
                ++i;
        }
    }
    p->restore();
}

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* r, const QString& text, const std::vector<int>* dx)
{
    QPainter* p = Painter();
    if (!p)
        return;
    p->save();
    if (r && (options & ETO_OPAQUE) && !r->IsEmpty())
        p->fillRect(r->toQRect(), ToQColor(bkColor_));
    if (r && (options & ETO_CLIPPED))
        intersectClip(*p, r->toQRect());
    if (!text.isEmpty())
        drawTextRun(x, y, text, dx, bkMode_ == OPAQUE && !(r && (options & ETO_OPAQUE)));
    p->restore();
    changed();
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    ExtTextOut(x, y, 0, nullptr, text);
    penPos_ = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text)
{
    const TColor savedBk = bkColor_;
    bkColor_ = brush_.Color();
    ExtTextOut(x, y, ETO_CLIPPED | (brush_.IsClear() ? 0 : ETO_OPAQUE), &r, text);
    bkColor_ = savedBk;
}

std::vector<int> TCanvas::CharacterPlacement(const QString& text, int width)
{
    const QFont f = currentQFont();
    QPaintDevice* d = surface();
    const QFontMetrics fm = d ? QFontMetrics(f, d) : QFontMetrics(f);
    std::vector<int> dx(size_t(text.size()), 0);
    int natural = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        dx[size_t(i)] = fm.horizontalAdvance(text[i]);
        natural += dx[size_t(i)];
    }
    const int n = int(text.size());
    if (n == 0)
        return dx;
    // Share the difference out so that the running error never exceeds one pixel.
    const int diff = width - natural;
    int given = 0;
    for (int i = 0; i < n; ++i) {
        const int due = int((long long)diff * (i + 1) / n);
        dx[size_t(i)] += due - given;
        given = due;
    }
    return dx;
}

int TCanvas::TextWidth(const QString& text)
{
    return TextExtent(text).cx;
}

int TCanvas::TextHeight(const QString& text)
{
    return TextExtent(text).cy;
}

TSize TCanvas::TextExtent(const QString& text)
{
    const QFont f = currentQFont();
    QPaintDevice* d = surface();
    const QFontMetrics fm = d ? QFontMetrics(f, d) : QFontMetrics(f);
    return {fm.horizontalAdvance(text), fm.ascent() + fm.descent()};
}

TTextMetric TCanvas::GetTextMetrics()
{
    const QFont f = currentQFont();
    QPaintDevice* d = surface();
    const QFontMetrics fm = d ? QFontMetrics(f, d) : QFontMetrics(f);
    TTextMetric tm;
    tm.tmAscent = fm.ascent();
    tm.tmDescent = fm.descent();
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - f.pixelSize());
    tm.tmExternalLeading = std::max(0, fm.leading());
    tm.tmAveCharWidth = fm.averageCharWidth();
    tm.tmMaxCharWidth = fm.maxWidth();
    tm.tmWeight = (font_.Style() & fsBold) ? 700 : 400;
    tm.tmItalic = font_.Style() & fsItalic;
    return tm;
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

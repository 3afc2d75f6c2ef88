// TCanvas: lines and shapes with the platform's pixel rules and pen mixes.
#include "Canvas.h"
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

} // namespace

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
    long long period = 0;
    for (int r : runs)
        period += r;
    // The pixels of the line follow the midpoint rule: the major axis advances one pixel per step and
    // after j steps the minor axis has advanced floor((2 j minor + major) / (2 major)). Computing each
    // step directly lets the walk cover only the steps the surface shows, however far the ends lie.
    const long long x0 = from.X, y0 = from.Y;
    const long long adx = std::llabs((long long)to.X - x0), ady = std::llabs((long long)to.Y - y0);
    const int sx = x0 < to.X ? 1 : -1, sy = y0 < to.Y ? 1 : -1;
    const bool xMajor = adx >= ady;
    const long long major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    const long long last = includeEnd ? major : major - 1;
    long long first = 0, end = last;
    if (const std::optional<QRect> area = visibleArea()) {
        const long long lo = xMajor ? area->left() : area->top(), hi = xMajor ? area->right() : area->bottom();
        const long long m0 = xMajor ? x0 : y0;
        if ((xMajor ? sx : sy) > 0) {
            first = std::max(first, lo - m0);
            end = std::min(end, hi - m0);
        } else {
            first = std::max(first, m0 - hi);
            end = std::min(end, m0 - lo);
        }
    }
    const long long phase0 = *dashPhase;
    std::vector<QPoint> on, gaps;
    for (long long j = first; j <= end; ++j) {
        const long long k = major == 0 ? 0 : (long long)(((__int128)2 * j * minor + major) / (2 * major));
        const long long x = xMajor ? x0 + sx * j : x0 + sx * k;
        const long long y = xMajor ? y0 + sy * k : y0 + sy * j;
        bool draw = true;
        if (period > 0) {
            long long pos = (phase0 + j) % period;
            int i = 0;
            while (pos >= runs[i]) {
                pos -= runs[i];
                ++i;
            }
            draw = i % 2 == 0;
        }
        (draw ? on : gaps).push_back(QPoint(int(x), int(y)));
    }
    if (period > 0)
        *dashPhase = int((phase0 + last + 1) % period);
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

std::optional<QRect> TCanvas::visibleArea()
{
    // Only surfaces of a fixed size; a recording device grows with what is drawn on it.
    const QPaintDevice* d = surface();
    const int type = d ? d->devType() : 0;
    if (type != QInternal::Image && type != QInternal::Pixmap && type != QInternal::Widget
        && type != QInternal::Printer)
        return std::nullopt;
    const QSize size = surfaceSize();
    if (size.isEmpty())
        return std::nullopt;
    QRect area(QPoint(0, 0), size);
    if (QPainter* p = Painter(); p && !p->combinedTransform().isIdentity()) {
        bool invertible = false;
        const QTransform back = p->combinedTransform().inverted(&invertible);
        if (!invertible)
            return std::nullopt;
        area = back.mapRect(QRectF(area)).toAlignedRect();
    }
    return area.adjusted(-1, -1, 1, 1);
}

QRect TCanvas::shown(long long left, long long top, long long right, long long bottom, int margin)
{
    // Pixels left <= x < right, top <= y < bottom; only the part near the surface is ever handed to
    // the painter, so rectangles of any size stay within what QRect holds.
    constexpr long long kFar = 1 << 28;
    const std::optional<QRect> area = visibleArea();
    const long long minX = area ? area->left() - margin : -kFar, maxX = area ? area->right() + 1 + margin : kFar;
    const long long minY = area ? area->top() - margin : -kFar, maxY = area ? area->bottom() + 1 + margin : kFar;
    left = std::max(left, minX);
    top = std::max(top, minY);
    right = std::min(right, maxX);
    bottom = std::min(bottom, maxY);
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
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
    // Patterns and hatches are fixed to the surface, so the part drawn does not move them.
    p->fillRect(shown(r.Left, r.Top, r.Right, r.Bottom), brush_.ToQBrush());
    p->setBackgroundMode(Qt::TransparentMode);
    changed();
}

void TCanvas::FillSolid(const TRect& r, TColor color)
{
    if (r.IsEmpty())
        return;
    if (QPainter* p = Painter()) {
        p->fillRect(shown(r.Left, r.Top, r.Right, r.Bottom), ToQColor(color));
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
    const long long l = r.Left, t = r.Top, rt = r.Right, bm = r.Bottom;
    p->fillRect(shown(l, t, rt, t + 1), b);
    if (bm - t > 1)
        p->fillRect(shown(l, bm - 1, rt, bm), b);
    if (bm - t > 2) {
        p->fillRect(shown(l, t + 1, l + 1, bm - 1), b);
        if (rt - l > 1)
            p->fillRect(shown(rt - 1, t + 1, rt, bm - 1), b);
    }
    changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    long long l = std::min(left, right), r = std::max(left, right);
    long long t = std::min(top, bottom), b = std::max(top, bottom);
    if (pen_.Style() == psInsideFrame && pen_.DrawnWidth() > 1) {
        const int half = pen_.DrawnWidth() / 2;
        l += half;
        t += half;
        r -= half;
        b -= half;
    }
    if (r - l < 1 || b - t < 1)
        return;
    if (pen_.IsClear()) {
        // Without a pen the filled area loses the last column and row, as the platform draws it.
        const QRect fill = shown(l, t, r - 1, b - 1);
        if (!brush_.IsClear() && !fill.isEmpty())
            shapeWithQt([&](QPainter& p) { p.fillRect(fill, p.brush()); });
    } else if (pen_.DrawnWidth() > 1) {
        // The outline runs along l, t, r - 1, b - 1; sides far beyond the surface are brought near it,
        // still outside, so that the wide pen shows the same pixels.
        const QRect near = shown(l, t, r, b, pen_.DrawnWidth() + 2);
        if (!near.isEmpty()) {
            const QRect outline(near.left(), near.top(), near.width() - 1, near.height() - 1);
            shapeWithQt([&](QPainter& p) { p.drawRect(outline); });
        }
    } else {
        const QRect fill = shown(l + 1, t + 1, r - 1, b - 1);
        if (!brush_.IsClear() && !fill.isEmpty())
            shapeWithQt([&](QPainter& p) { p.fillRect(fill, p.brush()); });
        const int il = int(l), it = int(t), ir = int(r), ib = int(b);
        if (r - l == 1 || b - t == 1) {
            int phase = 0;
            strokeLine({il, it}, {ir - 1, ib - 1}, true, &phase);
        } else {
            outlineClosed({{il, it}, {ir - 1, it}, {ir - 1, ib - 1}, {il, ib - 1}});
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
    // Every other pixel, those whose x + y is even: a checkered brush fixed to the surface, so the pattern
    // does not depend on where the rectangle starts. Each side is one span of the brush (a row's worth of
    // single points cost a hundred times more); only what the surface shows is filled.
    const std::optional<QRect> known = visibleArea();
    const QRect area = known ? *known : QRect(QPoint(-(1 << 28), -(1 << 28)), QPoint(1 << 28, 1 << 28));
    const int xFrom = std::max(r.Left, area.left()), xTo = std::min(r.Right - 1, area.right());
    const int yFrom = std::max(r.Top + 1, area.top()), yTo = std::min(r.Bottom - 2, area.bottom());
    QPainter* p = Painter();
    const QBrush dots(QColor(255, 255, 255), Qt::Dense4Pattern);
    const QPointF origin = p->brushOrigin();
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p->setBrushOrigin(1, 0);  // the pattern's own dots lie where x + y is odd
    if (xFrom <= xTo) {
        p->fillRect(QRect(QPoint(xFrom, r.Top), QPoint(xTo, r.Top)), dots);
        if ((long long)r.Bottom - r.Top > 1)
            p->fillRect(QRect(QPoint(xFrom, r.Bottom - 1), QPoint(xTo, r.Bottom - 1)), dots);
    }
    if (yFrom <= yTo) {
        p->fillRect(QRect(QPoint(r.Left, yFrom), QPoint(r.Left, yTo)), dots);
        if ((long long)r.Right - r.Left > 1)
            p->fillRect(QRect(QPoint(r.Right - 1, yFrom), QPoint(r.Right - 1, yTo)), dots);
    }
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setBrushOrigin(origin);
    changed();
}

} // namespace gfx

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

} // namespace gfx

#include "grid/GridGlyphs.h"
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <initializer_list>

namespace gridglyphs {
namespace {

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QImage triangleRight(QColor c)
{
    QImage img = blank(6, 9);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygon({QPoint(1, 0), QPoint(5, 4), QPoint(1, 8)}));
    return img;
}

// A glyph of black one-pixel lines.
QImage lines(int w, int h, std::initializer_list<QLine> segments)
{
    QImage img = blank(w, h);
    QPainter p(&img);
    p.setPen(Qt::black);
    for (const QLine& l : segments)
        p.drawLine(l);
    return img;
}

QImage editBeam() { return lines(6, 9, {QLine(1, 0, 4, 0), QLine(1, 8, 4, 8), QLine(2, 0, 2, 8)}); }

QImage insertStar()
{
    return lines(7, 9, {QLine(3, 1, 3, 7), QLine(0, 4, 6, 4), QLine(1, 2, 5, 6), QLine(1, 6, 5, 2)});
}

QImage dot()
{
    QImage img = blank(6, 9);
    QPainter p(&img);
    p.fillRect(QRect(1, 3, 3, 3), Qt::white);
    return img;
}

QImage sortTriangle(bool down)
{
    QImage img = blank(9, 9);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(128, 128, 128));
    p.setBrush(QColor(128, 128, 128));
    if (down)
        p.drawPolygon(QPolygon({QPoint(0, 2), QPoint(8, 2), QPoint(4, 7)}));
    else
        p.drawPolygon(QPolygon({QPoint(4, 2), QPoint(8, 7), QPoint(0, 7)}));
    return img;
}

// A 16 by 16 cursor: a black arrow outlined in white.
QCursor arrowCursor(const QPolygon& arrow, int hotX, int hotY)
{
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.end();
    return QCursor(QPixmap::fromImage(img), hotX, hotY);
}

} // namespace

const std::vector<QImage>& IndicatorGlyphs()
{
    static const std::vector<QImage> glyphs{triangleRight(Qt::black), editBeam(), insertStar(), dot(),
                                            triangleRight(Qt::white), triangleRight(Qt::white)};
    return glyphs;
}

const std::vector<QImage>& SortGlyphs()
{
    static const std::vector<QImage> glyphs{sortTriangle(true), sortTriangle(false)};
    return glyphs;
}

QCursor RowSelectCursor()
{
    return arrowCursor(QPolygon({QPoint(15, 7), QPoint(8, 1), QPoint(8, 5), QPoint(1, 5), QPoint(1, 9), QPoint(8, 9),
                                 QPoint(8, 13)}),
                       15, 7);
}

QCursor ColumnSelectCursor()
{
    return arrowCursor(QPolygon({QPoint(7, 15), QPoint(1, 8), QPoint(5, 8), QPoint(5, 1), QPoint(9, 1), QPoint(9, 8),
                                 QPoint(13, 8)}),
                       7, 15);
}

} // namespace gridglyphs

#include "grid/GridGlyphs.h"
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

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

QImage editBeam()
{
    QImage img = blank(6, 9);
    QPainter p(&img);
    p.setPen(Qt::black);
    p.drawLine(1, 0, 4, 0);
    p.drawLine(1, 8, 4, 8);
    p.drawLine(2, 0, 2, 8);
    return img;
}

QImage insertStar()
{
    QImage img = blank(7, 9);
    QPainter p(&img);
    p.setPen(Qt::black);
    p.drawLine(3, 1, 3, 7);
    p.drawLine(0, 4, 6, 4);
    p.drawLine(1, 2, 5, 6);
    p.drawLine(1, 6, 5, 2);
    return img;
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
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon({QPoint(15, 7), QPoint(8, 1), QPoint(8, 5), QPoint(1, 5), QPoint(1, 9), QPoint(8, 9),
                            QPoint(8, 13)}));
    p.end();
    return QCursor(QPixmap::fromImage(img), 15, 7);
}

QCursor ColumnSelectCursor()
{
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon({QPoint(7, 15), QPoint(1, 8), QPoint(5, 8), QPoint(5, 1), QPoint(9, 1), QPoint(9, 8),
                            QPoint(13, 8)}));
    p.end();
    return QCursor(QPixmap::fromImage(img), 7, 15);
}

} // namespace gridglyphs

#pragma once
#include <QImage>
#include <QRect>

// Bounding box of the pixels that differ from the background colour, within a part of the image or all of it.
inline QRect inked(const QImage& img, QRgb background = qRgb(255, 255, 255), QRect within = QRect())
{
    if (within.isNull())
        within = img.rect();
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF))
                box |= QRect(x, y, 1, 1);
    return box;
}

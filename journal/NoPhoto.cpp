#include "journal/NoPhoto.h"

#include "platform/graphics/Bitmap.h"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace {

// Drawn once, then kept as JPEG bytes like any photo of the journal.
QByteArray noPhotoBytes()
{
    static const QByteArray bytes = [] {
        QImage image(240, 320, QImage::Format_RGB32);
        image.fill(QColor(192, 192, 192));
        QPainter p(&image);
        p.setPen(QColor(96, 96, 96));
        p.drawRect(0, 0, image.width() - 1, image.height() - 1);
        QFont font = p.font();
        font.setPixelSize(28);
        font.setBold(true);
        p.setFont(font);
        p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("нет фото"));
        p.end();
        gfx::TJPEGImage jpeg;
        jpeg.Assign(gfx::TBitmap(image));
        jpeg.SetCompressionQuality(90);
        return jpeg.SaveToBytes();
    }();
    return bytes;
}

} // namespace

bool LoadResourceJpeg(const QString& name, gfx::TJPEGImage& picture)
{
    if (name != QLatin1String("NO_PHOTO_JPG"))
        return false;
    picture.LoadFromBytes(noPhotoBytes());
    return true;
}

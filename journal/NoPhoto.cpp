#include "journal/NoPhoto.h"

#include <QFile>

bool LoadResourceJpeg(const QString& name, gfx::TJPEGImage& picture)
{
    // The pictures are made by the template generator at build time and built into the program.
    if (name != QLatin1String("NO_PHOTO_JPG"))
        return false;
    QFile resource(QStringLiteral(":/NO_PHOTO_JPG"));
    if (!resource.open(QIODevice::ReadOnly))
        return false;
    picture.LoadFromBytes(resource.readAll());
    return true;
}

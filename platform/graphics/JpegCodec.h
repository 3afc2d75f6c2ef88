#pragma once
// JPEG through libjpeg. libjpeg's fatal errors come back as results (its default handler would end
// the process); a truncated or damaged stream is an error, not a half-grey picture.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace gfx::jpeg {

// Largest picture accepted, in pixels, so a damaged header cannot ask for gigabytes.
constexpr qint64 MaxPixels = qint64(64) * 1024 * 1024;

bool decode(const QByteArray& bytes, QImage& image, QString* error = nullptr);
// quality 1..100 (clamped); grayscale writes one component.
bool encode(const QImage& image, int quality, QByteArray& bytes, QString* error = nullptr, bool grayscale = false);

} // namespace gfx::jpeg

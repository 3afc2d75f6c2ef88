#pragma once
// The BMP file form: "BM" file header, a DIB header, the palette, rows bottom-up padded to 4 bytes.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace gfx::bmp {

// Decodes a BMP file; a null image and the reason in *error when the bytes are not one. *bitCount
// gets the stored bits per pixel.
QImage decode(const QByteArray& bytes, int* bitCount = nullptr, QString* error = nullptr);
// Writes 24 or 32 bits per pixel, no compression, 96 dpi; the same image always gives the same bytes.
QByteArray encode(const QImage& image, int bitCount = 24);
// The file size the header gives (bytes 2-5), or -1 when the first 6 bytes are not a BMP header.
// Writers often leave it 0 or get it wrong.
qint64 storedSize(const QByteArray& head);
// The bytes the picture takes by its own headers (offset of the rows plus their size), from the
// first HeadSize bytes; -1 when they do not tell (compressed rows of unstated size, or no header).
constexpr int HeadSize = 54;
qint64 storedExtent(const QByteArray& head);

} // namespace gfx::bmp

#include "BmpCodec.h"
#include <QtEndian>
#include <cstdlib>

namespace gfx::bmp {

namespace {

constexpr int kFileHeader = 14;
constexpr qint64 kMaxPixels = qint64(64) * 1024 * 1024;

quint32 u32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
qint32 i32(const QByteArray& b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }
quint16 u16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

bool validBits(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

void put32(QByteArray& b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

void put16(QByteArray& b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

// Walks run-length compressed rows (4 or 8 bits per pixel) and tells whether the data reaches the
// end of the picture: the end mark, every row ended, or the last row filled. A decoder would paint
// whatever is missing black and call the picture good.
bool runLengthComplete(const QByteArray& bytes, qint64 at, int bits, qint64 width, qint64 height)
{
    const qint64 size = bytes.size();
    auto byte = [&](qint64 i) { return int(uchar(bytes[i])); };
    qint64 x = 0, row = 0;
    while (row < height) {
        if (at + 2 > size)
            return row == height - 1 && x >= width;
        const int count = byte(at), code = byte(at + 1);
        at += 2;
        if (count > 0) {
            x += count;
            continue;
        }
        if (code == 0) {
            ++row;
            x = 0;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            if (at + 2 > size)
                return false;
            x += byte(at);
            row += byte(at + 1);
            at += 2;
        } else {
            const qint64 stored = bits == 8 ? code : (code + 1) / 2;
            if (at + stored > size)
                return false;
            at += (stored + 1) & ~qint64(1);
            x += code;
        }
    }
    return true;
}

QImage fail(QString* error, const char* text)
{
    if (error)
        *error = QString::fromLatin1(text);
    return QImage();
}

} // namespace

qint64 storedSize(const QByteArray& head)
{
    if (head.size() < 6 || head[0] != 'B' || head[1] != 'M')
        return -1;
    return u32(head, 2);
}

qint64 storedExtent(const QByteArray& head)
{
    if (head.size() < kFileHeader + 4 || head[0] != 'B' || head[1] != 'M')
        return -1;
    const qint64 offBits = u32(head, 10);
    const quint32 infoSize = u32(head, 14);
    qint64 width, height, bits, compression = 0, imageSize = 0;
    if (infoSize == 12 && head.size() >= kFileHeader + 12) {
        width = u16(head, 18);
        height = u16(head, 20);
        bits = u16(head, 24);
    } else if (infoSize >= 40 && head.size() >= kFileHeader + 40) {
        width = i32(head, 18);
        height = std::llabs(qint64(i32(head, 22)));
        bits = u16(head, 28);
        compression = u32(head, 30);
        imageSize = u32(head, 34);
    } else {
        return -1;
    }
    // Rows of a picture too large to decode tell nothing; checked first, the row arithmetic below cannot
    // overflow (a header of 2^31 by 2^31 pixels at 65535 bits each did).
    if (width <= 0 || height == 0 || !validBits(int(bits)) || width * height > kMaxPixels)
        return -1;
    qint64 rows;
    if (compression == 0 || compression == 3)
        rows = ((width * bits + 31) / 32) * 4 * height;
    else if (imageSize > 0)
        rows = imageSize;
    else
        return -1;
    const qint64 extent = offBits + rows;
    return extent > 0xFFFFFFFFLL ? -1 : extent;
}

QImage decode(const QByteArray& bytes, int* bitCount, QString* error)
{
    if (bytes.size() < kFileHeader + 12 || bytes[0] != 'B' || bytes[1] != 'M')
        return fail(error, "Bitmap image is not valid");
    const quint32 offBits = u32(bytes, 10);
    const quint32 infoSize = u32(bytes, 14);
    qint64 width, height;
    int bits, compression = 0;
    if (infoSize == 12) {
        width = u16(bytes, 18);
        height = qint16(u16(bytes, 20));
        bits = u16(bytes, 24);
    } else if (infoSize >= 40 && bytes.size() >= kFileHeader + 40) {
        width = i32(bytes, 18);
        height = i32(bytes, 22);
        bits = u16(bytes, 28);
        compression = int(u32(bytes, 30));
    } else {
        return fail(error, "Bitmap image is not valid");
    }
    if (width <= 0 || height == 0 || !validBits(bits) || width * std::llabs(height) > kMaxPixels)
        return fail(error, "Bitmap image is not valid");
    if (qint64(offBits) < kFileHeader + qint64(infoSize) || qint64(offBits) > bytes.size())
        return fail(error, "Bitmap image is not valid");
    // Every row must be there.
    if (compression == 0 || compression == 3) {
        const qint64 stride = ((width * bits + 31) / 32) * 4;
        if (qint64(offBits) + stride * std::llabs(height) > bytes.size())
            return fail(error, "Bitmap data is truncated");
    } else if ((compression == 1 && bits == 8) || (compression == 2 && bits == 4)) {
        if (!runLengthComplete(bytes, offBits, bits, width, std::llabs(height)))
            return fail(error, "Bitmap data is truncated");
    }
    QImage image;
    if (!image.loadFromData(bytes, "BMP") || image.isNull())
        return fail(error, "Bitmap image is not valid");
    if (bitCount)
        *bitCount = bits;
    return image.convertToFormat(QImage::Format_RGB32);
}

QByteArray encode(const QImage& source, int bitCount)
{
    const int bits = bitCount == 32 ? 32 : 24;
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const int stride = ((w * bits + 31) / 32) * 4;
    const quint32 imageSize = quint32(stride) * quint32(h);
    const quint32 offBits = kFileHeader + 40;
    QByteArray out;
    out.reserve(int(offBits + imageSize));
    out.append("BM", 2);
    put32(out, offBits + imageSize);
    put16(out, 0);
    put16(out, 0);
    put32(out, offBits);
    put32(out, 40);
    put32(out, quint32(w));
    put32(out, quint32(h));
    put16(out, 1);
    put16(out, quint16(bits));
    put32(out, 0);
    put32(out, imageSize);
    put32(out, 3780); // 96 dpi
    put32(out, 3780);
    put32(out, 0);
    put32(out, 0);
    QByteArray row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        char* d = row.data();
        for (int x = 0; x < w; ++x) {
            *d++ = char(qBlue(line[x]));
            *d++ = char(qGreen(line[x]));
            *d++ = char(qRed(line[x]));
            if (bits == 32)
                *d++ = 0;
        }
        out.append(row);
    }
    return out;
}

} // namespace gfx::bmp

#include "Bitmap.h"
#include "BmpCodec.h"
#include <QtEndian>
#include <algorithm>

namespace gfx {

namespace {

TPixelFormat formatOfBits(int bits)
{
    switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf16bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
    }
}

// Bitmaps are screen surfaces whatever resolution a file records: 96 dpi, so fonts set in points on
// their canvas come out at screen size.
QImage screenImage(QImage image)
{
    if (!image.isNull()) {
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
    }
    return image;
}

} // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height)
{
    SetSize(width, height);
}

TBitmap::TBitmap(const QImage& image)
{
    SetImage(image);
}

TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(other), image_(other.Image()), pixelFormat_(other.pixelFormat_),
      transparentMode_(other.transparentMode_), transparentColor_(other.transparentColor_), original_(other.original_)
{
}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this == &other)
        return *this;
    if (canvas_)
        canvas_->Release();
    image_ = other.Image();
    pixelFormat_ = other.pixelFormat_;
    transparentMode_ = other.transparentMode_;
    transparentColor_ = other.transparentColor_;
    transparent_ = other.transparent_;
    original_ = other.original_;
    Changed();
    return *this;
}

TBitmap::~TBitmap()
{
    delete canvas_;
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_) {
        canvas_ = new TCanvas(&image_);
        canvas_->OnChange = [this] { modified(); };
    }
    return *canvas_;
}

void TBitmap::modified()
{
    original_.clear();
    Changed();
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == Width() && height == Height())
        return;
    if (canvas_)
        canvas_->Release();
    if (width == 0 || height == 0) {
        image_ = QImage();
    } else {
        QImage resized(width, height, QImage::Format_RGB32);
        resized.fill(Qt::white);
        if (!image_.isNull()) {
            QPainter p(&resized);
            p.drawImage(0, 0, image_);
        }
        image_ = resized;
    }
    modified();
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == pixelFormat_)
        return;
    pixelFormat_ = format;
    modified();
}

TColor TBitmap::TransparentColor() const
{
    if (transparentMode_ == tmFixed)
        return transparentColor_;
    const QImage& img = Image();
    if (img.isNull())
        return clDefault;
    return FromQColor(QColor::fromRgb(img.pixel(0, img.height() - 1)));
}

void TBitmap::SetTransparentColor(TColor color)
{
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

const QImage& TBitmap::Image() const
{
    if (canvas_)
        canvas_->Release();
    return image_;
}

void TBitmap::SetImage(const QImage& image)
{
    if (canvas_)
        canvas_->Release();
    image_ = image.isNull() ? QImage() : screenImage(image.convertToFormat(QImage::Format_RGB32));
    modified();
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r) const
{
    const QImage& img = Image();
    if (img.isNull())
        return;
    if (!transparent_) {
        canvas.DrawImage(r, img);
        return;
    }
    const QRgb key = ToQColor(TransparentColor()).rgb() & 0xFFFFFF;
    QImage masked = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < masked.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    canvas.DrawImage(r, masked);
}

QImage TBitmap::ToImage() const
{
    return Image();
}

void TBitmap::Assign(const TGraphic& source)
{
    if (auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        *this = *bitmap;
        return;
    }
    SetImage(source.ToImage());
}

std::unique_ptr<TGraphic> TBitmap::Clone() const
{
    return std::make_unique<TBitmap>(*this);
}

void TBitmap::LoadFromBytes(const QByteArray& bytes)
{
    int bits = 0;
    QString error;
    const QImage image = bmp::decode(bytes, &bits, &error);
    if (image.isNull())
        throw EInvalidGraphic(error);
    if (canvas_)
        canvas_->Release();
    image_ = screenImage(image);
    pixelFormat_ = formatOfBits(bits);
    // The picture's bytes run as far as its headers say; the file size field counts only when it
    // says more and the bytes are there. The kept copy states its own length, so that a stream
    // reader takes exactly these bytes back.
    const qint64 extent = bmp::storedExtent(bytes.left(bmp::HeadSize));
    const qint64 stored = bmp::storedSize(bytes);
    qint64 keep = extent > 0 ? extent : bytes.size();
    if (stored > keep && stored <= bytes.size())
        keep = stored;
    original_ = bytes.left(std::min<qint64>(keep, bytes.size()));
    if (bmp::storedSize(original_) != original_.size())
        qToLittleEndian<quint32>(quint32(original_.size()), original_.data() + 2);
    Changed();
}

QByteArray TBitmap::SaveToBytes() const
{
    if (!original_.isEmpty())
        return original_;
    if (Empty())
        return QByteArray();
    return bmp::encode(Image(), pixelFormat_ == pf32bit ? 32 : 24);
}

void TBitmap::LoadFromStream(QIODevice& stream)
{
    // As many bytes as the headers give; a larger file size field is taken as far as the stream goes.
    const QByteArray head = stream.peek(bmp::HeadSize);
    const qint64 extent = bmp::storedExtent(head);
    const qint64 stored = bmp::storedSize(head);
    if (extent < 0 && stored < 14)
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    const qint64 needed = extent > 0 ? extent : stored;
    qint64 wanted = std::max(needed, stored);
    if (!stream.isSequential())
        wanted = std::min(wanted, std::max<qint64>(needed, stream.bytesAvailable()));
    const QByteArray bytes = stream.read(wanted);
    if (bytes.size() < needed)
        throw EInvalidGraphic(QStringLiteral("Bitmap data is truncated"));
    LoadFromBytes(bytes);
}

} // namespace gfx

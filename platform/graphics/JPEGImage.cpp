#include "JPEGImage.h"
#include "Canvas.h"
#include "JpegCodec.h"

namespace gfx {

void TJPEGImage::SetCompressionQuality(int quality)
{
    quality_ = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
}

// Kept whole or not at all: a failed encoding leaves the former bytes as they were.
void TJPEGImage::encode() const
{
    QByteArray bytes;
    QString error;
    if (!jpeg::encode(image_, quality_, bytes, &error))
        throw EInvalidGraphic(error);
    bytes_ = bytes;
    bytesQuality_ = quality_;
}

void TJPEGImage::Compress()
{
    if (image_.isNull())
        return;
    encode();
    Changed();
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& r) const
{
    canvas.DrawImage(r, image_);
}

void TJPEGImage::Assign(const TGraphic& source)
{
    if (auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
        image_ = jpeg->image_;
        bytes_ = jpeg->bytes_;
        bytesQuality_ = jpeg->bytesQuality_;
        quality_ = jpeg->quality_;
    } else {
        const QImage img = source.ToImage();
        image_ = img.isNull() ? QImage() : img.convertToFormat(QImage::Format_RGB32);
        bytes_.clear();
    }
    Changed();
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const
{
    return std::make_unique<TJPEGImage>(*this);
}

void TJPEGImage::LoadFromBytes(const QByteArray& bytes)
{
    QImage image;
    QString error;
    if (!jpeg::decode(bytes, image, &error))
        throw EInvalidGraphic(error);
    image_ = image;
    bytes_ = bytes;
    bytesQuality_ = -1;
    Changed();
}

QByteArray TJPEGImage::SaveToBytes() const
{
    if (image_.isNull())
        return QByteArray();
    const bool stale = bytesQuality_ >= 0 && bytesQuality_ != quality_;
    if (bytes_.isEmpty() || stale)
        encode();
    return bytes_;
}

} // namespace gfx

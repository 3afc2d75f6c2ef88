#pragma once
// An image in memory with its own canvas. Pixels are kept as 32-bit RGB; the pixel format says how
// the bitmap is stored (BMP). A bitmap loaded from bytes saves those same bytes until it is changed;
// a changed or new one is stored with 24 bits per pixel (32 for pf32bit).
#include "Canvas.h"
#include "Color.h"
#include "Graphic.h"

namespace gfx {

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
using enum TPixelFormat;

enum class TTransparentMode { tmAuto, tmFixed };
using enum TTransparentMode;

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height);
    explicit TBitmap(const QImage& image);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap() override;

    QString ClassName() const override { return QStringLiteral("TBitmap"); }
    bool Empty() const override { return image_.isNull() || image_.width() == 0 || image_.height() == 0; }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    // Resizing keeps the pixels that still fit; new pixels are white.
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat format);

    TCanvas& Canvas();

    // Transparent colour: with tmAuto the bottom-left pixel, else the fixed colour.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);

    // The pixels (the canvas's painter is ended first, so the image is complete).
    const QImage& Image() const;
    void SetImage(const QImage& image);

    void Draw(TCanvas& canvas, const TRect& r) const override;
    QImage ToImage() const override;
    void Assign(const TGraphic& source) override;
    std::unique_ptr<TGraphic> Clone() const override;
    void LoadFromBytes(const QByteArray& bytes) override;
    QByteArray SaveToBytes() const override;
    void LoadFromStream(QIODevice& stream) override;

private:
    void modified();

    QImage image_;
    TCanvas* canvas_ = nullptr;
    TPixelFormat pixelFormat_ = pfDevice;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    QByteArray original_;
};

} // namespace gfx

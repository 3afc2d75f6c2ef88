#pragma once
// A JPEG picture: the compressed bytes and the decoded pixels. Loaded bytes are kept and saved
// unchanged; pixels assigned from another picture are compressed when saved, at the quality in force
// then (a later quality change compresses them again).
#include "Graphic.h"

namespace gfx {

class TJPEGImage : public TGraphic {
public:
    TJPEGImage() = default;
    TJPEGImage(const TJPEGImage&) = default;
    TJPEGImage& operator=(const TJPEGImage&) = default;

    QString ClassName() const override { return QStringLiteral("TJPEGImage"); }
    bool Empty() const override { return image_.isNull(); }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }

    // 1 to 100; values outside are clamped.
    void SetCompressionQuality(int quality);
    // Compresses the pixels again at the current quality (the saved bytes follow).
    void Compress();

    void Draw(TCanvas& canvas, const TRect& r) const override;
    QImage ToImage() const override { return image_; }
    void Assign(const TGraphic& source) override;
    std::unique_ptr<TGraphic> Clone() const override;
    void LoadFromBytes(const QByteArray& bytes) override;
    QByteArray SaveToBytes() const override;

private:
    void encode() const;
    QImage image_;
    mutable QByteArray bytes_;
    mutable int bytesQuality_ = -1;   // quality the bytes were compressed at; -1: loaded as they are
    int quality_ = 90;
};

} // namespace gfx

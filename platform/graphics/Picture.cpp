#include "Picture.h"
#include "JPEGImage.h"
#include <QFile>
#include <QFileInfo>

namespace gfx {

namespace {

std::unique_ptr<TGraphic> graphicForExtension(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"bmp" || ext == u"dib")
        return std::make_unique<TBitmap>();
    if (ext == u"jpg" || ext == u"jpeg" || ext == u"jpe" || ext == u"jfif")
        return std::make_unique<TJPEGImage>();
    throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
}

std::unique_ptr<TGraphic> graphicForBytes(const QByteArray& bytes)
{
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return std::make_unique<TBitmap>();
    if (bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xD8)
        return std::make_unique<TJPEGImage>();
    throw EInvalidGraphic(QStringLiteral("Unsupported picture format"));
}

} // namespace

TPicture::TPicture(const TPicture& other) : graphic_(other.graphic_ ? other.graphic_->Clone() : nullptr)
{
    attach();
}

TPicture& TPicture::operator=(const TPicture& other)
{
    if (this != &other) {
        graphic_ = other.graphic_ ? other.graphic_->Clone() : nullptr;
        attach();
        changed();
    }
    return *this;
}

void TPicture::attach()
{
    if (graphic_)
        graphic_->OnChange = [this] { changed(); };
}

void TPicture::changed()
{
    if (OnChange)
        OnChange();
}

void TPicture::SetGraphic(const TGraphic* graphic)
{
    SetGraphic(graphic ? graphic->Clone() : nullptr);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    graphic_ = std::move(graphic);
    attach();
    changed();
}

TBitmap& TPicture::Bitmap()
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get()))
        return *bitmap;
    SetGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*graphic_);
}

void TPicture::Clear()
{
    SetGraphic(std::unique_ptr<TGraphic>());
}

void TPicture::LoadFromFile(const QString& path)
{
    std::unique_ptr<TGraphic> g = graphicForExtension(path);
    g->LoadFromFile(path);
    SetGraphic(std::move(g));
}

void TPicture::SaveToFile(const QString& path) const
{
    if (graphic_)
        graphic_->SaveToFile(path);
}

void TPicture::LoadFromBytes(const QByteArray& bytes)
{
    std::unique_ptr<TGraphic> g = graphicForBytes(bytes);
    g->LoadFromBytes(bytes);
    SetGraphic(std::move(g));
}

QByteArray TPicture::SaveToBytes() const
{
    return graphic_ ? graphic_->SaveToBytes() : QByteArray();
}

} // namespace gfx

#pragma once
// The holder of one picture of any kind (or none), as picture views and image controls keep it.
#include "Bitmap.h"
#include "Graphic.h"
#include <functional>
#include <memory>

namespace gfx {

class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture& other);
    TPicture& operator=(const TPicture& other);

    TGraphic* Graphic() const { return graphic_.get(); }
    // Takes a copy of the graphic (none clears the picture).
    void SetGraphic(const TGraphic* graphic);
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // The bitmap of the picture; a picture of another kind is replaced by an empty bitmap first.
    TBitmap& Bitmap();

    bool Empty() const { return !graphic_ || graphic_->Empty(); }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    void Clear();
    void Assign(const TPicture& source) { *this = source; }

    // Kind by file extension (.bmp, .dib; .jpg, .jpeg, .jpe, .jfif).
    void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path) const;
    // Kind by the bytes' signature ("BM", or the JPEG start marker).
    void LoadFromBytes(const QByteArray& bytes);
    QByteArray SaveToBytes() const;

    std::function<void()> OnChange;

private:
    void attach();
    void changed();

    std::unique_ptr<TGraphic> graphic_;
};

} // namespace gfx

#pragma once
// A picture kind (bitmap, JPEG): size, drawing into a rectangle of a canvas, and its stored bytes.
// Loading failures raise EInvalidGraphic with a readable text; a failed load leaves the picture as
// it was.
#include <QByteArray>
#include <QImage>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

namespace gfx {

class TCanvas;
struct TRect;

class EInvalidGraphic : public std::runtime_error {
public:
    explicit EInvalidGraphic(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// A picture file that cannot be read or written.
class EGraphicFile : public std::runtime_error {
public:
    explicit EGraphicFile(const QString& message) : std::runtime_error(message.toStdString()) {}
};

class TGraphic {
public:
    virtual ~TGraphic() = default;

    virtual QString ClassName() const = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetTransparent(bool on);

    // Draws the picture scaled into r.
    virtual void Draw(TCanvas& canvas, const TRect& r) const = 0;
    // The pixels (32-bit), for drawing and conversion.
    virtual QImage ToImage() const = 0;
    // Takes the pixels of another picture.
    virtual void Assign(const TGraphic& source) = 0;
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    // Reads a whole stored picture from bytes.
    virtual void LoadFromBytes(const QByteArray& bytes) = 0;
    // The stored form: the bytes it was loaded from while the picture is unchanged.
    virtual QByteArray SaveToBytes() const = 0;
    // Stream forms: a bitmap reads as many bytes as its header gives, other kinds the rest of the stream.
    virtual void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream) const;
    void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path) const;

    std::function<void()> OnChange;

protected:
    TGraphic() = default;
    // Copies take the picture, not the owner's change callback.
    TGraphic(const TGraphic& other) : transparent_(other.transparent_) {}
    TGraphic& operator=(const TGraphic& other)
    {
        transparent_ = other.transparent_;
        return *this;
    }
    void Changed();

    bool transparent_ = false;
};

} // namespace gfx

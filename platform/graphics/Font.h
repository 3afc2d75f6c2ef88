#pragma once
// A font as the platform describes it: face name, height in device pixels at a given resolution
// (negative: character height without internal leading, i.e. the em size; positive: cell height),
// size in points derived from it, style set, colour, character set, pitch and the angle of the
// text line (escapement, tenths of a degree counter-clockwise).
#include "Color.h"
#include "GraphicsObject.h"
#include <QFont>
#include <QString>

namespace gfx {

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

enum class TFontPitch { fpDefault, fpVariable, fpFixed };
using enum TFontPitch;

using TFontCharset = unsigned char;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset OEM_CHARSET = 255;

constexpr int ScreenPixelsPerInch = 96;

// Height in pixels of a point size at a resolution, and back, rounded as the platform rounds
// (half away from zero): 8 points at 96 dpi are -11 pixels, 10 points -13.
int PointsToHeight(int points, int pixelsPerInch);
int HeightToPoints(int height, int pixelsPerInch);

class TFont : public TGraphicsObject {
public:
    // "MS Sans Serif", 8 points at 96 dpi, clWindowText.
    TFont();
    TFont(const QString& name, int size, TFontStyles style = 0, TColor color = clWindowText);
    // A copy is exact (resolution included); assignment is Assign, so a font assigned to a printer
    // canvas's font keeps its point size. The change callback stays with its object.
    TFont(const TFont& other) = default;
    TFont& operator=(const TFont& other);

    // Copies every attribute; when the two resolutions differ the point size is kept (a screen
    // font assigned to a printer canvas prints at the same size).
    void Assign(const TFont& source);

    QString Name() const { return name_; }
    void SetName(const QString& name);
    int Height() const { return height_; }
    void SetHeight(int height);
    int Size() const { return HeightToPoints(height_, pixelsPerInch_); }
    void SetSize(int points);
    int PixelsPerInch() const { return pixelsPerInch_; }
    // Changes the resolution the height refers to; the height stays.
    void SetPixelsPerInch(int ppi);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    // Kept for the stored forms; text is Unicode, so the character set does not change drawing.
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return pitch_; }
    // Angle of the text line in tenths of a degree, counter-clockwise (900 reads upward).
    int Orientation() const { return orientation_; }
    void SetOrientation(int tenths);

    // The installed family that draws this face.
    QString ResolvedFamily() const;
    // The Qt font in device pixels (no rotation: the canvas turns the painter).
    QFont ToQFont() const;

    bool SameAs(const TFont& other) const;

private:
    QString name_;
    int height_;
    int pixelsPerInch_ = ScreenPixelsPerInch;
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    int orientation_ = 0;
};

} // namespace gfx

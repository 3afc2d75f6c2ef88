// Glyphs of the figures and the signs written between them (dates, times, numbers), placed without shaping.
#pragma once

#include <QGlyphRun>
#include <QRawFont>
#include <QString>

#include <array>
#include <memory>

class QFont;
class QPaintDevice;

namespace gfx {

// A journal page is mostly texts nobody drew before (record numbers, times, readings) in a few faces, and
// shaping each one took most of a page's repaint. Our faces (drawn without kerning) neither kern nor
// substitute figures, so a figure text can be set glyph after glyph; each face is checked for that once, by
// laying out every sequence of three of its figures together and seeing each come out with one glyph and one
// advance.
class FigureGlyphs {
public:
    // Lays out the check in `font` on `device`; a face that fails it draws its figures shaped.
    FigureGlyphs(const QFont& font, const QPaintDevice* device);
    // The check of `font` on devices like `device`, made once on this thread: a preview page or a printout
    // gets a canvas of its own each time, which would otherwise lay the check out again and again.
    static std::shared_ptr<const FigureGlyphs> For(const QFont& font, const QPaintDevice* device);

    bool Usable() const { return usable_; }
    // Whether every character of `text` is one of the figures or signs set here.
    static bool Covers(const QString& text);
    // The width the shaped text would take, rounded as the font's metrics round it; Usable() and Covers(text).
    int Width(const QString& text) const;
    // The glyphs of `text` placed from its origin on the baseline; Usable() and Covers(text).
    QGlyphRun Run(const QString& text) const;

private:
    static constexpr int kCount = 16;
    static int index(QChar c);

    bool usable_ = false;
    QRawFont font_;
    std::array<quint32, kCount> glyph_{};
    std::array<qreal, kCount> advance_{};
};

} // namespace gfx

#include "Font.h"
#include "FontNames.h"
#include <QFontMetricsF>
#include <QHash>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace gfx {

namespace {

// a * b / c rounded half away from zero, in 64 bits.
int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long p = (long long)a * b;
    const long long q = (std::llabs(p) * 2 + std::llabs(c)) / (std::llabs((long long)c) * 2);
    return int(((p < 0) != (c < 0)) ? -q : q);
}

QFont baseFont(const QString& family, TFontStyles style, TFontPitch pitch)
{
    QFont f(family);
    f.setBold(style & fsBold);
    f.setItalic(style & fsItalic);
    f.setUnderline(style & fsUnderline);
    f.setStrikeOut(style & fsStrikeOut);
    if (pitch == fpFixed)
        f.setFixedPitch(true);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// Em size in pixels for a cell height (ascent + descent), from the face's proportions.
int emForCellHeight(const QString& family, TFontStyles style, TFontPitch pitch, int cell)
{
    static std::mutex lock;
    static QHash<QString, double> ratios;
    const QString key = family + QChar(u'/') + QString::number(style & (fsBold | fsItalic));
    double ratio;
    {
        std::lock_guard guard(lock);
        auto it = ratios.constFind(key);
        if (it != ratios.constEnd()) {
            ratio = *it;
        } else {
            QFont probe = baseFont(family, style, pitch);
            probe.setPixelSize(1000);
            QFontMetricsF m(probe);
            const double h = m.ascent() + m.descent();
            ratio = h > 0 ? 1000.0 / h : 1.0;
            ratios.insert(key, ratio);
        }
    }
    return std::max(1, int(std::lround(cell * ratio)));
}

} // namespace

int PointsToHeight(int points, int pixelsPerInch)
{
    return -mulDiv(points, pixelsPerInch, 72);
}

int HeightToPoints(int height, int pixelsPerInch)
{
    return -mulDiv(height, 72, pixelsPerInch);
}

TFont::TFont() : name_(QStringLiteral("MS Sans Serif")), height_(PointsToHeight(8, ScreenPixelsPerInch)) {}

TFont::TFont(const QString& name, int size, TFontStyles style, TColor color)
    : name_(name), height_(PointsToHeight(size, ScreenPixelsPerInch)), style_(style), color_(color)
{
}

TFont& TFont::operator=(const TFont& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

void TFont::Assign(const TFont& source)
{
    name_ = source.name_;
    if (source.pixelsPerInch_ == pixelsPerInch_)
        height_ = source.height_;
    else
        height_ = PointsToHeight(source.Size(), pixelsPerInch_);
    style_ = source.style_;
    color_ = source.color_;
    charset_ = source.charset_;
    pitch_ = source.pitch_;
    orientation_ = source.orientation_;
    Changed();
}

void TFont::SetName(const QString& name)
{
    if (name.isEmpty() || name == name_)
        return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height)
{
    if (height == height_)
        return;
    height_ = height;
    Changed();
}

void TFont::SetSize(int points)
{
    SetHeight(PointsToHeight(points, pixelsPerInch_));
}

void TFont::SetPixelsPerInch(int ppi)
{
    if (ppi <= 0 || ppi == pixelsPerInch_)
        return;
    pixelsPerInch_ = ppi;
    Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    style &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
    if (style == style_)
        return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color)
{
    if (color == color_)
        return;
    color_ = color;
    Changed();
}

void TFont::SetCharset(TFontCharset charset)
{
    if (charset == charset_)
        return;
    charset_ = charset;
    Changed();
}

void TFont::SetOrientation(int tenths)
{
    if (tenths == orientation_)
        return;
    orientation_ = tenths;
    Changed();
}

QString TFont::ResolvedFamily() const
{
    return ResolveFontFamily(name_);
}

QFont TFont::ToQFont() const
{
    const QString family = ResolvedFamily();
    QFont f = baseFont(family, style_, pitch_);
    int em;
    if (height_ < 0)
        em = -height_;
    else if (height_ > 0)
        em = emForCellHeight(family, style_, pitch_, height_);
    else
        em = -PointsToHeight(8, pixelsPerInch_);
    f.setPixelSize(std::max(1, em));
    return f;
}

bool TFont::SameAs(const TFont& other) const
{
    return name_ == other.name_ && height_ == other.height_ && pixelsPerInch_ == other.pixelsPerInch_
        && style_ == other.style_ && color_ == other.color_ && charset_ == other.charset_
        && pitch_ == other.pitch_ && orientation_ == other.orientation_;
}

} // namespace gfx

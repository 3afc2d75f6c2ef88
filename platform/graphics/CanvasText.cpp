// TCanvas: text output and measuring.
#include "Canvas.h"
#include <QFontMetrics>
#include <QTextLayout>
#include <algorithm>

namespace gfx {

namespace {

void intersectClip(QPainter& p, const QRect& r)
{
    p.setClipRect(r, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

} // namespace

// ---- text --------------------------------------------------------------------------------

QFont TCanvas::currentQFont()
{
    if (faces_.empty() || qfontGeneration_ != font_.Generation() || qfontExtra_ != charExtra_) {
        const Face face{font_.Name(), font_.Height(), font_.PixelsPerInch(), font_.Style(), font_.Pitch(), charExtra_};
        face_ = 0;
        while (face_ < faces_.size() && !(faces_[face_].face == face))
            ++face_;
        if (face_ == faces_.size()) {
            if (faces_.size() >= 8)
                faces_.erase(faces_.begin());
            QFont f = font_.ToQFont();
            if (charExtra_ != 0)
                f.setLetterSpacing(QFont::AbsoluteSpacing, charExtra_);
            faces_.push_back({face, f, {}, {}, std::nullopt, nullptr});
            face_ = faces_.size() - 1;
        }
        qfontGeneration_ = font_.Generation();
        qfontExtra_ = charExtra_;
    }
    return faces_[face_].font;
}

// Widths and metrics depend on the device's resolution: a new device starts them afresh.
void TCanvas::forDevice(const QPaintDevice* device)
{
    if (device != advancesDevice_) {
        for (FaceFont& f : faces_) {
            f.advances.clear();
            f.glyphs.clear();
            f.metrics.reset();
            f.figures.reset();
        }
        advancesDevice_ = device;
    }
}

int TCanvas::textAdvance(const QFontMetrics& metrics, const QPaintDevice* device, const QString& text)
{
    forDevice(device);
    QHash<QString, int>& advances = faces_[face_].advances;
    if (const auto it = advances.constFind(text); it != advances.cend())
        return *it;
    if (const FigureGlyphs* figures = faceFigures(device, text))
        return figures->Width(text);
    if (advances.size() >= 4096)
        advances.clear();
    const int width = metrics.horizontalAdvance(text);
    advances.insert(text, width);
    return width;
}

namespace {

// Texts whose glyphs can be laid out once and drawn again: one line, left to right, no controls. Others are
// drawn by the painter's own layout each time.
bool plainRun(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u > 0x58F && !(u >= 0x2010 && u <= 0x2027 && u != 0x200E && u != 0x200F) && u != 0x2116))
            return false;
    }
    return true;
}

} // namespace

const QList<QGlyphRun>* TCanvas::faceGlyphs(const QPaintDevice* device, const QString& text)
{
    forDevice(device);
    FaceFont& face = faces_[face_];
    if (const auto it = face.glyphs.constFind(text); it != face.glyphs.cend())
        return &*it;
    const QFont& f = face.font;
    if (f.underline() || f.strikeOut() || f.overline() || !plainRun(text))
        return nullptr;
    if (face.glyphs.size() >= 4096)
        face.glyphs.clear();
    if (const FigureGlyphs* figures = faceFigures(device, text))
        return &*face.glyphs.insert(text, {figures->Run(text)});
    QTextLayout layout(text, f, device);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    QList<QGlyphRun> runs = layout.glyphRuns();
    // Positions from the baseline, as the painter is given it.
    const qreal ascent = line.ascent();
    for (QGlyphRun& run : runs) {
        QList<QPointF> at = run.positions();
        for (QPointF& point : at)
            point.ry() -= ascent;
        run.setPositions(at);
    }
    return &*face.glyphs.insert(text, std::move(runs));
}

const FigureGlyphs* TCanvas::faceFigures(const QPaintDevice* device, const QString& text)
{
    if (!FigureGlyphs::Covers(text))
        return nullptr;
    FaceFont& face = faces_[face_];
    if (!face.figures)
        face.figures = FigureGlyphs::For(face.font, device);
    return face.figures->Usable() ? face.figures.get() : nullptr;
}

const QFontMetrics& TCanvas::faceMetrics(const QPaintDevice* device)
{
    forDevice(device);
    FaceFont& face = faces_[face_];
    if (!face.metrics)
        face.metrics.emplace(face.font, device);
    return *face.metrics;
}

QFontMetrics TCanvas::surfaceMetrics()
{
    const QFont f = currentQFont();
    const QPaintDevice* d = surface();
    return d ? faceMetrics(d) : QFontMetrics(f);
}

void TCanvas::drawTextRun(int x, int y, const QString& text, const std::vector<int>* dx, bool opaqueBox, bool free,
                          const QRect* clip)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const QFont f = currentQFont();
    const QFontMetrics& fm = faceMetrics(p->device());
    int width = 0;
    if (dx) {
        for (qsizetype i = 0; i < text.size() && i < qsizetype(dx->size()); ++i)
            width += (*dx)[size_t(i)];
    } else {
        width = textAdvance(fm, p->device(), text);
    }
    const int ascent = fm.ascent();
    const int height = ascent + fm.descent();
    int ox = 0, oy = 0;
    const unsigned align = free ? textAlign_ : (TA_LEFT | TA_TOP);
    if ((align & TA_CENTER) == TA_CENTER)
        ox = -width / 2;
    else if (align & TA_RIGHT)
        ox = -width;
    if ((align & TA_BASELINE) == TA_BASELINE)
        oy = -ascent;
    else if (align & TA_BOTTOM)
        oy = -height;

    // Only turned text needs the painter's transform; a cell's text is drawn where it stands, without the
    // save and restore of the whole painter state that dominated a grid repaint.
    const bool turned = free && font_.Orientation() != 0;
    // A text well inside its clip (the usual cell) draws the same without it; a glyph may reach a pixel or two
    // past its advance, hence the margin.
    const QRect box(x + ox, y + oy, width, height);
    const bool clipped = clip && (turned || !clip->adjusted(2, 1, -2, 0).contains(box));
    if (clipped || turned)
        p->save();
    if (clipped)
        intersectClip(*p, *clip);
    if (turned) {
        p->translate(x, y);
        p->rotate(-font_.Orientation() / 10.0);
        x = y = 0;
    }
    if (opaqueBox && width > 0)
        p->fillRect(QRect(x + ox, y + oy, width, height), ToQColor(bkColor_));
    if (p->font() != f)
        p->setFont(f);
    p->setPen(ToQColor(font_.Color()));
    if (!dx) {
        const QPoint baseline(x + ox, y + oy + ascent);
        if (const QList<QGlyphRun>* runs = faceGlyphs(p->device(), text)) {
            // Shaping a text anew took most of a grid's repaint; its glyphs are kept with the face.
            for (const QGlyphRun& run : *runs)
                p->drawGlyphRun(baseline, run);
        } else {
            p->drawText(baseline, text);
        }
    } else {
        int cx = x + ox;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
            p->drawText(QPoint(cx, y + oy + ascent), text.mid(i, pair ? 2 : 1));
            cx += i < qsizetype(dx->size()) ? (*dx)[size_t(i)] : fm.horizontalAdvance(text.mid(i, pair ? 2 : 1));
            if (pair)
                ++i;
        }
    }
    if (clipped || turned)
        p->restore();
}

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* r, const QString& text, const std::vector<int>* dx)
{
    QPainter* p = Painter();
    if (!p)
        return;
    if (r && (options & ETO_OPAQUE) && !r->IsEmpty())
        p->fillRect(r->toQRect(), ToQColor(bkColor_));
    if (!text.isEmpty()) {
        const bool clipped = r && (options & ETO_CLIPPED);
        const QRect clip = clipped ? r->toQRect() : QRect();
        drawTextRun(x, y, text, dx, bkMode_ == OPAQUE && !(r && (options & ETO_OPAQUE)), true, clipped ? &clip : nullptr);
    }
    changed();
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    ExtTextOut(x, y, 0, nullptr, text);
    penPos_ = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text)
{
    const TColor savedBk = bkColor_;
    bkColor_ = brush_.Color();
    ExtTextOut(x, y, ETO_CLIPPED | (brush_.IsClear() ? 0 : ETO_OPAQUE), &r, text);
    bkColor_ = savedBk;
}

std::vector<int> TCanvas::CharacterPlacement(const QString& text, int width)
{
    const QFontMetrics fm = surfaceMetrics();
    std::vector<int> dx(size_t(text.size()), 0);
    int natural = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        dx[size_t(i)] = fm.horizontalAdvance(text[i]);
        natural += dx[size_t(i)];
    }
    const int n = int(text.size());
    if (n == 0)
        return dx;
    // Share the difference out so that the running error never exceeds one pixel.
    const int diff = width - natural;
    int given = 0;
    for (int i = 0; i < n; ++i) {
        const int due = int((long long)diff * (i + 1) / n);
        dx[size_t(i)] += due - given;
        given = due;
    }
    return dx;
}

int TCanvas::TextWidth(const QString& text)
{
    return TextExtent(text).cx;
}

int TCanvas::TextHeight(const QString& text)
{
    return TextExtent(text).cy;
}

TSize TCanvas::TextExtent(const QString& text)
{
    const QFontMetrics fm = surfaceMetrics();
    return {textAdvance(fm, surface(), text), fm.ascent() + fm.descent()};
}

TTextMetric TCanvas::GetTextMetrics()
{
    const QFontMetrics fm = surfaceMetrics();
    const QFont f = currentQFont();
    TTextMetric tm;
    tm.tmAscent = fm.ascent();
    tm.tmDescent = fm.descent();
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - f.pixelSize());
    tm.tmExternalLeading = std::max(0, fm.leading());
    tm.tmAveCharWidth = fm.averageCharWidth();
    tm.tmMaxCharWidth = fm.maxWidth();
    tm.tmWeight = (font_.Style() & fsBold) ? 700 : 400;
    tm.tmItalic = font_.Style() & fsItalic;
    return tm;
}

} // namespace gfx

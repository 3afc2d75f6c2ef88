// TCanvas: text output and measuring.
#include "Canvas.h"
#include <QFontMetrics>
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
            faces_.push_back({face, f, {}});
            face_ = faces_.size() - 1;
        }
        qfontGeneration_ = font_.Generation();
        qfontExtra_ = charExtra_;
    }
    return faces_[face_].font;
}

int TCanvas::textAdvance(const QFontMetrics& metrics, const QPaintDevice* device, const QString& text)
{
    if (device != advancesDevice_) {
        for (FaceFont& f : faces_)
            f.advances.clear();
        advancesDevice_ = device;
    }
    QHash<QString, int>& advances = faces_[face_].advances;
    if (const auto it = advances.constFind(text); it != advances.cend())
        return *it;
    if (advances.size() >= 4096)
        advances.clear();
    const int width = metrics.horizontalAdvance(text);
    advances.insert(text, width);
    return width;
}

void TCanvas::drawTextRun(int x, int y, const QString& text, const std::vector<int>* dx, bool opaqueBox, bool free)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const QFont f = currentQFont();
    const QFontMetrics fm(f, p->device());
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

    p->save();
    p->translate(x, y);
    if (free && font_.Orientation() != 0)
        p->rotate(-font_.Orientation() / 10.0);
    if (opaqueBox && width > 0)
        p->fillRect(QRect(ox, oy, width, height), ToQColor(bkColor_));
    p->setFont(f);
    p->setPen(ToQColor(font_.Color()));
    if (!dx) {
        p->drawText(QPoint(ox, oy + ascent), text);
    } else {
        int cx = ox;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
            p->drawText(QPoint(cx, oy + ascent), text.mid(i, pair ? 2 : 1));
            cx += i < qsizetype(dx->size()) ? (*dx)[size_t(i)] : fm.horizontalAdvance(text.mid(i, pair ? 2 : 1));
            if (pair)
                ++i;
        }
    }
    p->restore();
}

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* r, const QString& text, const std::vector<int>* dx)
{
    QPainter* p = Painter();
    if (!p)
        return;
    p->save();
    if (r && (options & ETO_OPAQUE) && !r->IsEmpty())
        p->fillRect(r->toQRect(), ToQColor(bkColor_));
    if (r && (options & ETO_CLIPPED))
        intersectClip(*p, r->toQRect());
    if (!text.isEmpty())
        drawTextRun(x, y, text, dx, bkMode_ == OPAQUE && !(r && (options & ETO_OPAQUE)));
    p->restore();
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
    const QFont f = currentQFont();
    QPaintDevice* d = surface();
    const QFontMetrics fm = d ? QFontMetrics(f, d) : QFontMetrics(f);
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
    const QFont f = currentQFont();
    QPaintDevice* d = surface();
    const QFontMetrics fm = d ? QFontMetrics(f, d) : QFontMetrics(f);
    return {textAdvance(fm, d, text), fm.ascent() + fm.descent()};
}

TTextMetric TCanvas::GetTextMetrics()
{
    const QFont f = currentQFont();
    QPaintDevice* d = surface();
    const QFontMetrics fm = d ? QFontMetrics(f, d) : QFontMetrics(f);
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

#include "FigureGlyphs.h"

#include <QCoreApplication>
#include <QPaintDevice>
#include <QThread>
#include <QTextLayout>

#include <vector>

namespace gfx {

namespace {

constexpr char16_t kFigures[] = u"0123456789 .,:-/";

// Appends to `out` the de Bruijn sequence of order 3 over k symbols (the classic recursion).
void deBruijn(int t, int p, int k, std::vector<int>& a, std::vector<int>& out)
{
    if (t > 3) {
        if (3 % p == 0)
            out.insert(out.end(), a.begin() + 1, a.begin() + p + 1);
        return;
    }
    a[size_t(t)] = a[size_t(t - p)];
    deBruijn(t + 1, p, k, a, out);
    for (int j = a[size_t(t - p)] + 1; j < k; ++j) {
        a[size_t(t)] = j;
        deBruijn(t + 1, t, k, a, out);
    }
}

// Every string of three figures exactly once; the first two repeated at the end bring in the wrapped ones.
QString everyTriple(int k)
{
    std::vector<int> a(4, 0), seq;
    deBruijn(1, 1, k, a, seq);
    seq.push_back(seq[0]);
    seq.push_back(seq[1]);
    QString out;
    out.reserve(qsizetype(seq.size()));
    for (const int i : seq)
        out += QChar(kFigures[i]);
    return out;
}

} // namespace

int FigureGlyphs::index(QChar c)
{
    static const std::array<signed char, 128> table = [] {
        std::array<signed char, 128> t;
        t.fill(-1);
        for (int i = 0; i < kCount; ++i)
            t[kFigures[i]] = static_cast<signed char>(i);
        return t;
    }();
    const char16_t u = c.unicode();
    return u < 128 ? table[u] : -1;
}

bool FigureGlyphs::Covers(const QString& text)
{
    for (const QChar c : text)
        if (index(c) < 0)
            return false;
    return !text.isEmpty();
}

FigureGlyphs::FigureGlyphs(const QFont& font, const QPaintDevice* device)
{
    static_assert(sizeof(kFigures) / sizeof(kFigures[0]) == kCount + 1);
    const QString check = everyTriple(kCount);
    QTextLayout layout(check, font, const_cast<QPaintDevice*>(device));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1)
        return;
    const QList<quint32> glyphs = runs[0].glyphIndexes();
    const QList<QPointF> at = runs[0].positions();
    if (glyphs.size() != check.size() || at.size() != check.size())
        return;
    std::array<bool, kCount> seen{};
    for (qsizetype i = 0; i + 1 < check.size(); ++i) {
        const int f = index(check[i]);
        const qreal advance = at[i + 1].x() - at[i].x();
        if (at[i].y() != at[0].y())
            return;
        if (!seen[size_t(f)]) {
            seen[size_t(f)] = true;
            glyph_[size_t(f)] = glyphs[i];
            advance_[size_t(f)] = advance;
        } else if (glyph_[size_t(f)] != glyphs[i] || advance_[size_t(f)] != advance) {
            return;
        }
    }
    font_ = runs[0].rawFont();
    usable_ = true;
}

namespace {

struct KeptCheck {
    QString font;
    int type, dpiX, dpiY;
    std::shared_ptr<const FigureGlyphs> figures;
};

std::vector<KeptCheck>& keptChecks()
{
    thread_local std::vector<KeptCheck> kept;
    return kept;
}

// The main thread's checks hold font engines, which must go while the application that made them still
// stands, not after it at the thread's end.
void dropMainThreadChecks()
{
    keptChecks().clear();
}

} // namespace

std::shared_ptr<const FigureGlyphs> FigureGlyphs::For(const QFont& font, const QPaintDevice* device)
{
    std::vector<KeptCheck>& kept = keptChecks();
    // What the layout depends on and the font's own key leaves out.
    const QString key = font.toString() + QString::asprintf("|%d|%d|%d|%g|%g", int(font.kerning()),
                                                            int(font.hintingPreference()), int(font.letterSpacingType()),
                                                            font.letterSpacing(), font.wordSpacing());
    const int type = device ? device->devType() : 0;
    const int dpiX = device ? device->logicalDpiX() : 0;
    const int dpiY = device ? device->logicalDpiY() : 0;
    for (const KeptCheck& k : kept)
        if (k.type == type && k.dpiX == dpiX && k.dpiY == dpiY && k.font == key)
            return k.figures;
    if (kept.empty() && QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        qAddPostRoutine(dropMainThreadChecks);
    if (kept.size() >= 64)
        kept.erase(kept.begin());
    kept.push_back({key, type, dpiX, dpiY, std::make_shared<const FigureGlyphs>(font, device)});
    return kept.back().figures;
}

int FigureGlyphs::Width(const QString& text) const
{
    qreal width = 0;
    for (const QChar c : text)
        width += advance_[size_t(index(c))];
    return qRound(width);
}

QGlyphRun FigureGlyphs::Run(const QString& text) const
{
    QList<quint32> glyphs(text.size());
    QList<QPointF> at(text.size());
    qreal x = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int f = index(text[i]);
        glyphs[i] = glyph_[size_t(f)];
        at[i] = QPointF(x, 0);
        x += advance_[size_t(f)];
    }
    QGlyphRun run;
    run.setRawFont(font_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(at);
    return run;
}

} // namespace gfx

// TCanvas::DrawText: the platform's text layout in a rectangle (alignment, word break, single line,
// end ellipsis, tabs, '&' prefixes, measuring).
#include "Canvas.h"
#include "TextFit.h"
#include <QFontMetrics>
#include <algorithm>

namespace gfx {

namespace {

const QString kEllipsis = QStringLiteral("...");

struct Line {
    QString text;
    int underline = -1; // index of the character marked by '&', -1 for none
};

// Removes the characters that match, keeping the marked index on its character.
template <typename Pred>
void removeChars(QString& s, int& mark, Pred pred)
{
    QString out;
    out.reserve(s.size());
    int newMark = -1;
    for (int i = 0; i < s.size(); ++i) {
        if (pred(s[i]))
            continue;
        if (i == mark)
            newMark = int(out.size());
        out += s[i];
    }
    s = out;
    mark = newMark;
}

// "&&" is one '&'; "&x" shows x underlined (the last such mark wins); a lone trailing '&' goes.
QString stripPrefixes(const QString& in, int& mark)
{
    QString out;
    mark = -1;
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] != u'&') {
            out += in[i];
            continue;
        }
        if (i + 1 >= in.size())
            break;
        ++i;
        if (in[i] != u'&')
            mark = int(out.size());
        out += in[i];
    }
    return out;
}

class Measure {
public:
    Measure(const QFontMetrics& fm, bool tabs) : fm_(fm), tabs_(tabs), tabWidth_(std::max(1, 8 * fm.averageCharWidth())) {}

    int width(const QString& s) const
    {
        if (!tabs_ || !s.contains(u'\t'))
            return fm_.horizontalAdvance(s);
        int x = 0;
        int start = 0;
        for (int i = 0; i <= s.size(); ++i) {
            if (i == s.size() || s[i] == u'\t') {
                x += fm_.horizontalAdvance(s.mid(start, i - start));
                if (i < s.size())
                    x = (x / tabWidth_ + 1) * tabWidth_;
                start = i + 1;
            }
        }
        return x;
    }

private:
    const QFontMetrics& fm_;
    bool tabs_;
    int tabWidth_;
};

// Greedy breaking at blanks; a word wider than the line stays whole unless breakWords.
void wrapParagraph(const QString& s, int markIn, int maxWidth, bool breakWords, const Measure& m, std::vector<Line>& lines)
{
    const int n = int(s.size());
    if (n == 0) {
        lines.push_back({QString(), -1});
        return;
    }
    int pos = 0;
    while (pos < n) {
        int lineEnd = pos;
        int i = pos;
        while (i < n) {
            int j = i;
            while (j < n && s[j] != u' ')
                ++j;
            const int w = m.width(s.mid(pos, j - pos));
            if (w <= maxWidth || lineEnd == pos) {
                if (w > maxWidth && lineEnd == pos && breakWords) {
                    int k = pos + 1;
                    while (k < j && m.width(s.mid(pos, k + 1 - pos)) <= maxWidth)
                        ++k;
                    lineEnd = k;
                    i = k;
                    break;
                }
                lineEnd = j;
                i = j;
                while (i < n && s[i] == u' ')
                    ++i;
                if (w > maxWidth)
                    break;
                continue;
            }
            break;
        }
        const int mark = markIn >= pos && markIn < lineEnd ? markIn - pos : -1;
        lines.push_back({s.mid(pos, lineEnd - pos), mark});
        if (i <= pos)
            i = pos + 1;
        pos = i;
    }
}

void ellipsize(Line& line, int maxWidth, const Measure& m)
{
    if (m.width(line.text) <= maxWidth)
        return;
    const int room = maxWidth - m.width(kEllipsis);
    const int n = LongestFitting(int(line.text.size()), [&](int k) { return m.width(line.text.left(k)) <= room; });
    line.text = line.text.left(n) + kEllipsis;
    if (line.underline >= n)
        line.underline = -1;
}

// Marks a line that is followed by text no longer shown: as much of it as fits, then "...".
void closeWithEllipsis(Line& line, int maxWidth, const Measure& m)
{
    const int n = LongestFitting(int(line.text.size()), [&](int k) { return m.width(line.text.left(k) + kEllipsis) <= maxWidth; });
    line.text = line.text.left(n) + kEllipsis;
    if (line.underline >= n)
        line.underline = -1;
}

} // namespace

int TCanvas::DrawText(const QString& text, TRect& r, unsigned flags)
{
    const QFontMetrics fm = surfaceMetrics();
    const int lineHeight = fm.ascent() + fm.descent() + ((flags & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
    const Measure measure(fm, flags & DT_EXPANDTABS);

    int mark = -1;
    QString s = (flags & DT_NOPREFIX) ? text : stripPrefixes(text, mark);
    if (!(flags & DT_EXPANDTABS))
        removeChars(s, mark, [](QChar c) { return c == u'\t'; });

    std::vector<Line> lines;
    const int maxWidth = r.Width();
    if (s.isEmpty()) {
        // nothing to lay out: no line
    } else if (flags & DT_SINGLELINE) {
        removeChars(s, mark, [](QChar c) { return c == u'\r' || c == u'\n'; });
        lines.push_back({s, mark});
    } else {
        int start = 0;
        for (int i = 0; i <= s.size(); ++i) {
            if (i < s.size() && s[i] != u'\r' && s[i] != u'\n')
                continue;
            const QString para = s.mid(start, i - start);
            const int paraMark = mark >= start && mark < i ? mark - start : -1;
            if (flags & DT_WORDBREAK)
                wrapParagraph(para, paraMark, maxWidth, flags & DT_EDITCONTROL, measure, lines);
            else
                lines.push_back({para, paraMark});
            if (i < s.size() && s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))
        for (Line& line : lines)
            ellipsize(line, maxWidth, measure);

    const int total = int(lines.size()) * lineHeight;
    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : lines)
            widest = std::max(widest, measure.width(line.text));
        r.Right = r.Left + widest;
        r.Bottom = r.Top + total;
        return total;
    }
    if (lines.empty())
        return 0;
    // As an edit control shows it: no partly visible last line; with an ellipsis flag the last
    // whole line says that text was left out.
    if ((flags & DT_EDITCONTROL) && !(flags & DT_SINGLELINE) && lineHeight > 0) {
        const size_t fit = size_t(std::max(0, r.Height() / lineHeight));
        if (lines.size() > fit) {
            lines.resize(fit);
            if (fit > 0 && (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)))
                closeWithEllipsis(lines.back(), maxWidth, measure);
            if (lines.empty())
                return 0;
        }
    }

    int y = r.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = r.Top + (r.Height() - lineHeight) / 2;
        else if (flags & DT_BOTTOM)
            y = r.Bottom - lineHeight;
    }
    const int firstY = y;
    QPainter* p = Painter();
    if (!p)
        return total;
    p->save();
    if (!(flags & DT_NOCLIP))
        p->setClipRect(r.toQRect(), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    for (const Line& line : lines) {
        // Lines below a clipped rectangle show nothing: a long memo in a small cell draws only what fits.
        if (!(flags & DT_NOCLIP) && y >= r.Bottom)
            break;
        const int w = measure.width(line.text);
        int x = r.Left;
        if (flags & DT_CENTER)
            x = r.Left + (r.Width() - w) / 2;
        else if (flags & DT_RIGHT)
            x = r.Right - w;
        if (bkMode_ == OPAQUE && w > 0)
            p->fillRect(QRect(x, y, w, lineHeight), ToQColor(bkColor_));
        if (line.text.contains(u'\t')) {
            int start = 0;
            for (int i = 0; i <= line.text.size(); ++i) {
                if (i < line.text.size() && line.text[i] != u'\t')
                    continue;
                const int segX = x + measure.width(line.text.left(start));
                drawTextRun(segX, y, line.text.mid(start, i - start), nullptr, false, false);
                start = i + 1;
            }
        } else if (!line.text.isEmpty()) {
            drawTextRun(x, y, line.text, nullptr, false, false);
        }
        if (line.underline >= 0) {
            const int ux = x + measure.width(line.text.left(line.underline));
            const int uw = fm.horizontalAdvance(line.text.mid(line.underline, 1));
            p->fillRect(QRect(ux, y + fm.ascent() + fm.underlinePos(), uw, std::max(1, fm.lineWidth())),
                        ToQColor(font_.Color()));
        }
        y += lineHeight;
    }
    p->restore();
    changed();
    if ((flags & DT_SINGLELINE) && (flags & (DT_VCENTER | DT_BOTTOM)))
        return firstY - r.Top + total;
    return total;
}

} // namespace gfx

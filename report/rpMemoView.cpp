#include "report/rpMemoView.h"

#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/CodePage.h"
#include "report/rpDataHelpers.h"
#include "report/rpReport.h"
#include "report/rpStream.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

// The 8 x 8 bitmap whose 96-dpi canvas every layout is measured on.
gfx::TCanvas& scratchCanvas()
{
    static gfx::TBitmap* bitmap = new gfx::TBitmap(8, 8);
    return bitmap->Canvas();
}

// Widths of texts in the layout font, as the scratch canvas measures them. Measuring (text shaping) is
// what building a report costs: a journal's rows repeat their texts, and each object is measured for its
// height and again when it is drawn.
class LayoutWidths {
public:
    // The canvas's font and character spacing are those of the texts measured next.
    void Select(const gfx::TCanvas& c)
    {
        const gfx::TFont& f = c.Font();
        Key key{f.Name(), f.Height(), int(f.Style()), int(f.Charset()), int(f.Pitch()), c.TextCharacterExtra()};
        if (current_ && key == key_)
            return;
        key_ = key;
        current_ = &tables_[key_.Text()];
    }
    int Of(gfx::TCanvas& c, const QString& text)
    {
        if (!current_)
            Select(c);
        if (const auto it = current_->constFind(text); it != current_->cend())
            return *it;
        if (current_->size() >= kMaxTexts)
            current_->clear();
        const int w = c.TextWidth(text);
        current_->insert(text, w);
        return w;
    }

private:
    struct Key {
        QString name;
        int height = 0, style = 0, charset = 0, pitch = 0, extra = 0;
        bool operator==(const Key& o) const
        {
            return height == o.height && style == o.style && charset == o.charset && pitch == o.pitch &&
                   extra == o.extra && name == o.name;
        }
        QString Text() const
        {
            return name + QStringLiteral("|%1|%2|%3|%4|%5").arg(height).arg(style).arg(charset).arg(pitch).arg(extra);
        }
    };
    static constexpr qsizetype kMaxTexts = 20000; // per font; a new table starts when one is full
    QHash<QString, QHash<QString, int>> tables_;
    QHash<QString, int>* current_ = nullptr;
    Key key_;
};

LayoutWidths& layoutWidths()
{
    static LayoutWidths* widths = new LayoutWidths;
    return *widths;
}

int layoutFontHeight(int points)
{
    return -rpRound(points * 96.0 / 72.0);
}

bool isRussianVowel(QChar c)
{
    return QString::fromUtf8("ЁАЕИОУЫЭЮЯ").contains(c);
}

bool isRussianLetter(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 0x0410 && u <= 0x042F) || u == 0x0401;
}

bool isSign(QChar c)
{
    return c == QChar(0x042A) || c == QChar(0x042C);
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.');
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Lines broken at CR LF, CR or LF; a break at the very end makes no empty last line. Runs for every
// object of every record, so it scans by hand.
QStringList splitText(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (!isLineBreak(text[i]))
            continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines.append(start == 0 ? text : text.mid(start));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

quint16 rpStyleToCode(gfx::TFontStyles style)
{
    return quint16(((style & gfx::fsItalic) ? 1 : 0) | ((style & gfx::fsBold) ? 2 : 0) | ((style & gfx::fsUnderline) ? 4 : 0));
}

gfx::TFontStyles rpCodeToStyle(quint16 code)
{
    return ((code & 1) ? unsigned(gfx::fsItalic) : 0u) | ((code & 2) ? unsigned(gfx::fsBold) : 0u) | ((code & 4) ? unsigned(gfx::fsUnderline) : 0u);
}

bool rpFindBracketed(const QString& text, int from, int& open, int& close)
{
    open = int(text.indexOf(QLatin1Char('['), from));
    if (open < 0)
        return false;
    int depth = 0;
    bool quoted = false;
    for (int i = open; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('['))
            ++depth;
        else if (c == QLatin1Char(']') && --depth == 0) {
            close = i;
            return true;
        }
    }
    return false;
}

TrpMemoView::TrpMemoView() : Font(QStringLiteral("Arial"), 10, 0, gfx::clBlack)
{
    Typ = gtMemo;
    BaseName = QStringLiteral("Memo");
    Flags = mfStretch | mfWordWrap;
    Font.SetCharset(gfx::TFontCharset(rpCharset));
}

void TrpMemoView::Assign(const TrpView& from)
{
    TrpView::Assign(from);
    if (auto* m = dynamic_cast<const TrpMemoView*>(&from)) {
        Font.Assign(m->Font);
        Adjust = m->Adjust;
        HighlightFontStyle = m->HighlightFontStyle;
        HighlightFontColor = m->HighlightFontColor;
        HighlightFillColor = m->HighlightFillColor;
        HighlightStr = m->HighlightStr;
        LineSpacing = m->LineSpacing;
    }
}

void TrpMemoView::GetBlob(TField* field)
{
    Memo1 = field && !field->IsNull() ? splitText(field->AsString()) : QStringList();
}

QString TrpMemoView::EncodeLayoutLine(const TrpLayoutLine& line)
{
    QString s = line.Text;
    if (line.ParagraphEnd)
        s += QChar(1);
    const int w = qBound(0, line.Width, 0xFFFF);
    s += QChar(rtl::charOf(rtl::CodePage::Cp1251, uchar(w >> 8)));
    s += QChar(rtl::charOf(rtl::CodePage::Cp1251, uchar(w & 0xFF)));
    return s;
}

TrpLayoutLine TrpMemoView::DecodeLayoutLine(const QString& text)
{
    TrpLayoutLine line;
    if (text.size() < 2) {
        line.Text = text == QString(QChar(1)) ? QString() : text;
        line.ParagraphEnd = text.contains(QChar(1));
        return line;
    }
    const int hi = rtl::byteOf(rtl::CodePage::Cp1251, text[text.size() - 2].unicode());
    const int lo = rtl::byteOf(rtl::CodePage::Cp1251, text[text.size() - 1].unicode());
    line.Width = (qMax(0, hi) << 8) | qMax(0, lo);
    line.Text = text.left(text.size() - 2);
    if (line.Text.endsWith(QChar(1))) {
        line.ParagraphEnd = true;
        line.Text.chop(1);
    }
    return line;
}

bool TrpMemoView::IsLaidOut(const QStringList& lines)
{
    // A split part may begin with a wrapped line that carries no byte 1: its last line always does.
    return !lines.isEmpty() && (lines.first().contains(QChar(1)) || lines.last().contains(QChar(1)));
}

QList<int> TrpMemoView::HyphenPositions(const QString& word)
{
    QList<int> out;
    const QString w = word.toUpper();
    if (w.size() < 5)
        return out;
    for (QChar c : w)
        if (!isRussianLetter(c))
            return out;
    for (int i = 2; i <= w.size() - 2; ++i) {
        const QChar c1 = w[i - 1], c2 = w[i];
        const QChar c3 = i + 1 < w.size() ? w[i + 1] : QChar();
        const bool v1 = isRussianVowel(c1), v2 = isRussianVowel(c2), v3 = !c3.isNull() && isRussianVowel(c3);
        if ((v1 && v2) || (v3 && ((!v1 && !v2 && !isSign(c2)) || (v1 && !v2))))
            out.append(i);
    }
    return out;
}

void TrpMemoView::breakLine(const QString& line, int width, bool widths, QList<TrpLayoutLine>& out)
{
    gfx::TCanvas& c = scratchCanvas();
    LayoutWidths& known = layoutWidths();
    auto measure = [&](const QString& text) { return known.Of(c, text); };
    auto put = [&](const QString& text, bool para) { out.append({text, para, widths ? measure(text) : 0}); };
    const bool hasBreaks = line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n'));
    if (line.size() < 2) {
        put(line, true);
        return;
    }
    if (!hasBreaks) {
        const int whole = measure(line);
        if (whole <= width) {
            out.append({line, true, whole});
            return;
        }
    }
    const int n = int(line.size());
    // The first character in [from, end) that is no blank and whose run from `start` is wider than the memo,
    // or end. A run grows wider with each character, so the first one is found by halving, not by measuring
    // every run in turn.
    auto firstOverflow = [&](int start, int from, int end) {
        auto over = [&](int i) { return measure(line.mid(start, i - start + 1)) > width; };
        int last = end - 1;
        while (last >= from && line[last] == QLatin1Char(' '))
            --last;
        if (last < from || !over(last))
            return end;
        int lo = from, hi = last;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (over(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        while (line[lo] == QLatin1Char(' '))
            ++lo;
        return lo;
    };
    int start = 0;
    int i = 0;
    int scanFrom = 0; // separators before this were seen before the last break and no longer count
    bool emitted = false;
    while (i < n) {
        int lineEnd = i;
        while (lineEnd < n && !isLineBreak(line[lineEnd]))
            ++lineEnd;
        const int over = firstOverflow(start, i, lineEnd);
        if (over == lineEnd) {
            if (lineEnd == n)
                break;
            put(line.mid(start, lineEnd - start), true);
            emitted = true;
            i = lineEnd;
            while (i < n && isLineBreak(line[i]))
                ++i;
            start = scanFrom = i;
            continue;
        }
        i = over;
        int lastBreak = -1;
        for (int k = i; k >= std::max(start, scanFrom); --k)
            if (isSeparator(line[k])) {
                lastBreak = k;
                break;
            }
        if (Flags & mfHyphenate) {
            const int wordStart = lastBreak >= start ? lastBreak + 1 : start;
            int wordEnd = wordStart;
            while (wordEnd < n && !isSeparator(line[wordEnd]) && !isLineBreak(line[wordEnd]))
                ++wordEnd;
            const QList<int> positions = HyphenPositions(line.mid(wordStart, wordEnd - wordStart));
            int best = -1;
            for (int p : positions) {
                const QString head = line.mid(start, wordStart + p - start) + QLatin1Char('-');
                if (measure(head) <= width)
                    best = p;
            }
            if (best > 0) {
                put(line.mid(start, wordStart + best - start) + QLatin1Char('-'), false);
                emitted = true;
                start = wordStart + best;
                i = scanFrom = start;
                continue;
            }
        }
        if (lastBreak >= start && lastBreak < i) {
            if (line[lastBreak] == QLatin1Char(' '))
                put(line.mid(start, lastBreak - start), false);
            else
                put(line.mid(start, lastBreak - start + 1), false);
            start = lastBreak + 1;
        } else if (i > start) {
            put(line.mid(start, i - start), false);
            start = i;
        } else {
            // One character wider than the memo: it stands alone, and ends the paragraph when it is
            // the last one (nothing follows to carry the mark).
            put(line.mid(start, 1), i + 1 == n);
            start = i + 1;
            ++i;
        }
        emitted = true;
        scanFrom = i;
    }
    if (start < n || !emitted)
        put(line.mid(start), true);
}

QList<TrpLayoutLine> TrpMemoView::layoutLines(bool widths)
{
    gfx::TCanvas& c = scratchCanvas();
    c.Font().Assign(Font);
    c.Font().SetPixelsPerInch(96);
    c.Font().SetHeight(layoutFontHeight(Font.Size()));
    c.Font().SetOrientation(0);
    c.SetTextCharacterExtra(CharSpacing);
    layoutWidths().Select(c);
    const bool turned = Adjust & adTurned;
    const int width = turned ? dy - 2 * GapY : dx - 2 * GapX;
    const int step = LineSpacing + std::abs(c.Font().Height());
    QList<TrpLayoutLine> lines;
    for (const QString& line : Memo1) {
        if (Flags & mfWordWrap)
            breakLine(line, width, widths, lines);
        else
            lines.append({line, true, widths ? layoutWidths().Of(c, line) : 0});
    }
    const int gap = turned ? GapX : GapY;
    textHeight_ = 2 * gap + int(lines.size()) * step;
    LineHeight = step;
    c.SetTextCharacterExtra(0);
    return lines;
}

QStringList TrpMemoView::WrapMemo()
{
    QStringList out;
    for (const TrpLayoutLine& l : layoutLines(true))
        out.append(EncodeLayoutLine(l));
    return out;
}

void TrpMemoView::ShowMemo()
{
    if (!Canvas)
        return;
    gfx::TCanvas& c = *Canvas;
    c.Font().Assign(Font);
    if (IsPrinting) {
        c.Font().SetPixelsPerInch(c.PixelsPerInch());
        c.Font().SetSize(Font.Size());
    } else {
        c.Font().SetPixelsPerInch(96);
        c.Font().SetHeight(-rpRound(Font.Size() * 96.0 / 72.0 * ScaleY));
    }
    const bool turned = Adjust & adTurned;
    c.Font().SetOrientation(turned ? 900 : 0);
    c.SetTextCharacterExtra(rpRound(CharSpacing * ScaleX));
    c.Brush().SetStyle(gfx::bsClear);
    gfx::TRect clip = DRect;
    clip.Left += 1;
    clip.Right -= 2;
    clip.Bottom -= 1;
    const int th = rpRound(textHeight_ * (turned ? ScaleX : ScaleY));
    int cx = x, cy = y;
    const int vertical = Adjust & (adMiddle | adBottom);
    if (!turned) {
        if (vertical == adMiddle)
            cy += (dy - th) / 2;
        else if (vertical == adBottom)
            cy += dy - th;
    } else {
        if (vertical == adMiddle)
            cx += (dx - th) / 2;
        else if (vertical == adBottom)
            cx += dx - th;
    }
    const int baseHeight = c.Font().Height();
    const int step = std::abs(baseHeight) + rpRound(LineSpacing * (turned ? ScaleX : ScaleY));
    DrawnLines = 0;
    int pos = turned ? cx + GapX : cy + GapY;
    const int align = Adjust & 3;
    for (int k = 0; k < Memo1.size(); ++k) {
        const TrpLayoutLine line = DecodeLayoutLine(Memo1[k]);
        if (!turned && ClipAtBottom && pos + step > clip.Bottom)
            break;
        c.Font().SetHeight(baseHeight);
        const int avail = turned ? dy - 2 * GapY : dx - 2 * GapX;
        int textWidth = c.TextWidth(line.Text);
        if (Exporting) {
            if (CurReport)
                CurReport->InternalOnExportText(turned ? pos : cx + GapX, turned ? cy + dy - GapY : pos, line.Text, this);
            ++DrawnLines;
            pos += step;
            continue;
        }
        std::vector<int> advances;
        int target = textWidth;
        int start = 0;
        if (align == adJustify) {
            // Spare pixels go to the blanks, the first ones taking the remainder; a paragraph's last line stays.
            const int spaces = int(line.Text.count(QLatin1Char(' ')));
            const int spare = avail - textWidth;
            if (!line.ParagraphEnd && spaces > 0 && spare > 0) {
                int given = 0;
                for (int i = 0; i < line.Text.size(); ++i) {
                    int adv = c.TextWidth(line.Text.left(i + 1)) - c.TextWidth(line.Text.left(i));
                    if (line.Text[i] == QLatin1Char(' ')) {
                        const int extra = spare / spaces + (given < spare % spaces ? 1 : 0);
                        ++given;
                        adv += extra;
                    }
                    advances.push_back(adv);
                }
                target = avail;
            }
            start = turned ? cy + dy - GapY : cx + GapX;
        } else {
            target = rpRound(line.Width * (turned ? ScaleY : ScaleX));
            while (textWidth > target && c.Font().Height() < -1) {
                c.Font().SetHeight(c.Font().Height() + 1);
                textWidth = c.TextWidth(line.Text);
            }
            if (textWidth != target && !line.Text.isEmpty()) {
                // Spread the characters over exactly the width the layout gave the line.
                int prev = 0;
                for (int i = 0; i < line.Text.size(); ++i) {
                    const int natural = c.TextWidth(line.Text.left(i + 1));
                    const int scaled = textWidth > 0 ? rpRound(double(natural) * target / textWidth) : 0;
                    advances.push_back(scaled - prev);
                    prev = scaled;
                }
            }
            if (!turned) {
                if (align == adRight)
                    start = cx + dx - 1 - GapX - target;
                else if (align == adCenter)
                    start = cx + GapX + (dx - 2 * GapX - target) / 2;
                else
                    start = cx + GapX;
            } else {
                if (align == adRight)
                    start = cy + GapY + target;
                else if (align == adCenter)
                    start = cy + dy - GapY - (dy - 2 * GapY - target) / 2;
                else
                    start = cy + dy - GapY;
            }
        }
        if (!DisableDrawing) {
            if (!turned)
                c.ExtTextOut(start, pos, gfx::ETO_CLIPPED, &clip, line.Text, advances.empty() ? nullptr : &advances);
            else
                c.ExtTextOut(pos, start, gfx::ETO_CLIPPED, &clip, line.Text, advances.empty() ? nullptr : &advances);
        }
        ++DrawnLines;
        pos += step;
    }
    c.Font().SetOrientation(0);
    c.SetTextCharacterExtra(0);
}

int TrpMemoView::CalcWidth(const QStringList& lines)
{
    gfx::TCanvas& c = scratchCanvas();
    c.Font().Assign(Font);
    c.Font().SetPixelsPerInch(96);
    c.Font().SetHeight(layoutFontHeight(Font.Size()));
    c.SetTextCharacterExtra(rpRound(CharSpacing * ScaleX));
    QString text = lines.join(QStringLiteral("\r\n"));
    gfx::TRect r(0, 0, dx, dy);
    c.DrawText(text, r, gfx::DT_CALCRECT);
    c.SetTextCharacterExtra(0);
    return r.Right + rpRound(2 * FrameWidth) + 2;
}

void TrpMemoView::ExpandVariables()
{
    Memo1.clear();
    for (const QString& source : Memo) {
        if (source.isEmpty()) {
            Memo1.append(QString());
            continue;
        }
        QString line = source;
        int from = 0, open = 0, close = 0;
        while (rpFindBracketed(line, from, open, close)) {
            QString text;
            if (CurReport)
                CurReport->InternalOnGetValue(line.mid(open + 1, close - open - 1), text);
            line.replace(open, close - open + 1, text);
            from = open + int(text.size());
        }
        Memo1.append(splitText(line));
    }
}

void TrpMemoView::applyHighlight()
{
    if (HighlightStr.isEmpty() || !rpParser)
        return;
    const QVariant v = rpParser->Calc(HighlightStr);
    bool isNumber = false;
    const double d = v.toDouble(&isNumber);
    if (isNumber && d == 0)
        return;
    Font.SetStyle(rpCodeToStyle(HighlightFontStyle));
    Font.SetColor(HighlightFontColor);
    FillColor = HighlightFillColor;
}

void TrpMemoView::Draw(gfx::TCanvas* canvas)
{
    BeginDraw(canvas);
    if ((Flags & mfAutoWidth) && !Memo.isEmpty() && DocMode == dmPrinting) {
        const int old = dx;
        dx = CalcWidth(Memo);
        if ((Adjust & 3) == adRight)
            x += old - dx;
    }
    ClipAtBottom = false;
    Memo1 = Memo;
    // Layout always happens at scale 1, so every zoom and the paper break lines alike.
    const double sx = ScaleX, sy = ScaleY;
    ScaleX = ScaleY = 1.0;
    CalcGaps();
    RestoreCoord();
    ScaleX = sx;
    ScaleY = sy;
    if (!Memo1.isEmpty()) {
        const bool laidOut = IsLaidOut(Memo1);
        if (Memo1.last() == QString(QChar(1)))
            Memo1.removeLast();
        if (!laidOut) {
            Memo1 = WrapMemo();
        } else {
            const QStringList kept = Memo1;
            Memo1.clear();
            WrapMemo(); // measures the line step
            Memo1 = kept;
            textHeight_ = 2 * ((Adjust & adTurned) ? GapX : GapY) + int(Memo1.size()) * LineHeight;
        }
    }
    CalcGaps();
    if (!Exporting) {
        ShowBackGround();
        ShowFrame();
    }
    if (!Memo1.isEmpty())
        ShowMemo();
    RestoreCoord();
}

int TrpMemoView::CalcHeight()
{
    DrawMode = drAfterCalcHeight;
    Canvas = &scratchCanvas();
    CurView = this;
    if (rpInterpretator)
        rpInterpretator->DoScript(Script);
    if (!Visible)
        return 0;
    Memo1 = Memo;
    if (CurReport)
        CurReport->InternalOnEnterRect(Memo1, this);
    if (Memo1 == Memo)
        ExpandVariables();
    const gfx::TFont savedFont = Font;
    const gfx::TColor savedFill = FillColor;
    applyHighlight();
    if ((Flags & mfAutoWidth) && !Memo1.isEmpty() && DocMode == dmPrinting)
        dx = CalcWidth(Memo1);
    CalcGaps();
    int height = 0;
    if (!Memo1.isEmpty()) {
        layoutLines(false);
        height = textHeight_;
    }
    RestoreCoord();
    Font = savedFont;
    FillColor = savedFill;
    return height;
}

void TrpMemoView::Print(QIODevice& stream)
{
    BeginDraw(&scratchCanvas());
    ClipAtBottom = true;
    if (DrawMode == drAll && rpInterpretator)
        rpInterpretator->DoScript(Script);
    if (DrawMode == drAll) {
        bool expand = true;
        const bool blobBound = DataSet && !Field.isEmpty() && rpIsBlob(DataSet->FindField(Field));
        if ((CurReport && CurReport->OnEnterRect) || blobBound) {
            Memo1 = Memo;
            if (CurReport)
                CurReport->InternalOnEnterRect(Memo1, this);
            expand = Memo1 == Memo;
        }
        if (expand)
            ExpandVariables();
    }
    if (Visible) {
        const gfx::TFont savedFont = Font;
        const gfx::TColor savedFill = FillColor;
        applyHighlight();
        QStringList full;
        if (DrawMode == drPart) {
            CalcGaps();
            if (!IsLaidOut(Memo1))
                Memo1 = WrapMemo();
            else {
                const QStringList kept = Memo1;
                Memo1.clear();
                WrapMemo();
                Memo1 = kept;
            }
            if (!Memo1.isEmpty() && Memo1.last() == QString(QChar(1)))
                Memo1.removeLast();
            textHeight_ = 2 * GapY + int(Memo1.size()) * LineHeight;
            full = Memo1;
            const bool saved = DisableDrawing;
            DisableDrawing = true;
            ShowMemo();
            DisableDrawing = saved;
            RestoreCoord();
            Memo1 = full.mid(0, DrawnLines);
            if (Memo1.isEmpty() || !Memo1.last().contains(QChar(1)))
                Memo1.append(QString(QChar(1)));
        }
        rpWriteByte(stream, Typ);
        if (Typ == gtAddIn)
            rpWriteString(stream, ClassName());
        SaveToStream(stream);
        if (DrawMode == drPart)
            Memo1 = full.mid(DrawnLines);
        Font = savedFont;
        FillColor = savedFill;
    }
    DrawMode = drAll;
}

void TrpMemoView::ExportData()
{
    TrpView::ExportData();
    Exporting = true;
    Draw(&scratchCanvas());
    Exporting = false;
}

void TrpMemoView::LoadFromStream(QIODevice& s)
{
    TrpView::LoadFromStream(s);
    Font.SetName(rpReadStringV(s));
    Font.SetSize(qBound(-rplimits::FontSize, rpReadInt(s), rplimits::FontSize));
    Font.SetStyle(rpCodeToStyle(rpReadWord(s)));
    Font.SetColor(rpReadInt(s));
    Adjust = rpReadInt(s);
    const quint16 charset = rpReadWord(s);
    Font.SetCharset(gfx::TFontCharset(rpVersion < 23 ? rpCharset : charset));
    if (StreamMode == smDesigning) {
        HighlightFontStyle = rpReadWord(s);
        HighlightFontColor = rpReadInt(s);
        HighlightFillColor = rpReadInt(s);
        HighlightStr = rpReadStringV(s);
    }
    if (rpVersion == 21)
        Flags |= mfWordWrap;
}

void TrpMemoView::SaveToStream(QIODevice& s)
{
    TrpView::SaveToStream(s);
    rpWriteString(s, Font.Name());
    rpWriteInt(s, Font.Size());
    rpWriteWord(s, rpStyleToCode(Font.Style()));
    rpWriteInt(s, Font.Color());
    rpWriteInt(s, Adjust);
    rpWriteWord(s, Font.Charset());
    if (StreamMode == smDesigning) {
        rpWriteWord(s, HighlightFontStyle);
        rpWriteInt(s, HighlightFontColor);
        rpWriteInt(s, HighlightFillColor);
        rpWriteString(s, HighlightStr);
    }
}

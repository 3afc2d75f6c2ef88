#include "grid/TextWriters.h"
#include "platform/graphics/TextFit.h"

using namespace gfx;

QString MakeEllipsisText(const QString& text, TCanvas& canvas, int maxWidth)
{
    // The longest of the first length - 2, length - 3, ... characters that fits with "..." after it (the
    // text's own length less one is never tried), or "..." alone.
    const int length = int(text.size());
    if (length == 0 || canvas.TextWidth(text) <= maxWidth)
        return text;
    const QString ellipsis = QStringLiteral("...");
    if (length < 2)
        return ellipsis;
    return text.left(LongestFitting(length - 2, [&](int n) { return canvas.TextWidth(text.left(n) + ellipsis) <= maxWidth; })) + ellipsis;
}

namespace {
int xFor(const TRect& r, int dx, int textWidth, TAlignment a)
{
    switch (a) {
    case taRightJustify: return r.Right - textWidth - 3;
    case taCenter: return r.Left + (r.Right - r.Left) / 2 - textWidth / 2;
    default: return r.Left + dx;
    }
}
unsigned alignFlag(TAlignment a) { return a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT; }
} // namespace

void WriteText(TCanvas& canvas, const TRect& rect, int dx, int dy, const QString& text, TAlignment alignment)
{
    const int w = canvas.TextWidth(text);
    canvas.TextRect(rect, xFor(rect, dx, w, alignment), rect.Top + dy, text);
}

void WriteTextEx(TCanvas& canvas, TRect rect, bool, int dx, int dy, const QString& text, TAlignment alignment,
                 TTextLayout layout, bool multiLine, bool endEllipsis, int leftMarg, int rightMarg, bool rightToLeft)
{
    if (!multiLine) {
        QString t = text;
        if (endEllipsis)
            t = MakeEllipsisText(t, canvas, rect.Width() - dx);
        const int w = canvas.TextWidth(t);
        canvas.TextRect(rect, xFor(rect, dx, w, alignment), rect.Top + dy, t);
        return;
    }
    // Wrapped text: fill the cell, then lay the text out inside the margins.
    canvas.FillRect(rect);
    unsigned flags = DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK | alignFlag(alignment);
    if (endEllipsis)
        flags |= DT_END_ELLIPSIS;
    if (rightToLeft)
        flags |= DT_RTLREADING;
    TRect work(rect.Left + dx + leftMarg, rect.Top + dy, rect.Right - dx - rightMarg, rect.Bottom - dy);
    if (dx > 0)
        work.Bottom += 1;
    if (layout != tlTop) {
        TRect calc = work;
        const int h = canvas.DrawText(text, calc, flags | DT_CALCRECT);
        if (layout == tlCenter)
            work.Top = work.Top + (work.Bottom - work.Top) / 2 - h / 2;
        else
            work.Top = work.Bottom - h;
    }
    const int saveMode = canvas.BkMode();
    canvas.SetBkMode(TRANSPARENT);
    canvas.DrawText(text, work, flags);
    canvas.SetBkMode(saveMode);
}

void WriteTextVerticalEx(TCanvas& canvas, const TRect& rect, bool, int dx, int dy, const QString& text,
                         TAlignment alignment, TTextLayout layout, bool endEllipsis, bool)
{
    canvas.FillRect(rect);
    const QString t = endEllipsis ? MakeEllipsisText(text, canvas, rect.Height() - dy) : text;
    const int along = canvas.TextWidth(t);
    const int across = canvas.TextHeight(t);
    const int savedOrientation = canvas.Font().Orientation();
    canvas.Font().SetOrientation(900);
    // The turned text spans x .. x + across and y - along .. y.
    int x = rect.Left + dx;
    if (alignment == taRightJustify)
        x = rect.Right - across - 3;
    else if (alignment == taCenter)
        x = rect.Left + (rect.Width() - across) / 2;
    int y = rect.Bottom - dy;
    if (layout == tlTop)
        y = rect.Top + dy + along;
    else if (layout == tlCenter)
        y = rect.Top + (rect.Height() + along) / 2;
    canvas.TextRect(rect, x, y, t);
    canvas.Font().SetOrientation(savedOrientation);
}

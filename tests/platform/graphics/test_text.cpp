// Text output and layout, checked against the font's own metrics (never against pixel literals).
#include "platform/graphics/Canvas.h"
#include "platform/graphics/FigureGlyphs.h"
#include "Inked.h"
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace gfx;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// A canvas on its own image with a known font and a clear brush.
struct Surface {
    QImage img;
    TCanvas canvas;
    explicit Surface(int w = 300, int h = 200, TFontStyles style = 0) : img(blank(w, h)), canvas(&img)
    {
        canvas.Font().SetName(QStringLiteral("Arial"));
        canvas.Font().SetSize(12);
        canvas.Font().SetStyle(style);
        canvas.Font().SetColor(clBlack);
        canvas.Brush().SetStyle(bsClear);
    }
    QFontMetrics metrics() { return QFontMetrics(canvas.Font().ToQFont(), &img); }
    const QImage& done()
    {
        canvas.Release();
        return img;
    }
};

} // namespace

TEST(Text, MetricsComeFromTheFont)
{
    Surface s;
    const QFontMetrics fm = s.metrics();
    const TTextMetric tm = s.canvas.GetTextMetrics();
    EXPECT_EQ(tm.tmAscent, fm.ascent());
    EXPECT_EQ(tm.tmDescent, fm.descent());
    EXPECT_EQ(tm.tmHeight, fm.ascent() + fm.descent());
    EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - -s.canvas.Font().Height());
    EXPECT_GE(tm.tmInternalLeading, 0);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_EQ(s.canvas.TextHeight(QStringLiteral("Жy")), tm.tmHeight);
    EXPECT_EQ(s.canvas.TextWidth(QStringLiteral("Журнал")), fm.horizontalAdvance(QStringLiteral("Журнал")));
    const TSize ext = s.canvas.TextExtent(QStringLiteral("abc"));
    EXPECT_EQ(ext.cx, s.canvas.TextWidth(QStringLiteral("abc")));
    EXPECT_EQ(ext.cy, tm.tmHeight);

    // Advances add up: a text is as wide as its characters, with no kerning or ligatures (layout
    // code measures prefixes and spreads characters on that basis).
    for (const QString text : {QStringLiteral("fi ffl AV To Wa"), QStringLiteral("Проверка, 0.123 мг/л")}) {
        int sum = 0;
        for (QChar ch : text)
            sum += s.canvas.TextWidth(QString(ch));
        EXPECT_EQ(s.canvas.TextWidth(text), sum) << text.toStdString();
    }

    // Character extra spacing widens every character.
    const int plain = s.canvas.TextWidth(QStringLiteral("abcd"));
    s.canvas.SetTextCharacterExtra(2);
    EXPECT_EQ(s.canvas.TextWidth(QStringLiteral("abcd")), plain + 8);
}

TEST(Text, TextOutIsAnchoredAtItsTop)
{
    Surface s;
    const QString text = QStringLiteral("HЖ");
    const int x = 20, y = 30;
    s.canvas.TextOut(x, y, text);
    EXPECT_EQ(s.canvas.PenPos(), TPoint(x + s.canvas.TextWidth(text), y));
    const QFontMetrics fm = s.metrics();
    const QRect ink = inked(s.done());
    // The capital's top lies cap-height above the baseline, which lies ascent below y.
    const QRect tight = fm.tightBoundingRect(QStringLiteral("H")).translated(x, y + fm.ascent());
    EXPECT_NEAR(ink.top(), tight.top(), 1);
    EXPECT_NEAR(ink.bottom(), y + fm.ascent() - 1, 1);
    EXPECT_GE(ink.left(), x);
    EXPECT_LE(ink.right(), x + fm.horizontalAdvance(text));
}

// Texts laid out once and drawn again from their kept glyphs must look exactly as the painter draws them,
// in every face, spacing and resolution, the second time as the first.
TEST(Text, KeptGlyphsDrawExactlyWhatThePainterDraws)
{
    struct Case {
        const char* name;
        int size;
        TFontStyles style;
        int extra;
        int dpi;
    };
    const Case cases[] = {{"Arial", 8, 0, 0, 96},          {"Arial", 12, fsBold, 0, 96},
                          {"Times New Roman", 10, fsItalic, 0, 96}, {"Courier New", 9, 0, 2, 96},
                          {"Arial", 8, 0, 0, 300},         {"Arial", 10, fsUnderline, 0, 96},
                          {"Tahoma", 8, 0, 0, 96},         {"MS Sans Serif", 8, fsBold, 0, 96}};
    const QString texts[] = {QStringLiteral("Иванов Пётр Сергеевич"), QStringLiteral("0.123 мг/л  12.05.2026 14:03"),
                             QStringLiteral("fi ffl AV To Wa, «№ 17» — ok…"), QStringLiteral("tab\there ١٢٣ עברית"),
                             QStringLiteral(" "), QStringLiteral("2005.01.10 03:00:00"), QStringLiteral("0,604"),
                             QStringLiteral("1249 11 1/2 -7 12:30 "), QStringLiteral("1")};
    for (const Case& c : cases) {
        QImage mine = blank(700, 300), theirs = blank(700, 300);
        for (QImage* img : {&mine, &theirs}) {
            img->setDotsPerMeterX(qRound(c.dpi / 0.0254));
            img->setDotsPerMeterY(qRound(c.dpi / 0.0254));
        }
        TCanvas canvas(&mine);
        canvas.Font().SetName(QString::fromLatin1(c.name));
        canvas.Font().SetSize(c.size);
        canvas.Font().SetStyle(c.style);
        canvas.Font().SetColor(clBlack);
        canvas.Brush().SetStyle(bsClear);
        canvas.SetTextCharacterExtra(c.extra);
        QFont font = canvas.Font().ToQFont();
        if (c.extra)
            font.setLetterSpacing(QFont::AbsoluteSpacing, c.extra);
        QPainter p(&theirs);
        p.setFont(font);
        p.setPen(Qt::black);
        const int ascent = QFontMetrics(font, &theirs).ascent();
        int y = 3;
        for (const QString& text : texts)
            for (const int x : {5, 350}) {
                canvas.TextOut(x, y, text);
                p.drawText(QPoint(x, y + ascent), text);
                y += 9;
            }
        p.end();
        // Figures are set glyph after glyph: their widths must be the shaped ones too.
        const QFontMetrics fm(font, &theirs);
        for (const QString& text : texts)
            EXPECT_EQ(canvas.TextWidth(text), fm.horizontalAdvance(text)) << c.name << " '" << text.toStdString() << "'";
        canvas.Release();
        EXPECT_EQ(mine, theirs) << c.name << " " << c.size << " " << c.dpi;
    }
}

// A face that kerns or substitutes its figures (this one kerns "11" when asked to) must keep shaping them.
TEST(Text, FiguresAreSetGlyphByGlyphOnlyWhereShapingWouldNotChangeThem)
{
    QImage img = blank(10, 10);
    for (const bool kerning : {false, true}) {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(11);
        font.setKerning(kerning);
        const FigureGlyphs figures(font, &img);
        EXPECT_EQ(figures.Usable(), !kerning) << kerning;
    }
    struct Cover {
        const char16_t* text;
        bool covered;
    };
    for (const Cover& c : {Cover{u"2005.01.10 03:00:00", true}, {u"-0,604 1/2", true}, {u"", false},
                           {u"12a", false}, {u"١٢", false}, {u"12\t3", false}})
        EXPECT_EQ(FigureGlyphs::Covers(QString::fromUtf16(c.text)), c.covered) << QString::fromUtf16(c.text).toStdString();
}

TEST(Text, OpaqueBackgroundFollowsTheBrush)
{
    Surface s;
    s.canvas.Brush().SetColor(clYellow);
    EXPECT_EQ(s.canvas.BkMode(), OPAQUE);
    const QString text = QStringLiteral("Abc");
    const int w = s.canvas.TextWidth(text), h = s.canvas.TextHeight(text);
    s.canvas.TextOut(10, 10, text);
    s.canvas.Brush().SetStyle(bsClear);
    EXPECT_EQ(s.canvas.BkMode(), TRANSPARENT);
    s.canvas.TextOut(10, 100, text);
    const QImage& img = s.done();
    const QRgb yellow = qRgb(255, 255, 0);
    EXPECT_EQ(img.pixel(10, 10), yellow);
    EXPECT_EQ(img.pixel(10 + w - 1, 10 + h - 1), yellow);
    EXPECT_EQ(img.pixel(10 + w, 10), kWhite);
    EXPECT_EQ(img.pixel(10, 10 + h), kWhite);
    EXPECT_EQ(inked(img, kWhite, QRect(0, 90, 300, 110)).isEmpty(), false);
    for (int yy = 90; yy < 200; ++yy)
        for (int xx = 0; xx < 300; ++xx)
            ASSERT_NE(img.pixel(xx, yy), yellow);
}

TEST(Text, TextRectFillsAndClipsToItsRectangle)
{
    Surface s;
    s.canvas.Brush().SetColor(clAqua);
    const TRect r = Rect(10, 10, 60, 40);
    s.canvas.TextRect(r, 12, 12, QStringLiteral("A text far wider than the rectangle"));
    const QImage& img = s.done();
    EXPECT_EQ(inked(img), r.toQRect());
    EXPECT_EQ(img.pixel(r.Right - 1, r.Bottom - 1), qRgb(0, 255, 255));

    // An empty text still fills the rectangle (a cell of a null field).
    Surface e;
    e.canvas.Brush().SetColor(clAqua);
    e.canvas.TextRect(r, 12, 12, QString());
    EXPECT_EQ(inked(e.done()), r.toQRect());
}

TEST(Text, RotatedTextReadsUpwardFromItsStart)
{
    Surface s;
    s.canvas.Font().SetOrientation(900);
    const QString text = QStringLiteral("Вертикаль");
    const int w = s.canvas.TextWidth(text), h = s.canvas.TextHeight(text);
    s.canvas.TextOut(50, 150, text);
    const QRect ink = inked(s.done());
    EXPECT_GT(ink.height(), ink.width());
    EXPECT_GE(ink.left(), 50);
    EXPECT_LE(ink.right(), 50 + h);
    EXPECT_LE(ink.bottom(), 150);
    EXPECT_GE(ink.top(), 150 - w - 1);
}

TEST(DrawText, CalculatedRectangleOfOneLine)
{
    Surface s;
    const QString text = QStringLiteral("Дата и время");
    TRect r = Rect(5, 7, 6, 8);
    const int h = s.canvas.DrawText(text, r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(h, s.canvas.TextHeight(text));
    EXPECT_EQ(r, Rect(5, 7, 5 + s.canvas.TextWidth(text), 7 + h));
    EXPECT_TRUE(inked(s.done()).isEmpty()) << "measuring draws nothing";
}

TEST(DrawText, AlignmentInTheRectangle)
{
    const QString text = QStringLiteral("Прибор");
    struct Case { unsigned flags; };
    for (unsigned flags : {DT_LEFT, DT_CENTER, DT_RIGHT, DT_CENTER | DT_VCENTER, DT_RIGHT | DT_BOTTOM}) {
        Surface s;
        const TRect box = Rect(20, 20, 220, 120);
        TRect r = box;
        const int w = s.canvas.TextWidth(text), lh = s.canvas.TextHeight(text);
        const int ret = s.canvas.DrawText(text, r, flags | DT_SINGLELINE | DT_NOPREFIX);
        const QRect ink = inked(s.done());
        int left = box.Left;
        if (flags & DT_CENTER)
            left = box.Left + (box.Width() - w) / 2;
        else if (flags & DT_RIGHT)
            left = box.Right - w;
        int top = box.Top;
        if (flags & DT_VCENTER)
            top = box.Top + (box.Height() - lh) / 2;
        else if (flags & DT_BOTTOM)
            top = box.Bottom - lh;
        EXPECT_GE(ink.left(), left - 1) << flags;
        EXPECT_LE(ink.right(), left + w) << flags;
        EXPECT_GE(ink.top(), top) << flags;
        EXPECT_LT(ink.bottom(), top + lh) << flags;
        EXPECT_EQ(ret, top - box.Top + lh) << flags;
    }
}

TEST(DrawText, WordBreakFitsTheWidthAndMatchesTheCalculatedRectangle)
{
    Surface s(400, 300);
    const QString text = QStringLiteral("Результат измерения выдыхаемого воздуха в миллиграммах на литр");
    const int width = s.canvas.TextWidth(QStringLiteral("измерения выдыхаемого"));
    TRect calc = Rect(10, 10, 10 + width, 11);
    const int h = s.canvas.DrawText(text, calc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    const int lh = s.canvas.TextHeight(text);
    EXPECT_EQ(h % lh, 0);
    EXPECT_GE(h / lh, 3);
    EXPECT_EQ(calc.Bottom - calc.Top, h);
    EXPECT_LE(calc.Width(), width);

    // Drawn without clipping into the calculated rectangle, the text stays inside it and uses every line.
    TRect r = calc;
    EXPECT_EQ(s.canvas.DrawText(text, r, DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP), h);
    const QRect ink = inked(s.done());
    EXPECT_TRUE(calc.toQRect().adjusted(-1, 0, 1, 0).contains(ink)) << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    EXPECT_GT(ink.bottom(), calc.Bottom - lh);
}

TEST(DrawText, LongWordOverflowsUnlessBrokenOrEllipsised)
{
    Surface s;
    const QString word = QStringLiteral("Превышениенормы");
    const int full = s.canvas.TextWidth(word);
    TRect r = Rect(0, 0, full / 2, 1);
    s.canvas.DrawText(word, r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(r.Width(), full) << "a word is not split";

    r = Rect(0, 0, full / 2, 1);
    const int lines = s.canvas.DrawText(word, r, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL) / s.canvas.TextHeight(word);
    EXPECT_GE(lines, 2);
    EXPECT_LE(r.Width(), full / 2);
}

TEST(DrawText, EditControlShowsOnlyWholeLinesAndMarksWhatIsLeftOut)
{
    const QString text = QStringLiteral("Иванов Иван Иванович водитель категории B стаж вождения десять лет");
    auto draw = [&](unsigned extra, QRect* inkOut, int* lhOut, TRect* boxOut) {
        Surface s(400, 300);
        const int lh = s.canvas.TextHeight(text);
        const int width = s.canvas.TextWidth(QStringLiteral("Иванов Иван"));
        const TRect box = Rect(10, 10, 10 + width, 10 + lh * 2 + lh / 2);
        TRect r = box;
        s.canvas.DrawText(text, r, DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP | extra);
        *inkOut = inked(s.done());
        *lhOut = lh;
        *boxOut = box;
    };
    QRect ink;
    int lh;
    TRect box;
    draw(0, &ink, &lh, &box);
    EXPECT_GT(ink.bottom(), box.Bottom) << "without the flag every line is drawn";
    draw(DT_EDITCONTROL | DT_END_ELLIPSIS, &ink, &lh, &box);
    EXPECT_LT(ink.bottom(), box.Top + 2 * lh);
    EXPECT_GT(ink.bottom(), box.Top + lh);
    EXPECT_LE(ink.right(), box.Right);

    // The second line ends in "...": its ink reaches past where the plain second line would end.
    Surface s(400, 300);
    TRect r = box;
    s.canvas.DrawText(text, r, DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS);
    const QRect second = inked(s.done(), kWhite, QRect(box.Left, box.Top + lh, box.Width(), lh));
    Surface plain(400, 300);
    TRect r2 = Rect(box.Left, box.Top, box.Right, box.Top + 2 * lh);
    plain.canvas.DrawText(text, r2, DT_WORDBREAK | DT_NOPREFIX);
    const QRect plainSecond = inked(plain.done(), kWhite, QRect(box.Left, box.Top + lh, box.Width(), lh));
    EXPECT_NE(second, plainSecond);
}

TEST(DrawText, EndEllipsisFitsTheRectangle)
{
    Surface s;
    const QString text = QStringLiteral("Иванов Иван Иванович, водитель");
    const int w = s.canvas.TextWidth(text) / 2;
    TRect calc = Rect(10, 10, 10 + w, 11);
    s.canvas.DrawText(text, calc, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    EXPECT_LE(calc.Width(), w);
    EXPECT_GT(calc.Width(), s.canvas.TextWidth(QStringLiteral("...")));
    TRect r = Rect(10, 10, 10 + w, 60);
    s.canvas.DrawText(text, r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_NOCLIP);
    const QRect ink = inked(s.done());
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.right(), 10 + w - 1);

    // Narrower than the ellipsis itself: still nothing beyond the rectangle (it is clipped).
    Surface t;
    TRect tiny = Rect(10, 10, 13, 60);
    t.canvas.DrawText(text, tiny, DT_SINGLELINE | DT_END_ELLIPSIS);
    const QRect tinyInk = inked(t.done());
    EXPECT_TRUE(tinyInk.isEmpty() || QRect(10, 10, 3, 50).contains(tinyInk));
}

// A long text in a small clipped rectangle: the lines below it draw nothing, the whole text's height is
// still what the call gives, and a single line cut with "..." is the longest prefix that fits.
TEST(DrawText, ALongTextInASmallRectangle)
{
    QString memo;
    while (memo.size() < 20000)
        memo += QStringLiteral("в присутствии понятых ");
    Surface s;
    const int lh = s.canvas.TextHeight(QStringLiteral("x"));
    TRect calc = Rect(10, 10, 150, 10);
    const int height = s.canvas.DrawText(memo, calc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    EXPECT_GT(height, 100 * lh);
    TRect r = Rect(10, 10, 150, 10 + 3 * lh);
    EXPECT_EQ(s.canvas.DrawText(memo, r, DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS), height);
    const QRect ink = inked(s.done());
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_TRUE(QRect(10, 10, 140, 3 * lh).contains(ink));

    for (int w : {40, 90, 140}) {
        Surface t;
        TRect one = Rect(0, 0, w, 0);
        t.canvas.DrawText(memo, one, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        const int room = w - t.canvas.TextWidth(QStringLiteral("..."));
        int n = 0;
        while (t.canvas.TextWidth(memo.left(n + 1)) <= room)
            ++n;
        EXPECT_EQ(one.Width(), t.canvas.TextWidth(memo.left(n) + "...")) << "at " << w;
    }
}

TEST(DrawText, PrefixesTabsLineBreaksAndEmptyText)
{
    Surface s;
    const int lh = s.canvas.TextHeight(QStringLiteral("x"));
    struct Case {
        QString text;
        unsigned flags;
        int width;
        int lines;
    };
    const int tab = 8 * s.canvas.GetTextMetrics().tmAveCharWidth;
    const Case cases[] = {
        {QStringLiteral("&Файл"), DT_SINGLELINE, s.canvas.TextWidth(QStringLiteral("Файл")), 1},
        {QStringLiteral("&Файл"), DT_SINGLELINE | DT_NOPREFIX, s.canvas.TextWidth(QStringLiteral("&Файл")), 1},
        {QStringLiteral("A&&B"), DT_SINGLELINE, s.canvas.TextWidth(QStringLiteral("A&B")), 1},
        {QStringLiteral("a\tb"), DT_SINGLELINE | DT_EXPANDTABS, tab + s.canvas.TextWidth(QStringLiteral("b")), 1},
        {QStringLiteral("first\r\nsecond line\nthird"), DT_NOPREFIX, s.canvas.TextWidth(QStringLiteral("second line")), 3},
        {QStringLiteral("first\r\nsecond"), DT_SINGLELINE, s.canvas.TextWidth(QStringLiteral("firstsecond")), 1},
        {QString(), DT_SINGLELINE, 0, 0},
    };
    for (const Case& k : cases) {
        TRect r = Rect(0, 0, 500, 0);
        const int h = s.canvas.DrawText(k.text, r, k.flags | DT_CALCRECT);
        EXPECT_EQ(r.Width(), k.width) << k.text.toStdString();
        EXPECT_EQ(h, k.lines * lh) << k.text.toStdString();
    }

    // The marked character is underlined in the font colour.
    Surface u;
    TRect r = Rect(0, 0, 200, 50);
    u.canvas.DrawText(QStringLiteral("&W"), r, DT_SINGLELINE);
    const QFontMetrics fm = u.metrics();
    const QRect ink = inked(u.done());
    EXPECT_GE(ink.bottom(), fm.ascent() + fm.underlinePos() - 1);
}

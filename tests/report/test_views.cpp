#include "reportfixture.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "report/rpBandView.h"
#include "report/rpFunctionLibrary.h"
#include "report/rpLineView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPictureView.h"
#include "report/rpReport.h"
#include "report/rpStream.h"
#include "report/rpSubReportView.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace rptest;

namespace {

constexpr QRgb kBack = 0xFF808080; // a grey page, so white and black both show

struct Surface {
    QImage image{400, 300, QImage::Format_RGB32};
    std::unique_ptr<gfx::TCanvas> canvas;
    Surface()
    {
        image.fill(kBack);
        canvas = std::make_unique<gfx::TCanvas>(&image);
    }
    const QImage& done()
    {
        canvas->Release();
        return image;
    }
};

// The box of pixels darker than the grey page.
QRect ink(const QImage& img, const QRect& within)
{
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (qGray(img.pixel(x, y)) < 100)
                box |= QRect(x, y, 1, 1);
    return box;
}

class Views : public ::testing::Test {
protected:
    Views()
    {
        CurReport = &report;
        DocMode = dmPrinting;
    }
    ~Views() override
    {
        DocMode = dmDesigning;
        CurReport = nullptr;
    }
    TrpReport report;
};

} // namespace

TEST_F(Views, UniqueNamesFillTheFirstGap)
{
    TrpPage* page = report.Pages->Add();
    for (int i = 0; i < 3; ++i) {
        auto* m = new TrpMemoView;
        m->CreateUniqueName();
        page->Objects.append(m);
    }
    EXPECT_EQ(page->Objects[2]->Name, QStringLiteral("Memo3"));
    page->Delete(1);
    TrpMemoView next;
    next.CreateUniqueName();
    EXPECT_EQ(next.Name, QStringLiteral("Memo2"));
    TrpBandView band;
    band.CreateUniqueName();
    EXPECT_EQ(band.Name, QStringLiteral("Band1"));
    band.SetBandType(200);
    EXPECT_EQ(band.GetBandType(), 200 & 127);
}

TEST_F(Views, GapsAtDoubleScale)
{
    TrpMemoView m;
    m.SetBounds(10, 20, 50, 30);
    m.FrameTyp = frAll;
    m.ScaleX = m.ScaleY = 2.0;
    m.CalcGaps();
    EXPECT_EQ(m.GapX, 3);
    EXPECT_EQ(m.GapY, 1);
    EXPECT_EQ(m.DRect.Left, 20); // round(0.5) is 0: not inset
    EXPECT_EQ(m.x, 20);
    EXPECT_EQ(m.dx, 100);
    EXPECT_EQ(m.DRect.Right, 120 - 1 + 1);
    m.RestoreCoord();
    EXPECT_EQ(m.x, 10);
    EXPECT_DOUBLE_EQ(m.FrameWidth, 1.0);
}

TEST_F(Views, BackgroundAndFrames)
{
    {
        // No fill: nothing under the text on paper, white in the designer.
        Surface s;
        TrpLineView probe; // a view that draws only background and frame
        TrpMemoView m;
        m.SetBounds(10, 10, 50, 40);
        m.BeginDraw(s.canvas.get());
        m.CalcGaps();
        m.ShowBackGround();
        m.RestoreCoord();
        EXPECT_EQ(s.done().pixel(30, 30), kBack);
        DocMode = dmDesigning;
        m.CalcGaps();
        m.ShowBackGround();
        m.RestoreCoord();
        EXPECT_EQ(s.done().pixel(30, 30), 0xFFFFFFFF);
        DocMode = dmPrinting;
    }
    {
        // All four lines, solid: one rectangle from (x, y) to the right and bottom edges inclusive.
        Surface s;
        TrpMemoView m;
        m.SetBounds(10, 10, 50, 40);
        m.FrameTyp = frAll;
        m.BeginDraw(s.canvas.get());
        m.CalcGaps();
        m.ShowFrame();
        m.RestoreCoord();
        const QImage& img = s.done();
        EXPECT_EQ(ink(img, QRect(0, 0, 100, 100)), QRect(10, 10, 51, 41));
        EXPECT_EQ(img.pixel(30, 30), kBack);
    }
    {
        // Dashed: the lines have gaps; only the left line set draws only the left line.
        Surface s;
        TrpMemoView m;
        m.SetBounds(10, 10, 100, 60);
        m.FrameTyp = frLeft | frTop;
        m.FrameStyle = 1;
        m.FillColor = gfx::clWhite;
        m.BeginDraw(s.canvas.get());
        m.CalcGaps();
        m.ShowFrame();
        m.RestoreCoord();
        const QImage& img = s.done();
        int dark = 0;
        for (int x = 10; x < 110; ++x)
            dark += qGray(img.pixel(x, 10)) < 100;
        EXPECT_GT(dark, 30);
        EXPECT_LT(dark, 100);
        EXPECT_EQ(ink(img, QRect(0, 0, 200, 200)).right(), 110 - 1 + 0); // nothing at the right edge
        EXPECT_EQ(ink(img, QRect(60, 20, 100, 100)), QRect());
    }
}

TEST_F(Views, ClipRegionsIncludeTheFrameOutside)
{
    TrpMemoView m;
    m.SetBounds(10, 10, 50, 40);
    m.FrameTyp = frAll;
    m.FrameWidth = 3;
    EXPECT_EQ(m.GetClipRgn(rtNormal).boundingRect(), gfx::Rect(8, 8, 62, 52).toQRect());
    EXPECT_EQ(m.GetClipRgn(rtExtended).boundingRect(), gfx::Rect(-2, -2, 72, 62).toQRect());
    m.FrameStyle = rpDoubleFrame;
    EXPECT_EQ(m.GetClipRgn(rtNormal).boundingRect(), gfx::Rect(6, 6, 65, 55).toQRect());
}

TEST_F(Views, LinePictureAndSubReport)
{
    Surface s;
    TrpLineView line;
    line.SetBounds(20, 20, 100, 100);
    line.Draw(s.canvas.get());
    EXPECT_EQ(line.FrameTyp, frLeft); // as wide as high: vertical
    EXPECT_EQ(ink(s.done(), QRect(0, 0, 200, 200)), QRect(20, 20, 1, 100));

    TrpPictureView pic;
    pic.SetBounds(0, 0, 100, 100);
    pic.CalcGaps();
    EXPECT_EQ(pic.TargetRect(200, 100), gfx::Rect(0, 0, 101, 50));
    pic.Flags |= pfCenter;
    EXPECT_EQ(pic.TargetRect(200, 100), gfx::Rect(0, 25, 101, 75));
    pic.Flags = pfCenter;
    EXPECT_EQ(pic.TargetRect(20, 10), gfx::Rect(40, 45, 60, 55));
    pic.RestoreCoord();

    // An empty picture prints its background and frame only.
    Surface p;
    TrpPictureView empty;
    empty.SetBounds(10, 10, 40, 40);
    empty.FillColor = gfx::clWhite;
    empty.FrameTyp = frAll;
    empty.Draw(p.canvas.get());
    const QImage& img = p.done();
    EXPECT_EQ(img.pixel(30, 30), 0xFFFFFFFF);
    EXPECT_EQ(ink(img, QRect(0, 0, 100, 100)), QRect(10, 10, 41, 41));

    // A bitmap stretched into the object.
    Surface b;
    TrpPictureView bmp;
    bmp.SetBounds(10, 10, 60, 40);
    bmp.Flags = pfStretch;
    bmp.Picture.LoadFromBytes(sampleBmp());
    bmp.Draw(b.canvas.get());
    EXPECT_EQ(QColor(b.done().pixel(15, 15)), QColor(Qt::red));

    Surface t;
    TrpSubReportView sub;
    sub.SetBounds(10, 10, 200, 30);
    sub.Draw(t.canvas.get());
    const QRect text = ink(t.done(), QRect(12, 12, 190, 25));
    EXPECT_FALSE(text.isEmpty());
    EXPECT_EQ(t.image.pixel(200, 35), 0xFFFFFFFF);
}

TEST_F(Views, HyphenationPositions)
{
    EXPECT_EQ(TrpMemoView::HyphenPositions(QString::fromUtf8("проверка")), (QList<int>{3, 6}));
    EXPECT_TRUE(TrpMemoView::HyphenPositions(QString::fromUtf8("дом")).isEmpty());
    EXPECT_TRUE(TrpMemoView::HyphenPositions(QStringLiteral("checking")).isEmpty());
    EXPECT_TRUE(TrpMemoView::HyphenPositions(QString::fromUtf8("провеrка")).isEmpty());
}

TEST_F(Views, CharacterWiderThanTheMemoEndsItsParagraph)
{
    // Each character stands alone; the last one still ends the paragraph, or a split part of the text
    // is not known as laid out and is wrapped again (and grows) on every page.
    TrpMemoView m;
    m.SetBounds(0, 0, 30, 200);
    m.Flags = mfWordWrap;
    m.Font.SetSize(72);
    m.Memo1 = {QStringLiteral("1 Wx"), QStringLiteral("W")};
    m.CalcGaps();
    const QStringList lines = m.WrapMemo();
    m.RestoreCoord();
    QStringList texts;
    for (const QString& l : lines) {
        const TrpLayoutLine d = TrpMemoView::DecodeLayoutLine(l);
        texts << d.Text + (d.ParagraphEnd ? QStringLiteral("|") : QString());
    }
    ASSERT_GE(texts.size(), 4);
    EXPECT_EQ(texts.mid(texts.size() - 3), (QStringList{"W", "x|", "W|"}));
    EXPECT_EQ(texts.filter("|").size(), 2);
    EXPECT_TRUE(TrpMemoView::IsLaidOut(lines.mid(1, lines.size() - 2))); // a part without the last paragraph
}

TEST_F(Views, WrappingBreaksAtBlanksAndOverflowAndHyphenatesRussianWords)
{
    TrpMemoView m;
    m.SetBounds(0, 0, 90, 200);
    m.Flags = mfWordWrap;
    m.Memo1 = {QStringLiteral("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), QStringLiteral("one two, three four")};
    m.CalcGaps();
    const QStringList lines = m.WrapMemo();
    m.RestoreCoord();
    ASSERT_GE(lines.size(), 4);
    QString joined;
    for (const QString& l : lines) {
        const TrpLayoutLine d = TrpMemoView::DecodeLayoutLine(l);
        EXPECT_LE(d.Width, 90 - 2 * m.GapX) << d.Text.toStdString();
        joined += d.Text + (d.ParagraphEnd ? QStringLiteral("|") : QString());
    }
    EXPECT_TRUE(joined.startsWith(QStringLiteral("aaaa")));
    EXPECT_TRUE(joined.contains(QStringLiteral("two,"))); // a comma stays on its line
    EXPECT_FALSE(joined.contains(QStringLiteral(" |")));

    m.Flags = mfWordWrap | mfHyphenate;
    m.dx = 95;
    m.Memo1 = {QString::fromUtf8("Проверка проверка проверка проверка")};
    m.CalcGaps();
    const QStringList hyph = m.WrapMemo();
    m.RestoreCoord();
    bool sawHyphen = false;
    for (const QString& l : hyph) {
        const TrpLayoutLine d = TrpMemoView::DecodeLayoutLine(l);
        if (d.Text.endsWith(QLatin1Char('-'))) {
            sawHyphen = true;
            EXPECT_TRUE(d.Text.endsWith(QString::fromUtf8("про-")) || d.Text.endsWith(QString::fromUtf8("провер-")))
                << d.Text.toStdString();
        }
    }
    EXPECT_TRUE(sawHyphen);
}

// Each line broken inside a word holds as much as fits: one more character would overflow it. And a text
// laid out in one font and then in a larger one breaks by the larger font's widths.
TEST_F(Views, WrappingFillsEachLineAsFarAsItFitsInTheMemosOwnFont)
{
    gfx::TBitmap bitmap(8, 8); // as the layout measures
    gfx::TCanvas& measure = bitmap.Canvas();
    for (const int size : {8, 16})
        for (const int width : {40, 57, 90, 133}) {
            TrpMemoView m;
            m.SetBounds(0, 0, width, 400);
            m.Flags = mfWordWrap;
            m.Font.SetSize(size);
            const QString text = QString::fromUtf8("ЖЖЖжжжWWWiiilllМММшшш0123456789") + QString(40, QLatin1Char('x'));
            m.Memo1 = {text};
            m.CalcGaps();
            const QStringList lines = m.WrapMemo();
            const int room = width - 2 * m.GapX;
            m.RestoreCoord();
            measure.Font().Assign(m.Font);
            measure.Font().SetPixelsPerInch(96);
            measure.Font().SetHeight(-qRound(size * 96.0 / 72.0));
            QString joined;
            for (const QString& l : lines) {
                const TrpLayoutLine d = TrpMemoView::DecodeLayoutLine(l);
                EXPECT_EQ(d.Width, measure.TextWidth(d.Text)) << size << " " << d.Text.toStdString();
                if (!d.ParagraphEnd && d.Text.size() > 1) {
                    EXPECT_LE(d.Width, room);
                    const QChar next = text.at(joined.size() + d.Text.size());
                    EXPECT_GT(measure.TextWidth(d.Text + next), room) << size << " " << width << " " << d.Text.toStdString();
                }
                joined += d.Text;
            }
            EXPECT_EQ(joined, text);
        }
}

TEST_F(Views, SameLineBreaksAtEveryZoom)
{
    TrpMemoView m;
    m.SetBounds(10, 10, 150, 100);
    m.Memo = {QString::fromUtf8("Съешь же ещё этих мягких французских булок, да выпей чаю")};
    Surface a;
    m.Draw(a.canvas.get());
    const QStringList at100 = m.Memo1;
    QImage big(800, 600, QImage::Format_RGB32);
    gfx::TCanvas bc(&big);
    m.ScaleX = m.ScaleY = 2.0;
    m.Draw(&bc);
    EXPECT_EQ(m.Memo1, at100);
    m.ScaleX = m.ScaleY = 0.5;
    m.Draw(a.canvas.get());
    EXPECT_EQ(m.Memo1, at100);
    EXPECT_GT(at100.size(), 1);
}

TEST_F(Views, AlignmentAndTurnedText)
{
    auto drawn = [](qint32 adjust, const QString& text) {
        Surface s;
        TrpMemoView m;
        m.SetBounds(20, 20, 300, 200);
        m.Adjust = adjust;
        m.Memo = {text};
        m.Draw(s.canvas.get());
        return ink(s.done(), QRect(0, 0, 400, 300));
    };
    const QString word = QStringLiteral("Wide text");
    const QRect left = drawn(adLeft, word);
    const QRect right = drawn(adRight, word);
    const QRect centre = drawn(adCenter, word);
    ASSERT_FALSE(left.isEmpty());
    EXPECT_NEAR(left.left(), 20 + 3, 2);
    EXPECT_NEAR(right.right(), 20 + 300 - 1 - 3, 3);
    EXPECT_NEAR((centre.left() + centre.right()) / 2.0, 20 + 150, 3);
    EXPECT_EQ(left.width(), right.width());
    const QRect bottom = drawn(adBottom, word);
    EXPECT_GT(bottom.top(), 150);
    const QRect middle = drawn(adMiddle, word);
    EXPECT_NEAR((middle.top() + middle.bottom()) / 2.0, 120, 8);
    const QRect turned = drawn(adTurned, word);
    EXPECT_GT(turned.height(), turned.width() * 2); // reads upward
    EXPECT_GT(turned.bottom(), 180);
}

TEST_F(Views, JustifiedParagraphKeepsItsLastLineLeft)
{
    Surface s;
    TrpMemoView m;
    m.SetBounds(10, 10, 200, 200);
    m.Adjust = adJustify;
    m.Memo = {QStringLiteral("aa bb cc dd ee ff gg hh ii jj kk ll mm nn oo pp qq rr ss tt uu vv ww xx")};
    m.Draw(s.canvas.get());
    ASSERT_GE(m.Memo1.size(), 2);
    const QImage& img = s.done();
    const int step = m.LineHeight;
    const int firstTop = 10 + m.GapY;
    const QRect first = ink(img, QRect(0, firstTop, 400, step - 2));
    const int lastTop = firstTop + step * int(m.Memo1.size() - 1);
    const QRect last = ink(img, QRect(0, lastTop, 400, step - 2));
    EXPECT_GE(first.right(), 10 + 200 - m.GapX - 3); // spread to the right edge
    EXPECT_LT(last.right(), 150);                   // the last line is not spread
    EXPECT_NEAR(last.left(), first.left(), 1);
}

TEST_F(Views, MemoSplitAcrossPagesPrintsEachLineOnce)
{
    TrpMemoView m;
    m.SetBounds(0, 0, 200, 60);
    QStringList text;
    for (int i = 1; i <= 10; ++i)
        text << QStringLiteral("Line %1").arg(i);
    m.Memo = text;
    m.Memo1 = text;
    m.CalcGaps();
    m.WrapMemo();
    m.RestoreCoord();
    const int step = m.LineHeight;
    m.dy = 2 * m.GapY + 4 * step + 2; // room for four lines
    m.DrawMode = drPart;
    m.Memo1 = text;
    QByteArray part1;
    {
        QBuffer b(&part1);
        b.open(QIODevice::WriteOnly);
        m.StreamMode = smPrinting;
        m.Print(b);
    }
    EXPECT_EQ(m.DrawMode, drAll);
    ASSERT_EQ(m.Memo1.size(), 6); // the remainder for the next page
    EXPECT_EQ(TrpMemoView::DecodeLayoutLine(m.Memo1.first()).Text, QStringLiteral("Line 5"));

    // The first part read back draws its four lines as they are, never wrapping the layout bytes again.
    QBuffer in(&part1);
    in.open(QIODevice::ReadOnly);
    ASSERT_EQ(rpReadByte(in), gtMemo);
    TrpMemoView back;
    back.StreamMode = smPrinting;
    back.LoadFromStream(in);
    Surface s;
    back.Draw(s.canvas.get());
    ASSERT_EQ(back.Memo1.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(TrpMemoView::DecodeLayoutLine(back.Memo1[i]).Text, QStringLiteral("Line %1").arg(i + 1));

    // A narrow memo whose part starts with a wrapped (non-paragraph) line is also taken as laid out.
    QStringList wrappedPart{TrpMemoView::EncodeLayoutLine({QStringLiteral("abc"), false, 300}),
                            TrpMemoView::EncodeLayoutLine({QStringLiteral("def"), false, 300}), QString(QChar(1))};
    EXPECT_TRUE(TrpMemoView::IsLaidOut(wrappedPart));
    EXPECT_FALSE(TrpMemoView::IsLaidOut({QStringLiteral("plain")}));
}

TEST_F(Views, HighlightAppliesOnlyWhenTheConditionHolds)
{
    ParserScope parser;
    TrpMemoView m;
    m.SetBounds(0, 0, 100, 20);
    m.Memo = {QStringLiteral("x")};
    m.HighlightStr = QStringLiteral("0");
    m.HighlightFontColor = gfx::clRed;
    m.HighlightFillColor = gfx::clYellow;
    auto record = [&m]() {
        QByteArray bytes;
        QBuffer b(&bytes);
        b.open(QIODevice::WriteOnly);
        m.StreamMode = smPrinting;
        m.Print(b);
        b.close();
        b.open(QIODevice::ReadOnly);
        rpReadByte(b);
        auto back = std::make_unique<TrpMemoView>();
        back->StreamMode = smPrinting;
        back->LoadFromStream(b);
        return back;
    };
    auto plain = record();
    EXPECT_EQ(plain->Font.Color(), gfx::clBlack);
    EXPECT_EQ(plain->FillColor, gfx::clNone);
    m.HighlightStr = QStringLiteral("1");
    auto lit = record();
    EXPECT_EQ(lit->Font.Color(), gfx::clRed);
    EXPECT_EQ(lit->Font.Style(), gfx::fsBold);
    EXPECT_EQ(lit->FillColor, gfx::clYellow);
    EXPECT_EQ(m.Font.Color(), gfx::clBlack); // the object's own font is put back
    EXPECT_EQ(m.FillColor, gfx::clNone);
}

TEST_F(Views, HeightAndWidthFollowTheText)
{
    ParserScope parser;
    TrpMemoView m;
    m.SetBounds(0, 0, 300, 10);
    m.Memo = {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    const int h = m.CalcHeight();
    EXPECT_EQ(m.DrawMode, drAfterCalcHeight);
    EXPECT_EQ(h, 2 * m.GapY + 3 * m.LineHeight);
    EXPECT_EQ(m.LineHeight, 2 + 13); // line spacing + the 10-point font's pixel height at 96 dpi
    EXPECT_EQ(m.RemainHeight(), 3 * m.LineHeight);
    m.Visible = false;
    EXPECT_EQ(m.CalcHeight(), 0);

    TrpMemoView w;
    w.SetBounds(0, 0, 50, 20);
    const int shortWidth = w.CalcWidth({QStringLiteral("ab")});
    const int longWidth = w.CalcWidth({QStringLiteral("ab"), QStringLiteral("abcdefghij")});
    EXPECT_GT(longWidth, shortWidth);
    // Auto width on paper keeps a right-aligned memo's right edge.
    w.Flags = mfAutoWidth;
    w.Adjust = adRight;
    w.Memo = {QStringLiteral("abcdefghijklmnopqrstuvwxyz")};
    QImage img(400, 100, QImage::Format_RGB32);
    gfx::TCanvas c(&img);
    w.SetBounds(200, 0, 50, 20);
    w.Draw(&c);
    EXPECT_GT(w.dx, 50);
    EXPECT_EQ(w.x + w.dx, 250);
}

TEST_F(Views, BandTitlesAndLineClipRegions)
{
    DocMode = dmDesigning;
    TrpPage* page = report.Pages->Add();
    CurPage = page;
    auto bandAt = [](bool titles) {
        ShowBandTitles = titles;
        Surface s;
        TrpBandView band;
        band.SetBandType(btPageHeader);
        band.SetBounds(50, 60, 10, 40);
        band.Draw(s.canvas.get());
        EXPECT_EQ(band.x, 0);   // a band spans the page
        EXPECT_EQ(band.dx, 752);
        return s.done().copy();
    };
    const QImage with = bandAt(true);
    const QImage without = bandAt(false);
    ShowBandTitles = true;
    const QColor face = gfx::ToQColor(gfx::clBtnFace);
    EXPECT_EQ(QColor(with.pixel(50, 45)), face);     // the tab above the band
    EXPECT_EQ(without.pixel(50, 45), kBack);
    EXPECT_FALSE(ink(with, QRect(2, 43, 96, 16)).isEmpty()); // its name
    // The checkerboard inside.
    EXPECT_NE(with.pixel(200, 80), with.pixel(201, 80));

    TrpBandView band;
    band.SetBounds(0, 60, 100, 40);
    EXPECT_EQ(band.GetClipRgn(rtNormal).boundingRect(), QRect(0, 42, 101, 59));
    ShowBandTitles = false;
    EXPECT_EQ(band.GetClipRgn(rtNormal).boundingRect(), QRect(0, 60, 101, 41));
    ShowBandTitles = true;

    TrpLineView line;
    line.SetBounds(10, 10, 100, 0);
    line.FrameWidth = 4;
    EXPECT_EQ(line.GetClipRgn(rtNormal).boundingRect(), gfx::Rect(10, 8, 111, 13).toQRect());
    CurPage = nullptr;
}

TEST(Registries, ThirtyTwoEntriesAtMost)
{
    int made = 0;
    while (rpTools().size() < rpRegistryCapacity)
        rpRegisterTool({QStringLiteral("tool %1").arg(++made), QImage(), nullptr});
    EXPECT_THROW(rpRegisterTool({QStringLiteral("one too many"), QImage(), nullptr}), ErpError);
    EXPECT_EQ(rpTools().size(), rpRegistryCapacity);
    ASSERT_GE(rpFunctions().size(), 1); // the standard library is there from the start
    EXPECT_EQ(rpFunctions().first()->List().first(), QStringLiteral("AVG"));
}

// Shapes and lines on an image surface, checked pixel by pixel against the platform's rules.
#include "platform/graphics/Canvas.h"
#include "Inked.h"
#include "platform/graphics/CheckBox.h"
#include "platform/graphics/Edge.h"
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace gfx;

namespace {

QImage blank(int w = 40, int h = 30, QColor c = Qt::white)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

TColor at(const QImage& img, int x, int y)
{
    return FromQColor(QColor::fromRgb(img.pixel(x, y)));
}

} // namespace

TEST(Canvas, FillRectAndRectangleLeaveOutRightAndBottomEdges)
{
    QImage img = blank();
    {
        TCanvas c(&img);
        c.Brush().SetColor(clRed);
        c.FillRect(Rect(2, 3, 10, 8));
    }
    EXPECT_EQ(inked(img, qRgb(255, 255, 255)), QRect(QPoint(2, 3), QPoint(9, 7)));

    img = blank();
    {
        TCanvas c(&img);
        c.Brush().SetColor(clYellow);
        c.Pen().SetColor(clNavy);
        c.Rectangle(5, 5, 15, 12);
    }
    EXPECT_EQ(inked(img, qRgb(255, 255, 255)), QRect(QPoint(5, 5), QPoint(14, 11)));
    EXPECT_EQ(at(img, 5, 5), clNavy);
    EXPECT_EQ(at(img, 14, 11), clNavy);
    EXPECT_EQ(at(img, 6, 6), clYellow);
    EXPECT_EQ(at(img, 13, 10), clYellow);

    // Without a pen the filled area loses one more column and row.
    img = blank();
    {
        TCanvas c(&img);
        c.Brush().SetColor(clGreen);
        c.Pen().SetStyle(psClear);
        c.Rectangle(Rect(5, 5, 15, 12));
    }
    EXPECT_EQ(inked(img, qRgb(255, 255, 255)), QRect(QPoint(5, 5), QPoint(13, 10)));
}

TEST(Canvas, LineToLeavesOutItsEndPoint)
{
    struct Case { TPoint from, to; };
    const Case cases[] = {{{2, 2}, {12, 2}}, {{3, 20}, {3, 4}}, {{2, 2}, {12, 9}}, {{30, 25}, {10, 5}}};
    for (const Case& k : cases) {
        QImage img = blank();
        {
            TCanvas c(&img);
            c.MoveTo(k.from.X, k.from.Y);
            c.LineTo(k.to.X, k.to.Y);
            EXPECT_EQ(c.PenPos(), k.to);
        }
        EXPECT_EQ(at(img, k.from.X, k.from.Y), clBlack);
        EXPECT_EQ(at(img, k.to.X, k.to.Y), clWhite) << k.to.X << "," << k.to.Y;
        const int steps = std::max(std::abs(k.to.X - k.from.X), std::abs(k.to.Y - k.from.Y));
        int count = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                count += at(img, x, y) == clBlack;
        EXPECT_EQ(count, steps);
    }
}

// A focus rectangle inverts every other pixel of its border, those whose x + y is even in the canvas's
// coordinates, whatever the rectangle's size and place and wherever the painter's origin lies (a grid's
// cells are painted through a moved origin).
TEST(Canvas, FocusRectangleDotsFollowTheCanvasCoordinates)
{
    const TRect rects[] = {Rect(3, 4, 30, 20), Rect(4, 4, 31, 21), Rect(5, 6, 6, 7), Rect(5, 6, 7, 8), Rect(2, 9, 33, 10), Rect(7, 1, 8, 25)};
    for (const QPoint origin : {QPoint(0, 0), QPoint(3, 0), QPoint(2, 5)})
        for (const TRect& r : rects) {
            SCOPED_TRACE(testing::Message() << "origin " << origin.x() << "," << origin.y() << " rect " << r.Left << "," << r.Top << ","
                                            << r.Right << "," << r.Bottom);
            QImage img = blank(50, 40);
            {
                QPainter painter(&img);
                painter.translate(origin);
                TCanvas c(&painter);
                c.DrawFocusRect(r);
            }
            for (int y = 0; y < 40 - origin.y(); ++y)
                for (int x = 0; x < 50 - origin.x(); ++x) {
                    const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
                    const bool border = inside && (x == r.Left || x == r.Right - 1 || y == r.Top || y == r.Bottom - 1);
                    ASSERT_EQ(at(img, x + origin.x(), y + origin.y()), border && ((x + y) & 1) == 0 ? clBlack : clWhite) << x << "," << y;
                }
        }
}

TEST(Canvas, XorDrawnTwiceRestoresThePixels)
{
    QImage img = blank(60, 40);
    {
        TCanvas c(&img);
        c.Brush().SetColor(clTeal);
        c.FillRect(Rect(0, 0, 30, 40));
        c.Font().SetColor(clBlack);
        c.TextOut(4, 4, QStringLiteral("Жж"));
    }
    const QImage before = img.copy();
    TCanvas c(&img);
    c.Pen().SetMode(pmXor);
    c.Pen().SetColor(clSilver);
    c.Brush().SetStyle(bsClear);
    c.Pen().SetStyle(psDot);
    c.Rectangle(3, 3, 50, 30);
    c.MoveTo(0, 39);
    c.LineTo(59, 0);
    c.DrawFocusRect(Rect(10, 10, 41, 25));
    c.Release();
    EXPECT_NE(img, before);
    c.Rectangle(3, 3, 50, 30);
    c.MoveTo(0, 39);
    c.LineTo(59, 0);
    c.DrawFocusRect(Rect(10, 10, 41, 25));
    c.Release();
    EXPECT_EQ(img, before);

    // pmNot inverts whatever lies under the pen.
    c.Pen().SetMode(pmNot);
    c.Pen().SetStyle(psSolid);
    c.MoveTo(35, 5);
    c.LineTo(36, 5);
    c.Release();
    EXPECT_EQ(at(img, 35, 5), clBlack);
}

TEST(Canvas, DottedPenUsesThePlatformRunLengthsAndOpaqueGaps)
{
    QImage img = blank(40, 5);
    {
        TCanvas c(&img);
        c.Brush().SetColor(clYellow); // solid brush: gaps in the background colour
        c.Pen().SetStyle(psDot);
        c.MoveTo(0, 2);
        c.LineTo(12, 2);
    }
    const TColor expected[] = {clBlack, clBlack, clBlack, clYellow, clYellow, clYellow,
                               clBlack, clBlack, clBlack, clYellow, clYellow, clYellow, clWhite};
    for (int x = 0; x < 13; ++x)
        EXPECT_EQ(at(img, x, 2), expected[x]) << x;
}

TEST(Canvas, EdgesUseTheSystemColours)
{
    QImage img = blank(30, 30);
    TCanvas c(&img);
    TRect r = Rect(2, 2, 22, 12);
    EXPECT_TRUE(DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST));
    EXPECT_EQ(r, Rect(4, 4, 20, 10));
    TRect raised = Rect(2, 15, 22, 25);
    DrawEdge(c, raised, BDR_RAISEDINNER, BF_RECT);
    c.Release();
    struct Probe { int x, y; TColor colour; };
    const Probe probes[] = {
        {2, 2, ColorToRGB(clBtnShadow)},   {10, 2, ColorToRGB(clBtnShadow)},  {2, 8, ColorToRGB(clBtnShadow)},
        {21, 8, ColorToRGB(clBtnHighlight)}, {10, 11, ColorToRGB(clBtnHighlight)},
        {21, 2, ColorToRGB(clBtnHighlight)}, // the top-right corner belongs to the dark side
        {3, 3, ColorToRGB(cl3DDkShadow)},  {20, 5, ColorToRGB(cl3DLight)},  {10, 10, ColorToRGB(cl3DLight)},
        {10, 6, clWhite},
        {2, 15, ColorToRGB(clBtnHighlight)}, {21, 20, ColorToRGB(clBtnShadow)}, {10, 24, ColorToRGB(clBtnShadow)},
        {10, 20, clWhite},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(at(img, p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST(Canvas, CheckBoxStates)
{
    auto paint = [](TCheckBoxState state, bool flat) {
        QImage img = blank(21, 21, QColor(0, 128, 0));
        TCanvas c(&img);
        PaintCheckBox(c, Rect(0, 0, 21, 21), state, flat);
        c.Release();
        return img;
    };
    const QImage unchecked = paint(cbUnchecked, false);
    const QImage checked = paint(cbChecked, false);
    const QImage grayed = paint(cbGrayed, false);
    const QImage flat = paint(cbChecked, true);
    // Centred 13 x 13 box with the sunken edge.
    EXPECT_EQ(inked(unchecked, qRgb(0, 128, 0)), QRect(4, 4, 13, 13));
    EXPECT_EQ(at(unchecked, 4, 4), ColorToRGB(clBtnShadow));
    int ink = 0, grey = 0;
    for (int y = 6; y < 15; ++y)
        for (int x = 6; x < 15; ++x) {
            EXPECT_EQ(at(unchecked, x, y), ColorToRGB(clWindow));
            ink += at(checked, x, y) == ColorToRGB(clWindowText);
            grey += at(grayed, x, y) == ColorToRGB(clBtnShadow);
        }
    EXPECT_EQ(ink, 21);
    EXPECT_EQ(grey, 21);
    EXPECT_EQ(at(grayed, 7, 7), ColorToRGB(clBtnFace));
    EXPECT_EQ(at(flat, 4, 4), ColorToRGB(clBtnShadow));
    EXPECT_EQ(at(flat, 16, 16), ColorToRGB(clBtnShadow));
    EXPECT_EQ(at(flat, 5, 5), ColorToRGB(clWindow));
}

TEST(Canvas, BrushesPatternsAndHatches)
{
    // The band checkerboard: an 8 x 8 pattern of white and silver repeats from the surface origin.
    QImage pattern(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixel(x, y, ((x + y) & 1) ? qRgb(192, 192, 192) : qRgb(255, 255, 255));
    QImage img = blank(40, 40, Qt::black);
    TCanvas c(&img);
    c.Brush().SetBitmap(pattern);
    c.FillRect(Rect(3, 3, 20, 20));
    c.Brush().SetBitmap(QImage());
    c.Brush().SetColor(clRed);
    c.Brush().SetStyle(bsHorizontal);
    EXPECT_EQ(c.BkMode(), TRANSPARENT) << "hatches leave their gaps alone";
    c.FillRect(Rect(20, 20, 40, 40));
    c.Brush().SetStyle(bsClear);
    c.FillRect(Rect(0, 0, 40, 3)); // a clear brush fills nothing
    c.Release();
    EXPECT_EQ(at(img, 4, 4), clWhite);
    EXPECT_EQ(at(img, 5, 4), clSilver);
    EXPECT_EQ(at(img, 19, 19), clWhite);
    EXPECT_EQ(at(img, 20, 19), clBlack);
    int red = 0, black = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 40; ++x)
            (at(img, x, y) == clRed ? red : black) += 1;
    EXPECT_GT(red, 0);
    EXPECT_GT(black, red);
    EXPECT_EQ(at(img, 10, 1), clBlack);
}

TEST(Canvas, WidePensInsideFrameAndSquareDots)
{
    QImage img = blank(60, 40);
    TCanvas c(&img);
    c.Pen().SetWidth(5);
    c.Pen().SetMode(pmXor);
    c.Pen().SetColor(clWhite);
    c.MoveTo(10, 10);
    c.LineTo(10, 10);
    c.Release();
    // A 5 x 5 square centred on the point, inverted.
    EXPECT_EQ(inked(img, qRgb(255, 255, 255)), QRect(8, 8, 5, 5));
    EXPECT_EQ(at(img, 10, 10), clBlack);
    c.LineTo(10, 10);
    c.Release();
    EXPECT_TRUE(inked(img, qRgb(255, 255, 255)).isNull());

    // An inside-frame pen keeps a wide outline within the bounds.
    c.Pen().SetMode(pmCopy);
    c.Pen().SetColor(clBlack);
    c.Pen().SetStyle(psInsideFrame);
    c.Pen().SetWidth(4);
    c.Brush().SetStyle(bsClear);
    c.Rectangle(20, 5, 50, 35);
    c.Release();
    const QRect ink = inked(img, qRgb(255, 255, 255));
    EXPECT_TRUE(QRect(QPoint(20, 5), QPoint(49, 34)).contains(ink)) << ink.x() << "," << ink.y() << " " << ink.width();
    EXPECT_GE(ink.width(), 28);
}

TEST(Canvas, EllipsePolygonPolylineAndFrameStayInTheirBounds)
{
    QImage img = blank(60, 60);
    TCanvas c(&img);
    c.Brush().SetColor(clLime);
    c.Ellipse(5, 5, 25, 17);
    c.Release();
    EXPECT_EQ(inked(img, qRgb(255, 255, 255)), QRect(QPoint(5, 5), QPoint(24, 16)));

    img = blank(60, 60);
    c.Polygon({{10, 10}, {40, 10}, {25, 40}});
    c.Release();
    EXPECT_EQ(inked(img, qRgb(255, 255, 255)), QRect(QPoint(10, 10), QPoint(40, 40)));
    EXPECT_EQ(at(img, 25, 20), clLime);

    img = blank(60, 60);
    c.Polyline({{5, 5}, {30, 5}, {30, 30}});
    c.Release();
    EXPECT_EQ(at(img, 5, 5), clBlack);
    EXPECT_EQ(at(img, 30, 5), clBlack);
    EXPECT_EQ(at(img, 30, 29), clBlack);
    EXPECT_EQ(at(img, 30, 30), clWhite) << "the last point is left out";

    img = blank(60, 60);
    c.Brush().SetColor(clMaroon);
    c.FrameRect(Rect(10, 10, 20, 15));
    c.Release();
    EXPECT_EQ(inked(img, qRgb(255, 255, 255)), QRect(QPoint(10, 10), QPoint(19, 14)));
    EXPECT_EQ(at(img, 12, 12), clWhite);
}

TEST(Canvas, Clipping)
{
    QImage img = blank(50, 50);
    TCanvas c(&img);
    EXPECT_EQ(c.ClipRect(), Rect(0, 0, 50, 50));
    c.SetClipRect(Rect(10, 10, 40, 40));
    c.IntersectClipRect(Rect(0, 0, 30, 30));
    EXPECT_EQ(c.ClipRect(), Rect(10, 10, 30, 30));
    c.ExcludeClipRect(Rect(15, 15, 20, 20));
    c.Release(); // the clip outlives the painter
    EXPECT_EQ(c.ClipRect(), Rect(10, 10, 30, 30));
    c.Brush().SetColor(clBlue);
    c.FillRect(Rect(0, 0, 50, 50));
    c.ClearClip();
    EXPECT_FALSE(c.HasClip());
    c.Release();
    EXPECT_EQ(inked(img, qRgb(255, 255, 255)), QRect(QPoint(10, 10), QPoint(29, 29)));
    EXPECT_EQ(at(img, 17, 17), clWhite);
    EXPECT_EQ(at(img, 20, 20), clBlue);
}

TEST(Canvas, TextPlacementAndReferencePoints)
{
    QImage img = blank(300, 60);
    TCanvas c(&img);
    c.Font().SetName(QStringLiteral("Arial"));
    c.Font().SetSize(10);
    c.Brush().SetStyle(bsClear);
    const QString text = QStringLiteral("Выдох");
    for (int width : {10, c.TextWidth(text), c.TextWidth(text) + 17}) {
        const std::vector<int> dx = c.CharacterPlacement(text, width);
        ASSERT_EQ(dx.size(), size_t(text.size()));
        int sum = 0;
        for (int d : dx)
            sum += d;
        EXPECT_EQ(sum, width);
        EXPECT_LE(*std::max_element(dx.begin(), dx.end()) - *std::min_element(dx.begin(), dx.end()),
                  c.GetTextMetrics().tmMaxCharWidth + 1);
    }
    // Spread over a wider box, the last character ends near the box's end.
    const int target = c.TextWidth(text) + 40;
    const std::vector<int> dx = c.CharacterPlacement(text, target);
    c.ExtTextOut(10, 5, 0, nullptr, text, &dx);
    // Right-aligned reference point: the text ends at x.
    c.SetTextAlign(TA_RIGHT | TA_BASELINE);
    c.TextOut(290, 50, text);
    c.Release();
    const QRect spread = inked(img, qRgb(255, 255, 255), QRect(0, 0, 300, 28));
    EXPECT_GT(spread.right(), 10 + target - dx.back() - 1);
    EXPECT_LE(spread.right(), 10 + target);
    // The ink is the text's own tight box with its advance ending at x and its baseline at y.
    const QRect right = inked(img, qRgb(255, 255, 255), QRect(0, 28, 300, 32));
    const QFontMetrics fm(c.Font().ToQFont(), &img);
    const QRect expected = fm.tightBoundingRect(text).translated(290 - fm.horizontalAdvance(text), 50);
    EXPECT_NEAR(right.left(), expected.left(), 1);
    EXPECT_NEAR(right.right(), expected.right(), 1);
    EXPECT_NEAR(right.top(), expected.top(), 1);
    EXPECT_NEAR(right.bottom(), expected.bottom(), 1);
}

TEST(Canvas, LinesAndFocusRectanglesReachingFarBeyondTheSurface)
{
    // A line is the same wherever it starts: the part a small surface shows equals that part of the
    // line drawn whole on a large one (solid and dotted, every octant).
    struct Case { TPoint from, to; TPenStyle style; };
    const Case cases[] = {
        {{-900, -295}, {1032, 356}, psSolid}, {{1032, 356}, {-900, -295}, psDot},
        {{-7, -885}, {53, 1115}, psDashDot}, {{40, 1015}, {4, -785}, psSolid},
    };
    const QPoint shift(1000, 1000);
    for (const Case& k : cases) {
        QImage small = blank(40, 30);
        QImage large = blank(2100, 2300);
        for (QImage* img : {&small, &large}) {
            const QPoint d = img == &large ? shift : QPoint();
            TCanvas c(img);
            c.Brush().SetColor(clYellow);
            c.Pen().SetStyle(k.style);
            c.MoveTo(k.from.X + d.x(), k.from.Y + d.y());
            c.LineTo(k.to.X + d.x(), k.to.Y + d.y());
        }
        EXPECT_EQ(small, large.copy(QRect(shift, small.size()))) << k.from.X << "," << k.from.Y;
        EXPECT_NE(small, blank(40, 30)) << "the line crosses the small surface";
    }

    // Coordinates near the ends of the integer range draw what the surface shows, in bounded time
    // and memory.
    const int far = 2000000000;
    QImage img = blank(40, 30);
    {
        TCanvas c(&img);
        c.MoveTo(-far, 5);
        c.LineTo(far, 5);
        c.Brush().SetStyle(bsClear);
        c.Pen().SetStyle(psDot);
        c.Rectangle(-far, 10, far, 20);
        c.DrawFocusRect(Rect(-far, 24, far, far));
    }
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(at(img, x, 5), clBlack) << x;
        EXPECT_EQ(at(img, x, 12), clWhite) << x;
        EXPECT_EQ(at(img, x, 24), ((x + 24) & 1) == 0 ? clBlack : clWhite) << x;
    }
    int dotted = 0;
    for (int x = 0; x < 40; ++x)
        dotted += at(img, x, 10) == clBlack;
    EXPECT_GT(dotted, 10);
    EXPECT_LT(dotted, 30);

    // Filled and wide-pen shapes show the same pixels as shapes whose far sides lie just outside.
    auto shapes = [](int reach) {
        QImage out = blank(40, 30);
        TCanvas c(&out);
        c.Brush().SetColor(clLime);
        c.FillRect(Rect(-reach, 26, reach, 28));
        c.Brush().SetColor(clAqua);
        c.FrameRect(Rect(-reach, 20, 35, reach));
        c.Pen().SetWidth(3);
        c.Brush().SetStyle(bsClear);
        c.Rectangle(-reach, -reach, reach, 4);
        c.Pen().SetWidth(1);
        c.Brush().SetColor(clRed);
        c.Rectangle(-reach, 8, 30, 14);
        return out;
    };
    const QImage near = shapes(60);
    EXPECT_EQ(shapes(far), near);
    EXPECT_EQ(at(near, 5, 27), clLime);
    EXPECT_EQ(at(near, 34, 22), clAqua);
    EXPECT_EQ(at(near, 5, 3), clBlack);
    EXPECT_EQ(at(near, 5, 10), clRed);
}

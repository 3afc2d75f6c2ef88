// Shapes and lines on an image surface, checked pixel by pixel against the platform's rules.
#include "platform/graphics/Canvas.h"
#include "platform/graphics/CheckBox.h"
#include "platform/graphics/Edge.h"
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

// Bounding box of the pixels that differ from the background colour.
QRect inked(const QImage& img, QRgb background)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF))
                box |= QRect(x, y, 1, 1);
    return box;
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

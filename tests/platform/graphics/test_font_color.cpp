// Colours, the system colour table, font names and the point/pixel conversion at a resolution.
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/FontNames.h"
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace gfx;

TEST(Color, EncodingAndSystemColours)
{
    EXPECT_EQ(RGB(255, 255, 0), clYellow);
    EXPECT_EQ(clYellow, 0x00FFFF);
    EXPECT_EQ(GetRValue(clNavy), 0);
    EXPECT_EQ(GetBValue(clNavy), 128);
    EXPECT_EQ(TColor(0x8000000D), clHighlight);
    EXPECT_EQ(TColor(0x8000000E), clHighlightText);
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(ColorToRGB(clTeal), clTeal) << "plain colours pass unchanged";
    EXPECT_EQ(ColorToRGB(clNone), clNone);

    // Every system colour resolves through the one fixed table, never to a system colour again.
    for (int i = 0; i < COLOR_ENDCOLORS; ++i) {
        const TColor c = ColorToRGB(SysColor(i));
        EXPECT_FALSE(IsSystemColor(c)) << i;
        EXPECT_EQ(c, GetSysColor(i));
    }
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clHighlightText), clWhite);
    EXPECT_EQ(ColorToRGB(clBtnShadow), clGray);
    // Edges need four distinct tones around the button face.
    EXPECT_NE(ColorToRGB(clBtnFace), ColorToRGB(clBtnShadow));
    EXPECT_NE(ColorToRGB(clBtnHighlight), ColorToRGB(clBtnShadow));
    EXPECT_NE(ColorToRGB(cl3DDkShadow), ColorToRGB(clBtnShadow));
    EXPECT_NE(ColorToRGB(clHighlight), ColorToRGB(clHighlightText));
}

TEST(Font, PointsAndPixelsConvertAsThePlatformRounds)
{
    struct Case { int points, ppi, height; };
    const Case cases[] = {
        {8, 96, -11}, {9, 96, -12}, {10, 96, -13}, {12, 96, -16}, {14, 96, -19}, {11, 96, -15},
        {8, 120, -13}, {10, 600, -83}, {12, 1200, -200}, {-10, 96, 13},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(PointsToHeight(k.points, k.ppi), k.height) << k.points << "pt at " << k.ppi;
        EXPECT_EQ(HeightToPoints(k.height, k.ppi), k.points) << k.height << "px at " << k.ppi;
    }

    TFont f;
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Height(), -11);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.ToQFont().pixelSize(), 13) << "a negative height is the em size";
    f.SetHeight(-16);
    EXPECT_EQ(f.Size(), 12);
}

TEST(Font, PositiveHeightIsTheCellHeight)
{
    TFont f(QStringLiteral("Arial"), 10);
    for (int cell : {12, 16, 20, 31}) {
        f.SetHeight(cell);
        QFontMetrics fm(f.ToQFont());
        EXPECT_NEAR(fm.ascent() + fm.descent(), cell, 1) << cell;
        EXPECT_LT(f.ToQFont().pixelSize(), cell);
    }
}

TEST(Font, AssignAcrossResolutionsKeepsThePointSize)
{
    TFont screen(QStringLiteral("Times New Roman"), 12, fsBold | fsItalic, clMaroon);
    screen.SetOrientation(900);
    TFont printer;
    printer.SetPixelsPerInch(600);
    printer.Assign(screen);
    EXPECT_EQ(printer.PixelsPerInch(), 600);
    EXPECT_EQ(printer.Size(), 12);
    EXPECT_EQ(printer.Height(), -100);
    EXPECT_EQ(printer.Style(), fsBold | fsItalic);
    EXPECT_EQ(printer.Color(), clMaroon);
    EXPECT_EQ(printer.Orientation(), 900);
    EXPECT_EQ(printer.Name(), QStringLiteral("Times New Roman"));

    // Assignment works the same way; a copy is exact, resolution included.
    TFont assigned;
    assigned.SetPixelsPerInch(300);
    assigned = screen;
    EXPECT_EQ(assigned.Height(), -50);
    EXPECT_EQ(assigned.PixelsPerInch(), 300);
    TFont copy = printer;
    EXPECT_TRUE(copy.SameAs(printer));
}

TEST(Font, ChangesAreNotifiedAndCounted)
{
    TFont f;
    int calls = 0;
    f.OnChange = [&] { ++calls; };
    const auto g0 = f.Generation();
    f.SetStyle(fsBold);
    f.SetStyle(fsBold); // no change, no call
    f.SetColor(clRed);
    f.SetSize(14);
    EXPECT_EQ(calls, 3);
    EXPECT_NE(f.Generation(), g0);
    const auto g1 = f.Generation();
    f.SetName(QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(f.Generation(), g1);
}

TEST(Font, PlatformFaceNamesResolveToInstalledMetricCompatibleFonts)
{
    struct Case { const char* face; const char* family; };
    const Case cases[] = {
        {"Arial", "Liberation Sans"}, {"Arial Cyr", "Liberation Sans"}, {"Tahoma", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"}, {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"}, {"courier new", "Liberation Mono"},
    };
    ASSERT_TRUE(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
        << "fonts-liberation2 is not installed (scripts/deps.sh)";
    for (const Case& k : cases) {
        const QString face = QString::fromLatin1(k.face);
        EXPECT_EQ(ResolveFontFamily(face), QString::fromLatin1(k.family)) << k.face;
        TFont f(face, 10, fsBold);
        EXPECT_EQ(QFontInfo(f.ToQFont()).family(), QString::fromLatin1(k.family)) << k.face;
        EXPECT_TRUE(QFontInfo(f.ToQFont()).bold());
    }
    EXPECT_EQ(ResolveFontFamily(QStringLiteral("DejaVu Serif")), QStringLiteral("DejaVu Serif"));

    // Metric compatibility: the fixed-pitch face keeps equal advances; the serif and the sans differ.
    QFontMetrics mono(TFont(QStringLiteral("Courier New"), 10).ToQFont());
    EXPECT_EQ(mono.horizontalAdvance(QStringLiteral("iiii")), mono.horizontalAdvance(QStringLiteral("WWWW")));
    QFontMetrics sans(TFont(QStringLiteral("Arial"), 10).ToQFont());
    EXPECT_LT(sans.horizontalAdvance(QStringLiteral("iiii")), sans.horizontalAdvance(QStringLiteral("WWWW")));
}

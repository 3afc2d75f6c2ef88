// Pictures of the edit buttons' faces, the size grip and the check box, drawn offscreen and read back
// pixel by pixel in the system colours; the faces drawn through the cache are the faces drawn without
// it. A sheet of every face is written for a person to look at.
#include "grid/ToolCtrlsEx.h"
#include "platform/graphics/Canvas.h"
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <gtest/gtest.h>

using namespace gfx;

namespace {
QImage face(TDrawButtonControlStyleEx style, int down, bool flat, bool active, bool enabled, QSize size = {17, 20},
            TCheckBoxState check = cbUnchecked, TColor background = clWindow)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    {
        TCanvas canvas(&img);
        PaintButtonControlEx(canvas, TRect(0, 0, size.width(), size.height()), background, style, down, flat, active,
                             enabled, check);
    }
    return img;
}

QColor c(TColor color) { return ToQColor(color); }

// Pixels of one colour in a rectangle of the image.
int count(const QImage& img, const QRect& r, TColor color)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixelColor(x, y) == c(color);
    return n;
}
} // namespace

TEST(ButtonFaces, EachStyleDrawsItsSignInTheButtonText)
{
    ClearButtonsBitmapCache();
    // style, size, where the sign's ink must be, how many ink pixels at least
    struct Case { TDrawButtonControlStyleEx style; QSize size; QRect sign; int ink; };
    const Case cases[] = {
        {bcsDropDownEx, {17, 20}, {4, 6, 9, 8}, 9},   // a downward triangle
        {bcsEllipsisEx, {17, 20}, {3, 8, 11, 4}, 12},  // three 2 x 2 dots
        {bcsEllipsisEx, {7, 20}, {1, 8, 5, 4}, 3},     // narrow: 1-pixel dots
        {bcsPlusEx, {17, 20}, {2, 2, 13, 16}, 13},
        {bcsMinusEx, {17, 20}, {2, 2, 13, 16}, 7},
    };
    for (const Case& k : cases) {
        const QImage up = face(k.style, 0, false, false, true, k.size);
        EXPECT_EQ(count(up, up.rect(), clBtnText), count(up, k.sign, clBtnText)) << k.style << ": ink only at the sign";
        EXPECT_GE(count(up, k.sign, clBtnText), k.ink) << k.style;
        EXPECT_EQ(up.pixelColor(0, 0), c(cl3DLight)) << "raised: light outer top-left";
        EXPECT_EQ(up.pixelColor(k.size.width() - 1, k.size.height() - 1), c(cl3DDkShadow));
        EXPECT_EQ(count(up, up.rect(), TColor(FromQColor(Qt::magenta))), 0) << "the face covers its rectangle";
        const QImage pressed = face(k.style, 1, false, false, true, k.size);
        EXPECT_EQ(pressed.pixelColor(0, 0), c(clBtnShadow)) << "pressed: sunken";
        const QImage disabled = face(k.style, 0, false, false, false, k.size);
        EXPECT_EQ(count(disabled, disabled.rect(), clBtnText), 0) << "a disabled sign is greyed";
        EXPECT_GT(count(disabled, k.sign.adjusted(0, 0, 1, 1), clBtnShadow), 0);
    }
}

TEST(ButtonFaces, UpDownHalvesPressOnTheirOwn)
{
    const QImage up = face(bcsUpDownEx, 0, false, false, true, {15, 21});
    const QImage upper = face(bcsUpDownEx, 1, false, false, true, {15, 21});
    const QImage lower = face(bcsUpDownEx, 2, false, false, true, {15, 21});
    const QRect top(0, 0, 15, 10), bottom(0, 11, 15, 10);
    EXPECT_NE(upper.copy(top), up.copy(top));
    EXPECT_EQ(upper.copy(bottom), up.copy(bottom));
    EXPECT_EQ(lower.copy(top), up.copy(top));
    EXPECT_NE(lower.copy(bottom), up.copy(bottom));
    EXPECT_EQ(up.pixelColor(7, 10), c(clBtnFace)) << "the middle line of an odd height";
    // The arrows point away from the middle: the widest row of the upper one is its lowest.
    auto widthOfRow = [&](int y) { return count(up, QRect(0, y, 15, 1), clBtnText); };
    int firstInk = -1, lastInk = -1;
    for (int y = 0; y < 10; ++y)
        if (widthOfRow(y) > 0) {
            lastInk = y;
            if (firstInk < 0)
                firstInk = y;
        }
    ASSERT_GE(firstInk, 0);
    EXPECT_GT(widthOfRow(lastInk), widthOfRow(firstInk));
}

TEST(ButtonFaces, FlatFacesShowTheirEdgeOnlyWhileActive)
{
    const QImage idle = face(bcsDropDownEx, 0, true, false, true, {13, 18}, cbUnchecked, clWindow);
    EXPECT_EQ(idle.pixelColor(0, 0), c(clWindow)) << "an idle flat button is framed in its background";
    EXPECT_EQ(idle.pixelColor(1, 1), c(clBtnFace));
    const QImage active = face(bcsDropDownEx, 0, true, true, true, {13, 18});
    EXPECT_EQ(active.pixelColor(0, 0), c(clBtnHighlight));
    EXPECT_EQ(active.pixelColor(12, 17), c(clBtnShadow));
    const QImage pressed = face(bcsDropDownEx, 1, true, true, true, {13, 18});
    EXPECT_EQ(pressed.pixelColor(0, 0), c(clBtnShadow));
    const QImage yellow = face(bcsDropDownEx, 0, true, false, true, {13, 18}, cbUnchecked, clYellow);
    EXPECT_EQ(yellow.pixelColor(0, 0), c(clYellow)) << "a face cached in one background is not reused in another";
}

TEST(ButtonFaces, TheCacheKeepsOneFacePerKeyAndDrawsTheSame)
{
    ClearButtonsBitmapCache();
    UseButtonsBitmapCache = true;
    const QImage first = face(bcsEllipsisEx, 0, false, false, true);
    EXPECT_EQ(ButtonsBitmapCacheCount(), 1);
    face(bcsEllipsisEx, 0, false, false, true);
    EXPECT_EQ(ButtonsBitmapCacheCount(), 1) << "the same key draws from the cache";
    face(bcsEllipsisEx, 1, false, false, true);
    face(bcsEllipsisEx, 0, false, false, true, {18, 20});
    EXPECT_EQ(ButtonsBitmapCacheCount(), 3) << "a state or a size is another key";
    face(bcsUpDownEx, 2, false, false, true);
    EXPECT_EQ(ButtonsBitmapCacheCount(), 5) << "the up-down halves are kept apart";
    const QImage fromCache = face(bcsEllipsisEx, 0, false, false, true);
    UseButtonsBitmapCache = false;
    const QImage direct = face(bcsEllipsisEx, 0, false, false, true);
    EXPECT_EQ(fromCache, direct);
    EXPECT_EQ(first, direct);
    for (const auto style : {bcsDropDownEx, bcsUpDownEx, bcsPlusEx}) {
        UseButtonsBitmapCache = true;
        const QImage cached = face(style, 1, true, true, true);
        UseButtonsBitmapCache = false;
        EXPECT_EQ(cached, face(style, 1, true, true, true)) << style;
    }
    UseButtonsBitmapCache = true;
    ClearButtonsBitmapCache();
    EXPECT_EQ(ButtonsBitmapCacheCount(), 0);
}

TEST(ButtonFaces, CheckBoxesGripsAndASheetToLookAt)
{
    const QImage checked = face(bcsCheckboxEx, 0, false, false, true, {17, 17}, cbChecked);
    const QImage unchecked = face(bcsCheckboxEx, 0, false, false, true, {17, 17}, cbUnchecked);
    const QImage grayed = face(bcsCheckboxEx, 0, false, false, true, {17, 17}, cbGrayed);
    EXPECT_GT(count(checked, checked.rect(), clWindowText), 10) << "the mark";
    EXPECT_EQ(count(unchecked, unchecked.rect(), clWindowText), 0);
    EXPECT_EQ(count(grayed, grayed.rect(), clWindowText), 0);
    EXPECT_GT(count(grayed, grayed.rect(), clBtnShadow), 10) << "a grey mark";
    EXPECT_EQ(checked.pixelColor(0, 0), c(clWindow)) << "the background around the box";

    // The grip: a triangle in its corner, striped from the corner outwards.
    QWidget parent;
    parent.resize(120, 90);
    TSizeGripEx grip(&parent);
    grip.UpdatePosition();
    const QImage g = grip.grab().toImage();
    const int w = g.width(), h = g.height();
    EXPECT_EQ(grip.geometry().bottomRight(), QPoint(119, 89)) << "in the parent's lower right corner";
    EXPECT_TRUE(grip.mask().contains(QPoint(w - 1, h - 1)));
    EXPECT_FALSE(grip.mask().contains(QPoint(0, 0))) << "cut to a triangle";
    EXPECT_GT(count(g, QRect(w / 2, h / 2, w / 2, h / 2), clBtnShadow), 3);
    EXPECT_GT(count(g, QRect(w / 2, h / 2, w / 2, h / 2), clBtnHighlight), 1);

    // A sheet of every face: normal, pressed, flat, flat and active, disabled.
    const TDrawButtonControlStyleEx styles[] = {bcsDropDownEx, bcsEllipsisEx, bcsUpDownEx, bcsCheckboxEx, bcsPlusEx, bcsMinusEx};
    QImage sheet(6 * 24 + 4, 5 * 26 + 4, QImage::Format_RGB32);
    sheet.fill(c(clWindow));
    {
        QPainter p(&sheet);
        int row = 0;
        for (auto [down, flat, active, enabled] : {std::tuple{0, false, false, true}, {1, false, false, true},
                                                  {0, true, false, true}, {0, true, true, true}, {0, false, false, false}}) {
            for (int i = 0; i < 6; ++i)
                p.drawImage(4 + i * 24, 4 + row * 26,
                            face(styles[i], down, flat, active, enabled, {17, 20}, cbChecked));
            ++row;
        }
    }
    const QString dir = QStringLiteral(VELT_BINARY_DIR "/grid-pictures");
    QDir().mkpath(dir);
    EXPECT_TRUE(sheet.scaled(sheet.size() * 3).save(dir + "/button-faces.png"));
    EXPECT_TRUE(g.scaled(g.size() * 6).save(dir + "/size-grip.png"));
}

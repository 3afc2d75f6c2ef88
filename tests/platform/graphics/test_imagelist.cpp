// Glyph strips with a transparent key colour.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageList.h"
#include <gtest/gtest.h>

using namespace gfx;

TEST(ImageList, StripIsCutIntoMaskedCells)
{
    // Three 4 x 4 cells: red, green, blue squares on a magenta key.
    TBitmap strip(12, 4);
    strip.Canvas().Brush().SetColor(clFuchsia);
    strip.Canvas().FillRect(Rect(0, 0, 12, 4));
    const TColor colours[] = {clRed, clGreen, clBlue};
    for (int i = 0; i < 3; ++i) {
        strip.Canvas().Brush().SetColor(colours[i]);
        strip.Canvas().FillRect(Rect(i * 4 + 1, 1, i * 4 + 3, 3));
    }
    TImageList list(4, 4);
    EXPECT_EQ(list.AddMasked(strip, clFuchsia), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Add(TBitmap(4, 4)), 3);
    EXPECT_EQ(list.AddMasked(TBitmap(), clFuchsia), -1);
    list.Delete(3);
    EXPECT_EQ(list.Count(), 3);

    TBitmap target(20, 10);
    for (int i = 0; i < 3; ++i)
        list.Draw(target.Canvas(), i * 6, 2, i);
    list.Draw(target.Canvas(), 0, 0, 7); // out of range: nothing
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(target.Canvas().Pixel(i * 6 + 1, 3), colours[i]);
        EXPECT_EQ(target.Canvas().Pixel(i * 6, 2), clWhite) << "key colour is transparent";
    }
    EXPECT_EQ(target.Canvas().Pixel(0, 0), clWhite);
}

// Rectangles hold Left <= x < Right and Top <= y < Bottom.
#include "platform/graphics/Geometry.h"
#include <gtest/gtest.h>

using namespace gfx;

TEST(Geometry, RectangleRules)
{
    const TRect r = Rect(10, 20, 30, 25);
    EXPECT_EQ(r.Width(), 20);
    EXPECT_EQ(r.Height(), 5);
    EXPECT_EQ(r.toQRect(), QRect(10, 20, 20, 5));
    EXPECT_EQ(TRect::fromQRect(QRect(10, 20, 20, 5)), r);
    EXPECT_EQ(Bounds(10, 20, 20, 5), r);

    struct Probe { TPoint p; bool inside; };
    const Probe probes[] = {{{10, 20}, true}, {{29, 24}, true}, {{30, 24}, false}, {{29, 25}, false}, {{9, 22}, false}};
    for (const Probe& k : probes)
        EXPECT_EQ(PtInRect(r, k.p), k.inside) << k.p.X << "," << k.p.Y;

    EXPECT_TRUE(Rect(5, 5, 5, 9).IsEmpty());
    EXPECT_TRUE(Rect(5, 5, 4, 9).IsEmpty());
    EXPECT_FALSE(Rect(5, 5, 6, 6).IsEmpty());

    TRect g = r;
    InflateRect(g, 2, -1);
    EXPECT_EQ(g, Rect(8, 21, 32, 24));
    OffsetRect(g, -8, 4);
    EXPECT_EQ(g, Rect(0, 25, 24, 28));

    TRect out = Rect(1, 1, 2, 2);
    EXPECT_TRUE(IntersectRect(out, r, Rect(25, 0, 100, 22)));
    EXPECT_EQ(out, Rect(25, 20, 30, 22));
    // Rectangles that only touch share no pixel.
    EXPECT_FALSE(IntersectRect(out, r, Rect(30, 20, 40, 25)));
    EXPECT_EQ(out, TRect());

    EXPECT_TRUE(UnionRect(out, r, Rect(0, 0, 5, 5)));
    EXPECT_EQ(out, Rect(0, 0, 30, 25));
    EXPECT_TRUE(UnionRect(out, TRect(), r));
    EXPECT_EQ(out, r);
    EXPECT_FALSE(UnionRect(out, TRect(), Rect(3, 3, 3, 3)));
}

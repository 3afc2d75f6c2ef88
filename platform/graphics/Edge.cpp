#include "Edge.h"
#include "Canvas.h"
#include "Color.h"
#include <vector>

namespace gfx {

namespace {

struct Ring {
    TColor light; // top and left
    TColor dark;  // bottom and right
};

void drawRing(TCanvas& c, const TRect& r, const Ring& ring, unsigned sides)
{
    const int w = r.Width(), h = r.Height();
    if (sides & BF_TOP)
        c.FillSolid(Bounds(r.Left, r.Top, (sides & BF_RIGHT) ? w - 1 : w, 1), ring.light);
    if (sides & BF_LEFT)
        c.FillSolid(Bounds(r.Left, r.Top, 1, (sides & BF_BOTTOM) ? h - 1 : h), ring.light);
    if (sides & BF_BOTTOM)
        c.FillSolid(Bounds(r.Left, r.Bottom - 1, w, 1), ring.dark);
    if (sides & BF_RIGHT)
        c.FillSolid(Bounds(r.Right - 1, r.Top, 1, h), ring.dark);
}

} // namespace

bool DrawEdge(TCanvas& canvas, TRect& r, unsigned edge, unsigned flags)
{
    if (r.IsEmpty())
        return false;
    std::vector<Ring> rings;
    const unsigned outer = edge & BDR_OUTER;
    const unsigned inner = edge & BDR_INNER;
    if (flags & BF_MONO) {
        if (outer)
            rings.push_back({clWindowFrame, clWindowFrame});
        if (inner)
            rings.push_back({clWindow, clWindow});
    } else if (flags & BF_FLAT) {
        if (outer)
            rings.push_back({clBtnShadow, clBtnShadow});
        if (inner)
            rings.push_back({clBtnFace, clBtnFace});
    } else {
        if (outer & BDR_RAISEDOUTER)
            rings.push_back({cl3DLight, cl3DDkShadow});
        else if (outer & BDR_SUNKENOUTER)
            rings.push_back({clBtnShadow, clBtnHighlight});
        if (inner & BDR_RAISEDINNER)
            rings.push_back({clBtnHighlight, clBtnShadow});
        else if (inner & BDR_SUNKENINNER)
            rings.push_back({cl3DDkShadow, cl3DLight});
    }
    TRect cur = r;
    for (const Ring& ring : rings) {
        if (cur.IsEmpty())
            break;
        drawRing(canvas, cur, ring, flags);
        if (flags & BF_LEFT)
            ++cur.Left;
        if (flags & BF_TOP)
            ++cur.Top;
        if (flags & BF_RIGHT)
            --cur.Right;
        if (flags & BF_BOTTOM)
            --cur.Bottom;
    }
    if ((flags & BF_MIDDLE) && !cur.IsEmpty())
        canvas.FillSolid(cur, (flags & BF_MONO) ? clWindow : clBtnFace);
    if (flags & BF_ADJUST)
        r = cur;
    return true;
}

} // namespace gfx

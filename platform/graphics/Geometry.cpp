#include "Geometry.h"
#include <algorithm>

namespace gfx {

bool IntersectRect(TRect& dst, const TRect& a, const TRect& b)
{
    TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom));
    if (r.IsEmpty()) {
        dst = TRect();
        return false;
    }
    dst = r;
    return true;
}

bool UnionRect(TRect& dst, const TRect& a, const TRect& b)
{
    if (a.IsEmpty()) {
        dst = b.IsEmpty() ? TRect() : b;
        return !dst.IsEmpty();
    }
    if (b.IsEmpty()) {
        dst = a;
        return true;
    }
    dst = TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom));
    return true;
}

} // namespace gfx

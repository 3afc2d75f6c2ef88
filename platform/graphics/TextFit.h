#pragma once
// Cutting a text to a width: the longest prefix that fits, found by halving, since a longer prefix is
// never narrower; a long memo would otherwise cost a measure of itself for every character cut.

namespace gfx {

// The largest n in [0, most] for which fits(n) holds; 0 when none does.
template <typename Fits>
int LongestFitting(int most, Fits fits)
{
    int low = 0, high = most;
    while (low < high) {
        const int mid = low + (high - low + 1) / 2;
        if (fits(mid))
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

} // namespace gfx

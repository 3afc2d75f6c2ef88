#pragma once
// Integer scaling as the platform does it: a × b / c on a 64-bit product, rounded half away from zero;
// -1 for a zero divisor.
#include <cstdint>

namespace gridmath {

inline int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t p = std::int64_t(a) * b;
    const std::int64_t half = (c < 0 ? -std::int64_t(c) : std::int64_t(c)) / 2;
    const std::int64_t q = ((p < 0) != (c < 0)) ? (p - ((p < 0) ? half : -half)) / c : (p + ((p < 0) ? -half : half)) / c;
    return int(q);
}

} // namespace gridmath

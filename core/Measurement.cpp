#include "core/Measurement.h"

#include <cmath>

double RoundToStep(float value, float step)
{
    if (!(std::isfinite(step) && step > 0.0f) || !std::isfinite(value))
        return std::fabs(double(value));
    float q = value / step;
    q += value >= 0.0f ? 0.5f : -0.5f;
    if (!(std::fabs(q) < 2147483648.0f))
        return std::fabs(double(value));
    const int32_t n = int32_t(q);
    return std::fabs(double(float(n) * step));
}

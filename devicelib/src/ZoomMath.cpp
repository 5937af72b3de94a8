#include "ZoomMath.h"

#include <climits>

namespace devicelib {

long long OpticalPercent(int factor, int fraction)
{
    const long long part = fraction <= 100 ? fraction * 10LL : fraction - 100LL;
    return factor * 100LL + part;
}

long long ApplyOptical(long long size, int factor, int fraction)
{
    if (factor == 0) return size;
    return size * OpticalPercent(factor, fraction) / 100;
}

long long ApplyAdapter(long long size, int adapterFactor, int adapterHundredths)
{
    if (adapterFactor == 0) return size;
    return size * (adapterFactor * 100LL + adapterHundredths) / 100;
}

int ClampToInt(long long value)
{
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace devicelib

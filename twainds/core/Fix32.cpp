#include "Fix32.h"

#include <cmath>
#include <cstring>

TW_FIX32 FloatToFix32(float value)
{
    const long long scaled = std::llround(double(value) * 65536.0);
    TW_FIX32 fix;
    fix.Whole = TW_INT16(scaled >> 16);
    fix.Frac = TW_UINT16(scaled & 0xFFFF);
    return fix;
}

float Fix32ToFloat(TW_FIX32 value) { return float(value.Whole + value.Frac / 65536.0); }

TW_UINT32 Fix32Bits(TW_FIX32 value)
{
    TW_UINT32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TW_FIX32 Fix32FromBits(TW_UINT32 bits)
{
    TW_FIX32 value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

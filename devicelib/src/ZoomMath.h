// Zoom arithmetic of the controller; sizes in percent (100 = 1.00x). Every
// product is formed in 64 bits and the result clamped to int.
#pragma once

namespace devicelib {

// The optical part as a percentage: fractions up to 100 are tenths, above
// 100 hundredths plus 100.
long long OpticalPercent(int factor, int fraction);
// Digital size times the optical factor (when the factor is not 0).
long long ApplyOptical(long long size, int factor, int fraction);
// Size times the adapter's factor and hundredths (when the factor is not 0).
long long ApplyAdapter(long long size, int adapterFactor, int adapterHundredths);
int ClampToInt(long long value);

}  // namespace devicelib

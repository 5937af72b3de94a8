// The accurate integer inverse DCT of the Independent JPEG Group (13-bit
// constants, 2 extra bits between the passes), with dequantisation folded
// into the first pass.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kjpeg {

// coefficients and quant in natural order; writes an 8x8 block of samples.
void InverseDct(const int16_t* coefficients, const uint16_t* quant, uint8_t* out, size_t stride);

// The same for a block whose only non-zero coefficient is the DC term.
void InverseDctDcOnly(int16_t dc, uint16_t quant, uint8_t* out, size_t stride);

}  // namespace kjpeg

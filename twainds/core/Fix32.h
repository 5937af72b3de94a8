#pragma once
#include "TwainProtocol.h"

// TWAIN's 16.16 fixed-point numbers and the floats the source keeps them as.
// Both directions round to the nearest 1/65536, halves away from zero, so a
// negative value keeps its magnitude.
TW_FIX32 FloatToFix32(float value);
float Fix32ToFloat(TW_FIX32 value);
TW_UINT32 Fix32Bits(TW_FIX32 value);
TW_FIX32 Fix32FromBits(TW_UINT32 bits);

// Camera models and their feature words.
#pragma once

#include <stdint.h>

#include "kvqfeatures.h"

namespace devicelib {

const unsigned long kUnknownFeature = 0xFFFFFFFFul;

// Row 1..17 whose code is the model code's low 7 bits, else -1.
int FindModelRow(uint8_t modelCode);

// The feature word built from the capability inquiries' reply bytes (r1-r3
// of 0x4D; s1 of 0x4E when it answered).
unsigned long CapabilityFeature(uint8_t r1, uint8_t r2, uint8_t r3, bool haveSecond, uint8_t s1);

}  // namespace devicelib

// The camera's status block (FrameStatusBlock) and the reply-byte readers.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct DocCamStatus;

namespace devicelib {

const size_t kStatusBlockBytes = 36;
const unsigned long kFeatureShiftedStatus = 0x1000;

inline int BigEndianU16(const uint8_t* p) { return (p[0] << 8) | p[1]; }
inline int BigEndianS16(const uint8_t* p) { return int16_t(uint16_t((p[0] << 8) | p[1])); }

// Block byte 0 (also reply byte 1 of the image-process inquiry).
void ApplyModeByte(DocCamStatus& status, uint8_t byte);
// Block byte 1 (also reply byte 2 of the image-process inquiry).
void ApplyPictureByte(DocCamStatus& status, uint8_t byte);

// Fills the block's fields from buffer, which starts one byte later for
// models with the shifted-status feature. A buffer too short for the block
// is refused and changes nothing.
bool ParseStatusBlock(DocCamStatus& status, const uint8_t* buffer, size_t size, unsigned long feature);

}  // namespace devicelib

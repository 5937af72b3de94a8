// The record by which an installer message reaches the parent.
#pragma once

#include <cstddef>
#include <cstdint>

namespace setup {

// One write on the message pipe, little-endian: the message type with its
// flag bits, then the text and its terminating NUL; the type alone when
// there is no text.
size_t PipeMessageLength(const char* text);
// Fills out, which holds PipeMessageLength(text) bytes.
void EncodePipeMessage(uint32_t type, const char* text, unsigned char* out);

// The name of a message type once its button, icon and default-button bits
// are cleared; "Unknown Message" for anything else.
const char* MessageTypeName(uint32_t type);

}  // namespace setup

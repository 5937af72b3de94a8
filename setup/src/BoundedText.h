// Fixed-size text buffers that refuse what does not fit instead of cutting it.
#pragma once

#include <cstddef>

namespace setup {

// MAX_PATH: every path buffer of the installer holds this many characters
// with its terminator.
constexpr size_t kPathChars = 260;

// Copies src with its terminator when it fits in cap characters; else leaves
// dst untouched and answers false.
bool CopyBounded(char* dst, size_t cap, const char* src);
// Appends src to the text in dst on the same terms.
bool AppendBounded(char* dst, size_t cap, const char* src);
// Removes one pair of surrounding double quotes, or a leading one alone.
void StripQuotes(char* text);

}  // namespace setup

// Where a file named in a cabinet may be written.
#pragma once

#include <cstddef>

namespace setup {

// Joins the target directory (with its trailing backslash) and a file name
// from the cabinet into out (cap characters). A name that could reach
// outside the directory (a drive, a root, "..", a device) or that does not
// fit is refused: the answer is false with the reason in *reason.
bool JoinExtractPath(const char* targetDir, const char* name, char* out, size_t cap, const char** reason);

}  // namespace setup

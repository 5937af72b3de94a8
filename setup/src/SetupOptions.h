// The installer's own switches, taken out of the argument vector.
#pragma once

#include <cstdint>

#include "ArgumentVector.h"
#include "BoundedText.h"

namespace setup {

// What "mon" asks for: the parent's pipe handles, with the parent and the
// event that the preceding "pid" and "evt" named.
struct ParentRequest {
    bool requested = false;
    unsigned long parentId = 0;
    char eventName[kPathChars] = {};
    uintptr_t replyHandle = 0;    // the parent's pipe to read replies from
    uintptr_t messageHandle = 0;  // the parent's pipe to write messages to
};

struct SetupOptions {
    bool extractOnly = false;
    char targetDir[kPathChars] = {};  // with its trailing backslash
    char package[kPathChars] = {};    // path or product code
    ParentRequest parent;
    // The first value that does not fit its buffer; nothing is done then.
    const char* overlong = nullptr;
};

// Visits the arguments after the program path: a switch ('/' or '-', any
// case) and the values it consumes are blanked; everything else is left for
// the installation. Parsing stops at "extract".
SetupOptions ParseSwitches(ArgumentVector& arguments);

}  // namespace setup

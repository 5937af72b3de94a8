// The command line handed to the installer.
#pragma once

#include <cstddef>

#include "ArgumentVector.h"

namespace setup {

constexpr size_t kCommandLineChars = 2000;

// With msiexecPath: "\"<msiexec>\" /i \"<package>\"" first; then every
// argument that no switch consumed, one space apart. False when the line
// would not fit in kCommandLineChars with its terminator.
bool BuildInstallCommandLine(char (&line)[kCommandLineChars], const char* msiexecPath, const char* package,
                             const ArgumentVector& arguments);

}  // namespace setup

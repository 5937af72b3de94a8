#include "InstallCommandLine.h"

#include <initializer_list>

#include "BoundedText.h"

namespace setup {

bool BuildInstallCommandLine(char (&line)[kCommandLineChars], const char* msiexecPath, const char* package,
                             const ArgumentVector& arguments)
{
    line[0] = '\0';
    if (msiexecPath) {
        for (const char* part : {"\"", msiexecPath, "\" /i \"", package, "\""})
            if (!AppendBounded(line, kCommandLineChars, part)) return false;
    }
    for (size_t i = 1; i < arguments.Count(); ++i) {
        if (!arguments[i][0]) continue;
        if (line[0] && !AppendBounded(line, kCommandLineChars, " ")) return false;
        if (!AppendBounded(line, kCommandLineChars, arguments[i])) return false;
    }
    return true;
}

}  // namespace setup

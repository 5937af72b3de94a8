#include "CabinetNames.h"

#include <cstring>
#include <strings.h>

#include "BoundedText.h"

namespace setup {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Windows drops trailing dots and blanks from a path component, so "..."
// and ".. " climb like "..".
bool IsDotsOnly(const char* component, size_t length)
{
    bool dot = false;
    for (size_t i = 0; i < length; ++i) {
        if (component[i] == '.')
            dot = true;
        else if (component[i] != ' ')
            return false;
    }
    return dot;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices, with any extension.
bool IsDeviceName(const char* component, size_t length)
{
    size_t stem = 0;
    while (stem < length && component[stem] != '.') ++stem;
    while (stem > 0 && component[stem - 1] == ' ') --stem;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : kDevices)
        if (stem == 3 && strncasecmp(component, device, 3) == 0) return true;
    return stem == 4 && (strncasecmp(component, "COM", 3) == 0 || strncasecmp(component, "LPT", 3) == 0) &&
           component[3] >= '1' && component[3] <= '9';
}

const char* RefusalOf(const char* name)
{
    if (!name[0]) return "empty name";
    if (IsSeparator(name[0])) return "rooted path";
    for (const char* c = name; *c; ++c) {
        unsigned char u = static_cast<unsigned char>(*c);
        if (*c == ':') return "drive or stream name";
        if (u < 32 || std::strchr("*?\"<>|", *c)) return "character not allowed in a file name";
    }
    const char* component = name;
    for (;;) {
        size_t length = std::strcspn(component, "\\/");
        if (length == 0) return "empty path component";
        if (IsDotsOnly(component, length)) return "parent or current directory component";
        if (IsDeviceName(component, length)) return "device name";
        if (!component[length]) return nullptr;
        component += length + 1;
    }
}

}  // namespace

bool JoinExtractPath(const char* targetDir, const char* name, char* out, size_t cap, const char** reason)
{
    *reason = RefusalOf(name);
    if (*reason) return false;
    out[0] = '\0';
    if (!AppendBounded(out, cap, targetDir) || !AppendBounded(out, cap, name)) {
        *reason = "path too long";
        return false;
    }
    return true;
}

}  // namespace setup

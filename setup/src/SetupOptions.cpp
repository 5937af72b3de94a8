#include "SetupOptions.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace setup {
namespace {

bool IsSwitch(const char* argument, const char* name)
{
    return (argument[0] == '/' || argument[0] == '-') && strcasecmp(argument + 1, name) == 0;
}

// The argument after index when there is a non-empty one.
const char* ValueAfter(const ArgumentVector& arguments, size_t index)
{
    return index + 1 < arguments.Count() && arguments[index + 1][0] ? arguments[index + 1] : nullptr;
}

// Copies a value without its quotes into a buffer of kPathChars.
bool TakeValue(char* dst, const char* value, SetupOptions& options)
{
    char unquoted[kPathChars];
    if (!CopyBounded(unquoted, sizeof unquoted, value)) {
        if (!options.overlong) options.overlong = value;
        return false;
    }
    StripQuotes(unquoted);
    return CopyBounded(dst, kPathChars, unquoted);
}

void TakeExtractDirectory(const char* value, SetupOptions& options)
{
    char dir[kPathChars];
    if (!TakeValue(dir, value ? value : ".", options)) return;
    // An empty directory would turn into the root of the current drive.
    if (!dir[0]) std::strcpy(dir, ".");
    size_t length = std::strlen(dir);
    if ((length == 0 || dir[length - 1] != '\\') && !AppendBounded(dir, sizeof dir, "\\")) {
        if (!options.overlong) options.overlong = value;
        return;
    }
    std::memcpy(options.targetDir, dir, std::strlen(dir) + 1);
}

}  // namespace

SetupOptions ParseSwitches(ArgumentVector& arguments)
{
    SetupOptions options;
    unsigned long parentId = 0;
    // Copied: the value is blanked once taken.
    char eventName[kPathChars] = {};
    for (size_t i = 1; i < arguments.Count(); ++i) {
        char* argument = arguments[i];
        if (argument[0] != '/' && argument[0] != '-') continue;
        const char* value = ValueAfter(arguments, i);
        if (IsSwitch(argument, "extract")) {
            options.extractOnly = true;
            TakeExtractDirectory(value, options);
            arguments.Blank(i);
            if (value) arguments.Blank(i + 1);
            break;
        }
        if (IsSwitch(argument, "evt")) {
            if (value) TakeValue(eventName, value, options);
        } else if (IsSwitch(argument, "pid")) {
            if (value) parentId = std::strtoul(value, nullptr, 10);
        } else if (IsSwitch(argument, "alt")) {
            if (value) TakeValue(options.package, value, options);
        } else if (IsSwitch(argument, "mon")) {
            const char* second = value ? ValueAfter(arguments, i + 1) : nullptr;
            if (second) {
                ParentRequest& parent = options.parent;
                parent.requested = true;
                parent.parentId = parentId;
                parent.replyHandle = std::strtoull(value, nullptr, 10);
                parent.messageHandle = std::strtoull(second, nullptr, 10);
                std::memcpy(parent.eventName, eventName, sizeof eventName);
                arguments.Blank(i + 2);
            } else {
                value = nullptr;
            }
        } else {
            continue;
        }
        // A switch is ours even without its value; the value is consumed with it.
        arguments.Blank(i);
        if (value) arguments.Blank(++i);
    }
    return options;
}

}  // namespace setup

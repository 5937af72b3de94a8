// Arbitrary command lines and cabinet file names through the splitting,
// the switches, the installer command line and the name checks: every
// buffer stays within its bounds and a joined path stays in the directory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ArgumentVector.h"
#include "BoundedText.h"
#include "CabinetNames.h"
#include "InstallCommandLine.h"
#include "SetupOptions.h"

namespace {

// No component climbs: none is made of dots (and blanks) alone.
bool StaysInside(const char* name)
{
    if (name[0] == '\\' || name[0] == '/' || std::strchr(name, ':')) return false;
    for (const char* component = name; *component;) {
        size_t length = std::strcspn(component, "\\/");
        if (std::strspn(component, ". ") >= length) return false;
        component += length;
        if (*component) ++component;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.c_str();  // up to the first NUL, as a command line ends

    setup::ArgumentVector arguments;
    if (!arguments.Split(line.c_str(), "C:\\setup\\MurnelSetupAdmin.exe")) return 0;
    setup::SetupOptions options = setup::ParseSwitches(arguments);
    if (std::strlen(options.targetDir) >= setup::kPathChars || std::strlen(options.package) >= setup::kPathChars)
        std::abort();
    char commandLine[setup::kCommandLineChars];
    if (setup::BuildInstallCommandLine(commandLine, "C:\\windows\\system32\\msiexec.exe", options.package, arguments) &&
        std::strlen(commandLine) >= setup::kCommandLineChars)
        std::abort();

    // Each argument as a name stored in a cabinet.
    const char* dir = "C:\\target\\";
    for (size_t i = 0; i < arguments.Count(); ++i) {
        char path[setup::kPathChars];
        const char* reason = nullptr;
        if (!setup::JoinExtractPath(dir, arguments[i], path, sizeof path, &reason)) continue;
        const char* name = path + std::strlen(dir);
        if (std::strncmp(path, dir, std::strlen(dir)) != 0 || !StaysInside(name)) std::abort();
    }
    return 0;
}

// MurnelSetupAdmin: installs a Windows Installer package with elevation on
// behalf of a parent, relaying the installer's messages to it, or unpacks the
// cabinet it carries. Every step goes to its log.
#include <windows.h>
#include <msi.h>

#include <cstdlib>
#include <cstring>

#include "ArgumentVector.h"
#include "BoundedText.h"
#include "CabinetExtractor.h"
#include "InstallCommandLine.h"
#include "ParentPipes.h"
#include "SetupLog.h"
#include "SetupOptions.h"

namespace setup {
namespace {

constexpr DWORD kAllMessagesButFilesInUse = 0x7FDF;

// The program's own path, cut at its last backslash and its last dot.
struct ProgramPath {
    char full[kPathChars] = {};
    char baseName[kPathChars] = {};

    void Read()
    {
        DWORD length = GetModuleFileNameA(nullptr, full, sizeof full);
        if (length == 0 || length >= sizeof full) full[0] = '\0';
        const char* name = std::strrchr(full, '\\');
        name = name ? name + 1 : full;
        CopyBounded(baseName, sizeof baseName, name);
        if (char* dot = std::strrchr(baseName, '.')) *dot = '\0';
    }
};

// A product code carried as the "PRODUCTCODE" resource names the package
// when that product is already installed (or advertised).
void TakeInstalledProductCode(SetupOptions& options, SetupLog& log)
{
    HRSRC found = FindResourceA(nullptr, "PRODUCTCODE", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data) return;
    char code[39] = {};
    DWORD size = SizeofResource(nullptr, found);
    std::memcpy(code, data, size < 38 ? size : 38);
    INSTALLSTATE state = MsiQueryProductStateA(code);
    log.Printf("Product %s state: %d\n", code, static_cast<int>(state));
    if (state == INSTALLSTATE_DEFAULT || state == INSTALLSTATE_ADVERTISED) std::strcpy(options.package, code);
}

// A fresh "IXPnnn.TMP" directory in the temporary directory, each of the
// thousand names tried once from a random one. False when the path does not
// fit or no name is free.
bool MakeTargetDirectory(char* tempDir, char (&targetDir)[kPathChars])
{
    size_t length = std::strlen(tempDir);
    if ((length == 0 || tempDir[length - 1] != '\\') && !AppendBounded(tempDir, kPathChars, "\\")) return false;
    std::srand(GetTickCount());
    int first = std::rand() % 1000;
    for (int tried = 0; tried < 1000; ++tried) {
        int written = std::snprintf(targetDir, sizeof targetDir, "%sIXP%03d.TMP\\", tempDir, (first + tried) % 1000);
        if (written < 0 || static_cast<size_t>(written) >= sizeof targetDir) break;
        if (CreateDirectoryA(targetDir, nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) return true;
    }
    targetDir[0] = '\0';
    return false;
}

int InstallInProcess(const char* package, const char* commandLine, ParentPipes& pipes, SetupLog& log)
{
    log.Printf("Calling MsiInstallProduct(\"%s\", \"%s\")\n", package, commandLine);
    log.Flush();
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    RouteInstallerMessagesTo(&pipes, &log);
    MsiSetExternalUIA(InstallUIHandler, kAllMessagesButFilesInUse, nullptr);
    int result = static_cast<int>(MsiInstallProductA(package, commandLine));
    pipes.Close();
    return result;
}

int RunMsiexec(const char* msiexecPath, char* commandLine, SetupLog& log)
{
    log.Printf("Executing: %s", commandLine);
    log.Flush();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(msiexecPath, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return static_cast<int>(GetLastError());
    // The installation takes as long as it takes; msiexec ends it.
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

int Install(const char* package, const ArgumentVector& arguments, ParentPipes& pipes, SetupLog& log)
{
    char msiexecPath[kPathChars];
    UINT length = GetSystemDirectoryA(msiexecPath, sizeof msiexecPath);
    if (length == 0 || length >= sizeof msiexecPath || !AppendBounded(msiexecPath, sizeof msiexecPath, "\\msiexec.exe"))
        return ERROR_FILENAME_EXCED_RANGE;
    static char commandLine[kCommandLineChars];
    if (!BuildInstallCommandLine(commandLine, pipes.Connected() ? nullptr : msiexecPath, package, arguments)) {
        log.Printf("Command line too long\n");
        return ERROR_INVALID_PARAMETER;
    }
    return pipes.Connected() ? InstallInProcess(package, commandLine, pipes, log)
                             : RunMsiexec(msiexecPath, commandLine, log);
}

// Everything after the command line is read: extraction, installation and
// clean-up; the installer's result.
int Perform(SetupOptions& options, ArgumentVector& arguments, const ProgramPath& program, char* tempDir, SetupLog& log)
{
    static ParentPipes pipes;
    if (options.parent.requested) pipes.Connect(options.parent, log);
    bool installing = !options.extractOnly;
    if (installing) TakeInstalledProductCode(options, log);
    int result = 0;
    if (!options.targetDir[0] && !options.package[0] && !MakeTargetDirectory(tempDir, options.targetDir)) {
        log.Printf("No extraction directory could be made in '%s'\n", tempDir);
        return ERROR_CANNOT_MAKE;
    }

    HANDLE mutex = nullptr;
    if (installing) {
        mutex = CreateMutexA(nullptr, TRUE, program.baseName);
        if (GetLastError() == ERROR_ALREADY_EXISTS) result = ERROR_ALREADY_EXISTS;
    }
    static CabinetExtractor extractor(log, program.full, options.targetDir);
    if (result == 0 && !options.package[0]) {
        if (!extractor.Extract())
            result = ERROR_INSTALL_FAILURE;
        else if (extractor.FirstFile())
            CopyBounded(options.package, sizeof options.package, extractor.FirstFile());
    }
    if (mutex) CloseHandle(mutex);

    if (installing) {
        if (result == 0 && options.package[0]) result = Install(options.package, arguments, pipes, log);
        // Also what a failed extraction left behind.
        extractor.DeleteExtracted();
    }
    pipes.Close();
    if (options.targetDir[0]) RemoveDirectoryA(options.targetDir);
    return result;
}

int Run()
{
    static SetupLog log;
    char tempDir[kPathChars] = {};
    if (GetTempPathA(sizeof tempDir, tempDir) >= sizeof tempDir) tempDir[0] = '\0';
    static ProgramPath program;
    program.Read();
    log.Open(tempDir, program.baseName);

    ArgumentVector arguments;
    if (!arguments.Split(GetCommandLineA(), program.full)) return ERROR_INVALID_PARAMETER;
    log.Printf("Command Line: %s\n", GetCommandLineA());

    static SetupOptions options;
    options = ParseSwitches(arguments);
    int result;
    if (options.overlong) {
        log.Printf("Argument too long: %s\n", options.overlong);
        result = ERROR_INVALID_PARAMETER;
    } else {
        result = Perform(options, arguments, program, tempDir, log);
    }
    // Success and a cancel by the user leave nothing to look at.
    if (result == 0 || result == ERROR_INSTALL_USEREXIT) {
        log.CloseAndDelete();
    } else {
        log.Printf("\nReturned: %d\n", result);
        log.Flush();
    }
    return result;
}

}  // namespace
}  // namespace setup

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return setup::Run(); }

// The installer's log: a file in the temporary directory that is the
// process's standard output and standard error.
#pragma once

#include <windows.h>

#include <cstdio>

#include "BoundedText.h"

namespace setup {

class SetupLog {
public:
    // "<tempDir><baseName><process id in hex>.log", created anew; its first
    // line tells the local time. Without a log the program goes on silently.
    void Open(const char* tempDir, const char* baseName);
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Flush();
    // After a success or a cancel nothing needs looking at.
    void CloseAndDelete();

private:
    FILE* file_ = nullptr;
    char path_[kPathChars] = {};
};

}  // namespace setup

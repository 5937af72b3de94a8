// Unpacks the cabinet stored in the program's own "CABINET" resource with
// the system's cabinet library, logging every step.
#pragma once

#include <windows.h>
#include <fdi.h>

#include "BoundedText.h"
#include "SetupLog.h"

namespace setup {

class CabinetExtractor {
public:
    static constexpr int kRememberedFiles = 1024;

    // programPath names the cabinet: opening it opens the resource.
    CabinetExtractor(SetupLog& log, const char* programPath, const char* targetDir);

    // False, with the reason logged, when anything failed; the files written
    // before stay remembered.
    bool Extract();
    // The first extracted file, or null.
    const char* FirstFile() const { return remembered_ ? files_[0] : nullptr; }
    // Deletes the extracted files, last first, read-only ones too.
    void DeleteExtracted();

private:
    friend struct CabinetNotifications;
    bool CheckCabinet(HFDI fdi, char* source);
    bool Copy(HFDI fdi, char* source, ERF* error);
    void Remember(const char* path);
    // A file whose extraction broke off must not pass for a whole one.
    void DiscardPartialFile();

    SetupLog& log_;
    const char* programPath_;
    const char* targetDir_;
    char files_[kRememberedFiles][kPathChars];
    int remembered_ = 0;
    char partial_[kPathChars] = {};  // the file being written, until it is closed
    INT_PTR partialHandle_ = -1;
    long partialLength_ = 0;  // its length as the cabinet tells it
};

}  // namespace setup

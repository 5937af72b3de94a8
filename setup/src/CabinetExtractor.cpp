#include "CabinetExtractor.h"

#include <fcntl.h>
#include <fdi.h>
#include <io.h>
#include <sys/stat.h>

#include <cstring>

#include "CabinetNames.h"
#include "FileSlots.h"

namespace setup {
namespace {

// The cabinet library's file callbacks carry no context of their own.
FileSlots g_slots;
const char* g_programPath;

const char* FdiErrorText(int code)
{
    static const char* const kTexts[] = {
        "No error",
        "Cabinet not found",
        "Not a cabinet",
        "Unknown cabinet version",
        "Corrupt cabinet",
        "Memory allocation failed",
        "Unknown compression type",
        "Failure decompressing data",
        "Failure writing to target file",
        "Cabinets in set have different RESERVE sizes",
        "Cabinet returned on fdintNEXT_CABINET is incorrect",
        "User aborted",
    };
    return code >= 0 && code < static_cast<int>(sizeof kTexts / sizeof kTexts[0]) ? kTexts[code] : "Unknown error";
}

FNALLOC(AllocateMemory) { return LocalAlloc(LPTR, cb); }
FNFREE(FreeMemory) { LocalFree(pv); }

bool OpenOwnCabinet(FileSlot* slot)
{
    HRSRC found = FindResourceA(nullptr, "CABINET", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return false;
    slot->inMemory = true;
    slot->cabinet = MemoryCabinet(data, SizeofResource(nullptr, found));
    return true;
}

FNOPEN(CabinetOpen)
{
    intptr_t handle = g_slots.Acquire();
    if (handle == -1) return -1;
    FileSlot* slot = g_slots.Find(handle);
    bool opened = lstrcmpiA(pszFile, g_programPath) == 0 ? OpenOwnCabinet(slot)
                                                         : (slot->descriptor = _open(pszFile, oflag, pmode)) != -1;
    if (opened) return handle;
    g_slots.Release(handle);
    return -1;
}

FNREAD(CabinetRead)
{
    FileSlot* slot = g_slots.Find(hf);
    if (!slot) return static_cast<UINT>(-1);
    if (slot->inMemory) return static_cast<UINT>(slot->cabinet.Read(pv, cb));
    return static_cast<UINT>(_read(slot->descriptor, pv, cb));
}

FNWRITE(CabinetWrite)
{
    FileSlot* slot = g_slots.Find(hf);
    if (!slot) return static_cast<UINT>(-1);
    if (slot->inMemory) return cb;
    return static_cast<UINT>(_write(slot->descriptor, pv, cb));
}

FNSEEK(CabinetSeek)
{
    FileSlot* slot = g_slots.Find(hf);
    if (!slot) return -1;
    if (slot->inMemory) return slot->cabinet.Seek(dist, seektype);
    return _lseek(slot->descriptor, dist, seektype);
}

FNCLOSE(CabinetClose)
{
    FileSlot* slot = g_slots.Find(hf);
    if (!slot) return -1;
    int result = slot->inMemory ? 0 : _close(slot->descriptor);
    g_slots.Release(hf);
    return result;
}

const char* YesNo(BOOL value) { return value ? "yes" : "no"; }

}  // namespace

// The cabinet library's notifications, with the extractor as their context.
struct CabinetNotifications {
    static FNFDINOTIFY(Notify)
    {
        CabinetExtractor& self = *static_cast<CabinetExtractor*>(pfdin->pv);
        switch (fdint) {
        case fdintCABINET_INFO:
            self.log_.Printf(
                "fdintCABINET_INFO\n  next cabinet     = %s\n  next disk        = %s\n  cabinet path     = %s\n"
                "  cabinet set ID   = %d\n  cabinet # in set = %d (zero based)\n\n",
                pfdin->psz1, pfdin->psz2, pfdin->psz3, pfdin->setID, pfdin->iCabinet);
            return 0;
        case fdintPARTIAL_FILE:
            self.log_.Printf(
                "fdintPARTIAL_FILE\n   name of continued file            = %s\n"
                "   name of cabinet where file starts = %s\n   name of disk where file starts    = %s\n",
                pfdin->psz1, pfdin->psz2, pfdin->psz3);
            return 0;
        case fdintCOPY_FILE:
            return StartFile(self, pfdin);
        case fdintCLOSE_FILE_INFO:
            return FinishFile(self, pfdin);
        case fdintNEXT_CABINET:
            self.log_.Printf(
                "fdintNEXT_CABINET\n   name of next cabinet where file continued = %s\n"
                "   name of next disk where file continued    = %s\n   cabinet path name                         = "
                "%s\n\n",
                pfdin->psz1, pfdin->psz2, pfdin->psz3);
            return 0;
        default:
            return 0;
        }
    }

    static INT_PTR StartFile(CabinetExtractor& self, PFDINOTIFICATION pfdin)
    {
        self.log_.Printf("fdintCOPY_FILE\n  file name in cabinet = %s\n  uncompressed file size = %d\n\n", pfdin->psz1,
                         static_cast<int>(pfdin->cb));
        char path[kPathChars];
        const char* reason = nullptr;
        if (!JoinExtractPath(self.targetDir_, pfdin->psz1, path, sizeof path, &reason)) {
            self.log_.Printf("Refusing to extract '%s': %s\n", pfdin->psz1, reason);
            return -1;
        }
        // Truncated: a longer file of the same name must not keep its tail.
        INT_PTR handle =
            CabinetOpen(path, _O_BINARY | _O_CREAT | _O_TRUNC | _O_SEQUENTIAL | _O_WRONLY, _S_IREAD | _S_IWRITE);
        if (handle == -1) {
            self.log_.Printf("Unable to create '%s'\n", path);
            return -1;
        }
        std::strcpy(self.partial_, path);
        self.partialHandle_ = handle;
        self.partialLength_ = pfdin->cb;
        return handle;
    }

    static INT_PTR FinishFile(CabinetExtractor& self, PFDINOTIFICATION pfdin)
    {
        self.log_.Printf("fdintCLOSE_FILE_INFO\n   file name in cabinet = %s\n\n", pfdin->psz1);
        // The library reports a file closed even when its data broke off.
        FileSlot* slot = g_slots.Find(pfdin->hf);
        long length = slot && !slot->inMemory ? _filelength(slot->descriptor) : -1;
        if (length != self.partialLength_) {
            self.log_.Printf("'%s' came out %ld bytes long instead of %ld\n", pfdin->psz1, length, self.partialLength_);
            self.DiscardPartialFile();
            return FALSE;
        }
        CabinetClose(pfdin->hf);
        self.partial_[0] = '\0';
        char path[kPathChars];
        const char* reason = nullptr;
        if (!JoinExtractPath(self.targetDir_, pfdin->psz1, path, sizeof path, &reason)) return FALSE;
        self.Remember(path);
        FILETIME local, utc;
        HANDLE file =
            CreateFileA(path, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            if (DosDateTimeToFileTime(pfdin->date, pfdin->time, &local) && LocalFileTimeToFileTime(&local, &utc))
                SetFileTime(file, &utc, nullptr, &utc);
            CloseHandle(file);
        }
        DWORD attributes = pfdin->attribs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_ARCHIVE);
        SetFileAttributesA(path, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
        return TRUE;
    }
};

CabinetExtractor::CabinetExtractor(SetupLog& log, const char* programPath, const char* targetDir)
    : log_(log), programPath_(programPath), targetDir_(targetDir)
{
}

void CabinetExtractor::Remember(const char* path)
{
    if (remembered_ < kRememberedFiles) std::strcpy(files_[remembered_++], path);
}

bool CabinetExtractor::CheckCabinet(HFDI fdi, char* source)
{
    INT_PTR handle = CabinetOpen(source, _O_BINARY | _O_RDONLY | _O_SEQUENTIAL, 0);
    if (handle == -1) {
        log_.Printf("Unable to open '%s' for input\n", source);
        return false;
    }
    FDICABINETINFO info = {};
    BOOL cabinet = FDIIsCabinet(fdi, handle, &info);
    CabinetClose(handle);
    if (!cabinet) {
        log_.Printf("FDIIsCabinet() failed: '%s' is not a cabinet\n", source);
        return false;
    }
    log_.Printf(
        "Information on cabinet file '%s'\n   Total length of cabinet file : %d\n"
        "   Number of folders in cabinet : %d\n   Number of files in cabinet   : %d\n"
        "   Cabinet set ID               : %d\n   Cabinet number in set        : %d\n"
        "   RESERVE area in cabinet?     : %s\n   Chained to prev cabinet?     : %s\n"
        "   Chained to next cabinet?     : %s\n\n",
        source, static_cast<int>(info.cbCabinet), info.cFolders, info.cFiles, info.setID, info.iCabinet,
        YesNo(info.fReserve), YesNo(info.hasprev), YesNo(info.hasnext));
    return true;
}

bool CabinetExtractor::Copy(HFDI fdi, char* source, ERF* error)
{
    // The cabinet library joins directory and name again and opens the result,
    // which CabinetOpen knows as the program's own path.
    char directory[kPathChars];
    std::strcpy(directory, source);
    char* name = std::strrchr(source, '\\');
    name = name ? name + 1 : source;
    directory[name - source] = '\0';
    if (!FDICopy(fdi, name, directory, 0, CabinetNotifications::Notify, nullptr, this)) {
        log_.Printf("FDICopy() failed: code %d [%s]\n", error->erfOper, FdiErrorText(error->erfOper));
        DiscardPartialFile();
        return false;
    }
    return true;
}

bool CabinetExtractor::Extract()
{
    g_programPath = programPath_;
    ERF error = {};
    HFDI fdi = FDICreate(AllocateMemory, FreeMemory, CabinetOpen, CabinetRead, CabinetWrite, CabinetClose, CabinetSeek,
                         cpu80386, &error);
    if (!fdi) {
        log_.Printf("FDICreate() failed: code %d [%s]\n", error.erfOper, FdiErrorText(error.erfOper));
        return false;
    }
    // The library takes the names as writable strings.
    char source[kPathChars];
    bool extracted =
        CopyBounded(source, sizeof source, programPath_) && CheckCabinet(fdi, source) && Copy(fdi, source, &error);
    if (!FDIDestroy(fdi)) {
        log_.Printf("FDIDestroy() failed: code %d [%s]\n", error.erfOper, FdiErrorText(error.erfOper));
        extracted = false;
    }
    return extracted;
}

void CabinetExtractor::DiscardPartialFile()
{
    if (!partial_[0]) return;
    if (g_slots.Find(partialHandle_)) CabinetClose(partialHandle_);
    DeleteFileA(partial_);
    log_.Printf("Deleted the incomplete '%s'\n", partial_);
    partial_[0] = '\0';
}

void CabinetExtractor::DeleteExtracted()
{
    while (remembered_ > 0) {
        const char* path = files_[--remembered_];
        // A read-only file refuses deletion.
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path);
    }
}

}  // namespace setup

#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CPictureWindow;
class CWnd;
class KVQFrameBuffer;

// Files saved and opened during this run, oldest first; not stored.
struct FileHistoryEntry {
    std::wstring displayName;  // ShortenPath of the path
    std::wstring path;
};

class FileHistory {
public:
    // Appends the path unless it is already there (exact comparison); true
    // when it was added.
    bool Add(const wchar_t* path);
    // Null for an index outside the history.
    const FileHistoryEntry* At(int index) const;
    int Count() const { return static_cast<int>(m_entries.size()); }

private:
    std::vector<FileHistoryEntry> m_entries;
};

// The program's one history.
FileHistory& TheFileHistory();

// Adds the path to the history and, when new, its name to the history list
// of every picture window.
void RememberPictureFile(const wchar_t* path);

// The file's format by its extension: JPEG for "jpg" and "jpeg" in any case,
// BMP for every other.
bool IsJpegPath(const wchar_t* path);

// Writes the picture to path as JPEG or BMP. The new file is written beside
// the old one and takes its place only when complete, so a failed write
// leaves any old file as it was. 1 on success.
int WritePictureFile(const wchar_t* path, KVQFrameBuffer& picture);

// The save dialog for the picture (JPEG or BMP), then the write; a failed
// write shows "warnCanNotWriteFile". 1 when saved (the file is then in the
// history and the picture's taken mark cleared), 0 when cancelled or failed.
int SavePictureAs(KVQFrameBuffer& picture, const wchar_t* defaultName, CWnd* owner);

// Opens the picture file (JPEG, BMP or GIF) in the window: shown whole with a
// clean layer and put in the history. Null after "warnCanNotLoadFile" when
// the file can't be read; the window keeps its picture then.
CPictureWindow* LoadPictureFile(CPictureWindow& window, const wchar_t* path);

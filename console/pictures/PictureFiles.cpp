#include "PictureFiles.h"

#include <kvqframe.h>

#include <cwctype>

#include "ConsoleText.h"
#include "FrameCodecs.h"
#include "LanguageText.h"
#include "PictureWindow.h"
#include "PictureWindowList.h"

namespace {

const wchar_t* Extension(const wchar_t* path)
{
    const wchar_t* name = path;
    for (const wchar_t* c = path; *c; ++c)
        if (*c == L'\\' || *c == L'/') name = c + 1;
    const wchar_t* dot = wcsrchr(name, L'.');
    return dot ? dot + 1 : L"";
}

// The folder part of a path, with its closing separator; "." for a bare name.
std::wstring FolderOf(const wchar_t* path)
{
    const std::wstring text = path;
    const size_t slash = text.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : text.substr(0, slash + 1);
}

}  // namespace

bool FileHistory::Add(const wchar_t* path)
{
    if (!path || !*path) return false;
    for (const FileHistoryEntry& entry : m_entries)
        if (entry.path == path) return false;
    wchar_t shortName[kShortPathLength + 1];
    ShortenPath(shortName, path);
    m_entries.push_back({shortName, path});
    return true;
}

const FileHistoryEntry* FileHistory::At(int index) const
{
    return index >= 0 && index < Count() ? &m_entries[static_cast<size_t>(index)] : nullptr;
}

FileHistory& TheFileHistory()
{
    static FileHistory history;
    return history;
}

void RememberPictureFile(const wchar_t* path)
{
    FileHistory& history = TheFileHistory();
    if (!history.Add(path)) return;
    const wchar_t* name = history.At(history.Count() - 1)->displayName.c_str();
    ForEachPictureWindow([name](CPictureWindow& window) { window.AddHistoryEntry(name); });
}

bool IsJpegPath(const wchar_t* path)
{
    const wchar_t* extension = Extension(path);
    return _wcsicmp(extension, L"jpg") == 0 || _wcsicmp(extension, L"jpeg") == 0;
}

int WritePictureFile(const wchar_t* path, KVQFrameBuffer& picture)
{
    if (!path || !*path || !picture.HasPicture()) return 0;
    // The new file is made beside the old one, so that the rename that puts
    // it in place stays on one volume.
    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(FolderOf(path).c_str(), L"pic", 0, temporary)) return 0;
    const int written = IsJpegPath(path) ? WriteJpegFile(temporary, picture) : picture.SaveBmpFile(temporary);
    if (written && MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
    DeleteFileW(temporary);
    return 0;
}

int SavePictureAs(KVQFrameBuffer& picture, const wchar_t* defaultName, CWnd* owner)
{
    CFileDialog dialog(FALSE, L"jpg", defaultName, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       L"JPEG Files (*.jpg)|*.jpg|Bitmap Files (*.bmp)|*.bmp||", owner);
    if (dialog.DoModal() != IDOK) return 0;
    const CString path = dialog.GetPathName();
    if (!WritePictureFile(path, picture)) {
        IniMessageBox(nullptr, L"Messages", L"warnCanNotWriteFile");
        return 0;
    }
    RememberPictureFile(path);
    if (auto* kept = dynamic_cast<CFrameBuffer*>(&picture)) kept->m_taken = 0;
    return 1;
}

CPictureWindow* LoadPictureFile(CPictureWindow& window, const wchar_t* path)
{
    if (!path || !window.LoadPicture(path)) {
        IniMessageBox(nullptr, L"Messages", L"warnCanNotLoadFile");
        return nullptr;
    }
    RememberPictureFile(path);
    return &window;
}

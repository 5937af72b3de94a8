#include "kvqframe/Shell.h"

#include <objbase.h>
#include <shlobj.h>

BOOL AfxChooseFolder(CWnd* owner, const wchar_t* title, CString& folder)
{
    BROWSEINFOW info{};
    info.hwndOwner = owner ? owner->m_hWnd : nullptr;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen) return FALSE;
    wchar_t path[MAX_PATH] = L"";
    const BOOL found = ::SHGetPathFromIDListW(chosen, path) && path[0];
    ::CoTaskMemFree(chosen);
    if (found) folder = path;
    return found;
}

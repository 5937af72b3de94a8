#pragma once
#include "Wnd.h"

// Lets the user choose a file-system folder; TRUE with its path in folder,
// FALSE (folder unchanged) when the user cancels or chooses no real folder.
FX_API BOOL AfxChooseFolder(CWnd* owner, const wchar_t* title, CString& folder);

#pragma once

#include <windows.h>

#include "LanguageTable.h"

// Every visible text of the console comes from the language file, looked up
// by (section, key) with a default that stands when the file or key is
// missing. UI thread only: the results share process-wide buffers.

// Chooses the language file by the system's default language among the first
// `count` rows (row 0 when none matches); 1 when a row matched.
int SelectLanguageFile(const LanguageFileRow* table, int count);

// The same with the file's folder given: `matchedFolder` for a matching
// row, `fallbackFolder` for row 0 (folders without the closing separator).
int SelectLanguageFileIn(const LanguageFileRow* table, int count, const wchar_t* matchedFolder,
                         const wchar_t* fallbackFolder);

// Full path of the chosen file; empty before SelectLanguageFile.
const wchar_t* LanguageFilePath();

// The text, valid until the next call; a null default reads as "".
const wchar_t* ReadIniString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText);

// A message box with text and title from the file ("Caution!" when missing;
// an empty title without a title key); flags 0 stands for MB_ICONHAND.
int IniMessageBox(HWND owner, const wchar_t* section, const wchar_t* textKey, const wchar_t* titleKey = nullptr,
                  UINT flags = 0);

// Directory of the module's file, without the closing separator; empty when
// the name can't be read. Valid until the next call.
const wchar_t* GetModuleDirectory(HMODULE module);

// The panels' per-language choice, by the system's default language.
unsigned short PickByLangId(const LangIdValue* table, int count);

// vswprintf into a caller buffer of `size` characters.
void FormatText(wchar_t* buffer, size_t size, const wchar_t* format, ...);

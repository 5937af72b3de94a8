#pragma once

// The language text files by language id (LANGID), searched in order; row 0
// is also the file for every language that has no row.
struct LanguageFileRow {
    unsigned short langId;
    wchar_t file[64];
};

constexpr int kLanguageFileRows = 64;
extern const LanguageFileRow kLanguageFiles[kLanguageFileRows];

// Index of the first of `count` rows with this language id, or -1.
int FindLanguageRow(const LanguageFileRow* table, int count, unsigned short langId);

// A per-language value (a bitmap id, a width) of the panels.
struct LangIdValue {
    unsigned short langId;
    unsigned short value;
};

// The value of the first row with this language id, else of row 0.
unsigned short ValueForLangId(const LangIdValue* table, int count, unsigned short langId);

// Cuts a module's file name to its directory, in place: at the last "\" or
// "/", or after a ":" that comes first from the end (a bare drive);
// empty when the name holds neither.
void CutToDirectory(wchar_t* path);

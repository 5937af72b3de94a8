#include "LanguageTable.h"

#include <cwchar>

#define LANGUAGE_FILE(name) L"Language\\DCstring_" name L".ini"

const LanguageFileRow kLanguageFiles[kLanguageFileRows] = {
    {0x0000, LANGUAGE_FILE("en")},    {0x0400, LANGUAGE_FILE("en")},    {0x0404, LANGUAGE_FILE("tc")},
    {0x0804, LANGUAGE_FILE("sc")},    {0x0C04, LANGUAGE_FILE("tc")},    {0x1004, LANGUAGE_FILE("tc")},
    {0x0405, LANGUAGE_FILE("cz")},    {0x0407, LANGUAGE_FILE("ger")},   {0x0807, LANGUAGE_FILE("ger")},
    {0x0C07, LANGUAGE_FILE("ger")},   {0x1007, LANGUAGE_FILE("ger")},   {0x1407, LANGUAGE_FILE("ger")},
    {0x0409, LANGUAGE_FILE("en")},    {0x0809, LANGUAGE_FILE("en")},    {0x0C09, LANGUAGE_FILE("en")},
    {0x1009, LANGUAGE_FILE("en")},    {0x1409, LANGUAGE_FILE("en")},    {0x1809, LANGUAGE_FILE("en")},
    {0x1C09, LANGUAGE_FILE("en")},    {0x2009, LANGUAGE_FILE("en")},    {0x2409, LANGUAGE_FILE("en")},
    {0x2809, LANGUAGE_FILE("en")},    {0x2C09, LANGUAGE_FILE("en")},    {0x0C0A, LANGUAGE_FILE("spa")},
    {0x080A, LANGUAGE_FILE("mespa")}, {0x0C0A, LANGUAGE_FILE("spa")},   {0x100A, LANGUAGE_FILE("mespa")},
    {0x140A, LANGUAGE_FILE("mespa")}, {0x180A, LANGUAGE_FILE("mespa")}, {0x1C0A, LANGUAGE_FILE("mespa")},
    {0x200A, LANGUAGE_FILE("mespa")}, {0x240A, LANGUAGE_FILE("mespa")}, {0x280A, LANGUAGE_FILE("mespa")},
    {0x2C0A, LANGUAGE_FILE("mespa")}, {0x300A, LANGUAGE_FILE("mespa")}, {0x340A, LANGUAGE_FILE("mespa")},
    {0x380A, LANGUAGE_FILE("mespa")}, {0x3C0A, LANGUAGE_FILE("mespa")}, {0x400A, LANGUAGE_FILE("mespa")},
    {0x440A, LANGUAGE_FILE("mespa")}, {0x480A, LANGUAGE_FILE("mespa")}, {0x4C0A, LANGUAGE_FILE("mespa")},
    {0x500A, LANGUAGE_FILE("mespa")}, {0x040C, LANGUAGE_FILE("fra")},   {0x080C, LANGUAGE_FILE("fra")},
    {0x0C0C, LANGUAGE_FILE("fra")},   {0x100C, LANGUAGE_FILE("fra")},   {0x140C, LANGUAGE_FILE("fra")},
    {0x0410, LANGUAGE_FILE("ita")},   {0x0810, LANGUAGE_FILE("ita")},   {0x0411, LANGUAGE_FILE("jap")},
    {0x0412, LANGUAGE_FILE("kor")},   {0x0812, LANGUAGE_FILE("kor")},   {0x0413, LANGUAGE_FILE("dut")},
    {0x0813, LANGUAGE_FILE("dut")},   {0x0415, LANGUAGE_FILE("po")},    {0x0416, LANGUAGE_FILE("por")},
    {0x0816, LANGUAGE_FILE("por")},   {0x0419, LANGUAGE_FILE("rus")},   {0x041E, LANGUAGE_FILE("tha")},
    {0x041F, LANGUAGE_FILE("tur")},   {0x041B, LANGUAGE_FILE("cz")},    {0x040B, LANGUAGE_FILE("FL")},
    {0x040E, LANGUAGE_FILE("MY")},
};

int FindLanguageRow(const LanguageFileRow* table, int count, unsigned short langId)
{
    for (int i = 0; i < count; ++i)
        if (table[i].langId == langId) return i;
    return -1;
}

unsigned short ValueForLangId(const LangIdValue* table, int count, unsigned short langId)
{
    for (int i = 0; i < count; ++i)
        if (table[i].langId == langId) return table[i].value;
    return table[0].value;
}

void CutToDirectory(wchar_t* path)
{
    for (wchar_t* p = path + std::wcslen(path); p != path; --p) {
        const wchar_t c = p[-1];
        if (c == L'\\' || c == L'/') {
            p[-1] = L'\0';
            return;
        }
        if (c == L':') {
            *p = L'\0';
            return;
        }
    }
    *path = L'\0';  // a bare file name: no directory known
}

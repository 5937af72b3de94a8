#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>

#include "LanguageTable.h"

namespace {

std::wstring FileOf(unsigned short langId)
{
    const int row = FindLanguageRow(kLanguageFiles, kLanguageFileRows, langId);
    return kLanguageFiles[row < 0 ? 0 : row].file;
}

TEST(LanguageTable, ChoosesTheFileByLanguageId)
{
    struct Case {
        unsigned short langId;
        const wchar_t* file;
    };
    const Case cases[] = {
        {0x0409, L"Language\\DCstring_en.ini"},
        {0x0809, L"Language\\DCstring_en.ini"},
        {0x0407, L"Language\\DCstring_ger.ini"},
        {0x0C07, L"Language\\DCstring_ger.ini"},
        {0x1407, L"Language\\DCstring_ger.ini"},
        {0x0C0A, L"Language\\DCstring_spa.ini"},
        {0x500A, L"Language\\DCstring_mespa.ini"},
        {0x0404, L"Language\\DCstring_tc.ini"},
        {0x0804, L"Language\\DCstring_sc.ini"},
        {0x041B, L"Language\\DCstring_cz.ini"},
        {0x040E, L"Language\\DCstring_MY.ini"},
        {0x0411, L"Language\\DCstring_jap.ini"},
        // No row: row 0, English.
        {0x0418, L"Language\\DCstring_en.ini"},
        {0xFFFF, L"Language\\DCstring_en.ini"},
    };
    for (const Case& c : cases) EXPECT_EQ(FileOf(c.langId), c.file) << std::hex << c.langId;
    EXPECT_EQ(FindLanguageRow(kLanguageFiles, kLanguageFileRows, 0x0418), -1);
    // 0x0C0A is in the table twice; the first row wins.
    EXPECT_EQ(FindLanguageRow(kLanguageFiles, kLanguageFileRows, 0x0C0A), 23);
    // Only the first `count` rows are searched.
    EXPECT_EQ(FindLanguageRow(kLanguageFiles, 7, 0x0407), -1);
}

TEST(LanguageTable, RowsAreInTheirOrderAndWellFormed)
{
    EXPECT_EQ(kLanguageFiles[0].langId, 0x0000);
    EXPECT_EQ(kLanguageFiles[7].langId, 0x0407);
    EXPECT_EQ(kLanguageFiles[12].langId, 0x0409);
    EXPECT_EQ(kLanguageFiles[25].langId, 0x0C0A);
    EXPECT_EQ(kLanguageFiles[63].langId, 0x040E);
    std::set<unsigned short> ids;
    for (const LanguageFileRow& row : kLanguageFiles) {
        ids.insert(row.langId);
        EXPECT_EQ(std::wcsncmp(row.file, L"Language\\DCstring_", 18), 0);
        EXPECT_LT(std::wcslen(row.file), 64u);
    }
    EXPECT_EQ(ids.size(), 63u);  // one id twice
}

TEST(ValueForLangId, MatchingRowElseRowZero)
{
    const LangIdValue table[] = {{0x0409, 700}, {0x0407, 701}, {0x0411, 702}};
    EXPECT_EQ(ValueForLangId(table, 3, 0x0407), 701);
    EXPECT_EQ(ValueForLangId(table, 3, 0x0411), 702);
    EXPECT_EQ(ValueForLangId(table, 2, 0x0411), 700);
    EXPECT_EQ(ValueForLangId(table, 3, 0x040C), 700);
}

TEST(CutToDirectory, CutsAtTheLastSeparatorOrAfterADrive)
{
    struct Case {
        std::wstring path, directory;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Orbile\\orbileap.exe", L"C:\\Program Files\\Orbile"},
        {L"C:\\orbileap.exe", L"C:"},
        {L"Z:/build/console/tests/x.exe", L"Z:/build/console/tests"},
        {L"C:orbileap.exe", L"C:"},
        {L"\\\\server\\share\\orbileap.exe", L"\\\\server\\share"},
        {L"orbileap.exe", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring buffer = c.path;
        CutToDirectory(buffer.data());
        EXPECT_EQ(std::wstring(buffer.c_str()), c.directory);
    }
}

}  // namespace

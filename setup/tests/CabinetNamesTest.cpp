// File names from a cabinet stay inside the target directory.
#include <gtest/gtest.h>

#include <string>

#include "BoundedText.h"
#include "CabinetNames.h"

namespace setup {
namespace {

const char* kDir = "C:\\target\\";

TEST(CabinetNames, PlainNamesAndSubfoldersJoinTheDirectory)
{
    for (const char* name : {"product.msi", "sub\\file.txt", "a.b.c", "..name", "name..", ".hidden", "CONSOLE.txt",
                             "COM0", "LPT10", "nul2"}) {
        char path[kPathChars];
        const char* reason = "unset";
        ASSERT_TRUE(JoinExtractPath(kDir, name, path, sizeof path, &reason)) << name << ": " << reason;
        EXPECT_EQ(std::string(path), std::string(kDir) + name);
    }
}

TEST(CabinetNames, NamesThatLeaveTheDirectoryAreRefused)
{
    for (const char* name : {"..\\escape.txt",
                             "../escape.txt",
                             "sub\\..\\..\\escape.txt",
                             "sub/../../x",
                             "..",
                             "...\\x",
                             ". .\\x",
                             "x\\.",
                             "C:\\escape.txt",
                             "C:escape.txt",
                             "file.txt:stream",
                             "\\escape.txt",
                             "/escape.txt",
                             "\\\\server\\share\\x",
                             "\\\\?\\C:\\x",
                             "sub\\\\x",
                             "sub\\",
                             "",
                             "CON",
                             "con.txt",
                             "sub\\Nul",
                             "aux .log",
                             "COM1",
                             "lpt9.txt",
                             "a*b",
                             "a?b",
                             "a|b",
                             "a<b",
                             "a>b",
                             "a\"b",
                             "tab\there"}) {
        char path[kPathChars] = "untouched";
        const char* reason = nullptr;
        EXPECT_FALSE(JoinExtractPath(kDir, name, path, sizeof path, &reason)) << name;
        EXPECT_NE(reason, nullptr) << name;
    }
}

TEST(CabinetNames, PathsThatDoNotFitAreRefusedNotCut)
{
    std::string dir = "C:\\target\\";
    std::string fits(kPathChars - 1 - dir.size(), 'n');
    char path[kPathChars];
    const char* reason = nullptr;
    ASSERT_TRUE(JoinExtractPath(dir.c_str(), fits.c_str(), path, sizeof path, &reason));
    EXPECT_EQ(std::string(path).size(), kPathChars - 1);
    std::string overlong = fits + "n";
    EXPECT_FALSE(JoinExtractPath(dir.c_str(), overlong.c_str(), path, sizeof path, &reason));
    EXPECT_STREQ(reason, "path too long");
}

}  // namespace
}  // namespace setup

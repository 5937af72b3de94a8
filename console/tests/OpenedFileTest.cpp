#include <gtest/gtest.h>

#include "OpenedFile.h"

namespace {

TEST(OpenedFile, KindByTheLastExtensionInAnyCase)
{
    struct Case {
        const wchar_t* path;
        OpenedFileKind kind;
    };
    const Case cases[] = {
        {L"C:\\Shots\\a.jpg", OpenedFileKind::Picture},
        {L"C:\\Shots\\a.JPG", OpenedFileKind::Picture},
        {L"C:\\Shots\\a.GIF", OpenedFileKind::Picture},
        {L"C:\\Shots\\a.Bmp", OpenedFileKind::Picture},
        {L"C:\\Shots\\lesson.AVI", OpenedFileKind::Video},
        {L"C:\\Shots\\a.png", OpenedFileKind::Other},
        {L"C:\\Shots\\a.jpeg", OpenedFileKind::Other},
        {L"C:\\Shots\\a.jpg.txt", OpenedFileKind::Other},
        {L"C:\\Shots\\a.txt.jpg", OpenedFileKind::Picture},
        {L"C:\\Shots.jpg\\picture", OpenedFileKind::Other},  // a folder's dot
        {L"C:\\Shots\\jpg", OpenedFileKind::Other},
        {L"C:\\Shots\\a.jp", OpenedFileKind::Other},
        {L"C:\\Shots\\a.", OpenedFileKind::Other},
        {L"", OpenedFileKind::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int>(KindOfOpenedFile(c.path)), static_cast<int>(c.kind))
            << testing::PrintToString(c.path);
}

}  // namespace

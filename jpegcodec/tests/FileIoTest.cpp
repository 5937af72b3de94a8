#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CodecFixtures.h"
#include "jpegcodec.h"
#include "jpegcodec_testing.h"
#include "Platform.h"

namespace {
void writeFile(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

long fileSize(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return -1;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size;
}

TEST(CodecFile, OpeningForWritingCreatesOrTruncates)
{
    const std::string path = fixtures::scratchPath("out.jpg");
    writeFile(path, std::string(5000, 'x'));
    void* file = openCodecFile(path.c_str(), CODEC_FILE_READ_WRITE);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(0, fileSize(path));
    int32_t written = 0;
    EXPECT_TRUE(writeCodecFile(file, "abc", 3, &written));
    EXPECT_EQ(3, written);
    EXPECT_TRUE(closeCodecFile(file));
    EXPECT_EQ(3, fileSize(path));
    std::remove(path.c_str());
    EXPECT_EQ(nullptr, openCodecFile(path.c_str(), CODEC_FILE_READ));
}

TEST(CodecFile, ReadSeekAndShareReadOnly)
{
    const std::string path = fixtures::scratchPath("in.jpg");
    writeFile(path, "0123456789");
    void* file = openCodecFile(path.c_str(), CODEC_FILE_READ);
    ASSERT_NE(nullptr, file);
    EXPECT_TRUE(fixtures::otherOpenerCan(path, false));
    EXPECT_FALSE(fixtures::otherOpenerCan(path, true));
    char buffer[8] = {};
    int32_t got = 0;
    EXPECT_TRUE(readCodecFile(file, buffer, 4, &got));
    EXPECT_EQ(std::string("0123"), std::string(buffer, got));
    EXPECT_TRUE(seekCodecFile(file, -2, CODEC_SEEK_CURRENT));
    EXPECT_TRUE(readCodecFile(file, buffer, 8, &got));
    EXPECT_EQ(std::string("23456789"), std::string(buffer, got));
    EXPECT_TRUE(seekCodecFile(file, 9, CODEC_SEEK_BEGIN));
    EXPECT_TRUE(readCodecFile(file, buffer, 8, &got));
    EXPECT_EQ(std::string("9"), std::string(buffer, got));
    EXPECT_TRUE(readCodecFile(file, buffer, 8, &got));
    EXPECT_EQ(0, got);
    EXPECT_TRUE(closeCodecFile(file));
    EXPECT_TRUE(fixtures::otherOpenerCan(path, true));
    std::remove(path.c_str());
}

TEST(CodecFile, WritingExcludesOtherWriters)
{
    const std::string path = fixtures::scratchPath("out.jpg");
    void* file = openCodecFile(path.c_str(), CODEC_FILE_READ_WRITE);
    ASSERT_NE(nullptr, file);
    EXPECT_FALSE(fixtures::otherOpenerCan(path, true));
    EXPECT_TRUE(closeCodecFile(file));
    std::remove(path.c_str());
}

TEST(CodecFile, MissingFileGivesInvalidFileName)
{
    JPEG_PROPERTIES props;
    ASSERT_EQ(JPEG_SUCCESS, jpegInit(&props));
    props.jpegFileName = "no-such-file.jpg";
    EXPECT_EQ(JPEG_INVALID_FILE_NAME, jpegRead(&props, ReadInfoFromFile));
    EXPECT_FALSE(jpegtest::fileOpen(&props));
    EXPECT_EQ(JPEG_SUCCESS, jpegFree(&props));
}
}  // namespace

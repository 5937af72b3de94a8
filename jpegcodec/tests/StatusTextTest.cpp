#include <gtest/gtest.h>

#include "jpegcodec.h"

namespace {
struct StatusText {
    int code;
    const char* text;
};

const StatusText kTexts[] = {
    {2, "ROI Success"},
    {1, "Interrupt Success"},
    {0, "Success"},
    {-1, "Exception detected"},
    {-2, "Invalid Encoder"},
    {-3, "Unsupported subsampling"},
    {-4, "Unsupported bytes per pixel"},
    {-5, "Memory error"},
    {-6, "Bad Huffman table"},
    {-7, "Bad Quantization table"},
    {-8, "Invalid JPEG_PROPERTIES"},
    {-9, "Error close file"},
    {-10, "Invalid file name"},
    {-11, "Error EOF"},
    {-12, "Not supported"},
    {-13, "Not JPEG"},
    {-14, "Error COMP"},
    {-15, "Error SOF"},
    {-16, "Error DNL"},
    {-17, "No Huffman table"},
    {-18, "No Quantization table"},
    {-19, "No frame"},
    {-20, "Multiply frame"},
    {-21, "Data error"},
    {-22, "No image"},
    {-23, "File error"},
    {-24, "Internal error"},
    {-25, "Bad RST marker"},
    {-26, "Thumbnail too small"},
    {-27, "Thumbnail has wrong color"},
    {-28, "Output buffer too small"},
    {-29, "Unsupported frame was found"},
    {-30, "Error access to jpeg_comment buffer"},
    {-99, "Reserved"},
    {3, "Unknown error code"},
    {-31, "Unknown error code"},
    {-98, "Unknown error code"},
    {-100, "Unknown error code"},
    {0x7FFFFFFF, "Unknown error code"},
};

TEST(StatusText, EveryCodeHasItsFixedText)
{
    for (const StatusText& entry : kTexts)
        EXPECT_STREQ(entry.text, jpegErrorStr(static_cast<JPEG_STATUS>(entry.code))) << "code " << entry.code;
}

TEST(LibVersion, ReportsTheLibraryRecord)
{
    const JPEG_LIB_VERSION* version = jpegGetLibVersion();
    ASSERT_NE(nullptr, version);
    EXPECT_EQ(1, version->major);
    EXPECT_EQ(51, version->minor);
    EXPECT_EQ(13, version->build);
    EXPECT_STREQ("kestrun15l.lib", version->libraryName);
    EXPECT_STREQ("1.51.13", version->version);
    EXPECT_STREQ("[1.51.13.45]", version->internalVersion);
    EXPECT_STREQ("Apr 30 2002", version->buildDate);
    EXPECT_STREQ("Microsoft*", version->toolchain);
}
}  // namespace

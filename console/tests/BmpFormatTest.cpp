#include <gtest/gtest.h>

#include "BmpFormat.h"
#include "PixelPlane.h"

namespace {

unsigned U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24; }

TEST(BmpFileHeader, SizeAndOffsetOfA3By2Picture)
{
    unsigned char header[kBmpFileHeaderBytes];
    WriteBmpFileHeader(header, BgrStride(3) * 2);
    EXPECT_EQ(header[0], 'B');
    EXPECT_EQ(header[1], 'M');
    EXPECT_EQ(U32(header + 2), 78u);
    EXPECT_EQ(U32(header + 6), 0u);
    EXPECT_EQ(U32(header + 10), 54u);
}

}  // namespace

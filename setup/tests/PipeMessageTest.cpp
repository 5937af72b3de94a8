// The record that carries an installer message to the parent.
#include <gtest/gtest.h>

#include <vector>

#include "PipeMessage.h"

namespace setup {
namespace {

std::vector<unsigned char> Encode(uint32_t type, const char* text)
{
    std::vector<unsigned char> out(PipeMessageLength(text));
    EncodePipeMessage(type, text, out.data());
    return out;
}

TEST(PipeMessage, TypeLittleEndianThenTextWithItsNul)
{
    EXPECT_EQ(Encode(0x0B000001u, "Ab"), (std::vector<unsigned char>{0x01, 0x00, 0x00, 0x0B, 'A', 'b', 0}));
    EXPECT_EQ(Encode(0x04000000u, nullptr), (std::vector<unsigned char>{0x00, 0x00, 0x00, 0x04}));
    EXPECT_EQ(Encode(0x0D000000u, ""), (std::vector<unsigned char>{0x00, 0x00, 0x00, 0x0D}));
}

TEST(PipeMessage, NamesIgnoreTheButtonIconAndDefaultBits)
{
    EXPECT_STREQ(MessageTypeName(0x00000000u), "INSTALLMESSAGE_FATALEXIT");
    EXPECT_STREQ(MessageTypeName(0x01000000u | 0x30 | 0x1), "INSTALLMESSAGE_ERROR");
    EXPECT_STREQ(MessageTypeName(0x05000000u | 0x377), "INSTALLMESSAGE_FILESINUSE");
    EXPECT_STREQ(MessageTypeName(0x08000000u), "INSTALLMESSAGE_ACTIONSTART");
    EXPECT_STREQ(MessageTypeName(0x0A000000u), "INSTALLMESSAGE_PROGRESS");
    EXPECT_STREQ(MessageTypeName(0x0E000000u | 0x200), "INSTALLMESSAGE_SHOWDIALOG");
    EXPECT_STREQ(MessageTypeName(0x0F000000u), "Unknown Message");
    EXPECT_STREQ(MessageTypeName(0x0B000008u), "Unknown Message");
    EXPECT_STREQ(MessageTypeName(0xFF000000u), "Unknown Message");
}

}  // namespace
}  // namespace setup

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "AviFileChecks.h"

namespace {

std::string Le32(uint32_t v)
{
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

std::string Chunk(const std::string& id, const std::string& payload)
{
    return id + Le32(static_cast<uint32_t>(payload.size())) + payload + (payload.size() % 2 ? "\0" : "");
}

std::string List(const std::string& kind, const std::string& body) { return Chunk("LIST", kind + body); }

std::string StreamHeader(uint32_t scale, uint32_t rate)
{
    std::string strh(56, '\0');
    std::memcpy(&strh[0], "vids", 4);
    std::memcpy(&strh[20], Le32(scale).data(), 4);
    std::memcpy(&strh[24], Le32(rate).data(), 4);
    return Chunk("strh", strh);
}

std::string AviFile(const std::string& streamLists)
{
    std::string hdrl = List("hdrl", Chunk("avih", std::string(56, '\0')) + streamLists);
    std::string body = "AVI " + hdrl + List("movi", "");
    return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

bool Usable(const std::string& bytes)
{
    return kvq::StreamTimingIsUsable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(StreamTimingCheck, RefusesAnyStreamWithoutRateOrScale)
{
    std::string good = List("strl", StreamHeader(1, 25) + Chunk("strf", std::string(40, '\0')));
    EXPECT_TRUE(Usable(AviFile(good)));
    EXPECT_TRUE(Usable(AviFile(good + good)));
    EXPECT_FALSE(Usable(AviFile(List("strl", StreamHeader(1, 0)))));
    EXPECT_FALSE(Usable(AviFile(List("strl", StreamHeader(0, 25)))));
    EXPECT_FALSE(Usable(AviFile(good + List("strl", StreamHeader(2, 0))))) << "the second stream counts too";
}

TEST(StreamTimingCheck, ReadsCutOffHeadersAsFarAsTheyGo)
{
    std::string file = AviFile(List("strl", StreamHeader(1, 0)));
    size_t rateEnd = file.find("strh") + 8 + 28;
    for (size_t cut = 0; cut < file.size(); ++cut) {
        EXPECT_EQ(Usable(file.substr(0, cut)), cut < rateEnd) << "cut after " << cut << " bytes";
    }
}

TEST(StreamTimingCheck, LeavesWhatIsNoAviToTheReader)
{
    EXPECT_TRUE(Usable(""));
    EXPECT_TRUE(
        Usable("RIFF\xff\xff\xff\xff"
               "WAVE"));
    std::string lying = AviFile(List("strl", StreamHeader(1, 0)));
    std::memcpy(&lying[4], Le32(0xFFFFFFFF).data(), 4);  // a RIFF size far beyond the file
    EXPECT_FALSE(Usable(lying));
}

TEST(UncompressedFrameBytes, PadsRowsToFourBytes)
{
    EXPECT_EQ(kvq::UncompressedFrameBytes(64, 48, 24), 64u * 3 * 48);
    EXPECT_EQ(kvq::UncompressedFrameBytes(30, 20, 24), 92u * 20);
    EXPECT_EQ(kvq::UncompressedFrameBytes(30, -20, 24), 92u * 20);
    EXPECT_EQ(kvq::UncompressedFrameBytes(7, 2, 1), 4u * 2);
    EXPECT_EQ(kvq::UncompressedFrameBytes(0x7FFFFFFF, 0x7FFFFFFF, 32), 0x1FFFFFFFCull * 0x7FFFFFFF);
    EXPECT_EQ(kvq::UncompressedFrameBytes(0, 48, 24), 0u);
    EXPECT_EQ(kvq::UncompressedFrameBytes(64, 0, 24), 0u);
}

}  // namespace

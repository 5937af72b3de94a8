#include <gtest/gtest.h>

#include <vector>

#include "kvqdoccam.h"

namespace {

// A frame of len bytes starting FF D8 with FF D9 at markerAt (or none).
std::vector<unsigned char> Frame(int len, int markerAt)
{
    std::vector<unsigned char> frame(len, 0x11);
    frame[0] = 0xFF;
    frame[1] = 0xD8;
    if (markerAt >= 0) {
        frame[markerAt] = 0xFF;
        frame[markerAt + 1] = 0xD9;
    }
    return frame;
}

TEST(CheckJpegEnd, EndMarkerMustStartInTheLastTenBytes)
{
    struct Case {
        int len;
        int markerAt;
        int expected;
    } cases[] = {
        {100, 98, 1},  // ends at the last byte
        {100, 90, 1},  // starts at len-10
        {100, 89, 0},  // ends at len-10
        {100, -1, 0},  // no end marker
        {10, 8, 1},    // shortest accepted frame
        {12, 2, 1},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> frame = Frame(c.len, c.markerAt);
        EXPECT_EQ(c.expected, KVQDocCamController::CheckJpegEnd(frame.data(), c.len))
            << "len " << c.len << " marker at " << c.markerAt;
    }
}

TEST(CheckJpegEnd, RefusesShortOrForeignData)
{
    std::vector<unsigned char> nine = {0xFF, 0xD8, 0, 0, 0, 0, 0, 0xFF, 0xD9};
    EXPECT_EQ(0, KVQDocCamController::CheckJpegEnd(nine.data(), 9));
    std::vector<unsigned char> noStart = Frame(20, 18);
    noStart[1] = 0xD9;
    EXPECT_EQ(0, KVQDocCamController::CheckJpegEnd(noStart.data(), 20));
    EXPECT_EQ(0, KVQDocCamController::CheckJpegEnd(nullptr, 100));
    EXPECT_EQ(0, KVQDocCamController::CheckJpegEnd(noStart.data(), -5));
    // The start marker alone does not count as an end when len is 10.
    std::vector<unsigned char> ten = Frame(10, -1);
    EXPECT_EQ(0, KVQDocCamController::CheckJpegEnd(ten.data(), 10));
}

}  // namespace

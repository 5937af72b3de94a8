// The data source's live picture pair fed as the camera's thread feeds it:
// whole frames become the front picture, anything that does not decode
// leaves the front picture as it was, and a still taller than the live
// picture is reported.
#include <gtest/gtest.h>

#include <vector>

#include "LivePicture.h"
#include "SimPictures.h"
#include "kvqdoccam.h"

namespace {

std::vector<unsigned char> Page(int index)
{
    const simcam::Picture& p = simcam::kTestPictures[index];
    return std::vector<unsigned char>(p.bytes, p.bytes + p.size);
}

struct Front {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
};

Front CopyOf(LivePicture& live)
{
    Front front;
    BgrPlane plane{};
    if (live.CopyFront(front.pixels, plane)) front.width = plane.width, front.height = plane.height;
    return front;
}

class LivePictureTest : public ::testing::Test {
protected:
    KVQDocCamController camera;  // no camera attached: neutral picture state
    LivePicture live;
};

TEST_F(LivePictureTest, AWholeFrameBecomesTheFrontPicture)
{
    std::vector<unsigned char> page = Page(0);
    EXPECT_FALSE(live.HandleFrame(camera, page.data(), 1024, 768, int(page.size())));
    const Front front = CopyOf(live);
    EXPECT_EQ(1024, front.width);
    EXPECT_EQ(768, front.height);
    EXPECT_EQ(1, live.FramesShown());
    EXPECT_FALSE(live.Decoding());
}

TEST_F(LivePictureTest, FramesThatDoNotDecodeKeepThePreviousPicture)
{
    std::vector<unsigned char> page = Page(1);
    live.HandleFrame(camera, page.data(), 1024, 768, int(page.size()));
    const Front before = CopyOf(live);

    std::vector<unsigned char> cut(page.begin(), page.begin() + page.size() / 2);  // no end marker
    std::vector<unsigned char> shortYuy2(1024 * 768 * 2 - 2, 0x80);
    std::vector<unsigned char> corrupt = Page(2);
    for (size_t i = 600; i + 2 < corrupt.size(); i += 7) corrupt[i] = 0xFF;  // markers everywhere in the scan
    for (std::vector<unsigned char>* frame : {&cut, &shortYuy2, &corrupt}) {
        live.HandleFrame(camera, frame->data(), 1024, 768, int(frame->size()));
        const Front after = CopyOf(live);
        EXPECT_EQ(before.pixels, after.pixels);
        EXPECT_EQ(1, live.FramesShown());
    }
    // The next whole frame is decoded into the buffer the failures touched.
    std::vector<unsigned char> next = Page(3);
    live.HandleFrame(camera, next.data(), 1024, 768, int(next.size()));
    EXPECT_EQ(2, live.FramesShown());
    EXPECT_NE(before.pixels, CopyOf(live).pixels);
}

TEST_F(LivePictureTest, AStillTallerThanTheLivePictureIsReported)
{
    std::vector<unsigned char> still(2048 * 1536 * 2, 0x80);  // YUY2 mid-gray
    EXPECT_TRUE(live.HandleFrame(camera, still.data(), 2048, 1536, int(still.size())));
    EXPECT_EQ(1536, CopyOf(live).height);
}

}  // namespace

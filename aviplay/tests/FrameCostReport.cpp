// Reports what one frame costs the deliverable at 1024x768: fetching it from
// the file, decoding it and drawing it into a window, against the 33 ms that
// a frame lasts at 30 frames a second. A report, not a check: the figure
// depends on the machine.
#include <gtest/gtest.h>

#include <string>

#include <kvqaviplay.h>

#include "FixtureFiles.h"

namespace {

TEST(FrameCost, FetchAndDrawAt1024x768)
{
    HWND window =
        CreateWindowW(L"STATIC", L"player", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    KVQAviPlayer player;
    player.SetOptions(KVQAviPlayer::OptionDrawToWindow);
    ASSERT_TRUE(player.OpenFile(window, FixturePath(L"xga.avi").c_str()));
    ASSERT_EQ(player.Width(), 1024u);
    ASSERT_EQ(player.Height(), 768u);

    const int rounds = 20;
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    for (int round = 0; round < rounds; ++round) {
        for (UINT frame = 0; frame < player.Frames(); ++frame) ASSERT_NE(player.Seek(frame), nullptr);
    }
    QueryPerformanceCounter(&end);
    double frames = rounds * static_cast<double>(player.Frames());
    double msPerFrame = (end.QuadPart - begin.QuadPart) * 1000.0 / frequency.QuadPart / frames;
    std::printf("fetch, decode and draw of a 1024x768 frame: %.2f ms (%.0f%% of the 33 ms frame budget)\n", msPerFrame,
                msPerFrame / 33.0 * 100.0);
    testing::Test::RecordProperty("ms_per_frame", std::to_string(msPerFrame));
    DestroyWindow(window);
}

}  // namespace

// The deliverable DLL against the system's own wave output: a file with
// sound plays to the end, its blocks paced by the device's own returns.
// Run by real_sound_smoke.sh, which provides a sound server with a null sink.
#include <gtest/gtest.h>

#include <string>

#include <kvqaviplay.h>

#include "FixtureFiles.h"

namespace {

// The device sets WHDR_INQUEUE on a block it is given and, from its own
// thread, swaps it for WHDR_DONE when it hands the block back.
DWORD BlockFlags(int block) { return *static_cast<volatile DWORD*>(&KVQAviPlayer::waveHeader[block].dwFlags); }

int BlocksWithDevice()
{
    int count = 0;
    for (int block = 0; block < 16; ++block) {
        if (BlockFlags(block) & WHDR_INQUEUE) ++count;
    }
    return count;
}

bool HandedBack(int block) { return (BlockFlags(block) & (WHDR_DONE | WHDR_INQUEUE)) == WHDR_DONE; }

TEST(RealSound, PlaysAFileWithSoundToTheEnd)
{
    HWND window = CreateWindowW(L"STATIC", L"player", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    KVQAviPlayer player;
    ASSERT_TRUE(player.OpenFile(window, FixturePath(L"sound_long.avi").c_str()));
    ASSERT_EQ(KVQAviPlayer::pWhoIsPlayingSound, &player) << "no wave device: is the sound server running?";
    ASSERT_NE(KVQAviPlayer::hWav, nullptr);
    EXPECT_EQ(KVQAviPlayer::preparedBuffers, 16);
    // The device keeps the level in its own precision: Wine's 32-bit build
    // gives 0x8000 back as 0x7FFF.
    player.SetVolume(0x8000);
    EXPECT_NEAR(player.GetVolume(), 0x8000, 1);

    ASSERT_TRUE(player.Play(1.0f));
    EXPECT_TRUE(KVQAviPlayer::bAudioIsPlaying);
    // Two blocks of 8192 samples are queued at once; the rest of the 32000
    // samples only as the device hands blocks back, each after about a
    // second of sound. The film is not moved on meanwhile: its end resets
    // the read position watched here, and under load it may come first.
    DWORD start = GetTickCount(), allQueuedMs = 0;
    int mostWithDevice = 0;
    bool firstBlocksBack = false;
    while (!allQueuedMs && GetTickCount() - start < 20000) {
        bool allQueued = KVQAviPlayer::audioPos == 32000;
        int withDevice = BlocksWithDevice();
        if (withDevice > mostWithDevice) mostWithDevice = withDevice;
        if (allQueued) {
            firstBlocksBack = HandedBack(0) && HandedBack(1);
            allQueuedMs = GetTickCount() - start;
        } else {
            Sleep(5);
        }
    }
    ASSERT_NE(allQueuedMs, 0u) << "the last block of sound was never queued";
    EXPECT_LE(mostWithDevice, 2) << "the device was handed blocks faster than it played them";
    EXPECT_TRUE(firstBlocksBack) << "the last block was queued before the device handed the first two back";
    std::printf("the device took the last block of sound after %lu ms\n", allQueuedMs);

    // The film's 4 s follow the wall clock: it ends on the first tick after.
    while (player.IsPlaying() && GetTickCount() - start < 20000) {
        Sleep(player.FrameMilliseconds());
        player.OnTimerEvent(KVQAviPlayer::PlayTimerId);
    }
    EXPECT_FALSE(player.IsPlaying()) << "the film ended";
    EXPECT_FALSE(KVQAviPlayer::bAudioIsPlaying) << "and its end silenced the sound";

    player.Close();
    EXPECT_EQ(KVQAviPlayer::hWav, nullptr);
    EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, nullptr);
    DestroyWindow(window);
}

}  // namespace

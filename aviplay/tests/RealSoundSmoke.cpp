// The deliverable DLL against the system's own wave output: a file with
// sound plays to the end, its blocks paced by the device's own returns.
// Run by real_sound_smoke.sh, which provides a sound server with a null sink.
#include <gtest/gtest.h>

#include <string>

#include <kvqaviplay.h>

#include "FixtureFiles.h"

namespace {

TEST(RealSound, PlaysAFileWithSoundToTheEnd) {
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
    // second of sound. The film itself lasts 4 s.
    DWORD start = GetTickCount(), allQueuedMs = 0;
    while (player.IsPlaying() && GetTickCount() - start < 10000) {
        Sleep(player.FrameMilliseconds());
        player.OnTimerEvent(KVQAviPlayer::PlayTimerId);
        if (!allQueuedMs && KVQAviPlayer::audioPos == 32000) allQueuedMs = GetTickCount() - start;
    }
    EXPECT_FALSE(player.IsPlaying()) << "the film ended";
    EXPECT_FALSE(KVQAviPlayer::bAudioIsPlaying) << "and its end silenced the sound";
    EXPECT_GT(allQueuedMs, 1500u) << "every block was queued, as fast as the device played them";
    std::printf("the device took the last block of sound after %lu ms\n", allQueuedMs);

    player.Close();
    EXPECT_EQ(KVQAviPlayer::hWav, nullptr);
    EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, nullptr);
    DestroyWindow(window);
}

}  // namespace

// The sound path through the stand-in wave output: which blocks are queued
// when, the hand-over of the single sound device between players, and that
// the device is left clean however play is stopped and started.
#include "PlayerTestSupport.h"

#include <atomic>
#include <thread>

#include "testsupport/PollUntil.h"

namespace {

// 8000 samples a second, 320 per frame at 25 frames a second; a block holds
// 16384 bytes = 8192 16-bit samples.
constexpr int kSamplesPerFrame = 320;
constexpr int kBlockSamples = 8192;

class SoundTest : public PlayerTest {
protected:
    std::vector<int> FirstSamples()
    {
        std::vector<int> samples;
        for (const FakeWaveOutput::Block& block : wave.Writes()) samples.push_back(block.firstSample);
        return samples;
    }
    // Waits until the refill thread has settled on the flag going down.
    bool SoundRunsOut()
    {
        return testsupport::PollUntil(5000, [] { return !KVQAviPlayer::bAudioIsPlaying; });
    }
    void TearDown() override
    {
        EXPECT_EQ(wave.Misuses(), 0);
        EXPECT_EQ(wave.Prepared(), 0u) << "a closed player leaves no prepared header behind";
        EXPECT_FALSE(wave.IsOpen());
        EXPECT_EQ(KVQAviPlayer::hWav, nullptr);
        EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, nullptr);
        PlayerTest::TearDown();
    }
};

TEST_F(SoundTest, PlaysFromTheVideoPositionTwoBlocksAheadUntilTheSoundRunsOut)
{
    KVQAviPlayer player;
    Open(player, L"sound_long.avi");
    EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, &player);
    EXPECT_EQ(KVQAviPlayer::preparedBuffers, 16);
    EXPECT_EQ(wave.Prepared(), 16u);
    EXPECT_EQ(player.AudioInfo().fccType, streamtypeAUDIO);
    EXPECT_EQ(KVQAviPlayer::audioSamples, 100 * kSamplesPerFrame);

    ASSERT_NE(player.Seek(25), nullptr);
    EXPECT_EQ(KVQAviPlayer::audioPos, 25 * kSamplesPerFrame);
    ASSERT_TRUE(player.Play(1.0f));
    EXPECT_TRUE(KVQAviPlayer::bAudioIsPlaying);
    EXPECT_EQ(FirstSamples(), (std::vector<int>{8000, 8000 + kBlockSamples}));
    EXPECT_EQ(wave.Queued(), 2u);

    ASSERT_TRUE(wave.ReturnOldest());
    ASSERT_TRUE(wave.WaitForWrites(3)) << "a returned block is replaced by the next";
    std::vector<FakeWaveOutput::Block> writes = wave.Writes();
    EXPECT_EQ(writes[2].firstSample, 8000 + 2 * kBlockSamples);
    EXPECT_EQ(writes[2].bytes, 2u * (32000 - 8000 - 2 * kBlockSamples)) << "the last block is short";
    EXPECT_EQ(writes[2].header, 2);

    while (wave.ReturnOldest()) {
    }
    EXPECT_TRUE(SoundRunsOut());
    EXPECT_EQ(wave.Writes().size(), 3u);
    EXPECT_TRUE(player.IsPlaying()) << "the picture plays on without sound";
}

TEST_F(SoundTest, OnlyNormalSpeedWithoutTheNoSoundOptionPlaysSound)
{
    struct Case {
        float speed;
        WORD options;
    };
    const Case silent[] = {{0.5f, 0}, {2.0f, 0}, {-1.0f, 0}, {1.0f, KVQAviPlayer::OptionNoSound}};
    for (const Case& c : silent) {
        SCOPED_TRACE(testing::Message() << c.speed << " with options " << c.options);
        KVQAviPlayer player;
        Open(player, L"sound_long.avi", c.options);
        ASSERT_NE(player.Seek(10), nullptr);
        ASSERT_TRUE(player.Play(c.speed));
        Tick(player, 40);
        EXPECT_FALSE(KVQAviPlayer::bAudioIsPlaying);
        EXPECT_TRUE(wave.Writes().empty());
    }
}

TEST_F(SoundTest, StopAndEndSilenceTheDevice)
{
    KVQAviPlayer player;
    Open(player, L"sound_after_video.avi");
    ASSERT_TRUE(player.Play(1.0f));
    ASSERT_EQ(wave.Queued(), 2u);
    player.Stop();
    EXPECT_FALSE(KVQAviPlayer::bAudioIsPlaying);
    EXPECT_EQ(wave.Queued(), 0u);

    ASSERT_NE(player.Seek(48), nullptr);
    ASSERT_TRUE(player.Play(1.0f));
    EXPECT_EQ(wave.Queued(), 1u) << "the last 640 samples";
    for (int tick = 0; tick < 10 && player.IsPlaying(); ++tick) Tick(player, 40);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(KVQAviPlayer::bAudioIsPlaying);
    EXPECT_EQ(wave.Queued(), 0u);
    EXPECT_EQ(KVQAviPlayer::audioPos, 0);
}

TEST_F(SoundTest, LoopRestartsSoundFromTheStartOnlyWhenSoundWasPlaying)
{
    {
        KVQAviPlayer player;
        Open(player, L"sound_after_video.avi", KVQAviPlayer::OptionLoop);
        ASSERT_NE(player.Seek(48), nullptr);
        ASSERT_TRUE(player.Play(1.0f));
        // The end of the sound wraps to its start while the picture still plays.
        EXPECT_EQ(FirstSamples(), (std::vector<int>{48 * kSamplesPerFrame, 0}));
        Tick(player, 40);
        Tick(player, 40);  // the picture wraps to frame 0
        EXPECT_EQ(FirstSamples(), (std::vector<int>{48 * kSamplesPerFrame, 0, 0, kBlockSamples}));
        EXPECT_EQ(wave.Queued(), 2u) << "what was queued before the wrap is dropped";
    }
    const WORD quiet[] = {KVQAviPlayer::OptionLoop | KVQAviPlayer::OptionNoSound, KVQAviPlayer::OptionLoop};
    for (WORD options : quiet) {
        size_t writesBefore = wave.Writes().size();
        KVQAviPlayer player;
        Open(player, L"sound_after_video.avi", options);
        ASSERT_NE(player.Seek(48), nullptr);
        ASSERT_TRUE(player.Play(options & KVQAviPlayer::OptionNoSound ? 1.0f : 2.0f));
        for (int tick = 0; tick < 4; ++tick) Tick(player, 40);
        EXPECT_GT(player.GetPos(), 0u);
        EXPECT_LT(player.GetPos(), 10u) << "the picture wrapped";
        EXPECT_EQ(wave.Writes().size(), writesBefore) << "options " << options;
    }
}

TEST_F(SoundTest, SoundSurvivesManyStopPlayAndReopenCycles)
{
    KVQAviPlayer player;
    Open(player, L"sound_long.avi");
    for (int cycle = 0; cycle < 20; ++cycle) {
        ASSERT_TRUE(player.Play(1.0f)) << cycle;
        Tick(player, 40);
        ASSERT_TRUE(wave.ReturnOldest());
        player.Stop();
    }
    // The console pauses by stopping and resumes by reopening the file.
    for (int cycle = 0; cycle < 20; ++cycle) {
        UINT pos = player.GetPos();
        player.Stop();
        Open(player, L"sound_long.avi");
        EXPECT_EQ(wave.Prepared(), 16u) << "reopening does not pile up headers";
        ASSERT_NE(player.Seek(pos), nullptr);
        ASSERT_TRUE(player.Play(1.0f)) << cycle;
        Tick(player, 40);
    }
    size_t before = wave.Writes().size();
    ASSERT_TRUE(wave.ReturnOldest());
    ASSERT_TRUE(wave.WaitForWrites(before + 1)) << "sound still refills";
    EXPECT_TRUE(KVQAviPlayer::bAudioIsPlaying);
    EXPECT_EQ(wave.Opens(), 21);
    EXPECT_EQ(wave.Closes(), 20);
}

TEST_F(SoundTest, CloseReturnsUnpreparesAndClosesTheDeviceEvenWhilePlaying)
{
    KVQAviPlayer player;
    Open(player, L"sound_long.avi");
    ASSERT_TRUE(player.Play(1.0f));
    ASSERT_EQ(wave.Queued(), 2u);
    player.Close();
    EXPECT_EQ(wave.Queued(), 0u);
    EXPECT_EQ(wave.Prepared(), 0u);
    EXPECT_FALSE(wave.IsOpen());
    EXPECT_EQ(KVQAviPlayer::hWav, nullptr);
    EXPECT_EQ(KVQAviPlayer::audioStream, nullptr);
    EXPECT_EQ(KVQAviPlayer::pWaveFormat, nullptr);
    EXPECT_EQ(KVQAviPlayer::audioInfo.fccType, 0u);
    EXPECT_FALSE(wave.ReturnOldest());
}

TEST_F(SoundTest, TheFirstOpenerOwnsTheSoundAndASilentPlayerStaysSilent)
{
    KVQAviPlayer first, second;
    Open(first, L"sound_after_video.avi");
    Open(second, L"sound_long.avi");
    EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, &first);
    ASSERT_TRUE(second.Play(1.0f));
    EXPECT_TRUE(wave.Writes().empty());
    second.Stop();
    EXPECT_EQ(wave.Resets(), 0) << "a silent player leaves the owner's device alone";

    first.Close();
    EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, nullptr);
    ASSERT_TRUE(second.Play(1.0f));
    EXPECT_TRUE(wave.Writes().empty()) << "silent until opened again";

    Open(second, L"sound_long.avi");
    EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, &second);
    ASSERT_TRUE(second.Play(1.0f));
    EXPECT_EQ(wave.Writes().size(), 2u);
}

TEST_F(SoundTest, PlayersOpeningAtOnceClaimTheSoundOnce)
{
    constexpr int kPlayers = 8;
    KVQAviPlayer players[kPlayers];
    std::atomic<int> opened{0};
    std::vector<std::thread> threads;
    for (KVQAviPlayer& player : players) {
        threads.emplace_back([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (player.OpenFile(window, FixturePath(L"sound_after_video.avi").c_str())) ++opened;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(opened, kPlayers);
    int owners = 0;
    for (KVQAviPlayer& player : players) owners += KVQAviPlayer::pWhoIsPlayingSound == &player;
    EXPECT_EQ(owners, 1);
    EXPECT_EQ(wave.Opens(), 1);
    for (KVQAviPlayer& player : players) player.Close();
}

TEST_F(SoundTest, UnusableSoundPlaysSilently)
{
    for (const wchar_t* name : {L"sound_sample_size_0.avi", L"sound_sample_size_20000.avi", L"video25.avi"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        KVQAviPlayer player;
        Open(player, name);
        EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, nullptr);
        ASSERT_TRUE(player.Play(1.0f));
        EXPECT_FALSE(wave.IsOpen());
    }
    EXPECT_TRUE(wave.Writes().empty());
    EXPECT_EQ(wave.Opens(), 0);
}

TEST_F(SoundTest, ADeviceThatFailsOnceIsOpenedAgainAfterFreeingTheSystemSound)
{
    wave.failingOpens = 1;
    KVQAviPlayer player;
    Open(player, L"sound_after_video.avi");
    EXPECT_EQ(wave.SystemSoundStops(), 1);
    EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, &player);
    ASSERT_TRUE(player.Play(1.0f));
    EXPECT_EQ(wave.Writes().size(), 2u);
}

TEST_F(SoundTest, WithoutADeviceOrEnoughBuffersTheFileOpensSilentlyAndFreesTheSound)
{
    struct Case {
        int failingOpens, preparableHeaders, preparedWhenOwned;
    };
    for (Case c : {Case{2, 16, 0}, Case{0, 1, 0}, Case{0, 5, 5}}) {
        SCOPED_TRACE(testing::Message() << c.failingOpens << " failing opens, " << c.preparableHeaders << " headers");
        wave.failingOpens = c.failingOpens;
        wave.preparableHeaders = c.preparableHeaders;
        KVQAviPlayer player;
        Open(player, L"sound_after_video.avi");
        EXPECT_EQ(KVQAviPlayer::pWhoIsPlayingSound, c.preparedWhenOwned ? &player : nullptr);
        EXPECT_EQ(wave.Prepared(), static_cast<size_t>(c.preparedWhenOwned));
        EXPECT_EQ(wave.IsOpen(), c.preparedWhenOwned > 0);
        ASSERT_TRUE(player.Play(1.0f));
    }
}

TEST_F(SoundTest, VolumeReadsBackTheLouderChannel)
{
    KVQAviPlayer player;
    player.SetVolume(0x1234);  // no device: nothing
    EXPECT_EQ(player.GetVolume(), 0);
    Open(player, L"sound_after_video.avi");
    player.SetVolume(0x8000);
    EXPECT_EQ(player.GetVolume(), 0x8000);
    wave.SetVolume(KVQAviPlayer::hWav, 0x80004000);  // right 0x8000, left 0x4000
    EXPECT_EQ(player.GetVolume(), 0x8000);
    player.SetVolume(70000);
    EXPECT_EQ(player.GetVolume(), 0xFFFF);
    player.SetVolume(-5);
    EXPECT_EQ(player.GetVolume(), 0);
}

TEST_F(SoundTest, RefillRacesNeitherTheOwnerNorTheDevice)
{
    KVQAviPlayer player;
    Open(player, L"sound_long.avi", KVQAviPlayer::OptionLoop);
    std::atomic<bool> done{false};
    std::thread device([&] {
        while (!done) {
            if (!wave.ReturnOldest()) Sleep(0);
        }
    });
    for (int round = 0; round < 300; ++round) {
        ASSERT_TRUE(player.Play(1.0f));
        Tick(player, 40);
        ASSERT_NE(player.Seek(static_cast<UINT>(round)), nullptr);
        if (round % 3 == 0) player.Stop();
    }
    player.Close();
    done = true;
    device.join();
    EXPECT_GT(wave.Writes().size(), 600u);
}

}  // namespace

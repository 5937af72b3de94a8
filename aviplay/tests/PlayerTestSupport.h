// What the player tests share: the fixture files, a record of the frames the
// player hands to its callback, a window to play into, and the stand-ins for
// the clock and the wave output.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <kvqaviplay.h>

#include "FakePlatform.h"
#include "FixtureFiles.h"

// The frame index a fixture frame's pixels carry; -1 when the picture is not
// an upright fixture frame.
int FrameIndexOf(const BYTE* packedDib);

// Records every frame the player shows: its index, or -1 for the NULL that
// marks an end.
class FrameLog {
public:
    static void Callback(BYTE* frame);
    static std::vector<int> Take();
    static constexpr int kEnd = -1000;  // the NULL callback
};

class PlayerTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens a fixture with the given options; the test fails when it does not open.
    void Open(KVQAviPlayer& player, const wchar_t* name, WORD options = 0);
    // Advances the fake clock by ms and delivers one timer tick.
    void Tick(KVQAviPlayer& player, DWORD ms);

    FakePlayClock clock;
    FakeWaveOutput wave;
    HWND window = nullptr;
};

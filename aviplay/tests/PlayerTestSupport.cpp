#include "PlayerTestSupport.h"

#include <mutex>

#include "PlaybackLibrary.h"

namespace {

// The library set-up that the DLL's entry point does, once for the run.
class PlaybackLibraryEnvironment : public testing::Environment {
public:
    void SetUp() override { kvq::AttachPlaybackLibrary(); }
    void TearDown() override { kvq::DetachPlaybackLibrary(); }
};
const testing::Environment* const environment = testing::AddGlobalTestEnvironment(new PlaybackLibraryEnvironment);

std::mutex logMutex;
std::vector<int> logged;

const wchar_t kWindowClass[] = L"AviPlayTestWindow";

}  // namespace

int FrameIndexOf(const BYTE* frame)
{
    auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(frame);
    if (header->biBitCount != 24 || header->biHeight <= 0) return -1;
    LONG stride = (header->biWidth * 3 + 3) & ~3;
    const BYTE* bottomRow = frame + header->biSize;
    const BYTE* topRow = bottomRow + (header->biHeight - 1) * stride;
    // Upper half (R=index, G=0x20, B=0xC0), lower half (R=index, G=0xC0, B=0x20).
    if (topRow[0] != 0xC0 || topRow[1] != 0x20 || bottomRow[0] != 0x20 || bottomRow[1] != 0xC0) return -1;
    if (topRow[2] != bottomRow[2]) return -1;
    return topRow[2];
}

void FrameLog::Callback(BYTE* frame)
{
    std::lock_guard<std::mutex> lock(logMutex);
    logged.push_back(frame ? FrameIndexOf(frame) : kEnd);
}

std::vector<int> FrameLog::Take()
{
    std::lock_guard<std::mutex> lock(logMutex);
    std::vector<int> taken;
    taken.swap(logged);
    return taken;
}

void PlayerTest::SetUp()
{
    kvq::UsePlaybackPlatform(&clock, &wave);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);  // fails harmlessly from the second test on
    window = CreateWindowW(kWindowClass, L"player", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
    ASSERT_NE(window, nullptr);
    FrameLog::Take();
}

void PlayerTest::TearDown()
{
    DestroyWindow(window);
    kvq::UsePlaybackPlatform(nullptr, nullptr);
}

void PlayerTest::Open(KVQAviPlayer& player, const wchar_t* name, WORD options)
{
    player.SetOptions(options);
    player.SetCallback(&FrameLog::Callback);
    ASSERT_TRUE(player.OpenFile(window, FixturePath(name).c_str()));
}

void PlayerTest::Tick(KVQAviPlayer& player, DWORD ms)
{
    clock.Advance(ms);
    player.OnTimerEvent(KVQAviPlayer::PlayTimerId);
}

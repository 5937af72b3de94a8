#include "LiveFramePath.h"

#include "CameraPictureRead.h"
#include "DrawLayout.h"
#include "FrameCodecs.h"
#include "ImageCorrections.h"
#include "ZoomGeometry.h"
#include "kvqdoccam.h"
#include "kvqfeatures.h"
#include "telvane/Multicast.h"

namespace {

// The path frames go to; null before the window is ready and after Detach.
std::atomic<LiveFramePath*> g_attached{nullptr};
// Callbacks between their first instruction and their return, counted before
// the path is looked up, so that a detach never misses one that is about to
// start on the path it removes.
std::atomic<int> g_framesInProgress{0};

// A frame longer than the direct device's ring buffers is a large still.
constexpr int kLargeStillBytes = 0x180000;
constexpr int kLargeStillWidth = 2016;
constexpr int kLargeStillHeight = 1520;

constexpr long kKeepAliveEvery = 5;
// A freshly started camera may still report the freeze of an earlier
// session; its state is believed from this frame on.
constexpr long kFirstFrameTrustedFrozen = 5;

constexpr DWORD kWaitStepMs = 50;
constexpr DWORD kWaiterStepMs = 10;
constexpr DWORD kWaiterLimitMs = 5000;
constexpr DWORD kLargeFrameHoldMs = 2000;

constexpr int kNetworkWidth = 1024;
constexpr int kNetworkHeight = 768;
constexpr int kNetworkJpegBytes = 0x100000;
constexpr int kCameraStateHeaderBytes = 64;

class CountedScope {
public:
    explicit CountedScope(std::atomic<int>& counter) : m_counter(counter) { ++m_counter; }
    ~CountedScope() { --m_counter; }
    CountedScope(const CountedScope&) = delete;
    CountedScope& operator=(const CountedScope&) = delete;

private:
    std::atomic<int>& m_counter;
};

RECT ToRect(const PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

bool Elapsed(DWORD since, DWORD limit) { return GetTickCount() - since >= limit; }

}  // namespace

LiveFramePath::LiveFramePath() : m_current(&m_bufferA), m_display(&m_bufferA)
{
    for (auto& interval : m_frameInterval) interval.store(0);
}

// An owner that never detached still must not free the buffers under a
// frame in progress.
LiveFramePath::~LiveFramePath()
{
    LiveFramePath* self = this;
    g_attached.compare_exchange_strong(self, nullptr);
    m_detaching.store(1);
    WaitForFrameEnd(3000);
}

void LiveFramePath::Attach(ILiveFrameHost* host)
{
    m_host.store(host);
    m_detaching.store(0);
    g_attached.store(this);
}

bool LiveFramePath::Detach(DWORD timeoutMs)
{
    m_detaching.store(1);
    LiveFramePath* self = this;
    g_attached.compare_exchange_strong(self, nullptr);
    if (KVQDocCamController* camera = KVQDocCamController::GetCurrentController()) camera->Stop();
    if (!WaitForFrameEnd(timeoutMs)) return false;
    m_host.store(nullptr);
    return true;
}

bool LiveFramePath::WaitForFrameEnd(DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    while (m_inCallback.load() != 0 || g_framesInProgress.load() != 0) {
        if (Elapsed(start, timeoutMs)) return false;
        Sleep(kWaitStepMs);
    }
    return true;
}

void LiveFramePath::SetDisplayFrame(CFrameBuffer* frame)
{
    orbile::Locked guard(m_frameLock);
    m_display = frame;
}

void LiveFramePath::GetFrameIntervals(DWORD intervals[3]) const
{
    for (int i = 0; i < 3; ++i) intervals[i] = m_frameInterval[i].load();
}

void LiveFramePath::ShiftInFrameInterval(DWORD intervalMs)
{
    m_frameInterval[0].store(m_frameInterval[1].load());
    m_frameInterval[1].store(m_frameInterval[2].load());
    m_frameInterval[2].store(intervalMs);
}

void LiveFramePath::RestartStatisticsIfAsked(DWORD now)
{
    if (!m_restartStatistics.exchange(0)) return;
    m_frameCount.store(0);
    m_startTick.store(now);
}

void LiveFramePath::NoteFrameInterval(DWORD now)
{
    const long count = m_frameCount.load();
    if (count == 0) return;
    const DWORD mean = (now - m_startTick.load()) / static_cast<DWORD>(count);
    for (auto& interval : m_frameInterval) interval.store(mean);
}

bool LiveFramePath::DropWhileHeld(DWORD now)
{
    if (!m_largeFrameHeld.load()) return false;
    // Signed: the still may have been posted within this frame's tick.
    if (static_cast<LONG>(now - m_largeFrameHeldSince.load()) < static_cast<LONG>(kLargeFrameHoldMs)) return true;
    m_largeFrameHeld.store(0);
    return false;
}

// A frozen camera keeps sending the same picture: from its second frozen
// frame on, the stored picture is reused instead of decoding the frame.
bool LiveFramePath::FillTarget(ILiveFrameHost& host, CFrameBuffer& target, unsigned char* data, int width, int height,
                               int length, const CameraPictureState& state, bool frozen)
{
    if (frozen && m_frozenBefore && m_frozen.HasPicture()) return target.CopyFrom(m_frozen) != FALSE;

    if (!DecodeCameraJpeg(target, data, length) && !ConvertYuy2Frame(target, data, width, height, length)) return false;
    // While an AVI is written the camera's own look is recorded.
    ApplyImageCorrections(target.WritablePlane(), state, !host.IsAviWriterOpen());
    if (frozen) m_frozen.CopyFrom(target);
    return true;
}

void LiveFramePath::ComposeOverlay(ILiveFrameHost& host, CFrameBuffer& target, const CameraPictureState& state)
{
    int displayWidth, displayHeight;
    {
        orbile::Locked guard(m_frameLock);
        displayWidth = m_display ? m_display->Width() : 0;
        displayHeight = m_display ? m_display->Height() : 0;
    }
    orbile::Locked guard(m_displayLock);
    host.ComposeOverlay(target, state, displayWidth, displayHeight);
}

void LiveFramePath::MakeCurrent(CFrameBuffer& target, bool localCameraShown)
{
    orbile::Locked guard(m_frameLock);
    m_current = &target;
    if (localCameraShown) m_display = &target;
}

// Keeps the recording at its frame rate: a frame that arrives late is handed
// on as often as the periods that passed since the last one ask.
void LiveFramePath::FeedRecorder(ILiveFrameHost& host, CFrameBuffer& target, DWORD now)
{
    ILiveFrameHost::RecorderClock clock{};
    if (!host.GetRecorderClock(&clock) || clock.framePeriod == 0) return;
    const DWORD due = (now - clock.startTick) / clock.framePeriod;
    DWORD seen = clock.framesSeen;
    while (due >= seen + 1) {
        target.m_taken = 1;
        host.RecordFrame(target);
        ++seen;
    }
    if (due >= seen) host.RecordFrame(target);
}

// The UI's work on a large still runs on the UI thread; a viewer waiting for
// one is given it here and has a bounded time to take it.
void LiveFramePath::DeliverLargeFrame(ILiveFrameHost& host, const CFrameBuffer& target)
{
    if (m_waitForLargeFrame.load()) {
        host.HandLargeFrameToWaiter(target);
        m_largeCapturePending.store(1);
        const DWORD start = GetTickCount();
        while (m_waitForLargeFrame.load() && !m_detaching.load() && !Elapsed(start, kWaiterLimitMs))
            Sleep(kWaiterStepMs);
        return;
    }
    const bool continuous = m_captureMode.load() == kContinuous;
    if (!continuous) m_largeCapturePending.store(1);
    m_largeFrameHeldSince.store(GetTickCount());
    m_largeFrameHeld.store(1);
    host.PostLargeFrame(continuous);
}

void LiveFramePath::HandleFrame(unsigned char* data, int width, int height, int length)
{
    CountedScope inCallback(m_inCallback);
    ILiveFrameHost* host = m_host.load();
    if (!host || m_detaching.load()) return;
    const DWORD now = GetTickCount();
    if (length > kLargeStillBytes) {
        width = kLargeStillWidth;
        height = kLargeStillHeight;
    }
    RestartStatisticsIfAsked(now);

    KVQDocCamController* camera = KVQDocCamController::GetCurrentController();
    if (!camera) return;
    m_incrementalUpdate.store(camera->IncrementalUpdate());
    if (host->IsLocalCameraShown()) NoteFrameInterval(now);
    const long count = ++m_frameCount;

    const unsigned long features = ReadKnownFeatures(*camera);
    if ((features & kFeatureLargeFrame) && camera->m_status.keepAlive) {
        if (count % kKeepAliveEvery == 0) camera->SetApAlive();
        width = camera->m_status.videoWidth;
        height = camera->m_status.videoHeight;
    }
    if (m_pause.load() || DropWhileHeld(now)) return;

    CFrameBuffer& target = m_current == &m_bufferA ? m_bufferB : m_bufferA;
    const CameraPictureState state = ReadPictureState(*camera, features);
    const bool frozen = count >= kFirstFrameTrustedFrozen && camera->m_status.frozen == 1;
    if (!FillTarget(*host, target, data, width, height, length, state, frozen)) return;
    m_frozenBefore = frozen;
    target.m_viewRect = ToRect(ComputeZoomRect(target.Width(), target.Height(), state));

    ComposeOverlay(*host, target, state);
    const bool localCameraShown = host->IsLocalCameraShown();
    MakeCurrent(target, localCameraShown);

    const bool largeFrame = camera->m_status.largeFrame != 0;
    {
        orbile::Locked guard(m_networkLock);
        PushNetworkImage();
        if (localCameraShown) {
            m_lastPushTick.store(now);
            if (!largeFrame) FeedRecorder(*host, target, now);
        }
    }
    host->RequestRepaint();
    if (largeFrame) DeliverLargeFrame(*host, target);
}

void LiveFramePath::PushNetworkImage()
{
    ILiveFrameHost* host = m_host.load();
    Telvane::MulticastImageProvider* provider = host ? host->ImageProvider() : nullptr;
    if (!provider || !m_current->HasPicture()) return;
    CFrameBuffer& shared = m_network[0];
    if (!shared.Resize(kNetworkWidth, kNetworkHeight)) return;

    // Scaled from the pixels rather than through the frame's own drawing
    // context, which the UI thread may be drawing from at this moment.
    const RECT& view = m_current->m_viewRect;
    const PixelRect viewArea{view.left, view.top, view.right, view.bottom};
    const BgrPlane pixels = m_current->WritablePlane();
    const StretchLayout layout =
        LayoutStretch({0, 0, kNetworkWidth, kNetworkHeight}, pixels.width, pixels.height, &viewArea, true, true);
    if (layout.kind == StretchLayout::Nothing) return;
    HDC dc = shared.MemoryDC();
    for (int i = 0; i < layout.bandCount; ++i) {
        const RECT band{layout.bands[i].left, layout.bands[i].top, layout.bands[i].right, layout.bands[i].bottom};
        FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    const PixelRect& from = layout.source;
    const PixelRect& to = layout.output;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    // A bottom-up DIB's source rectangle is measured from its bottom row.
    StretchDIBits(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, from.left, pixels.height - from.bottom,
                  from.right - from.left, from.bottom - from.top, pixels.pixels,
                  reinterpret_cast<const BITMAPINFO*>(&m_current->Header()), DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();

    unsigned char header[kCameraStateHeaderBytes] = {};
    host->FillCameraStateHeader(header);
    if (m_networkJpeg.empty()) m_networkJpeg.resize(kNetworkJpegBytes);
    int size = kNetworkJpegBytes;
    if (!EncodeJpegToMemory(m_networkJpeg.data(), size, shared, host->SharingQuality())) return;
    provider->sendImage(m_networkJpeg.data(), static_cast<uint32_t>(size), header, kCameraStateHeaderBytes);
}

void OnDeviceFrame(unsigned char* data, int width, int height, int length)
{
    CountedScope inProgress(g_framesInProgress);
    if (LiveFramePath* path = g_attached.load()) path->HandleFrame(data, width, height, length);
}

// Capture size, frame callback, start and stop of the current camera: the
// capture graph on the DirectShow roads, the library's capture thread over
// the direct USB device's ring otherwise.
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "LibraryState.h"
#include "ModelTable.h"
#include "Trace.h"
#include "kvqdoccam.h"

using namespace devicelib;

namespace {

const int kFrameInterval = 333333;  // 30 frames a second, in 100 ns

struct Resolution {
    int width;
    int height;
    const wchar_t* name;
};

const Resolution kResolutions[] = {
    {320, 240, L"RES_320x240"}, {352, 288, L"RES_352x288"}, {512, 384, L"RES_512x384"},
    {640, 480, L"RES_640x480"}, {800, 600, L"RES_800x600"}, {1024, 768, L"RES_1024x768"},
};

const int kLargestFrame = 0x180000;

// The client's callback for both roads; the DirectShow road reaches it
// through ForwardGraphFrame, which marks large stills first.
std::atomic<DocCamFrameCallback> g_frameCallback{nullptr};

void ForwardGraphFrame(unsigned char* data, int width, int height, int length)
{
    FrameCallbackScope scope;
    {
        // Under the lock the destructor clears the current controller with.
        orbile::Locked locked(LibraryLock());
        if (KVQDocCamController* current = KVQDocCamController::m_pCurController)
            current->m_status.largeFrame = length > kLargestFrame ? 1 : 0;
    }
    if (DocCamFrameCallback callback = g_frameCallback) callback(data, width, height, length);
}

// The direct-USB capture thread: takes each new ring frame and hands it on.
class CaptureThread {
public:
    // At process exit the thread is already gone: nothing to wait for.
    ~CaptureThread()
    {
        if (thread_.joinable()) thread_.detach();
    }

    bool Running() const { return thread_.joinable(); }

    bool Start(DirectUsbDevice& device)
    {
        try {
            frame_.resize(kLargestFrame);
            run_ = true;
            thread_ = std::thread(&CaptureThread::Loop, this, &device);
        } catch (...) {
            run_ = false;
            return false;
        }
        return true;
    }

    void RequestStop() { run_ = false; }

    void Stop()
    {
        run_ = false;
        // Each round of the loop is bounded by one frame copy and one callback;
        // the thread itself (a callback) cannot wait for its own end.
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    }

private:
    void Loop(DirectUsbDevice* device)
    {
        while (run_) {
            if (!device->GetFrame(frame_.data(), kLargestFrame)) {
                // Nothing new: a short rest instead of spinning on the ring.
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            if (DocCamFrameCallback callback = g_frameCallback) {
                FrameCallbackScope scope;
                callback(frame_.data(), kDirectUsbFrameWidth, kDirectUsbFrameHeight, kLargestFrame);
            }
        }
    }

    std::atomic<bool> run_{false};
    std::thread thread_;
    std::vector<unsigned char> frame_;
};

CaptureThread g_captureThread;

// The device's reads end first: a callback whose command waits behind a
// read that the device never answers can then return.
void StopDirectUsbCapture(DirectUsbDevice& usb)
{
    g_captureThread.RequestStop();
    if (usb.IsRunning()) usb.Stop();
    g_captureThread.Stop();
}

}  // namespace

namespace devicelib {
void StopStreaming()
{
    if (CaptureGraph* graph = VideoGraph()) graph->Stop();
    if (DirectUsbDevice* usb = DirectUsb()) StopDirectUsbCapture(*usb);
}
}  // namespace devicelib

int KVQDocCamController::SetResolution(ResolutionType type)
{
    if (DirectUsb()) {
        if (type != RES_1024x768) return 0;
        m_feature |= kFeatureYuy2Capture;
        m_status.videoWidth = kDirectUsbFrameWidth;
        m_status.videoHeight = kDirectUsbFrameHeight;
        return 1;
    }
    if (m_dsIndex == -1 || type < RES_320x240 || type > RES_1024x768) return 0;
    const Resolution& size = kResolutions[type];
    Trace(L"KVQDocCamController::SetResolution(%ls):\n", size.name);
    if (!OwnsCaptureGraph()) return 0;
    const ColFmt asked = (m_feature & kFeatureYuy2Capture) ? kColFmtYUY2 : kColFmtWJPG;
    const int set = VideoGraph()->SetVideoFormat(size.width, size.height, kFrameInterval, asked);
    if (set == 0) return 0;
    if (set == kColFmtYUY2) m_feature |= kFeatureYuy2Capture;
    m_status.videoWidth = size.width;
    m_status.videoHeight = size.height;
    return 1;
}

int KVQDocCamController::GetResolutionMode()
{
    if (!GetDocCamModel()) return 0;
    return (m_status.modelCode & 0x80) ? RES_1024x768 : RES_640x480;
}

int KVQDocCamController::SetCallbackFunction(DocCamFrameCallback callback)
{
    if (DirectUsb()) {
        g_frameCallback = callback;
        return 1;
    }
    if (!OwnsCaptureGraph()) return 0;
    g_frameCallback = callback;
    return VideoGraph()->SetCallbackFunction(callback ? ForwardGraphFrame : nullptr);
}

// Starting and stopping wait for the frame callback: they are refused inside it.
int KVQDocCamController::StartCapture()
{
    if (InFrameCallback()) return 0;
    orbile::Locked streaming(StreamLock());
    if (DirectUsbDevice* usb = DirectUsb()) {
        const bool started = usb->IsRunning() || usb->Start();
        IncrementalUpdate();
        if (!started || g_captureThread.Running()) return started ? 1 : 0;
        if (g_captureThread.Start(*usb)) return 1;
        usb->Stop();
        return 0;
    }
    return OwnsCaptureGraph() ? VideoGraph()->StartCapture() : 0;
}

int KVQDocCamController::Stop()
{
    if (InFrameCallback()) return 0;
    orbile::Locked streaming(StreamLock());
    if (DirectUsbDevice* usb = DirectUsb()) {
        StopDirectUsbCapture(*usb);
        return 1;
    }
    return OwnsCaptureGraph() ? VideoGraph()->Stop() : 0;
}

int KVQDocCamController::IsStopped()
{
    if (DirectUsbDevice* usb = DirectUsb()) return usb->IsRunning() ? 0 : 1;
    return OwnsCaptureGraph() ? VideoGraph()->IsStopped() : 0;
}

#include "LivePicture.h"

#include <cstring>

#include "CameraPictureRead.h"
#include "FrameCodecs.h"
#include "ImageCorrections.h"
#include "ZoomGeometry.h"
#include "kvqdoccam.h"

namespace {

constexpr int kLiveHeight = 768;
constexpr DWORD kSwapStepMs = 10;
constexpr DWORD kSwapLimitMs = 2000;
constexpr unsigned long kUnknownFeatures = 0xFFFFFFFFul;

class Flag {
public:
    explicit Flag(std::atomic<bool>& flag) : m_flag(flag) { m_flag.store(true); }
    ~Flag() { m_flag.store(false); }
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

private:
    std::atomic<bool>& m_flag;
};

}  // namespace

LivePicture::LivePicture() : m_front(&m_buffers[0]) {}

void LivePicture::Reset()
{
    orbile::Locked guard(m_lock);
    for (CFrameBuffer& buffer : m_buffers) buffer.Release();
    m_front = &m_buffers[0];
    m_framesShown.store(0);
}

bool LivePicture::HandleFrame(KVQDocCamController& camera, unsigned char* data, int width, int height, int length)
{
    Flag decoding(m_decoding);
    CFrameBuffer* back;
    {
        orbile::Locked guard(m_lock);
        back = m_front == &m_buffers[0] ? &m_buffers[1] : &m_buffers[0];
    }
    if (!DecodeCameraJpeg(*back, data, length) && !ConvertYuy2Frame(*back, data, width, height, length)) return false;

    unsigned long features = camera.GetDocCamModelFeature(0);
    if (features == kUnknownFeatures) features = 0;
    const CameraPictureState state = ReadPictureState(camera, features);
    ApplyImageCorrections(back->WritablePlane(), state, true);
    const PixelRect view = ComputeZoomRect(back->Width(), back->Height(), state);
    back->m_viewRect = RECT{view.left, view.top, view.right, view.bottom};

    // The window may be drawing the front picture; after a bounded wait this
    // frame is dropped rather than swapped under it.
    for (DWORD waited = 0;; waited += kSwapStepMs) {
        {
            orbile::Locked guard(m_lock);
            if (!m_drawing.load()) {
                m_front = back;
                break;
            }
        }
        if (waited >= kSwapLimitMs) return false;
        Sleep(kSwapStepMs);
    }
    {
        orbile::Locked guard(m_lock);
        if (m_window && m_pacing.TakeRepaint(GetTickCount())) InvalidateRect(m_window, &m_area, FALSE);
    }
    ++m_framesShown;
    return back->Height() > kLiveHeight;
}

bool LivePicture::CopyFront(std::vector<unsigned char>& pixels, BgrPlane& plane)
{
    GdiFlush();
    orbile::Locked guard(m_lock);
    if (!m_front->HasPicture()) return false;
    const BgrPlane front = m_front->WritablePlane();
    pixels.assign(front.pixels, front.pixels + std::size_t(front.stride) * std::size_t(front.height));
    plane = BgrPlane{pixels.data(), front.width, front.height, front.stride};
    return true;
}

bool LivePicture::FrontSize(int& width, int& height)
{
    orbile::Locked guard(m_lock);
    width = m_front->Width();
    height = m_front->Height();
    return m_front->HasPicture();
}

void LivePicture::SetWindow(HWND window, const RECT& area)
{
    orbile::Locked guard(m_lock);
    m_area = area;
    m_window = window;
    m_pacing.Reset();
}

bool LivePicture::Draw(HDC target, const RECT& area)
{
    CFrameBuffer* front;
    {
        orbile::Locked guard(m_lock);
        if (!m_front->HasPicture()) {
            m_pacing.Painted(GetTickCount(), GetTickCount());
            return false;
        }
        m_drawing.store(true);
        front = m_front;
    }
    const DWORD start = GetTickCount();
    front->StretchTo(target, area, &front->m_viewRect, TRUE, TRUE);
    m_drawing.store(false);
    m_pacing.Painted(start, GetTickCount());
    return true;
}

bool LivePicture::WaitForDecodeEnd(DWORD timeoutMs) const
{
    for (DWORD waited = 0; m_decoding.load(); waited += 50) {
        if (waited >= timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

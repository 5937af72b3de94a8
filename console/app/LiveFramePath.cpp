#include "LiveFramePath.h"

LiveFramePath::LiveFramePath() : m_current(&m_bufferA), m_display(&m_bufferA)
{
    for (auto& interval : m_frameInterval) interval.store(0);
}

LiveFramePath::~LiveFramePath() = default;

void LiveFramePath::Attach(ILiveFrameHost* host) { m_host = host; }
bool LiveFramePath::Detach(DWORD) { m_host = nullptr; return true; }
bool LiveFramePath::WaitForFrameEnd(DWORD) const { return true; }
void LiveFramePath::HandleFrame(unsigned char*, int, int, int) {}
void LiveFramePath::SetDisplayFrame(CFrameBuffer* frame) { SectionGuard guard(m_frameLock); m_display = frame; }
void LiveFramePath::PushNetworkImage() {}

void LiveFramePath::GetFrameIntervals(DWORD intervals[3]) const
{
    for (int i = 0; i < 3; ++i) intervals[i] = m_frameInterval[i].load();
}

void OnDeviceFrame(unsigned char*, int, int, int) {}

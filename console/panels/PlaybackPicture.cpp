#include "PlaybackPicture.h"

#include <cstring>

BOOL PlaybackPicture::ShowFrame(const BYTE* packedDib)
{
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(packedDib);
    if (!header || header->biBitCount != 24 || header->biCompression != BI_RGB || header->biWidth <= 0 ||
        header->biHeight <= 0)
        return FALSE;
    orbile::Locked guard(m_lock);
    if (!m_frame.Resize(header->biWidth, header->biHeight)) return FALSE;
    GdiFlush();
    const BgrPlane plane = m_frame.WritablePlane();
    std::memcpy(plane.pixels, packedDib + header->biSize, m_frame.ImageSize());
    m_frame.m_viewRect = RECT{0, 0, header->biWidth, header->biHeight};
    return TRUE;
}

BOOL PlaybackPicture::DrawFrame(HDC dc, const RECT& area)
{
    orbile::Locked guard(m_lock);
    if (!m_frame.HasPicture()) return FALSE;
    m_frame.StretchTo(dc, area, &m_frame.m_viewRect, TRUE, TRUE);
    return TRUE;
}

void PlaybackPicture::Clear()
{
    orbile::Locked guard(m_lock);
    m_frame.Release();
}

BOOL PlaybackPicture::CopyTo(CFrameBuffer& target)
{
    orbile::Locked guard(m_lock);
    return m_frame.HasPicture() && target.CopyFrom(m_frame);
}

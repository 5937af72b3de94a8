// The DG_IMAGE triplets: picture information and layout, the three transfer
// mechanisms, the palette and the response tables.
#include <algorithm>
#include <cstring>

#include "Fix32.h"
#include "TwainSource.h"

namespace {

TW_FIX32 Inches(float value) { return FloatToFix32(value); }

}  // namespace

bool TwainSource::PrepareTransferImage()
{
    m_image.Release();
    if (m_capabilities.XResolution() != 100.0f) return false;
    std::vector<unsigned char> pixels;
    BgrPlane picture{};
    if (!m_device.CopyLivePicture(pixels, picture)) return false;
    return m_image.Prepare(picture, m_capabilities.PixelType(), int(m_capabilities.Threshold()));
}

TW_UINT16 TwainSource::OnImageInfo(const Call& call)
{
    if (m_state != kTransferReady) return Fail(TWCC_SEQERROR);
    if (call.message != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    auto* info = static_cast<TW_IMAGEINFO*>(call.data);
    int width = 0, height = 0;
    if (!info) return Fail(TWCC_BADVALUE);
    if (!m_device.LivePictureSize(width, height)) return Fail(TWCC_OPERATIONERROR);
    *info = TW_IMAGEINFO{};
    info->XResolution = info->YResolution = FloatToFix32(m_capabilities.XResolution());
    info->ImageWidth = width;
    info->ImageLength = height;
    const TW_UINT16 pixelType = m_capabilities.PixelType();
    const int depth = m_capabilities.BitDepth(pixelType);
    info->BitsPerPixel = TW_INT16(depth);
    if (depth >= 24) {
        info->SamplesPerPixel = 3;
        info->BitsPerSample[0] = info->BitsPerSample[1] = info->BitsPerSample[2] = 8;
    } else {
        info->SamplesPerPixel = 1;
        info->BitsPerSample[0] = TW_INT16(depth);
    }
    info->Planar = 0;
    info->PixelType = TW_INT16(pixelType);
    info->Compression = 0;
    return TWRC_SUCCESS;
}

// The whole picture area, as ICAP_FRAMES describes it; one document, page and
// frame at a time.
TW_UINT16 TwainSource::OnImageLayout(const Call& call)
{
    switch (call.message) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT: {
        auto* layout = static_cast<TW_IMAGELAYOUT*>(call.data);
        if (!layout) return Fail(TWCC_BADVALUE);
        layout->Frame = TW_FRAME{Inches(0), Inches(0), Inches(10.24f), Inches(7.68f)};
        layout->DocumentNumber = layout->PageNumber = layout->FrameNumber = 1;
        return TWRC_SUCCESS;
    }
    case MSG_SET:
    case MSG_RESET:
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 TwainSource::OnImageNativeXfer(const Call& call)
{
    if (m_state != kTransferReady) return Fail(TWCC_SEQERROR);
    if (call.message != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (!call.data) return Fail(TWCC_BADVALUE);
    if (!PrepareTransferImage()) return Fail(TWCC_OPERATIONERROR);
    *static_cast<TW_HANDLE*>(call.data) = m_image.Detach();
    m_state = kTransferring;
    return TWRC_XFERDONE;
}

TW_UINT16 TwainSource::OnImageMemXfer(const Call& call)
{
    if (call.message != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (m_state != kTransferReady && m_state != kTransferring) return Fail(TWCC_SEQERROR);
    auto* xfer = static_cast<TW_IMAGEMEMXFER*>(call.data);
    if (!xfer || (!xfer->Memory.TheMem && xfer->Memory.Length)) return Fail(TWCC_BADVALUE);
    if (m_state == kTransferReady && !PrepareTransferImage()) return Fail(TWCC_OPERATIONERROR);
    if (!m_image.Exists()) return Fail(TWCC_OPERATIONERROR);

    // A buffer handed over as a handle is as long as its memory, whatever
    // the record says.
    const bool byHandle = (xfer->Memory.Flags & TWMF_HANDLE) != 0;
    LockedHandle locked(m_memory, byHandle ? xfer->Memory.TheMem : nullptr);
    if (byHandle && !locked.Bytes()) return Fail(TWCC_BADVALUE);
    unsigned char* buffer = byHandle ? locked.Bytes() : static_cast<unsigned char*>(xfer->Memory.TheMem);
    const std::size_t length =
        byHandle ? std::min<std::size_t>(xfer->Memory.Length, locked.Size()) : xfer->Memory.Length;

    PreparedImage::Strip strip{};
    if (!m_image.NextStrip(buffer, length, m_capabilities.PixelFlavor() == TWPF_VANILLA, strip))
        return Fail(TWCC_OPERATIONERROR);
    xfer->Compression = 0;
    xfer->BytesPerRow = TW_UINT32(m_image.Stride());
    xfer->Columns = TW_UINT32(m_image.Width());
    xfer->Rows = strip.rows;
    xfer->XOffset = 0;
    xfer->YOffset = strip.yOffset;
    xfer->BytesWritten = strip.bytesWritten;
    m_state = kTransferring;
    return strip.last ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 TwainSource::OnImageFileXfer(const Call& call)
{
    if (m_state != kTransferReady) return Fail(TWCC_SEQERROR);
    if (call.message != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (!PrepareTransferImage()) return Fail(TWCC_OPERATIONERROR);
    const bool written =
        m_capabilities.ImageFileFormat() == TWFF_TIFF ? m_image.WriteTiff(m_fileName) : m_image.WriteBmp(m_fileName);
    m_image.Release();
    if (!written) return Fail(TWCC_OPERATIONERROR);
    m_conditionCode = TWCC_SUCCESS;
    m_state = kTransferring;
    return TWRC_XFERDONE;
}

// The colours of the pictures the current pixel type gives: the gray ramp,
// black and white, or none for colour pictures.
TW_UINT16 TwainSource::OnPalette8(const Call& call)
{
    if (!InStates(kOpen, kTransferReady)) return Fail(TWCC_SEQERROR);
    switch (call.message) {
    case MSG_GET: {
        auto* palette = static_cast<TW_PALETTE8*>(call.data);
        if (!palette) return Fail(TWCC_BADVALUE);
        const TW_UINT16 type = m_capabilities.PixelType();
        const int colors = type == TWPT_GRAY ? 256 : type == TWPT_BW ? 2 : 0;
        palette->NumColors = TW_UINT16(colors);
        palette->PaletteType = TWPA_RGB;
        for (int i = 0; i < colors; ++i) {
            const TW_UINT8 level = TW_UINT8(colors == 2 ? i * 255 : i);
            palette->Colors[i] = TW_ELEMENT8{TW_UINT8(i), level, level, level};
        }
        return TWRC_SUCCESS;
    }
    case MSG_GETDEFAULT:
    case MSG_SET:
    case MSG_RESET:
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 TwainSource::OnGrayResponse(const Call& call) { return OnResponse(call, m_grayResponse); }

TW_UINT16 TwainSource::OnRgbResponse(const Call& call) { return OnResponse(call, m_rgbResponse); }

TW_UINT16 TwainSource::OnResponse(const Call& call, TW_ELEMENT8 (&table)[256])
{
    if (call.message == MSG_SET) {
        if (!call.data) return Fail(TWCC_BADVALUE);
        std::memcpy(table, call.data, sizeof table);
    } else if (call.message == MSG_RESET) {
        for (int i = 0; i < 256; ++i) table[i] = TW_ELEMENT8{TW_UINT8(i), TW_UINT8(i), TW_UINT8(i), TW_UINT8(i)};
    }
    return TWRC_SUCCESS;
}

// The camera has no colorimetric description to give.
TW_UINT16 TwainSource::OnUnsupported(const Call&) { return Fail(TWCC_BADPROTOCOL); }

TW_UINT16 TwainSource::OnJpegCompression(const Call&) { return TWRC_SUCCESS; }

TW_UINT16 TwainSource::OnExtImageInfo(const Call& call)
{
    if (m_state != kTransferring) return Fail(TWCC_SEQERROR);
    if (call.message != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    auto* info = static_cast<TW_EXTIMAGEINFO*>(call.data);
    if (!info) return Fail(TWCC_BADVALUE);
    if (info->NumInfos > 0) info->Info[0].ReturnCode = TWRC_INFONOTSUPPORTED;
    return TWRC_SUCCESS;
}

// Whatever the camera sends as an extra mode's frame, the header check, the
// frame-start search and the decode into the open format stay inside the
// bytes received and the buffers of the format, and deliver a whole picture
// or nothing.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "BulkFrames.h"
#include "CameraPart.h"
#include "FrameDecoder.h"
#include "KsGuids.h"

namespace {

constexpr uint32_t kPacket = 512;

struct Format {
    uint32_t fourCC;
    uint16_t bitCount, width, height, bytesPerPixel;
};

constexpr Format kFormats[] = {
    {dovracam::kFourCcYuy2, 16, 640, 480, 2},
    {dovracam::kFourCcYuy2, 16, 1024, 768, 2},
    {0, 24, 1024, 768, 3},
    {0, 24, 352, 288, 3},
    {0, 16, 320, 240, 2},
    {0, 16, 176, 144, 2},
};
constexpr size_t kFormatCount = sizeof kFormats / sizeof kFormats[0];

// One camera per format, set up as an open extra mode would be.
dovracam::CameraContext* CameraFor(size_t index)
{
    static dovracam::CameraContext* cameras[kFormatCount];
    dovracam::CameraContext*& camera = cameras[index];
    if (camera) return camera;
    const Format& f = kFormats[index];
    camera = new dovracam::CameraContext();
    camera->fourCC = f.fourCC;
    camera->bitCount = f.bitCount;
    camera->outputWidth = f.width;
    camera->outputHeight = f.height;
    camera->conversionSize = f.bytesPerPixel == 3 ? dovracam::kRgb24BufferSize : dovracam::kDecodeBufferSize;
    camera->decodeBuffer = static_cast<uint8_t*>(ksv_pool_alloc(dovracam::kDecodeBufferSize));
    camera->conversionBuffer = static_cast<uint8_t*>(ksv_pool_alloc(camera->conversionSize));
    if (!dovracam::SetUpFrameDecoder(*camera)) abort();
    return camera;
}

}  // namespace

// Input: a format number, the 64-byte header, then what the data pipe sends
// (the camera pads it with zeros to the header's total).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 + dovracam::kFrameHeaderSize) return 0;
    const size_t index = data[0] % kFormatCount;
    std::vector<uint8_t> headerBytes(data + 1, data + 1 + dovracam::kFrameHeaderSize);
    data += 1 + dovracam::kFrameHeaderSize;
    size -= 1 + dovracam::kFrameHeaderSize;

    dovracam::FrameHeader header;
    if (!dovracam::ParseFrameHeader(headerBytes.data(), uint32_t(headerBytes.size()), dovracam::kDecodeBufferSize,
                                    kPacket, &header))
        return 0;
    std::vector<uint8_t> raw(header.total, 0);
    for (size_t i = 0; i < size && i < raw.size(); ++i) raw[i] = data[i];
    uint32_t early = 0;
    if (!dovracam::CheckFrameStart(raw.data(), uint32_t(raw.size()), kPacket, true, false, &early)) return 0;

    const Format& f = kFormats[index];
    const uint32_t pictureSize = uint32_t(f.width) * f.height * f.bytesPerPixel;
    // The read's own buffer, exactly as large as the picture: the sanitizer
    // sees any write past it.
    std::vector<uint8_t> picture(pictureSize);
    // The image bytes alone, so that reading past the header's length shows.
    std::vector<uint8_t> image(raw.begin(), raw.begin() + header.imageLength);
    const uint32_t used = dovracam::DecodeFrame(*CameraFor(index), image.data(), uint32_t(image.size()), picture.data(),
                                                uint32_t(picture.size()));
    if (used != 0 && used != pictureSize) __builtin_trap();
    return 0;
}

// Camera state and frames come from the device: any values must give a view
// rectangle and a drawing cut-out inside their planes, and the conversion and
// corrections must stay inside the picture.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ImageCorrections.h"
#include "Yuy2Converter.h"
#include "ZoomGeometry.h"

namespace {

struct FuzzHeader {
    CameraPictureState state;
    std::int32_t width, height, displayWidth, displayHeight;
    std::uint8_t frameWidth, frameHeight;
};

void CheckInside(const PixelRect& r, int width, int height)
{
    if (width <= 0 || height <= 0) return;
    if (r.left < 0 || r.top < 0 || r.right > width || r.bottom > height || r.left >= r.right || r.top >= r.bottom)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzHeader h;
    if (size < sizeof h) return 0;
    std::memcpy(&h, data, sizeof h);
    data += sizeof h;
    size -= sizeof h;

    CheckInside(ComputeZoomRect(h.width, h.height, h.state), h.width, h.height);
    CheckInside(ComputeAnnotationCutout(h.width, h.height, h.displayWidth, h.displayHeight, h.state), h.width,
                h.height);
    const PixelSize zoomed = ComputeZoomedSize(h.width, h.height, h.state);
    if (h.width > 0 && h.height > 0 &&
        (zoomed.width < 1 || zoomed.width > h.width || zoomed.height < 1 || zoomed.height > h.height))
        std::abort();

    const int w = h.frameWidth, ht = h.frameHeight;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(BgrStride(w)) * ht);
    const BgrPlane plane{pixels.data(), w, ht, BgrStride(w)};
    if (ConvertYuy2ToBgr(data, w, ht, static_cast<long long>(size), plane)) ApplyImageCorrections(plane, h.state, true);
    return 0;
}

#include "Yuy2Converter.h"

#include <cstdint>

namespace {

// Per-byte terms of the conversion and a clamp indexed with an offset of
// 384, built once: the conversion itself is table look-ups and adds.
struct Yuy2Tables {
    std::int32_t luma[256];
    std::int32_t redFromV[256];
    std::int32_t blueFromU[256];
    std::int32_t greenFromV[256];
    std::int32_t greenFromU[256];
    unsigned char clamp[1024];

    Yuy2Tables()
    {
        for (int v = 0; v < 256; ++v) {
            luma[v] = 76309 * (v - 16);
            redFromV[v] = 104597 * (v - 128);
            blueFromU[v] = 132201 * (v - 128);
            greenFromV[v] = 53279 * (v - 128);
            greenFromU[v] = 25675 * (v - 128);
        }
        for (int i = 0; i < 1024; ++i)
            clamp[i] = static_cast<unsigned char>(i < 384 ? 0 : i < 384 + 256 ? i - 384 : 255);
    }

    unsigned char Clamp(std::int32_t fixed) const { return clamp[(fixed >> 16) + 384]; }
};

const Yuy2Tables& Tables()
{
    static const Yuy2Tables tables;
    return tables;
}

}  // namespace

bool IsYuy2FrameComplete(int width, int height, long long length)
{
    return width > 0 && height > 0 && width % 2 == 0 && length >= 2LL * width * height;
}

bool ConvertYuy2ToBgr(const unsigned char* data, int width, int height, long long length, const BgrPlane& out)
{
    if (!data || !IsYuy2FrameComplete(width, height, length)) return false;
    if (!out.pixels || out.width != width || out.height != height) return false;

    const Yuy2Tables& t = Tables();
    for (int row = 0; row < height; ++row) {
        const unsigned char* in = data + 2LL * width * row;
        unsigned char* px = out.pixels + static_cast<std::ptrdiff_t>(height - 1 - row) * out.stride;
        for (int x = 0; x < width; x += 2, in += 4) {
            const std::int32_t blue = t.blueFromU[in[1]];
            const std::int32_t green = t.greenFromV[in[3]] + t.greenFromU[in[1]];
            const std::int32_t red = t.redFromV[in[3]];
            for (int k = 0; k < 2; ++k, px += 3) {
                const std::int32_t y = t.luma[in[2 * k]];
                px[0] = t.Clamp(y + blue);
                px[1] = t.Clamp(y - green);
                px[2] = t.Clamp(y + red);
            }
        }
    }
    return true;
}

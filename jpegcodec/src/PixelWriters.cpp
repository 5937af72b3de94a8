#include "PixelWriters.h"

#include "CpuDispatch.h"

namespace {
// Chroma index of pixel x: full-width lines (11) or half-width lines (21, 22).
template <int kChromaShift>
inline int32_t chromaAt(int32_t x)
{
    return x >> kChromaShift;
}

template <int kR, int kG, int kB>
inline void storeThreeBytes(const Rgb& rgb, uint8_t* out)
{
    out[kR] = static_cast<uint8_t>(rgb.r);
    out[kG] = static_cast<uint8_t>(rgb.g);
    out[kB] = static_cast<uint8_t>(rgb.b);
}

template <int kChromaShift, int kR, int kG, int kB>
void decodeToThreeBytes(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count)
{
    constexpr int32_t kCovered = 1 << kChromaShift;  // luma samples per chroma sample
    int32_t x = 0;
    for (; x + kCovered <= count; x += kCovered) {
        const ChromaTerms terms = chromaTerms(cb[x >> kChromaShift], cr[x >> kChromaShift]);
        for (int32_t i = 0; i < kCovered; ++i, out += 3) storeThreeBytes<kR, kG, kB>(applyChroma(y[x + i], terms), out);
    }
    if (x < count) storeThreeBytes<kR, kG, kB>(yccToRgb(y[x], cb[x >> kChromaShift], cr[x >> kChromaShift]), out);
}

template <int kR, int kG, int kB>
void decodeRowPairToThreeBytes(const uint8_t* yTop, const uint8_t* yBottom, const uint8_t* cb, const uint8_t* cr,
                               uint8_t* outTop, uint8_t* outBottom, int32_t count)
{
    decodeToThreeBytes<1, kR, kG, kB>(yTop, cb, cr, outTop, count);
    decodeToThreeBytes<1, kR, kG, kB>(yBottom, cb, cr, outBottom, count);
}

template <int kChromaShift>
void decodeToRgbx(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count)
{
    for (int32_t x = 0; x < count; ++x, out += 4) {
        const int32_t c = chromaAt<kChromaShift>(x);
        const Rgb rgb = yccToRgb(y[x], cb[c], cr[c]);
        out[0] = static_cast<uint8_t>(rgb.r);
        out[1] = static_cast<uint8_t>(rgb.g);
        out[2] = static_cast<uint8_t>(rgb.b);
        out[3] = 255;
    }
}

template <int kChromaShift>
void decodeYcckToCmyk(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* k, uint8_t* out,
                      int32_t count)
{
    for (int32_t x = 0; x < count; ++x, out += 4) {
        const int32_t c = chromaAt<kChromaShift>(x);
        const Rgb rgb = yccToRgb(y[x], cb[c], cr[c]);
        out[0] = static_cast<uint8_t>(255 - rgb.r);
        out[1] = static_cast<uint8_t>(255 - rgb.g);
        out[2] = static_cast<uint8_t>(255 - rgb.b);
        out[3] = k[x];
    }
}

template <int kChromaShift>
void decodePlain3(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int32_t count)
{
    for (int32_t x = 0; x < count; ++x, out += 3) {
        out[0] = a[x];
        out[1] = b[chromaAt<kChromaShift>(x)];
        out[2] = c[chromaAt<kChromaShift>(x)];
    }
}

void decodePlain3ToCmyk(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int32_t count)
{
    for (int32_t x = 0; x < count; ++x, out += 4) {
        out[0] = a[x];
        out[1] = b[x];
        out[2] = c[x];
        out[3] = 255;
    }
}

void decodePlain4(const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d, uint8_t* out, int32_t count)
{
    for (int32_t x = 0; x < count; ++x, out += 4) {
        out[0] = a[x];
        out[1] = b[x];
        out[2] = c[x];
        out[3] = d[x];
    }
}

// Packed Y Cb Y Cr pixel pairs from half-width chroma.
void decodePackedYcc(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int32_t count)
{
    for (int32_t x = 0; x < count; ++x, out += 2) {
        out[0] = y[x];
        out[1] = (x & 1) ? cr[x >> 1] : cb[x >> 1];
    }
}

void copyGreyRow(const uint8_t* samples, uint8_t* out, int32_t count)
{
    for (int32_t x = 0; x < count; ++x) out[x] = samples[x];
}
}  // namespace

const DecodeGreyFn decodeGrey = copyGreyRow;
const Decode3Fn decodeRgb11 = decodeToThreeBytes<0, 0, 1, 2>;
const Decode3Fn decodeRgb21 = decodeToThreeBytes<1, 0, 1, 2>;
const Decode3PairFn decodeRgb22 = decodeRowPairToThreeBytes<0, 1, 2>;
const Decode3Fn decodeBgr11 = decodeToThreeBytes<0, 2, 1, 0>;
const Decode3Fn decodeBgr21 = decodeToThreeBytes<1, 2, 1, 0>;
const Decode3PairFn decodeBgr22 = decodeRowPairToThreeBytes<2, 1, 0>;
const Decode3Fn decodeYccToRgbx11 = decodeToRgbx<0>;
const Decode3Fn decodeYccToRgbx21 = decodeToRgbx<1>;
const Decode3Fn decodePlain3x11 = decodePlain3<0>;
const Decode3Fn decodePlain3x21 = decodePlain3<1>;
const Decode3Fn decodePlain3ToCmyk11 = decodePlain3ToCmyk;
const Decode3Fn decodePackedYcc21 = decodePackedYcc;
const Decode4Fn decodeYcckToCmyk11 = decodeYcckToCmyk<0>;
const Decode4Fn decodeYcckToCmyk21 = decodeYcckToCmyk<1>;
const Decode4Fn decodePlain4x11 = decodePlain4;

void convertPixelsInPlace(uint8_t* p, int32_t count, int32_t channels, bool bgr, bool complement)
{
    for (int32_t x = 0; x < count; ++x, p += channels) {
        const Rgb rgb = yccToRgb(p[0], p[1], p[2]);
        if (channels == 3) {
            p[0] = static_cast<uint8_t>(bgr ? rgb.b : rgb.r);
            p[1] = static_cast<uint8_t>(rgb.g);
            p[2] = static_cast<uint8_t>(bgr ? rgb.r : rgb.b);
        } else {
            p[0] = static_cast<uint8_t>(complement ? 255 - rgb.r : rgb.r);
            p[1] = static_cast<uint8_t>(complement ? 255 - rgb.g : rgb.g);
            p[2] = static_cast<uint8_t>(complement ? 255 - rgb.b : rgb.b);
        }
    }
}

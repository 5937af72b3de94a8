// The minidriver's JPEG decoder against libjpeg-turbo (TurboJPEG, SIMD) on
// the camera's 1024x768 frames, in the same run. Both decode to the same
// output: Y, Cb and Cr planes at their own sampling, accurate integer DCT.
// The frames are made in memory by TurboJPEG with the standard tables, as
// the camera sends them.
//   build/bench/bench/kjpeg/kjpeg_bench
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kjpeg/JpegDecoder.h"
#include "kjpeg/PixelConverters.h"
#include "testsupport/TurboPlanes.h"

namespace {
using Bytes = std::vector<uint8_t>;

// A printed page under the camera: tinted paper, lines of dark print, a
// coloured block and a shaded figure.
Bytes PagePixels()
{
    const int width = 1024, height = 768;
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            const bool line = y > 80 && y < 700 && (y % 30) < 16 && x > 60 && x < 600;
            const bool ink = line && ((x * 13 + y * 7) % 9 < 4) && (x / 48) % 6 != 5;
            const bool figure = x >= 660 && x < 960 && y >= 120 && y < 420;
            if (ink) {
                p[0] = p[1] = p[2] = static_cast<uint8_t>(25 + (x + y) % 20);
            } else if (figure) {
                p[0] = static_cast<uint8_t>(x - 660 + (y & 7));
                p[1] = static_cast<uint8_t>((y - 120) * 255 / 300);
                p[2] = static_cast<uint8_t>(200 - ((x ^ y) & 63));
            } else if (x >= 660 && x < 760 && y >= 500 && y < 700) {
                p[0] = 200, p[1] = 40, p[2] = 30;
            } else {
                p[0] = 242, p[1] = 238, p[2] = static_cast<uint8_t>(228 + (x + 2 * y) % 6);
            }
        }
    return rgb;
}

Bytes Compress(int subsampling)
{
    static const Bytes pixels = PagePixels();
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle, pixels.data(), 1024, 0, 768, TJPF_RGB, &out, &size, subsampling, 75, TJFLAG_ACCURATEDCT) !=
        0)
        std::abort();
    Bytes frame(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return frame;
}

const Bytes& Frame420()
{
    static const Bytes frame = Compress(TJSAMP_420);
    return frame;
}
const Bytes& Frame422()
{
    static const Bytes frame = Compress(TJSAMP_422);
    return frame;
}

void KernelDecode(benchmark::State& state, const Bytes& frame)
{
    std::vector<uint64_t> block(kjpeg::kJpegDecoderBlockSize / sizeof(uint64_t));
    kjpeg::JpegDecoder* decoder = kjpeg::CreateJpegDecoder(block.data(), kjpeg::kJpegDecoderBlockSize);
    Bytes planes(kjpeg::kMaxPlanesSize);
    kjpeg::DecodedFrame decoded{};
    for (auto _ : state)
        if (kjpeg::DecodeJpegFrame(decoder, frame.data(), frame.size(), planes.data(), planes.size(), &decoded) !=
            kjpeg::Status::Ok)
            state.SkipWithError("frame refused");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}

void TurboDecode(benchmark::State& state, const Bytes& frame)
{
    testsupport::TurboPlanes turbo;
    for (auto _ : state)
        if (!turbo.Decode(frame)) state.SkipWithError(turbo.error());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}

// The driver's whole path for an RGB24 client: decode, then convert.
void KernelDecodeToRgb24(benchmark::State& state, const Bytes& frame)
{
    std::vector<uint64_t> block(kjpeg::kJpegDecoderBlockSize / sizeof(uint64_t));
    kjpeg::JpegDecoder* decoder = kjpeg::CreateJpegDecoder(block.data(), kjpeg::kJpegDecoderBlockSize);
    kjpeg::Rgb24Tables tables;
    kjpeg::CreateColourTables(&tables);
    Bytes planes(kjpeg::kMaxPlanesSize), rgb(1024 * 768 * 3);
    kjpeg::DecodedFrame decoded{};
    for (auto _ : state) {
        kjpeg::DecodeJpegFrame(decoder, frame.data(), frame.size(), planes.data(), planes.size(), &decoded);
        kjpeg::ConvertToRgb24(decoded, tables, {rgb.data(), rgb.size(), 1024, 768});
    }
}

// libjpeg-turbo's nearest equivalent: BGR with replicated chroma.
void TurboDecodeToBgr(benchmark::State& state, const Bytes& frame)
{
    tjhandle handle = tjInitDecompress();
    Bytes bgr(1024 * 768 * 3);
    for (auto _ : state)
        tjDecompress2(handle, frame.data(), frame.size(), bgr.data(), 1024, 0, 768, TJPF_BGR, TJFLAG_FASTUPSAMPLE);
    tjDestroy(handle);
}

}  // namespace

BENCHMARK_CAPTURE(KernelDecode, planes_420, Frame420())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TurboDecode, planes_420, Frame420())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KernelDecode, planes_422, Frame422())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TurboDecode, planes_422, Frame422())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KernelDecodeToRgb24, rgb24_420, Frame420())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TurboDecodeToBgr, bgr_420, Frame420())->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// Codec throughput against libjpeg-turbo's TurboJPEG on the same pictures in
// the same run. Pictures are made in memory by TurboJPEG from synthetic
// pixels, so the harness needs no files.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "jpegcodec.h"
#include "jpegcodec_testing.h"

namespace {
struct Picture {
    int width;
    int height;
    std::vector<uint8_t> jpeg;
};

// A document-like page: dark text strokes on a light, slightly shaded ground.
std::vector<uint8_t> pagePixels(int width, int height)
{
    std::vector<uint8_t> bgr(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool ink = (y % 24) < 14 && ((x * 7 + y * 3) % 11) < 4 && (x / 40) % 5 != 4;
            const int shade = 230 + (x + y) % 20;
            const uint8_t v = static_cast<uint8_t>(ink ? 30 + (x % 17) : shade);
            uint8_t* p = &bgr[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>(v - (ink ? 0 : 10));
            p[1] = v;
            p[2] = static_cast<uint8_t>(ink ? v : v - 4);
        }
    return bgr;
}

// A photograph-like field: smooth gradients with texture.
std::vector<uint8_t> photoPixels(int width, int height)
{
    std::vector<uint8_t> bgr(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &bgr[(static_cast<size_t>(y) * width + x) * 3];
            const double t = std::sin(x * 0.013) * std::cos(y * 0.017);
            p[0] = static_cast<uint8_t>(128 + 100 * t + (x * y % 13));
            p[1] = static_cast<uint8_t>((x * 255) / width);
            p[2] = static_cast<uint8_t>((y * 255) / height ^ (x & 15));
        }
    return bgr;
}

Picture compress(int width, int height, const std::vector<uint8_t>& bgr, int subsampling, int quality)
{
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, bgr.data(), width, 0, height, TJPF_BGR, &out, &size, subsampling, quality, 0);
    Picture picture{width, height, std::vector<uint8_t>(out, out + size)};
    tjFree(out);
    tjDestroy(handle);
    return picture;
}

const std::vector<uint8_t>& cameraFramePixels()
{
    static const std::vector<uint8_t> pixels = pagePixels(1024, 768);
    return pixels;
}
const std::vector<uint8_t>& stillPixels()
{
    static const std::vector<uint8_t> pixels = pagePixels(2016, 1520);
    return pixels;
}
const std::vector<uint8_t>& photographPixels()
{
    static const std::vector<uint8_t> pixels = photoPixels(4000, 3000);
    return pixels;
}

const Picture& cameraFrame()
{
    static const Picture p = compress(1024, 768, cameraFramePixels(), TJSAMP_420, 75);
    return p;
}
const Picture& still()
{
    static const Picture p = compress(2016, 1520, stillPixels(), TJSAMP_420, 90);
    return p;
}
const Picture& photograph()
{
    static const Picture p = compress(4000, 3000, photographPixels(), TJSAMP_420, 85);
    return p;
}

// The simulated camera's page (text, a table and a figure on white) as the
// camera sends it: 1024x768, 4:2:0, quality 75.
const Picture& documentPage()
{
    static const Picture p = [] {
        Picture page{0, 0, {}};
        if (FILE* file = std::fopen(CAMERA_PAGE, "rb")) {
            uint8_t chunk[65536];
            for (size_t got; (got = std::fread(chunk, 1, sizeof(chunk), file)) > 0;)
                page.jpeg.insert(page.jpeg.end(), chunk, chunk + got);
            std::fclose(file);
        }
        tjhandle handle = tjInitDecompress();
        int subsampling = 0;
        tjDecompressHeader2(handle, page.jpeg.data(), page.jpeg.size(), &page.width, &page.height, &subsampling);
        tjDestroy(handle);
        return page;
    }();
    return p;
}
const std::vector<uint8_t>& documentPagePixels()
{
    static const std::vector<uint8_t> pixels = [] {
        const Picture& page = documentPage();
        std::vector<uint8_t> bgr(static_cast<size_t>(page.width) * page.height * 3);
        tjhandle handle = tjInitDecompress();
        tjDecompress2(handle, page.jpeg.data(), page.jpeg.size(), bgr.data(), page.width, 0, page.height, TJPF_BGR, 0);
        tjDestroy(handle);
        return bgr;
    }();
    return pixels;
}

// The same coefficients in TurboJPEG's progressive coding.
Picture progressiveOf(const Picture& baseline)
{
    tjhandle handle = tjInitTransform();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjtransform transform = {};
    transform.options = TJXOPT_PROGRESSIVE;
    tjTransform(handle, baseline.jpeg.data(), baseline.jpeg.size(), 1, &out, &size, &transform, 0);
    Picture picture{baseline.width, baseline.height, std::vector<uint8_t>(out, out + size)};
    tjFree(out);
    tjDestroy(handle);
    return picture;
}
const Picture& progressiveCameraFrame()
{
    static const Picture p = progressiveOf(cameraFrame());
    return p;
}
const Picture& progressiveStill()
{
    static const Picture p = progressiveOf(still());
    return p;
}
const Picture& progressivePhotograph()
{
    static const Picture p = progressiveOf(photograph());
    return p;
}

// "JPEGCODEC_USECPU" forces the class the benchmarks call automatic, to
// compare the kernel sets.
int32_t automaticClass()
{
    const char* forced = std::getenv("JPEGCODEC_USECPU");
    return forced ? std::atoi(forced) : CPU_NO_OVERRIDE;
}

void reportPixels(benchmark::State& state, const Picture& picture)
{
    state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(picture.width) * picture.height * 1e-6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

// Records initialised from here on use the class (-1: the processor's own).
void useCpuClass(int32_t cpuClass) { setCpuOverrideForTesting(cpuClass >= 0 ? cpuClass : automaticClass()); }

void decodeWithCodec(benchmark::State& state, const Picture& picture, int32_t cpuClass = -1)
{
    useCpuClass(cpuClass);
    std::vector<uint8_t> jpeg = picture.jpeg;
    std::vector<uint8_t> bgr(static_cast<size_t>(picture.width) * picture.height * 3);
    for (auto _ : state) {
        JPEG_PROPERTIES props;
        jpegInit(&props);
        props.jpegBuffer = jpeg.data();
        props.jpegBufferSize = static_cast<int32_t>(jpeg.size());
        props.bitmapPixels = bgr.data();
        props.bitmapWidth = picture.width;
        props.bitmapHeight = -picture.height;
        const JPEG_STATUS status = jpegRead(&props, DecodeFromMemory);
        jpegFree(&props);
        if (status != JPEG_SUCCESS) {
            state.SkipWithError(jpegErrorStr(status));
            break;
        }
    }
    reportPixels(state, picture);
}

void decodeWithTurbo(benchmark::State& state, const Picture& picture)
{
    std::vector<uint8_t> bgr(static_cast<size_t>(picture.width) * picture.height * 3);
    tjhandle handle = tjInitDecompress();
    for (auto _ : state)
        tjDecompress2(handle, picture.jpeg.data(), picture.jpeg.size(), bgr.data(), picture.width, 0, picture.height,
                      TJPF_BGR, TJFLAG_BOTTOMUP);
    tjDestroy(handle);
    reportPixels(state, picture);
}

// Encoding at quality 75, 4:2:0, from the pictures' pixels, into memory.
void encodeWithCodec(benchmark::State& state, const Picture& picture, const std::vector<uint8_t>& bgr,
                     int32_t cpuClass = -1)
{
    useCpuClass(cpuClass);
    std::vector<uint8_t> pixels = bgr;
    std::vector<uint8_t> jpeg(pixels.size());
    for (auto _ : state) {
        JPEG_PROPERTIES props;
        jpegInit(&props);
        props.bitmapPixels = pixels.data();
        props.bitmapWidth = props.jpegWidth = picture.width;
        props.bitmapHeight = props.jpegHeight = picture.height;
        props.jpegBuffer = jpeg.data();
        props.jpegBufferSize = static_cast<int32_t>(jpeg.size());
        const JPEG_STATUS status = jpegWrite(&props, EncodeToMemory);
        jpegFree(&props);
        if (status != JPEG_SUCCESS) {
            state.SkipWithError(jpegErrorStr(status));
            break;
        }
    }
    reportPixels(state, picture);
}

void encodeWithTurbo(benchmark::State& state, const Picture& picture, const std::vector<uint8_t>& bgr)
{
    tjhandle handle = tjInitCompress();
    unsigned long capacity = tjBufSize(picture.width, picture.height, TJSAMP_420);
    std::vector<uint8_t> jpeg(capacity);
    for (auto _ : state) {
        unsigned char* out = jpeg.data();
        unsigned long size = capacity;
        tjCompress2(handle, bgr.data(), picture.width, 0, picture.height, TJPF_BGR, &out, &size, TJSAMP_420, 75,
                    TJFLAG_NOREALLOC);
    }
    tjDestroy(handle);
    reportPixels(state, picture);
}

// The camera's page and the photograph at the automatic class and at class 5,
// against TurboJPEG.
void encodeAtClass5WithCodec(benchmark::State& state, const Picture& picture, const std::vector<uint8_t>& bgr)
{
    encodeWithCodec(state, picture, bgr, 5);
}
void decodeAtClass5WithCodec(benchmark::State& state, const Picture& picture) { decodeWithCodec(state, picture, 5); }
BENCHMARK_CAPTURE(decodeWithCodec, documentPage_1024x768, documentPage())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeAtClass5WithCodec, documentPage_1024x768, documentPage())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithTurbo, documentPage_1024x768, documentPage())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWithCodec, documentPage_1024x768, documentPage(), documentPagePixels())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeAtClass5WithCodec, documentPage_1024x768, documentPage(), documentPagePixels())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWithTurbo, documentPage_1024x768, documentPage(), documentPagePixels())
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(encodeWithCodec, cameraFrame_1024x768, cameraFrame(), cameraFramePixels())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWithTurbo, cameraFrame_1024x768, cameraFrame(), cameraFramePixels())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWithCodec, still_2016x1520, still(), stillPixels())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWithTurbo, still_2016x1520, still(), stillPixels())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWithCodec, photograph_4000x3000, photograph(), photographPixels())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeAtClass5WithCodec, photograph_4000x3000, photograph(), photographPixels())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWithTurbo, photograph_4000x3000, photograph(), photographPixels())
    ->Unit(benchmark::kMillisecond);

// Progressive decoding runs the same decode calls on the progressive codings.
void decodeProgressiveWithCodec(benchmark::State& state, const Picture& picture) { decodeWithCodec(state, picture); }
void decodeProgressiveWithTurbo(benchmark::State& state, const Picture& picture) { decodeWithTurbo(state, picture); }
BENCHMARK_CAPTURE(decodeProgressiveWithCodec, cameraFrame_1024x768, progressiveCameraFrame())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeProgressiveWithTurbo, cameraFrame_1024x768, progressiveCameraFrame())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeProgressiveWithCodec, still_2016x1520, progressiveStill())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeProgressiveWithTurbo, still_2016x1520, progressiveStill())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeProgressiveWithCodec, photograph_4000x3000, progressivePhotograph())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeProgressiveWithTurbo, photograph_4000x3000, progressivePhotograph())
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(decodeWithCodec, cameraFrame_1024x768, cameraFrame())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithTurbo, cameraFrame_1024x768, cameraFrame())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithCodec, still_2016x1520, still())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithTurbo, still_2016x1520, still())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithCodec, photograph_4000x3000, photograph())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeAtClass5WithCodec, photograph_4000x3000, photograph())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithTurbo, photograph_4000x3000, photograph())->Unit(benchmark::kMillisecond);
// Prints, after the usual table, how fast the codec is against TurboJPEG on
// each picture (above 1: the codec is faster).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // Processor time: both coders run on one thread, and on a shared machine
        // the wall clock also counts the time others had the processor.
        for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        // Each "<operation>[AtClassN]WithCodec/<picture>" against "<operation>WithTurbo/<picture>".
        const std::string codecTag = "WithCodec/";
        for (const auto& [name, codecTime] : times_) {
            const size_t tag = name.find(codecTag);
            if (tag == std::string::npos) continue;
            const std::string operation = name.substr(0, tag), picture = name.substr(tag + codecTag.size());
            const auto peer = times_.find(operation.substr(0, operation.find("AtClass")) + "WithTurbo/" + picture);
            if (peer != times_.end() && codecTime > 0)
                std::printf("%-26s %-22s codec/TurboJPEG speed ratio %.3f\n", operation.c_str(), picture.c_str(),
                            peer->second / codecTime);
        }
    }

private:
    std::map<std::string, double> times_;
};
}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// Codec throughput against libjpeg-turbo's TurboJPEG on the same pictures in
// the same run. Pictures are made in memory by TurboJPEG from synthetic
// pixels, so the harness needs no files.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "jpegcodec.h"

namespace {
struct Picture {
  int width;
  int height;
  std::vector<uint8_t> jpeg;
};

// A document-like page: dark text strokes on a light, slightly shaded ground.
std::vector<uint8_t> pagePixels(int width, int height) {
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
std::vector<uint8_t> photoPixels(int width, int height) {
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

Picture compress(int width, int height, const std::vector<uint8_t>& bgr, int subsampling, int quality) {
  tjhandle handle = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(handle, bgr.data(), width, 0, height, TJPF_BGR, &out, &size, subsampling, quality, 0);
  Picture picture{width, height, std::vector<uint8_t>(out, out + size)};
  tjFree(out);
  tjDestroy(handle);
  return picture;
}

const Picture& cameraFrame() {
  static const Picture p = compress(1024, 768, pagePixels(1024, 768), TJSAMP_420, 75);
  return p;
}
const Picture& still() {
  static const Picture p = compress(2016, 1520, pagePixels(2016, 1520), TJSAMP_420, 90);
  return p;
}
const Picture& photograph() {
  static const Picture p = compress(4000, 3000, photoPixels(4000, 3000), TJSAMP_420, 85);
  return p;
}

void reportPixels(benchmark::State& state, const Picture& picture) {
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(picture.width) * picture.height * 1e-6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void decodeWithCodec(benchmark::State& state, const Picture& picture) {
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

void decodeWithTurbo(benchmark::State& state, const Picture& picture) {
  std::vector<uint8_t> bgr(static_cast<size_t>(picture.width) * picture.height * 3);
  tjhandle handle = tjInitDecompress();
  for (auto _ : state)
    tjDecompress2(handle, picture.jpeg.data(), picture.jpeg.size(), bgr.data(), picture.width, 0, picture.height,
                  TJPF_BGR, TJFLAG_BOTTOMUP);
  tjDestroy(handle);
  reportPixels(state, picture);
}

BENCHMARK_CAPTURE(decodeWithCodec, cameraFrame_1024x768, cameraFrame())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithTurbo, cameraFrame_1024x768, cameraFrame())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithCodec, still_2016x1520, still())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithTurbo, still_2016x1520, still())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithCodec, photograph_4000x3000, photograph())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeWithTurbo, photograph_4000x3000, photograph())->Unit(benchmark::kMillisecond);
// Prints, after the usual table, how fast the codec is against TurboJPEG on
// each picture (above 1: the codec is faster).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, codecTime] : times_) {
      const std::string prefix = "decodeWithCodec/";
      if (name.rfind(prefix, 0) != 0) continue;
      const std::string picture = name.substr(prefix.size());
      const auto peer = times_.find("decodeWithTurbo/" + picture);
      if (peer != times_.end() && codecTime > 0)
        std::printf("decode %-28s codec/TurboJPEG speed ratio %.3f\n", picture.c_str(), peer->second / codecTime);
    }
  }

 private:
  std::map<std::string, double> times_;
};
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

// Encoding a typed-text picture of 1 MB: the encoder's doubling buffer
// against a buffer that grows by a fixed 128 bytes per step, and against a
// bare copy of the bytes.
#include "telvane/Shapes.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kPictureSize = 1 << 20;

const std::vector<uint8_t>& picture()
{
    static const std::vector<uint8_t> bytes(kPictureSize, 0x5A);
    return bytes;
}

// The fixed-step growth the encoder avoids: one reallocation per 128 bytes.
class FixedStepEncoder : public Telvane::Encoder {
public:
    ~FixedStepEncoder() override { std::free(buffer_); }
    void write(const void* data, uint32_t count) override
    {
        while (used_ + count > capacity_) {
            capacity_ += 128;
            buffer_ = static_cast<uint8_t*>(std::realloc(buffer_, capacity_));
        }
        std::memcpy(buffer_ + used_, data, count);
        used_ += count;
    }
    uint32_t size() const { return used_; }

private:
    uint8_t* buffer_ = nullptr;
    uint32_t used_ = 0;
    uint32_t capacity_ = 0;
};

void encodeWithDoubling(benchmark::State& state)
{
    Telvane::ImageGraphic image(picture().data(), kPictureSize, 0, 0, 1, 1);
    for (auto _ : state) {
        Telvane::BinaryEncoder encoder(image);
        benchmark::DoNotOptimize(encoder.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kPictureSize);
}
BENCHMARK(encodeWithDoubling);

void encodeWithFixedSteps(benchmark::State& state)
{
    Telvane::ImageGraphic image(picture().data(), kPictureSize, 0, 0, 1, 1);
    for (auto _ : state) {
        FixedStepEncoder encoder;
        encoder.writeObject(image);
        benchmark::DoNotOptimize(encoder.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kPictureSize);
}
BENCHMARK(encodeWithFixedSteps);

void copyOnly(benchmark::State& state)
{
    for (auto _ : state) {
        uint8_t* copy = static_cast<uint8_t*>(std::malloc(kPictureSize));
        std::memcpy(copy, picture().data(), kPictureSize);
        benchmark::DoNotOptimize(copy);
        std::free(copy);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kPictureSize);
}
BENCHMARK(copyOnly);

}  // namespace

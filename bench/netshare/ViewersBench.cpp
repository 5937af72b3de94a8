// A classroom: one sharing console sends 1024x768 JPEG pictures (encoded by
// libjpeg-turbo at the console's medium and high quality) ten times a
// second for a minute, and ten viewers receive them, each on its own thread. Every
// picture carries its number and which of four pictures it is in the meta
// block; a viewer counts a picture lost when its number never arrives and
// torn when its bytes differ from the picture sent. Runs only inside
// in-netns.
#include "telvane/ByteOrder.h"
#include "telvane/Multicast.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kViewers = 10;
constexpr int kPictureKinds = 4;
const uint32_t kGroup = inet_addr(Telvane::kPictureGroup);
const uint16_t kPort = htons(31416);
using Clock = std::chrono::steady_clock;

// Four different camera pages: gradients with text-like stripes.
std::vector<std::vector<uint8_t>> jpegPictures(int quality)
{
    std::vector<std::vector<uint8_t>> pictures;
    tjhandle encoder = tjInitCompress();
    std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
    for (int kind = 0; kind < kPictureKinds; ++kind) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint8_t* p = &rgb[(size_t(y) * kWidth + x) * 3];
                const bool stripe = (y / 12 + kind) % 5 == 0 && (x / 7 + y) % 3 != 0;
                p[0] = stripe ? 20 : uint8_t(x / 4 + kind * 40);
                p[1] = stripe ? 20 : uint8_t(y / 3);
                p[2] = stripe ? 20 : uint8_t((x + y) / 7 + kind * 17);
            }
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        tjCompress2(encoder, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, quality, 0);
        pictures.emplace_back(jpeg, jpeg + size);
        tjFree(jpeg);
    }
    tjDestroy(encoder);
    return pictures;
}

struct ViewerTally {
    std::vector<bool> seen;
    int torn = 0;
    double worstLatencyMs = 0;
    double totalLatencyMs = 0;
    int received = 0;
};

void tenViewers(benchmark::State& state)
{
    if (!std::getenv("ORBILE_PRIVATE_NETWORK")) {
        state.SkipWithError("run through netshare/tests/in-netns");
        return;
    }
    const int pictures = int(state.range(0));
    const auto interval = std::chrono::milliseconds(100);
    const auto jpegs = jpegPictures(int(state.range(1)));
    std::vector<std::unique_ptr<Telvane::MulticastImageReceiver>> receivers;
    for (int i = 0; i < kViewers; ++i)
        receivers.push_back(std::make_unique<Telvane::MulticastImageReceiver>(kGroup, kPort));
    Telvane::MulticastImageProvider provider(kGroup, kPort);
    const Clock::time_point epoch = Clock::now();
    std::vector<ViewerTally> tallies(kViewers);
    size_t bytesSent = 0;

    for (auto _ : state) {
        std::atomic<bool> sending{true};
        std::vector<std::thread> viewers;
        for (int v = 0; v < kViewers; ++v)
            viewers.emplace_back([&, v] {
                ViewerTally& tally = tallies[v];
                tally.seen.assign(size_t(pictures), false);
                Telvane::PictureBuffers buffers(3840000, 64);
                for (;;) {
                    if (!receivers[v]->receive(buffers)) {
                        if (!sending) return;
                        continue;
                    }
                    const uint32_t number = Telvane::loadBigEndian32(buffers.meta.data());
                    const uint32_t kind = buffers.meta[4];
                    const auto sentAt =
                        std::chrono::nanoseconds((uint64_t(Telvane::loadBigEndian32(buffers.meta.data() + 8)) << 32) |
                                                 Telvane::loadBigEndian32(buffers.meta.data() + 12));
                    const double latency =
                        std::chrono::duration<double, std::milli>(Clock::now() - (epoch + sentAt)).count();
                    if (buffers.metaLength != 64 || number >= uint32_t(pictures) || kind >= kPictureKinds ||
                        buffers.pictureLength != jpegs[kind].size() ||
                        !std::equal(jpegs[kind].begin(), jpegs[kind].end(), buffers.picture.begin())) {
                        ++tally.torn;
                        continue;
                    }
                    tally.seen[number] = true;
                    ++tally.received;
                    tally.totalLatencyMs += latency;
                    tally.worstLatencyMs = std::max(tally.worstLatencyMs, latency);
                }
            });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        auto next = Clock::now();
        uint8_t meta[64] = {};
        for (int i = 0; i < pictures; ++i) {
            const int kind = i % kPictureKinds;
            const uint64_t sentAt =
                uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - epoch).count());
            Telvane::storeBigEndian32(meta, uint32_t(i));
            meta[4] = uint8_t(kind);
            Telvane::storeBigEndian32(meta + 8, uint32_t(sentAt >> 32));
            Telvane::storeBigEndian32(meta + 12, uint32_t(sentAt));
            provider.sendImage(jpegs[kind].data(), uint32_t(jpegs[kind].size()), meta, sizeof meta);
            bytesSent += jpegs[kind].size();
            next += interval;
            std::this_thread::sleep_until(next);
        }
        sending = false;
        for (std::thread& viewer : viewers) viewer.join();
    }

    int lost = 0, torn = 0, received = 0;
    double worst = 0, total = 0;
    for (const ViewerTally& t : tallies) {
        lost += int(std::count(t.seen.begin(), t.seen.end(), false));
        torn += t.torn;
        received += t.received;
        worst = std::max(worst, t.worstLatencyMs);
        total += t.totalLatencyMs;
    }
    size_t smallest = jpegs[0].size(), largest = 0;
    for (const auto& j : jpegs) {
        smallest = std::min(smallest, j.size());
        largest = std::max(largest, j.size());
    }
    state.SetBytesProcessed(int64_t(bytesSent) * kViewers);
    state.counters["viewers"] = kViewers;
    state.counters["sent"] = pictures;
    state.counters["received"] = received;
    state.counters["lost"] = lost;
    state.counters["torn"] = torn;
    state.counters["jpegKBmin"] = double(smallest) / 1024;
    state.counters["jpegKBmax"] = double(largest) / 1024;
    state.counters["latencyMsMean"] = received ? total / received : 0;
    state.counters["latencyMsMax"] = worst;
}
// Ten pictures a second for sixty seconds, at medium and high quality.
BENCHMARK(tenViewers)->Args({600, 50})->Args({600, 80})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Multicast pictures of 200 KB over loopback: paced at ten a second as a
// sharing console sends them, and as fast as the sender can go. Counters
// report how many arrived whole. Runs only inside in-netns.
#include "telvane/Multicast.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kPictureSize = 200 * 1024;
const uint32_t kGroup = inet_addr(Telvane::kPictureGroup);
const uint16_t kPort = htons(31415);

void multicastPictures(benchmark::State& state)
{
    if (!std::getenv("ORBILE_PRIVATE_NETWORK")) {
        state.SkipWithError("run through netshare/tests/in-netns");
        return;
    }
    const auto interval = std::chrono::milliseconds(state.range(0));
    const int pictures = int(state.range(1));
    std::vector<uint8_t> jpeg(kPictureSize, 0xA5);
    std::vector<uint8_t> meta(64, 1);

    Telvane::MulticastImageReceiver receiver(kGroup, kPort);
    Telvane::MulticastImageProvider provider(kGroup, kPort);
    int64_t sent = 0;
    std::atomic<int64_t> received{0};
    for (auto _ : state) {
        std::atomic<bool> sending{true};
        std::thread receiving([&] {
            std::vector<uint8_t> picture(1 << 20);
            std::vector<uint8_t> block(64);
            while (sending || received < sent) {
                uint32_t length = uint32_t(picture.size()), metaLength = 64;
                if (receiver.receive(picture.data(), length, block.data(), metaLength))
                    ++received;
                else if (!sending)
                    break;
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        auto next = std::chrono::steady_clock::now();
        for (int i = 0; i < pictures; ++i) {
            provider.sendImage(jpeg.data(), kPictureSize, meta.data(), 64);
            ++sent;
            next += interval;
            std::this_thread::sleep_until(next);
        }
        sending = false;
        receiving.join();
    }
    state.SetBytesProcessed(received * kPictureSize);
    state.counters["sent"] = double(sent);
    state.counters["received"] = double(received);
    state.counters["loss%"] = sent ? 100.0 * double(sent - received) / double(sent) : 0.0;
}
// Ten a second for five seconds; then back to back.
BENCHMARK(multicastPictures)
    ->Args({100, 50})
    ->Args({0, 200})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

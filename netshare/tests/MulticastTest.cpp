// The multicast picture sender and receiver over a real group. Runs only
// inside a network namespace of its own (see in-netns), where loopback is
// the only interface and carries the group.
#include "PictureDatagrams.h"

#include "telvane/Multicast.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <thread>

using namespace Telvane;
using datagrams::Bytes;

namespace {

// Refuses to send a single datagram outside the namespace the driver makes.
class PrivateNetworkOnly : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!std::getenv("ORBILE_PRIVATE_NETWORK")) GTEST_SKIP() << "run through in-netns or wine-in-netns";
    }
};
const auto* const kPrivateNetworkOnly = ::testing::AddGlobalTestEnvironment(new PrivateNetworkOnly);

const uint32_t kGroup = inet_addr(kPictureGroup);
const uint16_t kPort = htons(27182);

// A bare group member that records datagrams as they arrive.
class Listener {
public:
    Listener() : socket_(net::openUdp())
    {
        const sockaddr_in any = net::ipv4Address(htonl(INADDR_ANY), kPort);
        ip_mreq membership{};
        membership.imr_multiaddr.s_addr = kGroup;
        membership.imr_interface.s_addr = htonl(INADDR_ANY);
        net::setByteOption(socket_, SOL_SOCKET, SO_REUSEADDR, true);
        ok_ = bind(socket_, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0 &&
              setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&membership),
                         sizeof membership) == 0;
    }
    ~Listener() { net::closeSocket(socket_); }

    bool ok() const { return ok_; }

    std::vector<Bytes> take(size_t count)
    {
        std::vector<Bytes> got;
        uint8_t buffer[2048];
        bool ready = false;
        while (got.size() < count && net::waitReadable(&socket_, 1, 2000, &ready) > 0) {
            const long n = net::receiveSome(socket_, buffer, sizeof buffer);
            if (n < 0) break;
            got.emplace_back(buffer, buffer + n);
        }
        return got;
    }

private:
    SocketLibrary library_;
    Socket socket_;
    bool ok_ = false;
};

// Sends hand-made datagrams to the group.
class RawSender {
public:
    RawSender() : socket_(net::openUdp()), group_(net::ipv4Address(kGroup, kPort)) {}
    ~RawSender() { net::closeSocket(socket_); }
    void send(const std::vector<Bytes>& all)
    {
        for (const Bytes& d : all) net::sendTo(socket_, d.data(), d.size(), group_);
    }

private:
    SocketLibrary library_;
    Socket socket_;
    sockaddr_in group_;
};

struct Received {
    bool ok = false;
    Bytes picture;
    Bytes meta;
};

// Receives on a thread while `sending` runs, until a picture arrives or
// the receiver gives up.
template <class Sending>
Received receiveWhile(MulticastImageReceiver& receiver, size_t capacity, Sending sending)
{
    Received r;
    std::atomic<bool> done{false};
    std::thread receiving([&] {
        Bytes picture(capacity);
        Bytes meta(64);
        for (int attempt = 0; attempt < 10 && !r.ok; ++attempt) {
            uint32_t pictureLength = uint32_t(capacity);
            uint32_t metaLength = 64;
            r.ok = receiver.receive(picture.data(), pictureLength, meta.data(), metaLength);
            if (r.ok) {
                r.picture.assign(picture.begin(), picture.begin() + pictureLength);
                r.meta.assign(meta.begin(), meta.begin() + metaLength);
            }
        }
        done = true;
    });
    // Let the receiver start waiting before the first datagram goes out.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sending(done);
    receiving.join();
    return r;
}

TEST(MulticastTest, SenderCutsAPictureIntoChunks)
{
    Listener listener;
    ASSERT_TRUE(listener.ok());
    MulticastImageProvider provider(kGroup, kPort);
    ASSERT_TRUE(provider.usable());
    const Bytes jpeg = datagrams::pattern(3000, 5);
    const Bytes meta = datagrams::pattern(64, 6);
    provider.sendImage(jpeg.data(), uint32_t(jpeg.size()), meta.data(), uint32_t(meta.size()));

    const std::vector<Bytes> got = listener.take(5);
    ASSERT_EQ(got.size(), 5u);
    ASSERT_EQ(got[0].size(), 20u);
    const uint32_t id = got[0][16] | got[0][17] << 8 | got[0][18] << 16 | uint32_t(got[0][19]) << 24;
    EXPECT_EQ(got, datagrams::picture(jpeg, meta, id));
    const size_t payloads[] = {1460, 1460, 80};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(got[2 + i].size(), 12 + payloads[i]);

    // The next picture carries the next frame id; an empty one still sends
    // one chunk.
    provider.sendImage(nullptr, 0, nullptr, 0);
    const std::vector<Bytes> empty = listener.take(2);
    EXPECT_EQ(empty, datagrams::picture(Bytes{}, Bytes{}, id + 1));
}

TEST(MulticastTest, PicturesOfEverySizeArrive)
{
    MulticastImageProvider provider(kGroup, kPort);
    const Bytes meta = datagrams::pattern(64, 9);
    for (size_t size : {size_t(3000), size_t(3) << 20}) {
        // A receiver per size: resent copies of the previous picture may
        // still wait in an older socket.
        MulticastImageReceiver receiver(kGroup, kPort);
        ASSERT_TRUE(receiver.usable());
        const Bytes jpeg = datagrams::pattern(size, uint8_t(size));
        // Datagrams are best effort even on loopback: resend until one
        // copy gets through whole.
        const Received r = receiveWhile(receiver, 4 << 20, [&](std::atomic<bool>& done) {
            for (int i = 0; i < 40 && !done; ++i) {
                provider.sendImage(jpeg.data(), uint32_t(jpeg.size()), meta.data(), uint32_t(meta.size()));
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        });
        ASSERT_TRUE(r.ok) << size;
        EXPECT_EQ(r.picture, jpeg) << size;
        EXPECT_EQ(r.meta, meta) << size;
    }
}

TEST(MulticastTest, ReceiverReassemblesDisorderlyDatagrams)
{
    MulticastImageReceiver receiver(kGroup, kPort);
    ASSERT_TRUE(receiver.usable());
    const Bytes jpeg = datagrams::pattern(7000, 3);
    const Bytes meta = datagrams::pattern(64, 4);
    std::vector<Bytes> stream = datagrams::picture(jpeg, Bytes{}, 900);
    stream.pop_back();  // the abandoned picture misses its last chunk
    std::vector<Bytes> next = datagrams::picture(jpeg, meta, 901);
    std::reverse(next.begin() + 2, next.end());
    stream.push_back(next[0]);
    stream.push_back(Bytes(4000, 'J'));                                        // no sender of pictures makes these
    stream.push_back(datagrams::chunk("JPEG", 730, 901, jpeg.data(), 1460));   // overlapping
    stream.push_back(datagrams::chunk("JPEG", 8760, 901, jpeg.data(), 1460));  // out of range
    for (size_t i = 1; i < next.size(); ++i) stream.insert(stream.end(), {next[i], next[i]});

    RawSender sender;
    const Received r = receiveWhile(receiver, 1 << 20, [&](std::atomic<bool>&) { sender.send(stream); });
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.picture, jpeg);
    EXPECT_EQ(r.meta, meta);
}

TEST(MulticastTest, PictureTooLargeForTheBufferIsRefused)
{
    MulticastImageReceiver receiver(kGroup, kPort);
    RawSender sender;
    const Bytes jpeg = datagrams::pattern(5000, 8);
    bool received = true;
    std::thread receiving([&] {
        Bytes picture(4000);
        uint32_t length = 4000, metaLength = 0;
        received = receiver.receive(picture.data(), length, nullptr, metaLength);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sender.send(datagrams::picture(jpeg, Bytes{}, 77));
    receiving.join();
    EXPECT_FALSE(received);
}

// Stray datagrams keep a receive from ever timing out by itself; only the
// interrupt ends it.
TEST(MulticastTest, InterruptEndsAReceiveThatStrayDatagramsKeepAlive)
{
    MulticastImageReceiver receiver(kGroup, kPort);
    ASSERT_TRUE(receiver.usable());
    RawSender sender;
    std::atomic<bool> ended{false};
    std::thread receiving([&] {
        PictureBuffers buffers(1 << 20, 64);
        while (receiver.receive(buffers)) {
        }
        ended = true;
    });
    const auto waitForEnd = [&](int steps) {
        for (int i = 0; i < steps && !ended; ++i) {
            sender.send({Bytes(30, 'x')});
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    };
    waitForEnd(10);
    EXPECT_FALSE(ended);
    receiver.interrupt();
    waitForEnd(250);
    EXPECT_TRUE(ended);
    while (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    receiving.join();

    // Interrupted before it began, the next receive ends at once too.
    receiver.interrupt();
    PictureBuffers buffers(16, 0);
    EXPECT_FALSE(receiver.receive(buffers));
}

// A picture without a meta block leaves the next one's meta capacity whole.
TEST(MulticastTest, EveryReceiveIntoBuffersStartsFromTheirFullSize)
{
    MulticastImageReceiver receiver(kGroup, kPort);
    RawSender sender;
    const Bytes jpeg = datagrams::pattern(2000, 1);
    const Bytes meta = datagrams::pattern(64, 2);
    PictureBuffers buffers(4096, 64);
    std::vector<std::pair<uint32_t, uint32_t>> lengths;
    std::thread receiving([&] {
        while (lengths.size() < 2 && receiver.receive(buffers))
            lengths.emplace_back(buffers.pictureLength, buffers.metaLength);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sender.send(datagrams::picture(jpeg, Bytes{}, 40));
    sender.send(datagrams::picture(jpeg, meta, 41));
    receiving.join();
    ASSERT_EQ(lengths.size(), 2u);
    EXPECT_EQ(lengths[0], std::make_pair(uint32_t(2000), uint32_t(0)));
    EXPECT_EQ(lengths[1], std::make_pair(uint32_t(2000), uint32_t(64)));
    EXPECT_EQ(Bytes(buffers.meta.begin(), buffers.meta.end()), meta);
}

}  // namespace

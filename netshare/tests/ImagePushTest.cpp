// The image push server and subscriber over real sockets on 127.0.0.1.
#include "Loopback.h"
#include "PictureDatagrams.h"

#include "telvane/ImagePush.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace Telvane;
using datagrams::Bytes;
using loopback::eventually;

namespace {

class ImagePushTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(server.listeningSocket(), kNoSocket);
        serving = std::thread([this] { server.serveRequests(); });
    }
    void TearDown() override
    {
        server.requestStop();
        serving.join();
    }

    sockaddr_in serverAddress() const { return loopback::address(loopback::boundPort(server.listeningSocket())); }

    // Pushes on a thread of its own: a large picture fills the socket
    // buffers before the subscriber reads it.
    void pushLater(const Bytes& picture)
    {
        if (pushing.joinable()) pushing.join();
        pushing = std::thread([this, picture] { server.push(picture.data(), uint32_t(picture.size())); });
    }
    void finishPush() { pushing.join(); }

    ImageServer server{htonl(INADDR_LOOPBACK), 0};
    std::thread serving;
    std::thread pushing;
};

TEST_F(ImagePushTest, SubscriberReceivesPushedPictures)
{
    ImageSubscriber subscriber(serverAddress(), htonl(INADDR_LOOPBACK), 0);
    EXPECT_EQ(subscriber.announcedAddress(), htonl(INADDR_LOOPBACK));
    ASSERT_TRUE(subscriber.subscribe());
    ASSERT_TRUE(subscriber.subscribe());  // a repeated request changes nothing
    ASSERT_TRUE(eventually([&] { return server.subscriberCount() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(server.subscriberCount(), 1u);

    for (size_t size : {size_t(1), size_t(200000)}) {
        const Bytes picture = datagrams::pattern(size, uint8_t(size));
        pushLater(picture);
        Bytes buffer(300000);
        uint32_t capacity = uint32_t(buffer.size());
        ASSERT_TRUE(subscriber.receive(buffer.data(), capacity));
        finishPush();
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + capacity), picture);
    }
}

TEST_F(ImagePushTest, RefusedPictureDoesNotMisalignTheNext)
{
    ImageSubscriber subscriber(serverAddress(), htonl(INADDR_LOOPBACK), 0);
    ASSERT_TRUE(subscriber.subscribe());
    ASSERT_TRUE(eventually([&] { return server.subscriberCount() == 1; }));

    const Bytes large = datagrams::pattern(5000, 1);
    const Bytes small = datagrams::pattern(900, 2);
    pushLater(large);
    Bytes buffer(1000);
    uint32_t capacity = uint32_t(buffer.size());
    EXPECT_FALSE(subscriber.receive(buffer.data(), capacity));
    finishPush();

    pushLater(small);
    capacity = uint32_t(buffer.size());
    ASSERT_TRUE(subscriber.receive(buffer.data(), capacity));
    finishPush();
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + capacity), small);
}

TEST_F(ImagePushTest, UnsubscribeMatchesByAddressAndPort)
{
    ImageSubscriber first(serverAddress(), htonl(INADDR_LOOPBACK), 0);
    ImageSubscriber second(serverAddress(), htonl(INADDR_LOOPBACK), 0);
    ASSERT_TRUE(first.subscribe());
    ASSERT_TRUE(second.subscribe());
    ASSERT_TRUE(eventually([&] { return server.subscriberCount() == 2; }));

    ASSERT_TRUE(first.unsubscribe());
    ASSERT_TRUE(eventually([&] { return server.subscriberCount() == 1; }));
    ASSERT_TRUE(first.unsubscribe());  // unknown by now: nothing changes
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(server.subscriberCount(), 1u);

    // The one left still gets the pictures.
    const Bytes picture = datagrams::pattern(64, 3);
    pushLater(picture);
    Bytes buffer(64);
    uint32_t capacity = 64;
    ASSERT_TRUE(second.receive(buffer.data(), capacity));
    finishPush();
    EXPECT_EQ(buffer, picture);
}

TEST_F(ImagePushTest, MalformedRequestsAndUnreachableSubscribersAreDropped)
{
    loopback::RawPeer bad(loopback::boundPort(server.listeningSocket()));
    const uint8_t wrongSize[9] = {8, 1, 2, 127, 0, 0, 1, 0, 80};
    ASSERT_TRUE(bad.send(wrongSize, sizeof wrongSize));
    EXPECT_TRUE(bad.closedByPeer());
    EXPECT_EQ(server.subscriberCount(), 0u);

    uint16_t gonePort;
    {
        ImageSubscriber gone(serverAddress(), htonl(INADDR_LOOPBACK), 0);
        gonePort = gone.announcedPort();
    }
    // A subscription for a port nobody listens on any more.
    loopback::RawPeer stale(loopback::boundPort(server.listeningSocket()));
    uint8_t request[9] = {9, 1, 2, 127, 0, 0, 1, 0, 0};
    std::memcpy(request + 7, &gonePort, 2);
    ASSERT_TRUE(stale.send(request, sizeof request));
    ASSERT_TRUE(eventually([&] { return server.subscriberCount() == 1; }));
    const uint8_t picture[3] = {1, 2, 3};
    server.push(picture, sizeof picture);
    EXPECT_EQ(server.subscriberCount(), 0u);
}

// A subscriber whose connection the system accepts but nobody ever reads:
// the push to it times out and drops it, while the subscriber list stays
// open to requests and the other subscriber gets the whole picture.
TEST_F(ImagePushTest, SilentSubscriberNeitherBlocksRequestsNorTheOthers)
{
    Socket silent = net::openTcp();
    net::setIntOption(silent, SOL_SOCKET, SO_RCVBUF, 4096);
    sockaddr_in local = loopback::address(0);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    ASSERT_EQ(listen(silent, 1), 0);
    loopback::RawPeer request(loopback::boundPort(server.listeningSocket()));
    uint8_t subscribe[9] = {9, 1, 2, 127, 0, 0, 1, 0, 0};
    const uint16_t silentPort = loopback::boundPort(silent);
    std::memcpy(subscribe + 7, &silentPort, 2);
    ASSERT_TRUE(request.send(subscribe, sizeof subscribe));
    ImageSubscriber reader(serverAddress(), htonl(INADDR_LOOPBACK), 0);
    ASSERT_TRUE(reader.subscribe());
    ASSERT_TRUE(eventually([&] { return server.subscriberCount() == 2; }));

    const Bytes picture = datagrams::pattern(4u << 20, 7);
    pushLater(picture);
    auto counting = std::async(std::launch::async, [&] { return server.subscriberCount(); });
    const bool listFree = counting.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    EXPECT_TRUE(listFree);
    Bytes buffer(picture.size());
    uint32_t capacity = uint32_t(buffer.size());
    EXPECT_TRUE(reader.receive(buffer.data(), capacity));
    EXPECT_TRUE(buffer == picture);
    if (!listFree) net::closeSocket(silent);  // ends a push that would otherwise never end
    EXPECT_TRUE(eventually([&] { return server.subscriberCount() == 1; }));
    finishPush();
    net::closeSocket(silent);
}

}  // namespace

// The command client and server over real sockets on 127.0.0.1, with a
// handler that records every slot it is called in.
#include "Loopback.h"
#include "WireBytes.h"

#include "telvane/ByteOrder.h"
#include "telvane/CmdClient.h"
#include "telvane/CmdServer.h"
#include "telvane/Commands.h"
#include "telvane/FrameReader.h"
#include "telvane/TypeRegistry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace Telvane;
using loopback::eventually;
using loopback::RawPeer;
using ::testing::ElementsAre;

namespace {

std::string describe(const Graphic& g)
{
    char text[160];
    auto* rect = dynamic_cast<const RectGraphic*>(&g);
    std::snprintf(text, sizeof text, "%s %g %g %g %g", g.typeName().c_str(), rect ? rect->x() : -1.0,
                  rect ? rect->y() : -1.0, rect ? rect->width() : -1.0, rect ? rect->height() : -1.0);
    return text;
}

class RecordingHandler : public CmdServerCallBack, public DocCamCmdHandlerV2 {
public:
    std::vector<uint8_t> snapshot;  // what the snapshot slots answer with

    void onCommand(CmdServer*, Socket client, const void* frame, uint32_t length) override
    {
        std::unique_ptr<Object> object(decodeMessage(frame, length));
        auto* cmd = dynamic_cast<Cmd*>(object.get());
        if (!cmd) return record("undecoded");
        client_ = client;
        cmd->execute(this, client);
    }

    void onQueryMulticastAddress(Socket s) override
    {
        record("address");
        MulticastAddressReply reply{inet_addr("239.254.1.2"), htons(7123), 0};
        net::sendAll(s, &reply, sizeof reply);
    }
    void onDocCamCmd(uint8_t code, uint8_t a1, uint8_t a2, uint8_t a3) override
    {
        char text[32];
        std::snprintf(text, sizeof text, "doccam %c %d %d %d", code, a1, a2, a3);
        record(text);
    }
    void onAnnotation(Graphic* g) override { record("annotation " + describe(*g)); }
    void onQueryCapability(Socket s) override
    {
        record("capability");
        const uint8_t reply[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        net::sendAll(s, reply, sizeof reply);
    }
    void onEraseAllAnnotation() override { record("erase all"); }
    void onSnapshot(SnapshotCmd* cmd, float w, float h, uint8_t flag) override
    {
        record("snapshot " + std::to_string(int(w)) + "x" + std::to_string(int(h)) + " " + std::to_string(flag));
        answer(*cmd);
    }
    void onQueryCapabilityV2(Socket s) override
    {
        record("capability v2");
        uint8_t reply[32] = {};
        reply[2] = 2;
        net::sendAll(s, reply, sizeof reply);
    }
    void onHighQualitySnapshot(HighQualitySnapshotCmd* cmd) override
    {
        record("high quality snapshot");
        answer(*cmd);
    }

    std::vector<std::string> events() const
    {
        std::lock_guard<std::mutex> hold(lock_);
        return events_;
    }
    size_t count() const { return events().size(); }

private:
    template <class SnapshotLike>
    void answer(const SnapshotLike& cmd)
    {
        if (!snapshot.empty()) {
            cmd.sendReply(snapshot.data(), uint32_t(snapshot.size()));
            return;
        }
        // sendReply sends nothing for an empty picture; an explicit
        // zero length is what a peer may still send.
        const uint8_t none[4] = {};
        net::sendAll(client_, none, sizeof none);
    }

    void record(const std::string& event)
    {
        std::lock_guard<std::mutex> hold(lock_);
        events_.push_back(event);
    }

    mutable std::mutex lock_;
    std::vector<std::string> events_;
    Socket client_ = kNoSocket;
};

class CmdServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerTypes();
        server.setCallback(&handler);
        ASSERT_NE(server.listeningSocket(), kNoSocket);
        port = loopback::boundPort(server.listeningSocket());
        server.start();
    }

    std::unique_ptr<CmdClient> connect()
    {
        const sockaddr_in to = loopback::address(port);
        return std::make_unique<CmdClient>(&to);
    }

    static std::vector<uint8_t> frame(const Object& object)
    {
        return wire::cat({wire::be32(uint32_t(wire::encode(object).size())), wire::encode(object)});
    }

    RecordingHandler handler;
    CmdServer server{0};
    uint16_t port = 0;
};

TEST_F(CmdServerTest, EveryCommandReachesItsSlotAndRepliesComeBack)
{
    auto client = connect();

    uint32_t group = 0;
    uint16_t multicastPort = 0;
    ASSERT_TRUE(client->queryMulticastAddress(group, multicastPort));
    EXPECT_EQ(group, inet_addr("239.254.1.2"));
    EXPECT_EQ(multicastPort, htons(7123));

    uint8_t capability[8] = {};
    ASSERT_TRUE(QueryCapabilityCmd().request(*client, capability));
    EXPECT_THAT(capability, ElementsAre(1, 2, 3, 4, 5, 6, 7, 8));
    uint32_t capabilityV2[8] = {};
    ASSERT_TRUE(QueryCapabilityCmdV2().request(*client, capabilityV2));
    EXPECT_EQ(reinterpret_cast<uint8_t*>(capabilityV2)[2], 2);

    DocCamCmd('+').send(*client);
    AnnotationCmd(new Telvane::Ellipse(0.25f, 0.5f, -0.125f, 0.0625f), true).send(*client);
    EraseAllAnnotationCmd().send(*client);

    handler.snapshot.assign(300000, 0);
    for (size_t i = 0; i < handler.snapshot.size(); ++i) handler.snapshot[i] = uint8_t(i % 251);
    SnapshotCmd snapshot(1, 1024.0f, 768.0f);
    uint32_t length = 0;
    const uint8_t* picture = snapshot.request(*client, length);
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::vector<uint8_t>(picture, picture + length), handler.snapshot);

    HighQualitySnapshotCmd highQuality;
    picture = highQuality.request(*client, length);
    ASSERT_TRUE(picture);
    EXPECT_EQ(length, handler.snapshot.size());

    handler.snapshot.clear();
    SnapshotCmd empty(0, 320.0f, 240.0f);
    length = 99;
    EXPECT_FALSE(empty.request(*client, length));
    EXPECT_EQ(length, 0u);  // answered, with no picture
    EXPECT_THAT(handler.events(), ElementsAre("address", "capability", "capability v2", "doccam + 0 0 0",
                                              "annotation Telvane::QxEllipse 0.25 0.5 -0.125 0.0625", "erase all",
                                              "snapshot 1024x768 1", "high quality snapshot", "snapshot 320x240 0"));
}

TEST_F(CmdServerTest, FrameSplitIntoSingleBytesIsDeliveredOnce)
{
    RawPeer viewer(port);
    ASSERT_TRUE(viewer.connected());
    const std::vector<uint8_t> bytes = frame(DocCamCmd('m', 1));
    for (uint8_t b : bytes) {
        ASSERT_TRUE(viewer.send(&b, 1));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::vector<uint8_t> two = wire::cat({frame(DocCamCmd('a')), frame(DocCamCmd('f'))});
    ASSERT_TRUE(viewer.send(two.data(), two.size()));
    ASSERT_TRUE(eventually([&] { return handler.count() == 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_THAT(handler.events(), ElementsAre("doccam m 1 0 0", "doccam a 0 0 0", "doccam f 0 0 0"));
}

TEST_F(CmdServerTest, SixtyThreeViewersAreServedAndTheSixtyFourthIsClosed)
{
    std::vector<std::unique_ptr<RawPeer>> viewers;
    for (int i = 0; i < 63; ++i) {
        viewers.push_back(std::make_unique<RawPeer>(port));
        ASSERT_TRUE(viewers.back()->connected());
        const auto bytes = frame(DocCamCmd('+', uint8_t(i)));
        ASSERT_TRUE(viewers.back()->send(bytes.data(), bytes.size()));
    }
    ASSERT_TRUE(eventually([&] { return handler.count() == 63; }));

    RawPeer extra(port);
    ASSERT_TRUE(extra.connected());
    EXPECT_TRUE(extra.closedByPeer());

    // A place freed by a leaving viewer is taken by the next. Until the
    // server has seen the leaving viewer go, a newcomer is still refused
    // (closed with its command unserved); the server never keeps one it
    // does not serve. Newcomers come until one is served.
    viewers.pop_back();
    const auto bytes = frame(EraseAllAnnotationCmd());
    bool served = false;
    for (int attempt = 0; attempt < 50 && !served; ++attempt) {
        RawPeer late(port);
        if (!late.send(bytes.data(), bytes.size())) continue;
        ASSERT_TRUE(eventually([&] { return handler.count() == 64 || late.closedByPeer(0); }));
        served = handler.count() == 64;
    }
    ASSERT_TRUE(served);
    EXPECT_EQ(handler.events().back(), "erase all");
}

TEST_F(CmdServerTest, BadViewersDoNotStarveTheOthers)
{
    RawPeer stalled(port);
    const auto bytes = frame(DocCamCmd('r'));
    ASSERT_TRUE(stalled.send(bytes.data(), bytes.size() - 3));

    RawPeer resetting(port);
    ASSERT_TRUE(resetting.send(bytes.data(), 2));
    resetting.abort();

    RawPeer oversized(port);
    const uint8_t huge[4] = {0xFF, 0xFF, 0xFF, 0xF0};
    ASSERT_TRUE(oversized.send(huge, sizeof huge));
    EXPECT_TRUE(oversized.closedByPeer());

    auto client = connect();
    uint8_t capability[8];
    EXPECT_TRUE(QueryCapabilityCmd().request(*client, capability));

    // The stalled viewer's frame completes whenever its last bytes come.
    ASSERT_TRUE(stalled.send(bytes.data() + bytes.size() - 3, 3));
    ASSERT_TRUE(eventually([&] { return handler.count() == 2; }));
    EXPECT_THAT(handler.events(), ElementsAre("capability", "doccam r 0 0 0"));
}

TEST_F(CmdServerTest, UndecodableFramesHaveNoEffect)
{
    RawPeer viewer(port);
    const auto unknown = wire::cat({wire::be32(17), wire::str("GetContentCmd"), wire::zeros(2)});
    const auto empty = wire::be32(0);
    const auto next = frame(DocCamCmd('c'));
    const auto all = wire::cat({unknown, empty, next});
    ASSERT_TRUE(viewer.send(all.data(), all.size()));
    ASSERT_TRUE(eventually([&] { return handler.count() == 3; }));
    EXPECT_THAT(handler.events(), ElementsAre("undecoded", "undecoded", "doccam c 0 0 0"));
}

TEST_F(CmdServerTest, StopClosesViewersAndRestartServesAgain)
{
    RawPeer viewer(port);
    const auto bytes = frame(DocCamCmd('v'));
    ASSERT_TRUE(viewer.send(bytes.data(), bytes.size()));
    ASSERT_TRUE(eventually([&] { return handler.count() == 1; }));

    server.start();  // restarts: the first loop is joined, its viewer closed
    EXPECT_TRUE(viewer.closedByPeer());
    RawPeer again(port);
    ASSERT_TRUE(again.send(bytes.data(), bytes.size()));
    ASSERT_TRUE(eventually([&] { return handler.count() == 2; }));

    server.stop();
    EXPECT_TRUE(again.closedByPeer());
}

// A viewer that asks for a large picture and never reads it: its socket
// buffer is small, so the reply cannot go out.
class StuckViewerTest : public CmdServerTest {
protected:
    void SetUp() override
    {
        CmdServerTest::SetUp();
        handler.snapshot.assign(8u << 20, 0x5A);
        stuck = std::make_unique<RawPeer>(port, 4096);
        ASSERT_TRUE(stuck->connected());
        const auto bytes = frame(SnapshotCmd(1, 1024.0f, 768.0f));
        ASSERT_TRUE(stuck->send(bytes.data(), bytes.size()));
        ASSERT_TRUE(eventually([&] { return handler.count() == 1; }));
    }

    std::unique_ptr<RawPeer> stuck;
};

TEST_F(StuckViewerTest, IsClosedAndTheNextViewerIsServed)
{
    auto client = connect();
    uint8_t capability[8];
    // The request waits ten seconds at most for its answer.
    EXPECT_TRUE(QueryCapabilityCmd().request(*client, capability));
    EXPECT_TRUE(stuck->drainedToClose());
}

TEST_F(StuckViewerTest, DoesNotHoldUpStop)
{
    auto stopping = std::async(std::launch::async, [&] { server.stop(); });
    EXPECT_EQ(stopping.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    stuck->abort();  // lets a server that is still sending end
}

// A plain listener on a free loopback port, for playing a server by hand.
Socket listenOnLoopback(int backlog)
{
    Socket listener = net::openTcp();
    const sockaddr_in any = loopback::address(0);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 || listen(listener, backlog) != 0)
        net::closeSocket(listener);
    return listener;
}

// A peer that closes without answering fails the request at once instead of
// after ten one-second waits; a reply length over the limit is refused.
TEST(CmdClientTest, RepliesFromAVanishingOrLyingServer)
{
    SocketLibrary library;
    Socket listener = listenOnLoopback(2);
    ASSERT_NE(listener, kNoSocket);
    const uint16_t port = loopback::boundPort(listener);

    std::thread server([&] {
        Socket first = net::acceptFrom(listener);
        uint8_t request[64];
        net::receiveSome(first, request, sizeof request);
        net::closeSocket(first);

        Socket second = net::acceptFrom(listener);
        net::receiveSome(second, request, sizeof request);
        const uint8_t lie[4] = {0x7F, 0xFF, 0xFF, 0xFF};
        net::sendAll(second, lie, sizeof lie);
        net::closeSocket(second);
    });

    const sockaddr_in to = loopback::address(port);
    const auto started = std::chrono::steady_clock::now();
    {
        CmdClient client(&to);
        uint8_t capability[8];
        EXPECT_FALSE(QueryCapabilityCmd().request(client, capability));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    {
        CmdClient client(&to);
        uint32_t length = 0;
        SnapshotCmd snapshot;
        EXPECT_FALSE(snapshot.request(client, length));
    }
    server.join();
    net::closeSocket(listener);
}

// A listener that never accepts, with no room in its queue after the first
// connection: the next connect gets no answer. Nobody listens on the port
// of a closed listener: connects there are refused.
TEST(CmdClientTest, ConnectGivesUpAndTellsWhetherItConnected)
{
    SocketLibrary library;
    Socket listener = listenOnLoopback(0);
    ASSERT_NE(listener, kNoSocket);
    const sockaddr_in to = loopback::address(loopback::boundPort(listener));

    CmdClient first(&to);
    EXPECT_TRUE(first.connected());
    const auto started = std::chrono::steady_clock::now();
    CmdClient unanswered(&to, 500);
    EXPECT_FALSE(unanswered.connected());
    uint8_t capability[8];
    EXPECT_FALSE(QueryCapabilityCmd().request(unanswered, capability));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

    net::closeSocket(listener);
    CmdClient refused(&to);
    EXPECT_FALSE(refused.connected());
}

// Partial frames of several viewers draw on one budget; what a reader holds
// goes back when its frame is done with or the reader goes, also after a move.
TEST(FrameReaderTest, PartialFramesShareOneBudget)
{
    FrameBudget budget(100);
    const auto header = wire::be32(80);
    const std::vector<uint8_t> body(80, 1);
    size_t used = 0;
    {
        FrameReader first(&budget);
        FrameReader second(&budget);
        EXPECT_EQ(first.append(header.data(), header.size(), used), FrameReader::Status::NeedMore);
        EXPECT_EQ(first.append(body.data(), 60, used), FrameReader::Status::NeedMore);
        EXPECT_EQ(budget.held(), 60u);
        EXPECT_EQ(second.append(header.data(), header.size(), used), FrameReader::Status::NeedMore);
        EXPECT_EQ(second.append(body.data(), 50, used), FrameReader::Status::Refused);
        EXPECT_EQ(second.append(body.data(), 1, used), FrameReader::Status::Refused);

        FrameReader moved(std::move(first));
        EXPECT_EQ(budget.held(), 60u);
        EXPECT_EQ(moved.append(body.data(), 20, used), FrameReader::Status::FrameReady);
        EXPECT_EQ(moved.frameLength(), 80u);
        EXPECT_EQ(moved.append(header.data(), 1, used), FrameReader::Status::NeedMore);
        EXPECT_EQ(budget.held(), 0u);
        EXPECT_EQ(moved.append(header.data() + 1, 3, used), FrameReader::Status::NeedMore);
        EXPECT_EQ(moved.append(body.data(), 30, used), FrameReader::Status::NeedMore);
    }
    EXPECT_EQ(budget.held(), 0u);
}

TEST(FrameReaderTest, RefusesOversizedFramesForGood)
{
    FrameReader reader;
    const auto header = wire::be32(FrameReader::kMaxFrameLength + 1);
    size_t used = 0;
    EXPECT_EQ(reader.append(header.data(), header.size(), used), FrameReader::Status::Oversized);
    const uint8_t more[8] = {};
    EXPECT_EQ(reader.append(more, sizeof more, used), FrameReader::Status::Oversized);

    FrameReader fine;
    const auto largest = wire::be32(FrameReader::kMaxFrameLength);
    EXPECT_EQ(fine.append(largest.data(), largest.size(), used), FrameReader::Status::NeedMore);
}

}  // namespace

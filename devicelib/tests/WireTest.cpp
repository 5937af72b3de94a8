// The exact bytes each transport puts on the wire, and the exchange rules
// (echo check, retries, failures, serialisation) of each.
#include <gtest/gtest.h>

#include <thread>

#include "CameraVendorProperty.h"
#include "CameraWire.h"
#include "SimRig.h"
#include "TestBytes.h"
#include "Trace.h"
#include "kvqdoccam.h"

using simcam::SimRig;
using simcam::Transport;
using simcam::WireCall;

namespace {

struct WireCase {
    uint8_t op, a1, a2, a3;
    bool inquiry;
    const char* usbRecord;  // the 10-byte vendor request record
    const char* word;       // bytes 24-27 of the property buffer
    uint32_t dsValue, dsIndex;
};

const WireCase kWireCases[] = {
    {0xA9, 0x01, 0x00, 0x00, false, "00 02 03 00 01 00 A9 01 00 00", "A9 01 00 00", 0x0000, 0xA901},
    {0xAA, 0x10, 0x00, 0x00, false, "00 02 03 00 01 00 AA 10 00 00", "AA 10 00 00", 0x0000, 0xAA10},
    {0xB1, 0x02, 0x01, 0x01, false, "00 02 03 00 01 00 B1 02 01 01", "B1 02 01 01", 0x0101, 0xB102},
    {0xAB, 0x02, 0x7F, 0x00, false, "00 02 03 00 01 00 AB 02 7F 00", "AB 02 7F 00", 0x7F00, 0xAB02},
    {0xB2, 0x04, 0xC3, 0x5A, false, "00 02 03 00 01 00 B2 04 C3 5A", "B2 04 C3 5A", 0xC35A, 0xB204},
    {0x41, 0x01, 0x00, 0x00, true, "01 02 03 00 02 00 41 01 00 00", "41 01 00 00", 0x0000, 0x4101},
    {0x31, 0x00, 0x00, 0x00, true, "01 02 03 00 02 00 31 00 00 00", "31 00 00 00", 0x0000, 0x3100},
    {0x42, 0x02, 0x00, 0x00, true, "01 02 03 00 02 00 42 02 00 00", "42 02 00 00", 0x0000, 0x4202},
};

int Send(KVQDocCamController& c, const WireCase& w)
{
    if (w.inquiry) return c.InquiryCommand(w.op, w.op, nullptr, w.a1, w.a2, w.a3);
    return c.SetCommand(w.op, w.a1, w.a2, w.a3);
}

void ExpectUsbWire(const SimRig& rig, const WireCase& w)
{
    auto calls = rig.io.Controls(devicelib::kIoctlDirectUsbVendorRequest);
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(Hex(w.usbRecord), calls[0].in);
    EXPECT_EQ(w.inquiry ? 64u : 0u, calls[0].out.size());
}

void ExpectKsWire(const SimRig& rig, const WireCase& w)
{
    auto calls = rig.io.Controls(camvendor::kIoctlKsProperty);
    if (!w.inquiry) {
        ASSERT_EQ(1u, calls.size());
        EXPECT_EQ(PropertyBuffer(1, 2, w.word), calls[0].in);
        EXPECT_EQ(PropertyBuffer(1, 2, w.word), calls[0].out);
        return;
    }
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(PropertyBuffer(2, 2, w.word), calls[0].in);
    EXPECT_EQ(PropertyBuffer(2, 2, w.word), calls[0].out);
    EXPECT_EQ(PropertyBuffer(3, 1, ""), calls[1].in);
    EXPECT_EQ(PropertyBuffer(3, 1, ""), calls[1].out);
}

void ExpectDirectShowWire(const SimRig& rig, const KVQDocCamController& c, const WireCase& w)
{
    const uint8_t record[6] = {w.op, w.a1, w.a2, w.a3, 0, 0};
    EXPECT_EQ(0, memcmp(record, c.m_command, 6));
    ASSERT_EQ(2u, rig.io.calls.size());
    EXPECT_EQ(WireCall::kCommandWrite, rig.io.calls[0].kind);
    EXPECT_EQ(w.dsValue, rig.io.calls[0].value);
    EXPECT_EQ(w.dsIndex, rig.io.calls[0].index);
    EXPECT_EQ(WireCall::kReplyRead, rig.io.calls[1].kind);
    EXPECT_EQ(w.dsIndex, rig.io.calls[1].index);
}

class TransportTest : public ::testing::TestWithParam<Transport> {};

TEST_P(TransportTest, EveryCaseReachesTheCameraInTheTransportsExactBytes)
{
    for (const WireCase& w : kWireCases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "op " << int(w.op) << " a1 " << int(w.a1));
        SimRig rig(GetParam());
        KVQDocCamController c;
        rig.Attach(c);
        ASSERT_EQ(1, Send(c, w));
        ASSERT_EQ(1u, rig.camera.log().size());
        const simcam::Exchange& seen = rig.camera.log()[0];
        EXPECT_EQ(seen.op, w.op);
        EXPECT_EQ(seen.a1, w.a1);
        EXPECT_EQ(seen.a2, w.a2);
        EXPECT_EQ(seen.a3, w.a3);
        EXPECT_EQ(w.inquiry, seen.kind == simcam::Exchange::kInquiry);
        if (w.inquiry) {
            EXPECT_EQ(w.op, c.m_reply[0]);
        }
        switch (GetParam()) {
        case Transport::kDirectUsb:
            ExpectUsbWire(rig, w);
            break;
        case Transport::kKsProperty:
            ExpectKsWire(rig, w);
            break;
        case Transport::kDirectShow:
            ExpectDirectShowWire(rig, c, w);
            break;
        }
        // No transport pauses by itself: the pause belongs to the command set.
        EXPECT_TRUE(rig.io.pauses.empty());
    }
}

TEST_P(TransportTest, InquiryReplyLandsInMReplyAndIsCopiedOnlyToAnotherBuffer)
{
    SimRig rig(GetParam());
    rig.camera.state.wbRed = 0x1234;
    KVQDocCamController c;
    rig.Attach(c);
    unsigned char reply[4] = {9, 9, 9, 9};
    ASSERT_EQ(1, c.InquiryCommand(0x41, 0x41, reply, 1, 0, 0));
    EXPECT_EQ(Hex("41 02 12 34"), std::vector<uint8_t>(reply, reply + 4));
    EXPECT_EQ(Hex("41 02 12 34"), std::vector<uint8_t>(c.m_reply, c.m_reply + 4));
    ASSERT_EQ(1, c.InquiryCommand(0x31, 0x31, c.m_reply, 0, 0, 0));
    EXPECT_EQ(Hex("31 60 00 00"), std::vector<uint8_t>(c.m_reply, c.m_reply + 4));

    rig.camera.unplugged = true;
    EXPECT_EQ(0, c.InquiryCommand(0x31, 0x31, reply, 0, 0, 0));
    EXPECT_EQ(Hex("41 02 12 34"), std::vector<uint8_t>(reply, reply + 4)) << "left untouched on failure";
    EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0));
}

TEST_P(TransportTest, LastCommandProcessPassesCodesZeroToThree)
{
    SimRig rig(GetParam());
    KVQDocCamController c;
    rig.Attach(c);
    const struct {
        uint8_t code;
        int expected;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, -1}, {0xFF, -1}};
    for (const auto& k : cases) {
        rig.camera.state.lastCommandProcess = k.code;
        EXPECT_EQ(k.expected, c.GetLastCommandProcess()) << int(k.code);
    }
    rig.camera.failExchanges = 1;
    EXPECT_EQ(-1, c.GetLastCommandProcess());
}

INSTANTIATE_TEST_SUITE_P(AllTransports, TransportTest,
                         ::testing::Values(Transport::kDirectUsb, Transport::kKsProperty, Transport::kDirectShow),
                         [](const auto& info) { return std::string(simcam::TransportName(info.param)); });

TEST(DirectShowTransport, AcceptsTheFifthEchoAndFailsAfterFiveWrongOnes)
{
    const struct {
        int wrongEchoes;
        int expected;
        size_t exchanges;
    } cases[] = {{0, 1, 1}, {1, 1, 2}, {4, 1, 5}, {5, 0, 5}, {9, 0, 5}};
    for (const auto& k : cases) {
        SimRig rig(Transport::kDirectShow);
        KVQDocCamController c;
        rig.Attach(c);
        rig.camera.wrongEchoes = k.wrongEchoes;
        EXPECT_EQ(k.expected, c.InquiryCommand(0x3B, 0x3B, nullptr, 0, 0, 0)) << k.wrongEchoes;
        EXPECT_EQ(k.exchanges, rig.camera.log().size()) << k.wrongEchoes;
        if (!k.expected) {
            EXPECT_EQ(0x3B ^ 0x80, c.m_reply[0]) << "the last wrong reply stays";
        }
    }
}

TEST(DirectShowTransport, CommandsDoNotCheckTheEcho)
{
    SimRig rig(Transport::kDirectShow);
    KVQDocCamController c;
    rig.Attach(c);
    rig.camera.wrongEchoes = 5;
    EXPECT_EQ(1, c.SetCommand(0xA9, 1, 0, 0));
    EXPECT_EQ(1u, rig.camera.log().size());
}

TEST(DirectShowTransport, AFailedWriteOrReadFailsTheExchange)
{
    SimRig rig(Transport::kDirectShow);
    KVQDocCamController c;
    rig.Attach(c);
    rig.io.failCommandWrites = 1;
    EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0));
    EXPECT_EQ(0u, rig.camera.log().size());

    ASSERT_EQ(1, c.InquiryCommand(0x31, 0x31, nullptr, 0, 0, 0));
    rig.io.failReplyReads = 1;
    EXPECT_EQ(0, c.InquiryCommand(0x3B, 0x3B, nullptr, 0, 0, 0));
    EXPECT_EQ(Hex("00 00 00 00"), std::vector<uint8_t>(c.m_reply, c.m_reply + 4))
        << "the earlier reply must not pass for this one";
    rig.io.failReplyReads = 1;
    EXPECT_EQ(0, c.SetCommand(0xA9, 0, 0, 0));
}

TEST(EchoCheck, OnlyTheDirectShowPathChecksIt)
{
    for (Transport t : {Transport::kDirectUsb, Transport::kKsProperty}) {
        SimRig rig(t);
        KVQDocCamController c;
        rig.Attach(c);
        rig.camera.wrongEchoes = 1;
        EXPECT_EQ(1, c.InquiryCommand(0x3B, 0x3B, nullptr, 0, 0, 0)) << simcam::TransportName(t);
        EXPECT_EQ(0x3B ^ 0x80, c.m_reply[0]);
    }
}

std::vector<std::wstring> g_trace;
void CollectTrace(const wchar_t* line) { g_trace.push_back(line); }

TEST(KsPropertyTransport, OpensOnceKeepsTheHandleAndRetriesAFailedOpen)
{
    SimRig rig(Transport::kKsProperty);
    g_trace.clear();
    devicelib::InstallTraceSink(CollectTrace);
    {
        KVQDocCamController c;
        rig.Attach(c);
        rig.io.failOpens = 1;
        EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0));
        EXPECT_EQ(devicelib::kInvalidDevice, c.m_hDevice);
        ASSERT_FALSE(g_trace.empty());
        EXPECT_EQ(L"  failed in creating file " + std::wstring(simcam::SimDeviceIo::kCameraPath) + L"\n",
                  g_trace.back());
        EXPECT_EQ(1, c.SetCommand(0xA9, 1, 0, 0));
        EXPECT_EQ(1, c.SetCommand(0xA9, 0, 0, 0));
        int opens = 0;
        for (const WireCall& call : rig.io.calls) opens += call.kind == WireCall::kOpen;
        EXPECT_EQ(2, opens);
        EXPECT_EQ(1, rig.io.OpenHandles());
    }
    EXPECT_EQ(0, rig.io.OpenHandles()) << "the controller closes its device";
    devicelib::InstallTraceSink(nullptr);
}

TEST(KsPropertyTransport, AnEmptyPathFailsAtOpening)
{
    SimRig rig(Transport::kKsProperty);
    KVQDocCamController c;
    rig.Attach(c);
    KVQDocCamController::m_cypressInterface[0][0] = L'\0';
    EXPECT_EQ(0, c.SetCommand(0xA9, 1, 0, 0));
    EXPECT_TRUE(rig.camera.log().empty());
}

// The device thread's status reads run while the UI thread sends commands
// and inquiries: every inquiry's set must be followed by its own get, and
// every DirectShow write by its own read.
void Hammer(KVQDocCamController& c, int thread)
{
    for (int i = 0; i < 200; ++i) {
        if (thread == 0) {
            c.InquiryCommand(0x3B, 0x3B, nullptr, 0, 0, 0);
        } else if (thread == 1) {
            c.InquiryCommand(0x3C, 0x3C, nullptr, 0, 0, 0);
        } else {
            c.IncrementalUpdate();
            c.SetCommand(0xBD, 0xFF, 0, 0);
        }
    }
}

TEST(Serialisation, ExchangesOfConcurrentThreadsDoNotInterleave)
{
    for (Transport t : {Transport::kKsProperty, Transport::kDirectShow}) {
        SimRig rig(t);
        KVQDocCamController c;
        rig.Attach(c);
        ASSERT_EQ(1, c.SetCommand(0xBD, 0xFF, 0, 0));  // opens the kernel-streaming device
        std::thread a(Hammer, std::ref(c), 0), b(Hammer, std::ref(c), 1), d(Hammer, std::ref(c), 2);
        a.join();
        b.join();
        d.join();
        const auto& calls = rig.io.calls;
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].kind == WireCall::kCommandWrite) {
                ASSERT_LT(i + 1, calls.size());
                ASSERT_EQ(WireCall::kReplyRead, calls[i + 1].kind) << i;
                EXPECT_EQ(calls[i].index, calls[i + 1].index) << i;
            }
            if (calls[i].kind == WireCall::kControl && calls[i].in[16] == camvendor::kPropInquiry) {
                ASSERT_LT(i + 1, calls.size());
                ASSERT_EQ(camvendor::kPropReply, calls[i + 1].in[16]) << i;
            }
        }
        EXPECT_EQ(601u, rig.camera.log().size()) << simcam::TransportName(t);
    }
}

}  // namespace

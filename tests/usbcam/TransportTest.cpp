// The transport interface: the camera part looks it up once the device is
// set up, through the same unknown-device-command path a client's query
// takes, and changes a stream's format through it.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <vector>

#include "KsGuids.h"
#include "TransportInterface.h"
#include "UsbCamRig.h"
#include "VendorRequests.h"

namespace usbcam {
namespace {

using dovracam::kTransportInterfaceId;
using dovracam::TransportInterface;

class Transport : public testing::Test {
protected:
    void SetUp() override
    {
        rig.usb.modeCount = 2;
        rig.usb.modeReplies[0] = ModeReply(1, 640, 480);
        rig.usb.modeReplies[1] = ModeReply(1, 320, 240);
        ASSERT_EQ(rig.Initialize(), kStatusSuccess);
        ASSERT_EQ(rig.StreamInfo(), kStatusSuccess);
    }

    // An unknown device command carrying irp, as the stream class passes it on.
    ScStatus Unknown(HostIrp* irp)
    {
        Request r;
        r.srb.Irp = irp;
        return rig.Send(r, kSrbUnknownDeviceCommand);
    }

    KsDataFormatVideoInfo Format(uint32_t index)
    {
        return UsbCamRig::FormatOf(*rig.camera().formats.entries[index].range);
    }

    UsbCamRig rig;
};

TEST_F(Transport, InitializationCompleteKeepsTheInterface)
{
    const TransportInterface* transport = rig.camera().transport;
    ASSERT_NE(transport, nullptr);
    EXPECT_EQ(transport->Size, 72);
    EXPECT_EQ(transport->Version, 0x200);
    EXPECT_EQ(transport->Context, &rig.camera());
}

TEST_F(Transport, OnlyTheTransportInterfaceIsAnswered)
{
    const ScGuid other = dovracam::kPropSetProcAmp;
    struct Case {
        const char* what;
        bool queryInterface;
        const ScGuid* type;
        uint16_t size;
        uint16_t version;
        ScStatus status;
    } cases[] = {
        {"the transport interface", true, &kTransportInterfaceId, 72, 0x200, kStatusSuccess},
        {"another interface", true, &other, 72, 0x200, kStatusNotSupported},
        {"a block too small", true, &kTransportInterfaceId, 64, 0x200, kStatusNotSupported},
        {"another version", true, &kTransportInterfaceId, 72, 0x100, kStatusNotSupported},
        {"not an interface query", false, &kTransportInterfaceId, 72, 0x200, kStatusNotImplemented},
    };
    for (const Case& c : cases) {
        uint8_t block[80];
        memset(block, 0xEE, sizeof block);
        HostIrp irp = {c.queryInterface, c.type, c.size, c.version, block};
        EXPECT_EQ(Unknown(&irp), c.status) << c.what;
        if (c.status != kStatusSuccess) {
            EXPECT_EQ(block[0], 0xEE) << c.what << ": the block is left alone";
            continue;
        }
        TransportInterface answered;
        memcpy(&answered, block, sizeof answered);
        EXPECT_EQ(answered.Size, 72);
        EXPECT_EQ(answered.Context, &rig.camera());
        EXPECT_EQ(block[72], 0xEE) << "nothing written past the interface";
    }
}

TEST_F(Transport, SetVideoFormatTakesOnlyVideoInfoFormats)
{
    ASSERT_EQ(rig.Open(0, Format(0)), kStatusSuccess);
    TransportInterface& transport = *rig.camera().transport;
    KsDataFormatVideoInfo qvga = Format(1);
    Request set;
    set.srb.StreamObject = &rig.streamObject(0);
    set.srb.CommandData.OpenFormat = &qvga.DataFormat;
    qvga.DataFormat.Specifier = dovracam::kPropSetConnection;
    EXPECT_EQ(transport.SetVideoFormat(&rig.camera(), &set.srb), kStatusInvalidParameter);
    qvga = Format(1);
    EXPECT_EQ(transport.SetVideoFormat(&rig.camera(), &set.srb), kStatusSuccess);
    auto* stream = static_cast<dovracam::StreamExtension*>(rig.streamObject(0).HwStreamExtension);
    EXPECT_EQ(stream->format.VideoInfoHeader.bmiHeader.biWidth, 320);
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
}

TEST_F(Transport, EveryOperationAnswersFileClosedAfterRemoval)
{
    ASSERT_EQ(rig.Open(0, Format(0)), kStatusSuccess);
    TransportInterface& transport = *rig.camera().transport;
    Request removal;
    ASSERT_EQ(rig.Send(removal, kSrbSurpriseRemoval), kStatusSuccess);
    void* camera = &rig.camera();
    KsDataFormatVideoInfo vga = Format(0);
    Request set;
    set.srb.StreamObject = &rig.streamObject(0);
    set.srb.CommandData.OpenFormat = &vga.DataFormat;
    uint8_t buffer[64];
    EXPECT_EQ(transport.SetVideoFormat(camera, &set.srb), kStatusFileClosed);
    EXPECT_EQ(transport.BulkReadWrite(camera, 0, buffer, sizeof buffer, nullptr, nullptr), kStatusFileClosed);
    EXPECT_EQ(transport.WaitOnDeviceEvent(camera, 1, buffer, sizeof buffer, nullptr, nullptr, 0), kStatusFileClosed);
    EXPECT_EQ(transport.SetIsoPipeState(camera, 1), kStatusFileClosed);
    EXPECT_EQ(transport.CancelBulkReadWrite(camera, 0), kStatusFileClosed);
    rig.Close(0);
}

// Every synchronous URB, whoever sends it, reaches the camera while holding
// the device's submission semaphore, and gives it back.
TEST_F(Transport, SynchronousUrbsGoOneAtATime)
{
    dovracam::CameraContext& camera = rig.camera();
    int held = 0, free = 0;
    rig.usb.onSubmit = [&] {
        if (!ksv_semaphore_wait(camera.urbLock, 0)) {
            ++held;
            return;
        }
        ++free;
        ksv_semaphore_release(camera.urbLock);
    };
    uint8_t reply[2];
    uint32_t length = sizeof reply;
    EXPECT_EQ(dovracam::UsbVendorCommand(camera, 4, 0, 1, reply, &length, dovracam::Direction::kDeviceToHost),
              kStatusSuccess);
    {
        DispatchLevel dispatch;
        length = sizeof reply;
        EXPECT_EQ(dovracam::UsbVendorCommand(camera, 4, 0, 1, reply, &length, dovracam::Direction::kDeviceToHost),
                  kStatusPending);
    }
    EXPECT_EQ(Host().RunWork(), 1u) << "the deferred request runs on its work item";
    ASSERT_EQ(rig.Open(0, Format(0)), kStatusSuccess);
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
    rig.usb.onSubmit = nullptr;
    EXPECT_GE(held, 4);
    EXPECT_EQ(free, 0) << "a URB went to the camera without the semaphore";
    ASSERT_TRUE(ksv_semaphore_wait(camera.urbLock, 0)) << "the semaphore is given back";
    ksv_semaphore_release(camera.urbLock);
}

TEST_F(Transport, OpeningAndClosingTheVideoStreamSelectTheFirstAlternateSetting)
{
    ASSERT_EQ(rig.Open(0, Format(0)), kStatusSuccess);
    EXPECT_EQ(rig.usb.alternateSelections, std::vector<uint8_t>{0})
        << "on the configuration the device set-up selected";
    ASSERT_EQ(rig.Close(0), kStatusSuccess);
    EXPECT_EQ(rig.usb.alternateSelections, (std::vector<uint8_t>{0, 0}));

    rig.usb.refuseAlternate = true;
    rig.usb.log.clear();
    EXPECT_EQ(rig.Open(0, Format(0)), kStatusInsufficientResources);
    const VendorRequest startCapture = {false, 3, 1, 2, 0};
    EXPECT_EQ(std::count(rig.usb.log.begin(), rig.usb.log.end(), startCapture), 0)
        << "no capture starts without its alternate setting";
}

}  // namespace
}  // namespace usbcam

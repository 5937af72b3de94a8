// Whatever a camera answers to the mode requests, discovery builds a table
// whose every entry matches itself in a data intersection, and nothing reads
// or writes past a reply.
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "UsbCamRig.h"

namespace {

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    std::vector<uint8_t> Reply()
    {
        std::vector<uint8_t> reply(Next() % 8);
        for (uint8_t& b : reply) b = Next();
        return reply;
    }

private:
    const uint8_t* data_;
    size_t size_, at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Bytes in(data, size);
    usbcam::UsbCamRig rig;
    const uint8_t count = in.Next();
    if (count & 0x80)
        rig.usb.modeCount.reset();
    else
        rig.usb.modeCount = count & 0x3F;
    rig.usb.camera.capability2 = in.Next();
    rig.usb.camera.modelCode = in.Next();
    rig.usb.frameWordA = uint16_t(in.Next() << 8 | in.Next());
    rig.usb.frameWordB = uint16_t(in.Next() << 8 | in.Next());
    for (uint16_t i = 0; i < 40; ++i) rig.usb.modeReplies[i] = in.Reply();
    for (int i = 0; i < 5; ++i) rig.usb.sizeReplies.push_back(in.Reply());

    if (rig.Initialize() != kStatusSuccess || rig.StreamInfo() != kStatusSuccess) __builtin_trap();
    const dovracam::FormatTable& table = rig.camera().formats;
    if (table.count == 0 || table.count > dovracam::kMaxFormats) __builtin_trap();
    for (uint32_t i = 0; i < table.count; ++i) {
        const KsDataRangeVideo range = *table.entries[i].range;
        std::vector<uint8_t> answer(sizeof(KsDataFormatVideoInfo));
        ScDataIntersectInfo info = {0, const_cast<KsDataFormat*>(&range.DataRange), answer.data(),
                                    uint32_t(answer.size())};
        usbcam::Request r;
        r.srb.CommandData.IntersectInfo = &info;
        const ScStatus status = rig.Send(r, kSrbGetDataIntersection);
        // Every offered range matches itself; only an answer whose picture size
        // cannot be told in 32 bits is refused.
        if (status != kStatusSuccess && status != kStatusInvalidParameter) __builtin_trap();
        if (status == kStatusSuccess && r.srb.ActualBytesTransferred != answer.size()) __builtin_trap();
    }
    return 0;
}

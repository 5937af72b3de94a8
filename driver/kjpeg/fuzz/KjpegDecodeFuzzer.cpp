// Feeds arbitrary bytes to the kernel decoder as a camera frame, and a frame
// that decodes to the three converters at one of the driver's sizes. Every
// buffer is exactly as large as the decoder and converters are told, so the
// sanitizer sees any byte written or read outside it.
#include <cstdint>
#include <vector>

#include "kjpeg/JpegDecoder.h"
#include "kjpeg/PixelConverters.h"

namespace {
struct Size {
    uint32_t width;
    uint32_t height;
};
const Size kSizes[] = {{1024, 768}, {640, 480}, {320, 240}, {160, 120}, {352, 288}, {176, 144}, {800, 600}};

void Convert(const kjpeg::DecodedFrame& frame, Size size)
{
    static kjpeg::Rgb24Tables rgb24;
    static kjpeg::Rgb555Table rgb555;
    static const bool ready = (kjpeg::CreateColourTables(&rgb24), kjpeg::CreateColourTables(&rgb555), true);
    (void)ready;
    const size_t pixels = size_t{size.width} * size.height;
    std::vector<uint8_t> two(pixels * 2), three(pixels * 3);
    kjpeg::ConvertToYuy2(frame, {two.data(), two.size(), size.width, size.height});
    kjpeg::ConvertToRgb555(frame, rgb555, {two.data(), two.size(), size.width, size.height});
    kjpeg::ConvertToRgb24(frame, rgb24, {three.data(), three.size(), size.width, size.height});
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> block(kjpeg::kJpegDecoderBlockSize);
    kjpeg::JpegDecoder* decoder = kjpeg::CreateJpegDecoder(block.data(), block.size());
    if (decoder == nullptr) __builtin_trap();
    // The frame alone in its own allocation, so that a read past its length
    // faults even when the input is empty.
    std::vector<uint8_t> frame(data, data + size);
    std::vector<uint8_t> planes(kjpeg::kMaxPlanesSize);
    kjpeg::DecodedFrame decoded{};
    const kjpeg::Status status =
        kjpeg::DecodeJpegFrame(decoder, frame.data(), frame.size(), planes.data(), planes.size(), &decoded);
    if (status == kjpeg::Status::Ok) Convert(decoded, kSizes[size % (sizeof kSizes / sizeof kSizes[0])]);
    return 0;
}

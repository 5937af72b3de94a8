// Feeds arbitrary bytes to every read mode, in the sequences the callers
// use: the stream's parameters first, then its pixels whole, scaled, as a
// region, paused after every MCU, from a file, after a tables-only read, or
// its thumbnail.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "FuzzRecord.h"

namespace {
enum Road { kWhole, kRegion, kPaused, kPausedRegion, kThumbnail, kTablesThenImage, kFile, kRoads };

const JPEG_IO_MODE kMemoryModes[] = {DecodeFromMemory, DecodeHalfFromMemory, DecodeQuarterFromMemory,
                                     DecodeEighthFromMemory};
const JPEG_IO_MODE kFileModes[] = {DecodeFromFile, DecodeHalfFromFile, DecodeQuarterFromFile, DecodeEighthFromFile};

// A pause per MCU costs a call each; the bound keeps a huge MCU count finite.
void readPaused(JPEG_PROPERTIES& props, JPEG_IO_MODE mode)
{
    jpegtest::setInterruptEachMcu(&props, 1);
    for (int32_t calls = 0; calls < 1 << 16 && jpegRead(&props, mode) == JPEG_INTERRUPT_SUCCESS; ++calls) {
    }
}

void setRegion(JPEG_PROPERTIES& props)
{
    jpegtest::setRegion(&props, props.jpegWidth / 3, props.jpegHeight / 4, props.jpegWidth / 2 + 1,
                        props.jpegHeight * 3 / 4 + 1);
}

// The stream as a file of this process, read by mode 0 and then a pixel mode.
void readFromFile(const uint8_t* data, size_t size, JPEG_PROPERTIES& props, JPEG_IO_MODE mode)
{
    static const std::string path = "/tmp/jpeg_read_fuzzer_" + std::to_string(getpid()) + ".jpg";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) return;
    props.jpegFileName = path.c_str();
    if (jpegRead(&props, ReadInfoFromFile) == JPEG_SUCCESS) jpegRead(&props, mode);
    std::remove(path.c_str());
}

void decodeAs(const uint8_t* data, size_t size, uint8_t selector)
{
    FuzzRecord record(data, size, selector & 4 ? 1 : 0);
    if (!record.decodable()) return;
    JPEG_PROPERTIES& props = record.props;
    const int32_t channels = props.bitmapChannels > 0 && props.bitmapChannels <= 4 ? props.bitmapChannels : 3;
    std::vector<uint8_t> pixels;
    record.attachBitmap(pixels, channels, selector & 8);
    if (selector & 16) jpegtest::setSmoothUpsampling(&props, 1);
    const JPEG_IO_MODE mode = kMemoryModes[selector & 3];
    switch ((selector >> 5) % kRoads) {
    case kWhole:
        jpegRead(&props, mode);
        break;
    case kRegion:
        setRegion(props);
        jpegRead(&props, mode);
        break;
    case kPaused:
        readPaused(props, mode);
        break;
    case kPausedRegion:
        setRegion(props);
        readPaused(props, mode);
        break;
    case kThumbnail:
        props.bitmapChannels = 3;
        props.bitmapColor = JPEG_COLOR_BGR;
        record.attachBitmap(pixels, 3, selector & 8);
        jpegRead(&props, DecodeThumbnailFromMemory);
        break;
    case kTablesThenImage:
        if (jpegRead(&props, ReadTablesFromMemory) == JPEG_SUCCESS)
            jpegRead(&props, (selector & 1) ? DecodeHalfFromMemory : DecodeScanFromMemory);
        break;
    case kFile:
        readFromFile(data, size, props, kFileModes[selector & 3]);
        break;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1 << 20)) return 0;
    // The first byte picks the mode and the options; the rest is the stream.
    decodeAs(data + 1, size - 1, data[0]);
    return 0;
}

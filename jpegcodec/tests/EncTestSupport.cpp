#include "EncTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "jpegcodec_testing.h"

namespace enctest {

Picture syntheticPicture(int32_t width, int32_t height, int32_t channels)
{
    Picture picture{width, height, channels, std::vector<uint8_t>(static_cast<size_t>(width) * height * channels)};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &picture.pixels[(static_cast<size_t>(y) * width + x) * channels];
            const double wave = std::sin(x * 0.07) * std::cos(y * 0.05);
            const int32_t values[4] = {
                static_cast<int32_t>(128 + 90 * wave + (x * 7 + y * 3) % 13), width > 1 ? x * 255 / (width - 1) : 128,
                height > 1 ? y * 255 / (height - 1) : 64, static_cast<int32_t>(100 + 60 * std::cos((x + y) * 0.04))};
            for (int32_t c = 0; c < channels; ++c) p[c] = static_cast<uint8_t>(values[c % 4] & 0xFF);
        }
    return picture;
}

Picture flatPicture(int32_t width, int32_t height, std::vector<uint8_t> pixel)
{
    Picture picture{width, height, static_cast<int32_t>(pixel.size()), {}};
    for (int32_t i = 0; i < width * height; ++i)
        picture.pixels.insert(picture.pixels.end(), pixel.begin(), pixel.end());
    return picture;
}

WriteRecord::WriteRecord(const Picture& picture, int32_t capacity)
    : pixels_(picture.pixels), stream_(static_cast<size_t>(capacity))
{
    jpegInit(&props_);
    props_.bitmapPixels = pixels_.data();
    props_.bitmapWidth = props_.jpegWidth = picture.width;
    props_.bitmapHeight = props_.jpegHeight = picture.height;
    props_.bitmapChannels = picture.channels;
    props_.bitmapColor = picture.channels == 1 ? JPEG_COLOR_GREY : JPEG_COLOR_RGB;
    props_.jpegBuffer = stream_.data();
    props_.jpegBufferSize = capacity;
}

std::vector<uint8_t> WriteRecord::written() const
{
    return std::vector<uint8_t>(stream_.begin(), stream_.begin() + props_.jpegBufferSize);
}

Encoded encode(const Picture& picture, const EncodeOptions& options)
{
    const int32_t bytesPerPixel = options.bitmapSubsampling == JPEG_SUBSAMPLING_422 ? 2 : picture.channels;
    const int32_t bitmapWidth = picture.width + options.extraColumns, bitmapHeight = picture.height + options.extraRows;
    const int32_t stride = bitmapWidth * bytesPerPixel + options.rowPadding;
    std::vector<uint8_t> bitmap(static_cast<size_t>(stride) * bitmapHeight, 0x5A);
    for (int32_t y = 0; y < picture.height; ++y) {
        const int32_t row = options.bottomUp ? bitmapHeight - 1 - y : y;
        std::copy_n(picture.pixels.begin() + static_cast<long>(y) * picture.width * bytesPerPixel,
                    picture.width * bytesPerPixel, bitmap.begin() + static_cast<long>(row) * stride);
    }
    const int32_t capacity =
        options.capacity ? options.capacity : 4096 + picture.width * picture.height * picture.channels * 2;
    std::vector<uint8_t> stream(static_cast<size_t>(capacity));
    JPEG_PROPERTIES props;
    jpegInit(&props);
    props.bitmapPixels = bitmap.data();
    props.bitmapWidth = bitmapWidth;
    props.bitmapHeight = options.bottomUp ? -bitmapHeight : bitmapHeight;
    props.bitmapRowPadding = options.rowPadding;
    props.bitmapChannels = options.bitmapSubsampling == JPEG_SUBSAMPLING_422 ? 3 : picture.channels;
    props.bitmapColor = options.bitmapColor;
    props.bitmapSubsampling = options.bitmapSubsampling;
    props.jpegBuffer = stream.data();
    props.jpegBufferSize = capacity;
    props.jpegWidth = picture.width;
    props.jpegHeight = picture.height;
    props.jpegChannels = options.jpegChannels;
    props.jpegColor = options.jpegColor;
    props.jpegSubsampling = options.subsampling;
    props.quality = options.quality;
    props.colorConversion = options.colorConversion;
    jpegtest::setDctMethod(&props, options.dctMethod);
    jpegtest::setProgressiveWriting(&props, options.progressive);
    jpegtest::setRestartInterval(&props, options.restartInterval);
    jpegtest::setInterruptEachMcu(&props, options.pauseEachMcu);
    Encoded result;
    int32_t pauses = 0;
    do result.status = jpegWrite(&props, EncodeToMemory);
    while (result.status == JPEG_INTERRUPT_SUCCESS && ++pauses <= picture.width * picture.height);
    if (result.status == JPEG_SUCCESS) result.bytes.assign(stream.begin(), stream.begin() + props.jpegBufferSize);
    jpegFree(&props);
    return result;
}

Decoded decode(const std::vector<uint8_t>& jpeg, int32_t channels, JPEG_COLOR color)
{
    std::vector<uint8_t> stream = jpeg;
    Decoded result;
    JPEG_PROPERTIES props;
    jpegInit(&props);
    props.jpegBuffer = stream.data();
    props.jpegBufferSize = static_cast<int32_t>(stream.size());
    result.status = jpegRead(&props, ReadInfoFromMemory);
    if (result.status == JPEG_SUCCESS) {
        Picture& picture = result.picture;
        picture = {props.jpegWidth, props.jpegHeight, channels,
                   std::vector<uint8_t>(static_cast<size_t>(props.jpegWidth) * props.jpegHeight * channels)};
        props.bitmapPixels = picture.pixels.data();
        props.bitmapWidth = picture.width;
        props.bitmapHeight = picture.height;
        props.bitmapChannels = channels;
        props.bitmapColor = color;
        result.status = jpegRead(&props, DecodeFromMemory);
    }
    jpegFree(&props);
    return result;
}

std::vector<Segment> segments(const std::vector<uint8_t>& jpeg)
{
    std::vector<Segment> found;
    size_t at = 0;
    bool inEntropyData = false;
    while (at + 1 < jpeg.size()) {
        if (jpeg[at] != 0xFF || jpeg[at + 1] == 0x00 || jpeg[at + 1] == 0xFF) {
            if (!inEntropyData) break;
            ++at;
            continue;
        }
        Segment segment;
        segment.marker = jpeg[at + 1];
        at += 2;
        const bool bare = segment.marker == 0xD8 || segment.marker == 0xD9 || (segment.marker & 0xF8) == 0xD0;
        if (!bare) {
            if (at + 2 > jpeg.size()) break;
            const size_t length = jpeg[at] << 8 | jpeg[at + 1];
            if (length < 2 || at + length > jpeg.size()) break;
            segment.payload.assign(jpeg.begin() + static_cast<long>(at + 2),
                                   jpeg.begin() + static_cast<long>(at + length));
            at += length;
        }
        if (segment.marker == 0xDA) inEntropyData = true;
        if (segment.marker != 0xDA && !((segment.marker & 0xF8) == 0xD0)) inEntropyData = false;
        found.push_back(std::move(segment));
    }
    return found;
}

std::vector<Segment> segmentsOf(const std::vector<uint8_t>& jpeg, uint8_t marker)
{
    std::vector<Segment> matching;
    for (Segment& segment : segments(jpeg))
        if (segment.marker == marker) matching.push_back(std::move(segment));
    return matching;
}

double psnr(const Picture& a, const Picture& b)
{
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const double d = static_cast<double>(a.pixels[i]) - b.pixels[i];
        sum += d * d;
    }
    if (sum == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 * a.pixels.size() / sum);
}

#ifndef _WIN32
namespace {
std::string slurp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
}  // namespace

std::string writeTempFile(const std::string& name, const std::string& text)
{
    const std::string path = testing::TempDir() + "/enc_" + std::to_string(getpid()) + "_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

ToolRun runTool(const std::string& command, const std::vector<uint8_t>& input)
{
    const std::string in = writeTempFile("in", std::string(input.begin(), input.end()));
    const std::string out = in + ".out", err = in + ".err";
    ToolRun run;
    const int status = std::system(("(" + command + ") < " + in + " > " + out + " 2> " + err).c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::string output = slurp(out);
    run.output.assign(output.begin(), output.end());
    run.errors = slurp(err);
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(err.c_str());
    return run;
}

std::vector<uint8_t> toPnm(const Picture& picture)
{
    const std::string header = std::string(picture.channels == 1 ? "P5" : "P6") + "\n" + std::to_string(picture.width) +
                               " " + std::to_string(picture.height) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), picture.pixels.begin(), picture.pixels.end());
    return bytes;
}

#endif

}  // namespace enctest

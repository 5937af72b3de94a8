#include "CodecFixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "jpegcodec_testing.h"
#include "Platform.h"

namespace fixtures {

#ifdef _WIN32
namespace {
constexpr const wchar_t* kCodecKey = L"Software\\Vexmoor Corporation\\Marrowset\\Kestrunlib";
}

void setUseCpu(int32_t value)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCodecKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"USECPU", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void clearUseCpu() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kCodecKey); }
#else
void setUseCpu(int32_t value) { setCpuOverrideForTesting(value); }
void clearUseCpu() { setCpuOverrideForTesting(CPU_NO_OVERRIDE); }
#endif

std::string path(const std::string& name) { return std::string(CODEC_FIXTURES) + "/" + name; }

std::string scratchPath(const std::string& name)
{
#ifdef _WIN32
    const unsigned long process = GetCurrentProcessId();
#else
    const unsigned long process = static_cast<unsigned long>(getpid());
#endif
    return testing::TempDir() + "codec_" + std::to_string(process) + "_" +
           testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
}

std::vector<uint8_t> readFile(const std::string& name)
{
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path(name).c_str(), "rb");
    if (!file) return bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

Image readPnm(const std::string& name) { return parsePnm(readFile(name)); }

Image parsePnm(const std::vector<uint8_t>& bytes)
{
    Image image;
    if (bytes.size() < 2 || bytes[0] != 'P') return image;
    image.channels = bytes[1] == '6' ? 3 : 1;
    size_t at = 2;
    int32_t fields[3];
    for (int32_t& field : fields) {
        while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\n' || bytes[at] == '\r' || bytes[at] == '\t'))
            ++at;
        field = 0;
        while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') field = field * 10 + (bytes[at++] - '0');
    }
    ++at;
    image.width = fields[0];
    image.height = fields[1];
    image.pixels.assign(bytes.begin() + static_cast<long>(at), bytes.end());
    return image;
}

namespace {
int32_t scaleOf(JPEG_IO_MODE mode)
{
    switch (mode) {
    case DecodeHalfFromMemory:
    case DecodeHalfFromFile:
        return 2;
    case DecodeQuarterFromMemory:
    case DecodeQuarterFromFile:
        return 4;
    case DecodeEighthFromMemory:
    case DecodeEighthFromFile:
        return 8;
    default:
        return 1;
    }
}
}  // namespace

Decoded decode(const std::vector<uint8_t>& jpeg, const DecodeOptions& options)
{
    Decoded result;
    std::vector<uint8_t> stream = jpeg;
    JPEG_PROPERTIES props;
    jpegInit(&props);
    props.jpegBuffer = stream.data();
    props.jpegBufferSize = static_cast<int32_t>(stream.size());
    result.infoStatus = jpegRead(&props, ReadInfoFromMemory);
    result.info = props;
    if (result.infoStatus != JPEG_SUCCESS) {
        jpegFree(&props);
        return result;
    }
    const int32_t scale = scaleOf(options.mode);
    int32_t width = (props.jpegWidth + scale - 1) / scale, height = (props.jpegHeight + scale - 1) / scale;
    const JpegRegion& r = options.region;
    if (r.right > 0) width = r.right - r.left;
    if (r.bottom > 0) height = r.bottom - r.top;
    const int32_t stride = width * options.channels + options.rowPadding;
    std::vector<uint8_t> bitmap(static_cast<size_t>(stride) * height + 1, 0xCD);
    props.bitmapPixels = bitmap.data();
    props.bitmapWidth = width;
    props.bitmapHeight = options.bottomUp ? -height : height;
    props.bitmapChannels = options.channels;
    props.bitmapColor = options.color;
    props.bitmapRowPadding = options.rowPadding;
    jpegtest::setDctMethod(&props, options.dctMethod);
    jpegtest::setSmoothUpsampling(&props, options.smooth);
    jpegtest::setRegion(&props, r.left, r.top, r.right, r.bottom);
    result.status = jpegRead(&props, options.mode);
    jpegFree(&props);

    Image& image = result.image;
    image.width = width;
    image.height = height;
    image.channels = options.channels;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = bitmap.data() + static_cast<size_t>(options.bottomUp ? height - 1 - y : y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + x * options.channels;
            if (options.color == JPEG_COLOR_BGR)
                image.pixels.insert(image.pixels.end(), {p[2], p[1], p[0]});
            else
                image.pixels.insert(image.pixels.end(), p, p + options.channels);
        }
    }
    return result;
}

JPEG_STATUS openStream(JPEG_PROPERTIES* props, std::vector<uint8_t>& jpeg)
{
    const JPEG_STATUS status = jpegInit(props);
    if (status != JPEG_SUCCESS) return status;
    props->jpegBuffer = jpeg.data();
    props->jpegBufferSize = static_cast<int32_t>(jpeg.size());
    return jpegRead(props, ReadInfoFromMemory);
}

// Whether a second, independent opener may have the file for reading or writing.
bool otherOpenerCan(const std::string& path, bool write)
{
#ifdef _WIN32
    HANDLE other = CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    CloseHandle(other);
    return true;
#else
    // The host stands in for share modes with advisory locks, which only the
    // codec's own opens respect.
    void* other = openCodecFile(path.c_str(), write ? CODEC_FILE_READ_WRITE : CODEC_FILE_READ);
    if (!other) return false;
    closeCodecFile(other);
    return true;
#endif
}

int maxDifference(const Image& a, const Image& b)
{
    if (a.width != b.width || a.height != b.height || a.channels != b.channels || a.pixels.size() != b.pixels.size())
        return -1;
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const int d = std::abs(a.pixels[i] - b.pixels[i]);
        worst = d > worst ? d : worst;
    }
    return worst;
}

}  // namespace fixtures

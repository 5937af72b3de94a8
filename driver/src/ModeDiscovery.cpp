#include "ModeDiscovery.h"

#include "Bytes.h"
#include "DataRanges.h"
#include "VendorRequests.h"

namespace dovracam {

namespace {

constexpr uint32_t kInquiryReplySize = 64;
constexpr uint32_t kModeReplySize = 5;
constexpr uint16_t kCameraModeWithoutList = 1;

enum class Append { kDone, kRefused, kOutOfPool };

Append AppendFormat(FormatTable& table, uint16_t width, uint16_t height, uint8_t type, uint16_t factor,
                    uint16_t cameraMode, bool extra)
{
    if (table.count >= kMaxFormats) return Append::kRefused;
    KsDataRangeVideo* range = static_cast<KsDataRangeVideo*>(ksv_pool_alloc(sizeof(KsDataRangeVideo)));
    if (!range) return Append::kOutOfPool;
    if (!FillDataRange(*range, width, height, type, factor)) {
        ksv_pool_free(range);
        return Append::kRefused;
    }
    table.entries[table.count++] = {range, type, width, height, cameraMode, extra};
    return Append::kDone;
}

bool ReadMode(CameraContext& camera, uint16_t value, uint16_t index, uint8_t* type, uint16_t* width, uint16_t* height)
{
    uint8_t reply[kModeReplySize] = {};
    if (ReadVendor(camera, 4, value, index, reply, sizeof reply, sizeof reply) != kStatusSuccess) return false;
    *type = reply[0];
    *width = Le16(reply + 1);
    *height = Le16(reply + 3);
    return true;
}

// Second byte of a 64-byte inquiry reply; false when the camera does not answer it.
bool InquiryByte(CameraContext& camera, uint16_t value, uint8_t* byte)
{
    uint8_t reply[kInquiryReplySize] = {};
    if (ReadVendor(camera, 2, value, 0, reply, sizeof reply, 2) != kStatusSuccess) return false;
    *byte = reply[1];
    return true;
}

bool InquiryWord(CameraContext& camera, uint16_t value, uint32_t* word)
{
    uint8_t reply[kInquiryReplySize] = {};
    if (ReadVendor(camera, 2, value, 0, reply, sizeof reply, 3) != kStatusSuccess) return false;
    *word = uint32_t(reply[1] << 8) | reply[2];
    return true;
}

void DiscoverListedModes(CameraContext& camera, uint32_t count)
{
    FormatTable& table = camera.formats;
    if (count > kMaxCameraModes) count = kMaxCameraModes;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t type = 0;
        uint16_t width = 0, height = 0;
        if (!ReadMode(camera, uint16_t(i), 10, &type, &width, &height)) continue;
        if (width == 1024 && height == 768) {
            camera.frameSizeFactor = FrameSizeFactor(camera, width, height);
            if (type == kTypeMjpg) type = kTypeWjpg;
        }
        if (type > kTypeRgb555) type = kTypeMjpg;  // what the camera streams for unknown types
        if (AppendFormat(table, width, height, type, camera.frameSizeFactor, uint16_t(i), false) == Append::kOutOfPool)
            return;
    }
}

void DiscoverSingleMode(CameraContext& camera)
{
    uint16_t bestWidth = 1024, bestHeight = 768;
    if (camera.flags.capabilityBit) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            uint8_t type = 0;
            uint16_t width = 0, height = 0;
            if (ReadMode(camera, 1, 11, &type, &width, &height) &&
                uint32_t(width) * height > uint32_t(bestWidth) * bestHeight) {
                bestWidth = width;
                bestHeight = height;
            }
        }
        camera.frameSizeFactor = FrameSizeFactor(camera, bestWidth, bestHeight);
    }
    // A camera whose only size cannot be described falls back to the default.
    if (AppendFormat(camera.formats, bestWidth, bestHeight, kTypeWjpg, camera.frameSizeFactor, kCameraModeWithoutList,
                     false) == Append::kRefused) {
        camera.frameSizeFactor = 1;
        AppendFormat(camera.formats, 1024, 768, kTypeWjpg, 1, kCameraModeWithoutList, false);
    }
}

bool Listed(const FormatTable& table, uint8_t type, uint16_t width, uint16_t height)
{
    for (uint32_t i = 0; i < table.count; ++i) {
        const FormatEntry& e = table.entries[i];
        if (!e.extra && e.type == type && e.width == width && e.height == height) return true;
    }
    return false;
}

void AppendExtraModes(CameraContext& camera)
{
    static const uint8_t kTypes[] = {kTypeYuy2, kTypeRgb555, kTypeRgb24};
    static const uint16_t kSizes[][2] = {{640, 480}, {1024, 768}, {320, 240}, {352, 288}, {176, 144}, {160, 120}};
    FormatTable& table = camera.formats;
    for (uint8_t type : kTypes) {
        for (const auto& size : kSizes) {
            if (Listed(table, type, size[0], size[1])) continue;
            const Append appended = AppendFormat(table, size[0], size[1], type, camera.frameSizeFactor, 0, true);
            if (appended == Append::kOutOfPool) return;
            if (appended == Append::kRefused) continue;
            camera.flags.extraModesAdded = true;
            // The decoded YUY2 640x480 is what most clients take: offer it first.
            if (type == kTypeYuy2 && size[0] == 640 && size[1] == 480 && table.count > 1) {
                const FormatEntry first = table.entries[0];
                table.entries[0] = table.entries[table.count - 1];
                table.entries[table.count - 1] = first;
            }
        }
    }
}

}  // namespace

uint16_t FrameSizeFactor(CameraContext& camera, uint16_t width, uint16_t height)
{
    uint32_t first = 0, second = 0;
    if (width == 0 || height == 0) return 1;
    if (!InquiryWord(camera, 0x51, &first) || !InquiryWord(camera, 0x52, &second)) return 1;
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t factor = (uint64_t(first) * second + pixels - 1) / pixels;
    if (factor == 0) return 1;
    return factor > 0xFFFF ? 0xFFFF : uint16_t(factor);
}

void FreeFormatTable(FormatTable& table)
{
    for (uint32_t i = 0; i < table.count; ++i) ksv_pool_free(table.entries[i].range);
    ZeroBytes(table.entries, sizeof table.entries);
    table.count = 0;
    table.selected = 0;
    RefreshFormatLists(table);
}

void DiscoverModes(CameraContext& camera)
{
    FreeFormatTable(camera.formats);
    FillStillFormats(camera.formats);
    camera.frameSizeFactor = 1;
    camera.flags.extraModesAdded = false;

    uint8_t count = 0;
    camera.flags.modeListKnown = ReadVendor(camera, 4, 1, 9, &count, 1, 1) == kStatusSuccess;
    if (!camera.flags.modeListKnown) count = 0;

    uint8_t capability = 0;
    if (InquiryByte(camera, 0x4E, &capability)) camera.flags.capabilityBit = (capability >> 1) & 1;

    if (camera.flags.modeListKnown)
        DiscoverListedModes(camera, count);
    else
        DiscoverSingleMode(camera);

    uint8_t model = 0;
    if (InquiryByte(camera, 0x31, &model)) camera.flags.modelFlag = (model & 0x7F) == 0x76;

    AppendExtraModes(camera);
    RefreshFormatLists(camera.formats);
}

ScStatus SelectCameraMode(CameraContext& camera, uint16_t mode) { return SendVendor(camera, 3, mode, 8); }

}  // namespace dovracam

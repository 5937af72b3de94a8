#include "BulkFrames.h"

namespace dovracam {

namespace {

bool Marker(const uint8_t* raw, uint32_t at, uint32_t received, uint8_t second)
{
    return at + 1 < received && raw[at] == 0xFF && raw[at + 1] == second;
}

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace

bool ParseFrameHeader(const uint8_t* bytes, uint32_t received, uint32_t rawFrameSize, uint32_t packetSize,
                      FrameHeader* header)
{
    if (!bytes || received < kFrameHeaderSize || packetSize == 0) return false;
    if (bytes[0] != 'B' || bytes[1] != 'e' || bytes[2] != 'g' || bytes[3] != 'i') return false;
    if (bytes[60] != 'n' || bytes[61] != 'I' || bytes[62] != 'm' || bytes[63] != 'g') return false;
    const uint32_t total = Le32(bytes + 4);
    const uint32_t image = Le32(bytes + 8);
    if (total == 0 || total > rawFrameSize || total % packetSize != 0 || image > total) return false;
    header->total = total;
    header->imageLength = image;
    header->status = bytes + kFrameStatusOffset;
    return true;
}

bool CheckFrameStart(uint8_t* raw, uint32_t received, uint32_t packetSize, bool jpegMarker, bool yuy2FromCamera,
                     uint32_t* earlyBytes)
{
    *earlyBytes = 0;
    const uint8_t second = jpegMarker ? 0xD8 : 0x00;
    if (Marker(raw, 0, received, second)) {
        for (uint32_t at = 2; at + 1 < received; ++at)
            if (Marker(raw, at, received, second)) return false;
        return true;
    }
    if (packetSize) {
        for (uint32_t at = packetSize; at < received; at += packetSize) {
            if (Marker(raw, at, received, second)) {
                *earlyBytes = received - at;
                break;
            }
        }
    }
    if (yuy2FromCamera && received >= 4) {
        raw[0] = raw[2];
        raw[1] = raw[3];
    }
    return false;
}

}  // namespace dovracam

#include "StatusBlock.h"

#include "kvqdoccam.h"

namespace devicelib {

namespace {
uint8_t Bit(uint8_t byte, int bit) { return (byte >> bit) & 1; }
}  // namespace

void ApplyModeByte(DocCamStatus& status, uint8_t byte)
{
    status.textGraphics = Bit(byte, 7);
    status.intExt = Bit(byte, 6);
    status.frozen = Bit(byte, 5);
    status.zoomLinear = Bit(byte, 4);
    status.wbMode = Bit(byte, 3);
    status.exposureMode = (byte >> 1) & 3;
    status.exposureFlicker = Bit(byte, 0);
}

void ApplyPictureByte(DocCamStatus& status, uint8_t byte)
{
    status.adapter = Bit(byte, 7);
    status.zoomType = Bit(byte, 6);
    status.normal = Bit(byte, 5);
    status.mirror = Bit(byte, 4);
    status.rotate = (byte >> 2) & 3;
    status.effect = byte & 3;
}

bool ParseStatusBlock(DocCamStatus& status, const uint8_t* buffer, size_t size, unsigned long feature)
{
    const size_t start = (feature & kFeatureShiftedStatus) ? 1 : 0;
    if (!buffer || size < start + kStatusBlockBytes) return false;
    const uint8_t* b = buffer + start;

    ApplyModeByte(status, b[0]);
    ApplyPictureByte(status, b[1]);
    status.zoomDigitalSize = BigEndianU16(b + 2);
    status.zoomOpticalFactor = b[4];
    status.zoomOpticalFraction = b[5];
    status.zoomMoveHori = BigEndianS16(b + 6);
    status.zoomMoveVert = BigEndianS16(b + 8);
    status.wbRed = BigEndianU16(b + 10);
    status.wbBlue = BigEndianU16(b + 12);
    status.exposureManual = b[14];
    status.brightness = b[15];
    status.contrast = b[16];
    status.powerOff = Bit(b[17], 0);
    status.wbMeasuring = Bit(b[17], 1);
    for (int i = 0; i < 4; ++i) {
        status.statusFlags17[i] = Bit(b[17], 2 + i);
        status.blockValues[i] = BigEndianS16(b + 18 + 2 * i);
    }
    status.blockValue26 = BigEndianS16(b + 26);
    status.blockValue28 = BigEndianS16(b + 28);
    for (int i = 0; i < 6; ++i) status.adapterInfo[i] = b[30 + i];
    return true;
}

}  // namespace devicelib

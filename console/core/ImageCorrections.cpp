#include "ImageCorrections.h"

#include <algorithm>

namespace {

constexpr int kNeutralBrightness = 50;
constexpr int kNeutralContrast = 75;

// Distance of a camera setting from its neutral value, kept to the range
// that a byte's adjustment can use.
int Offset(int value, int neutral)
{
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(value) - neutral, -255, 255));
}

int ModelCode(const CameraPictureState& s) { return s.model & 0x7F; }

// Models up to 0x60 without the status shift of the ASIC models (0x32, and
// every model from 0x61 on) correct, mirror and turn their pictures in
// software, 0x60 as its sibling 0x31 does.
bool AdjustsInSoftware(const CameraPictureState& s)
{
    const int m = ModelCode(s);
    return (m <= 0x60 && m != 0x32) || (m == 0x64 && (s.features & kFeatureSoftwareAdjust64));
}

bool TurnsInSoftware(const CameraPictureState& s)
{
    const int m = ModelCode(s);
    return (m <= 0x60 && m != 0x32) || (m == 0x64 && (s.features & kFeatureSoftwareTurn64));
}

}  // namespace

void ApplyImageCorrections(const BgrPlane& frame, const CameraPictureState& state, bool allowAdjust)
{
    if (allowAdjust && state.colorMode != kColorModeNegative && AdjustsInSoftware(state)) {
        if (state.brightness != kNeutralBrightness)
            PixelOps::AdjustBrightness(frame, Offset(state.brightness, kNeutralBrightness));
        if (state.contrast != kNeutralContrast)
            PixelOps::AdjustContrast(frame, Offset(state.contrast, kNeutralContrast));
    }
    const int m = ModelCode(state);
    if ((m == 0x33 || m == 0x53) && state.colorMode == kColorModeNegative) PixelOps::Negative(frame);
    if (TurnsInSoftware(state)) {
        if (state.mirror) PixelOps::Mirror(frame, false);
        if (state.rotation) PixelOps::Rotate180(frame);
    }
}

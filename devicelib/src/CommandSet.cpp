// The camera commands: each checks the model's feature word where the camera
// may lack the function, and pauses after an accepted command so the camera
// can act on it before the next one.
#include "DeviceIo.h"
#include "ModelTable.h"
#include "Trace.h"
#include "kvqdoccam.h"

using namespace devicelib;

namespace {

const unsigned kCommandPauseMs = 50;
// Brightness is one byte: a camera that keeps changing its value longer than
// this never reaches the target.
const int kMaxBrightnessSteps = 256;

unsigned char UpDown(int up) { return up ? 0 : 1; }

}  // namespace

int KVQDocCamController::SendCommand(unsigned long guard, unsigned char op, unsigned char a1, unsigned char a2,
                                     unsigned char a3)
{
    if (guard && !(m_feature & guard)) return 0;
    if (!SetCommand(op, a1, a2, a3)) return 0;
    Pace().Pause(kCommandPauseMs);
    return 1;
}

int KVQDocCamController::SetTextGraphicsMode(int text) { return SendCommand(0, 0xA7, text ? 0 : 1); }
int KVQDocCamController::SetTextMode() { return SetTextGraphicsMode(1); }
int KVQDocCamController::SetGraphicsMode() { return SetTextGraphicsMode(0); }

int KVQDocCamController::SetIntExtMode(int internal) { return SendCommand(0, 0xA8, internal ? 0 : 1); }
int KVQDocCamController::SetInternalMode() { return SetIntExtMode(1); }
int KVQDocCamController::SetExternalMode() { return SetIntExtMode(0); }

int KVQDocCamController::Freeze(int on)
{
    if (!SendCommand(0, 0xA9, on ? 1 : 0)) return 0;
    Trace(L"KVQDocCamController::Freeze(%d) is successful.\n", on);
    return 1;
}

int KVQDocCamController::SendZoomStep(unsigned char step)
{
    if (!SendCommand(0, 0xAA, step)) return 0;
    m_status.zoomStep = 1;
    return 1;
}

int KVQDocCamController::SetZoomDigitalSize(int in) { return SendZoomStep(in ? 0x00 : 0x01); }

int KVQDocCamController::SetZoomMode(int mode)
{
    return SendCommand(mode ? 0 : kFeatureZoomModeOff, 0xAA, mode ? 2 : 3);
}

void KVQDocCamController::ResetZoomCache()
{
    m_status.zoomDigitalSize = 100;
    m_status.zoomOpticalFactor = 1;
    m_status.zoomOpticalFraction = 0;
}

int KVQDocCamController::SetZoomReset()
{
    if (!SendCommand(0, 0xAA, 0xFF)) return 0;
    ResetZoomCache();
    return 1;
}

int KVQDocCamController::SetZoomOpticalSize(int in) { return SendZoomStep(in ? 0x10 : 0x11); }

int KVQDocCamController::SetZoomOpticalMoveLens(int dir)
{
    return SendCommand(kFeatureOpticalZoom, 0xAA, dir ? 0x12 : 0x13);
}

int KVQDocCamController::SetZoomType(int optical)
{
    return SendCommand(optical ? kFeatureOpticalZoom : 0, 0xAA, optical ? 0xE1 : 0xE0);
}

int KVQDocCamController::CurrentZoomThreshold() const
{
    int threshold;
    switch (m_status.modelCode & 0x7F) {
    case 0x60:
    case 0x61:
        threshold = 300;
        break;
    case 0x33:
        threshold = 500;
        break;
    case 0x53:
        threshold = 1200;
        break;
    default:
        threshold = 100;
        break;
    }
    return (m_feature & kFeatureDoubleZoom) ? threshold * 2 : threshold;
}

int KVQDocCamController::SetZoomSize(int in)
{
    if (m_feature & kFeatureUnifiedZoom) return SendZoomStep(in ? 0x30 : 0x31);
    // Optical zoom covers the range up to the model's threshold; digital zoom
    // continues above it.
    const int size = GetZoomSize(0);
    const int threshold = CurrentZoomThreshold();
    const bool optical = (m_feature & kFeatureOpticalZoom) && (in ? size < threshold : size <= threshold);
    return optical ? SetZoomOpticalSize(in) : SetZoomDigitalSize(in);
}

int KVQDocCamController::SetBrightness(int up) { return SendCommand(kFeatureBrightnessStep, 0xAB, UpDown(up)); }

int KVQDocCamController::SetBrightnessEx(int target)
{
    if (m_feature & kFeatureAbsoluteBrightness) return SendCommand(0, 0xAB, 2, static_cast<unsigned char>(target));
    if (!GetBrightnessConfig()) return 0;
    return StepBrightnessToward(target);
}

int KVQDocCamController::StepBrightnessToward(int target)
{
    // Walk down while above the target, then up while below it; an unchanged
    // value means the camera is at its limit.
    for (const int up : {0, 1}) {
        int current = m_status.brightness;
        for (int step = 0; step < kMaxBrightnessSteps && (up ? current < target : current > target); ++step) {
            if (!SetCommand(0xAB, UpDown(up), 0, 0)) return 0;
            Pace().Pause(kCommandPauseMs);
            if (!GetBrightnessConfig()) return 0;
            if (m_status.brightness == current) break;
            current = m_status.brightness;
        }
    }
    return 1;
}

int KVQDocCamController::SetContrast(int up) { return SendCommand(kFeatureContrastStep, 0xAC, UpDown(up)); }
int KVQDocCamController::SetNormal(int on) { return SendCommand(kFeatureNormal, 0xAD, on ? 1 : 0); }

unsigned char KVQDocCamController::RotationArgument() const
{
    const int model = m_status.modelCode & 0x7F;
    return (model > 0x53 || model == 0x31) ? 2 : 1;
}

int KVQDocCamController::SetRotate(int on) { return SendCommand(kFeatureRotate, 0xAE, on ? RotationArgument() : 0); }

int KVQDocCamController::SetRotateEx(int mode)
{
    if (mode == 0) return SendCommand(0, 0xAE, 0);
    if (mode == 2) return SendCommand(0, 0xAE, RotationArgument());
    return SendCommand(kFeatureRotateModes, 0xAE, static_cast<unsigned char>(mode));
}

int KVQDocCamController::SetMirror(int on) { return SendCommand(kFeatureMirror, 0xAF, on ? 1 : 0); }

int KVQDocCamController::SetColorBWNegative(unsigned char mode) { return SendCommand(0, 0xB0, mode); }
int KVQDocCamController::SetColor() { return SetColorBWNegative(0); }
int KVQDocCamController::SetBlackWhite() { return SetColorBWNegative(1); }
int KVQDocCamController::SetNegative() { return SetColorBWNegative(2); }

int KVQDocCamController::SetWhiteBalance(unsigned char mode, unsigned char value)
{
    return SendCommand(0, 0xB1, mode, value, value);
}
int KVQDocCamController::SetWhiteBalanceAUTO(int on) { return SetWhiteBalance(on ? 0 : 1, 0); }
int KVQDocCamController::SetWBRed(int up) { return SetWhiteBalance(2, UpDown(up)); }
int KVQDocCamController::SetWBBlue(int up) { return SetWhiteBalance(3, UpDown(up)); }
int KVQDocCamController::SetWBMeasure() { return SetWhiteBalance(4, 0); }

int KVQDocCamController::SetExposure(unsigned char mode, unsigned char value)
{
    return SendCommand(0, 0xB2, mode, value, value);
}
int KVQDocCamController::SetExposureMode(int mode)
{
    if (mode < 0 || mode > 2) return 0;
    return SetExposure(static_cast<unsigned char>(mode), 0);
}
int KVQDocCamController::SetExposureManual(int up) { return SetExposure(3, UpDown(up)); }
int KVQDocCamController::SetExposureFlicker(int on) { return SetExposure(4, on ? 0 : 1); }

int KVQDocCamController::SetZoomMove(int dir)
{
    switch (dir) {
    case 1:
        return SendCommand(0, 0xB4);
    case 2:
        return SendCommand(0, 0xB5);
    case 3:
        return SendCommand(0, 0xB6);
    default:
        return SendCommand(0, 0xB3);
    }
}

int KVQDocCamController::SetAutoFocus()
{
    if (!SendCommand(kFeatureAutoFocus, 0xB7)) return 0;
    Trace(L"KVQDocCamController::SetAutoFocus() is successful.\n");
    return 1;
}

int KVQDocCamController::SetDefault()
{
    if (!SendCommand(0, 0xB8)) return 0;
    Trace(L"KVQDocCamController::SetDefault() is successful.\n");
    return 1;
}

int KVQDocCamController::SetMotionMode(int value)
{
    if (!SendCommand(0, 0xBC, static_cast<unsigned char>(value))) return 0;
    m_status.motionMode = static_cast<unsigned char>(value);
    return 1;
}

int KVQDocCamController::SetAdaptMotion(int on) { return SetMotionMode(on ? 1 : 0); }

int KVQDocCamController::SetApAlive() { return SendCommand(0, 0xBD, 0xFF); }
int KVQDocCamController::SetAutoImage(int value) { return SendCommand(0, 0xBE, static_cast<unsigned char>(value)); }

int KVQDocCamController::Set3MCapture()
{
    if (!SendCommand(kFeatureLargeStill, 0xBF)) return 0;
    Trace(L"KVQDocCamController::Set3MCapture() is successful.\n");
    return 1;
}

int KVQDocCamController::TurnPower(int) { return 0; }

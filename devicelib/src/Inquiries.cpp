// Configuration inquiries, the cached status and the zoom arithmetic.
#include "ModelTable.h"
#include "StatusBlock.h"
#include "Trace.h"
#include "ZoomMath.h"
#include "kvqdoccam.h"

using namespace devicelib;

namespace {

const int kDefaultZoomMax = 800;

// Runs config first when refresh is set; a failed refresh gives onFailure.
template <class Read>
int Cached(KVQDocCamController& c, int (KVQDocCamController::*config)(), int refresh, int onFailure, Read read)
{
    if (refresh && !(c.*config)()) return onFailure;
    return read(c.m_status);
}

int Traced(int result, const wchar_t* success, const wchar_t* failure)
{
    Trace(result ? success : failure);
    return result;
}

}  // namespace

int KVQDocCamController::GetStreamConfig()
{
    unsigned char r[4];
    if (!Inquire(0x60, r)) {
        Trace(L"KVQDocCamController::GetStreamConfig() failed.\n");
        return 0;
    }
    m_status.streamHigh1 = r[1] >> 4;
    m_status.streamLow1 = r[1] & 0x0F;
    m_status.streamHigh2 = r[2] >> 4;
    m_status.powerOff = r[2] & 0x0F;
    m_status.streamByte3 = r[3];
    return 1;
}

int KVQDocCamController::GetImageProcessConfig()
{
    unsigned char r[4];
    const int ok = Inquire(0x61, r);
    if (ok) {
        ApplyModeByte(m_status, r[1]);
        ApplyPictureByte(m_status, r[2]);
    }
    return Traced(ok, L"KVQDocCamController::GetImageProcessConfig() is successful.\n",
                  L"KVQDocCamController::GetImageProcessConfig() failed.\n");
}

// Inquiries whose reply byte 1 is one cached byte.
#define DOCCAM_BYTE_CONFIG(Method, opcode, field) \
    int KVQDocCamController::Method()             \
    {                                             \
        unsigned char r[4];                       \
        if (!Inquire(opcode, r)) return 0;        \
        m_status.field = r[1];                    \
        return 1;                                 \
    }

DOCCAM_BYTE_CONFIG(GetTextGraphicsConfig, 0x37, textGraphics)
DOCCAM_BYTE_CONFIG(GetIntExtConfig, 0x38, intExt)
DOCCAM_BYTE_CONFIG(GetFreezeConfig, 0x39, frozen)
DOCCAM_BYTE_CONFIG(GetNormalConfig, 0x3D, normal)
DOCCAM_BYTE_CONFIG(GetRotateConfig, 0x3E, rotate)
DOCCAM_BYTE_CONFIG(GetMirrorConfig, 0x3F, mirror)
DOCCAM_BYTE_CONFIG(GetEffectConfig, 0x40, effect)
DOCCAM_BYTE_CONFIG(GetWhiteBalanceModeConfig, 0x41, wbMode)
DOCCAM_BYTE_CONFIG(GetExposureModeConfig, 0x42, exposureMode)
#undef DOCCAM_BYTE_CONFIG

int KVQDocCamController::GetZoomDigitalConfig()
{
    unsigned char r[4];
    if (!Inquire(0x3A, r)) return 0;
    m_status.zoomLinear = r[1];
    m_status.zoomDigitalSize = BigEndianU16(r + 2);
    GetZoomDigitalMoveHori();
    GetZoomDigitalMoveVert();
    return 1;
}

int KVQDocCamController::InquireTracedByte(unsigned char op, int& field, const wchar_t* success, const wchar_t* failure)
{
    unsigned char r[4];
    const int ok = Inquire(op, r);
    if (ok) field = r[1];
    return Traced(ok, success, failure);
}

int KVQDocCamController::GetBrightnessConfig()
{
    return InquireTracedByte(0x3B, m_status.brightness, L"KVQDocCamController::GetBrightnessConfig() is successful.\n",
                             L"KVQDocCamController::GetBrightnessConfig() failed.\n");
}

int KVQDocCamController::GetContrastConfig()
{
    return InquireTracedByte(0x3C, m_status.contrast, L"KVQDocCamController::GetContrastConfig() is successful.\n",
                             L"KVQDocCamController::GetContrastConfig() failed.\n");
}

// Sub-inquiries of white balance (0x41) and exposure (0x42) answer with their
// sub-code in byte 1; a reply carrying another sub-code is ignored.
int KVQDocCamController::GetWhiteBalanceRedConfig()
{
    unsigned char r[4];
    if (!Inquire(0x41, r, 1)) return 0;
    if (r[1] == 2) m_status.wbRed = BigEndianU16(r + 2);
    return 1;
}

int KVQDocCamController::GetWhiteBalanceBlueConfig()
{
    unsigned char r[4];
    if (!Inquire(0x41, r, 2)) return 0;
    if (r[1] == 3) m_status.wbBlue = BigEndianU16(r + 2);
    return 1;
}

int KVQDocCamController::GetWhiteBalanceMeasureConfig()
{
    unsigned char r[4];
    if (!Inquire(0x41, r, 3)) return 0;
    if (r[1] == 4) m_status.wbMeasuring = r[2];
    return 1;
}

int KVQDocCamController::GetWhiteBalanceConfig()
{
    if (!GetWhiteBalanceRedConfig() || !GetWhiteBalanceBlueConfig() || !GetWhiteBalanceMeasureConfig()) return 0;
    Trace(L"KVQDocCamController::GetWhiteBalanceConfig() is successful.\n");
    return 1;
}

int KVQDocCamController::GetManualExposureConfig()
{
    unsigned char r[4];
    const int ok = Inquire(0x42, r, 1);
    if (ok && r[1] == 3) m_status.exposureManual = r[2];
    return Traced(ok, L"KVQDocCamController::GetManualExposureConfig() is successful.\n",
                  L"KVQDocCamController::GetManualExposureConfig() failed.\n");
}

int KVQDocCamController::GetExposureFlickerConfig()
{
    unsigned char r[4];
    if (!Inquire(0x42, r, 2)) return 0;
    if (r[1] == 4) m_status.exposureFlicker = r[2];
    return 1;
}

int KVQDocCamController::GetZoomOpticalConfig()
{
    unsigned char r[4];
    if (!(m_feature & kFeatureOpticalZoom)) {
        m_status.zoomType = 0;
        m_status.zoomOpticalFactor = 1;
        m_status.zoomOpticalFraction = 0;
        return 0;
    }
    const int ok = Inquire(0x43, r);
    if (ok) {
        m_status.zoomType = r[1];
        m_status.zoomOpticalFactor = r[2];
        m_status.zoomOpticalFraction = r[3];
    }
    return Traced(ok, L"KVQDocCamController::GetZoomOpticalConfig() is successful.\n",
                  L"KVQDocCamController::GetZoomOpticalConfig() failed.\n");
}

int KVQDocCamController::InquireSigned16(unsigned char op, int& field)
{
    unsigned char r[4];
    if (!Inquire(op, r)) return 0;
    return field = BigEndianS16(r + 1);
}

int KVQDocCamController::GetZoomDigitalMoveHori() { return InquireSigned16(0x44, m_status.zoomMoveHori); }
int KVQDocCamController::GetZoomDigitalMoveVert() { return InquireSigned16(0x45, m_status.zoomMoveVert); }

// Pan positions count sensor pixels, so the sensor size is their full scale.
int KVQDocCamController::GetSensorResolutionHori()
{
    const int resolution = InquireSigned16(0x4B, m_status.sensorResHori);
    if (resolution > 0) m_status.panRangeHori = resolution;
    return resolution;
}

int KVQDocCamController::GetSensorResolutionVert()
{
    const int resolution = InquireSigned16(0x4C, m_status.sensorResVert);
    if (resolution > 0) m_status.panRangeVert = resolution;
    return resolution;
}

void KVQDocCamController::GetBrightnessRange()
{
    unsigned char r[4];
    if (!Inquire(0x47, r)) return;
    m_status.brightnessMin = r[1];
    m_status.brightnessMax = r[2];
}

namespace {

int DefaultZoomMax(unsigned long feature)
{
    int max = kDefaultZoomMax;
    if (feature & kFeatureOpticalZoom) max *= 3;
    if (feature & kFeatureDoubleZoom) max *= 2;
    return max;
}

}  // namespace

int KVQDocCamController::GetZoomMax()
{
    unsigned char r[4];
    long long zoom = 100;
    if (Inquire(0x46, r))
        for (int i = 1; i <= 3; ++i)
            if (r[i]) zoom *= r[i];
    return zoom > 100 ? ClampToInt(zoom) : DefaultZoomMax(m_feature);
}

int KVQDocCamController::GetAdaptZoomMax()
{
    unsigned char r[4];
    long long zoom = 100;
    if (Inquire(0x46, r)) {
        const unsigned char* adapterInfo = m_status.adapterInfo;
        if (r[1] || adapterInfo[4]) zoom *= adapterInfo[4];
        if (r[2] || adapterInfo[0]) zoom *= adapterInfo[0];
        if (m_status.adapter) zoom = ApplyAdapter(zoom, adapterInfo[2], adapterInfo[3]);
    }
    return zoom > 100 ? ClampToInt(zoom) : DefaultZoomMax(m_feature);
}

int KVQDocCamController::GetZoomSize(int refresh)
{
    unsigned char r[4];
    if (refresh) {
        if (Inquire(0x3A, r)) m_status.zoomDigitalSize = BigEndianU16(r + 2);
        if (Inquire(0x43, r) && r[2]) {
            m_status.zoomOpticalFactor = r[2];
            m_status.zoomOpticalFraction = r[3];
        }
    }
    long long size = ApplyOptical(m_status.zoomDigitalSize, m_status.zoomOpticalFactor, m_status.zoomOpticalFraction);
    if (m_status.adapter) size = ApplyAdapter(size, m_status.adapterInfo[2], m_status.adapterInfo[3]);
    return ClampToInt(size);
}

int KVQDocCamController::GetAllConfig()
{
    GetDocCamModel();
    GetDocCamModelFeature(0);
    if (!GetStreamConfig() || !GetImageProcessConfig() || !GetBrightnessConfig() || !GetContrastConfig()) return 0;
    if (m_status.wbMode == 1 && !GetWhiteBalanceConfig()) return 0;
    if (m_status.exposureMode == 1 && !GetManualExposureConfig()) return 0;
    if (!GetZoomDigitalConfig()) return 0;
    GetZoomOpticalConfig();
    return 1;
}

// Accessors.
#define DOCCAM_ACCESSOR(Method, Config, onFailure, expr)                       \
    int KVQDocCamController::Method(int refresh)                               \
    {                                                                          \
        return Cached(*this, &KVQDocCamController::Config, refresh, onFailure, \
                      [](const DocCamStatus& s) { return int(expr); });        \
    }

DOCCAM_ACCESSOR(IsPowerOn, GetStreamConfig, 0, s.powerOff == 0)
DOCCAM_ACCESSOR(IsFrozen, GetFreezeConfig, 0, s.frozen == 1)
// Without an answer the camera is taken to be in its usual state: text mode,
// internal input, normal picture.
DOCCAM_ACCESSOR(IsTextMode, GetTextGraphicsConfig, 1, s.textGraphics == 0)
DOCCAM_ACCESSOR(IsGraphicsMode, GetTextGraphicsConfig, 0, s.textGraphics == 1)
DOCCAM_ACCESSOR(IsInternalMode, GetIntExtConfig, 1, s.intExt == 0)
DOCCAM_ACCESSOR(IsExternalMode, GetIntExtConfig, 0, s.intExt == 1)
DOCCAM_ACCESSOR(IsNormal, GetNormalConfig, 1, s.normal == 1)
DOCCAM_ACCESSOR(IsRotated, GetRotateConfig, 0, s.rotate != 0)
DOCCAM_ACCESSOR(IsMirrored, GetMirrorConfig, 0, s.mirror == 1)
DOCCAM_ACCESSOR(IsColor, GetEffectConfig, 0, s.effect == 0)
DOCCAM_ACCESSOR(IsBlackWhite, GetEffectConfig, 0, s.effect == 1)
DOCCAM_ACCESSOR(IsNegative, GetEffectConfig, 0, s.effect == 2)
DOCCAM_ACCESSOR(IsWhiteBalanceAUTO, GetWhiteBalanceModeConfig, 0, s.wbMode == 0)
DOCCAM_ACCESSOR(GetWBRed, GetWhiteBalanceRedConfig, 0, s.wbRed)
DOCCAM_ACCESSOR(GetWBBlue, GetWhiteBalanceBlueConfig, 0, s.wbBlue)
DOCCAM_ACCESSOR(IsWBMeasureDone, GetWhiteBalanceMeasureConfig, 0, s.wbMeasuring == 0)
DOCCAM_ACCESSOR(GetExposureMode, GetExposureModeConfig, 0, s.exposureMode)
DOCCAM_ACCESSOR(GetExposureManual, GetManualExposureConfig, 0, s.exposureManual)
DOCCAM_ACCESSOR(GetExposureFlicker, GetExposureFlickerConfig, 0, s.exposureFlicker == 0)
DOCCAM_ACCESSOR(GetBrightness, GetBrightnessConfig, 0, s.brightness)
DOCCAM_ACCESSOR(GetContrast, GetContrastConfig, 0, s.contrast)
DOCCAM_ACCESSOR(IsZoomTypeDigital, GetImageProcessConfig, 0, s.zoomType == 0)
DOCCAM_ACCESSOR(IsZoomLinear, GetZoomDigitalConfig, 0, s.zoomLinear == 0)
DOCCAM_ACCESSOR(GetZoomDigitalSize, GetZoomDigitalConfig, 0, s.zoomDigitalSize)
#undef DOCCAM_ACCESSOR

float KVQDocCamController::GetZoomOpticalSize(int refresh)
{
    if (refresh && !GetZoomOpticalConfig()) return 0.0f;
    return OpticalPercent(m_status.zoomOpticalFactor, m_status.zoomOpticalFraction) / 100.0f;
}

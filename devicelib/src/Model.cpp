// Model code, model name and feature word of the controller's camera.
#include "ModelTable.h"
#include "kvqdoccam.h"

using namespace devicelib;

int KVQDocCamController::GetDocCamModel()
{
    unsigned char r[4];
    if (!Inquire(0x31, r)) return 0;
    m_status.modelCode = r[1];
    return 1;
}

const wchar_t* KVQDocCamController::GetDocCamModelName(int refresh)
{
    if (refresh && !GetDocCamModel()) return m_modelName[0];
    const int row = FindModelRow(m_status.modelCode);
    return m_modelName[row < 0 ? 0 : row];
}

void KVQDocCamController::SetFeature(unsigned long feature)
{
    m_feature = feature;
    // Large-frame models drop their stream without the application's keep-alive.
    m_status.keepAlive = feature != kUnknownFeature && (feature & kFeatureLargeFrame) ? 1 : 0;
}

void KVQDocCamController::LookUpModelFeature()
{
    const int row = FindModelRow(m_status.modelCode);
    if (row >= 0) SetFeature(m_modelFeature[row]);
}

unsigned long KVQDocCamController::GetDocCamModelFeature(int refresh)
{
    unsigned char r[4];
    if (!refresh) {
        if (m_feature == kUnknownFeature) LookUpModelFeature();
        return m_feature;
    }
    if (!GetDocCamModel()) return kUnknownFeature;
    SetFeature(kUnknownFeature);
    if (Inquire(0x4D, r) && (r[1] || r[2] || r[3])) {
        const uint8_t r1 = r[1], r2 = r[2], r3 = r[3];
        const bool haveSecond = Inquire(0x4E, r) != 0;
        SetFeature(CapabilityFeature(r1, r2, r3, haveSecond, haveSecond ? r[1] : 0));
    } else {
        LookUpModelFeature();
    }
    return m_feature;
}

int KVQDocCamController::HaveZoomOptical(int refresh)
{
    if (refresh) {
        if (!GetDocCamModel()) return 0;
        GetDocCamModelFeature(0);
    }
    return (m_feature & kFeatureOpticalZoom) ? 1 : 0;
}

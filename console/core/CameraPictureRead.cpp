#include "CameraPictureRead.h"

#include "kvqdoccam.h"

unsigned long ReadKnownFeatures(KVQDocCamController& camera)
{
    constexpr unsigned long kUnknownFeatures = 0xFFFFFFFFul;
    const unsigned long features = camera.GetDocCamModelFeature(0);
    return features == kUnknownFeatures ? 0 : features;
}

CameraPictureState ReadPictureState(const KVQDocCamController& camera, unsigned long features)
{
    const DocCamStatus& s = camera.m_status;
    CameraPictureState state{};
    state.model = s.modelCode;
    state.features = features;
    state.colorMode = s.effect;
    state.brightness = s.brightness;
    state.contrast = s.contrast;
    state.mirror = s.mirror;
    state.rotation = s.rotate;
    state.zoomSize = s.zoomDigitalSize;
    state.zoomFactor = s.zoomOpticalFactor;
    state.zoomFraction = s.zoomOpticalFraction;
    state.opticalZoomMode = s.zoomType;
    state.zoomStepKind = s.zoomLinear;
    state.zoomStepCount = s.zoomStep;
    state.panHori = s.zoomMoveHori;
    state.panVert = s.zoomMoveVert;
    state.panRangeHori = s.panRangeHori;
    state.panRangeVert = s.panRangeVert;
    return state;
}

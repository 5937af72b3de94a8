#include "DocCamPanel.h"

#include <kvqdoccam.h>
#include <kvqfeatures.h>

#include "CommandIds.h"
#include "LanguageText.h"
#include "OsdKind.h"
#include "SkinButton.h"

namespace {
const wchar_t kSection[] = L"CDocCamPanel";

const DWORD kZoomRepeatAfterMs = 200;
const DWORD kBrightnessRepeatAfterMs = 500;
const int kOsdTicks = 60;
const int kZoomResetTicks = 20;
const int kBrightnessHoldRefreshes = 5;
const int kZoomSeparator = 600;

// Remote feature byte of the capability record.
const unsigned char kRemoteAutoFocus = 0x02;
const unsigned char kRemoteRotate = 0x20;
const unsigned char kRemoteAutoImage = 0x80;
const unsigned char kRemoteFlagAutoImage = 0x08;

int ModelOf(const KVQDocCamController& camera) { return camera.m_status.modelCode & 0x7F; }
bool ZoomSliderFixed(int model) { return model == 0x33 || model == 0x53; }

struct ColourModeLook {
    const wchar_t* key;
    const wchar_t* text;
};
const ColourModeLook kColourModes[3] = {
    {L"tipColorDisplay", L"Color display"},
    {L"tipGrayDisplay", L"Gray display"},
    {L"tipInvertedDisplay", L"Inverted display"},
};
}  // namespace

// clang-format off
const SkinButtonRow CDocCamPanel::kButtons[BUTTON_COUNT] = {
    {ID_AUTO_FOCUS,      BUTTON_STYLE_PUSH,   163, 83,  FourImages(SKIN_AUTO_FOCUS_BUTTON), L"tipAutoFocus", L"Auto focus", true},
    {ID_ZOOM_IN,         BUTTON_STYLE_PUSH,   35,  7,   FourImages(SKIN_ZOOM_IN_BUTTON), L"tipZoomIn", L"Zoom in", true},
    {ID_ZOOM_OUT,        BUTTON_STYLE_PUSH,   35,  45,  FourImages(SKIN_ZOOM_OUT_BUTTON), L"tipZoomOut", L"Zoom out", true},
    {ID_ZOOM_RESET,      BUTTON_STYLE_PUSH,   35,  83,  FourImages(SKIN_ZOOM_RESET_BUTTON), L"tipZoomingReset", L"Zooming reset", true},
    {ID_FREEZE,          BUTTON_STYLE_PUSH,   291, 45,  FourImages(SKIN_FREEZE_BUTTON), L"tipFreeze", L"Freeze", true},
    {ID_ROTATE,          BUTTON_STYLE_PUSH,   291, 83,  FourImages(SKIN_ROTATE_BUTTON), L"tipRotatedDisplay", L"Rotated display", true},
    {ID_MIRROR,          BUTTON_STYLE_MANUAL, 228, 83,  {0, 0, 0, 0, 0}, L"tipMirroredDisplay", L"Mirrored display", false},
    {ID_COLOUR_MODE,     BUTTON_STYLE_MANUAL, 291, 7,   FourImages(SKIN_COLOUR_MODE_BUTTON, SKIN_COLOUR_MODE_BUTTON + 4), L"tipColorDisplay", L"Color display", true},
    {ID_EXPOSURE,        BUTTON_STYLE_MANUAL, 228, 130, {0, 0, 0, 0, 0}, L"tipAutoExposureControl", L"Auto exposure control", false},
    {ID_WHITE_BALANCE,   BUTTON_STYLE_MANUAL, 281, 130, {0, 0, 0, 0, 0}, L"tipAutoWhiteBalancing", L"Auto White Balancing", false},
    {ID_AUTO_IMAGE,      BUTTON_STYLE_MANUAL, 419, 63,  FourImages(SKIN_AUTO_IMAGE_BUTTON), L"tipAutoImage", L"tipAutoImage", true},
    {ID_MOTION,          BUTTON_STYLE_MANUAL, 419, 7,   FourImages(SKIN_MOTION_BUTTON), L"tipImageEnhance", L"Image Enhance", true},
    {ID_BRIGHTNESS_UP,   BUTTON_STYLE_MANUAL, 163, 7,   FourImages(SKIN_BRIGHTER_BUTTON), L"tipBrightnessPlus", L"tipBrightnessPlus", true},
    {ID_BRIGHTNESS_DOWN, BUTTON_STYLE_MANUAL, 163, 45,  FourImages(SKIN_DARKER_BUTTON), L"tipBrightnessMinus", L"tipBrightnessMinus", true},
};
// clang-format on

CDocCamPanel::CDocCamPanel(IPanelHost& host) : m_host(host) {}
CDocCamPanel::~CDocCamPanel() = default;

void CDocCamPanel::CreateControls(int)
{
    m_brightnessHold = 0;
    m_brightness.CreateSlider(36, 46, this, this, ID_BRIGHTNESS, FALSE, FALSE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                              nullptr, KVQ_TRANSPARENT, TRUE);
    m_brightness.SetRange(0, 100);
    m_zoom.CreateSlider(36, 107, this, this, ID_ZOOM_METER, FALSE, TRUE, 0, 0, nullptr, nullptr, nullptr, nullptr,
                        nullptr, KVQ_TRANSPARENT, TRUE);
    m_brightness.ShowWindow(SW_HIDE);
    m_zoom.ShowWindow(SW_HIDE);

    CreateSkinButtons(m_buttons, kButtons, BUTTON_COUNT, m_host.SkinLibrary(), this);
    m_buttons[MOTION].SetCheck(1);

    for (int i = 0; i < BUTTON_COUNT; ++i) {
        m_tipTexts[i] = ReadIniString(kSection, kButtons[i].tipKey, kButtons[i].tipText);
        AddControlTip(m_tips[i], this, &m_buttons[i], m_tipTexts[i]);
    }
    AddControlTip(m_tips[BUTTON_COUNT], this, &m_brightness, ReadIniString(kSection, L"tipBrightness", L"Brightness"));
    AddControlTip(m_tips[BUTTON_COUNT + 1], this, &m_zoom, ReadIniString(kSection, L"tipZoommedSize", L"Zoommed size"));
}

BOOL CDocCamPanel::PreTranslateMessage(MSG* msg)
{
    for (CToolTipCtrl& tip : m_tips)
        if (tip.m_hWnd) tip.RelayEvent(msg);
    return CBasePanel2::PreTranslateMessage(msg);
}

namespace {
// The command character a viewed console understands for each id.
char RemoteCode(unsigned short id)
{
    switch (id) {
    case ID_AUTO_FOCUS:
        return 'a';
    case ID_ZOOM_IN:
        return '+';
    case ID_ZOOM_OUT:
        return '-';
    case ID_ZOOM_RESET:
        return 'r';
    case ID_FREEZE:
        return 'f';
    case ID_ROTATE:
        return 't';
    case ID_MIRROR:
        return 'm';
    case ID_COLOUR_MODE:
        return 'c';
    case ID_EXPOSURE:
        return 'e';
    case ID_WHITE_BALANCE:
        return 'w';
    case ID_BRIGHTNESS:
    case ID_BRIGHTNESS_UP:
    case ID_BRIGHTNESS_DOWN:
        return 'b';
    case ID_AUTO_IMAGE:
        return 'i';
    case ID_MOTION:
        return '~';
    default:
        return 0;
    }
}
}  // namespace

BOOL CDocCamPanel::OnButtonEvent(unsigned short id)
{
    KVQDocCamController* camera = m_host.CurrentController();
    if (!camera || !RemoteCode(id)) return FALSE;
    if (IRemoteCamera* remote = m_host.ShownRemoteCamera()) return SendToRemote(*remote, id);
    RunLocal(*camera, id);
    return TRUE;
}

BOOL CDocCamPanel::SendToRemote(IRemoteCamera& remote, unsigned short id)
{
    switch (id) {
    case ID_BRIGHTNESS:
        remote.SendCameraCommand('b',
                                 static_cast<unsigned char>(remote.Capability().brightnessMin + m_brightness.GetPos()));
        m_brightnessHold = kBrightnessHoldRefreshes;
        m_host.ShowOsd(OSD_BRIGHTNESS, kOsdTicks);
        break;
    case ID_BRIGHTNESS_UP:
    case ID_BRIGHTNESS_DOWN:
        m_host.ShowOsd(OSD_BRIGHTNESS, kOsdTicks);
        SendRemoteBrightnessStep(remote, id == ID_BRIGHTNESS_UP ? 5.0 : -5.0);
        break;
    default:
        remote.SendCameraCommand(RemoteCode(id), 0);
        break;
    }
    return TRUE;
}

void CDocCamPanel::SendRemoteBrightnessStep(IRemoteCamera& remote, double step)
{
    const RemoteCapability& capability = remote.Capability();
    int target;
    if (!RemoteValueToInt(remote.State().brightness, 1.0, step, capability.brightnessMin, capability.brightnessMax,
                          &target))
        return;  // no usable brightness reported: nothing to step from
    remote.SendCameraCommand('b', static_cast<unsigned char>(target));
    m_brightnessHold = kBrightnessHoldRefreshes;
}

void CDocCamPanel::RunLocal(KVQDocCamController& camera, unsigned short id)
{
    DocCamStatus& status = camera.m_status;
    switch (id) {
    case ID_AUTO_FOCUS:
        camera.SetAutoFocus();
        m_host.ShowOsd(OSD_NONE, 0);
        break;
    case ID_ZOOM_IN:
    case ID_ZOOM_OUT:
        ZoomStep(camera, id == ID_ZOOM_IN);
        break;
    case ID_ZOOM_RESET:
        camera.SetZoomReset();
        m_host.ShowOsd(OSD_ZOOM_RESET, kZoomResetTicks);
        break;
    case ID_FREEZE:
        camera.Freeze(camera.GetFreezeConfig() && status.frozen ? 0 : 1);
        break;
    case ID_ROTATE:
        if (camera.GetDocCamModelFeature(0) & kFeatureRotateModes) {
            camera.SetRotateEx((status.rotate + 1) % 4);
        } else if (status.rotate) {
            if (camera.SetRotate(0)) status.rotate = 0;
        } else if (camera.SetRotate(1)) {
            status.rotate = 2;
        }
        break;
    case ID_MIRROR:
        camera.SetMirror(status.mirror == 1 ? 0 : 1);
        break;
    case ID_COLOUR_MODE:
        CycleColourMode(camera);
        break;
    case ID_EXPOSURE:
        camera.SetExposureMode(status.exposureMode == 0 ? 1 : 0);
        m_host.ShowOsd(OSD_NONE, 0);
        break;
    case ID_WHITE_BALANCE:
        camera.SetWhiteBalanceAUTO(status.wbMode == 0 ? 0 : 1);
        m_host.ShowOsd(OSD_NONE, 0);
        break;
    case ID_BRIGHTNESS:
        camera.SetBrightnessEx(m_brightness.GetPos());
        status.brightness = m_brightness.GetPos();
        m_host.ShowOsd(OSD_BRIGHTNESS, kOsdTicks);
        m_host.RepaintPicture(true);
        break;
    case ID_AUTO_IMAGE:
        if (camera.GetDocCamModelFeature(0) & kFeatureAutoImage)
            camera.SetCommand(0xBE, status.statusFlags17[2] ? 0 : 1, 0, 0);
        break;
    case ID_MOTION: {
        const int on = m_buttons[MOTION].GetCheckState() ? 1 : 0;
        camera.SetAdaptMotion(on);
        m_host.SetMotionFlag(on, status.motionMode != 0);
        break;
    }
    case ID_BRIGHTNESS_UP:
    case ID_BRIGHTNESS_DOWN:
        camera.SetCommand(0xAB, id == ID_BRIGHTNESS_UP ? 0 : 1, 0, 0);
        break;
    default:
        break;
    }
}

void CDocCamPanel::CycleColourMode(KVQDocCamController& camera)
{
    const int mode = camera.m_status.effect;
    if (mode > 2) return;
    camera.SetColorBWNegative(static_cast<unsigned char>((mode + 1) % 3));
    m_tips[COLOUR_MODE].SendMessage(TTM_UPDATE);
}

void CDocCamPanel::ZoomStep(KVQDocCamController& camera, bool in)
{
    DocCamStatus& status = camera.m_status;
    if (status.zoomLinear) status.zoomLinear = 0;
    const unsigned char type = status.zoomType;
    const int size = status.zoomDigitalSize;
    camera.SetZoomSize(in ? 1 : 0);
    // The camera changes between its digital and optical zoom around these
    // sizes and takes a moment before it answers again.
    if ((in && type == 0 && size >= 188 && size <= 200) || (!in && type != 0 && size >= 100 && size <= 110))
        ::Sleep(200);
    if (status.zoomType != type) ::Sleep(500);
    if (m_host.IsStatusPolled()) {
        camera.GetImageProcessConfig();
        camera.GetZoomOpticalConfig();
        camera.GetZoomDigitalConfig();
    }
    m_host.RepaintPicture(false);
}

void CDocCamPanel::OnTimerTick(KVQDocCamController* controller)
{
    if (IRemoteCamera* remote = m_host.ShownRemoteCamera())
        RepeatHeldRemotely(*remote);
    else if (controller)
        RepeatHeldLocally(*controller);
}

void CDocCamPanel::RepeatHeldRemotely(IRemoteCamera& remote)
{
    if (m_buttons[ZOOM_IN].GetHoldTime() > kZoomRepeatAfterMs) {
        remote.SendCameraCommand('+', 0);
    } else if (m_buttons[ZOOM_OUT].GetHoldTime() > kZoomRepeatAfterMs) {
        remote.SendCameraCommand('-', 0);
    } else if (m_buttons[BRIGHTNESS_UP].GetHoldTime() > kBrightnessRepeatAfterMs) {
        SendRemoteBrightnessStep(remote, 5.0);
    } else if (m_buttons[BRIGHTNESS_DOWN].GetHoldTime() > kBrightnessRepeatAfterMs) {
        SendRemoteBrightnessStep(remote, -5.0);
    }
}

void CDocCamPanel::RepeatHeldLocally(KVQDocCamController& camera)
{
    for (Control zoom : {ZOOM_IN, ZOOM_OUT}) {
        if (m_buttons[zoom].GetHoldTime() <= kZoomRepeatAfterMs) continue;
        if (camera.m_status.zoomLinear == 0) camera.SetZoomMode(0);
        camera.SetZoomSize(zoom == ZOOM_IN ? 1 : 0);
        if (m_host.IsStatusPolled()) {
            camera.GetZoomOpticalConfig();
            camera.GetZoomDigitalConfig();
        }
        m_host.RepaintPicture(false);
    }
    for (Control step : {BRIGHTNESS_UP, BRIGHTNESS_DOWN}) {
        if (m_buttons[step].GetHoldTime() <= kBrightnessRepeatAfterMs) continue;
        camera.SetCommand(0xAB, step == BRIGHTNESS_UP ? 0 : 1, 0, 0);
        m_host.RepaintPicture(false);
    }
}

void CDocCamPanel::OnDeviceSetup(KVQDocCamController* controller)
{
    if (!controller) {
        // No camera: nothing here would do anything.
        EnableCameraControls(false, true);
        Enable(m_buttons[FREEZE], false);
        Enable(m_buttons[MOTION], false);
        return;
    }
    KVQDocCamController& camera = *controller;
    const DocCamStatus& status = camera.m_status;
    const unsigned long features = camera.GetDocCamModelFeature(0);
    const int model = ModelOf(camera);
    if (features & kFeatureOwnBrightnessRange) {
        if (status.brightnessMax == 0)
            m_brightness.SetRange(0, 63);
        else
            m_brightness.SetRange(status.brightnessMin, status.brightnessMax);
    }

    m_zoom.SetSep(-1);
    m_zoom.SetRange(100, camera.GetZoomMax());
    if (model == 0x13 || model == 0x15)
        m_zoom.SetRange(100, 400);
    else if (model == 0x11)
        m_zoom.SetRange(100, 200);
    else if (model == 0x75)
        m_zoom.SetRange(100, 3200);
    if (model == 0x60 || model == 0x61) {
        m_zoom.SetSep(kZoomSeparator);
        m_zoom.RedrawWindow(RDW_INVALIDATE | RDW_ERASE);
    } else if ((features & kFeatureLargeFrame) && status.zoomOpticalFactor == 3) {
        m_zoom.SetSep(kZoomSeparator);
    }
    m_zoom.SetPos(camera.GetZoomSize(0));
    if (ZoomSliderFixed(model)) m_zoom.EnableWindow(FALSE);
    m_brightness.SetPos(status.brightness);

    IRemoteCamera* remote = m_host.ShownRemoteCamera();
    Enable(m_buttons[FREEZE], !remote || remote->State().controllable);
    Invalidate(TRUE);
}

void CDocCamPanel::Enable(CWnd& control, bool enable, bool erase)
{
    if (!control.m_hWnd || (control.IsWindowEnabled() != FALSE) == enable) return;
    control.EnableWindow(enable);
    control.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW | (erase ? RDW_ERASE : 0));
}

void CDocCamPanel::Check(Control control, int state)
{
    if (m_buttons[control].GetCheckState() != state) m_buttons[control].SetCheck(state);
}

void CDocCamPanel::SetTip(Control control, const wchar_t* key, const wchar_t* defaultText)
{
    m_tipTexts[control] = ReadIniString(kSection, key, defaultText);
    m_tips[control].UpdateTipText(&m_buttons[control], m_tipTexts[control]);
}

void CDocCamPanel::ShowColourMode(int mode)
{
    const int shown = mode == 1 || mode == 2 ? mode : 0;
    if (m_buttons[COLOUR_MODE].GetCheckState() == shown) return;
    m_buttons[COLOUR_MODE].SetCheck(shown);
    SetTip(COLOUR_MODE, kColourModes[shown].key, kColourModes[shown].text);
}

void CDocCamPanel::ShowFrozen(bool frozen)
{
    // A click toggles the button's check itself: the tip follows what was shown.
    if (m_shownFrozen == frozen) return;
    m_shownFrozen = frozen;
    m_buttons[FREEZE].SetCheck(frozen ? 1 : 0);
    SetTip(FREEZE, frozen ? L"tipUnFreeze" : L"tipFreeze", frozen ? L"UnFreeze" : L"Freeze");
    Invalidate(TRUE);
}

void CDocCamPanel::EnableCameraControls(bool enable, bool withWhiteBalance)
{
    for (Control control : {AUTO_FOCUS, ZOOM_RESET, ZOOM_IN, ZOOM_OUT, ROTATE, MIRROR, COLOUR_MODE, EXPOSURE,
                            AUTO_IMAGE, BRIGHTNESS_UP, BRIGHTNESS_DOWN})
        Enable(m_buttons[control], enable);
    if (withWhiteBalance) Enable(m_buttons[WHITE_BALANCE], enable);
    Enable(m_brightness, enable);
    Enable(m_zoom, enable);
}

void CDocCamPanel::OnDeviceState(KVQDocCamController* controller)
{
    if (!controller) return;
    KVQDocCamController& camera = *controller;
    const unsigned long features = camera.GetDocCamModelFeature(0);
    const DocCamStatus& status = camera.m_status;
    const int model = ModelOf(camera);

    if (status.frozen) {
        EnableCameraControls(false, true);
        Enable(m_buttons[MOTION], false);
        ShowFrozen(true);
        return;
    }
    for (Control control : {AUTO_FOCUS, ZOOM_RESET, ZOOM_IN, ZOOM_OUT}) Enable(m_buttons[control], true);
    Enable(m_brightness, true);
    Enable(m_zoom, true);

    const int zoom = camera.GetZoomSize(0);
    if (zoom == 100 && m_lastZoomSeen != 100) m_host.ShowOsd(OSD_ZOOM_RESET, kZoomResetTicks);
    m_lastZoomSeen = zoom;
    if (ZoomSliderFixed(model)) Enable(m_zoom, false);

    for (Control control : {ROTATE, AUTO_IMAGE, BRIGHTNESS_UP, BRIGHTNESS_DOWN}) Enable(m_buttons[control], true);
    Check(MIRROR, status.mirror == 1 ? 1 : 0);
    Enable(m_buttons[COLOUR_MODE], true);
    ShowColourMode(status.effect);
    Enable(m_buttons[EXPOSURE], true);

    // These models report the automatic-image state the other way round.
    const bool invertedAutoImage = (model >= 0x6D && model <= 0x6F) || (model >= 0x76 && model <= 0x7F);
    const bool autoImageOn = invertedAutoImage ? status.statusFlags17[2] == 0 : status.statusFlags17[2] != 0;
    Check(AUTO_IMAGE, (features & kFeatureAutoImage) && autoImageOn ? 1 : 0);
    Check(EXPOSURE, status.exposureMode == 0 ? 1 : 0);
    Check(WHITE_BALANCE, status.wbMode == 0 ? 1 : 0);
    ShowFrozen(false);

    if (!(features & kFeatureAutoFocus)) Enable(m_buttons[AUTO_FOCUS], false);
    if (!(features & kFeatureRotate)) Enable(m_buttons[ROTATE], false);
    if (!(features & kFeatureAutoImage)) Enable(m_buttons[AUTO_IMAGE], false);
    // Black and white has no white balance.
    Enable(m_buttons[WHITE_BALANCE], m_buttons[COLOUR_MODE].GetCheckState() != 1, true);
}

void CDocCamPanel::RefreshFromRemote()
{
    IRemoteCamera* remote = m_host.ShownRemoteCamera();
    if (!remote) return;
    const RemoteCameraState& state = remote->State();
    const RemoteCapability& capability = remote->Capability();

    const int zoomUnit = 100 * capability.zoomA * capability.zoomB;
    m_zoom.SetRange(100, zoomUnit * capability.zoomSteps);
    if (capability.zoomA > 1) m_zoom.SetSep(zoomUnit);
    int zoom;
    if (RemoteValueToInt(state.zoom, 100.0, 0.0, m_zoom.GetRangeMin(), m_zoom.GetRangeMax(), &zoom) &&
        zoom != m_zoom.GetPos())
        m_zoom.SetPos(zoom);

    const int brightnessSpan = capability.brightnessMax - capability.brightnessMin;
    m_brightness.SetRange(0, brightnessSpan);
    auto showByFeature = [this, &capability](Control control, unsigned char bit) {
        if (capability.features & bit)
            m_buttons[control].ShowWindow(SW_SHOW);
        else
            Enable(m_buttons[control], false);
    };
    showByFeature(AUTO_FOCUS, kRemoteAutoFocus);
    showByFeature(ROTATE, kRemoteRotate);

    if (m_brightnessHold > 0) {
        --m_brightnessHold;
    } else {
        int brightness;
        if (RemoteValueToInt(state.brightness, 1.0, -double(capability.brightnessMin), 0, brightnessSpan,
                             &brightness) &&
            brightness != m_brightness.GetPos()) {
            m_brightness.SetPos(brightness);
            m_host.ShowOsd(OSD_BRIGHTNESS, kOsdTicks);
        }
    }
    if (state.rotation != m_lastRemoteRotation) {
        m_host.ShowOsd(OSD_ROTATION, kOsdTicks);
        m_lastRemoteRotation = state.rotation;
    }

    const int controllable = state.controllable ? 1 : 0;
    const bool newConnection = remote->TakeNewConnectionMark();
    if (controllable != m_lastRemoteControllable || newConnection) {
        Enable(m_buttons[FREEZE], controllable != 0);
        m_lastRemoteControllable = controllable;
    }
    if (state.frozen)
        m_host.ShowOsd(OSD_FROZEN, kOsdTicks);
    else if (m_host.ShownOsd() == OSD_FROZEN)
        m_host.ShowOsd(OSD_NONE, 0);

    if (state.frozen || !controllable) {
        EnableCameraControls(false, false);
        if (!m_buttons[FREEZE].GetCheckState()) {
            m_buttons[FREEZE].SetCheck(1);
            Invalidate(TRUE);
        }
        return;
    }
    if (state.zoom == 1.0f && m_lastRemoteZoom != 1.0f) m_host.ShowOsd(OSD_ZOOM_RESET, kZoomResetTicks);
    m_lastRemoteZoom = state.zoom;
    EnableCameraControls(true, false);
    Check(MIRROR, state.mirror ? 1 : 0);
    ShowColourMode(state.colour);
    Check(AUTO_IMAGE, (state.flags & kRemoteFlagAutoImage) ? 1 : 0);
    Check(EXPOSURE, state.exposure == 1 ? 1 : 0);
    Check(WHITE_BALANCE, state.whiteBalance ? 1 : 0);
    Check(FREEZE, 0);
    showByFeature(AUTO_IMAGE, kRemoteAutoImage);
    showByFeature(AUTO_FOCUS, kRemoteAutoFocus);
    showByFeature(ROTATE, kRemoteRotate);
    Enable(m_buttons[WHITE_BALANCE], m_buttons[COLOUR_MODE].GetCheckState() != 1);
}

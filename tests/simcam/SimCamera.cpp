#include "SimCamera.h"

#include <algorithm>

#include "kvqdoccam.h"

namespace simcam {

namespace {

int Step(int value, bool up, int step, int low, int high) { return std::clamp(value + (up ? step : -step), low, high); }

void PutBe16(uint8_t* p, int value)
{
    p[0] = uint8_t(value >> 8);
    p[1] = uint8_t(value);
}

}  // namespace

namespace {

bool ShiftedStatus(uint8_t modelCode)
{
    for (int row = 1; row < KVQDocCamController::kModelRows; ++row)
        if (KVQDocCamController::m_modelNum[row] == (modelCode & 0x7F))
            return (KVQDocCamController::m_modelFeature[row] & 0x1000) != 0;
    return true;
}

}  // namespace

SimCamera::SimCamera(uint8_t code) : modelCode(code), statusShifted(ShiftedStatus(code)) {}

bool SimCamera::Fails(uint8_t op)
{
    if (unplugged || failingOpcodes.count(op)) return true;
    if (failExchanges > 0) {
        --failExchanges;
        return true;
    }
    return false;
}

bool SimCamera::Command(uint8_t op, uint8_t a1, uint8_t a2, uint8_t a3)
{
    const bool answered = !Fails(op) && Execute(op, a1, a2);
    log_.push_back({Exchange::kCommand, op, a1, a2, a3, answered});
    return answered;
}

std::vector<Exchange> SimCamera::Commands() const
{
    std::vector<Exchange> commands;
    for (const Exchange& e : log_)
        if (e.kind == Exchange::kCommand && e.answered) commands.push_back(e);
    return commands;
}

bool SimCamera::Inquiry(uint8_t op, uint8_t a1, uint8_t a2, uint8_t a3, uint8_t reply[4])
{
    std::array<uint8_t, 3> data = {};
    const bool answered = !Fails(op) && Answer(op, a1, data);
    log_.push_back({Exchange::kInquiry, op, a1, a2, a3, answered});
    if (!answered) return false;
    reply[0] = op;
    if (wrongEchoes > 0) {
        --wrongEchoes;
        reply[0] = uint8_t(op ^ 0x80);
    }
    std::copy(data.begin(), data.end(), reply + 1);
    return true;
}

void SimCamera::OpticalStep(bool in)
{
    int tenths = state.zoomOpticalFactor * 10 + state.zoomOpticalFraction;
    tenths = std::clamp(tenths + (in ? 1 : -1), 10, limits.opticalFactorMax * 10);
    state.zoomOpticalFactor = tenths / 10;
    state.zoomOpticalFraction = tenths % 10;
}

bool SimCamera::Zoom(uint8_t a1)
{
    const bool opticalRoom = state.zoomOpticalFactor < limits.opticalFactorMax;
    switch (a1) {
    case 0x00:
    case 0x01:
        state.zoomDigitalSize = Step(state.zoomDigitalSize, a1 == 0, limits.digitalStep, 100, limits.digitalMax);
        break;
    case 0x02:
    case 0x03:
        state.zoomMode = a1 == 0x02;
        break;
    case 0x10:
    case 0x11:
        OpticalStep(a1 == 0x10);
        break;
    case 0x30:  // one zoom: optical first, then digital
        if (opticalRoom)
            OpticalStep(true);
        else
            state.zoomDigitalSize = Step(state.zoomDigitalSize, true, limits.digitalStep, 100, limits.digitalMax);
        break;
    case 0x31:
        if (state.zoomDigitalSize > 100)
            state.zoomDigitalSize = Step(state.zoomDigitalSize, false, limits.digitalStep, 100, limits.digitalMax);
        else
            OpticalStep(false);
        break;
    case 0xE0:
    case 0xE1:
        state.zoomType = a1 == 0xE1;
        break;
    case 0xFF:
        state.zoomDigitalSize = 100;
        state.zoomOpticalFactor = 1;
        state.zoomOpticalFraction = 0;
        break;
    case 0x12:
    case 0x13:
        break;  // the lens moves; the zoom state stays
    default:
        return false;
    }
    return true;
}

bool SimCamera::Execute(uint8_t op, uint8_t a1, uint8_t a2)
{
    const bool up = a1 == 0;
    switch (op) {
    case 0xA7:
        state.textGraphics = a1;
        break;
    case 0xA8:
        state.intExt = a1;
        break;
    case 0xA9:
        state.frozen = a1;
        break;
    case 0xAA:
        return Zoom(a1);
    case 0xAB:
        if (a1 == 2)
            state.brightness = std::clamp<int>(a2, limits.brightnessMin, limits.brightnessMax);
        else
            state.brightness =
                Step(state.brightness, up, limits.brightnessStep, limits.brightnessMin, limits.brightnessMax);
        break;
    case 0xAC:
        state.contrast = Step(state.contrast, up, 1, limits.contrastMin, limits.contrastMax);
        break;
    case 0xAD:
        state.normal = a1;
        break;
    case 0xAE:
        state.rotate = a1;
        break;
    case 0xAF:
        state.mirror = a1;
        break;
    case 0xB0:
        if (a1 > 2) return false;
        state.effect = a1;
        break;
    case 0xB1:
        switch (a1) {
        case 0:
        case 1:
            state.wbMode = a1;
            break;
        case 2:
            state.wbRed = Step(state.wbRed, a2 == 0, 8, 0, 0xFFFF);
            break;
        case 3:
            state.wbBlue = Step(state.wbBlue, a2 == 0, 8, 0, 0xFFFF);
            break;
        case 4:
            state.wbMeasuring = 1;
            measureLeft_ = limits.measureInquiries;
            break;
        default:
            return false;
        }
        break;
    case 0xB2:
        switch (a1) {
        case 0:
        case 1:
        case 2:
            state.exposureMode = a1;
            break;
        case 3:
            state.exposureManual = Step(state.exposureManual, a2 == 0, 1, 0, 255);
            break;
        case 4:
            state.exposureFlicker = a2;
            break;
        default:
            return false;
        }
        break;
    case 0xB3:
        state.zoomMoveVert -= limits.panStep;
        break;
    case 0xB4:
        state.zoomMoveVert += limits.panStep;
        break;
    case 0xB5:
        state.zoomMoveHori -= limits.panStep;
        break;
    case 0xB6:
        state.zoomMoveHori += limits.panStep;
        break;
    case 0xB7:
        ++state.autoFocusCount;
        break;
    case 0xB8: {
        CameraState defaults;
        defaults.aliveCount = state.aliveCount;
        state = defaults;
        break;
    }
    case 0xBC:
        state.motionMode = a1;
        break;
    case 0xBD:
        ++state.aliveCount;
        break;
    case 0xBE:
        state.autoImage = a1 ? 1 : 0;
        break;
    case 0xBF:
        ++state.largeStillRequests;
        break;
    default:
        return false;
    }
    return true;
}

uint8_t SimCamera::ModeByte() const
{
    return uint8_t(state.textGraphics << 7 | state.intExt << 6 | state.frozen << 5 | state.zoomLinear << 4 |
                   state.wbMode << 3 | (state.exposureMode & 3) << 1 | (state.exposureFlicker & 1));
}

uint8_t SimCamera::PictureByte() const
{
    return uint8_t(state.adapter << 7 | state.zoomType << 6 | state.normal << 5 | state.mirror << 4 |
                   (state.rotate & 3) << 2 | (state.effect & 3));
}

bool SimCamera::Answer(uint8_t op, uint8_t a1, std::array<uint8_t, 3>& d)
{
    switch (op) {
    case 0x31:
        d = {modelCode, 0, 0};
        break;
    case 0x37:
        d[0] = state.textGraphics;
        break;
    case 0x38:
        d[0] = state.intExt;
        break;
    case 0x39:
        d[0] = state.frozen;
        break;
    case 0x3A:
        d[0] = state.zoomLinear;
        PutBe16(&d[1], state.zoomDigitalSize);
        break;
    case 0x3B:
        d[0] = uint8_t(state.brightness);
        break;
    case 0x3C:
        d[0] = uint8_t(state.contrast);
        break;
    case 0x3D:
        d[0] = state.normal;
        break;
    case 0x3E:
        d[0] = state.rotate;
        break;
    case 0x3F:
        d[0] = state.mirror;
        break;
    case 0x40:
        d[0] = state.effect;
        break;
    case 0x41:
        switch (a1) {
        case 0:
            d[0] = state.wbMode;
            break;
        case 1:
            d[0] = 2;
            PutBe16(&d[1], state.wbRed);
            break;
        case 2:
            d[0] = 3;
            PutBe16(&d[1], state.wbBlue);
            break;
        case 3:
            if (measureLeft_ > 0 && --measureLeft_ == 0) state.wbMeasuring = 0;
            d = {4, state.wbMeasuring, 0};
            break;
        default:
            return false;
        }
        break;
    case 0x42:
        switch (a1) {
        case 0:
            d[0] = state.exposureMode;
            break;
        case 1:
            d = {3, uint8_t(state.exposureManual), 0};
            break;
        case 2:
            d = {4, state.exposureFlicker, 0};
            break;
        default:
            return false;
        }
        break;
    case 0x43:
        d = {state.zoomType, uint8_t(state.zoomOpticalFactor), uint8_t(state.zoomOpticalFraction)};
        break;
    case 0x44:
        PutBe16(&d[0], state.zoomMoveHori);
        break;
    case 0x45:
        PutBe16(&d[0], state.zoomMoveVert);
        break;
    case 0x46:
        d = limits.zoomMax;
        break;
    case 0x47:
        d = {uint8_t(limits.brightnessMin), uint8_t(limits.brightnessMax), 0};
        break;
    case 0x4B:
        PutBe16(&d[0], limits.sensorHori);
        break;
    case 0x4C:
        PutBe16(&d[0], limits.sensorVert);
        break;
    case 0x4D:
        if (!capability) return false;
        d = *capability;
        break;
    case 0x4E:
        if (!capability2) return false;
        d[0] = *capability2;
        break;
    case 0x60:
        d = limits.stream;
        d[1] = uint8_t((d[1] & 0xF0) | (state.powerOff & 0x0F));
        break;
    case 0x61:
        d = {ModeByte(), PictureByte(), 0};
        break;
    case 0x62:
        d[0] = state.lastCommandProcess;
        break;
    default:
        return false;
    }
    return true;
}

std::array<uint8_t, 48> SimCamera::StatusBlock() const
{
    std::array<uint8_t, 48> bytes = {};
    uint8_t* b = bytes.data() + (statusShifted ? 1 : 0);
    b[0] = ModeByte();
    b[1] = PictureByte();
    PutBe16(b + 2, state.zoomDigitalSize);
    b[4] = uint8_t(state.zoomOpticalFactor);
    b[5] = uint8_t(state.zoomOpticalFraction);
    PutBe16(b + 6, state.zoomMoveHori);
    PutBe16(b + 8, state.zoomMoveVert);
    PutBe16(b + 10, state.wbRed);
    PutBe16(b + 12, state.wbBlue);
    b[14] = uint8_t(state.exposureManual);
    b[15] = uint8_t(state.brightness);
    b[16] = uint8_t(state.contrast);
    b[17] = uint8_t(state.powerOff | state.wbMeasuring << 1 | state.xgaBlocked << 2 | state.statusBit3 << 3 |
                    state.autoImage << 4 | state.extendedStatus << 5);
    for (int i = 0; i < 4; ++i) PutBe16(b + 18 + 2 * i, state.blockValues[i]);
    PutBe16(b + 26, state.blockValue26);
    PutBe16(b + 28, state.blockValue28);
    std::copy(state.adapterInfo.begin(), state.adapterInfo.end(), b + 30);
    return bytes;
}

}  // namespace simcam

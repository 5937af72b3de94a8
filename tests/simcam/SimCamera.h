// A simulated document camera: the state a real camera keeps, its answers to
// commands and inquiries, and its 48 status bytes.
#pragma once

#include <stdint.h>

#include <array>
#include <optional>
#include <set>
#include <vector>

namespace simcam {

struct CameraState {
    uint8_t textGraphics = 1;  // graphics mode
    uint8_t intExt = 0;
    uint8_t frozen = 0;
    uint8_t zoomLinear = 0;
    uint8_t zoomMode = 1;
    uint8_t wbMode = 0;
    uint8_t exposureMode = 0;
    uint8_t exposureFlicker = 0;
    uint8_t adapter = 0;
    uint8_t zoomType = 0;
    uint8_t normal = 1;
    uint8_t mirror = 0;
    uint8_t rotate = 0;
    uint8_t effect = 0;
    int zoomDigitalSize = 100;
    int zoomOpticalFactor = 1;
    int zoomOpticalFraction = 0;
    int zoomMoveHori = 0;
    int zoomMoveVert = 0;
    int wbRed = 0x200;
    int wbBlue = 0x180;
    int exposureManual = 20;
    int brightness = 50;
    int contrast = 75;
    uint8_t powerOff = 0;
    uint8_t wbMeasuring = 0;
    uint8_t xgaBlocked = 0;      // status byte 17 bit 2
    uint8_t statusBit3 = 0;      // status byte 17 bit 3
    uint8_t autoImage = 0;       // status byte 17 bit 4
    uint8_t extendedStatus = 0;  // status byte 17 bit 5
    std::array<int16_t, 4> blockValues = {};
    int16_t blockValue26 = 0;
    int16_t blockValue28 = 0;
    std::array<uint8_t, 6> adapterInfo = {};
    uint8_t motionMode = 0;
    int aliveCount = 0;
    int autoFocusCount = 0;
    int largeStillRequests = 0;
    uint8_t lastCommandProcess = 0;
};

struct CameraLimits {
    int brightnessMin = 0;
    int brightnessMax = 100;
    int brightnessStep = 1;
    int contrastMin = 0;
    int contrastMax = 150;
    int digitalStep = 10;
    int digitalMax = 800;
    int opticalFactorMax = 3;
    int panStep = 8;
    int16_t sensorHori = 2048;
    int16_t sensorVert = 1536;
    std::array<uint8_t, 3> zoomMax = {};  // reply of inquiry 0x46
    std::array<uint8_t, 3> stream = {0x12, 0x30, 0x00};
    int measureInquiries = 2;  // measure-state inquiries until a measurement ends
};

struct Exchange {
    enum Kind { kCommand, kInquiry } kind;
    uint8_t op, a1, a2, a3;
    bool answered;
    bool operator==(const Exchange& o) const
    {
        return kind == o.kind && op == o.op && a1 == o.a1 && a2 == o.a2 && a3 == o.a3 && answered == o.answered;
    }
};

class SimCamera {
public:
    explicit SimCamera(uint8_t modelCode = 0x60);

    // Model identity.
    uint8_t modelCode;
    // Status bytes start one byte later; by default as the model table has it
    // for the model (feature 0x1000, and every unknown model).
    bool statusShifted;
    std::optional<std::array<uint8_t, 3>> capability;  // reply bytes 1-3 of 0x4D; none = no answer
    std::optional<uint8_t> capability2;                // reply byte 1 of 0x4E

    CameraState state;
    CameraLimits limits;

    // Failure injection.
    int wrongEchoes = 0;     // the next inquiry replies echo another code
    int failExchanges = 0;   // the next exchanges fail
    bool unplugged = false;  // every exchange fails
    std::set<uint8_t> failingOpcodes;

    bool Command(uint8_t op, uint8_t a1, uint8_t a2, uint8_t a3);
    bool Inquiry(uint8_t op, uint8_t a1, uint8_t a2, uint8_t a3, uint8_t reply[4]);
    std::array<uint8_t, 48> StatusBlock() const;
    // Status byte 0 and 1 as the image-process inquiry answers them.
    uint8_t ModeByte() const;
    uint8_t PictureByte() const;

    const std::vector<Exchange>& log() const { return log_; }
    std::vector<Exchange> Commands() const;  // the answered commands only
    void ClearLog() { log_.clear(); }

private:
    bool Fails(uint8_t op);
    bool Execute(uint8_t op, uint8_t a1, uint8_t a2);
    bool Answer(uint8_t op, uint8_t a1, std::array<uint8_t, 3>& data);
    bool Zoom(uint8_t a1);
    void OpticalStep(bool in);

    std::vector<Exchange> log_;
    int measureLeft_ = 0;
};

}  // namespace simcam

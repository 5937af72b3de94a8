// Camera device library (kvqdoccam): the controller of one document camera.
#pragma once

#include <cstddef>

#if defined(KVQDOCCAM_BUILD_DLL)
#define KVQDOCCAM_API __declspec(dllexport)
#elif defined(KVQDOCCAM_USE_DLL)
#define KVQDOCCAM_API __declspec(dllimport)
#else
#define KVQDOCCAM_API
#endif

struct IBaseFilter;
class KVQDocCamController;

// The camera's last known state, filled by the Get*Config inquiries, by the
// status block that travels with every frame, and by the zoom computations.
// Clients read these members directly.
struct DocCamStatus {
    unsigned char modelCode;  // bits 0-6 the model, bit 7 the resolution mode; 0 = no camera
    unsigned char streamHigh1;
    unsigned char streamLow1;
    unsigned char streamHigh2;
    int streamByte3;
    unsigned char textGraphics;  // 0 text, 1 graphics
    unsigned char intExt;        // 0 internal, 1 external input
    unsigned char frozen;        // 1 frozen
    unsigned char zoomType;      // 0 digital; 1 optical zoom mode
    unsigned char zoomLinear;    // 0 linear digital zoom
    unsigned char wbMode;        // 0 auto, 1 manual
    unsigned char exposureMode;
    unsigned char exposureFlicker;
    int exposureManual;
    unsigned char normal;  // 1 normal picture
    unsigned char mirror;  // 1 mirrored
    unsigned char rotate;  // 0 not rotated, else the rotation mode
    unsigned char effect;  // 0 colour, 1 black and white, 2 negative
    // Block byte 17 bits 2..5: [0] gates XGA recording, [2] is the automatic
    // image state, [3] the extended status flag.
    unsigned char statusFlags17[4];
    unsigned char adapterInfo[6];  // [2] adapter zoom factor, [3] its hundredths
    int zoomDigitalSize;           // 100 = 1.00x
    int zoomOpticalFactor;         // whole part
    int zoomOpticalFraction;       // up to 100 tenths, above 100 hundredths + 100
    int zoomMoveHori;              // pan position of the digital-zoom window
    int zoomMoveVert;
    int blockValues[4];
    int sensorResHori;
    int sensorResVert;
    int blockValue26;
    int blockValue28;
    int brightness;
    int brightnessMin;
    int brightnessMax;
    int contrast;
    int wbRed;
    int wbBlue;
    unsigned char wbMeasuring;  // 1 while a white-balance measurement runs
    unsigned char powerOff;     // 0 camera on
    unsigned char adapter;      // 1 zoom adapter fitted
    // State the library keeps for its clients beyond the camera's own block.
    unsigned char motionMode;  // last motion mode the camera accepted
    unsigned char zoomStep;    // set by every accepted zoom step; clients clear it
    unsigned char keepAlive;   // the model needs the application's keep-alive
    unsigned char largeFrame;  // the frame being delivered answers Set3MCapture
    int panRangeHori;          // full scale of zoomMoveHori / zoomMoveVert
    int panRangeVert;
    int videoWidth;  // size of the frames being delivered
    int videoHeight;
};

// One discovered camera.
struct DOCCAM_INSTANCE {
    KVQDocCamController* owner;  // null = free
    IBaseFilter* filter;         // DirectShow capture filter; null on the direct-USB path
    wchar_t* path;               // kernel-streaming interface path, or null
    int dsIndex;                 // DirectShow device index
};

typedef void (*DocCamFrameCallback)(unsigned char* data, int width, int height, int length);

// Capture sizes at 30 frames a second.
// Fixed to int: clients pass any int, which SetResolution checks.
enum ResolutionType : int {
    RES_320x240 = 0,
    RES_352x288 = 1,
    RES_512x384 = 2,
    RES_640x480 = 3,
    RES_800x600 = 4,
    RES_1024x768 = 5,
};

class KVQDOCCAM_API KVQDocCamController {
public:
    enum { kMaxDevices = 128, kModelRows = 18, kModelNameLength = 18 };

    KVQDocCamController();
    virtual ~KVQDocCamController();
    KVQDocCamController(const KVQDocCamController&) = delete;
    KVQDocCamController& operator=(const KVQDocCamController&) = delete;

    static int GetInstances();
    static int GetDevices();
    static DOCCAM_INSTANCE* GetDevice(int index);
    static KVQDocCamController* GetCurrentController();
    // The library's capture graph (a KVQVideoDevice); null on the direct-USB road.
    static void* GetInternalObject();
    void* GetDeviceIoInterface();

    // Claims discovered camera index; with makeCurrent also selects it.
    int AttachDevice(int index, int makeCurrent);
    int MakeCurrent();
    int IsCurrentDevice();

    // Capture control of the current camera.
    int SetResolution(ResolutionType type);
    int GetResolutionMode();
    int SetCallbackFunction(DocCamFrameCallback callback);
    int StartCapture();
    int Stop();
    int IsStopped();

    // Protocol.
    int SetCommand(unsigned char op, unsigned char a1, unsigned char a2, unsigned char a3);
    int InquiryCommand(unsigned char op, unsigned char expect, unsigned char* reply, unsigned char a1 = 0,
                       unsigned char a2 = 0, unsigned char a3 = 0);
    int GetLastCommandProcess();

    // Command set.
    int SetTextGraphicsMode(int text);
    int SetTextMode();
    int SetGraphicsMode();
    int SetIntExtMode(int internal);
    int SetInternalMode();
    int SetExternalMode();
    int Freeze(int on);
    int SetZoomDigitalSize(int in);
    int SetZoomMode(int mode);
    int SetZoomReset();
    int SetZoomOpticalSize(int in);
    int SetZoomOpticalMoveLens(int dir);
    int SetZoomType(int optical);
    int SetZoomSize(int in);
    int SetBrightness(int up);
    int SetBrightnessEx(int target);
    int SetContrast(int up);
    int SetNormal(int on);
    int SetRotate(int on);
    int SetRotateEx(int mode);
    int SetMirror(int on);
    int SetColorBWNegative(unsigned char mode);
    int SetColor();
    int SetBlackWhite();
    int SetNegative();
    int SetWhiteBalance(unsigned char mode, unsigned char value);
    int SetWhiteBalanceAUTO(int on);
    int SetWBRed(int up);
    int SetWBBlue(int up);
    int SetWBMeasure();
    int SetExposure(unsigned char mode, unsigned char value);
    int SetExposureMode(int mode);
    int SetExposureManual(int up);
    int SetExposureFlicker(int on);
    int SetZoomMove(int dir);
    int SetAutoFocus();
    int SetDefault();
    int SetMotionMode(int value);
    int SetAdaptMotion(int on);
    int SetApAlive();
    int SetAutoImage(int value);
    int Set3MCapture();
    int TurnPower(int on);

    // Configuration inquiries into m_status.
    int GetStreamConfig();
    int GetImageProcessConfig();
    int GetTextGraphicsConfig();
    int GetIntExtConfig();
    int GetFreezeConfig();
    int GetZoomDigitalConfig();
    int GetBrightnessConfig();
    int GetContrastConfig();
    int GetNormalConfig();
    int GetRotateConfig();
    int GetMirrorConfig();
    int GetEffectConfig();
    int GetWhiteBalanceModeConfig();
    int GetWhiteBalanceRedConfig();
    int GetWhiteBalanceBlueConfig();
    int GetWhiteBalanceMeasureConfig();
    int GetWhiteBalanceConfig();
    int GetExposureModeConfig();
    int GetManualExposureConfig();
    int GetExposureFlickerConfig();
    int GetZoomOpticalConfig();
    int GetZoomDigitalMoveHori();
    int GetZoomDigitalMoveVert();
    int GetSensorResolutionHori();
    int GetSensorResolutionVert();
    void GetBrightnessRange();
    int GetZoomMax();
    int GetAdaptZoomMax();
    int GetAllConfig();
    int IncrementalUpdate();

    // Cached state; a nonzero refresh runs the matching inquiry first.
    int IsPowerOn(int refresh);
    int IsFrozen(int refresh);
    int IsTextMode(int refresh);
    int IsGraphicsMode(int refresh);
    int IsInternalMode(int refresh);
    int IsExternalMode(int refresh);
    int IsNormal(int refresh);
    int IsRotated(int refresh);
    int IsMirrored(int refresh);
    int IsColor(int refresh);
    int IsBlackWhite(int refresh);
    int IsNegative(int refresh);
    int IsWhiteBalanceAUTO(int refresh);
    int GetWBRed(int refresh);
    int GetWBBlue(int refresh);
    int IsWBMeasureDone(int refresh);
    int GetExposureMode(int refresh);
    int GetExposureManual(int refresh);
    int GetExposureFlicker(int refresh);
    int GetBrightness(int refresh);
    int GetContrast(int refresh);
    int IsZoomTypeDigital(int refresh);
    int IsZoomLinear(int refresh);
    int GetZoomDigitalSize(int refresh);
    float GetZoomOpticalSize(int refresh);
    int GetZoomSize(int refresh);

    // Model.
    int GetDocCamModel();
    const wchar_t* GetDocCamModelName(int refresh);
    unsigned long GetDocCamModelFeature(int refresh);
    int HaveZoomOptical(int refresh);

    static int CheckJpegEnd(void* data, int len);

    DocCamStatus m_status;
    void* m_hDevice;          // kernel-streaming device, opened on first use
    unsigned long m_feature;  // 0xFFFFFFFF = unknown model
    int m_dsIndex;
    int m_deviceIndex;
    unsigned char m_command[6];  // last DirectShow command: op, a1, a2, a3, 0, 0
    unsigned char m_reply[4];    // last inquiry reply: echo, three data bytes

    static DOCCAM_INSTANCE m_device[kMaxDevices];
    static int m_devices;
    static int m_instanceCount;
    static KVQDocCamController* m_pCurController;
    static wchar_t m_cypressInterface[kMaxDevices][256];
    static int m_cypressInterfaces;

    static const unsigned short m_modelNum[kModelRows];
    static const unsigned long m_modelFeature[kModelRows];
    static const wchar_t m_modelName[kModelRows][kModelNameLength];

private:
    static void EnumerateDovraCamInterfaces();
    static void Discover();
    static void TearDownShared();
    // This controller's camera is the one the capture graph is built for.
    bool OwnsCaptureGraph() const;
    int SendCommand(unsigned long guard, unsigned char op, unsigned char a1 = 0, unsigned char a2 = 0,
                    unsigned char a3 = 0);
    // Inquiry whose echo must be op; the reply also goes to reply.
    int Inquire(unsigned char op, unsigned char reply[4], unsigned char a1 = 0);
    // Inquiry answering a big-endian signed value in bytes 1-2, kept in field.
    int InquireSigned16(unsigned char op, int& field);
    // Inquiry answering one byte, kept in field, with a success or failure trace.
    int InquireTracedByte(unsigned char op, int& field, const wchar_t* success, const wchar_t* failure);
    // One zoom step (opcode 0xAA); marks the zoom flag when accepted.
    int SendZoomStep(unsigned char step);
    void ResetZoomCache();
    void LookUpModelFeature();
    void SetFeature(unsigned long feature);
    int StepBrightnessToward(int target);
    int CurrentZoomThreshold() const;
    unsigned char RotationArgument() const;
};

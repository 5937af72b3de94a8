// The camera part's per-device state: geometry, flags, the mode and format
// table built by discovery, the proc-amp values and the private property
// set's state. Lives inside the device extension, one per camera.
#pragma once

#include <stdint.h>

#include "CameraVendorProperty.h"
#include "KernelServices.h"

namespace dovracam {

struct TransportInterface;

// The camera's own count is capped at this; the static extra modes come on
// top, so the table holds every mode a camera may bring.
constexpr uint32_t kMaxCameraModes = 36;
constexpr uint32_t kExtraModeCount = 18;
constexpr uint32_t kMaxFormats = kMaxCameraModes + kExtraModeCount;

enum VideoType : uint8_t {
    kTypeMjpg = 0,
    kTypeYuy2 = 1,
    kTypeI420 = 2,
    kTypeH264 = 3,
    kTypeWjpg = 4,
    kTypeRgb24 = 5,
    kTypeRgb555 = 6,
};

// One entry of the format table: its data range and what selects it on the
// camera. Position in the table = format index; the camera's own mode number
// travels with the entry, so reordering never separates the two.
struct FormatEntry {
    KsDataRangeVideo* range;
    uint8_t type;
    uint16_t width;
    uint16_t height;
    uint16_t cameraMode;  // vendor request 3 value; meaningless for extra modes
    bool extra;           // made by decoding the camera's 1024x768 JPEG frames
};

constexpr uint32_t kStillFormatCount = 4;

struct FormatTable {
    FormatEntry entries[kMaxFormats];
    uint16_t count;
    uint16_t selected;
    // The stream class takes the lists as arrays of format pointers.
    KsDataFormat* videoList[kMaxFormats];
    KsDataRangeVideo stillRanges[kStillFormatCount];
    KsDataFormat* stillList[kStillFormatCount];
};

enum ProcAmpSlot { kBrightness, kContrast, kSaturation, kSharpness, kWhiteBalance, kProcAmpCount };

struct CameraFlags {
    bool modeListKnown;
    bool streaming;
    bool extraModesAdded;
    bool appControlled;
    bool modelFlag;
    bool decodeActive;
    bool formatOpened;
    bool capabilityBit;
};

struct CameraContext {
    uint32_t streamCount;
    void* physicalDeviceObject;
    void* lowerDevice;      // the USB stack below us
    KsvSemaphore* urbLock;  // one synchronous URB at a time
    void* classDeviceObject;

    // Geometry of the open format; for an extra mode the camera's 1024x768 and
    // the requested output size.
    uint16_t width;
    uint16_t height;
    uint16_t outputWidth;
    uint16_t outputHeight;
    uint32_t fourCC;
    uint16_t bitCount;
    uint16_t frameSizeFactor;
    uint64_t frameBufferSize;

    CameraFlags flags;
    FormatTable formats;
    camvendor::PropertyHandler vendorProperties;
    uint8_t statusBlock[camvendor::kStatusBlockSize];
    int32_t procAmp[kProcAmpCount];

    UsbInterfaceInformation* interfaceCopy;  // CamConfigureEx's copy
    TransportInterface* transport;           // none when the lookup failed

    // Conversion buffers of the open extra mode, per camera.
    uint8_t* decodeBuffer;
    uint8_t* conversionBuffer;
    uint32_t conversionSize;
    // The camera's JPEG decoder (its pool block), the colour tables of an RGB
    // format and the lock every decode holds.
    void* decoderBlock;
    void* colourTables;
    KsvMutex* decodeLock;
};

}  // namespace dovracam

#include "DeviceProperties.h"

#include "Bytes.h"
#include "KsGuids.h"
#include "VendorRequests.h"

namespace dovracam {

namespace {

// ---- proc-amp ----

struct ProcAmpItem {
    uint32_t id;
    ProcAmpSlot slot;
    int32_t maximum;
    int32_t defaultValue;
    const char* registryName;
};

constexpr ProcAmpItem kProcAmp[kProcAmpCount] = {{0, kBrightness, 108, 55, "Brightness"},
                                                 {1, kContrast, 108, 44, "Contrast"},
                                                 {3, kSaturation, 108, 77, "Saturation"},
                                                 {4, kSharpness, 108, 77, "Sharpness"},
                                                 {7, kWhiteBalance, 372, 253, "WhiteBalance"}};

constexpr uint32_t kProcAmpManual = 2;  // KSPROPERTY_VIDEOPROCAMP_FLAGS_MANUAL
constexpr uint32_t kProcAmpSize = sizeof(KsVideoProcAmpS);

const ProcAmpItem* FindProcAmp(uint32_t id)
{
    for (const ProcAmpItem& item : kProcAmp)
        if (item.id == id) return &item;
    return nullptr;
}

// ---- video control ----

enum VideoControlId : uint32_t { kCaps = 0, kActualFrameRate = 1, kFrameRates = 2, kMode = 3 };
constexpr uint32_t kVideoControlTriggers = 12;  // external trigger enable | trigger

struct AlternateSetting {
    uint8_t alternate;
    uint16_t maxPacketSize;
    int64_t frameInterval;
};
constexpr AlternateSetting kAlternateSettings[] = {
    {0, 512, 416666}, {1, 768, 625000}, {2, 1023, 416666}, {3, 1022, 333333}};
constexpr uint32_t kFrameRateCount = sizeof kAlternateSettings / sizeof kAlternateSettings[0] - 1;
constexpr uint32_t kFrameRatesSize = sizeof(KsMultipleItem) + kFrameRateCount * sizeof(int64_t);
constexpr int64_t kMaxAvailableInterval = 400000;

// Small pictures come faster: the camera bins them.
void RateScale(int32_t width, int64_t* numerator, int64_t* denominator)
{
    *numerator = width == 160 || width == 320 ? 3 : 1;
    *denominator = width == 160 ? 4 : 1;
}

// ---- declarations for the stream header ----

constexpr ScGuid kPropTypeGeneral = {0x97E99BA0, 0xBDEA, 0x11CF, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};
constexpr uint32_t kVtI4 = 3;

constexpr KsPropertySteppingLong kSteppingNarrow = {11, 0, {0, 108}};
constexpr KsPropertySteppingLong kSteppingWide = {11, 0, {0, 372}};
constexpr int32_t kDefaults[kProcAmpCount] = {55, 44, 77, 77, 253};

#define DOVRACAM_PROCAMP_VALUES(name, stepping, slot)                                                     \
    constexpr KsPropertyMembersList name##Members[2] = {                                                  \
        {{kKsPropertyMemberSteppedRanges, sizeof(KsPropertySteppingLong), 1, 0}, &stepping},              \
        {{kKsPropertyMemberValues, sizeof(int32_t), 1, kKsPropertyMemberFlagDefault}, &kDefaults[slot]}}; \
    constexpr KsPropertyValues name = {{kPropTypeGeneral, kVtI4, 0}, 2, name##Members};

DOVRACAM_PROCAMP_VALUES(kBrightnessValues, kSteppingNarrow, kBrightness)
DOVRACAM_PROCAMP_VALUES(kContrastValues, kSteppingNarrow, kContrast)
DOVRACAM_PROCAMP_VALUES(kSaturationValues, kSteppingNarrow, kSaturation)
DOVRACAM_PROCAMP_VALUES(kSharpnessValues, kSteppingNarrow, kSharpness)
DOVRACAM_PROCAMP_VALUES(kWhiteBalanceValues, kSteppingWide, kWhiteBalance)
#undef DOVRACAM_PROCAMP_VALUES

constexpr KsPropertyItem Item(uint32_t id, bool get, bool set, uint32_t size, const KsPropertyValues* values = nullptr)
{
    return {id, get ? 1u : 0u, size, size, set ? 1u : 0u, values, 0, nullptr, 0, 0};
}

constexpr KsPropertyItem kProcAmpItems[] = {
    Item(0, true, true, kProcAmpSize, &kBrightnessValues), Item(4, true, true, kProcAmpSize, &kSharpnessValues),
    Item(3, true, true, kProcAmpSize, &kSaturationValues), Item(1, true, true, kProcAmpSize, &kContrastValues),
    Item(7, true, true, kProcAmpSize, &kWhiteBalanceValues)};

constexpr KsPropertyItem kVideoControlItems[] = {
    Item(kCaps, true, false, sizeof(KsVideoControlCapsS)),
    Item(kActualFrameRate, true, false, sizeof(KsVideoControlActualFrameRateS)),
    {kFrameRates, 1, sizeof(KsVideoControlFrameRatesS), 0, 0, nullptr, 0, nullptr, 0, 0},
    Item(kMode, true, true, sizeof(KsVideoControlModeS))};

constexpr KsPropertyItem kVendorItems[] = {Item(camvendor::kPropCommand, true, true, camvendor::kBufferSize),
                                           Item(camvendor::kPropInquiry, true, true, camvendor::kBufferSize),
                                           Item(camvendor::kPropReply, true, true, camvendor::kBufferSize),
                                           Item(camvendor::kPropStatus, true, true, camvendor::kBufferSize)};

template <typename T, uint32_t N>
constexpr uint32_t CountOf(const T (&)[N])
{
    return N;
}

constexpr KsPropertySet kDeviceSets[kDevicePropertySetCount] = {
    {&kPropSetProcAmp, CountOf(kProcAmpItems), kProcAmpItems, 0, nullptr},
    {&kPropSetVideoControl, CountOf(kVideoControlItems), kVideoControlItems, 0, nullptr},
    {&kPropSetCameraVendor, CountOf(kVendorItems), kVendorItems, 0, nullptr}};

// ---- handlers ----

struct Request {
    bool isSet;
    uint32_t id;
    const uint8_t* in;
    uint32_t inSize;
    uint8_t* out;
    uint32_t outSize;
    uint32_t* returned;
};

ScStatus VendorProperty(CameraContext& camera, const Request& r, uint32_t flags)
{
    camera.flags.appControlled = true;
    CameraVendorPort port(camera);
    return camera.vendorProperties.Handle(r.id, flags, r.in, r.inSize, r.out, r.outSize, r.returned, port,
                                          camera.statusBlock);
}

ScStatus ProcAmpProperty(CameraContext& camera, const Request& r)
{
    const ProcAmpItem* item = FindProcAmp(r.id);
    if (!item) return kStatusNotSupported;
    if (!r.out || r.outSize < kProcAmpSize) return kStatusBufferTooSmall;
    KsVideoProcAmpS* data = reinterpret_cast<KsVideoProcAmpS*>(r.out);
    if (r.isSet) {
        if (data->Value < 0 || data->Value > item->maximum) return kStatusInvalidParameter;
        camera.procAmp[item->slot] = data->Value;
    } else {
        ZeroBytes(data, kProcAmpSize);
        data->Value = camera.procAmp[item->slot] & 0xFFFF;
        data->Flags = data->Capabilities = kProcAmpManual;
    }
    *r.returned = kProcAmpSize;
    return kStatusSuccess;
}

// The property (input) carries the stream index and dimensions.
template <typename T>
const T* PropertyAs(const Request& r)
{
    return r.in && r.inSize >= sizeof(T) ? reinterpret_cast<const T*>(r.in) : nullptr;
}

ScStatus FrameRates(const Request& r)
{
    const KsVideoControlFrameRatesS* asked = PropertyAs<KsVideoControlFrameRatesS>(r);
    if (!asked) return kStatusInvalidParameter;
    *r.returned = kFrameRatesSize;
    if (r.outSize == 0) return kStatusBufferOverflow;
    if (r.outSize < kFrameRatesSize || !r.out) {
        *r.returned = 0;
        return kStatusBufferTooSmall;
    }
    int64_t numerator = 1, denominator = 1;
    RateScale(asked->Dimensions.cx, &numerator, &denominator);
    KsMultipleItem header = {kFrameRatesSize, kFrameRateCount};
    CopyBytes(r.out, &header, sizeof header);
    for (uint32_t i = 0; i < kFrameRateCount; ++i) {
        const int64_t interval = numerator * kAlternateSettings[i + 1].frameInterval / denominator;
        CopyBytes(r.out + sizeof header + i * sizeof(int64_t), &interval, sizeof interval);
    }
    return kStatusSuccess;
}

ScStatus VideoControlProperty(CameraContext& camera, const Request& r)
{
    if (r.isSet) {
        if (r.id != kMode) return kStatusNotSupported;
        *r.returned = sizeof(KsVideoControlModeS);
        return kStatusSuccess;  // the still button reaches clients as an event instead
    }
    switch (r.id) {
    case kCaps: {
        const KsVideoControlCapsS* asked = PropertyAs<KsVideoControlCapsS>(r);
        if (!asked || asked->StreamIndex != 1) return kStatusNotSupported;
        if (!r.out || r.outSize < sizeof(KsVideoControlCapsS)) return kStatusBufferTooSmall;
        KsVideoControlCapsS* caps = reinterpret_cast<KsVideoControlCapsS*>(r.out);
        ZeroBytes(caps, sizeof *caps);
        caps->VideoControlCaps = kVideoControlTriggers;
        *r.returned = sizeof *caps;
        return kStatusSuccess;
    }
    case kActualFrameRate: {
        const KsVideoControlActualFrameRateS* asked = PropertyAs<KsVideoControlActualFrameRateS>(r);
        if (!asked || asked->StreamIndex == 1 || !camera.flags.formatOpened) return kStatusNotSupported;
        if (!r.out || r.outSize < sizeof(KsVideoControlActualFrameRateS)) return kStatusBufferTooSmall;
        int64_t numerator = 1, denominator = 1;
        RateScale(camera.outputWidth, &numerator, &denominator);
        KsVideoControlActualFrameRateS* rate = reinterpret_cast<KsVideoControlActualFrameRateS*>(r.out);
        rate->CurrentActualFrameRate = numerator * kAlternateSettings[0].frameInterval / denominator;
        rate->CurrentMaxAvailableFrameRate = numerator * kMaxAvailableInterval / denominator;
        *r.returned = sizeof *rate;
        return kStatusSuccess;
    }
    case kFrameRates:
        return FrameRates(r);
    case kMode: {
        if (!r.out || r.outSize < sizeof(KsVideoControlModeS)) return kStatusBufferTooSmall;
        KsVideoControlModeS* mode = reinterpret_cast<KsVideoControlModeS*>(r.out);
        ZeroBytes(mode, sizeof *mode);
        mode->Mode = kVideoControlTriggers;
        *r.returned = sizeof *mode;
        return kStatusSuccess;
    }
    default:
        return kStatusNotSupported;
    }
}

}  // namespace

const KsPropertySet* DevicePropertySets() { return kDeviceSets; }

ScStatus DeviceProperty(bool isSet, CameraContext& camera, ScRequestBlock& srb)
{
    srb.ActualBytesTransferred = 0;
    const ScPropertyDescriptor* info = srb.CommandData.PropertyInfo;
    if (!info || !info->Property || info->PropertyInputSize < sizeof(KsProperty)) return kStatusInvalidParameter;
    const KsProperty& property = *info->Property;
    Request r = {isSet,
                 property.Id,
                 reinterpret_cast<const uint8_t*>(info->Property),
                 info->PropertyInputSize,
                 static_cast<uint8_t*>(info->PropertyInfo),
                 info->PropertyOutputSize,
                 &srb.ActualBytesTransferred};
    if (SameGuid(property.Set, kPropSetCameraVendor))
        return VendorProperty(camera, r, isSet ? kKsPropertySet : kKsPropertyGet);
    if (SameGuid(property.Set, kPropSetProcAmp)) return ProcAmpProperty(camera, r);
    if (SameGuid(property.Set, kPropSetVideoControl)) return VideoControlProperty(camera, r);
    return kStatusNotSupported;
}

void ReadProcAmpSettings(CameraContext& camera)
{
    for (const ProcAmpItem& item : kProcAmp) {
        uint32_t value = 0;
        const bool read = ksv_settings_read(camera.physicalDeviceObject, item.registryName, &value);
        const int32_t signedValue = int32_t(value);
        camera.procAmp[item.slot] =
            read && signedValue >= 0 && signedValue <= item.maximum ? signedValue : item.defaultValue;
    }
}

void SaveProcAmpSettings(CameraContext& camera)
{
    for (const ProcAmpItem& item : kProcAmp)
        ksv_settings_write(camera.physicalDeviceObject, item.registryName, uint32_t(camera.procAmp[item.slot]));
}

}  // namespace dovracam

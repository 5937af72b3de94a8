#include "StillEvent.h"

#include "KsGuids.h"

namespace dovracam {

namespace {

constexpr uint32_t kExternalTrigger = 0;  // KSEVENT_VIDCAPTOSTI_EXT_TRIGGER

constexpr KsEventItem kStillItems[] = {{kExternalTrigger, kKsEventDataSize, 0, nullptr, nullptr, nullptr}};
constexpr KsEventSet kStillSets[] = {{&kEventSetVidCapToSti, 1, kStillItems}};

// The stream class enables and disables the event for each client.
ScStatus StillEventRoutine(ScEventDescriptor* descriptor)
{
    if (!descriptor || !descriptor->DeviceExtension) return kStatusInvalidParameter;
    ClassContext& cc = static_cast<DeviceExtension*>(descriptor->DeviceExtension)->classContext;
    if (descriptor->Enable) {
        __atomic_add_fetch(&cc.stillSubscribers, 1, __ATOMIC_SEQ_CST);
        return kStatusSuccess;
    }
    int32_t count = __atomic_load_n(&cc.stillSubscribers, __ATOMIC_SEQ_CST);
    while (count > 0 && !__atomic_compare_exchange_n(&cc.stillSubscribers, &count, count - 1, false, __ATOMIC_SEQ_CST,
                                                     __ATOMIC_SEQ_CST)) {
    }
    return kStatusSuccess;
}

bool Enabled(const ClassContext& cc)
{
    return cc.callbacks && (cc.callbacks->controlFlags & kCamControlEnableDeviceEvents);
}

}  // namespace

void DescribeDeviceEvents(const ClassContext& cc, ScStreamHeader& header)
{
    if (!Enabled(cc)) return;
    header.NumDevEventArrayEntries = 1;
    header.DeviceEventsArray = kStillSets;
    header.DeviceEventRoutine = reinterpret_cast<void*>(StillEventRoutine);
}

void SignalStillButton(DeviceExtension& device)
{
    ClassContext& cc = device.classContext;
    if (!Enabled(cc) || __atomic_load_n(&cc.stillSubscribers, __ATOMIC_SEQ_CST) <= 0) return;
    ksv_signal_device_event(&device, &kEventSetVidCapToSti, kExternalTrigger);
}

}  // namespace dovracam

// The device's property sets: the camera's private command set (served by
// the handler the device library shares), proc-amp and video control; and
// the proc-amp values kept in the device's registry key.
#pragma once

#include "CameraContext.h"

namespace dovracam {

constexpr uint32_t kDevicePropertySetCount = 3;
// In the order the stream header lists them.
const KsPropertySet* DevicePropertySets();

// SRB_GET_DEVICE_PROPERTY / SRB_SET_DEVICE_PROPERTY: the status, with the
// bytes answered in srb.ActualBytesTransferred.
ScStatus DeviceProperty(bool isSet, CameraContext& camera, ScRequestBlock& srb);

void ReadProcAmpSettings(CameraContext& camera);
void SaveProcAmpSettings(CameraContext& camera);

}  // namespace dovracam

// The minidriver's adapter request dispatcher and its registration sizes.
#pragma once

#include "Device.h"

namespace dovracam {

// Counts DriverEntry calls less uninitialised adapters.
extern volatile int32_t g_adapterCount;

constexpr uint32_t kDeviceExtensionSize = sizeof(DeviceExtension);
constexpr uint32_t kStreamExtensionSize = sizeof(StreamExtension);
constexpr uint32_t kRequestExtensionSize = sizeof(RequestLink);

}  // namespace dovracam

extern "C" {
// HwReceivePacket, HwCancelPacket and HwRequestTimeoutHandler.
void DovraCamAdapterReceivePacket(ScRequestBlock* srb);
void DovraCamCancelPacket(ScRequestBlock* srb);
void DovraCamRequestTimeout(ScRequestBlock* srb);
uint32_t DovraCamDeviceExtensionSize(void);
uint32_t DovraCamStreamExtensionSize(void);
uint32_t DovraCamRequestExtensionSize(void);
void DovraCamDriverLoaded(void);
}

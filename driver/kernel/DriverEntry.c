/* The minidriver's entry: registers the adapter with the stream class. */
#include <ntddk.h>
#include <strmini.h>

VOID DovraCamAdapterReceivePacket(PHW_STREAM_REQUEST_BLOCK srb);
VOID DovraCamCancelPacket(PHW_STREAM_REQUEST_BLOCK srb);
VOID DovraCamRequestTimeout(PHW_STREAM_REQUEST_BLOCK srb);
ULONG DovraCamDeviceExtensionSize(void);
ULONG DovraCamStreamExtensionSize(void);
ULONG DovraCamRequestExtensionSize(void);
void DovraCamDriverLoaded(void);

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    HW_INITIALIZATION_DATA init;
    RtlZeroMemory(&init, sizeof init);
    init.HwInitializationDataSize = sizeof init;
    init.HwReceivePacket = DovraCamAdapterReceivePacket;
    init.HwCancelPacket = DovraCamCancelPacket;
    init.HwRequestTimeoutHandler = DovraCamRequestTimeout;
    init.DeviceExtensionSize = DovraCamDeviceExtensionSize();
    init.PerRequestExtensionSize = DovraCamRequestExtensionSize();
    init.PerStreamExtensionSize = DovraCamStreamExtensionSize();
    init.FilterInstanceExtensionSize = 0;
    init.BusMasterDMA = FALSE;
    init.Dma24BitAddresses = FALSE;
    init.BufferAlignment = 3;
    /* Requests arrive at PASSIVE_LEVEL and may overlap: the driver locks itself. */
    init.TurnOffSynchronization = TRUE;
    init.DmaBufferSize = 0;
    DovraCamDriverLoaded();
    return StreamClassRegisterAdapter(driver, registryPath, &init);
}

/* Abstract C++ classes name this in their tables; it is never reached. */
void __cxa_pure_virtual(void) { KeBugCheckEx(0xDC, 0, 0, 0, 0); }

/* USB stack records (URBs, interface and pipe information) as the 64-bit
 * kernel lays them out; see StreamClass.h for why they are our own. */
#ifndef STREAMCLASS_USBSTACK_H
#define STREAMCLASS_USBSTACK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kUrbFunctionSelectConfiguration = 0x0000,
    kUrbFunctionSelectInterface = 0x0001,
    kUrbFunctionAbortPipe = 0x0002,
    kUrbFunctionBulkOrInterruptTransfer = 0x0009,
    kUrbFunctionGetDescriptorFromDevice = 0x000B,
    kUrbFunctionVendorDevice = 0x0017,
    kUrbFunctionResetPipe = 0x001E
};

enum { kUsbdTransferDirectionIn = 1, kUsbdShortTransferOk = 2 };

enum { kUsbPipeControl = 0, kUsbPipeIsochronous = 1, kUsbPipeBulk = 2, kUsbPipeInterrupt = 3 };

/* IOCTL_INTERNAL_USB_SUBMIT_URB */
enum { kIoctlInternalUsbSubmitUrb = 0x00220003 };

typedef struct UsbUrbHeader { /* _URB_HEADER */
    uint16_t Length;
    uint16_t Function;
    int32_t Status; /* USBD_STATUS */
    void* UsbdDeviceHandle;
    uint32_t UsbdFlags;
} UsbUrbHeader;

typedef struct UsbHcdArea {
    void* Reserved8[8];
} UsbHcdArea;

typedef struct UsbVendorRequestUrb { /* _URB_CONTROL_VENDOR_OR_CLASS_REQUEST */
    UsbUrbHeader Hdr;
    void* Reserved;
    uint32_t TransferFlags;
    uint32_t TransferBufferLength;
    void* TransferBuffer;
    void* TransferBufferMDL;
    void* UrbLink;
    UsbHcdArea hca;
    uint8_t RequestTypeReservedBits;
    uint8_t Request;
    uint16_t Value;
    uint16_t Index;
    uint16_t Reserved1;
} UsbVendorRequestUrb;

typedef struct UsbBulkTransferUrb { /* _URB_BULK_OR_INTERRUPT_TRANSFER */
    UsbUrbHeader Hdr;
    void* PipeHandle;
    uint32_t TransferFlags;
    uint32_t TransferBufferLength;
    void* TransferBuffer;
    void* TransferBufferMDL;
    void* UrbLink;
    UsbHcdArea hca;
} UsbBulkTransferUrb;

typedef struct UsbPipeRequestUrb { /* _URB_PIPE_REQUEST: abort or reset a pipe */
    UsbUrbHeader Hdr;
    void* PipeHandle;
    uint32_t Reserved;
} UsbPipeRequestUrb;

typedef struct UsbPipeInformation { /* USBD_PIPE_INFORMATION */
    uint16_t MaximumPacketSize;
    uint8_t EndpointAddress;
    uint8_t Interval;
    int32_t PipeType;
    void* PipeHandle;
    uint32_t MaximumTransferSize;
    uint32_t PipeFlags;
} UsbPipeInformation;

typedef struct UsbInterfaceInformation { /* USBD_INTERFACE_INFORMATION */
    uint16_t Length;
    uint8_t InterfaceNumber;
    uint8_t AlternateSetting;
    uint8_t Class;
    uint8_t SubClass;
    uint8_t Protocol;
    uint8_t Reserved;
    void* InterfaceHandle;
    uint32_t NumberOfPipes;
    UsbPipeInformation Pipes[1];
} UsbInterfaceInformation;

typedef struct UsbSelectInterfaceUrb { /* _URB_SELECT_INTERFACE, the interface's pipes behind it */
    UsbUrbHeader Hdr;
    void* ConfigurationHandle;
    UsbInterfaceInformation Interface;
} UsbSelectInterfaceUrb;

#ifdef __cplusplus
}
#endif

#endif

/* Builds only if the records of the host-buildable layer lie exactly as the
 * DDK lays out the kernel's own. */
#include <stddef.h>

#include <ntddk.h>
#include <strmini.h>
#include <ksmedia.h>
#include <usb.h>
#include <usbioctl.h>

#include <streamclass/StreamClass.h>
#include <streamclass/UsbStack.h>

#define SAME_SIZE(ours, theirs) _Static_assert(sizeof(ours) == sizeof(theirs), #ours " size")
#define SAME_AT(ours, theirs, field) _Static_assert(offsetof(ours, field) == offsetof(theirs, field), #ours "." #field)
#define SAME_AT2(ours, theirs, ourField, theirField) \
    _Static_assert(offsetof(ours, ourField) == offsetof(theirs, theirField), #ours "." #ourField)

SAME_SIZE(ScGuid, GUID);
SAME_SIZE(KsProperty, KSPROPERTY);
SAME_SIZE(KsDataFormat, KSDATAFORMAT);
SAME_AT(KsDataFormat, KSDATAFORMAT, SampleSize);
SAME_AT(KsDataFormat, KSDATAFORMAT, Specifier);
SAME_SIZE(KsBitmapInfoHeader, KS_BITMAPINFOHEADER);
SAME_SIZE(KsVideoInfoHeader, KS_VIDEOINFOHEADER);
SAME_AT(KsVideoInfoHeader, KS_VIDEOINFOHEADER, AvgTimePerFrame);
SAME_AT(KsVideoInfoHeader, KS_VIDEOINFOHEADER, bmiHeader);
SAME_SIZE(KsVideoStreamConfigCaps, KS_VIDEO_STREAM_CONFIG_CAPS);
SAME_AT(KsVideoStreamConfigCaps, KS_VIDEO_STREAM_CONFIG_CAPS, MinOutputSize);
SAME_AT(KsVideoStreamConfigCaps, KS_VIDEO_STREAM_CONFIG_CAPS, MinFrameInterval);
SAME_AT(KsVideoStreamConfigCaps, KS_VIDEO_STREAM_CONFIG_CAPS, MaxBitsPerSecond);
SAME_SIZE(KsDataRangeVideo, KS_DATARANGE_VIDEO);
SAME_AT(KsDataRangeVideo, KS_DATARANGE_VIDEO, StreamDescriptionFlags);
SAME_AT(KsDataRangeVideo, KS_DATARANGE_VIDEO, ConfigCaps);
SAME_AT(KsDataRangeVideo, KS_DATARANGE_VIDEO, VideoInfoHeader);
SAME_SIZE(KsDataFormatVideoInfo, KS_DATAFORMAT_VIDEOINFOHEADER);
SAME_SIZE(KsStreamHeader, KSSTREAM_HEADER);
SAME_AT(KsStreamHeader, KSSTREAM_HEADER, Duration);
SAME_AT(KsStreamHeader, KSSTREAM_HEADER, Data);
SAME_AT(KsStreamHeader, KSSTREAM_HEADER, OptionsFlags);
SAME_SIZE(KsFrameInfo, KS_FRAME_INFO);
SAME_AT(KsFrameInfo, KS_FRAME_INFO, DropCount);
SAME_SIZE(KsPropertySteppingLong, KSPROPERTY_STEPPING_LONG);
SAME_SIZE(KsPropertyMembersList, KSPROPERTY_MEMBERSLIST);
SAME_SIZE(KsPropertyValues, KSPROPERTY_VALUES);
SAME_SIZE(KsPropertyItem, KSPROPERTY_ITEM);
SAME_AT(KsPropertyItem, KSPROPERTY_ITEM, MinData);
SAME_AT(KsPropertyItem, KSPROPERTY_ITEM, Values);
SAME_AT(KsPropertyItem, KSPROPERTY_ITEM, SerializedSize);
SAME_SIZE(KsPropertySet, KSPROPERTY_SET);
SAME_SIZE(KsEventItem, KSEVENT_ITEM);
SAME_AT(KsEventItem, KSEVENT_ITEM, AddHandler);
SAME_SIZE(KsEventSet, KSEVENT_SET);
SAME_AT(KsEventSet, KSEVENT_SET, EventItem);
_Static_assert(kKsEventDataSize == sizeof(KSEVENTDATA), "event data");
SAME_SIZE(ScEventDescriptor, HW_EVENT_DESCRIPTOR);
SAME_AT(ScEventDescriptor, HW_EVENT_DESCRIPTOR, DeviceExtension);
SAME_AT(ScEventDescriptor, HW_EVENT_DESCRIPTOR, EnableEventSetIndex);
SAME_AT(KsPropertySet, KSPROPERTY_SET, PropertyItem);
SAME_SIZE(KsVideoProcAmpS, KSPROPERTY_VIDEOPROCAMP_S);
SAME_AT(KsVideoProcAmpS, KSPROPERTY_VIDEOPROCAMP_S, Capabilities);
SAME_SIZE(KsVideoControlCapsS, KSPROPERTY_VIDEOCONTROL_CAPS_S);
SAME_SIZE(KsVideoControlModeS, KSPROPERTY_VIDEOCONTROL_MODE_S);
SAME_SIZE(KsVideoControlActualFrameRateS, KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S);
SAME_AT(KsVideoControlActualFrameRateS, KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S, CurrentMaxAvailableFrameRate);
SAME_SIZE(KsVideoControlFrameRatesS, KSPROPERTY_VIDEOCONTROL_FRAME_RATES_S);
SAME_SIZE(KsMultipleItem, KSMULTIPLE_ITEM);
SAME_SIZE(KsAllocatorFraming, KSALLOCATOR_FRAMING);
SAME_SIZE(KsDroppedFramesS, KSPROPERTY_DROPPEDFRAMES_CURRENT_S);
SAME_AT(KsDroppedFramesS, KSPROPERTY_DROPPEDFRAMES_CURRENT_S, AverageFrameSize);

SAME_SIZE(ScStreamObject, HW_STREAM_OBJECT);
SAME_AT(ScStreamObject, HW_STREAM_OBJECT, HwStreamExtension);
SAME_AT(ScStreamObject, HW_STREAM_OBJECT, ReceiveControlPacket);
SAME_AT(ScStreamObject, HW_STREAM_OBJECT, Pio);
SAME_AT(ScStreamObject, HW_STREAM_OBJECT, StreamHeaderMediaSpecific);
SAME_SIZE(ScStreamHeader, HW_STREAM_HEADER);
SAME_AT(ScStreamHeader, HW_STREAM_HEADER, DevicePropertiesArray);
SAME_AT(ScStreamHeader, HW_STREAM_HEADER, DeviceEventsArray);
SAME_AT(ScStreamHeader, HW_STREAM_HEADER, DeviceEventRoutine);
SAME_SIZE(ScStreamInformation, HW_STREAM_INFORMATION);
SAME_AT(ScStreamInformation, HW_STREAM_INFORMATION, StreamFormatsArray);
SAME_AT(ScStreamInformation, HW_STREAM_INFORMATION, StreamPropertiesArray);
SAME_AT(ScStreamInformation, HW_STREAM_INFORMATION, Name);
SAME_SIZE(ScStreamDescriptor, HW_STREAM_DESCRIPTOR);
SAME_SIZE(ScDataIntersectInfo, STREAM_DATA_INTERSECT_INFO);
SAME_AT(ScDataIntersectInfo, STREAM_DATA_INTERSECT_INFO, SizeOfDataFormatBuffer);
SAME_SIZE(ScPropertyDescriptor, STREAM_PROPERTY_DESCRIPTOR);
SAME_AT(ScPropertyDescriptor, STREAM_PROPERTY_DESCRIPTOR, PropertyOutputSize);
SAME_SIZE(ScPortConfiguration, PORT_CONFIGURATION_INFORMATION);
SAME_AT(ScPortConfiguration, PORT_CONFIGURATION_INFORMATION, PhysicalDeviceObject);
SAME_AT(ScPortConfiguration, PORT_CONFIGURATION_INFORMATION, RealPhysicalDeviceObject);
SAME_SIZE(ScRequestBlock, HW_STREAM_REQUEST_BLOCK);
SAME_AT(ScRequestBlock, HW_STREAM_REQUEST_BLOCK, Status);
SAME_AT(ScRequestBlock, HW_STREAM_REQUEST_BLOCK, SRBExtension);
SAME_AT(ScRequestBlock, HW_STREAM_REQUEST_BLOCK, CommandData);
SAME_AT(ScRequestBlock, HW_STREAM_REQUEST_BLOCK, NumberOfBuffers);
SAME_AT(ScRequestBlock, HW_STREAM_REQUEST_BLOCK, TimeoutOriginal);
SAME_AT(ScRequestBlock, HW_STREAM_REQUEST_BLOCK, Flags);
SAME_AT2(ScRequestBlock, HW_STREAM_REQUEST_BLOCK, ActualBytesTransferred, ActualBytesTransferred);
_Static_assert(sizeof(((ScRequestBlock*)0)->CommandData) == sizeof(((HW_STREAM_REQUEST_BLOCK*)0)->CommandData),
               "CommandData");

SAME_SIZE(UsbUrbHeader, struct _URB_HEADER);
SAME_SIZE(UsbVendorRequestUrb, struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST);
SAME_AT(UsbVendorRequestUrb, struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST, TransferBufferLength);
SAME_AT(UsbVendorRequestUrb, struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST, Request);
SAME_AT(UsbVendorRequestUrb, struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST, Index);
SAME_SIZE(UsbBulkTransferUrb, struct _URB_BULK_OR_INTERRUPT_TRANSFER);
SAME_AT(UsbBulkTransferUrb, struct _URB_BULK_OR_INTERRUPT_TRANSFER, TransferBuffer);
SAME_SIZE(UsbPipeRequestUrb, struct _URB_PIPE_REQUEST);
SAME_AT(UsbPipeRequestUrb, struct _URB_PIPE_REQUEST, PipeHandle);
_Static_assert(kUrbFunctionAbortPipe == URB_FUNCTION_ABORT_PIPE, "URB_FUNCTION_ABORT_PIPE");
_Static_assert(kUrbFunctionResetPipe == URB_FUNCTION_RESET_PIPE, "URB_FUNCTION_RESET_PIPE");
_Static_assert(kUrbFunctionBulkOrInterruptTransfer == URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER, "bulk");
SAME_SIZE(UsbPipeInformation, USBD_PIPE_INFORMATION);
SAME_AT(UsbPipeInformation, USBD_PIPE_INFORMATION, MaximumTransferSize);
SAME_SIZE(UsbInterfaceInformation, USBD_INTERFACE_INFORMATION);
SAME_AT(UsbInterfaceInformation, USBD_INTERFACE_INFORMATION, NumberOfPipes);
SAME_AT(UsbInterfaceInformation, USBD_INTERFACE_INFORMATION, Pipes);
SAME_SIZE(UsbSelectInterfaceUrb, struct _URB_SELECT_INTERFACE);
SAME_AT(UsbSelectInterfaceUrb, struct _URB_SELECT_INTERFACE, ConfigurationHandle);
SAME_AT(UsbSelectInterfaceUrb, struct _URB_SELECT_INTERFACE, Interface);
_Static_assert(kUrbFunctionSelectInterface == URB_FUNCTION_SELECT_INTERFACE, "URB_FUNCTION_SELECT_INTERFACE");

_Static_assert(kStatusNoMatch == STATUS_NO_MATCH, "STATUS_NO_MATCH");
_Static_assert(kStatusNoDataDetected == STATUS_NO_DATA_DETECTED, "STATUS_NO_DATA_DETECTED");
_Static_assert(kStatusBufferOverflow == STATUS_BUFFER_OVERFLOW, "STATUS_BUFFER_OVERFLOW");
_Static_assert(kStatusBufferTooSmall == STATUS_BUFFER_TOO_SMALL, "STATUS_BUFFER_TOO_SMALL");
_Static_assert(kStatusInvalidParameter == STATUS_INVALID_PARAMETER, "STATUS_INVALID_PARAMETER");
_Static_assert(kStatusInsufficientResources == STATUS_INSUFFICIENT_RESOURCES, "STATUS_INSUFFICIENT_RESOURCES");
_Static_assert(kStatusDeviceDataError == STATUS_DEVICE_DATA_ERROR, "STATUS_DEVICE_DATA_ERROR");
_Static_assert(kStatusNotSupported == STATUS_NOT_SUPPORTED, "STATUS_NOT_SUPPORTED");
_Static_assert(kStatusNotImplemented == STATUS_NOT_IMPLEMENTED, "STATUS_NOT_IMPLEMENTED");
_Static_assert(kStatusCancelled == STATUS_CANCELLED, "STATUS_CANCELLED");
_Static_assert(kStatusFileClosed == STATUS_FILE_CLOSED, "STATUS_FILE_CLOSED");
_Static_assert(kStatusUnsuccessful == STATUS_UNSUCCESSFUL, "STATUS_UNSUCCESSFUL");
_Static_assert(kStatusPending == STATUS_PENDING, "STATUS_PENDING");
_Static_assert(kStatusTimeout == STATUS_TIMEOUT, "STATUS_TIMEOUT");
_Static_assert(kStatusMoreProcessingRequired == STATUS_MORE_PROCESSING_REQUIRED, "STATUS_MORE_PROCESSING_REQUIRED");
_Static_assert(kIoctlInternalUsbSubmitUrb == IOCTL_INTERNAL_USB_SUBMIT_URB, "IOCTL_INTERNAL_USB_SUBMIT_URB");
_Static_assert(kUrbFunctionVendorDevice == URB_FUNCTION_VENDOR_DEVICE, "URB_FUNCTION_VENDOR_DEVICE");
_Static_assert((int)kSrbSurpriseRemoval == (int)SRB_SURPRISE_REMOVAL, "SRB_SURPRISE_REMOVAL");
_Static_assert((int)kSrbGetDataFormat == (int)SRB_GET_DATA_FORMAT, "SRB_GET_DATA_FORMAT");

/* The stream class and kernel-streaming records a video-capture minidriver
 * exchanges with STREAM.SYS, laid out as the 64-bit kernel has them. The DDK
 * headers only compile as C for the Windows target; the minidriver's logic
 * also builds as a host library, so it uses these. The kernel build checks
 * every layout here against the DDK's own. C-compatible on purpose. */
#ifndef STREAMCLASS_STREAMCLASS_H
#define STREAMCLASS_STREAMCLASS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t ScStatus; /* NTSTATUS */

enum {
    kStatusSuccess = 0,
    kStatusPending = 0x00000103,
    kStatusBufferOverflow = (int32_t)0x80000005,
    kStatusNoDataDetected = (int32_t)0x80000022,
    kStatusUnsuccessful = (int32_t)0xC0000001,
    kStatusNotImplemented = (int32_t)0xC0000002,
    kStatusInvalidParameter = (int32_t)0xC000000D,
    kStatusMoreProcessingRequired = (int32_t)0xC0000016,
    kStatusBufferTooSmall = (int32_t)0xC0000023,
    kStatusInsufficientResources = (int32_t)0xC000009A,
    kStatusDeviceDataError = (int32_t)0xC000009C,
    kStatusNotSupported = (int32_t)0xC00000BB,
    kStatusCancelled = (int32_t)0xC0000120,
    kStatusFileClosed = (int32_t)0xC0000128,
    /* STATUS_NO_MATCH: the DDK's value, not the 0xC0000225 of STATUS_NOT_FOUND */
    kStatusNoMatch = (int32_t)0xC0000272,
    kStatusTimeout = 0x00000102
};

typedef struct ScGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} ScGuid;

/* ---- kernel streaming ---- */

typedef struct KsProperty { /* KSPROPERTY */
    ScGuid Set;
    uint32_t Id;
    uint32_t Flags;
} __attribute__((aligned(8))) KsProperty;

enum { kKsPropertyGet = 1, kKsPropertySet = 2, kKsPropertyBasicSupport = 0x200 };

typedef struct KsDataFormat { /* KSDATAFORMAT, KSDATARANGE */
    uint32_t FormatSize;
    uint32_t Flags;
    uint32_t SampleSize;
    uint32_t Reserved;
    ScGuid MajorFormat;
    ScGuid SubFormat;
    ScGuid Specifier;
} __attribute__((aligned(8))) KsDataFormat;

typedef struct ScRect {
    int32_t left, top, right, bottom;
} ScRect;
typedef struct ScSize {
    int32_t cx, cy;
} ScSize;

typedef struct KsBitmapInfoHeader { /* KS_BITMAPINFOHEADER */
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} KsBitmapInfoHeader;

typedef struct KsVideoInfoHeader { /* KS_VIDEOINFOHEADER */
    ScRect rcSource;
    ScRect rcTarget;
    uint32_t dwBitRate;
    uint32_t dwBitErrorRate;
    int64_t AvgTimePerFrame;
    KsBitmapInfoHeader bmiHeader;
} KsVideoInfoHeader;

typedef struct KsVideoStreamConfigCaps { /* KS_VIDEO_STREAM_CONFIG_CAPS */
    ScGuid guid;
    uint32_t VideoStandard;
    ScSize InputSize;
    ScSize MinCroppingSize;
    ScSize MaxCroppingSize;
    int32_t CropGranularityX, CropGranularityY, CropAlignX, CropAlignY;
    ScSize MinOutputSize;
    ScSize MaxOutputSize;
    int32_t OutputGranularityX, OutputGranularityY;
    int32_t StretchTapsX, StretchTapsY, ShrinkTapsX, ShrinkTapsY;
    int64_t MinFrameInterval;
    int64_t MaxFrameInterval;
    int32_t MinBitsPerSecond;
    int32_t MaxBitsPerSecond;
} KsVideoStreamConfigCaps;

typedef struct KsDataRangeVideo { /* KS_DATARANGE_VIDEO */
    KsDataFormat DataRange;
    int32_t bFixedSizeSamples;
    int32_t bTemporalCompression;
    uint32_t StreamDescriptionFlags;
    uint32_t MemoryAllocationFlags;
    KsVideoStreamConfigCaps ConfigCaps;
    KsVideoInfoHeader VideoInfoHeader;
} KsDataRangeVideo;

typedef struct KsDataFormatVideoInfo { /* KS_DATAFORMAT_VIDEOINFOHEADER */
    KsDataFormat DataFormat;
    KsVideoInfoHeader VideoInfoHeader;
} KsDataFormatVideoInfo;

typedef struct KsTime {
    int64_t Time;
    uint32_t Numerator;
    uint32_t Denominator;
} KsTime;

typedef struct KsStreamHeader { /* KSSTREAM_HEADER (64-bit) */
    uint32_t Size;
    uint32_t TypeSpecificFlags;
    KsTime PresentationTime;
    int64_t Duration;
    uint32_t FrameExtent;
    uint32_t DataUsed;
    void* Data;
    uint32_t OptionsFlags;
    uint32_t Reserved;
} KsStreamHeader;

enum { kKsStreamHeaderSplicePoint = 0x1, kKsStreamHeaderTimeValid = 0x10, kKsStreamHeaderDurationValid = 0x100 };

typedef struct KsFrameInfo { /* KS_FRAME_INFO */
    uint32_t ExtendedHeaderSize;
    uint32_t dwFrameFlags;
    int64_t PictureNumber;
    int64_t DropCount;
    void* hDirectDraw;
    void* hSurfaceHandle;
    ScRect DirectDrawRect;
    uint32_t Reserved1, Reserved2, Reserved3, Reserved4;
} KsFrameInfo;

typedef struct KsPropertyBounds {
    int32_t SignedMinimum, SignedMaximum;
} KsPropertyBounds;
typedef struct KsPropertySteppingLong { /* KSPROPERTY_STEPPING_LONG */
    uint32_t SteppingDelta;
    uint32_t Reserved;
    KsPropertyBounds Bounds;
} KsPropertySteppingLong;
typedef struct KsPropertyMembersHeader {
    uint32_t MembersFlags, MembersSize, MembersCount, Flags;
} KsPropertyMembersHeader;
typedef struct KsPropertyMembersList {
    KsPropertyMembersHeader MembersHeader;
    const void* Members;
} KsPropertyMembersList;
typedef struct KsPropertyValues { /* KSPROPERTY_VALUES */
    KsProperty PropTypeSet;
    uint32_t MembersListCount;
    const KsPropertyMembersList* MembersList;
} KsPropertyValues;

enum { kKsPropertyMemberSteppedRanges = 2, kKsPropertyMemberValues = 3, kKsPropertyMemberFlagDefault = 1 };

typedef struct KsPropertyItem { /* KSPROPERTY_ITEM */
    uint32_t PropertyId;
    uintptr_t GetPropertyHandler; /* handler, or 1 = supported (BOOLEAN) */
    uint32_t MinProperty;
    uint32_t MinData;
    uintptr_t SetPropertyHandler;
    const KsPropertyValues* Values;
    uint32_t RelationsCount;
    const KsProperty* Relations;
    uintptr_t SupportHandler;
    uint32_t SerializedSize;
} KsPropertyItem;

typedef struct KsPropertySet { /* KSPROPERTY_SET */
    const ScGuid* Set;
    uint32_t PropertiesCount;
    const KsPropertyItem* PropertyItem;
    uint32_t FastIoCount;
    const void* FastIoTable;
} KsPropertySet;

typedef struct KsVideoProcAmpS { /* KSPROPERTY_VIDEOPROCAMP_S */
    KsProperty Property;
    int32_t Value;
    uint32_t Flags;
    uint32_t Capabilities;
} KsVideoProcAmpS;

typedef struct KsVideoControlCapsS { /* KSPROPERTY_VIDEOCONTROL_CAPS_S */
    KsProperty Property;
    uint32_t StreamIndex;
    uint32_t VideoControlCaps;
} KsVideoControlCapsS;

typedef struct KsVideoControlModeS { /* KSPROPERTY_VIDEOCONTROL_MODE_S */
    KsProperty Property;
    uint32_t StreamIndex;
    int32_t Mode;
} KsVideoControlModeS;

typedef struct KsVideoControlActualFrameRateS { /* KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S */
    KsProperty Property;
    uint32_t StreamIndex;
    uint32_t RangeIndex;
    ScSize Dimensions;
    int64_t CurrentActualFrameRate;
    int64_t CurrentMaxAvailableFrameRate;
} KsVideoControlActualFrameRateS;

typedef struct KsVideoControlFrameRatesS { /* KSPROPERTY_VIDEOCONTROL_FRAME_RATES_S */
    KsProperty Property;
    uint32_t StreamIndex;
    uint32_t RangeIndex;
    ScSize Dimensions;
} KsVideoControlFrameRatesS;

typedef struct KsMultipleItem {
    uint32_t Size;
    uint32_t Count;
} KsMultipleItem;

typedef struct KsAllocatorFraming { /* KSALLOCATOR_FRAMING */
    uint32_t RequirementsFlags;
    uint32_t PoolType;
    uint32_t Frames;
    uint32_t FrameSize;
    uint32_t FileAlignment;
    uint32_t Reserved;
} KsAllocatorFraming;

typedef struct KsDroppedFramesS { /* KSPROPERTY_DROPPEDFRAMES_CURRENT_S */
    KsProperty Property;
    int64_t PictureNumber;
    int64_t DropCount;
    uint32_t AverageFrameSize;
} KsDroppedFramesS;

enum KsState { kKsStateStop = 0, kKsStateAcquire = 1, kKsStatePause = 2, kKsStateRun = 3 };

/* ---- stream class ---- */

struct ScRequestBlock;
typedef void (*ScReceivePacket)(struct ScRequestBlock* srb);

typedef struct ScClockObject {
    void* HwClockFunction;
    uint32_t ClockSupportFlags;
    uint32_t Reserved[2];
} ScClockObject;

typedef struct ScStreamObject { /* HW_STREAM_OBJECT */
    uint32_t SizeOfThisPacket;
    uint32_t StreamNumber;
    void* HwStreamExtension;
    ScReceivePacket ReceiveDataPacket;
    ScReceivePacket ReceiveControlPacket;
    ScClockObject HwClockObject;
    uint8_t Dma;
    uint8_t Pio;
    void* HwDeviceExtension;
    uint32_t StreamHeaderMediaSpecific;
    uint32_t StreamHeaderWorkspace;
    uint8_t Allocator;
    void* HwEventRoutine;
    uint32_t Reserved[2];
} ScStreamObject;

typedef struct KsEventItem { /* KSEVENT_ITEM */
    uint32_t EventId;
    uint32_t DataInput;
    uint32_t ExtraEntryData;
    void* AddHandler;
    void* RemoveHandler;
    void* SupportHandler;
} KsEventItem;

typedef struct KsEventSet { /* KSEVENT_SET */
    const ScGuid* Set;
    uint32_t EventsCount;
    const KsEventItem* EventItem;
} KsEventSet;

enum { kKsEventDataSize = 32 }; /* sizeof(KSEVENTDATA) */

typedef struct ScEventDescriptor { /* HW_EVENT_DESCRIPTOR */
    uint8_t Enable;
    void* EventEntry;
    void* EventData;
    void* DeviceExtension; /* or the stream object, for stream events */
    uint32_t EnableEventSetIndex;
    void* HwInstanceExtension;
    uint32_t Reserved;
} ScEventDescriptor;

typedef ScStatus (*ScEventRoutine)(ScEventDescriptor* descriptor);

typedef struct ScStreamHeader { /* HW_STREAM_HEADER */
    uint32_t NumberOfStreams;
    uint32_t SizeOfHwStreamInformation;
    uint32_t NumDevPropArrayEntries;
    const KsPropertySet* DevicePropertiesArray;
    uint32_t NumDevEventArrayEntries;
    const void* DeviceEventsArray;
    const void* Topology;
    void* DeviceEventRoutine;
    int32_t NumDevMethodArrayEntries;
    const void* DeviceMethodsArray;
} ScStreamHeader;

typedef struct ScStreamInformation { /* HW_STREAM_INFORMATION */
    uint32_t NumberOfPossibleInstances;
    int32_t DataFlow; /* KSPIN_DATAFLOW: 2 = out */
    uint8_t DataAccessible;
    uint32_t NumberOfFormatArrayEntries;
    KsDataFormat** StreamFormatsArray;
    void* ClassReserved[4];
    uint32_t NumStreamPropArrayEntries;
    const KsPropertySet* StreamPropertiesArray;
    uint32_t NumStreamEventArrayEntries;
    const void* StreamEventsArray;
    const ScGuid* Category;
    const ScGuid* Name;
    uint32_t MediumsCount;
    const void* Mediums;
    uint8_t BridgeStream;
    uint32_t Reserved[2];
} ScStreamInformation;

typedef struct ScStreamDescriptor { /* HW_STREAM_DESCRIPTOR */
    ScStreamHeader StreamHeader;
    ScStreamInformation StreamInfo; /* first of NumberOfStreams */
} ScStreamDescriptor;

typedef struct ScDataIntersectInfo { /* STREAM_DATA_INTERSECT_INFO */
    uint32_t StreamNumber;
    KsDataFormat* DataRange;
    void* DataFormatBuffer;
    uint32_t SizeOfDataFormatBuffer;
} ScDataIntersectInfo;

typedef struct ScPropertyDescriptor { /* STREAM_PROPERTY_DESCRIPTOR */
    KsProperty* Property;
    uint32_t PropertySetID;
    void* PropertyInfo;
    uint32_t PropertyInputSize;
    uint32_t PropertyOutputSize;
} ScPropertyDescriptor;

typedef struct ScPortConfiguration { /* PORT_CONFIGURATION_INFORMATION */
    uint32_t SizeOfThisPacket;
    void* HwDeviceExtension;
    void* ClassDeviceObject;
    void* PhysicalDeviceObject;
    uint32_t SystemIoBusNumber;
    int32_t AdapterInterfaceType;
    uint32_t BusInterruptLevel;
    uint32_t BusInterruptVector;
    int32_t InterruptMode;
    uint32_t DmaChannel;
    uint32_t NumberOfAccessRanges;
    void* AccessRanges;
    uint32_t StreamDescriptorSize;
    void* Irp;
    void* InterruptObject;
    void* DmaAdapterObject;
    void* RealPhysicalDeviceObject;
    uint32_t Reserved[1];
} ScPortConfiguration;

typedef struct ScRequestBlock { /* HW_STREAM_REQUEST_BLOCK */
    uint32_t SizeOfThisPacket;
    int32_t Command;
    ScStatus Status;
    ScStreamObject* StreamObject;
    void* HwDeviceExtension;
    void* SRBExtension;
    union {
        KsStreamHeader* DataBufferArray;
        ScStreamDescriptor* StreamBuffer;
        int32_t StreamState;
        ScPropertyDescriptor* PropertyInfo;
        KsDataFormat* OpenFormat;
        ScPortConfiguration* ConfigInfo;
        void* MasterClockHandle;
        int32_t DeviceState;
        ScDataIntersectInfo* IntersectInfo;
        void* MethodInfo;
    } CommandData;
    uint32_t NumberOfBuffers;
    uint32_t TimeoutCounter;
    uint32_t TimeoutOriginal;
    struct ScRequestBlock* NextSRB;
    void* Irp;
    uint32_t Flags;
    void* HwInstanceExtension;
    uint32_t ActualBytesTransferred; /* also NumberOfBytesToTransfer */
    void* ScatterGatherBuffer;
    uint32_t NumberOfPhysicalPages;
    uint32_t NumberOfScatterGatherElements;
    uint32_t Reserved[1];
} ScRequestBlock;

enum ScCommand {
    kSrbReadData = 0,
    kSrbWriteData = 1,
    kSrbGetStreamState = 2,
    kSrbSetStreamState = 3,
    kSrbSetStreamProperty = 4,
    kSrbGetStreamProperty = 5,
    kSrbIndicateMasterClock = 7,
    kSrbProposeDataFormat = 10,
    kSrbSetDataFormat = 13,
    kSrbGetDataFormat = 14,
    kSrbGetStreamInfo = 0x100,
    kSrbOpenStream = 0x101,
    kSrbCloseStream = 0x102,
    kSrbGetDeviceProperty = 0x105,
    kSrbSetDeviceProperty = 0x106,
    kSrbInitializeDevice = 0x107,
    kSrbChangePowerState = 0x108,
    kSrbUninitializeDevice = 0x109,
    kSrbUnknownDeviceCommand = 0x10A,
    kSrbPagingOutDriver = 0x10B,
    kSrbGetDataIntersection = 0x10C,
    kSrbInitializationComplete = 0x10D,
    kSrbSurpriseRemoval = 0x10E
};

#ifdef __cplusplus
}
#endif

#endif

#include "StreamClassLayer.h"

#include "Bytes.h"
#include "BulkStream.h"
#include "KsGuids.h"
#include "TransportInterface.h"

namespace dovracam {

namespace {

constexpr uint32_t kSrbStreamRequest = 0x2;  // SRB_HW_FLAGS_STREAM_REQUEST
constexpr uint32_t kVideoReadTimeoutSeconds = 9;
constexpr uint32_t kStillReadTimeoutSeconds = 4100;
constexpr uint32_t kFrameInfoSize = sizeof(KsFrameInfo);
constexpr int64_t kConfigWait = 30 * 10000000LL;  // start and stop talk to the camera
constexpr uint32_t kConnectionAllocatorFraming = 3;
constexpr uint32_t kDroppedFramesCurrent = 0;
constexpr uint32_t kFramingRequirements = 0x80000003;
constexpr int kDevicePowerD0 = 1;
constexpr int kDevicePowerD3 = 4;

// ---- stream property declarations ----

constexpr KsPropertyItem kConnectionItems[] = {
    {kConnectionAllocatorFraming, 1, sizeof(KsProperty), sizeof(KsAllocatorFraming), 0, nullptr, 0, nullptr, 0, 0}};
constexpr KsPropertyItem kDroppedFramesItems[] = {
    {kDroppedFramesCurrent, 1, sizeof(KsProperty), sizeof(KsDroppedFramesS), 0, nullptr, 0, nullptr, 0, 0}};
constexpr KsPropertySet kStreamSets[kStreamPropertySetCount] = {
    {&kPropSetConnection, 1, kConnectionItems, 0, nullptr},
    {&kPropSetDroppedFrames, 1, kDroppedFramesItems, 0, nullptr}};

// ---- request queues ----

void InitQueue(RequestQueue& q) { q.head.next = q.head.prev = &q.head; }
bool Empty(const RequestQueue& q) { return q.head.next == &q.head; }

RequestLink& LinkOf(ScRequestBlock& srb) { return *static_cast<RequestLink*>(srb.SRBExtension); }

void Append(RequestQueue& q, ScRequestBlock& srb)
{
    RequestLink& link = LinkOf(srb);
    link.srb = &srb;
    link.prev = q.head.prev;
    link.next = &q.head;
    q.head.prev->next = &link;
    q.head.prev = &link;
}

void Unlink(RequestLink& link)
{
    link.prev->next = link.next;
    link.next->prev = link.prev;
    link.next = link.prev = nullptr;
}

ScRequestBlock* TakeFirst(RequestQueue& q)
{
    if (Empty(q)) return nullptr;
    RequestLink* link = q.head.next;
    Unlink(*link);
    return link->srb;
}

bool Queued(const RequestLink& link) { return link.next != nullptr; }

// ---- helpers ----

StreamExtension& StreamOf(const ScRequestBlock& srb)
{
    return *static_cast<StreamExtension*>(srb.StreamObject->HwStreamExtension);
}

bool ConfigLock(ClassContext& cc) { return ksv_semaphore_wait(cc.configLock, kConfigWait); }
void ConfigUnlock(ClassContext& cc) { ksv_semaphore_release(cc.configLock); }

void CompleteStream(ScRequestBlock& srb, ScStatus status)
{
    srb.Status = status;
    ksv_stream_request_complete(&srb);
}

// Stamps and completes a read; frameNumber is the stream's count of received
// frames when this one arrived (0 for a request that got no frame).
void CompleteRead(StreamExtension& s, ScRequestBlock& srb, ScStatus status, uint32_t used, int64_t frameNumber)
{
    KsStreamHeader& header = *srb.CommandData.DataBufferArray;
    header.DataUsed = used;
    header.PresentationTime.Numerator = header.PresentationTime.Denominator = 1;
    header.Duration = s.format.VideoInfoHeader.AvgTimePerFrame;
    const bool timed = s.masterClock && s.number == 0 && status == kStatusSuccess && frameNumber > 0;
    if (timed) {
        int64_t time = ksv_master_clock_time(s.masterClock, &srb);
        if (frameNumber != 1 && time <= s.lastTime) time = s.lastTime + header.Duration;
        s.lastTime = time;
        header.PresentationTime.Time = time;
        const int64_t expected = header.Duration > 0 ? time / header.Duration : 0;
        s.frameInfo.DropCount = expected > frameNumber ? expected - frameNumber : 0;
        s.frameInfo.PictureNumber = frameNumber + s.frameInfo.DropCount;
    } else {
        header.PresentationTime.Time = 0;
    }
    if (header.OptionsFlags == 0) header.OptionsFlags = kKsStreamHeaderSplicePoint;
    const uint32_t timing = kKsStreamHeaderTimeValid | kKsStreamHeaderDurationValid;
    header.OptionsFlags = timed ? header.OptionsFlags | timing : header.OptionsFlags & ~timing;
    if (s.number == 0 && header.Size >= sizeof(KsStreamHeader) + kFrameInfoSize) {
        KsFrameInfo* info = reinterpret_cast<KsFrameInfo*>(&header + 1);
        info->ExtendedHeaderSize = kFrameInfoSize;
        info->PictureNumber = s.frameInfo.PictureNumber;
        info->DropCount = s.frameInfo.DropCount;
    }
    srb.ActualBytesTransferred = used;
    CompleteStream(srb, status);
}

// Completes every read the stream holds with STATUS_CANCELLED.
void CancelReads(StreamExtension& s)
{
    for (;;) {
        const uint8_t level = ksv_spinlock_acquire(s.lock);
        ScRequestBlock* srb = TakeFirst(s.reads);
        if (!srb && s.current) {
            // The filler still holds it; it completes it as cancelled.
            s.cancelCurrent = true;
        }
        ksv_spinlock_release(s.lock, level);
        if (!srb) return;
        CompleteRead(s, *srb, kStatusCancelled, 0, 0);
    }
}

void StopStreaming(StreamExtension& s)
{
    StopBulkStream(s);
    s.streaming = false;
    s.error = false;
}

// Stops the camera and frees what the open took; the stream stays known
// until its close.
void ReleaseStream(DeviceExtension& device, StreamExtension& s)
{
    if (s.released) return;
    ClassContext& cc = device.classContext;
    const bool locked = ConfigLock(cc);
    if (s.streaming) StopStreaming(s);
    cc.callbacks->stopCapture(device.camera, s.number);
    cc.callbacks->freeBandwidth(device.camera, s.number);
    FreeBulkStream(s);
    for (uint8_t*& buffer : s.rawBuffers) {
        ksv_pool_free(buffer);
        buffer = nullptr;
    }
    if (locked) ConfigUnlock(cc);
    s.released = true;
    CancelReads(s);
}

void ForgetStream(ClassContext& cc, StreamExtension& s)
{
    cc.streams[s.number] = nullptr;
    ksv_spinlock_destroy(s.lock);
    s.lock = nullptr;
    s.signature = 0;
}

// ---- device set-up ----

ScStatus ClassifyPipes(ClassContext& cc, const uint16_t* pipeConfig)
{
    cc.dataPipe[0] = cc.dataPipe[1] = cc.syncPipe = -1;
    uint32_t streams = 0;
    for (uint32_t i = 0; i < cc.pipeCount; ++i) {
        const PipeState& pipe = cc.pipes[i];
        const uint16_t association = pipeConfig[i] & 0xFF;
        const uint16_t flags = pipeConfig[i] >> 8;
        if (flags & kPipeDontCare) continue;
        if ((flags & kPipeData) && pipe.in && (association == kPipeVideoStream || association == kPipeStillStream)) {
            cc.dataPipe[association - 1] = int32_t(i);
            ++streams;
        } else if ((flags & kPipeMultiplex) && pipe.in && association) {
            cc.dataPipe[0] = int32_t(i);
            streams += 2;
        } else if ((flags & kPipeSync) && pipe.in && pipe.type == kUsbPipeIsochronous) {
            cc.syncPipe = int32_t(i);
        }
    }
    if ((cc.dataPipe[0] < 0 && cc.dataPipe[1] < 0) || streams > 2) return kStatusInvalidParameter;
    return kStatusSuccess;
}

ScStatus InitializeDevice(DeviceExtension& device, ScRequestBlock& srb)
{
    ClassContext& cc = device.classContext;
    CameraContext& camera = device.camera;
    UsbInterfaceInformation* iface = nullptr;
    ScStatus status = ksv_select_first_interface(cc.lowerDevice, &iface, &cc.configurationHandle);
    if (status != kStatusSuccess) {
        cc.callbacks->configure(camera, nullptr, nullptr, 0);
        return status;
    }
    cc.interfaceInfo = iface;
    if (iface->NumberOfPipes > kMaxPipes) return kStatusInvalidParameter;
    cc.pipeCount = iface->NumberOfPipes;
    uint16_t pipeConfig[kMaxPipes] = {};
    status = cc.callbacks->configure(camera, iface, pipeConfig, kMaxPipes);
    if (status != kStatusSuccess) return status;
    FreePipeLists(cc);
    for (uint32_t i = 0; i < cc.pipeCount; ++i) {
        const UsbPipeInformation& info = iface->Pipes[i];
        cc.pipes[i] = {uint8_t(info.PipeType & 3),
                       (info.EndpointAddress & 0x80) != 0,
                       info.MaximumPacketSize,
                       info.MaximumTransferSize,
                       pipeConfig[i],
                       info.PipeHandle,
                       nullptr,
                       nullptr,
                       nullptr};
    }
    if (!SetUpPipeLists(cc)) return kStatusInsufficientResources;
    status = ClassifyPipes(cc, pipeConfig);
    if (status != kStatusSuccess) return status;
    return cc.callbacks->initialize(camera);
}

// ---- stream control ----

ScStatus SetState(DeviceExtension& device, StreamExtension& s, int32_t state)
{
    ClassContext& cc = device.classContext;
    switch (state) {
    case kKsStateStop:
        if (s.streaming) StopStreaming(s);
        break;
    case kKsStateAcquire:
    case kKsStatePause:
        break;
    case kKsStateRun:
        if (cc.removed) return kStatusDeviceDataError;
        if (s.number == 1 && !cc.streams[0]) return kStatusInvalidParameter;
        if (!ConfigLock(cc)) return kStatusTimeout;
        if (!s.streaming) {
            s.streaming = true;
            if (!s.held) StartBulkStream(s);
        }
        ConfigUnlock(cc);
        break;
    default:
        return kStatusInvalidParameter;
    }
    s.state = state;
    return kStatusSuccess;
}

ScStatus StreamProperty(StreamExtension& s, ScRequestBlock& srb)
{
    const ScPropertyDescriptor* info = srb.CommandData.PropertyInfo;
    if (!info || !info->Property) return kStatusInvalidParameter;
    const KsProperty& property = *info->Property;
    const KsBitmapInfoHeader& bmi = s.format.VideoInfoHeader.bmiHeader;
    if (SameGuid(property.Set, kPropSetConnection) && property.Id == kConnectionAllocatorFraming) {
        if (info->PropertyOutputSize < sizeof(KsAllocatorFraming)) return kStatusBufferTooSmall;
        if (s.format.DataFormat.FormatSize == 0) return kStatusInvalidParameter;
        KsAllocatorFraming* framing = static_cast<KsAllocatorFraming*>(info->PropertyInfo);
        ZeroBytes(framing, sizeof *framing);
        framing->RequirementsFlags = kFramingRequirements;
        framing->PoolType = 1;
        framing->Frames = s.number == 0 ? 5 : 1;
        framing->FrameSize = bmi.biSizeImage;
        srb.ActualBytesTransferred = sizeof *framing;
        return kStatusSuccess;
    }
    if (SameGuid(property.Set, kPropSetDroppedFrames) && property.Id == kDroppedFramesCurrent && s.number == 0) {
        if (info->PropertyOutputSize < sizeof(KsDroppedFramesS)) return kStatusBufferTooSmall;
        KsDroppedFramesS* dropped = static_cast<KsDroppedFramesS*>(info->PropertyInfo);
        dropped->PictureNumber = s.frameInfo.PictureNumber;
        dropped->DropCount = s.frameInfo.DropCount;
        dropped->AverageFrameSize = bmi.biSizeImage;
        srb.ActualBytesTransferred = sizeof *dropped;
        return kStatusSuccess;
    }
    return kStatusNotImplemented;
}

void RunControl(ScRequestBlock& srb)
{
    StreamExtension& s = StreamOf(srb);
    if (s.cameraControl && s.cameraControl(srb)) return;
    DeviceExtension& device = DeviceOf(srb);
    ScStatus status = kStatusNotImplemented;
    srb.ActualBytesTransferred = 0;
    switch (srb.Command) {
    case kSrbGetStreamState:
        srb.CommandData.StreamState = s.state;
        srb.ActualBytesTransferred = sizeof(int32_t);
        status = s.state == kKsStatePause ? kStatusNoDataDetected : kStatusSuccess;
        break;
    case kSrbSetStreamState:
        status = SetState(device, s, srb.CommandData.StreamState);
        break;
    case kSrbGetStreamProperty:
        status = StreamProperty(s, srb);
        break;
    case kSrbIndicateMasterClock:
        s.masterClock = s.number == 0 ? srb.CommandData.MasterClockHandle : nullptr;
        status = kStatusSuccess;
        break;
    }
    CompleteStream(srb, status);
}

}  // namespace

const KsPropertySet* StreamPropertySets() { return kStreamSets; }

ScStatus OpenStream(ScRequestBlock& srb, CameraStreamControl cameraControl)
{
    DeviceExtension& device = DeviceOf(srb);
    ClassContext& cc = device.classContext;
    ScStreamObject& object = *srb.StreamObject;
    const uint32_t n = object.StreamNumber;
    if (cc.removed) return kStatusDeviceDataError;
    if (n >= device.camera.streamCount || n >= kMaxStreams || cc.streams[n]) return kStatusInvalidParameter;
    if (cc.dataPipe[n] < 0) return kStatusInvalidParameter;
    // The cameras of this driver stream over bulk pipes only.
    if (cc.pipes[cc.dataPipe[n]].type != kUsbPipeBulk) return kStatusNotSupported;
    const KsDataFormat* format = srb.CommandData.OpenFormat;
    if (!format || format->FormatSize < sizeof(KsDataFormatVideoInfo)) return kStatusInvalidParameter;

    StreamExtension& s = *static_cast<StreamExtension*>(object.HwStreamExtension);
    ZeroBytes(&s, sizeof s);
    s.number = n;
    s.device = &device;
    s.dataPipe = cc.dataPipe[n];
    s.cameraControl = cameraControl;
    CopyBytes(&s.format, format, sizeof s.format);
    InitQueue(s.reads);
    InitQueue(s.controls);
    s.lock = ksv_spinlock_create();
    if (!s.lock) return kStatusInsufficientResources;

    ScStatus status = kStatusTimeout;
    if (ConfigLock(cc)) {
        status = cc.callbacks->allocateBandwidth(device.camera, n, &s.rawFrameSize, s.format);
        if (status == kStatusSuccess && s.rawFrameSize == 0) status = kStatusDeviceDataError;
        if (status == kStatusSuccess) status = cc.callbacks->startCapture(device.camera, n);
        for (uint8_t*& buffer : s.rawBuffers) {
            if (status != kStatusSuccess) break;
            buffer = static_cast<uint8_t*>(ksv_pool_alloc(s.rawFrameSize));
            if (!buffer) status = kStatusInsufficientResources;
        }
        if (status == kStatusSuccess) status = PrepareBulkStream(device, s);
        if (status != kStatusSuccess) {
            if (device.camera.flags.streaming) cc.callbacks->stopCapture(device.camera, n);
            cc.callbacks->freeBandwidth(device.camera, n);
            FreeBulkStream(s);
            for (uint8_t*& buffer : s.rawBuffers) ksv_pool_free(buffer);
        }
        ConfigUnlock(cc);
    }
    if (status != kStatusSuccess) {
        ksv_spinlock_destroy(s.lock);
        ZeroBytes(&s, sizeof s);
        return status;
    }
    s.signature = kSignatureStream;
    object.Dma = 0;
    object.Pio = 1;
    object.HwClockObject.HwClockFunction = nullptr;
    object.StreamHeaderMediaSpecific = n == 0 ? kFrameInfoSize : 0;
    object.ReceiveDataPacket = StreamDataPacket;
    object.ReceiveControlPacket = StreamControlPacket;
    cc.streams[n] = &s;
    return kStatusSuccess;
}

void ClassDeviceRequest(ScRequestBlock& srb)
{
    DeviceExtension& device = DeviceOf(srb);
    ClassContext& cc = device.classContext;
    ScStatus status = kStatusNotImplemented;
    switch (srb.Command) {
    case kSrbInitializeDevice:
        status = InitializeDevice(device, srb);
        break;
    case kSrbCloseStream: {
        StreamExtension* s =
            srb.StreamObject ? static_cast<StreamExtension*>(srb.StreamObject->HwStreamExtension) : nullptr;
        if (!s || s->signature != kSignatureStream) {
            status = kStatusInvalidParameter;
            break;
        }
        status = s->released ? kStatusNotImplemented : kStatusSuccess;
        ReleaseStream(device, *s);
        ForgetStream(cc, *s);
        break;
    }
    case kSrbChangePowerState:
        // Bulk streams ride through power changes untouched.
        status = srb.CommandData.DeviceState >= kDevicePowerD0 && srb.CommandData.DeviceState <= kDevicePowerD3
                     ? kStatusSuccess
                     : kStatusInvalidParameter;
        break;
    case kSrbUninitializeDevice:
        ReleaseDevice(device);
        status = kStatusSuccess;
        break;
    case kSrbPagingOutDriver:
        status = kStatusSuccess;
        break;
    case kSrbUnknownDeviceCommand:
        status = AnswerInterfaceQuery(device, srb);
        break;
    case kSrbSurpriseRemoval:
        cc.removed = true;
        for (StreamExtension* s : cc.streams)
            if (s) ReleaseStream(device, *s);
        status = kStatusSuccess;
        break;
    }
    srb.Status = status;
    ksv_device_request_complete(&srb);
}

void StreamDataPacket(ScRequestBlock* request)
{
    ScRequestBlock& srb = *request;
    StreamExtension& s = StreamOf(srb);
    ClassContext& cc = DeviceOf(srb).classContext;
    srb.ActualBytesTransferred = 0;
    if (srb.Command != kSrbReadData) {
        CompleteStream(srb, kStatusNotImplemented);
        return;
    }
    KsStreamHeader* header = srb.CommandData.DataBufferArray;
    if (!header || srb.NumberOfBuffers < 1) {
        CompleteStream(srb, kStatusInvalidParameter);
        return;
    }
    if (s.number == 0 && header->FrameExtent < s.format.VideoInfoHeader.bmiHeader.biSizeImage) {
        CompleteStream(srb, kStatusInsufficientResources);
        return;
    }
    srb.TimeoutCounter = srb.TimeoutOriginal = s.number == 0 ? kVideoReadTimeoutSeconds : kStillReadTimeoutSeconds;

    const uint8_t level = ksv_spinlock_acquire(s.lock);
    const bool removed = cc.removed || s.released;
    const bool stopped = s.state == kKsStateStop;
    if (!removed && !stopped) Append(s.reads, srb);
    ksv_spinlock_release(s.lock, level);
    if (removed)
        CompleteRead(s, srb, kStatusCancelled, 0, 0);
    else if (stopped)
        CompleteRead(s, srb, kStatusSuccess, 0, 0);
}

void StreamControlPacket(ScRequestBlock* request)
{
    StreamExtension& s = StreamOf(*request);
    // One control request at a time per stream; later ones wait their turn.
    uint8_t level = ksv_spinlock_acquire(s.lock);
    if (s.controlBusy) {
        Append(s.controls, *request);
        ksv_spinlock_release(s.lock, level);
        return;
    }
    s.controlBusy = true;
    ksv_spinlock_release(s.lock, level);
    for (ScRequestBlock* srb = request; srb;) {
        RunControl(*srb);
        level = ksv_spinlock_acquire(s.lock);
        srb = TakeFirst(s.controls);
        if (!srb) s.controlBusy = false;
        ksv_spinlock_release(s.lock, level);
    }
}

void CancelPacket(ScRequestBlock* request)
{
    ScRequestBlock& srb = *request;
    if (!(srb.Flags & kSrbStreamRequest) || !srb.StreamObject) return;
    StreamExtension& s = StreamOf(srb);
    if (s.signature != kSignatureStream) return;
    const uint8_t level = ksv_spinlock_acquire(s.lock);
    bool complete = false;
    if (s.current == &srb) {
        s.cancelCurrent = true;
    } else if (srb.Command == kSrbReadData && Queued(LinkOf(srb))) {
        Unlink(LinkOf(srb));
        complete = true;
    }
    ksv_spinlock_release(s.lock, level);
    if (complete) CompleteRead(s, srb, kStatusCancelled, 0, 0);
}

void RequestTimeout(ScRequestBlock* srb)
{
    // A camera may pause for long; reads never fail by time-out.
    srb->TimeoutCounter = srb->TimeoutOriginal;
}

ScRequestBlock* TakeRead(StreamExtension& s)
{
    const uint8_t level = ksv_spinlock_acquire(s.lock);
    ScRequestBlock* srb = s.current || s.released ? nullptr : TakeFirst(s.reads);
    s.current = srb;
    ksv_spinlock_release(s.lock, level);
    return srb;
}

void FinishRead(StreamExtension& s, ScRequestBlock& srb, uint32_t used)
{
    const int64_t frameNumber = ++s.framesReceived;
    const uint8_t level = ksv_spinlock_acquire(s.lock);
    const bool cancelled = s.cancelCurrent;
    s.cancelCurrent = false;
    s.current = nullptr;
    ksv_spinlock_release(s.lock, level);
    if (cancelled)
        CompleteRead(s, srb, kStatusCancelled, 0, 0);
    else
        CompleteRead(s, srb, kStatusSuccess, used, frameNumber);
}

bool DeliverFrame(DeviceExtension& device, uint32_t stream, const uint8_t* image, uint32_t length)
{
    StreamExtension* s = stream < kMaxStreams ? device.classContext.streams[stream] : nullptr;
    if (!s) return false;
    ScRequestBlock* srb = TakeRead(*s);
    if (!srb) return false;
    KsStreamHeader& header = *srb->CommandData.DataBufferArray;
    const uint32_t used = length < header.FrameExtent ? length : header.FrameExtent;
    CopyBytes(header.Data, image, used);
    FinishRead(*s, *srb, used);
    return true;
}

ScStatus CancelTransfersOfPipe(DeviceExtension& device, int32_t pipe)
{
    ClassContext& cc = device.classContext;
    if (!ConfigLock(cc)) return kStatusTimeout;
    const bool drained = CancelPipeTransfers(cc, pipe);
    ConfigUnlock(cc);
    return drained ? kStatusSuccess : kStatusTimeout;
}

ScStatus HoldVideoTransfers(DeviceExtension& device, bool hold)
{
    ClassContext& cc = device.classContext;
    StreamExtension* s = cc.streams[0];
    if (!s || s->released) return kStatusInvalidParameter;
    if (!ConfigLock(cc)) return kStatusTimeout;
    const bool changed = s->held != hold;
    if (changed) {
        s->held = hold;
        if (s->streaming && hold) StopBulkStream(*s);
        if (s->streaming && !hold) StartBulkStream(*s);
    }
    ConfigUnlock(cc);
    return changed ? kStatusSuccess : kStatusInvalidParameter;
}

void ReleaseDevice(DeviceExtension& device)
{
    ClassContext& cc = device.classContext;
    for (StreamExtension* s : cc.streams) {
        if (!s) continue;
        ReleaseStream(device, *s);
        ForgetStream(cc, *s);
    }
    if (cc.callbacks) cc.callbacks->uninitialize(device.camera);
    FreeCameraTransfers(device);
    FreePipeLists(cc);
    ksv_pool_free(cc.interfaceInfo);
    cc.interfaceInfo = nullptr;
    cc.pipeCount = 0;
    ksv_semaphore_destroy(cc.configLock);
    cc.configLock = nullptr;
    ksv_semaphore_destroy(device.camera.urbLock);
    device.camera.urbLock = nullptr;
}

}  // namespace dovracam

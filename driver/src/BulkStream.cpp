#include "BulkStream.h"

#include "BulkFrames.h"
#include "Bytes.h"
#include "FrameDecoder.h"
#include "KsGuids.h"
#include "StreamClassLayer.h"
#include "VendorRequests.h"

namespace dovracam {

namespace {

constexpr int64_t kStopSlice = 100 * 10000LL;  // 100 ms
constexpr int kStopSlices = 50;
constexpr int64_t kNoReadWait = -50000;  // 5 ms, relative
constexpr int kReadAttempts = 2;
constexpr int64_t kWatchdogPeriod = 250 * 10000LL;  // 250 ms

ClassContext& ClassOf(StreamExtension& s) { return s.device->classContext; }
const PipeState& PipeOf(StreamExtension& s, int32_t pipe) { return ClassOf(s).pipes[pipe]; }

void ReadHeader(StreamExtension& s);

// Moves the cycle to the next step unless a stop asked it to rest.
bool Advance(StreamExtension& s, BulkPhase next)
{
    const uint8_t level = ksv_spinlock_acquire(s.lock);
    const bool go = !s.bulk.stopping;
    s.bulk.phase = go ? next : BulkPhase::kIdle;
    ksv_spinlock_release(s.lock, level);
    if (!go) ksv_event_set(s.bulk.idle);
    return go;
}

void Rest(StreamExtension& s)
{
    const uint8_t level = ksv_spinlock_acquire(s.lock);
    s.bulk.phase = BulkPhase::kIdle;
    ksv_spinlock_release(s.lock, level);
    ksv_event_set(s.bulk.idle);
}

ScStatus PipeRequest(StreamExtension& s, uint16_t function, int32_t pipe)
{
    UsbPipeRequestUrb urb = {};
    urb.Hdr.Length = sizeof urb;
    urb.Hdr.Function = function;
    urb.PipeHandle = PipeOf(s, pipe).handle;
    return SubmitUrb(s.device->camera, &urb);
}

// A bad header or a failed transfer: clear the pipes and look for the next
// header, while the stream keeps running.
void ResetWork(void* context)
{
    StreamExtension& s = *static_cast<StreamExtension*>(context);
    const int32_t pipes[] = {s.dataPipe, int32_t(kHeaderPipe)};
    for (int32_t pipe : pipes) {
        PipeRequest(s, kUrbFunctionAbortPipe, pipe);
        // A device that cannot reset its pipes is gone: the stream rests until
        // it is run again (or removed).
        if (PipeRequest(s, kUrbFunctionResetPipe, pipe) != kStatusSuccess) {
            Rest(s);
            return;
        }
    }
    s.error = false;
    s.bulk.earlyBytes = 0;
    s.bulk.slot = 0;
    if (Advance(s, BulkPhase::kHeader)) ReadHeader(s);
}

void Fail(StreamExtension& s)
{
    s.error = true;
    if (ClassOf(s).removed) {
        Rest(s);
        return;
    }
    if (!Advance(s, BulkPhase::kResetting)) return;
    if (!ksv_queue_work(ResetWork, &s)) Rest(s);
}

void StartTransfer(StreamExtension& s, int32_t pipe, uint8_t* buffer, uint32_t length)
{
    StartBulkTransfer(s.bulk.transfer, pipe, buffer, length, false);
}

void ReadHeader(StreamExtension& s)
{
    StartTransfer(s, kHeaderPipe, s.bulk.headerBuffer, PipeOf(s, kHeaderPipe).maxPacketSize);
}

bool IsExtraMode(const CameraContext& camera)
{
    const FormatTable& t = camera.formats;
    return t.selected < t.count && t.entries[t.selected].extra;
}

bool IsCompressed(uint32_t fourCC) { return fourCC == kFourCcMjpg || fourCC == kFourCcWjpg; }

// Pictures the camera sends as JPEG for a format it does not stream itself
// go through the camera's decoder.
bool NeedsDecoding(const CameraContext& camera)
{
    return IsExtraMode(camera) || (!camera.flags.modeListKnown && !IsCompressed(camera.fourCC));
}

// Fills a read with the frame in the current slot; the bytes used.
uint32_t FillRead(StreamExtension& s, ScRequestBlock& srb)
{
    BulkState& b = s.bulk;
    CameraContext& camera = s.device->camera;
    KsStreamHeader& header = *srb.CommandData.DataBufferArray;
    const bool extra = IsExtraMode(camera);
    if (header.FrameExtent < b.imageLength && !extra) return 0;
    uint8_t* raw = s.rawBuffers[b.slot];
    const uint32_t packet = PipeOf(s, s.dataPipe).maxPacketSize;
    uint32_t early = 0;
    const bool whole = b.received == b.total;
    const bool good = CheckFrameStart(raw, b.received, packet, IsCompressed(camera.fourCC) || extra,
                                      camera.fourCC == kFourCcYuy2 && !extra, &early);
    if (early) {
        // The next frame began inside this one: keep its first bytes for it.
        CopyBytes(s.rawBuffers[b.slot ^ 1], raw + b.received - early, early);
        b.earlyBytes = early;
    }
    if (!whole || !good) return 0;
    uint32_t used = b.imageLength;
    if (NeedsDecoding(camera))
        used = DecodeFrame(camera, raw, b.imageLength, static_cast<uint8_t*>(header.Data), header.FrameExtent);
    else
        CopyBytes(header.Data, raw, b.imageLength);
    // A refused frame leaves the status of the last good one.
    if (used) CopyBytes(camera.statusBlock, b.header + kFrameStatusOffset, kFrameStatusSize);
    return used;
}

void DeliverWork(void* context)
{
    StreamExtension& s = *static_cast<StreamExtension*>(context);
    if (!Advance(s, BulkPhase::kDelivering)) return;
    ScRequestBlock* srb = nullptr;
    for (int attempt = 0; attempt < kReadAttempts && !srb; ++attempt) {
        srb = TakeRead(s);
        if (!srb && attempt + 1 < kReadAttempts) ksv_delay(kNoReadWait);
    }
    // Without a read the frame is missed; the cycle goes on.
    if (srb) FinishRead(s, *srb, FillRead(s, *srb));
    s.bulk.slot ^= 1;
    if (Advance(s, BulkPhase::kHeader)) ReadHeader(s);
}

void HeaderDone(StreamExtension& s)
{
    BulkState& b = s.bulk;
    FrameHeader header;
    const uint32_t packet = PipeOf(s, s.dataPipe).maxPacketSize;
    if (!ParseFrameHeader(b.headerBuffer, b.transfer.done, s.rawFrameSize, packet, &header)) {
        Fail(s);
        return;
    }
    CopyBytes(b.header, b.headerBuffer, kFrameHeaderSize);
    b.total = header.total;
    b.imageLength = header.imageLength;
    if (b.earlyBytes > b.total) b.earlyBytes = 0;
    if (!Advance(s, BulkPhase::kData)) return;
    StartTransfer(s, s.dataPipe, s.rawBuffers[b.slot] + b.earlyBytes, b.total - b.earlyBytes);
}

void DataDone(StreamExtension& s)
{
    BulkState& b = s.bulk;
    b.received = b.earlyBytes + b.transfer.done;
    b.earlyBytes = 0;
    if (!Advance(s, BulkPhase::kDelivering)) return;
    if (!ksv_queue_work(DeliverWork, &s)) Fail(s);
}

void TransferEnd(BulkTransfer& transfer, ScStatus status)
{
    StreamExtension& s = *static_cast<StreamExtension*>(transfer.context);
    if (s.bulk.stopping) {
        Rest(s);
        return;
    }
    if (status != kStatusSuccess) {
        Fail(s);
        return;
    }
    if (s.bulk.phase == BulkPhase::kHeader)
        HeaderDone(s);
    else
        DataDone(s);
}

// A camera that stops sending leaves its transfer pending for ever: a chunk
// still in flight a whole period after the last look is cancelled, and its
// failure resets the pipes like any other.
void Watchdog(void* context)
{
    StreamExtension& s = *static_cast<StreamExtension*>(context);
    BulkState& b = s.bulk;
    const uint8_t level = ksv_spinlock_acquire(s.lock);
    const bool transferring = b.phase == BulkPhase::kHeader || b.phase == BulkPhase::kData;
    const uint32_t issued = ChunksIssued(b.transfer);
    const bool stuck = transferring && !b.stopping && issued == b.chunksWatched;
    b.chunksWatched = issued;
    ksv_spinlock_release(s.lock, level);
    if (stuck) CancelBulkTransfer(b.transfer);
}

}  // namespace

ScStatus PrepareBulkStream(DeviceExtension& device, StreamExtension& s)
{
    ClassContext& cc = device.classContext;
    BulkState& b = s.bulk;
    if (cc.pipeCount <= kHeaderPipe || s.dataPipe < 0) return kStatusInvalidParameter;
    const uint32_t headerPacket = cc.pipes[kHeaderPipe].maxPacketSize;
    const uint32_t dataPacket = cc.pipes[s.dataPipe].maxPacketSize;
    if (headerPacket < kFrameHeaderSize || dataPacket == 0) return kStatusDeviceDataError;
    const bool made = CreateBulkTransfer(cc, b.transfer, TransferEnd, &s);
    b.idle = ksv_event_create();
    b.headerBuffer = static_cast<uint8_t*>(ksv_pool_alloc(headerPacket));
    b.watchdog = ksv_timer_create(Watchdog, &s);
    if (!made || !b.idle || !b.headerBuffer || !b.watchdog) return kStatusInsufficientResources;
    ksv_event_set(b.idle);
    return kStatusSuccess;
}

void StartBulkStream(StreamExtension& s)
{
    BulkState& b = s.bulk;
    uint8_t level = ksv_spinlock_acquire(s.lock);
    const bool idle = b.phase == BulkPhase::kIdle;
    if (idle) {
        b.stopping = false;
        b.phase = BulkPhase::kHeader;
        b.slot = 0;
        b.earlyBytes = 0;
        ksv_event_reset(b.idle);
    }
    ksv_spinlock_release(s.lock, level);
    if (!idle) return;
    ksv_timer_start(b.watchdog, kWatchdogPeriod);
    ReadHeader(s);
}

void StopBulkStream(StreamExtension& s)
{
    BulkState& b = s.bulk;
    if (!b.idle) return;
    ksv_timer_stop(b.watchdog);
    for (int slice = 0; slice < kStopSlices; ++slice) {
        uint8_t level = ksv_spinlock_acquire(s.lock);
        b.stopping = true;
        const bool transferring = b.phase == BulkPhase::kHeader || b.phase == BulkPhase::kData;
        ksv_spinlock_release(s.lock, level);
        // Cancelled again each slice: a chunk may have been sent just after.
        if (transferring) CancelBulkTransfer(b.transfer);
        if (ksv_event_wait(b.idle, kStopSlice)) return;
    }
}

void FreeBulkStream(StreamExtension& s)
{
    BulkState& b = s.bulk;
    ksv_timer_destroy(b.watchdog);
    b.watchdog = nullptr;
    FreeBulkTransfer(b.transfer);
    ksv_event_destroy(b.idle);
    ksv_pool_free(b.headerBuffer);
    b.idle = nullptr;
    b.headerBuffer = nullptr;
}

}  // namespace dovracam

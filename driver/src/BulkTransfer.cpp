#include "BulkTransfer.h"

#include "Bytes.h"
#include "Device.h"

namespace dovracam {

namespace {

constexpr int64_t kDrainWait = 5 * 10000000LL;  // 5 s for cancelled transfers to come back
constexpr uint32_t kCancelBatch = 4;

PipeState& PipeOf(BulkTransfer& t) { return t.owner->pipes[t.pipe]; }

void SubmitChunk(BulkTransfer& t);

void Unlist(BulkTransfer& t)
{
    PipeState& pipe = PipeOf(t);
    const uint8_t level = ksv_spinlock_acquire(pipe.lock);
    for (BulkTransfer** link = &pipe.pending; *link; link = &(*link)->nextPending) {
        if (*link == &t) {
            *link = t.nextPending;
            break;
        }
    }
    t.nextPending = nullptr;
    if (!pipe.pending) ksv_event_set(pipe.drained);
    ksv_spinlock_release(pipe.lock, level);
}

void ChunkDone(void* context, ScStatus status)
{
    BulkTransfer& t = *static_cast<BulkTransfer*>(context);
    if (status == kStatusSuccess) {
        // Never trust the stack's count beyond what was asked for.
        const uint32_t reported = t.urb.TransferBufferLength;
        uint32_t got = reported < t.chunk ? reported : t.chunk;
        if (t.bounced) {
            got = got < t.remaining ? got : t.remaining;
            CopyBytes(t.position, t.bounce, got);
        }
        const bool full = got == t.chunk;
        t.position += got;
        t.remaining -= got;
        t.done += got;
        PipeState& pipe = PipeOf(t);
        const uint8_t level = ksv_spinlock_acquire(pipe.lock);
        const bool more = t.remaining && full && !t.cancelled;
        if (more) ++t.chunksIssued;
        ksv_spinlock_release(pipe.lock, level);
        if (more) {
            SubmitChunk(t);
            return;
        }
        if (t.remaining && full) status = kStatusCancelled;
    }
    Unlist(t);
    t.end(t, status);
}

// One chunk: at most the pipe's transfer size, whole packets; an in chunk
// shorter than a packet goes through the bounce buffer, a packet long.
void SubmitChunk(BulkTransfer& t)
{
    const PipeState& pipe = PipeOf(t);
    const uint32_t packet = pipe.maxPacketSize ? pipe.maxPacketSize : 1;
    const uint32_t most = pipe.maxTransferSize > packet ? pipe.maxTransferSize : packet;
    uint32_t chunk = t.remaining < most ? t.remaining : most;
    t.bounced = pipe.in && chunk < packet;
    if (t.bounced)
        chunk = packet;
    else if (chunk >= packet)
        chunk -= chunk % packet;
    t.chunk = chunk;
    UsbBulkTransferUrb& urb = t.urb;
    ZeroBytes(&urb, sizeof urb);
    urb.Hdr.Length = sizeof urb;
    urb.Hdr.Function = kUrbFunctionBulkOrInterruptTransfer;
    urb.PipeHandle = pipe.handle;
    urb.TransferFlags = pipe.in ? kUsbdShortTransferOk | kUsbdTransferDirectionIn : 0;
    urb.TransferBufferLength = chunk;
    urb.TransferBuffer = t.bounced ? t.bounce : t.position;
    ksv_irp_submit_urb(t.irp, &urb, ChunkDone, &t);
}

}  // namespace

bool SetUpPipeLists(ClassContext& cc)
{
    for (uint32_t i = 0; i < cc.pipeCount; ++i) {
        PipeState& pipe = cc.pipes[i];
        pipe.lock = ksv_spinlock_create();
        pipe.drained = ksv_event_create();
        if (!pipe.lock || !pipe.drained) return false;
        ksv_event_set(pipe.drained);
    }
    return true;
}

void FreePipeLists(ClassContext& cc)
{
    for (PipeState& pipe : cc.pipes) {
        if (pipe.lock) ksv_spinlock_destroy(pipe.lock);
        if (pipe.drained) ksv_event_destroy(pipe.drained);
        pipe.lock = nullptr;
        pipe.drained = nullptr;
        pipe.pending = nullptr;
    }
}

bool CreateBulkTransfer(ClassContext& cc, BulkTransfer& t, BulkTransferEnd end, void* context)
{
    uint32_t packet = 1;
    for (uint32_t i = 0; i < cc.pipeCount; ++i)
        if (cc.pipes[i].maxPacketSize > packet) packet = cc.pipes[i].maxPacketSize;
    t.owner = &cc;
    t.end = end;
    t.context = context;
    t.irp = ksv_irp_create(cc.lowerDevice);
    t.bounce = static_cast<uint8_t*>(ksv_pool_alloc(packet));
    return t.irp && t.bounce;
}

void FreeBulkTransfer(BulkTransfer& t)
{
    ksv_irp_destroy(t.irp);
    ksv_pool_free(t.bounce);
    t.irp = nullptr;
    t.bounce = nullptr;
}

bool StartBulkTransfer(BulkTransfer& t, int32_t pipe, uint8_t* buffer, uint32_t length, bool onlyTransfer)
{
    if (!ListBulkTransfer(t, pipe, buffer, length, onlyTransfer)) return false;
    SendBulkTransfer(t);
    return true;
}

bool ListBulkTransfer(BulkTransfer& t, int32_t pipeIndex, uint8_t* buffer, uint32_t length, bool onlyTransfer)
{
    PipeState& pipe = t.owner->pipes[pipeIndex];
    const uint8_t level = ksv_spinlock_acquire(pipe.lock);
    const bool start = !onlyTransfer || !pipe.pending;
    if (start) {
        t.pipe = pipeIndex;
        t.position = buffer;
        t.remaining = length;
        t.done = 0;
        t.cancelled = false;
        ++t.chunksIssued;
        t.nextPending = pipe.pending;
        pipe.pending = &t;
        ksv_event_reset(pipe.drained);
    }
    ksv_spinlock_release(pipe.lock, level);
    return start;
}

// A transfer cancelled before it was sent ends without going out.
void SendBulkTransfer(BulkTransfer& t)
{
    PipeState& pipe = PipeOf(t);
    const uint8_t level = ksv_spinlock_acquire(pipe.lock);
    const bool cancelled = t.cancelled;
    ksv_spinlock_release(pipe.lock, level);
    if (!cancelled) {
        SubmitChunk(t);
        return;
    }
    Unlist(t);
    t.end(t, kStatusCancelled);
}

void UnlistBulkTransfer(BulkTransfer& t) { Unlist(t); }

void CancelBulkTransfer(BulkTransfer& t)
{
    PipeState& pipe = PipeOf(t);
    const uint8_t level = ksv_spinlock_acquire(pipe.lock);
    t.cancelled = true;
    ksv_spinlock_release(pipe.lock, level);
    ksv_irp_cancel(t.irp);
}

uint32_t ChunksIssued(BulkTransfer& t)
{
    PipeState& pipe = PipeOf(t);
    const uint8_t level = ksv_spinlock_acquire(pipe.lock);
    const uint32_t issued = t.chunksIssued;
    ksv_spinlock_release(pipe.lock, level);
    return issued;
}

bool CancelPipeTransfers(ClassContext& cc, int32_t pipeIndex)
{
    PipeState& pipe = cc.pipes[pipeIndex];
    // The records outlive their transfers (they belong to an open stream or
    // to the device), so they may be cancelled outside the lock, which the
    // cancelled transfer's own end takes.
    BulkTransfer* batch[kCancelBatch];
    uint32_t count = 0;
    const uint8_t level = ksv_spinlock_acquire(pipe.lock);
    for (BulkTransfer* t = pipe.pending; t && count < kCancelBatch; t = t->nextPending) {
        t->cancelled = true;
        batch[count++] = t;
    }
    ksv_spinlock_release(pipe.lock, level);
    for (uint32_t i = 0; i < count; ++i) ksv_irp_cancel(batch[i]->irp);
    return ksv_event_wait(pipe.drained, kDrainWait) != 0;
}

}  // namespace dovracam

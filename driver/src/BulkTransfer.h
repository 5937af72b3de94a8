// The bulk transfer engine: a transfer record moves one buffer over one pipe
// (bulk or interrupt) in chunks the pipe can carry, on an IRP of its own.
// A record in flight sits on its pipe's pending list from its start to its
// end, so a pipe can tell whether it is idle and have its transfers cancelled.
#pragma once

#include <streamclass/UsbStack.h>

#include "KernelServices.h"

namespace dovracam {

struct ClassContext;
struct BulkTransfer;

// Called once when a transfer ends: every byte moved, a short chunk, an
// error or a cancel; at up to DISPATCH_LEVEL. It may start the record again.
typedef void (*BulkTransferEnd)(BulkTransfer& transfer, ScStatus status);

struct BulkTransfer {
    ClassContext* owner;
    KsvIrp* irp;
    UsbBulkTransferUrb urb;
    uint8_t* bounce;  // one packet, for an in chunk shorter than a packet
    BulkTransferEnd end;
    void* context;  // the owner's, for end
    // The transfer in flight.
    int32_t pipe;
    uint8_t* position;
    uint32_t remaining;
    uint32_t done;
    uint32_t chunk;
    bool bounced;
    bool cancelled;  // no further chunk goes out
    uint32_t chunksIssued;
    BulkTransfer* nextPending;
};

// Pipe locks, pending lists and drained events of the device's pipes.
bool SetUpPipeLists(ClassContext& cc);
void FreePipeLists(ClassContext& cc);

// Gives the record its IRP and bounce buffer; false when pool runs out.
bool CreateBulkTransfer(ClassContext& cc, BulkTransfer& transfer, BulkTransferEnd end, void* context);
void FreeBulkTransfer(BulkTransfer& transfer);

// Starts moving length bytes between buffer and the pipe. With onlyTransfer
// it starts nothing and returns false while the pipe has another transfer.
bool StartBulkTransfer(BulkTransfer& transfer, int32_t pipe, uint8_t* buffer, uint32_t length, bool onlyTransfer);
// The same in two steps: the transfer takes its place on the pipe (the pipe
// is busy from then on), and is sent later (or taken off again unsent).
bool ListBulkTransfer(BulkTransfer& transfer, int32_t pipe, uint8_t* buffer, uint32_t length, bool onlyTransfer);
void SendBulkTransfer(BulkTransfer& transfer);
void UnlistBulkTransfer(BulkTransfer& transfer);
// Ends the transfer: the chunk in flight is cancelled and no other follows.
void CancelBulkTransfer(BulkTransfer& transfer);
// Chunks the record has sent so far (a transfer that moves sends more).
uint32_t ChunksIssued(BulkTransfer& transfer);

// Cancels every transfer of the pipe and waits (bounded) until none is left;
// PASSIVE_LEVEL only. False when they did not end in time.
bool CancelPipeTransfers(ClassContext& cc, int32_t pipe);

}  // namespace dovracam

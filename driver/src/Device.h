// The device extension the stream class allocates for each camera, and the
// stream and request extensions of the class layer.
#pragma once

#include "BulkTransfer.h"
#include "CameraContext.h"
#include "CameraPart.h"

namespace dovracam {

constexpr uint32_t kMaxPipes = 8;
constexpr uint32_t kMaxStreams = 2;
constexpr uint32_t kSignatureDevice = 0x45564544;  // "DEVE"
constexpr uint32_t kSignatureStream = 0x4348414E;  // "NAHC"

struct PipeState {
    uint8_t type;  // kUsbPipe*
    bool in;
    uint16_t maxPacketSize;
    uint32_t maxTransferSize;
    uint16_t config;  // the camera's configuration word
    void* handle;
    KsvSpinLock* lock;      // guards the pending list
    BulkTransfer* pending;  // the transfers in flight
    KsvEvent* drained;      // set while none is
};

// Links a queued request; lives in the request's own extension.
struct RequestLink {
    RequestLink* next;
    RequestLink* prev;
    ScRequestBlock* srb;
};

struct RequestQueue {
    RequestLink head;  // circular; empty when head.next == &head
};

struct DeviceExtension;
struct CameraTransfer;

// Where a stream's frame cycle stands. Only the cycle's own steps move it on;
// a stop waits until it is back at idle.
enum class BulkPhase : uint8_t { kIdle, kHeader, kData, kDelivering, kResetting };

struct BulkState {
    BulkTransfer transfer;
    BulkPhase phase;
    bool stopping;
    KsvEvent* idle;
    // The frame: its header, the slot its picture goes to, and the bytes of the
    // next frame already received at the end of the last one.
    uint8_t* headerBuffer;
    uint8_t header[64];
    uint32_t total;
    uint32_t imageLength;
    uint32_t received;
    uint8_t slot;
    uint32_t earlyBytes;
    // The watchdog, and the count of chunks its last look saw.
    KsvTimer* watchdog;
    uint32_t chunksWatched;
};

// The camera part's own stream control step, tried before the layer's: true
// when it answered (and completed) the request.
typedef bool (*CameraStreamControl)(ScRequestBlock& srb);

struct StreamExtension {
    uint32_t signature;
    DeviceExtension* device;
    uint32_t number;
    int32_t state;  // KsState
    bool streaming;
    bool held;          // the camera part holds its transfers back (SetIsoPipeState)
    bool error;         // StreamError: the transport asks for a pipe reset
    KsvSpinLock* lock;  // guards both queues, current and the control busy flag
    RequestQueue reads;
    ScRequestBlock* current;  // the read being filled
    bool cancelCurrent;       // cancelled while being filled: its filler completes it
    RequestQueue controls;
    bool controlBusy;
    CameraStreamControl cameraControl;
    bool released;  // freed by surprise removal; only the close remains
    KsDataFormatVideoInfo format;
    uint32_t rawFrameSize;
    int32_t dataPipe;
    uint8_t* rawBuffers[2];
    BulkState bulk;
    int64_t framesReceived;
    KsFrameInfo frameInfo;
    void* masterClock;
    int64_t lastTime;
};

struct ClassContext {
    uint32_t signature;
    const CameraCallbacks* callbacks;
    StreamExtension* streams[kMaxStreams];
    void* lowerDevice;
    UsbInterfaceInformation* interfaceInfo;
    void* configurationHandle;
    PipeState pipes[kMaxPipes];
    uint32_t pipeCount;
    int32_t dataPipe[kMaxStreams];
    int32_t syncPipe;
    bool removed;
    KsvSemaphore* configLock;  // start, stop, reset
    // The camera part's own transfers, one per pipe, made on first use.
    CameraTransfer* cameraTransfers[kMaxPipes];
    int32_t stillSubscribers;  // clients waiting for the still button
};

struct DeviceExtension {
    ClassContext classContext;
    CameraContext camera;
};

inline DeviceExtension& DeviceOf(const ScRequestBlock& srb)
{
    return *static_cast<DeviceExtension*>(srb.HwDeviceExtension);
}

}  // namespace dovracam

// The kernel-services seam on the host: pool blocks counted, spin locks that
// raise a per-thread level, work items the test runs when it chooses, the
// USB stack replaced by simulated cameras (the lower device pointer is the
// SimUsbCamera), and the stream class's completions recorded.
#pragma once

#include <stdint.h>

#include <deque>
#include <functional>
#include <vector>

#include "KernelServices.h"
#include "SimUsbCamera.h"

namespace usbcam {

struct SignalledEvent {
    void* device;
    ScGuid set;
    uint32_t id;
};

struct HostKernel {
    std::vector<ScRequestBlock*> deviceCompleted;
    std::vector<SignalledEvent> deviceEvents;
    std::vector<ScRequestBlock*> streamCompleted;
    std::vector<int64_t> delays;
    std::function<int64_t()> masterClock;
    // Called as the stream class is told of each completed stream request.
    std::function<void(ScRequestBlock*)> onStreamComplete;
    size_t liveBlocks = 0;
    size_t workQueued = 0;

    void Reset();
    // Runs the queued work items in order; returns how many ran.
    size_t RunWork();
    // One period of every running timer passes: their routines run at
    // DISPATCH_LEVEL; returns how many ran.
    size_t TickTimers();
};

HostKernel& Host();

// The IRP of an unknown device command on the host: a PnP interface query
// when queryInterface is set. The class device object of the host is the
// device extension itself.
struct HostIrp {
    bool queryInterface;
    const ScGuid* type;
    uint16_t size;
    uint16_t version;
    void* block;
};

// Makes the calling thread run "at DISPATCH_LEVEL" while alive.
class DispatchLevel {
public:
    DispatchLevel();
    ~DispatchLevel();
};

}  // namespace usbcam

// A timer of the host: started with its period, run only by TickTimers.
struct KsvTimer {
    KsvTimerRoutine routine;
    void* context;
    int64_t period;
    bool running;
};

// An IRP of the simulated stack: the URB it carries while pending.
struct KsvIrp {
    usbcam::SimUsbCamera* camera;
    void* urb;
    KsvIrpCompletion completion;
    void* context;
    bool pending;
};

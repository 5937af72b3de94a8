#include "HostKernel.h"

#include "Adapter.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <condition_variable>
#include <mutex>
#include <string>

namespace usbcam {

namespace {

thread_local int t_level = 0;
std::mutex g_hostMutex;
std::deque<std::pair<KsvWorkRoutine, void*>> g_work;
std::vector<KsvTimer*> g_timers;

std::chrono::nanoseconds Span(int64_t hundredNs) { return std::chrono::nanoseconds(hundredNs * 100); }

SimUsbCamera& CameraAt(void* device) { return *static_cast<SimUsbCamera*>(device); }

}  // namespace

HostKernel& Host()
{
    static HostKernel host;
    return host;
}

void HostKernel::Reset()
{
    deviceCompleted.clear();
    deviceEvents.clear();
    streamCompleted.clear();
    delays.clear();
    masterClock = nullptr;
    onStreamComplete = nullptr;
    std::lock_guard<std::mutex> lock(g_hostMutex);
    g_work.clear();
    workQueued = 0;
}

size_t HostKernel::RunWork()
{
    size_t ran = 0;
    for (;;) {
        std::pair<KsvWorkRoutine, void*> item;
        {
            std::lock_guard<std::mutex> lock(g_hostMutex);
            if (g_work.empty()) return ran;
            item = g_work.front();
            g_work.pop_front();
        }
        item.first(item.second);
        ++ran;
    }
}

size_t HostKernel::TickTimers()
{
    size_t ran = 0;
    for (KsvTimer* timer : std::vector<KsvTimer*>(g_timers)) {
        if (!timer->running) continue;
        DispatchLevel dispatch;
        timer->routine(timer->context);
        ++ran;
    }
    return ran;
}

DispatchLevel::DispatchLevel() { ++t_level; }
DispatchLevel::~DispatchLevel() { --t_level; }

}  // namespace usbcam

using usbcam::Host;

struct KsvSpinLock {
    std::mutex mutex;
};
struct KsvMutex {
    std::mutex mutex;
};
struct KsvEvent {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
};
struct KsvSemaphore {
    std::mutex mutex;
    std::condition_variable changed;
    int32_t count, limit;
};

// The synchronisation objects live in pool too, so that leaks of them count.
template <typename T>
void Destroy(T* object)
{
    if (!object) return;
    object->~T();
    ksv_pool_free(object);
}

extern "C" {

void* ksv_pool_alloc(size_t size)
{
    void* block = calloc(1, size ? size : 1);
    if (block) {
        std::lock_guard<std::mutex> lock(usbcam::g_hostMutex);
        ++Host().liveBlocks;
    }
    return block;
}

void ksv_pool_free(void* block)
{
    if (!block) return;
    free(block);
    std::lock_guard<std::mutex> lock(usbcam::g_hostMutex);
    --Host().liveBlocks;
}

KsvSpinLock* ksv_spinlock_create(void) { return new (ksv_pool_alloc(sizeof(KsvSpinLock))) KsvSpinLock; }
void ksv_spinlock_destroy(KsvSpinLock* l) { Destroy(l); }
uint8_t ksv_spinlock_acquire(KsvSpinLock* l)
{
    l->mutex.lock();
    return uint8_t(usbcam::t_level++);
}
void ksv_spinlock_release(KsvSpinLock* l, uint8_t old)
{
    usbcam::t_level = old;
    l->mutex.unlock();
}

KsvMutex* ksv_mutex_create(void) { return new (ksv_pool_alloc(sizeof(KsvMutex))) KsvMutex; }
void ksv_mutex_destroy(KsvMutex* m) { Destroy(m); }
void ksv_mutex_acquire(KsvMutex* m)
{
    // Waiting at DISPATCH_LEVEL would hang the kernel: fail the test loudly.
    if (usbcam::t_level) {
        fprintf(stderr, "a mutex taken at DISPATCH_LEVEL\n");
        abort();
    }
    m->mutex.lock();
}
void ksv_mutex_release(KsvMutex* m) { m->mutex.unlock(); }

KsvEvent* ksv_event_create(void) { return new (ksv_pool_alloc(sizeof(KsvEvent))) KsvEvent; }
void ksv_event_destroy(KsvEvent* e) { Destroy(e); }
void ksv_event_set(KsvEvent* e)
{
    std::lock_guard<std::mutex> lock(e->mutex);
    e->signalled = true;
    e->changed.notify_all();
}
void ksv_event_reset(KsvEvent* e)
{
    std::lock_guard<std::mutex> lock(e->mutex);
    e->signalled = false;
}
// While a thread waits, the system's worker threads go on: queued work runs.
int ksv_event_wait(KsvEvent* e, int64_t timeout100ns)
{
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(e->mutex);
            if (e->signalled) return 1;
        }
        std::pair<KsvWorkRoutine, void*> item;
        {
            std::lock_guard<std::mutex> lock(usbcam::g_hostMutex);
            if (usbcam::g_work.empty()) break;
            item = usbcam::g_work.front();
            usbcam::g_work.pop_front();
        }
        item.first(item.second);
    }
    std::unique_lock<std::mutex> lock(e->mutex);
    return e->changed.wait_for(lock, usbcam::Span(timeout100ns), [e] { return e->signalled; });
}

KsvSemaphore* ksv_semaphore_create(int32_t count, int32_t limit)
{
    KsvSemaphore* s = new (ksv_pool_alloc(sizeof(KsvSemaphore))) KsvSemaphore;
    s->count = count;
    s->limit = limit;
    return s;
}
void ksv_semaphore_destroy(KsvSemaphore* s) { Destroy(s); }
void ksv_semaphore_release(KsvSemaphore* s)
{
    std::lock_guard<std::mutex> lock(s->mutex);
    if (s->count < s->limit) ++s->count;
    s->changed.notify_one();
}
int ksv_semaphore_wait(KsvSemaphore* s, int64_t timeout100ns)
{
    std::unique_lock<std::mutex> lock(s->mutex);
    if (!s->changed.wait_for(lock, usbcam::Span(timeout100ns), [s] { return s->count > 0; })) return 0;
    --s->count;
    return 1;
}

int ksv_at_dispatch_level(void) { return usbcam::t_level > 0; }

int ksv_queue_work(KsvWorkRoutine routine, void* context)
{
    std::lock_guard<std::mutex> lock(usbcam::g_hostMutex);
    usbcam::g_work.emplace_back(routine, context);
    ++Host().workQueued;
    return 1;
}

KsvTimer* ksv_timer_create(KsvTimerRoutine routine, void* context)
{
    KsvTimer* timer = new (ksv_pool_alloc(sizeof(KsvTimer))) KsvTimer{routine, context, 0, false};
    usbcam::g_timers.push_back(timer);
    return timer;
}
void ksv_timer_destroy(KsvTimer* timer)
{
    if (!timer) return;
    auto& timers = usbcam::g_timers;
    timers.erase(std::remove(timers.begin(), timers.end(), timer), timers.end());
    ksv_pool_free(timer);
}
void ksv_timer_start(KsvTimer* timer, int64_t period100ns)
{
    timer->period = period100ns;
    timer->running = true;
}
void ksv_timer_stop(KsvTimer* timer) { timer->running = false; }

// The camera's waits are recorded, not slept.
void ksv_delay(int64_t interval100ns) { Host().delays.push_back(interval100ns); }

ScStatus ksv_submit_urb(void* lowerDevice, void* urb) { return usbcam::CameraAt(lowerDevice).Submit(urb); }

KsvIrp* ksv_irp_create(void* lowerDevice)
{
    KsvIrp* irp = static_cast<KsvIrp*>(ksv_pool_alloc(sizeof(KsvIrp)));
    irp->camera = &usbcam::CameraAt(lowerDevice);
    return irp;
}
void ksv_irp_destroy(KsvIrp* irp)
{
    if (irp) irp->camera->Forget(irp);
    ksv_pool_free(irp);
}
void ksv_irp_submit_urb(KsvIrp* irp, void* urb, KsvIrpCompletion completion, void* context)
{
    irp->urb = urb;
    irp->completion = completion;
    irp->context = context;
    irp->camera->SubmitAsync(irp);
}
void ksv_irp_cancel(KsvIrp* irp) { irp->camera->Cancel(irp); }

ScStatus ksv_select_first_interface(void* lowerDevice, UsbInterfaceInformation** interfaceCopy,
                                    void** configurationHandle)
{
    usbcam::SimUsbCamera& camera = usbcam::CameraAt(lowerDevice);
    if (camera.removed) return usbcam::kStatusNoSuchDevice;
    const std::vector<uint8_t> bytes = camera.InterfaceInformation();
    *interfaceCopy = static_cast<UsbInterfaceInformation*>(ksv_pool_alloc(bytes.size()));
    memcpy(*interfaceCopy, bytes.data(), bytes.size());
    *configurationHandle = camera.ConfigurationHandle();
    return kStatusSuccess;
}

ScStatus ksv_query_interface(void* classDevice, const ScGuid* type, uint16_t size, uint16_t version, void* block)
{
    usbcam::HostIrp irp = {true, type, size, version, block};
    ScRequestBlock srb = {};
    srb.SizeOfThisPacket = sizeof srb;
    srb.Command = kSrbUnknownDeviceCommand;
    srb.HwDeviceExtension = classDevice;
    srb.Irp = &irp;
    DovraCamAdapterReceivePacket(&srb);
    auto& done = Host().deviceCompleted;
    if (std::find(done.begin(), done.end(), &srb) == done.end()) abort();  // never left pending
    done.erase(std::find(done.begin(), done.end(), &srb));
    return srb.Status;
}

int ksv_interface_query_of(ScRequestBlock* srb, const ScGuid** type, uint16_t* size, uint16_t* version, void** block)
{
    const auto* irp = static_cast<const usbcam::HostIrp*>(srb->Irp);
    if (!irp || !irp->queryInterface) return 0;
    *type = irp->type;
    *size = irp->size;
    *version = irp->version;
    *block = irp->block;
    return 1;
}

void ksv_device_request_complete(ScRequestBlock* srb) { Host().deviceCompleted.push_back(srb); }
void ksv_stream_request_complete(ScRequestBlock* srb)
{
    Host().streamCompleted.push_back(srb);
    if (Host().onStreamComplete) Host().onStreamComplete(srb);
}
void ksv_signal_device_event(void* deviceExtension, const ScGuid* set, uint32_t id)
{
    Host().deviceEvents.push_back({deviceExtension, *set, id});
}
int64_t ksv_master_clock_time(void*, ScRequestBlock*) { return Host().masterClock ? Host().masterClock() : 0; }

int ksv_settings_read(void* physicalDevice, const char* name, uint32_t* value)
{
    auto& settings = usbcam::CameraAt(physicalDevice).settings;
    auto found = settings.find(name);
    if (found == settings.end() || found->second.size() != 4) return 0;
    memcpy(value, found->second.data(), 4);
    return 1;
}

void ksv_settings_write(void* physicalDevice, const char* name, uint32_t value)
{
    auto& data = usbcam::CameraAt(physicalDevice).settings[name];
    data.resize(4);
    memcpy(data.data(), &value, 4);
}

}  // extern "C"

/* The kernel services the minidriver's logic uses. The .sys implements them
 * with the real kernel calls (kernel/KernelServices.c); the host tests with a
 * simulated USB stack. Kept thin: each call maps onto one or two kernel
 * routines. Every wait takes a bound. */
#ifndef DOVRACAM_KERNELSERVICES_H
#define DOVRACAM_KERNELSERVICES_H

#include <stddef.h>
#include <stdint.h>

#include <streamclass/StreamClass.h>
#include <streamclass/UsbStack.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct KsvSpinLock KsvSpinLock;
typedef struct KsvMutex KsvMutex;
typedef struct KsvEvent KsvEvent;
typedef struct KsvSemaphore KsvSemaphore;

/* Non-paged pool, zero-filled; NULL when exhausted. */
void* ksv_pool_alloc(size_t size);
void ksv_pool_free(void* block);

/* Spin locks raise to DISPATCH_LEVEL; the returned level goes to release. */
KsvSpinLock* ksv_spinlock_create(void);
void ksv_spinlock_destroy(KsvSpinLock* lock);
uint8_t ksv_spinlock_acquire(KsvSpinLock* lock);
void ksv_spinlock_release(KsvSpinLock* lock, uint8_t oldLevel);

/* A lock that may wait, for work at PASSIVE_LEVEL. */
KsvMutex* ksv_mutex_create(void);
void ksv_mutex_destroy(KsvMutex* mutex);
void ksv_mutex_acquire(KsvMutex* mutex);
void ksv_mutex_release(KsvMutex* mutex);

/* Notification events; wait returns 1 when signalled within the bound. */
KsvEvent* ksv_event_create(void);
void ksv_event_destroy(KsvEvent* event);
void ksv_event_set(KsvEvent* event);
void ksv_event_reset(KsvEvent* event);
int ksv_event_wait(KsvEvent* event, int64_t timeout100ns);

KsvSemaphore* ksv_semaphore_create(int32_t count, int32_t limit);
void ksv_semaphore_destroy(KsvSemaphore* semaphore);
void ksv_semaphore_release(KsvSemaphore* semaphore);
int ksv_semaphore_wait(KsvSemaphore* semaphore, int64_t timeout100ns);

/* 1 when the caller runs at DISPATCH_LEVEL or above. */
int ksv_at_dispatch_level(void);

/* Runs routine(context) later at PASSIVE_LEVEL on a system worker thread
 * (delayed queue); 0 when no work item could be had. */
typedef void (*KsvWorkRoutine)(void* context);
int ksv_queue_work(KsvWorkRoutine routine, void* context);

/* A periodic timer whose routine runs at DISPATCH_LEVEL once a period
 * (100 ns units) from start until stop; stop returns when the routine no
 * longer runs. */
typedef struct KsvTimer KsvTimer;
typedef void (*KsvTimerRoutine)(void* context);
KsvTimer* ksv_timer_create(KsvTimerRoutine routine, void* context);
void ksv_timer_destroy(KsvTimer* timer);
void ksv_timer_start(KsvTimer* timer, int64_t period100ns);
void ksv_timer_stop(KsvTimer* timer);

/* Waits at PASSIVE_LEVEL (relative, negative 100 ns units). */
void ksv_delay(int64_t interval100ns);

/* USB: one URB to the lower device, waited for within a bound. */
ScStatus ksv_submit_urb(void* lowerDevice, void* urb);
/* An IRP of our own for URBs that complete later. The completion runs exactly
 * once for every submission (at up to DISPATCH_LEVEL, perhaps before the
 * submission returns); the IRP may be submitted again from it. */
typedef struct KsvIrp KsvIrp;
typedef void (*KsvIrpCompletion)(void* context, ScStatus status);
KsvIrp* ksv_irp_create(void* lowerDevice);
void ksv_irp_destroy(KsvIrp* irp);
void ksv_irp_submit_urb(KsvIrp* irp, void* urb, KsvIrpCompletion completion, void* context);
void ksv_irp_cancel(KsvIrp* irp);

/* Reads the device's configuration, selects its first interface and returns
 * a pool copy of that interface's information (freed with ksv_pool_free) and
 * the configuration's handle. */
ScStatus ksv_select_first_interface(void* lowerDevice, UsbInterfaceInformation** interfaceCopy,
                                    void** configurationHandle);

/* Asks the device stack of the class device object for an interface
 * (IRP_MN_QUERY_INTERFACE) to be written into block. */
ScStatus ksv_query_interface(void* classDevice, const ScGuid* type, uint16_t size, uint16_t version, void* block);
/* 1 when the IRP of an unknown device command is IRP_MN_QUERY_INTERFACE;
 * then its interface type, size, version and block. */
int ksv_interface_query_of(ScRequestBlock* srb, const ScGuid** type, uint16_t* size, uint16_t* version, void** block);

/* Stream class notifications. */
void ksv_device_request_complete(ScRequestBlock* srb);
void ksv_stream_request_complete(ScRequestBlock* srb);
int64_t ksv_master_clock_time(void* clockHandle, ScRequestBlock* srb);
/* Signals every enabled device event of the set with that id. */
void ksv_signal_device_event(void* deviceExtension, const ScGuid* set, uint32_t id);

/* The device's "Settings" registry key: read only 4-byte values. */
int ksv_settings_read(void* physicalDevice, const char* name, uint32_t* value);
void ksv_settings_write(void* physicalDevice, const char* name, uint32_t value);

#ifdef __cplusplus
}
#endif

#endif

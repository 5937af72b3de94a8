/* The kernel services seam on the real kernel: each call is one or two
 * kernel routines. */
#include <ntddk.h>
#include <strmini.h>
#include <usb.h>
#include <usbdlib.h>
#include <usbioctl.h>

#include "KernelServices.h"

#define POOL_TAG 0x6D437644u /* "DvCm" */
/* A URB the USB stack does not finish within this is cancelled. */
#define URB_TIMEOUT_100NS (5LL * 10000000LL)

struct KsvSpinLock {
    KSPIN_LOCK lock;
};
struct KsvMutex {
    KMUTEX mutex;
};
struct KsvEvent {
    KEVENT event;
};
struct KsvSemaphore {
    KSEMAPHORE semaphore;
};

typedef struct WorkWrapper {
    WORK_QUEUE_ITEM item;
    KsvWorkRoutine routine;
    void* context;
} WorkWrapper;

void* ksv_pool_alloc(size_t size)
{
    void* block = ExAllocatePoolWithTag(NonPagedPool, size ? size : 1, POOL_TAG);
    if (block) RtlZeroMemory(block, size);
    return block;
}

void ksv_pool_free(void* block)
{
    if (block) ExFreePoolWithTag(block, POOL_TAG);
}

KsvSpinLock* ksv_spinlock_create(void)
{
    KsvSpinLock* l = ksv_pool_alloc(sizeof *l);
    if (l) KeInitializeSpinLock(&l->lock);
    return l;
}
void ksv_spinlock_destroy(KsvSpinLock* l) { ksv_pool_free(l); }
uint8_t ksv_spinlock_acquire(KsvSpinLock* l)
{
    KIRQL old;
    KeAcquireSpinLock(&l->lock, &old);
    return old;
}
void ksv_spinlock_release(KsvSpinLock* l, uint8_t old) { KeReleaseSpinLock(&l->lock, old); }

static int Waited(PVOID object, int64_t timeout100ns)
{
    LARGE_INTEGER timeout;
    timeout.QuadPart = -timeout100ns;
    return KeWaitForSingleObject(object, Executive, KernelMode, FALSE, &timeout) == STATUS_SUCCESS;
}

KsvMutex* ksv_mutex_create(void)
{
    KsvMutex* m = ksv_pool_alloc(sizeof *m);
    if (m) KeInitializeMutex(&m->mutex, 0);
    return m;
}
void ksv_mutex_destroy(KsvMutex* m) { ksv_pool_free(m); }
void ksv_mutex_acquire(KsvMutex* m) { KeWaitForSingleObject(&m->mutex, Executive, KernelMode, FALSE, NULL); }
void ksv_mutex_release(KsvMutex* m) { KeReleaseMutex(&m->mutex, FALSE); }

KsvEvent* ksv_event_create(void)
{
    KsvEvent* e = ksv_pool_alloc(sizeof *e);
    if (e) KeInitializeEvent(&e->event, NotificationEvent, FALSE);
    return e;
}
void ksv_event_destroy(KsvEvent* e) { ksv_pool_free(e); }
void ksv_event_set(KsvEvent* e) { KeSetEvent(&e->event, IO_NO_INCREMENT, FALSE); }
void ksv_event_reset(KsvEvent* e) { KeClearEvent(&e->event); }
int ksv_event_wait(KsvEvent* e, int64_t timeout100ns) { return Waited(&e->event, timeout100ns); }

KsvSemaphore* ksv_semaphore_create(int32_t count, int32_t limit)
{
    KsvSemaphore* s = ksv_pool_alloc(sizeof *s);
    if (s) KeInitializeSemaphore(&s->semaphore, count, limit);
    return s;
}
void ksv_semaphore_destroy(KsvSemaphore* s) { ksv_pool_free(s); }
void ksv_semaphore_release(KsvSemaphore* s) { KeReleaseSemaphore(&s->semaphore, IO_NO_INCREMENT, 1, FALSE); }
int ksv_semaphore_wait(KsvSemaphore* s, int64_t timeout100ns) { return Waited(&s->semaphore, timeout100ns); }

int ksv_at_dispatch_level(void) { return KeGetCurrentIrql() >= DISPATCH_LEVEL; }

static VOID RunWork(PVOID parameter)
{
    WorkWrapper* work = parameter;
    work->routine(work->context);
    ksv_pool_free(work);
}

int ksv_queue_work(KsvWorkRoutine routine, void* context)
{
    WorkWrapper* work = ksv_pool_alloc(sizeof *work);
    if (!work) return 0;
    work->routine = routine;
    work->context = context;
    ExInitializeWorkItem(&work->item, RunWork, work);
    ExQueueWorkItem(&work->item, DelayedWorkQueue);
    return 1;
}

struct KsvTimer {
    KTIMER timer;
    KDPC dpc;
    KsvTimerRoutine routine;
    void* context;
};

static void RunTimer(PKDPC dpc, void* context, void* unused1, void* unused2)
{
    KsvTimer* t = context;
    (void)dpc, (void)unused1, (void)unused2;
    t->routine(t->context);
}

KsvTimer* ksv_timer_create(KsvTimerRoutine routine, void* context)
{
    KsvTimer* t = ksv_pool_alloc(sizeof *t);
    if (!t) return NULL;
    t->routine = routine;
    t->context = context;
    KeInitializeTimerEx(&t->timer, SynchronizationTimer);
    KeInitializeDpc(&t->dpc, RunTimer, t);
    return t;
}
void ksv_timer_destroy(KsvTimer* t)
{
    if (!t) return;
    ksv_timer_stop(t);
    ksv_pool_free(t);
}
void ksv_timer_start(KsvTimer* t, int64_t period100ns)
{
    LARGE_INTEGER due;
    due.QuadPart = -period100ns;
    KeSetTimerEx(&t->timer, due, (LONG)(period100ns / 10000), &t->dpc);
}
void ksv_timer_stop(KsvTimer* t)
{
    KeCancelTimer(&t->timer);
    KeFlushQueuedDpcs(); /* a DPC already queued has run when this returns */
}

void ksv_delay(int64_t interval100ns)
{
    LARGE_INTEGER interval;
    interval.QuadPart = interval100ns;
    KeDelayExecutionThread(KernelMode, FALSE, &interval);
}

ScStatus ksv_submit_urb(void* lowerDevice, void* urb)
{
    KEVENT done;
    IO_STATUS_BLOCK io;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    PIRP irp =
        IoBuildDeviceIoControlRequest(IOCTL_INTERNAL_USB_SUBMIT_URB, lowerDevice, NULL, 0, NULL, 0, TRUE, &done, &io);
    if (!irp) return STATUS_UNSUCCESSFUL;
    IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = urb;
    NTSTATUS status = IoCallDriver(lowerDevice, irp);
    if (status == STATUS_PENDING) {
        if (!Waited(&done, URB_TIMEOUT_100NS)) {
            /* The IRP refers to this frame's event: it must finish before we leave. */
            IoCancelIrp(irp);
            KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
        }
        status = io.Status;
    }
    return status;
}

struct KsvIrp {
    PIRP irp;
    PDEVICE_OBJECT lower;
    KsvIrpCompletion completion;
    void* context;
};

KsvIrp* ksv_irp_create(void* lowerDevice)
{
    KsvIrp* i = ksv_pool_alloc(sizeof *i);
    if (!i) return NULL;
    i->lower = lowerDevice;
    i->irp = IoAllocateIrp(i->lower->StackSize, FALSE);
    if (!i->irp) {
        ksv_pool_free(i);
        return NULL;
    }
    return i;
}

void ksv_irp_destroy(KsvIrp* i)
{
    if (!i) return;
    IoFreeIrp(i->irp);
    ksv_pool_free(i);
}

static NTSTATUS IrpDone(PDEVICE_OBJECT device, PIRP irp, PVOID context)
{
    KsvIrp* i = context;
    (void)device;
    i->completion(i->context, irp->IoStatus.Status);
    /* The IRP is ours and used again. */
    return STATUS_MORE_PROCESSING_REQUIRED;
}

void ksv_irp_submit_urb(KsvIrp* i, void* urb, KsvIrpCompletion completion, void* context)
{
    IoReuseIrp(i->irp, STATUS_SUCCESS);
    i->completion = completion;
    i->context = context;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(i->irp);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
    next->Parameters.Others.Argument1 = urb;
    IoSetCompletionRoutine(i->irp, IrpDone, i, TRUE, TRUE, TRUE);
    IoCallDriver(i->lower, i->irp);
}

void ksv_irp_cancel(KsvIrp* i) { IoCancelIrp(i->irp); }

static ScStatus ReadDescriptor(void* lowerDevice, UCHAR type, void* buffer, ULONG length)
{
    URB urb;
    RtlZeroMemory(&urb, sizeof urb);
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST), type, 0, 0, buffer, NULL, length,
                                 NULL);
    return ksv_submit_urb(lowerDevice, &urb);
}

ScStatus ksv_select_first_interface(void* lowerDevice, UsbInterfaceInformation** interfaceCopy,
                                    void** configurationHandle)
{
    *interfaceCopy = NULL;
    USB_DEVICE_DESCRIPTOR device;
    NTSTATUS status = ReadDescriptor(lowerDevice, USB_DEVICE_DESCRIPTOR_TYPE, &device, sizeof device);
    if (!NT_SUCCESS(status)) return status;
    ULONG length = 64;
    PUSB_CONFIGURATION_DESCRIPTOR config = ksv_pool_alloc(length);
    if (!config) return STATUS_INSUFFICIENT_RESOURCES;
    status = ReadDescriptor(lowerDevice, USB_CONFIGURATION_DESCRIPTOR_TYPE, config, length);
    if (NT_SUCCESS(status) && config->wTotalLength > length) {
        length = config->wTotalLength;
        ksv_pool_free(config);
        config = ksv_pool_alloc(length);
        status = config ? ReadDescriptor(lowerDevice, USB_CONFIGURATION_DESCRIPTOR_TYPE, config, length)
                        : STATUS_INSUFFICIENT_RESOURCES;
    }
    PUSB_INTERFACE_DESCRIPTOR iface =
        NT_SUCCESS(status) ? USBD_ParseConfigurationDescriptorEx(config, config, -1, -1, -1, -1, -1) : NULL;
    if (NT_SUCCESS(status) && !iface) status = STATUS_DEVICE_DATA_ERROR;
    if (NT_SUCCESS(status)) {
        USBD_INTERFACE_LIST_ENTRY list[2] = {{iface, NULL}, {NULL, NULL}};
        PURB urb = USBD_CreateConfigurationRequestEx(config, list);
        status = urb ? ksv_submit_urb(lowerDevice, urb) : STATUS_INSUFFICIENT_RESOURCES;
        if (NT_SUCCESS(status)) {
            *configurationHandle = urb->UrbSelectConfiguration.ConfigurationHandle;
            *interfaceCopy = ksv_pool_alloc(list[0].Interface->Length);
            if (*interfaceCopy)
                RtlCopyMemory(*interfaceCopy, list[0].Interface, list[0].Interface->Length);
            else
                status = STATUS_INSUFFICIENT_RESOURCES;
        }
        if (urb) ExFreePool(urb);
    }
    ksv_pool_free(config);
    return status;
}

/* The query's event and status live in pool: a query that outlasts its wait
 * (PnP IRPs cannot be cancelled) still has them to write into. */
typedef struct InterfaceQueryWait {
    KEVENT done;
    IO_STATUS_BLOCK io;
} InterfaceQueryWait;

ScStatus ksv_query_interface(void* classDevice, const ScGuid* type, uint16_t size, uint16_t version, void* block)
{
    InterfaceQueryWait* wait = ksv_pool_alloc(sizeof *wait);
    if (!wait) return STATUS_INSUFFICIENT_RESOURCES;
    KeInitializeEvent(&wait->done, NotificationEvent, FALSE);
    PDEVICE_OBJECT top = IoGetAttachedDeviceReference(classDevice);
    PIRP irp = IoBuildSynchronousFsdRequest(IRP_MJ_PNP, top, NULL, 0, NULL, &wait->done, &wait->io);
    if (!irp) {
        ObDereferenceObject(top);
        ksv_pool_free(wait);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED; /* what a PnP IRP nobody answers reports */
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MinorFunction = IRP_MN_QUERY_INTERFACE;
    stack->Parameters.QueryInterface.InterfaceType = (const GUID*)type;
    stack->Parameters.QueryInterface.Size = size;
    stack->Parameters.QueryInterface.Version = version;
    stack->Parameters.QueryInterface.Interface = block;
    stack->Parameters.QueryInterface.InterfaceSpecificData = NULL;
    NTSTATUS status = IoCallDriver(top, irp);
    ObDereferenceObject(top);
    if (status == STATUS_PENDING) {
        if (!Waited(&wait->done, URB_TIMEOUT_100NS)) return STATUS_TIMEOUT; /* wait stays allocated */
        status = wait->io.Status;
    }
    ksv_pool_free(wait);
    return status;
}

int ksv_interface_query_of(ScRequestBlock* srb, const ScGuid** type, uint16_t* size, uint16_t* version, void** block)
{
    PIRP irp = srb->Irp;
    if (!irp) return 0;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->MajorFunction != IRP_MJ_PNP || stack->MinorFunction != IRP_MN_QUERY_INTERFACE) return 0;
    *type = (const ScGuid*)stack->Parameters.QueryInterface.InterfaceType;
    *size = stack->Parameters.QueryInterface.Size;
    *version = stack->Parameters.QueryInterface.Version;
    *block = stack->Parameters.QueryInterface.Interface;
    return 1;
}

/* The routine is variadic: this notification takes the event set and the
 * event id after the device extension. MinGW-w64 declares it with fixed
 * slots instead; on x64 both forms pass the third and fourth arguments in
 * the same registers. */
void ksv_signal_device_event(void* deviceExtension, const ScGuid* set, uint32_t id)
{
    StreamClassDeviceNotification(SignalMultipleDeviceEvents, deviceExtension, (PHW_STREAM_REQUEST_BLOCK)set,
                                  (PKSEVENT_ENTRY)(ULONG_PTR)id, NULL, 0);
}

void ksv_device_request_complete(ScRequestBlock* srb)
{
    StreamClassDeviceNotification(DeviceRequestComplete, srb->HwDeviceExtension, (PHW_STREAM_REQUEST_BLOCK)srb, NULL,
                                  NULL, 0);
}

void ksv_stream_request_complete(ScRequestBlock* srb)
{
    StreamClassStreamNotification(StreamRequestComplete, (PHW_STREAM_OBJECT)srb->StreamObject,
                                  (PHW_STREAM_REQUEST_BLOCK)srb);
}

int64_t ksv_master_clock_time(void* clockHandle, ScRequestBlock* srb)
{
    HW_TIME_CONTEXT time;
    RtlZeroMemory(&time, sizeof time);
    time.HwDeviceExtension = srb->HwDeviceExtension;
    time.HwStreamObject = (PHW_STREAM_OBJECT)srb->StreamObject;
    time.Function = TIME_GET_STREAM_TIME;
    StreamClassQueryMasterClockSync(clockHandle, &time);
    return (int64_t)time.Time;
}

/* Opens (creating it if needed) the "Settings" key under the device's driver key. */
static HANDLE OpenSettings(void* physicalDevice)
{
    HANDLE driverKey = NULL, settings = NULL;
    if (!NT_SUCCESS(IoOpenDeviceRegistryKey(physicalDevice, PLUGPLAY_REGKEY_DRIVER, KEY_ALL_ACCESS, &driverKey)))
        return NULL;
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"Settings");
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, driverKey, NULL);
    if (!NT_SUCCESS(ZwCreateKey(&settings, KEY_ALL_ACCESS, &attributes, 0, NULL, REG_OPTION_NON_VOLATILE, NULL)))
        settings = NULL;
    ZwClose(driverKey);
    return settings;
}

static void WideName(const char* name, WCHAR* wide, size_t capacity, UNICODE_STRING* out)
{
    size_t i = 0;
    for (; name[i] && i + 1 < capacity; ++i) wide[i] = (WCHAR)name[i];
    wide[i] = 0;
    RtlInitUnicodeString(out, wide);
}

int ksv_settings_read(void* physicalDevice, const char* name, uint32_t* value)
{
    HANDLE key = OpenSettings(physicalDevice);
    if (!key) return 0;
    WCHAR wide[32];
    UNICODE_STRING valueName;
    WideName(name, wide, 32, &valueName);
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 8];
    } answer;
    ULONG size = 0;
    NTSTATUS status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, &answer, sizeof answer, &size);
    ZwClose(key);
    /* Only a value of exactly four bytes is taken. */
    if (!NT_SUCCESS(status) || answer.info.DataLength != 4) return 0;
    RtlCopyMemory(value, answer.info.Data, 4);
    return 1;
}

void ksv_settings_write(void* physicalDevice, const char* name, uint32_t value)
{
    HANDLE key = OpenSettings(physicalDevice);
    if (!key) return;
    WCHAR wide[32];
    UNICODE_STRING valueName;
    WideName(name, wide, 32, &valueName);
    ZwSetValueKey(key, &valueName, 0, REG_DWORD, &value, sizeof value);
    ZwClose(key);
}

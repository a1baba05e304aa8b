/* The notebook's ACPI driver as the service sees it: notify codes that
   presskey injects are queued and handed out one per read, and the client's
   event is signalled while codes wait. Hosted by Wine's winedevice.exe. */
#include <ntifs.h>

#include "tarnacpi_ioctl.h"

static PDEVICE_OBJECT g_device;
static KSPIN_LOCK g_lock;
/* Guarded by g_lock. */
static PKEVENT g_event;
static ULONG g_queue[TARN_ACPI_QUEUE_CAPACITY];
static ULONG g_head;
static ULONG g_count;
static TarnAcpiStats g_stats;

static void ZeroStats(void) {
  /* Field by field: -nostdlib leaves no memset to fall back on. */
  g_stats.size = sizeof(TarnAcpiStats);
  g_stats.helloCount = 0;
  g_stats.registerCount = 0;
  g_stats.eventRegistered = 0;
  g_stats.readsServed = 0;
  g_stats.readsFailed = 0;
  g_stats.codesInjected = 0;
  g_stats.codesDropped = 0;
  g_stats.codesQueued = 0;
  g_stats.lastCode = 0;
  g_stats.failReadsPending = 0;
  g_stats.lastSignalTimeLow = g_stats.lastSignalTimeHigh = 0;
  g_stats.lastReadTimeLow = g_stats.lastReadTimeHigh = 0;
}

/* Benchmarks time the service's path from the signal to its action. */
static void StampNow(unsigned int* low, unsigned int* high) {
  LARGE_INTEGER now;
  KeQuerySystemTime(&now);
  *low = now.LowPart;
  *high = (unsigned int)now.HighPart;
}

static PKEVENT SwapEvent(PKEVENT event) {
  KIRQL irql;
  PKEVENT old;
  KeAcquireSpinLock(&g_lock, &irql);
  old = g_event;
  g_event = event;
  g_stats.eventRegistered = event != NULL;
  if (event != NULL) {
    g_stats.registerCount++;
    /* Codes pressed before the client registered must still reach it. */
    if (g_count != 0) KeSetEvent(event, IO_NO_INCREMENT, FALSE);
  }
  KeReleaseSpinLock(&g_lock, irql);
  return old;
}

static void ReleaseEvent(PKEVENT event) {
  if (event != NULL) ObDereferenceObject(event);
}

/* The handle belongs to the client process, but this code runs in
   winedevice.exe: take a copy into our process before referencing it. */
static NTSTATUS ReferenceClientEvent(HANDLE userHandle, PKEVENT* event) {
  OBJECT_ATTRIBUTES attributes;
  CLIENT_ID client;
  HANDLE process = NULL;
  HANDLE copy = NULL;
  PVOID object = NULL;
  NTSTATUS status;

  InitializeObjectAttributes(&attributes, NULL, OBJ_KERNEL_HANDLE, NULL, NULL);
  client.UniqueProcess = PsGetCurrentProcessId();
  client.UniqueThread = NULL;
  status = ZwOpenProcess(&process, PROCESS_DUP_HANDLE, &attributes, &client);
  if (!NT_SUCCESS(status)) return status;
  status =
      ZwDuplicateObject(process, userHandle, NtCurrentProcess(), &copy, EVENT_MODIFY_STATE, 0, 0);
  ZwClose(process);
  if (!NT_SUCCESS(status)) return status;
  /* ExEventObjectType is declared dllimport: the import itself is the type. */
  status = ObReferenceObjectByHandle(copy, EVENT_MODIFY_STATE, (POBJECT_TYPE)ExEventObjectType,
                                     KernelMode, &object, NULL);
  ZwClose(copy);
  if (!NT_SUCCESS(status)) return status;
  *event = (PKEVENT)object;
  return STATUS_SUCCESS;
}

/* The client's event handle. A 32-bit process, under WoW64 on a 64-bit kernel,
   passes a 4-byte handle, widened as the kernel's own Handle32ToHandle does; a
   process of the kernel's own width passes a whole one. */
static NTSTATUS ClientHandle(PIRP irp, PIO_STACK_LOCATION stack, HANDLE* handle) {
  const ULONG length = stack->Parameters.DeviceIoControl.InputBufferLength;
  PVOID buffer = irp->AssociatedIrp.SystemBuffer;
#ifdef _WIN64
  if (!IoIs32bitProcess(irp)) {
    if (length < sizeof(HANDLE)) return STATUS_INVALID_PARAMETER;
    *handle = *(HANDLE*)buffer;
    return STATUS_SUCCESS;
  }
#endif
  if (length < sizeof(ULONG)) return STATUS_INVALID_PARAMETER;
  *handle = (HANDLE)(LONG_PTR) * (LONG*)buffer;
  return STATUS_SUCCESS;
}

static NTSTATUS RegisterEvent(PIRP irp, PIO_STACK_LOCATION stack) {
  PVOID buffer = irp->AssociatedIrp.SystemBuffer;
  PKEVENT event = NULL;
  HANDLE handle = NULL;
  NTSTATUS status = ClientHandle(irp, stack, &handle);
  if (!NT_SUCCESS(status)) return status;
  status = ReferenceClientEvent(handle, &event);
  if (!NT_SUCCESS(status)) return status;
  ReleaseEvent(SwapEvent(event));
  if (stack->Parameters.DeviceIoControl.OutputBufferLength >= sizeof(ULONG)) {
    *(ULONG*)buffer = 0;
    irp->IoStatus.Information = sizeof(ULONG);
  }
  return STATUS_SUCCESS;
}

static NTSTATUS GetNotifyCode(PIRP irp, PIO_STACK_LOCATION stack) {
  KIRQL irql;
  NTSTATUS status;
  ULONG code = 0;
  if (stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(ULONG))
    return STATUS_BUFFER_TOO_SMALL;
  KeAcquireSpinLock(&g_lock, &irql);
  if (g_stats.failReadsPending != 0) {
    g_stats.failReadsPending--;
    g_stats.readsFailed++;
    status = STATUS_DEVICE_NOT_READY;
  } else if (g_count == 0) {
    g_stats.readsFailed++;
    status = STATUS_NO_MORE_ENTRIES;
  } else {
    code = g_queue[g_head];
    g_head = (g_head + 1) % TARN_ACPI_QUEUE_CAPACITY;
    g_count--;
    g_stats.readsServed++;
    g_stats.lastCode = code;
    StampNow(&g_stats.lastReadTimeLow, &g_stats.lastReadTimeHigh);
    status = STATUS_SUCCESS;
  }
  /* An auto-reset event merges signals that arrived before the client woke,
     so every read that leaves codes behind signals again. A forced failure
     consumed nothing, so it re-signals too. */
  if (g_count != 0 && g_event != NULL) KeSetEvent(g_event, IO_NO_INCREMENT, FALSE);
  KeReleaseSpinLock(&g_lock, irql);
  if (NT_SUCCESS(status)) {
    *(ULONG*)irp->AssociatedIrp.SystemBuffer = code;
    irp->IoStatus.Information = sizeof(ULONG);
  }
  return status;
}

static NTSTATUS Inject(PIRP irp, PIO_STACK_LOCATION stack) {
  const ULONG* codes = (const ULONG*)irp->AssociatedIrp.SystemBuffer;
  ULONG n = stack->Parameters.DeviceIoControl.InputBufferLength / sizeof(ULONG);
  ULONG i;
  KIRQL irql;
  if (n == 0) return STATUS_INVALID_PARAMETER;
  KeAcquireSpinLock(&g_lock, &irql);
  for (i = 0; i < n; ++i) {
    if (g_count == TARN_ACPI_QUEUE_CAPACITY) {
      g_stats.codesDropped++;
      continue;
    }
    g_queue[(g_head + g_count) % TARN_ACPI_QUEUE_CAPACITY] = codes[i];
    g_count++;
    g_stats.codesInjected++;
    if (g_event != NULL) {
      StampNow(&g_stats.lastSignalTimeLow, &g_stats.lastSignalTimeHigh);
      KeSetEvent(g_event, IO_NO_INCREMENT, FALSE);
    }
  }
  KeReleaseSpinLock(&g_lock, irql);
  return STATUS_SUCCESS;
}

static NTSTATUS Stats(PIRP irp, PIO_STACK_LOCATION stack) {
  TarnAcpiStats* out = (TarnAcpiStats*)irp->AssociatedIrp.SystemBuffer;
  KIRQL irql;
  if (stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(TarnAcpiStats))
    return STATUS_BUFFER_TOO_SMALL;
  KeAcquireSpinLock(&g_lock, &irql);
  g_stats.codesQueued = g_count;
  /* Field by field: a struct assignment may become a memcpy call. */
  out->size = g_stats.size;
  out->helloCount = g_stats.helloCount;
  out->registerCount = g_stats.registerCount;
  out->eventRegistered = g_stats.eventRegistered;
  out->readsServed = g_stats.readsServed;
  out->readsFailed = g_stats.readsFailed;
  out->codesInjected = g_stats.codesInjected;
  out->codesDropped = g_stats.codesDropped;
  out->codesQueued = g_stats.codesQueued;
  out->lastCode = g_stats.lastCode;
  out->failReadsPending = g_stats.failReadsPending;
  out->lastSignalTimeLow = g_stats.lastSignalTimeLow;
  out->lastSignalTimeHigh = g_stats.lastSignalTimeHigh;
  out->lastReadTimeLow = g_stats.lastReadTimeLow;
  out->lastReadTimeHigh = g_stats.lastReadTimeHigh;
  KeReleaseSpinLock(&g_lock, irql);
  irp->IoStatus.Information = sizeof(TarnAcpiStats);
  return STATUS_SUCCESS;
}

static NTSTATUS Reset(void) {
  KIRQL irql;
  PKEVENT old;
  KeAcquireSpinLock(&g_lock, &irql);
  old = g_event;
  g_event = NULL;
  g_head = 0;
  g_count = 0;
  ZeroStats();
  KeReleaseSpinLock(&g_lock, irql);
  ReleaseEvent(old);
  return STATUS_SUCCESS;
}

static NTSTATUS FailReads(PIRP irp, PIO_STACK_LOCATION stack) {
  KIRQL irql;
  if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(ULONG))
    return STATUS_INVALID_PARAMETER;
  KeAcquireSpinLock(&g_lock, &irql);
  g_stats.failReadsPending = *(const ULONG*)irp->AssociatedIrp.SystemBuffer;
  KeReleaseSpinLock(&g_lock, irql);
  return STATUS_SUCCESS;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status) {
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS NTAPI DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  irp->IoStatus.Information = 0;
  return Complete(irp, STATUS_SUCCESS);
}

static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status;
  KIRQL irql;
  (void)device;
  irp->IoStatus.Information = 0;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_TARN_ACPI_HELLO:
      KeAcquireSpinLock(&g_lock, &irql);
      g_stats.helloCount++;
      KeReleaseSpinLock(&g_lock, irql);
      status = STATUS_SUCCESS;
      break;
    case IOCTL_TARN_ACPI_REGISTER_EVENT:
      status = RegisterEvent(irp, stack);
      break;
    case IOCTL_TARN_ACPI_GET_NOTIFY_CODE:
      status = GetNotifyCode(irp, stack);
      break;
    case IOCTL_TARN_ACPI_INJECT:
      status = Inject(irp, stack);
      break;
    case IOCTL_TARN_ACPI_STATS:
      status = Stats(irp, stack);
      break;
    case IOCTL_TARN_ACPI_RESET:
      status = Reset();
      break;
    case IOCTL_TARN_ACPI_FAIL_READS:
      status = FailReads(irp, stack);
      break;
    default:
      status = STATUS_INVALID_DEVICE_REQUEST;
      break;
  }
  return Complete(irp, status);
}

static void NTAPI DriverUnload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  (void)driver;
  Reset();
  RtlInitUnicodeString(&link, TARN_ACPI_LINK_NAME);
  IoDeleteSymbolicLink(&link);
  IoDeleteDevice(g_device);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  UNICODE_STRING name;
  UNICODE_STRING link;
  NTSTATUS status;
  (void)registryPath;

  KeInitializeSpinLock(&g_lock);
  ZeroStats();
  RtlInitUnicodeString(&name, TARN_ACPI_DEVICE_NAME);
  status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &g_device);
  if (!NT_SUCCESS(status)) return status;
  RtlInitUnicodeString(&link, TARN_ACPI_LINK_NAME);
  status = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(g_device);
    return status;
  }
  g_device->Flags |= DO_BUFFERED_IO;
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  driver->DriverUnload = DriverUnload;
  return STATUS_SUCCESS;
}

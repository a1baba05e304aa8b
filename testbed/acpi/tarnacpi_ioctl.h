/* The notebook's ACPI device as the driver, the access library, presskey and
   the tests all see it. Plain C so the driver can include it too. */
#ifndef TARNACPI_IOCTL_H
#define TARNACPI_IOCTL_H

#define TARN_ACPI_DEVICE_NAME L"\\Device\\TarnAcpi"
#define TARN_ACPI_LINK_NAME L"\\DosDevices\\TarnAcpi"
#define TARN_ACPI_USER_PATH L"\\\\.\\TarnAcpi"
#define TARN_ACPI_SERVICE_NAME L"TarnAcpi"

/* Spelled out rather than built with CTL_CODE: the values are what the service
   sends, so they must not depend on which headers are in scope. */

/* Sent once after opening; no input, no output. */
#define IOCTL_TARN_ACPI_HELLO 0x0022240Cu
/* Input: the caller's event HANDLE (4 bytes); output: 4 bytes, always 0. */
#define IOCTL_TARN_ACPI_REGISTER_EVENT 0x00222400u
/* Output: the next queued notify code (4 bytes); fails while the queue is empty. */
#define IOCTL_TARN_ACPI_GET_NOTIFY_CODE 0x00222408u

/* Testbed-only codes (function numbers 0x980..0x983). */
/* Input: one or more 32-bit notify codes, queued in order. */
#define IOCTL_TARN_ACPI_INJECT 0x00222600u
/* Output: struct TarnAcpiStats. */
#define IOCTL_TARN_ACPI_STATS 0x00222604u
/* Empties the queue, zeroes the counters and forgets the registered event. */
#define IOCTL_TARN_ACPI_RESET 0x00222608u
/* Input: 32-bit N; the next N notify-code reads fail without consuming a code. */
#define IOCTL_TARN_ACPI_FAIL_READS 0x0022260Cu

#define TARN_ACPI_QUEUE_CAPACITY 4096u

/* Every field is 32 bits so the layout is the same for the driver and user mode. */
typedef struct TarnAcpiStats {
  unsigned int size;             /* sizeof(TarnAcpiStats), lets readers detect a stale driver */
  unsigned int helloCount;       /* IOCTL_TARN_ACPI_HELLO requests */
  unsigned int registerCount;    /* IOCTL_TARN_ACPI_REGISTER_EVENT requests that succeeded */
  unsigned int eventRegistered;  /* 1 while an event is held */
  unsigned int readsServed;      /* notify-code reads that returned a code */
  unsigned int readsFailed;      /* notify-code reads that failed (empty queue or forced) */
  unsigned int codesInjected;    /* codes accepted into the queue */
  unsigned int codesDropped;     /* codes lost because the queue was full */
  unsigned int codesQueued;      /* codes waiting now */
  unsigned int lastCode;         /* last code served, 0 before the first */
  unsigned int failReadsPending; /* forced failures still to come */
  /* System time (100 ns since 1601, as GetSystemTimeAsFileTime) of the last
     injection that signalled the client, and of the last code served. */
  unsigned int lastSignalTimeLow, lastSignalTimeHigh;
  unsigned int lastReadTimeLow, lastReadTimeHigh;
} TarnAcpiStats;

#endif /* TARNACPI_IOCTL_H */

// The notebook's ACPI access library and driver, as the service uses them.
// Calls into the library come from the main thread and the hotkey thread; one
// lock serialises them, since the library promises nothing about two callers.
#pragma once

#include <windows.h>

// Device control codes of the ACPI driver.
constexpr DWORD IOCTL_TARN_ACPI_HELLO = 0x22240C;
constexpr DWORD IOCTL_TARN_ACPI_SET_EVENT = 0x222400;
constexpr DWORD IOCTL_TARN_ACPI_GET_NOTIFY_CODE = 0x222408;

// A method name as the library takes it: four ASCII letters, lowest byte first.
constexpr DWORD AcpiMethodName(const char (&name)[5]) {
  return DWORD(BYTE(name[0])) | DWORD(BYTE(name[1])) << 8 | DWORD(BYTE(name[2])) << 16 |
         DWORD(BYTE(name[3])) << 24;
}

// Loads "TARNACPIDLL32.dll"; false when it did not load.
bool LoadAcpiLibrary();
// Looks up its four entries (none without the library).
void BindAcpiEntries();
bool AcpiHasLoadDriver();

// ACPI_LoadDriver into the process-wide device handle; false when it reports failure.
bool AcpiLoadDriver();

// DeviceIoControl on the driver's handle; false without a handle.
bool AcpiControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);

// None_Method_Raw: *result keeps the caller's preset unless the library writes it.
// False when the entry is missing or the call reports failure.
bool AcpiNoneMethod(DWORD method, DWORD* result);
// One_Method_Raw; false only when the entry is missing.
bool AcpiOneMethod(DWORD method, DWORD argument);

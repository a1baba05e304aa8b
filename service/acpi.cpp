#include "acpi.h"

#include "debuglog.h"
#include "entry.h"
#include "handles.h"
#include "loadpath.h"

using suite::DebugLogW;

namespace {

typedef int(__cdecl* PFN_ACPI_LoadDriver)(HANDLE* device);
typedef int(__cdecl* PFN_None_Method_Raw)(DWORD method, DWORD* result, void* scratch);
typedef int(__cdecl* PFN_One_Method_Raw)(DWORD method, DWORD argument, void* scratch1,
                                         void* scratch2, void* scratch3);
typedef int(__cdecl* PFN_Multi_Method_Raw)(DWORD method, DWORD count, const DWORD* arguments,
                                           DWORD* result, void* scratch);

// The library's scratch storage is never read back; its size is not documented,
// so every call gets a generous zeroed block.
constexpr size_t kScratchBytes = 1024;

// Bound once at dialog initialisation. The library and the device handle are
// deliberately never released: the driver connection lives as long as the process.
HMODULE g_hAcpiModule = nullptr;
PFN_ACPI_LoadDriver g_pLoadDriver = nullptr;
PFN_None_Method_Raw g_pNoneMethodRaw = nullptr;
PFN_One_Method_Raw g_pOneMethodRaw = nullptr;
PFN_Multi_Method_Raw g_pMultiMethodRaw = nullptr;
HANDLE g_hAcpiDevice = nullptr;

// Guards every call into the access library (main thread and hotkey thread).
suite::ProcessLock g_acpiLock;

}  // namespace

bool LoadAcpiLibrary() {
  g_hAcpiModule = suite::LoadNotebookComponent(L"TARNACPIDLL32.dll");
  DebugLogW(L"[OSDActive][OnInitDialog]TARNACPIDLL32");
  return g_hAcpiModule != nullptr;
}

void BindAcpiEntries() {
  // A library that did not load has none of its entries, which is logged as for
  // every other library.
  g_pLoadDriver = suite::GetEntry<PFN_ACPI_LoadDriver>(g_hAcpiModule, "ACPI_LoadDriver");
  g_pNoneMethodRaw = suite::GetEntry<PFN_None_Method_Raw>(g_hAcpiModule, "None_Method_Raw");
  g_pOneMethodRaw = suite::GetEntry<PFN_One_Method_Raw>(g_hAcpiModule, "One_Method_Raw");
  g_pMultiMethodRaw = suite::GetEntry<PFN_Multi_Method_Raw>(g_hAcpiModule, "Multi_Method_Raw");
  if (!g_pLoadDriver || !g_pNoneMethodRaw || !g_pOneMethodRaw || !g_pMultiMethodRaw)
    DebugLogW(L"[OSDActive][OnInitDialog]GetProcAddress() Error");
}

bool AcpiHasLoadDriver() { return g_pLoadDriver != nullptr; }

bool AcpiLoadDriver() {
  if (!g_pLoadDriver) return false;
  suite::ProcessLock::Hold lock(g_acpiLock);
  HANDLE device = nullptr;
  if (!g_pLoadDriver(&device) || device == nullptr || device == INVALID_HANDLE_VALUE) return false;
  g_hAcpiDevice = device;
  return true;
}

bool AcpiControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
  if (!g_hAcpiDevice) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD ignored = 0;
  return DeviceIoControl(g_hAcpiDevice, code, in, inSize, out, outSize,
                         returned ? returned : &ignored, nullptr) != FALSE;
}

bool AcpiNoneMethod(DWORD method, DWORD* result) {
  if (!g_pNoneMethodRaw) return false;
  suite::ProcessLock::Hold lock(g_acpiLock);
  BYTE scratch[kScratchBytes] = {};
  return g_pNoneMethodRaw(method, result, scratch) != 0;
}

bool AcpiOneMethod(DWORD method, DWORD argument) {
  if (!g_pOneMethodRaw) return false;
  suite::ProcessLock::Hold lock(g_acpiLock);
  BYTE scratch1[kScratchBytes] = {};
  BYTE scratch2[kScratchBytes] = {};
  BYTE scratch3[kScratchBytes] = {};
  g_pOneMethodRaw(method, argument, scratch1, scratch2, scratch3);
  return true;
}

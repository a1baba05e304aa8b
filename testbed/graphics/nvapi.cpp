// NVIDIA's "nvapi.dll": one export, nvapi_QueryInterface, that hands out the
// functions a caller asks for by interface id.
//
// Knobs (component "nvapi"):
//   Unanswered        an interface id the query does not answer (default none)
//   NvAPI_Initialize  its status (default 0)
//   Displays          NVIDIA display handles to enumerate (default 1)
//   NvAPI_SetView     status of a valid view change (default 0)
// Device state written back: Active (device masks of the last view's targets),
// ViewMode.
#include <windows.h>

#include <cstdio>

#include "journal.h"

namespace {

const char kComponent[] = "nvapi";

constexpr int kOk = 0;
constexpr int kError = -1;
constexpr int kInvalidArgument = -5;
constexpr int kNotInitialized = -4;
constexpr int kEndEnumeration = -7;
constexpr int kIncompatibleVersion = -9;

constexpr DWORD kViewTargetVersion = 0x00010020;
constexpr DWORD kHandleBase = 0x00a10000;
constexpr DWORD kKnownMasks = 0x10000 | 1;

struct ViewTarget {
  DWORD mask, parent, flags;
};
struct ViewTargetInfo {
  DWORD version, count;
  ViewTarget target[2];
};

// Set by a successful initialisation, as NvAPI requires before any other call.
bool g_initialized = false;

int __cdecl Initialize() {
  const int status = int(testbed::KnobDword(kComponent, "NvAPI_Initialize", kOk));
  if (status == kOk) g_initialized = true;
  testbed::Journal(kComponent, "NvAPI_Initialize() = %d", status);
  return status;
}

const char* StatusName(int status) {
  switch (status) {
    case kOk:
      return "NVAPI_OK";
    case kError:
      return "NVAPI_ERROR";
    case kNotInitialized:
      return "NVAPI_API_NOT_INTIALIZED";
    case kInvalidArgument:
      return "NVAPI_INVALID_ARGUMENT";
    case kEndEnumeration:
      return "NVAPI_END_ENUMERATION";
    case kIncompatibleVersion:
      return "NVAPI_INCOMPATIBLE_STRUCT_VERSION";
    default:
      return nullptr;
  }
}

int __cdecl GetErrorMessage(int status, char* text) {
  if (!text) return kInvalidArgument;
  const char* name = StatusName(status);
  if (name)
    lstrcpynA(text, name, 64);
  else
    snprintf(text, 64, "NVAPI status %d", status);
  testbed::Journal(kComponent, "NvAPI_GetErrorMessage(%d) = \"%s\"", status, text);
  return kOk;
}

int __cdecl EnumNvidiaDisplayHandle(int index, DWORD* handle) {
  int status = kEndEnumeration;
  if (!g_initialized)
    status = kNotInitialized;
  else if (!handle || index < 0)
    status = kInvalidArgument;
  else if (DWORD(index) < testbed::KnobDword(kComponent, "Displays", 1)) {
    *handle = kHandleBase + DWORD(index);
    status = kOk;
  }
  testbed::Journal(kComponent, "NvAPI_EnumNvidiaDisplayHandle(%d) = %d, 0x%08lx", index, status,
                   status == kOk ? *handle : 0UL);
  return status;
}

bool ValidTargets(const ViewTargetInfo& info) {
  if (info.count < 1 || info.count > 2) return false;
  for (DWORD i = 0; i < info.count; ++i)
    if ((info.target[i].mask & ~kKnownMasks) || !info.target[i].mask) return false;
  return true;
}

int __cdecl SetView(DWORD handle, ViewTargetInfo* info, int viewMode) {
  int status;
  if (!g_initialized)
    status = kNotInitialized;
  else if (!info)
    status = kInvalidArgument;
  else if (info->version != kViewTargetVersion)
    status = kIncompatibleVersion;
  else if (!ValidTargets(*info) || (handle & 0xffff0000) != kHandleBase)
    status = kInvalidArgument;
  else
    status = int(testbed::KnobDword(kComponent, "NvAPI_SetView", kOk));
  if (status == kOk) {
    DWORD active = 0;
    for (DWORD i = 0; i < info->count; ++i) active |= info->target[i].mask;
    testbed::SetKnobDword(kComponent, "Active", active);
    testbed::SetKnobDword(kComponent, "ViewMode", DWORD(viewMode));
  }
  testbed::Journal(kComponent, "NvAPI_SetView(0x%08lx, [%s], %d) = %d", handle,
                   info ? testbed::HexBytes(info, sizeof *info).c_str() : "null", viewMode, status);
  return status;
}

void* Function(unsigned int id) {
  switch (id) {
    case 0x0150E828:
      return reinterpret_cast<void*>(&Initialize);
    case 0x6C2D048C:
      return reinterpret_cast<void*>(&GetErrorMessage);
    case 0x9ABDD40D:
      return reinterpret_cast<void*>(&EnumNvidiaDisplayHandle);
    case 0x0957D7B6:
      return reinterpret_cast<void*>(&SetView);
    default:
      return nullptr;
  }
}

}  // namespace

extern "C" void* __cdecl nvapi_QueryInterface(unsigned int id) {
  void* function = nullptr;
  if (!testbed::KnobExists(kComponent, "Unanswered") ||
      testbed::KnobDword(kComponent, "Unanswered", 0) != id)
    function = Function(id);
  testbed::Journal(kComponent, "nvapi_QueryInterface(0x%08x) = %s", id,
                   function ? "found" : "null");
  return function;
}

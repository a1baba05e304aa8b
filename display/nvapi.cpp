#include "nvapi.h"

#include "entry.h"
#include "handles.h"
#include "loadpath.h"

namespace {

typedef void*(__cdecl* PFN_nvapi_QueryInterface)(unsigned int id);
typedef int(__cdecl* PFN_NvInitialize)();
typedef int(__cdecl* PFN_NvGetErrorMessage)(int status, char* text);
typedef int(__cdecl* PFN_NvEnumNvidiaDisplayHandle)(int index, DWORD* handle);
typedef int(__cdecl* PFN_NvSetView)(DWORD handle, NvViewTargetInfo* targets, int viewMode);

// Like NVIDIA's own layer, the library stays loaded for the life of the process
// once found; until then every call looks for it again.
PFN_nvapi_QueryInterface g_pQueryInterface = nullptr;

template <typename T>
T Query(DWORD id) {
  if (!g_pQueryInterface) {
    suite::UniqueModule module(suite::LoadFromSystemFolder(L"nvapi.dll"));
    g_pQueryInterface =
        suite::GetEntry<PFN_nvapi_QueryInterface>(module.get(), "nvapi_QueryInterface");
    if (!g_pQueryInterface) return nullptr;
    module.release();  // found: kept for the life of the process
  }
  return reinterpret_cast<T>(g_pQueryInterface(id));
}

}  // namespace

int NvAPI_Initialize() {
  auto call = Query<PFN_NvInitialize>(kNvIdInitialize);
  return call ? call() : NVAPI_NO_IMPLEMENTATION;
}

int NvAPI_GetErrorMessage(int status, char (&text)[kNvErrorTextChars]) {
  text[0] = '\0';
  auto call = Query<PFN_NvGetErrorMessage>(kNvIdGetErrorMessage);
  const int result = call ? call(status, text) : NVAPI_NO_IMPLEMENTATION;
  // The text goes into a log line: never trust it to be terminated.
  text[kNvErrorTextChars - 1] = '\0';
  return result;
}

int NvAPI_EnumNvidiaDisplayHandle(int index, DWORD* handle) {
  auto call = Query<PFN_NvEnumNvidiaDisplayHandle>(kNvIdEnumNvidiaDisplayHandle);
  return call ? call(index, handle) : NVAPI_NO_IMPLEMENTATION;
}

int NvAPI_SetView(DWORD handle, NvViewTargetInfo* targets, int viewMode) {
  auto call = Query<PFN_NvSetView>(kNvIdSetView);
  return call ? call(handle, targets, viewMode) : NVAPI_NO_IMPLEMENTATION;
}
